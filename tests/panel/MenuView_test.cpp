// The panel on the simulated Mac, driven as a user would.
#include "app/Hub.h"
#include "app/Texts.h"
#include "audio/AppAudioManager.h"
#include "audio/AudioManager.h"
#include "automation/AutomationManager.h"
#include "battery/BatteryManager.h"
#include "audio/MasterVolumeSlider.h"
#include "battery/BatteryActionTiles.h"
#include "bridge/Bridge.h"
#include "design/Buttons.h"
#include "design/Sliders.h"
#include "design/Spring.h"
#include "design/TextLine.h"
#include "design/Tiles.h"
#include "panel/HoverHint.h"
#include "panel/MenuView.h"
#include "design/MoreLink.h"
#include "panel/PanelDetails.h"
#include "panel/PanelSliders.h"
#include "panel/PanelTiles.h"
#include "platform/PowerEvents.h"
#include "platform/sim/EventSystem.h"
#include "platform/sim/Mac.h"
#include "platform/sim/Battery.h"
#include "platform/sim/Power.h"
#include "platform/sim/SimAudio.h"
#include "app/Prefs.h"
#include "support/SimTest.h"
#include "window/Router.h"

#include <QAccessible>
#include <QApplication>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTest>

namespace {

class PanelTest : public SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        bridge_forget_cached_clients();
        if (const auto owner = HoverHintModel::shared().owner())
            HoverHintModel::shared().leave(*owner);
    }
    void TearDown() override
    {
        panel.reset();
        hub.reset();
        AudioManager::waitForBackgroundStops();
        tap.reset();
        sim::power::waitForSleeps();
        SimTest::TearDown();
    }
    void makeHub()
    {
        tap = std::make_unique<InputTap>();
        hub = std::make_unique<Hub>(*tap);
        processEvents();
    }
    MenuView& open()
    {
        if (!hub)
            makeHub();
        panel = std::make_unique<MenuView>(hub->display, hub->audio, hub->appAudio, hub->scroll, hub->battery,
                                           hub->input, hub->automation);
        panel->openWindow = [this](const QString& id) { opened.append(id); };
        panel->show();
        processEvents();
        return *panel;
    }
    static void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QRect(QPoint(), w->size()).center()); }

    std::unique_ptr<InputTap> tap;
    std::unique_ptr<Hub> hub;
    std::unique_ptr<MenuView> panel;
    QStringList opened;
};

// Two screens: the main one 900 points visible, a short one 300 visible, side by side.
constexpr const char* kTwoScreens = R"({"displays": [
    {"id": 1, "name": "Tall", "origin": [0, 0], "modes": [{"width": 1200, "height": 924}]},
    {"id": 2, "name": "Short", "origin": [1200, 0], "modes": [{"width": 800, "height": 324}]}]})";

TEST_F(PanelTest, BudgetFollowsThePointersScreen)
{
    installDesk(kTwoScreens);
    auto& displays = sim::Mac::shared().displays();
    const struct {
        QPointF pointer;
        double budget, screen;
    } cases[] = {
        {{600, 100}, 884, 900},  // on the tall screen
        {{1500, 700}, 320, 300}, // on the short one (bottom-left origin: it spans y 600-924)
        {{-50, -50}, 884, 900},  // off every screen: the main one
    };
    for (const auto& c : cases) {
        displays.setPointer(c.pointer);
        EXPECT_EQ(MenuView::availableHeight(), c.budget) << c.pointer.x();
        EXPECT_EQ(MenuView::screenHeight(), c.screen) << c.pointer.x();
    }
    displays.setOnline(1, false);
    displays.setOnline(2, false);
    EXPECT_EQ(MenuView::availableHeight(), 784);
}

TEST_F(PanelTest, ShortContentFitsExactlyAndTallContentScrollsWithinTheScreen)
{
    installDesk(kTwoScreens);
    sim::Mac::shared().displays().setPointer({600, 100});
    MenuView& view = open();
    ASSERT_LT(view.contentHeight(), 884);
    EXPECT_EQ(view.height(), int(view.contentHeight()));
    EXPECT_FALSE(view.showsScrollBar());
    EXPECT_FALSE(view.scrollBar()->isVisible());
    EXPECT_EQ(view.width(), 360);

    // On the short screen the content no longer fits: the panel keeps to the screen and scrolls.
    sim::Mac::shared().displays().setPointer({1500, 700});
    panel.reset();
    MenuView& shortView = open();
    EXPECT_EQ(shortView.maxHeight(), 320);
    EXPECT_EQ(shortView.height(), 300);
    EXPECT_TRUE(shortView.showsScrollBar());
    EXPECT_TRUE(shortView.scrollBar()->isVisible());
    EXPECT_EQ(shortView.content()->width(), 360) << "the bar lies over the content";
}

TEST_F(PanelTest, ToggleExpandsOneSectionAtATime)
{
    const struct {
        QString before;
        MenuView::Section tapped;
        QString after;
    } cases[] = {
        {"", MenuView::Section::display, "display"},
        {"audio", MenuView::Section::audio, ""},
        {"audio", MenuView::Section::display, "display"},
        {"battery", MenuView::Section::battery, ""},
        {"Display", MenuView::Section::display, "display"}, // another letter case is no section
        {"AUDIO", MenuView::Section::audio, "audio"},
        {"anything", MenuView::Section::battery, "battery"},
    };
    MenuView& view = open();
    for (const auto& c : cases) {
        Prefs::set(MenuView::kSectionKey, c.before);
        view.toggle(c.tapped);
        processEvents();
        EXPECT_EQ(view.panelSection(), c.after) << c.before.toStdString();
        EXPECT_EQ(view.expandedSection(), MenuView::sectionFrom(c.after));
        EXPECT_EQ(view.detail() != nullptr, !c.after.isEmpty()) << c.before.toStdString();
    }
}

TEST_F(PanelTest, TilesChangeTheExpandedSectionAndItsCard)
{
    Prefs::set(MenuView::kSectionKey, "audio");
    MenuView& view = open();
    ASSERT_TRUE(qobject_cast<AudioDetail*>(view.detail()));
    EXPECT_TRUE(view.outputTile()->isActive());
    click(view.displayTile());
    processEvents();
    EXPECT_EQ(Prefs::d().object(MenuView::kSectionKey).toString(), "display");
    EXPECT_TRUE(qobject_cast<DisplayDetail*>(view.detail()));
    EXPECT_TRUE(view.displayTile()->isActive());
    EXPECT_FALSE(view.outputTile()->isActive());
    click(view.displayTile());
    processEvents();
    EXPECT_EQ(Prefs::d().object(MenuView::kSectionKey).toString(), "");
    EXPECT_FALSE(view.detail());

    // The smooth scrolling tile tapped twice: back where it was, written twice.
    const bool smooth = hub->scroll.smoothEnabled();
    click(view.smoothTile());
    EXPECT_EQ(hub->scroll.smoothEnabled(), !smooth);
    EXPECT_EQ(Prefs::d().object("scroll.smooth").toBool(), !smooth);
    click(view.smoothTile());
    EXPECT_EQ(hub->scroll.smoothEnabled(), smooth);
    EXPECT_EQ(Prefs::d().object("scroll.smooth").toBool(), smooth);

    // The KVM tile opens the kvm page of the main window.
    click(view.kvmTile());
    EXPECT_EQ(Router::shared().page(), Router::Page::kvm);
    EXPECT_EQ(opened, QStringList{"main"});
}

// A screen reader finds the scrolling tiles as toggles: named by their title, the state in their
// checked state, and its toggle action flips the setting.
TEST_F(PanelTest, ScrollTilesAreTogglesToAScreenReader)
{
    MenuView& view = open();
    struct Case {
        ScrollTile* tile;
        const char* name;
        std::function<bool()> isOn;
    };
    const Case cases[] = {
        {view.smoothTile(), "Yumuşak kaydırma", [&] { return hub->scroll.smoothEnabled(); }},
        {view.reverseTile(), "Ters yön", [&] { return hub->scroll.reverseEnabled(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(c.tile);
        ASSERT_TRUE(face);
        EXPECT_EQ(face->text(QAccessible::Name), c.name);
        for (int i = 0; i < 2; ++i) {
            const bool was = c.isOn();
            EXPECT_TRUE(face->state().checkable);
            EXPECT_EQ(bool(face->state().checked), was);
            ASSERT_TRUE(face->actionInterface());
            face->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
            processEvents();
            EXPECT_EQ(c.isOn(), !was);
            EXPECT_EQ(bool(face->state().checked), !was);
        }
    }
}

TEST_F(PanelTest, HeaderButtonsRunTheQuickActions)
{
    MenuView& view = open();
    bool blackedOut = false;
    view.actions().blackout = [&] { blackedOut = true; };
    click(view.header()->blackoutButton());
    EXPECT_TRUE(blackedOut);

    click(view.header()->sleepButton());
    sim::power::waitForSleeps();
    EXPECT_EQ(sim::power::sleepRequests(), 1);
    EXPECT_EQ(sim::power::openConnections(), 0) << "the connection is closed again";
    sim::power::setPowerManagementAvailable(false);
    click(view.header()->sleepButton());
    EXPECT_EQ(sim::power::sleepRequests(), 1) << "no connection: nothing happens";

    Router::shared().setPage(Router::Page::battery);
    click(view.header()->overviewButton());
    EXPECT_EQ(Router::shared().page(), Router::Page::overview);
    EXPECT_EQ(opened, QStringList{"main"});
}

TEST_F(PanelTest, MoreMenuListsItsItemsInOrder)
{
    MenuView& view = open();
    LiveMenu* menu = view.header()->moreMenu();
    menu->refill();
    QStringList texts;
    for (QAction* a : menu->actions())
        texts << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(texts, (QStringList{"Genel Bakış", "Ayarlar…", "Ekranı karart", "Şimdi uyut", "Güncellemeleri Denetle…",
                                  "-", "Quendrel'den Çık"}));
    bool quit = false;
    view.actions().quit = [&] { quit = true; };
    menu->actions().at(1)->trigger();
    EXPECT_EQ(Router::shared().page(), Router::Page::general);
    menu->actions().last()->trigger();
    EXPECT_TRUE(quit);
}

TEST_F(PanelTest, PermissionCardShowsWhileTheTapsWait)
{
    MenuView& view = open();
    ASSERT_FALSE(hub->input.isRunning());
    EXPECT_FALSE(view.permissionCard()->isHidden());
    click(view.permissionCard()->openButton());
    EXPECT_FALSE(sim::EventSystem::shared().openedSettings().isEmpty());
}

TEST_F(PanelTest, SliderSymbolsAndCaptions)
{
    const struct {
        double level;
        bool muted;
        QString volume, caption;
    } volume[] = {
        {0.4, false, "speaker.slash.fill", "%0"},  {33.9, false, "speaker.wave.1.fill", "%34"},
        {34, false, "speaker.wave.2.fill", "%34"}, {66.9, false, "speaker.wave.2.fill", "%67"},
        {67, false, "speaker.wave.3.fill", "%67"}, {99.5, false, "speaker.wave.3.fill", "%100"},
        {50, true, "speaker.slash.fill", "Sessiz"},
    };
    for (const auto& c : volume) {
        EXPECT_EQ(MasterVolumeSlider::symbolFor(c.level, c.muted), c.volume) << c.level;
        EXPECT_EQ(panelCaptionValue(c.level, c.muted), c.caption) << c.level;
    }
    EXPECT_EQ(brightnessSymbol(39.9), "sun.min.fill");
    EXPECT_EQ(brightnessSymbol(40), "sun.max.fill");
}

TEST_F(PanelTest, MuteTapAndVolumeRow)
{
    MenuView& view = open();
    PanelVolume* volume = view.sliders()->volume();
    ASSERT_FALSE(volume->volumeRow()->isHidden());
    hub->audio.setMuted(false);
    processEvents();
    const QRect symbol(0, 0, 34, 34);
    QTest::mouseClick(volume->slider(), Qt::LeftButton, {}, symbol.center());
    processEvents();
    EXPECT_TRUE(hub->audio.level().muted());
    EXPECT_EQ(volume->caption()->valueLine()->text(), "Sessiz");
    EXPECT_EQ(volume->slider()->symbol(), "speaker.slash.fill");
}

TEST_F(PanelTest, BrightnessDragWritesTheMonitorAndTheCaptionNamesTheLink)
{
    MenuView& view = open();
    PanelBrightness* brightness = view.sliders()->brightness();
    ASSERT_FALSE(brightness->monitorRow()->isHidden());
    ASSERT_TRUE(hub->display.ddcAvailable());
    EXPECT_FALSE(brightness->sourceMenu()->isHidden());
    ControlSlider* slider = brightness->monitorSlider();
    const int y = slider->height() / 2;
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(slider->width() / 2, y));
    QTest::mouseMove(slider, QPoint(slider->width() * 4 / 5, y));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(slider->width() * 4 / 5, y));
    hub->display.ddcQueue().drain();
    processEvents();
    const auto monitor = sim::Mac::shared().displays().monitor(hub->display.selectedID());
    ASSERT_TRUE(monitor);
    EXPECT_GT(monitor->setCount(0x10), 0);
    EXPECT_NEAR(monitor->vcp(0x10)->value, hub->display.activeBrightness(), 1.0);
    EXPECT_GT(hub->display.activeBrightness(), 60);

    const bool two = hub->display.externals().size() >= 2;
    hub->display.setLinkAll(true);
    processEvents();
    EXPECT_EQ(brightness->monitorCaption()->titleLine()->text(),
              two ? "Parlaklık · tüm monitörler" : "Parlaklık");
    hub->display.setLinkAll(false);
    processEvents();
    EXPECT_EQ(brightness->monitorCaption()->titleLine()->text(), "Parlaklık");
}

TEST_F(PanelTest, DetailsPlaceTheirViews)
{
    Prefs::set(MenuView::kSectionKey, "battery");
    MenuView& view = open();
    ASSERT_TRUE(qobject_cast<BatteryDetail*>(view.detail()));
    EXPECT_TRUE(view.detail()->findChildren<BatteryActionTiles*>().size() == 1);
    for (QWidget* w : view.detail()->findChildren<QWidget*>()) {
        if (auto* t = dynamic_cast<TileLabel*>(w)) {
            EXPECT_NE(t->symbol(), "scope") << "no calibration tile in the panel";
        }
    }

    view.toggle(MenuView::Section::audio);
    processEvents();
    auto* audio = qobject_cast<AudioDetail*>(view.detail());
    ASSERT_TRUE(audio);
    click(audio->moreLink());
    EXPECT_EQ(Router::shared().page(), Router::Page::audio);
    EXPECT_EQ(opened, QStringList{"main"});
    EXPECT_EQ(view.panelSection(), "audio") << "the panel itself does not change";
}

// The desk changes while the panel is closed: the built-in panel's level, the battery's
// charge, a dock's speakers plugged in, Safari starting or stopping its sound. None of these
// reaches the managers before the panel's own re-read does.
void changeDesk(int step)
{
    sim::Mac::shared().displays().setBuiltinBrightness(1, 0.2 + 0.1 * step);
    sim::battery::setPercent(50 + step);
    sim::DeskAudioDevice dock;
    dock.id = uint32_t(70 + step);
    dock.uid = QString("Dock-%1").arg(step);
    dock.name = QString("Dock %1").arg(step);
    dock.output.present = true;
    dock.output.buffers = {2};
    sim::AudioSystem::shared().addDevice(dock);
    sim::AudioSystem::shared().setPlaying(120, step % 2 == 1); // Safari
}

TEST_F(PanelTest, EachOpeningRereadsTheDeskInOrder)
{
    makeHub();
    QObject recorder; // the connections end with the test, before the hub goes
    QStringList order;
    const auto record = [&](auto* manager, auto signal, const char* name) {
        QObject::connect(manager, signal, &recorder, [&order, name] {
            if (order.isEmpty() || order.last() != name) // several changes of one read count once
                order << name;
        });
    };
    record(&hub->display, &DisplayManager::changed, "display");
    record(&hub->audio, &AudioManager::changed, "audio");
    record(&hub->battery, &BatteryManager::changed, "battery");
    record(&hub->appAudio, &AppAudioManager::changed, "appAudio");
    const QStringList once{"display", "audio", "battery", "appAudio"};

    const auto shows = [&](int step) {
        SCOPED_TRACE(step);
        PanelBrightness* brightness = panel->sliders()->brightness();
        EXPECT_EQ(brightness->builtinCaption()->valueLine()->text(), panelCaptionValue(20 + 10 * step, false));
        EXPECT_EQ(panel->batteryTile()->percentText()->text(), BatteryTile::percentLine(50 + step));
        const auto& outputs = hub->audio.outputs();
        EXPECT_TRUE(std::any_of(outputs.begin(), outputs.end(),
                                [&](const AudioDevice& d) { return d.uid == QString("Dock-%1").arg(step); }));
        const auto& apps = hub->appAudio.apps();
        const auto safari = std::find_if(apps.begin(), apps.end(), [](const AudioApp& a) { return a.name == "Safari"; });
        ASSERT_NE(safari, apps.end());
        EXPECT_EQ(safari->isPlaying, step % 2 == 1);
    };

    open();
    panel->hide();
    processEvents();
    order.clear();
    panel->show();
    changeDesk(1);
    processEvents();
    ASSERT_GE(order.size(), 4);
    EXPECT_EQ(order.mid(0, 4), once);
    shows(1);

    // Opened, closed and opened again before the first re-read ran: two re-reads, each in the
    // same order, the second one seeing what changed after the first.
    panel->hide();
    processEvents();
    order.clear();
    panel->show();
    panel->hide();
    panel->show();
    bool changed = false;
    QObject::connect(&hub->appAudio, &AppAudioManager::changed, &recorder, [&] {
        if (!std::exchange(changed, true))
            changeDesk(3);
    });
    changeDesk(2);
    processEvents();
    ASSERT_GE(order.size(), 8) << order.join(", ").toStdString();
    EXPECT_EQ(order.mid(0, 8), once + once) << order.join(", ").toStdString();
    shows(3);
}

TEST_F(PanelTest, KVMTileNamesTheProfileOfTheConnectedMonitor)
{
    makeHub();
    const auto& displays = hub->display.displays();
    const auto monitor = [&](const QString& name) {
        const auto it = std::find_if(displays.begin(), displays.end(), [&](const DisplayInfo& d) { return d.name == name; });
        EXPECT_NE(it, displays.end()) << name.toStdString();
        return it == displays.end() ? DisplayInfo{} : *it;
    };
    const DisplayInfo big = monitor("Lumera 27Q"), small = monitor("Lumera 24F");
    const auto profile = [](const QString& name, const DisplayInfo& d, bool enabled = true) {
        KVMProfile p;
        p.id = QUuid::createUuid();
        p.name = name;
        p.enabled = enabled;
        p.displayKey = d.key;
        p.displayName = d.name;
        return p;
    };
    DisplayInfo gone;
    gone.key = "Ofis-monitörü";
    gone.name = "Ofis";

    const struct {
        const char* name;
        std::vector<KVMProfile> profiles;
        bool automation;
        QString symbol, subtitle;
    } cases[] = {
        {"no profiles", {}, true, "link.badge.plus", "Profil yok"},
        {"a profile for a monitor not connected", {profile("Ofis", gone)}, true, "link.badge.plus", "Ayrık"},
        {"the connected monitor's profile switched off", {profile("Masa", big, false)}, true, "link.badge.plus", "Ayrık"},
        {"the connected monitor's profile", {profile("Masa", big)}, true, "link", "Masa"},
        {"a name of spaces only", {profile("   ", big)}, true, "link", "Lumera 27Q"},
        {"the first enabled match in list order",
         {profile("Kapalı", big, false), profile("Ofis", gone), profile("Ev", small), profile("Masa", big)}, true, "link",
         "Ev"},
        // Switching automation off stops applying profiles; the monitor's profile still shows.
        {"automation switched off", {profile("Masa", big)}, false, "link", "Masa"},
    };
    MenuView& view = open();
    const TileLabel* tile = view.kvmTile(); // the face as drawn (KVMTile::subtitle computes it)
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        hub->automation.setEnabled(c.automation);
        hub->automation.setProfiles(c.profiles);
        processEvents();
        EXPECT_EQ(tile->title(), "KVM");
        EXPECT_EQ(tile->symbol(), c.symbol);
        EXPECT_EQ(tile->subtitle(), c.subtitle);
        EXPECT_EQ(tile->isActive(), c.symbol == "link");
    }

    // The KVM switch takes the monitor away and brings it back: the open panel follows.
    hub->automation.setProfiles({profile("Masa", big)});
    auto& world = sim::Mac::shared().displays();
    for (const bool online : {false, true}) {
        SCOPED_TRACE(online);
        world.setOnline(big.id, online);
        processEvents();
        advance(1.0);
        hub->display.ddcQueue().drain();
        processEvents();
        EXPECT_EQ(tile->subtitle(), online ? "Masa" : "Ayrık");
        EXPECT_EQ(tile->isActive(), online);
    }
}

TEST_F(PanelTest, ARefusedBuiltinBrightnessWriteShowsTheDisplaysLevelAgain)
{
    MenuView& view = open();
    PanelBrightness* brightness = view.sliders()->brightness();
    ASSERT_FALSE(brightness->builtinRow()->isHidden());
    ControlSlider* slider = brightness->builtinSlider();
    auto& world = sim::Mac::shared().displays();
    // The knob goes straight to its value, so what it draws is what it was told.
    Spring::setAnimationsEnabled(false);
    const auto restore = qScopeGuard([] { Spring::setAnimationsEnabled(true); });
    const auto drag = [&](double from, double to) {
        const int y = slider->height() / 2;
        QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(int(slider->width() * from), y));
        QTest::mouseMove(slider, QPoint(int(slider->width() * to), y));
        EXPECT_TRUE(slider->isDragging());
        QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(int(slider->width() * to), y));
        processEvents();
    };

    // Taken: the panel's level moves and the slider stays where it was let go.
    drag(0.5, 0.8);
    const double taken = *world.builtinBrightness(1) * 100;
    EXPECT_GT(taken, 75);
    EXPECT_NEAR(*hub->display.builtinBrightness(), taken, 0.01);
    EXPECT_NEAR(slider->drawnValue(), taken, 0.5);

    // Refused (the set call is gone, the read still works): a drag and a tap both fall back.
    world.removeSymbol("DisplayServicesSetBrightness");
    for (const auto& [from, to] : {std::pair{0.8, 0.2}, std::pair{0.3, 0.3}}) {
        SCOPED_TRACE(to);
        drag(from, to);
        EXPECT_NEAR(*world.builtinBrightness(1) * 100, taken, 0.01);
        EXPECT_NEAR(*hub->display.builtinBrightness(), taken, 0.01);
        EXPECT_FALSE(slider->isDragging());
        EXPECT_NEAR(slider->drawnValue(), taken, 0.5) << "the slider shows the display's level again";
        EXPECT_EQ(brightness->builtinCaption()->valueLine()->text(), panelCaptionValue(taken, false));
    }
}

TEST_F(PanelTest, BatteryTileLines)
{
    const struct {
        int limit;
        QString line;
    } cases[] = {{80, "Sınır %80"}, {100, "Sınır yok"}, {99, "Sınır %99"}};
    EXPECT_EQ(BatteryTile::percentLine(57), "Pil %57");
    for (const auto& c : cases)
        EXPECT_EQ(BatteryTile::limitLine(c.limit), c.line);
}

// Hover hints on the shared clock.
TEST_F(PanelTest, HoverHintsAppearAfterTheDelayAndFollowTheirOwner)
{
    HoverHintModel& model = HoverHintModel::shared();
    const QUuid a = QUuid::createUuid(), b = QUuid::createUuid();
    const QRectF fa(10, 10, 26, 26), fb(50, 10, 26, 26);

    model.hover("A", fa, a);
    advance(0.2);
    EXPECT_FALSE(model.hint()) << "nothing at 0.2 s";
    model.leave(a);
    advance(0.3);
    EXPECT_FALSE(model.hint()) << "left before the delay";

    model.hover("A", fa, a);
    advance(0.35);
    ASSERT_TRUE(model.hint());
    EXPECT_EQ(model.hint()->text, "A");

    // B's enter before A's exit: A's late exit is ignored, A stays until B replaces it.
    model.hover("B", fb, b);
    model.leave(a);
    ASSERT_TRUE(model.hint());
    EXPECT_EQ(model.hint()->text, "A");
    advance(0.35);
    EXPECT_EQ(model.hint()->text, "B");
    EXPECT_EQ(model.hint()->frame, fb);

    // A to B in order: A's exit hides it at once.
    model.leave(b);
    EXPECT_FALSE(model.hint());
    model.hover("A", fa, a);
    advance(0.2);
    model.hover("B", fb, b); // A's pending hint is cancelled
    advance(0.2);
    EXPECT_FALSE(model.hint());
    advance(0.15);
    EXPECT_EQ(model.hint()->text, "B");
    model.leave(b);
}

TEST_F(PanelTest, HintBubbleFadesAndGlidesWithAShortEaseOut)
{
    HoverHintModel& model = HoverHintModel::shared();
    HoverHintLayer layer(model);
    layer.resize(360, 200);
    const QUuid a = QUuid::createUuid(), b = QUuid::createUuid();
    const auto step = [&](int ms) { layer.transition()->setCurrentTime(ms); };

    model.hover("A", {10, 10, 26, 26}, a);
    advance(0.35);
    const QRectF atA = layer.bubbleRect();
    step(0);
    EXPECT_EQ(layer.shownOpacity(), 0) << "fades in";
    EXPECT_EQ(layer.shownRect(), atA) << "where it belongs, without gliding in";
    step(HoverHintLayer::kTransitionMs / 2);
    EXPECT_GT(layer.shownOpacity(), 0.5) << "ease-out: more than half way at half time";
    EXPECT_LT(layer.shownOpacity(), 1);
    step(HoverHintLayer::kTransitionMs);
    EXPECT_EQ(layer.shownOpacity(), 1);

    // B takes over before A's exit: the bubble moves from A to B.
    model.hover("B", {200, 10, 26, 26}, b);
    model.leave(a);
    advance(0.35);
    const QRectF atB = layer.bubbleRect();
    step(0);
    EXPECT_EQ(layer.shownRect().center(), atA.center());
    step(HoverHintLayer::kTransitionMs / 2);
    EXPECT_GT(layer.shownRect().center().x(), atA.center().x());
    EXPECT_LT(layer.shownRect().center().x(), atB.center().x());
    step(HoverHintLayer::kTransitionMs);
    EXPECT_EQ(layer.shownRect(), atB);

    model.leave(b);
    step(0);
    EXPECT_EQ(layer.shownOpacity(), 1) << "fades out";
    EXPECT_EQ(layer.shownText(), "B");
    step(HoverHintLayer::kTransitionMs);
    EXPECT_EQ(layer.shownOpacity(), 0);
    EXPECT_EQ(layer.shownRect(), atB) << "in place";
}

// With no hint, the layer over the whole panel neither animates nor repaints what lies under it.
TEST_F(PanelTest, OpeningThePanelWithNoHintStartsNoAnimation)
{
    ASSERT_TRUE(Spring::animationsEnabled());
    MenuView& view = open();
    auto* layer = view.findChild<HoverHintLayer*>();
    ASSERT_TRUE(layer);
    EXPECT_NE(layer->transition()->state(), QAbstractAnimation::Running);
    EXPECT_EQ(layer->shownOpacity(), 0);

    // A hover withdrawn before its delay shows nothing either.
    const QUuid id = QUuid::createUuid();
    HoverHintModel::shared().hover("A", {10, 10, 26, 26}, id);
    advance(0.2);
    HoverHintModel::shared().leave(id);
    emit HoverHintModel::shared().changed();
    EXPECT_NE(layer->transition()->state(), QAbstractAnimation::Running);
}

TEST_F(PanelTest, ClickOnAHintedButtonHidesTheHintAndStillActs)
{
    MenuView& view = open();
    bool slept = false;
    view.actions().sleep = [&] { slept = true; };
    HeaderIcon* moon = view.header()->sleepButton();
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(moon, &enter);
    advance(0.35);
    ASSERT_TRUE(HoverHintModel::shared().hint());
    EXPECT_EQ(HoverHintModel::shared().hint()->text, "Mac'i şimdi uyut");
    click(moon);
    EXPECT_FALSE(HoverHintModel::shared().hint());
    EXPECT_TRUE(slept);
}

TEST_F(PanelTest, HintBubbleStaysFourPointsInsideThePanel)
{
    const QSizeF size(80, 22);
    const struct {
        QRectF anchor;
        qreal left;
    } cases[] = {
        {{150, 10, 26, 26}, 163 - 40},    // room: centred under the element
        {{326, 10, 26, 26}, 360 - 4 - 80}, // at the right end: shifted left
        {{0, 10, 26, 26}, 4},             // at the left edge
    };
    for (const auto& c : cases) {
        const QRectF r = HoverHintLayer::bubbleRect(c.anchor, size, 360);
        EXPECT_DOUBLE_EQ(r.left(), c.left);
        EXPECT_DOUBLE_EQ(r.top(), c.anchor.bottom() + 6);
    }
    // Wider than the room: the right-hand bound wins.
    EXPECT_DOUBLE_EQ(HoverHintLayer::bubbleRect({0, 0, 10, 10}, {400, 20}, 360).right(), 356);
}

// Each tile's short English title fits the tile at the title's full size.
TEST_F(PanelTest, TileTitlesShowAtFullSizeInEnglish)
{
    Texts::useEnglishForTesting(true);
    const auto turkish = qScopeGuard([] { Texts::useEnglishForTesting(false); });
    const QFont full = TileLabel(QString(), QString(), std::nullopt, false, Tint()).shownTitleFont();
    MenuView& view = open();
    int tiles = 0;
    for (TileLabel* tile : view.findChildren<TileLabel*>()) {
        if (!tile->isVisibleTo(&view))
            continue;
        EXPECT_EQ(tile->shownTitleFont().pixelSize(), full.pixelSize()) << tile->title().toStdString() << " is shrunk";
        ++tiles;
    }
    EXPECT_EQ(tiles, 5) << "display, sound, KVM and the two scrolling tiles";
}

} // namespace
