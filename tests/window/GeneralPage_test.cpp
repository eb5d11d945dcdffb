// The general page on a fresh simulated Mac: the switches end on the state the system
// reports, the appearance and language writes, sleep now, and the showcase mode writing nothing.
#include "WindowTest.h"

#include "app/Prefs.h"
#include "design/Buttons.h"
#include "design/Controls.h"
#include "design/Card.h"
#include "design/Rows.h"
#include "design/Theme.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"
#include "platform/sim/LoginItems.h"
#include "platform/sim/Power.h"
#include "platform/sim/Processes.h"
#include "platform/sim/Session.h"
#include "showcase/Showcase.h"
#include "window/AppearanceCard.h"
#include "window/DockIcon.h"
#include "window/GeneralPage.h"
#include "window/LanguageCard.h"
#include "window/SleepCard.h"

#include "app/Texts.h"
#include "app/Updater.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QImage>
#include <QVBoxLayout>

namespace {

class GeneralPageTest : public WindowTest {
protected:
    void TearDown() override
    {
        Showcase::setEnabledForTesting(std::nullopt);
        WindowTest::TearDown();
    }
    GeneralPage& page()
    {
        return *place(new GeneralPage(*hub, Updater::shared()));
    }
    static void toggle(SwitchRow* row) { click(row->toggle()); }
    static void tap(SegmentedChoiceView* choice, int index)
    {
        click(choice, choice->segmentRect(index).center().toPoint());
    }
    static platform::UserDefaults& defaults() { return platform::UserDefaults::standard(); }
};

TEST_F(GeneralPageTest, LoginItemSwitchEndsOnTheStateTheServiceReports)
{
    const struct {
        const char* name;
        std::function<void()> arrange;
        bool expected;
    } cases[] = {
        {"registered", [] {}, true},
        {"registration fails", [] { sim::loginitems::failNext("Operation not permitted"); }, false},
        {"waits for the user's approval", [] { sim::loginitems::setNeedsApproval(true); }, false},
    };
    startHub();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::loginitems::reset();
        hub->setLaunchAtLogin(false);
        GeneralPage& general = page();
        ASSERT_FALSE(general.loginItemRow()->toggle()->isOn());
        c.arrange();
        toggle(general.loginItemRow());
        EXPECT_EQ(general.loginItemRow()->toggle()->isOn(), c.expected);
        EXPECT_EQ(hub->launchAtLogin(), c.expected);
        views.clear();
    }
}

TEST_F(GeneralPageTest, LoginItemIsAskedOnceAndCached)
{
    startHub();
    EXPECT_FALSE(hub->loginItemEnabled().has_value());
    hub->setLaunchAtLogin(true);
    // A page shown later reads the cache, which the write left at the service's state.
    EXPECT_TRUE(page().loginItemRow()->toggle()->isOn());
}

TEST_F(GeneralPageTest, DockSwitchChangesThePolicyWhileTheWindowIsOpen)
{
    startHub();
    openWindow();
    auto& session = sim::Session::shared();
    GeneralPage& general = page();
    EXPECT_TRUE(general.dockRow()->toggle()->isOn()) << "never written reads as on";
    toggle(general.dockRow());
    EXPECT_EQ(defaults().object(DockIcon::kShowInDockKey), QVariant(false));
    EXPECT_EQ(session.activationPolicy(), platform::windowing::ActivationPolicy::accessory);
    EXPECT_FALSE(general.dockRow()->toggle()->isOn());
    toggle(general.dockRow());
    EXPECT_EQ(session.activationPolicy(), platform::windowing::ActivationPolicy::regular);
}

TEST_F(GeneralPageTest, AppearanceShowsAndWritesTheStoredValues)
{
    startHub();
    auto* card = place(new AppearanceCard);
    auto chosen = [&] {
        QStringList out;
        for (AccentSwatch* s : card->swatches())
            if (s->isChosen())
                out << s->choice().rawValue();
        return out;
    };
    // Nothing stored.
    EXPECT_EQ(chosen(), QStringList{"system"});
    EXPECT_EQ(card->styleChoice()->selected(), (std::vector<bool>{true, false, false}));
    EXPECT_FALSE(card->tintRow()->toggle()->isOn());

    click(card->swatches()[1]);
    EXPECT_EQ(defaults().object(Theme::kAccentKey), QVariant("blue"));
    EXPECT_EQ(chosen(), QStringList{"blue"});
    click(card->swatches()[1], {1, 1}); // a corner is outside the circle
    click(card->swatches()[2], {1, 1});
    EXPECT_EQ(defaults().object(Theme::kAccentKey), QVariant("blue"));
    tap(card->styleChoice(), 2);
    EXPECT_EQ(defaults().object(Theme::kGlassStyleKey), QVariant("solid"));
    processEvents();
    EXPECT_EQ(card->styleChoice()->selected(), (std::vector<bool>{false, false, true}));
    toggle(card->tintRow());
    EXPECT_EQ(defaults().object(Theme::kGlassAccentTintKey), QVariant(true));

    // Values this card never writes mark nothing.
    Theme::setSetting(Theme::kAccentKey, "teal");
    Theme::setSetting(Theme::kGlassStyleKey, "frosted");
    processEvents();
    EXPECT_TRUE(chosen().isEmpty());
    EXPECT_EQ(card->styleChoice()->selected(), (std::vector<bool>{false, false, false}));
}

TEST_F(GeneralPageTest, ShowcaseModeWritesNoSetting)
{
    startHub();
    openWindow();
    Showcase::setEnabledForTesting(true);
    GeneralPage& general = page();
    click(general.appearanceCard()->swatches()[3]);
    tap(general.appearanceCard()->styleChoice(), 1);
    toggle(general.appearanceCard()->tintRow());
    toggle(general.dockRow());
    tap(general.languageCard()->choice(), 2);
    for (const char* key : {Theme::kAccentKey, Theme::kGlassStyleKey, Theme::kGlassAccentTintKey,
                            DockIcon::kShowInDockKey, "AppleLanguages"})
        EXPECT_FALSE(defaults().object(key).isValid()) << key;
}

TEST_F(GeneralPageTest, SleepNowWorksWhateverTheSwitchesSay)
{
    startHub();
    auto* card = place(new SleepCard(hub->sleep));
    ASSERT_TRUE(hub->sleep.preventSleep());
    EXPECT_TRUE(card->keepDisplayOnRow()->isEnabled());
    click(card->sleepButton());
    EXPECT_EQ(sim::power::sleepRequests(), 1) << "keep-awake does not hold back a sleep asked for";
    EXPECT_EQ(sim::power::openConnections(), 0);

    toggle(card->preventSleepRow());
    EXPECT_FALSE(hub->sleep.preventSleep());
    EXPECT_FALSE(card->keepDisplayOnRow()->isEnabled());
    toggle(card->keepDisplayOnRow());
    EXPECT_FALSE(hub->sleep.keepDisplayOn()) << "greyed while keep-awake is off";

    sim::power::setPowerManagementAvailable(false);
    click(card->sleepButton());
    EXPECT_EQ(sim::power::sleepRequests(), 1);
}

TEST_F(GeneralPageTest, LanguageTapStoresAndOffersARestart)
{
    startHub();
    struct Step {
        int segment;
        QVariant stored; // invalid: removed
        bool restart, note;
    };
    const struct {
        const char* name;
        AppLanguage launched;
        std::vector<Step> steps;
        bool noteAtFirst;
    } cases[] = {
        {"launched in Turkish", AppLanguage::tr,
         {{2, QVariantList{"en"}, true, false}, {1, QVariantList{"tr"}, false, false}, {0, QVariant(), true, false}},
         false},
        {"launched on the system's", AppLanguage::system,
         {{2, QVariantList{"en"}, true, false}, {0, QVariant(), false, true}},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AppLanguage(c.launched).apply();
        auto* card = place(new LanguageCard(c.launched));
        int relaunches = 0;
        card->relaunch = [&] { ++relaunches; };
        EXPECT_FALSE(card->restartRow()->isVisible());
        EXPECT_EQ(card->systemNote()->isVisible(), c.noteAtFirst);
        for (const Step& s : c.steps) {
            SCOPED_TRACE(s.segment);
            tap(card->choice(), s.segment);
            EXPECT_EQ(defaults().persistentDomain().value("AppleLanguages"), s.stored);
            EXPECT_EQ(card->restartRow()->isVisible(), s.restart);
            EXPECT_EQ(card->systemNote()->isVisible(), s.note);
        }
        tap(card->choice(), 2);
        click(card->restartButton());
        EXPECT_EQ(relaunches, 1);
        views.clear();
    }
}

// Without an application to open, the shell is only recorded: its command and the bundle's
// path as $0.
TEST_F(GeneralPageTest, RelaunchStartsTheShellThatOpensTheBundle)
{
    AppLanguage::relaunch();
    const auto runs = sim::Processes::shared().runs();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].executable, "/bin/sh");
    EXPECT_EQ(runs[0].arguments, (QStringList{"-c", "sleep 0.8; /usr/bin/open \"$0\"", platform::bundle::mainPath()}));
    EXPECT_EQ(QString(AppLanguage::kRelaunchCommand).size(), 29);
}

// The page in both interface languages, light and dark, for a look at texts that do not fit.
TEST_F(GeneralPageTest, Gallery)
{
    startHub();
    const QString dir = testpaths::buildDir() + "/gallery";
    QDir().mkpath(dir);
    for (bool english : {false, true}) {
        Texts::useEnglishForTesting(english);
        for (bool dark : {false, true}) {
            auto* general = new GeneralPage(*hub, Updater::shared());
            general->setPalette(Theme::appearancePalette(dark));
            general->setAutoFillBackground(true);
            place(general, 980);
            general->resize(980, general->heightForWidth(980) > 0 ? general->heightForWidth(980) : general->sizeHint().height());
            processEvents();
            QImage image(general->size() * 2, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(2);
            general->render(&image);
            EXPECT_TRUE(image.save(dir + QString("/general-page-%1-%2.png").arg(english ? "en" : "tr", dark ? "dark" : "light")));
            views.clear();
        }
    }
    Texts::useEnglishForTesting(false);
}

} // namespace

namespace {

// A card made before it joins a dark window (as pages are) draws its header symbol in the dark
// appearance's secondary colour, not in the light one it was made under.
TEST_F(GeneralPageTest, HeaderSymbolsFollowTheWindowsAppearance)
{
    for (const bool dark : {false, true}) {
        auto* card = new LanguageCard(AppLanguage::system);
        auto* root = new QWidget;
        root->setPalette(Theme::appearancePalette(dark));
        auto* layout = new QVBoxLayout(root);
        layout->addWidget(card);
        place(root);
        const CardHeader* header = card->findChild<CardHeader*>();
        ASSERT_TRUE(header);
        const QImage icon = header->icon()->grab().toImage();
        // The stroke: the pixel that stands out most from the card behind it.
        const int background = icon.pixelColor(0, 0).lightness();
        int stroke = background;
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x) {
                const int l = icon.pixelColor(x, y).lightness();
                if (std::abs(l - background) > std::abs(stroke - background))
                    stroke = l;
            }
        if (dark)
            EXPECT_GT(stroke, background + 60) << "a light grey on the dark card";
        else
            EXPECT_LT(stroke, background - 60) << "a dark grey on the light card";
        views.clear();
    }
}

} // namespace
