#pragma once
// One KVM profile: the settings to apply when one external monitor comes online. An empty
// optional field leaves that setting unchanged.
#include <QJsonValue>
#include <QString>
#include <QUuid>
#include <cstdint>
#include <optional>

struct KVMProfile {
    QUuid id;
    QString name;
    bool enabled = true;
    QString displayKey;
    QString displayName;
    std::optional<QString> audioUID;
    std::optional<QString> audioName;
    std::optional<QString> inputUID;
    std::optional<QString> inputName;
    std::optional<double> volume;
    std::optional<double> brightness;
    std::optional<double> dimming;
    std::optional<QString> modeID;
    std::optional<QString> modeLabel;
    std::optional<uint16_t> inputSource;
    std::optional<bool> smoothScroll;
    std::optional<bool> reverseScroll;
    std::optional<int> chargeLimit;
    bool restoreBuiltinAudio = true;

    // The name the user sees: `name` unless it is blank, then the monitor's name.
    QString label() const;

    // Names longer than this are cut when loaded or typed: far past what a row shows, and a
    // megabyte of name would otherwise be measured and laid out on every paint.
    static constexpr int kMaxNameLength = 256;
    static QString cutName(const QString& name);

    bool operator==(const KVMProfile&) const = default;

    QJsonValue toJson() const;
    static std::optional<KVMProfile> fromJson(const QJsonValue& json);
};
