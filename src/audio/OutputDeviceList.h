#pragma once
// The choice of the default output: one row per output device, the default one checked.
// Choosing a row makes that device the default output and the system (alert) output.
#include <QWidget>

class AudioManager;
class DeviceRowList;
class ViewSync;

class OutputDeviceList : public QWidget {
    Q_OBJECT
public:
    explicit OutputDeviceList(AudioManager& audio, QWidget* parent = nullptr);

    DeviceRowList* rows() const { return rows_; }
    ViewSync& binding() const { return *binding_; }

private:
    void sync();

    AudioManager& audio_;
    DeviceRowList* rows_;
    ViewSync* binding_;
};
