#include "automation/KVMProfile.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

std::optional<KVMProfile> decodeText(const char* text)
{
    return KVMProfile::fromJson(QJsonDocument::fromJson(text).object());
}

KVMProfile bare()
{
    KVMProfile p;
    p.id = QUuid::createUuid();
    p.name = "Masa";
    p.displayKey = "4c2d:7003:1";
    p.displayName = "Studio";
    return p;
}

} // namespace

TEST(KVMProfile, BareProfileWritesExactlyTheAlwaysPresentKeysAndRoundTrips)
{
    const KVMProfile p = bare();
    const QJsonObject o = p.toJson().toObject();
    EXPECT_EQ(o.keys(), (QStringList{"displayKey", "displayName", "enabled", "id", "name", "restoreBuiltinAudio"}));
    EXPECT_TRUE(QRegularExpression("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$")
                    .match(o.value("id").toString())
                    .hasMatch())
        << o.value("id").toString().toStdString();
    EXPECT_EQ(KVMProfile::fromJson(o), p);
}

TEST(KVMProfile, OptionalFieldsAreWrittenOnlyWhenSetAndRoundTrip)
{
    KVMProfile p = bare();
    p.audioUID = "hdmi-uid";
    p.volume = 42.5;
    p.inputSource = 65535;
    p.smoothScroll = false;
    p.chargeLimit = 80;
    const QJsonObject o = p.toJson().toObject();
    EXPECT_EQ(o.size(), 11);
    EXPECT_EQ(o.value("volume").toDouble(), 42.5);
    EXPECT_EQ(o.value("inputSource").toInt(), 65535);
    EXPECT_EQ(o.value("smoothScroll"), QJsonValue(false));
    EXPECT_FALSE(o.contains("brightness"));
    EXPECT_EQ(KVMProfile::fromJson(o), p);
}

TEST(KVMProfile, DecodingFillsDefaultsForMissingAndNullKeys)
{
    const auto p = decodeText(R"({"displayKey":"1:2:3","displayName":"Studio","name":null,"volume":null,"future":7})");
    ASSERT_TRUE(p);
    EXPECT_FALSE(p->id.isNull());
    EXPECT_EQ(p->name, "Studio");
    EXPECT_TRUE(p->enabled);
    EXPECT_TRUE(p->restoreBuiltinAudio);
    EXPECT_FALSE(p->volume || p->audioUID || p->brightness || p->modeID || p->inputSource || p->chargeLimit);
    EXPECT_NE(decodeText(R"({"displayKey":"1:2:3","displayName":"Studio"})")->id, p->id);

    const auto lower = decodeText(R"({"id":"6f1c2a3b-0d4e-4f50-8a6b-7c8d9e0f1a2b","displayKey":"k","displayName":"d"})");
    ASSERT_TRUE(lower);
    EXPECT_EQ(lower->id.toString(QUuid::WithoutBraces), "6f1c2a3b-0d4e-4f50-8a6b-7c8d9e0f1a2b");
}

TEST(KVMProfile, DecodingFailsOnMissingRequiredKeysAndWrongTypes)
{
    const char* bad[] = {
        R"({"displayName":"d"})",
        R"({"displayKey":"k"})",
        R"({"displayKey":"k","displayName":"d","id":"not-a-uuid"})",
        R"({"displayKey":"k","displayName":"d","id":"{6f1c2a3b-0d4e-4f50-8a6b-7c8d9e0f1a2b}"})",
        R"({"displayKey":"k","displayName":"d","id":5})",
        R"({"displayKey":"k","displayName":"d","enabled":"yes"})",
        R"({"displayKey":"k","displayName":"d","volume":"40"})",
        R"({"displayKey":"k","displayName":"d","inputSource":65536})",
        R"({"displayKey":"k","displayName":"d","inputSource":-1})",
        R"({"displayKey":"k","displayName":"d","chargeLimit":80.5})",
        R"({"displayKey":"k","displayName":"d","restoreBuiltinAudio":1})",
    };
    for (const char* text : bad)
        EXPECT_FALSE(decodeText(text)) << text;
    EXPECT_FALSE(KVMProfile::fromJson(QJsonValue("text")));
}

TEST(KVMProfile, LabelFallsBackToTheDisplayNameOnlyForABlankName)
{
    KVMProfile p = bare();
    const std::pair<QString, QString> cases[] = {
        {"   ", "Studio"}, {" \t", "Studio"}, {"", "Studio"}, {" Ofis", " Ofis"}, {"Ev ", "Ev "},
    };
    for (const auto& [name, label] : cases) {
        p.name = name;
        EXPECT_EQ(p.label(), label) << name.toStdString();
    }
}

TEST(KVMProfile, EqualityComparesEveryField)
{
    const KVMProfile a = bare();
    KVMProfile b = a;
    EXPECT_EQ(a, b);
    b.modeLabel = "1920 × 1080";
    EXPECT_NE(a, b);
    b = a;
    b.restoreBuiltinAudio = false;
    EXPECT_NE(a, b);
}
