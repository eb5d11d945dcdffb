#include "audio/OutputDeviceList.h"

#include "audio/AudioManager.h"
#include "audio/DeviceRowList.h"
#include "design/ViewSync.h"

#include <QVBoxLayout>

OutputDeviceList::OutputDeviceList(AudioManager& audio, QWidget* parent) : QWidget(parent), audio_(audio)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    rows_ = new DeviceRowList([](const AudioDevice& d) { return d.symbol(); },
                              // A refused write leaves the default as it was; the sync then shows it.
                              [this](const AudioDevice& d) { audio_.setDefaultOutput(d.uid); });
    column->addWidget(rows_);

    binding_ = new ViewSync(this, [this] { sync(); });
    binding_->follow(&audio_, &AudioManager::changed);
    sync();
}

void OutputDeviceList::sync() { rows_->setDevices(audio_.outputs(), audio_.defaultOutputID()); }
