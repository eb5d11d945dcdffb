#pragma once
// A column of selectable rows, one per sound device, with the chosen one checked. Rows are
// kept per device and made again only when a device's name, symbol or choice changes.
#include "audio/AudioDevice.h"

#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class KeyedRows;
class SelectableRow;

class DeviceRowList : public QWidget {
    Q_OBJECT
public:
    DeviceRowList(std::function<QString(const AudioDevice&)> symbol, std::function<void(const AudioDevice&)> choose,
                  QWidget* parent = nullptr);
    ~DeviceRowList() override;

    void setDevices(const std::vector<AudioDevice>& devices, uint32_t selectedID);
    // The row of a device, null when it has none.
    SelectableRow* row(uint32_t id) const;

private:
    std::function<QString(const AudioDevice&)> symbol_;
    std::function<void(const AudioDevice&)> choose_;
    std::unique_ptr<KeyedRows> rows_;
    std::map<uint32_t, QString> keys_; // device id -> its row's key
};
