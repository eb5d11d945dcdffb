#include "platform/sim/Desk.h"

#include "platform/Files.h"

#include <QJsonDocument>
#include <algorithm>
#include <cmath>

namespace sim {

Fields::Fields(QJsonObject object, QString path, std::optional<DeskError>* error)
    : object_(std::move(object)), path_(std::move(path)), error_(error)
{
}

QString Fields::path(const char* key) const { return path(QString::fromUtf8(key)); }

QString Fields::path(const QString& key) const
{
    if (key.startsWith('['))
        return path_ + key;
    return path_.isEmpty() ? key : path_ + "." + key;
}

void Fields::fail(const QString& field, const QString& message)
{
    if (!error_->has_value())
        *error_ = DeskError{field, message};
}

QString Fields::string(const char* key, const QString& fallback)
{
    const QJsonValue v = object_.value(key);
    if (v.isUndefined())
        return fallback;
    if (!v.isString()) {
        fail(path(key), "expected a string");
        return fallback;
    }
    return v.toString();
}

QString Fields::requireString(const char* key)
{
    if (!object_.contains(key)) {
        fail(path(key), "missing");
        return {};
    }
    return string(key);
}

double Fields::number(const char* key, double fallback, double min, double max)
{
    const QJsonValue v = object_.value(key);
    if (v.isUndefined())
        return fallback;
    if (!v.isDouble()) {
        fail(path(key), "expected a number");
        return fallback;
    }
    const double d = v.toDouble();
    if (d < min || d > max) {
        fail(path(key), QString("must be between %1 and %2").arg(min).arg(max));
        return fallback;
    }
    return d;
}

qint64 Fields::integer(const char* key, qint64 fallback, qint64 min, qint64 max)
{
    const QJsonValue v = object_.value(key);
    if (v.isUndefined())
        return fallback;
    const double d = v.toDouble();
    if (!v.isDouble() || d != std::trunc(d)) {
        fail(path(key), "expected a whole number");
        return fallback;
    }
    // Checked before the conversion: a double outside qint64's range has no value there.
    if (d < -0x1p63 || d >= 0x1p63 || qint64(d) < min || qint64(d) > max) {
        fail(path(key), QString("must be between %1 and %2").arg(min).arg(max));
        return fallback;
    }
    return qint64(d);
}

bool Fields::boolean(const char* key, bool fallback)
{
    const QJsonValue v = object_.value(key);
    if (v.isUndefined())
        return fallback;
    if (!v.isBool()) {
        fail(path(key), "expected true or false");
        return fallback;
    }
    return v.toBool();
}

QJsonArray Fields::array(const char* key)
{
    const QJsonValue v = object_.value(key);
    if (v.isUndefined())
        return {};
    if (!v.isArray()) {
        fail(path(key), "expected an array");
        return {};
    }
    return v.toArray();
}

QJsonObject Fields::object(const char* key)
{
    const QJsonValue v = object_.value(key);
    if (v.isUndefined())
        return {};
    if (!v.isObject()) {
        fail(path(key), "expected an object");
        return {};
    }
    return v.toObject();
}

void Fields::rejectUnknown(std::initializer_list<const char*> known)
{
    for (auto it = object_.begin(); it != object_.end(); ++it) {
        bool found = false;
        for (const char* k : known)
            found = found || it.key() == QLatin1String(k);
        if (!found) {
            fail(path(it.key()), "unknown field");
            return;
        }
    }
}

DeskResult Desk::parse(const QByteArray& json)
{
    QJsonParseError perr{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &perr);
    if (perr.error != QJsonParseError::NoError)
        return DeskResult::failure({{}, QString("not valid JSON at offset %1: %2").arg(perr.offset).arg(perr.errorString())});
    if (!doc.isObject())
        return DeskResult::failure({{}, "the desk must be a JSON object"});

    std::optional<DeskError> error;
    Fields top(doc.object(), {}, &error);
    Desk desk;
    desk.raw = doc.object();
    desk.name = top.string("name", "desk");
    desk.displays = parseDisplays(top);
    parseSmc(top, desk.smc);
    parseBattery(top, desk.battery);
    parseAudio(top, desk.audio);
    desk.accessibility = top.boolean("accessibility", false);
    if (top.has("kvm")) {
        Fields kvm(top.object("kvm"), top.path("kvm"), &error);
        DeskKvm k;
        k.name = kvm.requireString("name");
        const QJsonArray ids = kvm.array("displays");
        // A monitor the desk does not have is not behind the switch: a desk made from another by
        // taking monitors away keeps its KVM.
        for (int i = 0; i < ids.size(); ++i) {
            const double id = ids[i].toDouble(-1);
            if (!ids[i].isDouble() || id < 0 || id != std::trunc(id)) {
                kvm.fail(kvm.path("displays") + QString("[%1]").arg(i), "expected a display id");
                continue;
            }
            const auto known = std::find_if(desk.displays.begin(), desk.displays.end(),
                                            [&](const DeskDisplay& d) { return d.id == id && !d.builtin; });
            if (known != desk.displays.end())
                k.displays.push_back(known->id);
        }
        kvm.rejectUnknown({"name", "displays"});
        desk.kvm = k;
    }
    const QString prompt = top.string("adminPrompt", "ask");
    if (prompt == "allow")
        desk.adminPrompt = adminscript::Prompt::approve;
    else if (prompt == "deny")
        desk.adminPrompt = adminscript::Prompt::cancel;
    else if (prompt != "ask")
        top.fail(top.path("adminPrompt"), "expected ask, allow or deny");
    top.rejectUnknown({"name", "displays", "smc", "battery", "audio", "accessibility", "kvm", "adminPrompt"});
    if (error)
        return DeskResult::failure(*error);
    return desk;
}

DeskResult Desk::load(const QString& path)
{
    const platform::files::Contents file = platform::files::readRegular(path, kMaxFileBytes);
    switch (file.status) {
    case platform::files::ReadStatus::ok:
        return parse(file.bytes);
    case platform::files::ReadStatus::notRegular:
        return DeskResult::failure({{}, "cannot read the desk file " + path + ": not a regular file"});
    case platform::files::ReadStatus::tooLarge:
        return DeskResult::failure(
            {{}, QString("cannot read the desk file %1: larger than %2 bytes").arg(path).arg(kMaxFileBytes)});
    default:
        return DeskResult::failure({{}, "cannot read the desk file " + path});
    }
}

DeskResult Desk::fromEnvironment()
{
    const QByteArray env = qgetenv("PELORN_DESK");
    if (!env.isEmpty())
        return load(QString::fromLocal8Bit(env));
    return parse(defaultJson());
}

} // namespace sim
