#include "showcase/Showcase.h"

#include "app/Prefs.h"
#include "support/SimTest.h"

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

class ShowcaseDefaults : public SimTest {};

TEST_F(ShowcaseDefaults, LaunchArgumentsBecomeTypedVolatileValues)
{
    Prefs::d().reload({"-scroll.smooth", "NO", "-audio.step", "7.5", "-ui.accent", "blue"});
    Showcase::setEnabledForTesting(true);
    Showcase::prepareDefaults();
    EXPECT_EQ(Prefs::d().object("scroll.smooth").typeId(), QMetaType::Bool);
    EXPECT_FALSE(Prefs::boolValue("scroll.smooth", true));
    EXPECT_EQ(Prefs::doubleValue("audio.step", 5.0), 7.5);
    EXPECT_EQ(Prefs::d().object("ui.accent").toString(), "blue");
    EXPECT_EQ(Prefs::d().object("kvm.profiles").toByteArray(), "[]");
    EXPECT_TRUE(Prefs::d().persistentDomain().isEmpty());
}

TEST_F(ShowcaseDefaults, DoesNothingOutsideTheMode)
{
    Prefs::d().reload({"-scroll.smooth", "NO"});
    Showcase::prepareDefaults();
    EXPECT_EQ(Prefs::d().object("scroll.smooth").typeId(), QMetaType::QString);
    EXPECT_FALSE(Prefs::d().object("kvm.profiles").isValid());
}

} // namespace
