#include "app/InputTap.h"
#include "app/Prefs.h"
#include "platform/Appearance.h"
#include "platform/Events.h"
#include "platform/SystemSettings.h"
#include "platform/sim/SettingsPane.h"
#include "support/SimTest.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QPointer>
#include <functional>
#include <QImage>
#include <QTest>
#include <QWidget>

namespace {

class SettingsPaneTest : public SimTest {};

TEST_F(SettingsPaneTest, TheSwitchGrantsInputAccessAndTheTapsStartAtTheirNextTry)
{
    InputTap tap;
    tap.start(true);
    ASSERT_FALSE(tap.isRunning());

    InputTap::openAccessibilitySettings(); // what the permission card and the mouse page do
    QWidget* pane = sim::settingspane::window();
    ASSERT_TRUE(pane);
    EXPECT_TRUE(pane->isVisible());
    QCheckBox* toggle = sim::settingspane::inputSwitch();
    ASSERT_TRUE(toggle);
    EXPECT_FALSE(toggle->isChecked());

    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_TRUE(platform::accessibility::isProcessTrusted(false));
    EXPECT_FALSE(tap.isRunning()) << "not before the retry";
    advance(2.0);
    EXPECT_TRUE(tap.isRunning());

    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_FALSE(platform::accessibility::isProcessTrusted(false)) << "the switch revokes too";

    InputTap::openAccessibilitySettings();
    EXPECT_EQ(sim::settingspane::window(), pane) << "opened again, the one window comes forward";
}

TEST_F(SettingsPaneTest, ThePaneClosesFromItsCloseControlAndTheKeyboard)
{
    const struct {
        const char* name;
        std::function<void(QWidget*)> close;
    } cases[] = {
        {"close control", [](QWidget* w) { QTest::mouseClick(w->findChild<QAbstractButton*>("close"), Qt::LeftButton); }},
        {"Escape", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }},
        {"Ctrl-W", [](QWidget* w) { QTest::keyClick(w, Qt::Key_W, Qt::ControlModifier); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InputTap::openAccessibilitySettings();
        QPointer<QWidget> pane = sim::settingspane::window();
        ASSERT_TRUE(pane);
        // Shortcuts answer in the active window only.
        pane->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(pane));
        c.close(pane);
        processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(pane) << "closed, the pane is gone";
        EXPECT_FALSE(sim::settingspane::window());
    }
}

TEST_F(SettingsPaneTest, TheSwitchFollowsAGrantMadeElsewhere)
{
    sim::settingspane::show(QString::fromLatin1(InputTap::kAccessibilitySettingsURL));
    QCheckBox* toggle = sim::settingspane::inputSwitch();
    ASSERT_TRUE(toggle);
    sim::systemsettings::setInputAccess(true);
    processEvents();
    EXPECT_TRUE(toggle->isChecked());
    sim::systemsettings::setInputAccess(false);
    processEvents();
    EXPECT_FALSE(toggle->isChecked());
}

TEST_F(SettingsPaneTest, OnlyThePrivacyPaneOpensAndAFreshMacHasNoneOpen)
{
    platform::systemsettings::open("x-apple.systempreferences:com.apple.Battery-Settings.extension");
    EXPECT_FALSE(sim::settingspane::window());
    platform::systemsettings::open(QString::fromLatin1(InputTap::kAccessibilitySettingsURL));
    EXPECT_TRUE(sim::settingspane::window());
    installDesk(sim::Desk::defaultJson());
    EXPECT_FALSE(sim::settingspane::window());
}

TEST_F(SettingsPaneTest, AnOpenPaneFollowsTheSystemAppearance)
{
    sim::settingspane::show(QString::fromLatin1(InputTap::kAccessibilitySettingsURL));
    QWidget* pane = sim::settingspane::window();
    ASSERT_TRUE(pane);
    for (const bool dark : {true, false}) {
        sim::appearance::setDark(dark);
        processEvents();
        EXPECT_EQ(pane->palette().color(QPalette::Window).lightness() < 128, dark);
    }
}

// In either appearance the switch's outline stands apart from the window it sits on (the
// style's own outline, a shade of a dark window, was all but invisible).
TEST_F(SettingsPaneTest, TheSwitchIsSeenInEitherAppearance)
{
    for (const bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        sim::settingspane::close();
        Prefs::d().setGlobalObject("AppleInterfaceStyle", dark ? QString("Dark") : QString());
        sim::settingspane::show(QString::fromLatin1(InputTap::kAccessibilitySettingsURL));
        QCheckBox* toggle = sim::settingspane::inputSwitch();
        ASSERT_TRUE(toggle);
        const QImage image = toggle->grab().toImage();
        const int window = toggle->palette().color(QPalette::Window).lightness();
        int farthest = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                farthest = std::max(farthest, std::abs(image.pixelColor(x, y).lightness() - window));
        EXPECT_GE(farthest, 40);
    }
}

} // namespace
