#include "automation/KVMProfile.h"

#include "app/Codable.h"

#include <QJsonObject>

using namespace pelorn::json;

QString KVMProfile::cutName(const QString& name)
{
    if (name.size() <= kMaxNameLength)
        return name;
    // Never half a surrogate pair.
    return name.left(name[kMaxNameLength - 1].isHighSurrogate() ? kMaxNameLength - 1 : kMaxNameLength);
}

QString KVMProfile::label() const
{
    // Only spaces and tabs count as blank; the name itself is shown untrimmed.
    for (const QChar c : name)
        if (c != u' ' && c != u'\t')
            return name;
    return displayName;
}

QJsonValue KVMProfile::toJson() const
{
    QJsonObject o;
    o.insert("id", uuidText(id));
    o.insert("name", name);
    o.insert("enabled", enabled);
    o.insert("displayKey", displayKey);
    o.insert("displayName", displayName);
    putOptional(o, "audioUID", audioUID);
    putOptional(o, "audioName", audioName);
    putOptional(o, "inputUID", inputUID);
    putOptional(o, "inputName", inputName);
    putOptional(o, "volume", volume);
    putOptional(o, "brightness", brightness);
    putOptional(o, "dimming", dimming);
    putOptional(o, "modeID", modeID);
    putOptional(o, "modeLabel", modeLabel);
    putOptional(o, "inputSource", inputSource);
    putOptional(o, "smoothScroll", smoothScroll);
    putOptional(o, "reverseScroll", reverseScroll);
    putOptional(o, "chargeLimit", chargeLimit);
    o.insert("restoreBuiltinAudio", restoreBuiltinAudio);
    return o;
}

std::optional<KVMProfile> KVMProfile::fromJson(const QJsonValue& json)
{
    if (!json.isObject())
        return std::nullopt;
    const QJsonObject o = json.toObject();
    bool ok = true;
    KVMProfile p;

    if (auto text = getOptional<QString>(o, "id", ok)) {
        p.id = QUuid::fromString(*text);
        // fromString also takes braces; a stored id is the bare 8-4-4-4-12 form.
        if (p.id.isNull() || text->size() != 36)
            return std::nullopt;
    } else {
        p.id = QUuid::createUuid();
    }
    if (!ok)
        return std::nullopt;

    const auto key = getOptional<QString>(o, "displayKey", ok);
    const auto displayName = getOptional<QString>(o, "displayName", ok);
    if (!ok || !key || !displayName)
        return std::nullopt;
    p.displayKey = *key;
    p.displayName = cutName(*displayName);
    p.name = cutName(getOptional<QString>(o, "name", ok).value_or(p.displayName));
    p.enabled = getOptional<bool>(o, "enabled", ok).value_or(true);
    p.audioUID = getOptional<QString>(o, "audioUID", ok);
    p.audioName = getOptional<QString>(o, "audioName", ok);
    p.inputUID = getOptional<QString>(o, "inputUID", ok);
    p.inputName = getOptional<QString>(o, "inputName", ok);
    p.volume = getOptional<double>(o, "volume", ok);
    p.brightness = getOptional<double>(o, "brightness", ok);
    p.dimming = getOptional<double>(o, "dimming", ok);
    p.modeID = getOptional<QString>(o, "modeID", ok);
    p.modeLabel = getOptional<QString>(o, "modeLabel", ok);
    p.inputSource = getOptional<uint16_t>(o, "inputSource", ok);
    p.smoothScroll = getOptional<bool>(o, "smoothScroll", ok);
    p.reverseScroll = getOptional<bool>(o, "reverseScroll", ok);
    p.chargeLimit = getOptional<int>(o, "chargeLimit", ok);
    p.restoreBuiltinAudio = getOptional<bool>(o, "restoreBuiltinAudio", ok).value_or(true);
    if (!ok)
        return std::nullopt;
    return p;
}
