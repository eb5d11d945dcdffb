#include "showcase/Showcase.h"

#include "app/Prefs.h"
#include "automation/AutomationTest.h"
#include "platform/sim/Desk.h"
#include "support/SimTest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <limits>

namespace {

TEST(ShowcaseSwitch, OnlyTheExactValueOneSwitchesItOn)
{
    const std::pair<const char*, bool> cases[] = {
        {"1", true}, {"true", false}, {"yes", false}, {" 1", false}, {"01", false}, {"", false},
    };
    for (const auto& [value, on] : cases)
        EXPECT_EQ(Showcase::enabledIn({{"PELORN_SHOWCASE", value}}), on) << '"' << value << '"';
    EXPECT_FALSE(Showcase::enabledIn({}));
}

TEST(ShowcaseArguments, WholeNumbersAre64BitIntegersOtherFiniteNumbersDoublesTheRestText)
{
    struct Case {
        const char* text;
        QVariant expected;
    };
    const qlonglong max = std::numeric_limits<qlonglong>::max();
    const Case cases[] = {
        {"YES", true},
        {"NO", false},
        {"80", QVariant::fromValue<qlonglong>(80)},
        {"-3", QVariant::fromValue<qlonglong>(-3)},
        {"+7", QVariant::fromValue<qlonglong>(7)},
        {"9223372036854775807", QVariant::fromValue<qlonglong>(max)},
        {"9223372036854775808", 9223372036854775808.0}, // past 64 bits: still a number
        {"6.25", 6.25},
        {".5", 0.5},
        {"1e3", 1000.0},
        {"-2.5E-1", -0.25},
        // Qt's own parsers would take these; they are not numbers as launch arguments.
        {" 80", QString(" 80")},
        {"80 ", QString("80 ")},
        {"6.25\n", QString("6.25\n")},
        {"80\n", QString("80\n")},
        {"inf", QString("inf")},
        {"-inf", QString("-inf")},
        {"nan", QString("nan")},
        {"1e999", QString("1e999")},
        {"0x10", QString("0x10")},
        {"1,5", QString("1,5")},
        {"yes", QString("yes")},
        {"blue", QString("blue")},
        {"", QString("")},
    };
    for (const Case& c : cases) {
        const QVariant got = Showcase::typedArgument(c.text);
        EXPECT_EQ(got.typeId(), c.expected.typeId()) << '"' << c.text << '"';
        EXPECT_EQ(got, c.expected) << '"' << c.text << '"';
    }
}

class ShowcaseDefaults : public SimTest {
protected:
    void TearDown() override
    {
        Showcase::setEnabledForTesting(std::nullopt);
        SimTest::TearDown();
    }
};

TEST_F(ShowcaseDefaults, LaunchArgumentsReachTheSettingsReadersTyped)
{
    Prefs::d().reload({"-battery.topUp", "80", "-audio.step", "6.25", "-kvm.enabled", "NO", "-ui.accent", "blue"});
    Showcase::setEnabledForTesting(true);
    Showcase::prepareDefaults();
    EXPECT_EQ(Prefs::d().object("battery.topUp").typeId(), QMetaType::LongLong);
    EXPECT_EQ(Prefs::intValue("battery.topUp", 0), 80);
    EXPECT_EQ(Prefs::d().object("audio.step").typeId(), QMetaType::Double);
    EXPECT_EQ(Prefs::doubleValue("audio.step", 5.0), 6.25);
    EXPECT_FALSE(Prefs::boolValue("kvm.enabled", true));
    EXPECT_EQ(Prefs::d().object("ui.accent"), QVariant(QString("blue")));
    EXPECT_EQ(Prefs::d().object("kvm.profiles").toByteArray(), "[]");
    EXPECT_TRUE(Prefs::d().persistentDomain().isEmpty());
}

TEST_F(ShowcaseDefaults, ProfilesGivenAsALaunchArgumentAreKept)
{
    Prefs::d().reload({"-kvm.profiles", "given"});
    Showcase::setEnabledForTesting(true);
    Showcase::prepareDefaults();
    EXPECT_EQ(Prefs::d().object("kvm.profiles"), QVariant(QString("given")));
}

TEST_F(ShowcaseDefaults, DoesNothingOutsideTheMode)
{
    Prefs::d().reload({"-scroll.smooth", "NO"});
    Showcase::prepareDefaults();
    EXPECT_EQ(Prefs::d().object("scroll.smooth").typeId(), QMetaType::QString);
    EXPECT_FALSE(Prefs::d().object("kvm.profiles").isValid());
}

class ShowcaseSample : public AutomationTest {
protected:
    void SetUp() override
    {
        AutomationTest::SetUp();
        Showcase::setEnabledForTesting(true);
    }
    void TearDown() override
    {
        Showcase::setEnabledForTesting(std::nullopt);
        AutomationTest::TearDown();
    }
    void addSample() { Showcase::addSampleProfile(*display, *audio, *battery, *automation); }
};

TEST_F(ShowcaseSample, OnTheDefaultDeskOneProfileForTheFirstMonitorWithItsHdmiSoundAndCurrentMode)
{
    start();
    ASSERT_TRUE(battery->limitSupported());
    ASSERT_TRUE(display->currentModeID());
    addSample();
    ASSERT_EQ(automation->profiles().size(), 1u);
    const KVMProfile& p = automation->profiles().front();
    EXPECT_EQ(p.name, "Masa kurulumu");
    EXPECT_TRUE(p.enabled);
    EXPECT_EQ(p.displayName, "Lumera 27Q");
    EXPECT_EQ(p.displayKey, display->externals().front().key);
    EXPECT_EQ(p.audioUID, "HDMI-Monitor-Audio");
    EXPECT_EQ(p.audioName, "Harici Monitör");
    EXPECT_EQ(p.inputUID, "BuiltInMicrophoneDevice");
    EXPECT_EQ(p.inputName, "MacBook Pro Mikrofonu");
    EXPECT_EQ(p.volume, 60);
    EXPECT_EQ(p.brightness, 81);
    EXPECT_FALSE(p.dimming);
    EXPECT_EQ(p.modeID, display->currentModeID());
    EXPECT_TRUE(p.modeLabel && !p.modeLabel->isEmpty());
    EXPECT_FALSE(p.inputSource);
    EXPECT_EQ(p.smoothScroll, true);
    EXPECT_EQ(p.reverseScroll, true);
    EXPECT_EQ(p.chargeLimit, 80);
    EXPECT_TRUE(p.restoreBuiltinAudio);
    // Only in memory: the user's stored profiles stay as they were.
    EXPECT_FALSE(Prefs::d().persistentDomain().contains("kvm.profiles"));
}

TEST_F(ShowcaseSample, NoProfileWithoutAnExternalDisplay)
{
    QJsonObject desk = QJsonDocument::fromJson(sim::Desk::defaultJson()).object();
    QJsonArray builtinOnly;
    for (const QJsonValue& d : desk["displays"].toArray())
        if (d["builtin"].toBool())
            builtinOnly.append(d);
    desk["displays"] = builtinOnly;
    installDesk(QJsonDocument(desk).toJson());
    start();
    ASSERT_TRUE(display->externals().empty());
    addSample();
    EXPECT_TRUE(automation->profiles().empty());
}

} // namespace
