#include "app/Updater.h"
#include "app/Texts.h"
#include "app/UpdatesCard.h"

#include "design/Rows.h"
#include "design/TextLine.h"
#include "platform/RunningApps.h"
#include "platform/UserDefaults.h"
#include "platform/sim/Session.h"
#include "platform/sim/Updates.h"
#include "showcase/Showcase.h"
#include "support/SimTest.h"

#include <QDialog>
#include <QPushButton>
#include <QTest>

namespace {

class UpdaterTest : public SimTest {
protected:
    void TearDown() override
    {
        card.reset();
        updater.reset();
        Texts::useEnglishForTesting(false);
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
        {"no feed", std::nullopt, "Güncelleme hatası! Güncelleme bilgileri alınırken bir hata oluştu."},
        {"a newer version", QString("12"), "Yeni bir sürüm var: 1.2."},
        {"the installed version", QString("1"), "Güncelsiniz! Bu, şu anki en yeni sürüm."},
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
        EXPECT_EQ(fw.windowTexts(), QStringList({"Güncellemeler denetleniyor…", c.result})) << c.what;
        EXPECT_FALSE(updater->canCheck());
        fw.dismiss();
        processEvents();
        EXPECT_TRUE(updater->canCheck());
        EXPECT_TRUE(card->checkButton()->isEnabled());
    }
}

TEST_F(UpdaterTest, TheFrameworksWindowClosesByItsButtonEscapeOrTheTitleBarAndTheCheckCanRunAgain)
{
    struct Case {
        const char* what;
        bool waitForResult;
        std::function<void(QDialog*)> close;
        QString button;
    };
    const auto clickButton = [](QDialog* w) { QTest::mouseClick(w->findChild<QPushButton*>(), Qt::LeftButton); };
    const Case cases[] = {
        {"its button", true, clickButton, "Tamam"},
        {"Escape", true, [](QDialog* w) { QTest::keyClick(w, Qt::Key_Escape); }, "Tamam"},
        {"Return", true, [](QDialog* w) { QTest::keyClick(w, Qt::Key_Return); }, "Tamam"},
        {"the title bar", true, [](QDialog* w) { w->close(); }, "Tamam"},
        {"cancelled while checking", false, clickButton, "Vazgeç"},
    };
    fw.writeFeed("1", "1.0");
    make();
    for (const Case& c : cases) {
        click(card->checkButton());
        if (c.waitForResult)
            advance(sim::Updates::kFeedDelay);
        QDialog* window = fw.window();
        ASSERT_TRUE(window && window->isVisible()) << c.what;
        EXPECT_EQ(window->findChild<QPushButton*>()->text(), c.button) << c.what;
        EXPECT_FALSE(card->checkButton()->isEnabled()) << c.what;
        c.close(window);
        processEvents();
        EXPECT_FALSE(window->isVisible()) << c.what;
        EXPECT_TRUE(card->checkButton()->isEnabled()) << c.what << ": the check button is back";
        advance(sim::Updates::kFeedDelay);
        EXPECT_FALSE(window->isVisible()) << c.what << ": a cancelled check shows no result later";
    }
    EXPECT_EQ(fw.userChecks(), 5);
}

TEST_F(UpdaterTest, TheFrameworksWindowSpeaksTheInterfaceLanguage)
{
    Texts::useEnglishForTesting(true);
    // The framework's window speaks the process's preferred language, as a launch in English sets it.
    auto& defaults = platform::UserDefaults::standard();
    defaults.setVolatileDomain({{"AppleLanguages", QStringList{"en"}}}, platform::UserDefaults::kArgumentDomain);
    make();
    click(card->checkButton());
    advance(sim::Updates::kFeedDelay);
    ASSERT_TRUE(fw.window());
    EXPECT_EQ(fw.windowTexts().last(), "Update error! An error occurred while retrieving update information.");
    EXPECT_EQ(fw.window()->findChild<QPushButton*>()->text(), "OK");
    EXPECT_EQ(fw.window()->windowTitle(), "Software Update");
    defaults.removeVolatileDomain(platform::UserDefaults::kArgumentDomain);
    Texts::useEnglishForTesting(false);
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
