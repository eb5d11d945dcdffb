#include "audio/DeviceRowList.h"

#include "design/Rows.h"
#include "design/ViewSync.h"

#include <QVBoxLayout>

DeviceRowList::DeviceRowList(std::function<QString(const AudioDevice&)> symbol,
                             std::function<void(const AudioDevice&)> choose, QWidget* parent)
    : QWidget(parent), symbol_(std::move(symbol)), choose_(std::move(choose))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    rows_ = std::make_unique<KeyedRows>(column);
}

DeviceRowList::~DeviceRowList() = default;

void DeviceRowList::setDevices(const std::vector<AudioDevice>& devices, uint32_t selectedID)
{
    // A row shows its title, symbol and check as it was made, so they are part of its key.
    QStringList keys;
    std::map<QString, AudioDevice> byKey;
    keys_.clear();
    for (const AudioDevice& d : devices) {
        const bool selected = d.id == selectedID;
        const QString key = QStringList{QString::number(d.id), d.uid, d.name, symbol_(d), selected ? "1" : "0"}.join('\n');
        keys << key;
        byKey.emplace(key, d);
        keys_[d.id] = key;
    }
    rows_->sync(keys, [&](const QString& key) -> QWidget* {
        const AudioDevice d = byKey.at(key);
        return new SelectableRow(d.name, symbol_(d), d.id == selectedID, [this, d] {
            if (choose_)
                choose_(d);
        });
    });
}

SelectableRow* DeviceRowList::row(uint32_t id) const
{
    const auto it = keys_.find(id);
    return it == keys_.end() ? nullptr : rows_->row<SelectableRow>(it->second);
}
