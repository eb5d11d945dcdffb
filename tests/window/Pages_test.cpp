#include "WindowTest.h"

#include "bridge/ChargeLimitBridge.h"
#include "platform/UserDefaults.h"
#include "battery/BatteryManager.h"
#include "battery/FakeHelper.h"
#include "design/Buttons.h"
#include "design/Card.h"
#include "design/Controls.h"
#include "design/LazySection.h"
#include "design/Rows.h"
#include "design/Sliders.h"
#include "display/DisplayManager.h"
#include "display/InputDevicesCard.h"
#include "display/OLEDGuard.h"
#include "platform/DisplayServices.h"
#include "platform/sim/AdminScript.h"
#include "platform/sim/Launchd.h"
#include "window/AudioPage.h"
#include "window/BatteryPage.h"
#include "window/DisplayPage.h"
#include "window/MousePage.h"
#include "window/OLEDSettings.h"
#include "showcase/Showcase.h"

#include <QFileInfo>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>

namespace {

class PagesTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        mcl_reset_for_testing();
    }
    void TearDown() override
    {
        mcl_reset_for_testing();
        sim::launchd::reset();
        sim::adminscript::reset();
        WindowTest::TearDown();
    }
    // The battery page with its lower cards built, as once scrolled to.
    BatteryPage* batteryPage()
    {
        auto* page = place(new BatteryPage(hub->battery), 1000);
        page->lowerCards()->build();
        processEvents();
        return page;
    }
    static void clickSegment(SegmentedChoiceView* choice, int index)
    {
        click(choice, choice->segmentRect(index).center().toPoint());
    }
};

TEST_F(PagesTest, AMonitorWithoutDdcShowsTheMessageAndNoInputCard)
{
    startHub(withoutDdc);
    auto* page = place(new DisplayPage(hub->display, hub->oled), 1100);
    const auto selected = hub->display.selected();
    ASSERT_TRUE(selected && !selected->isBuiltin);
    ASSERT_FALSE(hub->display.ddcAvailable());
    EXPECT_TRUE(page->noDdcMessage()->isVisibleTo(page));
    EXPECT_FALSE(page->contrastSlider()->isVisibleTo(page));
    EXPECT_FALSE(page->volumeSlider()->isVisibleTo(page));
    EXPECT_TRUE(page->reloadButton()->isVisibleTo(page));
    EXPECT_FALSE(page->showsInputCard());
    EXPECT_FALSE(page->inputCard()->isVisibleTo(page));
}

TEST_F(PagesTest, DisplayPageWithDdcAndTheModeRows)
{
    startHub();
    auto* page = place(new DisplayPage(hub->display, hub->oled), 1100);
    ASSERT_TRUE(hub->display.ddcAvailable());
    EXPECT_TRUE(page->contrastSlider()->isVisibleTo(page));
    EXPECT_FALSE(page->noDdcMessage()->isVisibleTo(page));
    EXPECT_TRUE(page->showsInputCard());

    const uint32_t id = hub->display.selected()->id;
    const auto& modes = hub->display.modes();
    ASSERT_GE(modes.size(), 2u);
    const auto target = std::find_if(modes.begin(), modes.end(),
                                     [&](const auto& m) { return m.id != hub->display.currentModeID(); });
    ASSERT_NE(target, modes.end());
    const QString wanted = target->id;
    QWidget* row = page->modeRow(wanted);
    ASSERT_TRUE(row);
    click(row);
    processEvents();
    EXPECT_EQ(DisplayManager::option(platform::displays::currentMode(id)).id, wanted)
        << "the simulated display runs the mode clicked";
    EXPECT_EQ(hub->display.currentModeID(), wanted);
    auto* selectedRow = qobject_cast<SelectableRow*>(page->modeRow(wanted));
    ASSERT_TRUE(selectedRow);
    EXPECT_TRUE(selectedRow->selected());

    struct Symbol {
        int width, pixelWidth;
        const char* symbol;
    };
    for (const Symbol& s : {Symbol{1920, 1920, "rectangle"}, Symbol{1920, 3840, "sparkles"}})
        EXPECT_EQ(DisplayPage::modeSymbol(s.width, s.pixelWidth), s.symbol);
}

TEST_F(PagesTest, BlackoutSettings)
{
    startHub();
    auto* settings = place(new OLEDSettings(hub->oled), 400);
    QStringList titles;
    for (int m : OLEDGuard::idleChoices)
        titles << OLEDSettings::choiceTitle(m);
    EXPECT_EQ(titles, QStringList({"Kapalı", "2 dk", "5 dk", "10 dk", "20 dk"}));

    hub->oled.setIdleMinutes(3); // not one of the choices: none is shown chosen
    processEvents();
    EXPECT_EQ(settings->idleChoice()->selected(), std::vector<bool>(5, false));
    clickSegment(settings->idleChoice(), 2);
    EXPECT_EQ(hub->oled.idleMinutes(), 5);
    EXPECT_TRUE(hub->oled.isChecking());
    clickSegment(settings->idleChoice(), 0);
    EXPECT_EQ(hub->oled.idleMinutes(), 0);
    EXPECT_FALSE(hub->oled.isChecking()) << "Kapalı stops the idle check";
    EXPECT_EQ(settings->idleChoice()->selected()[0], true);

    click(settings->blackoutButton());
    EXPECT_TRUE(hub->oled.isActive()) << "the button blacks out at once";
    hub->oled.deactivate();
    processEvents();
}

TEST_F(PagesTest, AudioOptions)
{
    startHub();
    auto* page = place(new AudioPage(hub->audio, hub->appAudio), 1100);
    AudioOptionsCard* card = page->optionsCard();
    QStringList titles;
    for (const auto& o : AudioOptionsCard::stepOptions())
        titles << o.title;
    EXPECT_EQ(titles, QStringList({"%2", "%5", "%6,25", "%10"}));

    clickSegment(card->stepChoice(), 3);
    EXPECT_EQ(hub->audio.volumeStep(), 10.0);
    EXPECT_EQ(platform::UserDefaults::standard().object("audio.step").toDouble(), 10.0) << "the step is stored";
    EXPECT_EQ(card->stepChoice()->selected(), std::vector<bool>({false, false, false, true}));

    const int redraws = card->redraws();
    for (double v : {10.0, 35.0, 70.0}) {
        hub->audio.setVolume(v);
        processEvents();
    }
    EXPECT_EQ(card->redraws(), redraws) << "the volume moving does not touch the options";
    click(card->mediaKeysRow()->toggle());
    EXPECT_FALSE(hub->audio.mediaKeysEnabled());
    EXPECT_EQ(card->redraws(), redraws + 1);
}

TEST(MousePage, Readouts)
{
    struct Case {
        double step;
        const char* stepText;
        double smoothness;
        const char* smoothnessText;
    };
    for (const Case& c : {Case{90.72, "90 px", 0.915, "%90"}, Case{20, "20 px", 0.6, "%0"},
                          Case{199.9, "199 px", 0.95, "%100"}}) {
        EXPECT_EQ(MousePage::stepText(c.step), c.stepText);
        EXPECT_EQ(MousePage::smoothnessText(c.smoothness), c.smoothnessText);
    }
}

TEST_F(PagesTest, MousePageGreysTheTuningAndAsksForThePermission)
{
    startHub();
    auto* page = place(new MousePage(hub->scroll, *tap), 900);
    EXPECT_EQ(page->permissionCard()->isVisibleTo(page), !tap->isRunning());

    hub->scroll.setSmoothEnabled(false);
    processEvents();
    EXPECT_FALSE(page->tuningCard()->isEnabled());
    const double step = hub->scroll.step();
    QSlider* slider = page->stepSlider()->slider();
    const int y = slider->height() / 2;
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(4, y));
    QTest::mouseMove(slider, QPoint(slider->width() - 4, y));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(slider->width() - 4, y));
    EXPECT_EQ(hub->scroll.step(), step) << "a disabled card ignores drags";

    hub->scroll.setSmoothEnabled(true);
    processEvents();
    EXPECT_TRUE(page->tuningCard()->isEnabled());
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(slider->width() - 2, y));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(slider->width() - 2, y));
    processEvents();
    EXPECT_GT(hub->scroll.step(), step);
    EXPECT_EQ(page->stepSlider()->readout(), MousePage::stepText(hub->scroll.step()));
}

TEST_F(PagesTest, AnOutdatedHelperOffersUpdateAndRemove)
{
    ASSERT_TRUE(installHelperProgram());
    FakeHelper helper(1);
    startHub();
    hub->battery.refresh();
    ASSERT_TRUE(waitUntil([&] { processEvents(); return hub->battery.helperOutdated(); }));
    auto* page = batteryPage();
    ASSERT_TRUE(page->helperChip());
    EXPECT_EQ(page->helperChip()->text(), "Eski");
    EXPECT_TRUE(page->updateButton()->isVisibleTo(page));
    EXPECT_TRUE(page->removeButton()->isVisibleTo(page));
    EXPECT_FALSE(page->installButton()->isVisibleTo(page));
}

TEST_F(PagesTest, RemovingTheHelperDuringACalibrationRestoresTheLimit)
{
    ASSERT_TRUE(installHelperProgram());
    FakeHelper helper(2);
    startHub();
    ASSERT_TRUE(hub->battery.setLimit(80));
    hub->battery.startCalibration();
    ASSERT_TRUE(hub->battery.calibration());
    ASSERT_EQ(hub->battery.limit(), 100);
    auto* page = batteryPage();
    EXPECT_TRUE(page->calibrationLine()->isVisibleTo(page));

    click(page->removeButton());
    EXPECT_FALSE(hub->battery.calibration());
    EXPECT_EQ(hub->battery.limit(), 80) << "the limit saved by the calibration is back";
    EXPECT_FALSE(QFileInfo::exists(platform::paths::map(sv(HelperConstants::installPath))));
    ASSERT_TRUE(waitUntil([&] { processEvents(); return !hub->battery.helperInstalled(); }));
    EXPECT_FALSE(page->helperChip());
    EXPECT_TRUE(page->installButton()->isVisibleTo(page));
    EXPECT_FALSE(page->calibrationLine()->isVisibleTo(page));
}

TEST_F(PagesTest, TheBatteryPagesLowerCardsAreBuiltWhenTheyComeIntoView)
{
    ASSERT_TRUE(installHelperProgram());
    FakeHelper helper(1);
    startHub();
    hub->battery.refresh();
    ASSERT_TRUE(waitUntil([&] { processEvents(); return hub->battery.helperOutdated(); }));
    // The whole page fits the window at its smallest; a short scroll area puts the cards below
    // the fold.
    auto* area = new QScrollArea;
    views.emplace_back(area);
    area->setWidgetResizable(true);
    auto* page = new BatteryPage(hub->battery);
    area->setWidget(page);
    area->resize(1000, 300);
    area->show();
    area->repaint();
    processEvents();
    EXPECT_FALSE(page->lowerCards()->content()) << "out of view, not built";
    EXPECT_FALSE(page->installButton());
    EXPECT_FALSE(page->helperChip());
    EXPECT_GT(page->lowerCards()->height(), 100) << "it holds the room the cards will take";
    QScrollBar* bar = area->verticalScrollBar();

    bar->setValue(bar->maximum());
    area->repaint();
    processEvents();
    ASSERT_TRUE(page->lowerCards()->content()) << "built once it shows";
    // Built with what the battery already knew: the helper is outdated.
    ASSERT_TRUE(page->helperChip());
    EXPECT_EQ(page->helperChip()->text(), "Eski");
    EXPECT_TRUE(page->updateButton()->isVisibleTo(page));
    EXPECT_FALSE(page->installButton()->isVisibleTo(page));
}

TEST_F(PagesTest, AFailingRemovalShowsTheActionError)
{
    ASSERT_TRUE(installHelperProgram());
    FakeHelper helper(2);
    startHub();
    auto* page = batteryPage();
    sim::adminscript::setPrompt(sim::adminscript::Prompt::cancel);
    click(page->removeButton());
    EXPECT_EQ(hub->battery.actionError(), "Kullanıcı iptal etti.") << "the system's words, in the interface language";
    EXPECT_TRUE(QFileInfo::exists(platform::paths::map(sv(HelperConstants::installPath))));
}

} // namespace

namespace {

TEST_F(PagesTest, TheBlackoutSettingsMarkTheirFrameOnlyInTheShowcase)
{
    startHub();
    Showcase::anchors().clear();
    place(new OLEDSettings(hub->oled), 400);
    EXPECT_FALSE(Showcase::anchors().contains("oled")) << "outside the showcase nothing is observed";

    Showcase::setEnabledForTesting(true);
    auto* holder = place(new QWidget, 600);
    auto* middle = new QWidget(holder);
    auto* settings = new OLEDSettings(hub->oled, middle);
    settings->setGeometry(10, 20, 300, 200);
    middle->setGeometry(5, 5, 500, 400);
    middle->show();
    processEvents();
    EXPECT_EQ(Showcase::anchors().value("oled"), QRectF(15, 25, 300, 200));
    middle->move(40, 50); // an ancestor moves: the frame in the window follows
    processEvents();
    EXPECT_EQ(Showcase::anchors().value("oled"), QRectF(50, 70, 300, 200));
    Showcase::setEnabledForTesting(std::nullopt);
    Showcase::anchors().clear();
}

} // namespace
