// The window and the panel without a mouse: Tab, the arrows and Escape alone, or a screen
// reader's actions, reach what a person needs, and what they change lands on the simulated Mac.
#include "WindowTest.h"

#include "audio/MasterVolumeSlider.h"
#include "battery/ChargeLimitPicker.h"
#include "design/Controls.h"
#include "design/SegmentedChoice.h"
#include "display/InputDevicesCard.h"
#include "window/DisplayPage.h"
#include "design/Sliders.h"
#include "panel/MenuView.h"
#include "platform/Audio.h"
#include "platform/sim/ChargeLimit.h"
#include "platform/sim/Mac.h"
#include "platform/sim/SimAudio.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QTest>

namespace {

class KeyboardTest : public WindowTest {
protected:
    static QWidget* focused() { return QApplication::focusWidget(); }
    static void press(int key, Qt::KeyboardModifiers modifiers = {})
    {
        QWidget* target = focused();
        ASSERT_TRUE(target) << "nothing has the keyboard focus";
        QTest::keyClick(target, Qt::Key(key), modifiers);
        processEvents();
    }
    // Tab (or Shift-Tab) until the focus is on a widget `is` accepts; false after a whole lap.
    static bool tabTo(const std::function<bool(QWidget*)>& is, bool backwards = false)
    {
        for (int i = 0; i < 300; ++i) {
            if (focused() && is(focused()))
                return true;
            QTest::keyClick(focused() ? focused() : QApplication::activeWindow(), Qt::Key_Tab,
                            backwards ? Qt::ShiftModifier : Qt::NoModifier);
            processEvents();
        }
        return false;
    }
    template <class Owner>
    static bool inside(const QWidget* w)
    {
        for (const QWidget* up = w; up; up = up->parentWidget())
            if (qobject_cast<const Owner*>(up))
                return true;
        return false;
    }
    static bool isSidebarRow(QWidget* w) { return qobject_cast<SidebarRow*>(w); }
};

TEST_F(KeyboardTest, TabAndArrowsAloneSetTheChargeLimitAndTheVolume)
{
    startHub();
    MainView& view = openWindow();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    ASSERT_EQ(view.shownPage(), Router::Page::overview);

    // The sidebar's selected row is its one tab stop; Down walks the rows to the battery page.
    ASSERT_TRUE(tabTo(isSidebarRow));
    EXPECT_EQ(focused(), view.sidebarRow(Router::Page::overview));
    for (int i = 0; i < 4; ++i)
        press(Qt::Key_Down);
    ASSERT_EQ(view.shownPage(), Router::Page::battery);
    EXPECT_EQ(focused(), view.sidebarRow(Router::Page::battery)) << "the keyboard stays on the selected row";

    // Into the page, to the charge limit's selected segment; an arrow chooses the next one.
    ASSERT_TRUE(tabTo([](QWidget* w) { return inside<ChargeLimitSegments>(w); }));
    auto* segments = static_cast<SegmentedChoiceView*>(focused()->parentWidget());
    const int before = sim::chargelimit::limit();
    press(before >= 100 ? Qt::Key_Left : Qt::Key_Right);
    processEvents();
    const int after = sim::chargelimit::limit();
    EXPECT_NE(after, before) << "the Mac's charge limit moved";
    EXPECT_TRUE(inside<ChargeLimitSegments>(focused()));
    EXPECT_EQ(static_cast<const QWidget*>(focused()->parentWidget()), segments);

    // Back to the sidebar, up to the audio page, on to the master volume.
    ASSERT_TRUE(tabTo(isSidebarRow, true));
    press(Qt::Key_Up);
    press(Qt::Key_Up);
    ASSERT_EQ(view.shownPage(), Router::Page::audio);
    ASSERT_TRUE(tabTo([](QWidget* w) { return qobject_cast<LevelSlider*>(w) && inside<MasterVolumeSlider>(w); }));
    sim::AudioSystem& audio = sim::AudioSystem::shared();
    const QString speaker = audio.defaultDeviceUID(platform::audio::kHardwareDefaultOutputDevice);
    const float volume = audio.volumeScalar(speaker, platform::audio::kScopeOutput, 0);
    press(Qt::Key_Right);
    EXPECT_NEAR(audio.volumeScalar(speaker, platform::audio::kScopeOutput, 0), volume + 0.05f, 0.001f);
}

TEST_F(KeyboardTest, TabOnTheDisplayPageGoesThroughTheModeListWhereItStands)
{
    startHub();
    MainView& view = openWindow();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    Router::shared().setPage(Router::Page::display);
    processEvents();
    auto* page = qobject_cast<DisplayPage*>(view.page());
    ASSERT_TRUE(page);
    CheckBox* all = nullptr;
    for (CheckBox* box : page->findChildren<CheckBox*>())
        if (box->title() == "Tümü")
            all = box;
    ASSERT_TRUE(all) << "the mode list's header";

    // From the header through every row, then on to the inputs card below; again after a
    // chosen mode has made its rows anew.
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        all->setFocus(Qt::TabFocusReason);
        processEvents();
        for (const auto& mode : hub->display.modes()) {
            press(Qt::Key_Tab);
            EXPECT_EQ(focused(), page->modeRow(mode.id)) << mode.label().toStdString();
        }
        press(Qt::Key_Tab);
        EXPECT_TRUE(inside<InputDevicesCard>(focused())) << focused()->metaObject()->className();
        for (const auto& mode : hub->display.modes())
            if (mode.id != hub->display.currentModeID()) {
                hub->display.setMode(mode.id);
                break;
            }
        processEvents();
        processEvents();
    }
}

TEST_F(KeyboardTest, EscapeClosesThePanel)
{
    startHub();
    auto* panel = new MenuView(hub->display, hub->audio, hub->appAudio, hub->scroll, hub->battery, hub->input,
                               hub->automation);
    std::unique_ptr<QWidget> owner(panel);
    panel->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
    panel->show();
    processEvents();
    // From the panel itself and from a control inside it, which passes the key on.
    ASSERT_TRUE(tabTo([](QWidget* w) { return qobject_cast<ControlSlider*>(w); }));
    press(Qt::Key_Escape);
    EXPECT_FALSE(panel->isVisible());
}

// A press and release on every control the keyboard reaches, as a click that was let go beside
// it (so no button acts), leaves the focus where it was: on a Mac a click moves no focus ring.
// Text fields are the exception: a click there is for typing.
void expectNoClickTakesTheFocus(QWidget* root, const char* where)
{
    SCOPED_TRACE(where);
    int walked = 0;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root) || !w->isEnabled() || w->isWindow() || !(w->focusPolicy() & Qt::TabFocus)
            || qobject_cast<QLineEdit*>(w))
            continue;
        if (QWidget* had = QApplication::focusWidget())
            had->clearFocus();
        const QPoint centre = QRect(QPoint(), w->size()).center();
        QTest::mousePress(w, Qt::LeftButton, {}, centre);
        QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(-4000, -4000));
        QWidget* now = QApplication::focusWidget();
        EXPECT_TRUE(!now || (now != w && !w->isAncestorOf(now)))
            << w->metaObject()->className() << " \"" << w->accessibleName().toStdString() << "\" took the focus";
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        ++walked;
    }
    EXPECT_GT(walked, 0);
}

TEST_F(KeyboardTest, AClickLeavesNoFocusRingOnAnyPageNorInThePanel)
{
    startHub();
    MainView& view = openWindow({1100, 4000}); // tall, so every lazily built card is built
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    for (Router::Page page : Router::Page::allCases()) {
        Router::shared().setPage(page);
        processEvents();
        processEvents();
        expectNoClickTakesTheFocus(&view, qPrintable(page.title()));
    }

    auto* panel = new MenuView(hub->display, hub->audio, hub->appAudio, hub->scroll, hub->battery, hub->input,
                               hub->automation);
    std::unique_ptr<QWidget> owner(panel);
    panel->show();
    panel->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel));
    expectNoClickTakesTheFocus(panel, "panel");
}

// The value a screen reader writes to the panel's brightness slider goes to the monitor, as a
// drag there would.
TEST_F(KeyboardTest, AScreenReadersBrightnessReachesTheMonitor)
{
    startHub();
    MenuView panel(hub->display, hub->audio, hub->appAudio, hub->scroll, hub->battery, hub->input, hub->automation);
    ControlSlider* slider = nullptr;
    for (ControlSlider* s : panel.findChildren<ControlSlider*>())
        if (QAccessible::queryAccessibleInterface(s)->text(QAccessible::Name) == "Parlaklık")
            slider = s;
    ASSERT_TRUE(slider) << "a slider named Parlaklık";
    QAccessibleValueInterface* value = QAccessible::queryAccessibleInterface(slider)->valueInterface();
    ASSERT_TRUE(value);
    value->setCurrentValue(25);
    const auto selected = hub->display.selected();
    ASSERT_TRUE(selected && !selected->isBuiltin);
    const auto monitor = sim::Mac::shared().displays().monitor(selected->id);
    ASSERT_TRUE(monitor);
    const auto brightness = [&] {
        const auto vcp = monitor->vcp(0x10);
        return vcp ? int(vcp->value) : -1;
    };
    // The write goes out on the DDC queue's thread: waited for, however loaded the machine.
    for (int i = 0; i < 200 && brightness() != 25; ++i) {
        advance(0.05);
        hub->display.ddcQueue().drain();
        processEvents();
    }
    EXPECT_EQ(brightness(), 25);
    EXPECT_EQ(value->currentValue().toInt(), 25);
}

} // namespace
