#pragma once
// The choice of the input device, as a full list of rows or as a compact "Mikrofon" menu, and
// the input level when the default input has a volume the system can set.
#include "audio/AudioDevice.h"
#include "design/Buttons.h"

#include <QWidget>
#include <cstdint>

class AudioManager;
class DeviceRowList;
class ValueSlider;
class ViewSync;

class InputControls : public QWidget {
    Q_OBJECT
public:
    InputControls(AudioManager& audio, bool showList, QWidget* parent = nullptr);

    // The symbol of an input by its transport.
    static QString symbolFor(uint32_t transport);

    DeviceRowList* rows() const { return rows_; }              // null in the compact form
    MenuPicker<uint32_t>* picker() const { return picker_; }   // null in the list form
    ValueSlider* levelSlider() const { return level_; }
    ViewSync& binding() const { return *binding_; }

private:
    void sync();
    void choose(const QString& uid);

    AudioManager& audio_;
    DeviceRowList* rows_ = nullptr;
    MenuPicker<uint32_t>* picker_ = nullptr;
    ValueSlider* level_;
    ViewSync* binding_;
};
