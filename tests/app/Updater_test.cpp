#include "app/Updater.h"
#include "app/UpdatesCard.h"

#include "design/Rows.h"
#include "design/TextLine.h"
#include "platform/RunningApps.h"
#include "platform/UserDefaults.h"
#include "platform/sim/Session.h"
#include "platform/sim/Updates.h"
#include "showcase/Showcase.h"
#include "support/SimTest.h"

#include <QPushButton>
#include <QTest>

namespace {

class UpdaterTest : public SimTest {
protected:
    void TearDown() override
    {
        card.reset();
        updater.reset();
        SimTest::TearDown();
    }
    void make()
    {
        updater = std::make_unique<Updater>();
        card = std::make_unique<UpdatesCard>(*updater);
        card->resize(420, 160);
        card->show();
        processEvents();
    }
    void click(QWidget* w)
    {
        QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
        processEvents();
    }
    sim::Updates& fw = sim::Updates::shared();
    std::unique_ptr<Updater> updater;
    std::unique_ptr<UpdatesCard> card;
};

TEST_F(UpdaterTest, ACheckFromTheCardRunsOnceWithTheFrameworksWindows)
{
    struct Case {
        const char* what;
        std::optional<QString> feedVersion;
        QString result;
    };
    const Case cases[] = {
        {"no feed", std::nullopt, "Update Error! An error occurred in retrieving update information."},
        {"a newer version", QString("12"), "A new version is available: 1.2. Install it now?"},
        {"the installed version", QString("1"), "You’re up to date!"},
    };
    for (const Case& c : cases) {
        installDesk(sim::Desk::defaultJson());
        card.reset();
        updater.reset();
        if (c.feedVersion)
            fw.writeFeed(*c.feedVersion, "1.2");
        make();
        ASSERT_TRUE(updater->canCheck()) << c.what;
        ASSERT_TRUE(card->checkButton()->isEnabled());

        sim::Session::shared().setFrontmost(610);
        click(card->checkButton());
        EXPECT_EQ(sim::Session::shared().frontmost(), platform::apps::currentProcessID()) << "activated first";
        EXPECT_FALSE(updater->canCheck());
        EXPECT_FALSE(card->checkButton()->isEnabled()) << "no second check while one runs";
        click(card->checkButton());
        updater->checkForUpdates();
        EXPECT_EQ(fw.userChecks(), 1);

        advance(sim::Updates::kFeedDelay);
        EXPECT_EQ(fw.windowTexts(), QStringList({"Checking for updates…", c.result})) << c.what;
        EXPECT_FALSE(updater->canCheck());
        fw.dismiss();
        processEvents();
        EXPECT_TRUE(updater->canCheck());
        EXPECT_TRUE(card->checkButton()->isEnabled());
    }
}

TEST_F(UpdaterTest, DailyChecksFollowTheSwitchAndRemindGently)
{
    fw.writeFeed("12", "1.2");
    make();
    EXPECT_TRUE(updater->automaticallyChecks()) << "the bundle opts in";
    advance(sim::Updates::kCheckInterval);
    EXPECT_EQ(fw.scheduledChecks(), 1);
    EXPECT_EQ(fw.gentleReminders(), 1);
    EXPECT_TRUE(fw.windowTexts().isEmpty()) << "a scheduled find does not push a window";
    EXPECT_TRUE(updater->canCheck());

    click(card->automaticRow()->toggle());
    EXPECT_FALSE(updater->automaticallyChecks());
    EXPECT_FALSE(card->automaticRow()->toggle()->isOn()) << "the card shows the new state at once";
    EXPECT_EQ(platform::UserDefaults::standard().object("SUEnableAutomaticChecks"), QVariant(false));
    advance(2 * sim::Updates::kCheckInterval);
    EXPECT_EQ(fw.scheduledChecks(), 1);
}

TEST_F(UpdaterTest, InTheShowcaseModeTheUpdaterNeverStarts)
{
    Showcase::setEnabledForTesting(true);
    fw.writeFeed("12", "1.2");
    make();
    ASSERT_TRUE(updater->controller());
    EXPECT_FALSE(updater->canCheck());
    EXPECT_FALSE(card->checkButton()->isEnabled());
    updater->checkForUpdates();
    advance(2 * sim::Updates::kCheckInterval);
    EXPECT_EQ(fw.userChecks() + fw.scheduledChecks(), 0);
}

TEST_F(UpdaterTest, VersionFooterShowsTheBundlesVersionsAbsentOnesEmpty)
{
    make();
    EXPECT_EQ(card->versionLine()->text(), "Sürüm 1.0 (1)");
    fw.setInfo("CFBundleShortVersionString", "2.3");
    fw.setInfo("CFBundleVersion", std::nullopt);
    EXPECT_EQ(UpdatesCard::versionText(), "Sürüm 2.3 ()");
}

} // namespace
