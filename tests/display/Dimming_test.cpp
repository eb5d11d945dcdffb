#include "display/DisplayTest.h"

#include "app/Prefs.h"

namespace {

class DimmingTest : public DisplayTest {
protected:
    static std::optional<float> scale(uint32_t id)
    {
        const auto f = world().transferFormula(id);
        if (!f)
            return std::nullopt;
        // Every channel: minimum 0, maximum l, gamma 1.
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ((*f)[c * 3], 0.0f);
            EXPECT_EQ((*f)[c * 3 + 2], 1.0f);
            EXPECT_EQ((*f)[c * 3 + 1], (*f)[1]);
        }
        return (*f)[1];
    }
};

TEST_F(DimmingTest, SoftwareBrightnessScalesTheSelectedMonitorsTable)
{
    useDisplays({builtinJson(), monitorJson(2, 200), monitorJson(3, 300)});
    start();
    manager->setSoftwareBrightness(5, false);
    EXPECT_DOUBLE_EQ(manager->softwareBrightness(), 10);
    EXPECT_FLOAT_EQ(*scale(2), 0.1f);
    EXPECT_EQ(scale(3), std::nullopt);
    EXPECT_EQ(manager->dimmedIDs(), (std::set<uint32_t>{2}));
    const auto stored = Prefs::codable<std::map<QString, double>>("display.dimming");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->at("100:200:0"), 10);

    // The level follows the monitor into the next launch.
    manager.reset();
    world().restoreColorSync();
    start();
    EXPECT_DOUBLE_EQ(manager->softwareBrightness(), 10);
    EXPECT_FLOAT_EQ(*scale(2), 0.1f);
}

TEST_F(DimmingTest, UndimmingOneMonitorRestoresOnceAndDimsTheOthersAgain)
{
    useDisplays({monitorJson(2, 200), monitorJson(3, 300)});
    start();
    manager->setSoftwareBrightness(60, false);
    manager->setSelectedID(3);
    manager->setSoftwareBrightness(50, false);
    manager->setSelectedID(2);
    EXPECT_DOUBLE_EQ(manager->softwareBrightness(), 60);
    const int before = world().colorSyncRestores();
    manager->setSoftwareBrightness(100, false);
    EXPECT_EQ(world().colorSyncRestores(), before + 1);
    EXPECT_EQ(scale(2), std::nullopt);
    EXPECT_FLOAT_EQ(*scale(3), 0.5f);
    EXPECT_EQ(manager->dimmedIDs(), (std::set<uint32_t>{3}));
}

TEST_F(DimmingTest, LinkAllAndSharedKeysDimTogether)
{
    // Identical monitors share a key, so dimming one dims both.
    useDisplays({monitorJson(2), monitorJson(3)});
    start();
    manager->setSoftwareBrightness(40, true);
    EXPECT_FLOAT_EQ(*scale(2), 0.4f);
    EXPECT_FLOAT_EQ(*scale(3), 0.4f);

    useDisplays({builtinJson(), monitorJson(2, 200), monitorJson(3, 300)});
    start();
    manager->setLinkAll(true);
    manager->setSoftwareBrightness(70, false);
    EXPECT_FLOAT_EQ(*scale(2), 0.7f);
    EXPECT_FLOAT_EQ(*scale(3), 0.7f);
    EXPECT_EQ(scale(1), std::nullopt);
    manager->setSoftwareBrightness(30, true);
    EXPECT_FLOAT_EQ(*scale(2), 0.3f);
    EXPECT_FLOAT_EQ(*scale(3), 0.7f);
}

// Brightness drives the monitor while it answers DDC/CI and the target is the monitor;
// otherwise it dims in software.
TEST_F(DimmingTest, ActiveBrightnessFallsBackToSoftwareDimming)
{
    struct Case {
        const char* name;
        std::function<void(sim::Monitor&)> arrange;
        DisplayManager::BrightnessTarget target;
        bool hardware;
    };
    const Case cases[] = {
        {"answers", [](sim::Monitor&) {}, DisplayManager::BrightnessTarget::monitor, true},
        {"answers, target macOS", [](sim::Monitor&) {}, DisplayManager::BrightnessTarget::macOS, false},
        {"never answers", [](sim::Monitor& m) { m.setFault(sim::Fault::Silent); }, DisplayManager::BrightnessTarget::monitor, false},
        {"result code 0x01", [](sim::Monitor& m) { m.setUnsupported(0x10, true); }, DisplayManager::BrightnessTarget::monitor, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Prefs::d().remove("display.dimming");
        useDisplays({monitorJson(2)});
        c.arrange(*monitor(2));
        start();
        manager->setBrightnessTarget(c.target);
        EXPECT_DOUBLE_EQ(manager->activeBrightness(), c.hardware ? 60 : 100);
        clearTransfers();
        manager->setActiveBrightness(35);
        settle();
        EXPECT_EQ(setsOf(2, 0x10).empty(), !c.hardware);
        EXPECT_EQ(scale(2).has_value(), !c.hardware);
        EXPECT_DOUBLE_EQ(manager->activeBrightness(), 35);
        EXPECT_EQ(Prefs::d().object("display.brightnessTarget").toString(), DisplayManager::rawValue(c.target));
        manager.reset();
    }
}

TEST_F(DimmingTest, BuiltinBrightnessDegradesWhenItsFrameworkIsMissing)
{
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::optional<double> expected;
    };
    const char* framework = "/System/Library/PrivateFrameworks/DisplayServices.framework/DisplayServices";
    const Case cases[] = {
        {"present", [] {}, 50.0},
        {"framework missing", [&] { world().setFrameworkPresent(framework, false); }, std::nullopt},
        {"symbol missing", [] { world().removeSymbol("DisplayServicesGetBrightness"); }, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        useDisplays({builtinJson(), monitorJson(2)});
        bridge_forget_cached_clients();
        c.arrange();
        start();
        ASSERT_EQ(manager->builtinBrightness().has_value(), c.expected.has_value());
        if (c.expected) {
            EXPECT_NEAR(*manager->builtinBrightness(), *c.expected, 1e-4);
        }
        manager.reset();
    }
    // A Mac without a built-in panel.
    useDisplays({monitorJson(2)});
    start();
    EXPECT_EQ(manager->builtinBrightness(), std::nullopt);
    float level = 0;
    EXPECT_EQ(builtin_get_brightness(2, &level), 0);

    useDisplays({builtinJson()});
    bridge_forget_cached_clients();
    world().setFrameworkPresent(framework, false);
    EXPECT_EQ(builtin_set_brightness(1, 0.75f), 0);
    world().setFrameworkPresent(framework, true); // a failed open is tried again at the next call
    EXPECT_EQ(builtin_set_brightness(1, 0.25f), 1);
    EXPECT_EQ(world().display(1)->brightness, 0.25);
}

TEST_F(DimmingTest, KeyboardBacklight)
{
    useDisplays({builtinJson()});
    uint64_t id = 0;
    ASSERT_EQ(kbd_builtin_id(&id), 1);
    EXPECT_EQ(id, world().keyboard().id);
    EXPECT_FLOAT_EQ(kbd_get_brightness(id), 0.5f);
    EXPECT_EQ(kbd_set_brightness(id, 0.2f), 1);
    EXPECT_NEAR(world().keyboard().level, 0.2, 1e-6);
    EXPECT_EQ(world().keyboard().fadeSpeed, 300);
    EXPECT_FALSE(world().keyboard().commit);
    EXPECT_EQ(kbd_get_auto(id), 1);
    EXPECT_EQ(kbd_set_auto(id, 0), 1);
    EXPECT_EQ(kbd_get_auto(id), 0);

    world().removeKeyboardSelector("brightnessForKeyboard:");
    EXPECT_FLOAT_EQ(kbd_get_brightness(id), -1.0f);
    world().removeKeyboardSelector("isKeyboardBuiltIn:");
    EXPECT_EQ(kbd_builtin_id(&id), 0);

    // Without the client class nothing is supported.
    useDisplays({builtinJson()});
    bridge_forget_cached_clients();
    world().setKeyboardClientClassPresent(false);
    id = 7;
    EXPECT_EQ(kbd_builtin_id(&id), 0);
    EXPECT_EQ(id, 7u);
    EXPECT_FLOAT_EQ(kbd_get_brightness(id), -1.0f);
    EXPECT_EQ(kbd_set_brightness(id, 0.5f), 0);
    EXPECT_EQ(kbd_get_auto(id), 0);
    EXPECT_EQ(kbd_set_auto(id, 1), 0);
}

} // namespace
