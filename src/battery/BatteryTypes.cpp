#include "battery/BatteryTypes.h"

#include "app/Codable.h"

#include <QJsonObject>

namespace json = pelorn::json;

QString BatteryCalibration::stepName(Step step)
{
    switch (step) {
    case Step::chargeFull:
        return "chargeFull";
    case Step::discharge:
        return "discharge";
    case Step::rechargeFull:
        return "rechargeFull";
    case Step::hold:
        return "hold";
    }
    return {};
}

std::optional<BatteryCalibration::Step> BatteryCalibration::stepFromName(const QString& name)
{
    for (Step s : {Step::chargeFull, Step::discharge, Step::rechargeFull, Step::hold}) {
        if (stepName(s) == name)
            return s;
    }
    return std::nullopt;
}

QJsonValue BatteryCalibration::toJson() const
{
    QJsonObject o;
    o.insert("step", stepName(step));
    o.insert("savedLimit", json::encode(savedLimit));
    if (holdUntil)
        o.insert("holdUntil", json::encodeDate(*holdUntil));
    return o;
}

std::optional<BatteryCalibration> BatteryCalibration::fromJson(const QJsonValue& j)
{
    if (!j.isObject())
        return std::nullopt;
    const QJsonObject o = j.toObject();
    const auto stepText = json::decode<QString>(o.value("step"));
    const auto s = stepText ? stepFromName(*stepText) : std::nullopt;
    const auto saved = json::decode<int>(o.value("savedLimit"));
    if (!s || !saved)
        return std::nullopt;
    BatteryCalibration c;
    c.step = *s;
    c.savedLimit = *saved;
    const QJsonValue hold = o.value("holdUntil");
    if (!hold.isUndefined() && !hold.isNull()) {
        c.holdUntil = json::decodeDate(hold);
        if (!c.holdUntil)
            return std::nullopt;
    }
    return c;
}

QJsonValue BatterySample::toJson() const
{
    QJsonObject o;
    o.insert("date", json::encodeDate(date));
    o.insert("percent", json::encode(percent));
    json::putOptional(o, "temperature", temperature);
    o.insert("systemLoad", systemLoad);
    return o;
}

std::optional<BatterySample> BatterySample::fromJson(const QJsonValue& j)
{
    if (!j.isObject())
        return std::nullopt;
    const QJsonObject o = j.toObject();
    const auto date = json::decodeDate(o.value("date"));
    const auto percent = json::decode<int>(o.value("percent"));
    const auto load = json::decode<double>(o.value("systemLoad"));
    bool ok = true;
    const auto temperature = json::getOptional<double>(o, "temperature", ok);
    if (!date || !percent || !load || !ok)
        return std::nullopt;
    return BatterySample{*date, *percent, temperature, *load};
}
