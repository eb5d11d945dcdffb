#pragma once
// The "AppleSmartBattery" registry service and its properties ("ExternalConnected", ...).
#include <QString>
#include <QVariant>

namespace platform::smartbattery {

bool present();                        // the registry has the service
QVariant property(const QString& key); // invalid when the service or the property is missing

} // namespace platform::smartbattery
