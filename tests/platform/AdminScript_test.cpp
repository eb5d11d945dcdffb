#include "platform/AdminScript.h"
#include "platform/Bundle.h"
#include "platform/Paths.h"
#include "platform/sim/AdminPrompt.h"
#include "platform/sim/AdminScript.h"
#include "support/SimTest.h"
#include "support/TestPaths.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

class AdminScriptTest : public SimTest {
protected:
    // Runs a script that makes a folder as root; `answer` acts on the dialog once it is open.
    bool runScript(std::function<void(QDialog*)> answer, QVariantMap* error, bool* asked)
    {
        *asked = false;
        QTimer::singleShot(0, [&] {
            QDialog* dialog = sim::adminprompt::current();
            *asked = dialog && dialog->isVisible();
            if (dialog)
                answer(dialog);
        });
        const auto script = platform::applescript::create(
            "do shell script \"/bin/mkdir -p /Library/Made\" with administrator privileges");
        EXPECT_TRUE(script);
        const bool ok = script && script->execute(error);
        processEvents(); // a dialog that never opened: the check runs while its locals live
        return ok;
    }
    bool made() const { return QFileInfo(platform::paths::map("/Library/Made")).isDir(); }
    QByteArray deskWith(const char* answer) const
    {
        QByteArray json = sim::Desk::defaultJson();
        json.insert(json.indexOf('{') + 1, QByteArray("\"adminPrompt\": \"") + answer + "\",");
        return json;
    }
};

TEST_F(AdminScriptTest, ThePersonAllowsOrCancelsInTheDialog)
{
    struct Case {
        const char* what;
        std::function<void(QDialog*)> answer;
        bool allowed;
    };
    const auto click = [](const char* button) {
        return [button](QDialog* d) { QTest::mouseClick(d->findChild<QPushButton*>(button), Qt::LeftButton); };
    };
    const Case cases[] = {
        {"allow", click("allow"), true},
        {"cancel", click("cancel"), false},
        {"Escape", [](QDialog* d) { QTest::keyClick(d, Qt::Key_Escape); }, false},
        {"its close control", [](QDialog* d) { QTest::mouseClick(d->findChild<QAbstractButton*>("close"), Qt::LeftButton); }, false},
        {"Return takes the default", [](QDialog* d) { QTest::keyClick(d, Qt::Key_Return); }, true},
    };
    for (const Case& c : cases) {
        installDesk(deskWith("ask"));
        QDir(platform::paths::map("/Library/Made")).removeRecursively();
        QVariantMap error;
        bool asked = false;
        EXPECT_EQ(runScript(c.answer, &error, &asked), c.allowed) << c.what;
        EXPECT_TRUE(asked) << c.what;
        EXPECT_EQ(made(), c.allowed) << c.what << ": the command runs only when allowed";
        EXPECT_EQ(sim::adminscript::prompts(), 1) << c.what;
        if (!c.allowed) {
            EXPECT_EQ(error.value(platform::applescript::kErrorNumber), qlonglong(-128)) << c.what;
            EXPECT_EQ(error.value(platform::applescript::kErrorMessage), "User canceled.") << c.what;
        }
        EXPECT_FALSE(sim::adminprompt::current()) << c.what;
    }
}

TEST_F(AdminScriptTest, ADeskAnswersWithoutAskingAndABadAnswerIsRefused)
{
    for (const auto& [answer, allowed] : {std::pair{"allow", true}, std::pair{"deny", false}}) {
        installDesk(deskWith(answer));
        QDir(platform::paths::map("/Library/Made")).removeRecursively();
        QVariantMap error;
        bool asked = true;
        EXPECT_EQ(runScript([](QDialog* d) { d->accept(); }, &error, &asked), allowed) << answer;
        EXPECT_FALSE(asked) << answer << ": no dialog";
        EXPECT_EQ(made(), allowed) << answer;
    }
    EXPECT_EQ(sim::Desk::parse(deskWith("ask")).value().adminPrompt, sim::adminscript::Prompt::ask);
    EXPECT_EQ(sim::Desk::parse(sim::Desk::defaultJson()).value().adminPrompt, sim::adminscript::Prompt::ask)
        << "a person is asked unless the desk says";
    const auto bad = sim::Desk::parse(deskWith("yes"));
    ASSERT_FALSE(bad.ok());
    EXPECT_EQ(bad.error().text(), "adminPrompt: expected ask, allow or deny");
}

TEST_F(AdminScriptTest, TheBundleIsTheOneAProgramSitsInOrBeside)
{
    const QString base = root() + "/programs";
    QDir().mkpath(base + "/Y.app/Contents/MacOS");
    QDir().mkpath(base + "/built/Pelorn.app");
    QDir().mkpath(base + "/bare");
    EXPECT_EQ(sim::bundle::of(base + "/Y.app/Contents/MacOS/Pelorn"), base + "/Y.app");
    EXPECT_EQ(sim::bundle::of(base + "/built/Pelorn"), base + "/built/Pelorn.app");
    EXPECT_EQ(sim::bundle::of(base + "/bare/Pelorn"), platform::paths::map("/Applications/Pelorn.app"));
}

TEST_F(AdminScriptTest, TheRootShellReachesTheApplicationsBundleOutsideTheSimRootAndNothingElseThere)
{
    QTemporaryDir outside;
    ASSERT_TRUE(outside.isValid());
    const QString bundle = outside.path() + "/Pelorn.app";
    ASSERT_TRUE(QDir().mkpath(bundle + "/Contents"));
    for (const QString& path : {bundle + "/Contents/tool", outside.path() + "/other"}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    qputenv("PELORN_BUNDLE", bundle.toLocal8Bit());
    QString error;
    EXPECT_EQ(sim::adminscript::runShell("/bin/mkdir -p /Library/Tools && /bin/cp '" + bundle + "/Contents/tool' /Library/Tools/tool", &error), 0)
        << error.toStdString();
    EXPECT_TRUE(QFileInfo(platform::paths::map("/Library/Tools/tool")).isFile());
    EXPECT_EQ(sim::adminscript::runShell("/bin/cp '" + outside.path() + "/other' /Library/Tools/other", &error), 1)
        << "any other path is the simulated Mac's";
    EXPECT_FALSE(QFileInfo::exists(platform::paths::map("/Library/Tools/other")));
    qunsetenv("PELORN_BUNDLE");
}

TEST_F(AdminScriptTest, TheBuildPutsTheSignedHelperInTheApplicationsBundle)
{
    const QString built = testpaths::buildDir() + "/src/PelornHelper";
    const QString bundled =
        sim::bundle::of(testpaths::buildDir() + "/src/Pelorn") + "/Contents/Library/LaunchServices/com.ostrane.pelorn.helper";
    QFile a(built), b(bundled);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly)) << built.toStdString();
    ASSERT_TRUE(b.open(QIODevice::ReadOnly)) << bundled.toStdString();
    EXPECT_TRUE(a.readAll() == b.readAll()) << "the bundle holds the helper as built and signed";
}

} // namespace
