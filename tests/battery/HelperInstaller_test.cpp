#include "battery/BatteryManager.h"
#include "battery/HelperClient.h"

#include "app/Texts.h"

#include "platform/Paths.h"
#include "platform/sim/AdminScript.h"
#include "platform/sim/Launchd.h"
#include "shared/HelperConstants.h"
#include "support/SimTest.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>
#include <csignal>
#include <sys/wait.h>

namespace {

QString sv(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
const QString kLabel = sv(HelperConstants::label);

class HelperInstallerTest : public SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        // The bundle's path carries a quote, a double quote and a backslash, all of which must
        // reach the shell as they are.
        bundle = root() + "/Applications/Bob's \"Pelorn\" \\ copy.app";
        qputenv("PELORN_BUNDLE", bundle.toLocal8Bit());
    }
    void TearDown() override
    {
        sim::launchd::reset();
        qunsetenv("PELORN_BUNDLE");
        SimTest::TearDown();
    }
    // A stand-in helper program in the bundle: it runs until it is told to stop.
    void putHelperInBundle(const QByteArray& body = "exec sleep 600")
    {
        const QString path = bundlePath();
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n" + body + "\n");
        f.close();
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner); // cp and chmod make it runnable
    }
    QString bundlePath() const { return bundle + "/Contents/Library/LaunchServices/" + kLabel; }
    static QString installed() { return platform::paths::map(sv(HelperConstants::installPath)); }
    static QString plist() { return platform::paths::map(sv(HelperConstants::plistPath)); }
    // Waits, in real time, for a daemon process other than `other`: the old one's exit is seen
    // only once the event loop has read it, and only then does launchd's restart delay (on the
    // virtual clock) begin.
    static qint64 waitForPid(qint64 other = 0)
    {
        QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired()) {
            const qint64 pid = sim::launchd::pid(kLabel);
            if (pid != 0 && pid != other)
                return pid;
            if (pid == 0)
                advance(sim::launchd::kThrottle);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(5);
        }
        return 0;
    }

    QString bundle;
    HelperClient client;
};

TEST_F(HelperInstallerTest, InstallRunsTheExactCommandLineAndStartsTheDaemon)
{
    putHelperInBundle();
    const auto result = client.install();
    ASSERT_TRUE(result) << result.error().localizedDescription.toStdString();

    ASSERT_EQ(sim::adminscript::commandLines().size(), 1);
    const QString line = sim::adminscript::commandLines().first();
    const QRegularExpression tmp("'([^']*/pelorn-helper-[^/']+/com\\.ostrane\\.pelorn\\.helper\\.plist)'");
    const auto match = tmp.match(line);
    ASSERT_TRUE(match.hasMatch()) << line.toStdString();
    const QString tempPlist = match.captured(1);
    const QString quotedBundle = "'" + root() + "/Applications/Bob'\\''s \"Pelorn\" \\ copy.app/Contents/Library/LaunchServices/"
        + kLabel + "'";
    EXPECT_EQ(line.toStdString(),
              ("/bin/launchctl bootout system/com.ostrane.pelorn.helper 2>/dev/null; true"
              " && /bin/mkdir -p /Library/PrivilegedHelperTools"
              " && /bin/cp " + quotedBundle + " '/Library/PrivilegedHelperTools/com.ostrane.pelorn.helper'"
              " && /usr/sbin/chown root:wheel '/Library/PrivilegedHelperTools/com.ostrane.pelorn.helper'"
              " && /bin/chmod 755 '/Library/PrivilegedHelperTools/com.ostrane.pelorn.helper'"
              " && /usr/bin/xattr -c '/Library/PrivilegedHelperTools/com.ostrane.pelorn.helper'"
              " && /bin/cp '" + tempPlist + "' '/Library/LaunchDaemons/com.ostrane.pelorn.helper.plist'"
              " && /usr/sbin/chown root:wheel '/Library/LaunchDaemons/com.ostrane.pelorn.helper.plist'"
              " && /bin/chmod 644 '/Library/LaunchDaemons/com.ostrane.pelorn.helper.plist'"
              " && /bin/launchctl bootstrap system '/Library/LaunchDaemons/com.ostrane.pelorn.helper.plist'").toStdString());

    // The property list was written in a folder only this user can enter.
    EXPECT_EQ(QFileInfo(QFileInfo(tempPlist).path()).permissions() & (QFileDevice::ReadOther | QFileDevice::ExeOther | QFileDevice::ReadGroup),
              QFileDevice::Permissions());
    QFile p(plist());
    ASSERT_TRUE(p.open(QIODevice::ReadOnly));
    const QString xml = QString::fromUtf8(p.readAll()).remove('\t').remove('\n');
    EXPECT_TRUE(xml.contains("<plist version=\"1.0\"><dict>"));
    EXPECT_TRUE(xml.contains("<key>Label</key><string>com.ostrane.pelorn.helper</string>"));
    EXPECT_TRUE(xml.contains("<key>Program</key><string>/Library/PrivilegedHelperTools/com.ostrane.pelorn.helper</string>"));
    EXPECT_TRUE(xml.contains("<key>MachServices</key><dict><key>com.ostrane.pelorn.helper</key><true/></dict>"));
    EXPECT_TRUE(xml.contains("<key>RunAtLoad</key><true/>"));
    EXPECT_TRUE(xml.contains("<key>KeepAlive</key><true/>"));

    EXPECT_TRUE(QFileInfo(installed()).isExecutable());
    ASSERT_TRUE(sim::launchd::isLoaded(kLabel));
    const qint64 first = waitForPid();
    ASSERT_NE(first, 0);

    // launchd keeps it alive: killed, it comes back a moment later.
    ::kill(pid_t(first), SIGKILL);
    const qint64 second = waitForPid(first);
    EXPECT_NE(second, 0);
    EXPECT_EQ(sim::launchd::launches(kLabel), 2);

    // A reinstall boots the running daemon out first and starts the new program.
    ASSERT_TRUE(client.install());
    const qint64 third = waitForPid(second);
    EXPECT_NE(third, 0);
    EXPECT_NE(::kill(pid_t(second), 0), 0) << "the old daemon was stopped";

    ASSERT_TRUE(client.uninstall());
    EXPECT_FALSE(sim::launchd::isLoaded(kLabel));
    EXPECT_FALSE(QFileInfo::exists(installed()));
    EXPECT_FALSE(QFileInfo::exists(plist()));
    EXPECT_TRUE(client.uninstall()) << "uninstalling nothing succeeds";
}

TEST_F(HelperInstallerTest, FailuresBecomeErrorsOfThePelornDomain)
{
    struct Case {
        const char* name;
        bool helperInBundle;
        std::function<void()> arrange;
        int code;
        QString description;
        int prompts;
    };
    const Case cases[] = {
        {"helper missing from the bundle", false, [] {}, 1, "Uygulama içinde yardımcı bulunamadı", 0},
        {"prompt cancelled", true, [] { sim::adminscript::setPrompt(sim::adminscript::Prompt::cancel); }, 2,
         "Kullanıcı iptal etti.", 1},
        {"a command fails", true, [] { sim::adminscript::setFailingCommand("/usr/bin/xattr"); }, 2,
         "xattr: Operation not permitted", 1},
        {"the script cannot be created", true, [] { sim::adminscript::setCreationFails(true); }, 2,
         "Yetkilendirme başarısız", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::adminscript::reset();
        QFile::remove(bundlePath());
        QFile::remove(installed());
        if (c.helperInBundle)
            putHelperInBundle();
        c.arrange();
        const auto result = client.install();
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().domain, "Pelorn");
        EXPECT_EQ(result.error().code, c.code);
        EXPECT_EQ(result.error().localizedDescription, c.description);
        EXPECT_EQ(sim::adminscript::prompts(), c.prompts);
        EXPECT_FALSE(QFileInfo::exists(plist())) << "the line stops at the failing command";
        EXPECT_FALSE(sim::launchd::isLoaded(kLabel));
    }
}

TEST_F(HelperInstallerTest, FileErrorIsDescribedInTheInterfaceLanguage)
{
    putHelperInBundle();
    // A file where the temporary folder belongs: the property list cannot be written.
    const QString tmp = platform::paths::map("/private/var/folders/pelorn/T");
    QDir(tmp).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(tmp).path()));
    QFile blocker(tmp);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    // The whole sentence is in one language: Qt's English "Not a directory" is not glued in.
    const std::pair<bool, QString> cases[] = {
        {false, "“com.ostrane.pelorn.helper.plist” dosyası kaydedilemedi: yolda klasör yerine bir dosya var"},
        {true, "The file “com.ostrane.pelorn.helper.plist” couldn't be saved: a file stands where a folder "
               "belongs"},
    };
    for (const auto& [english, expected] : cases) {
        Texts::useEnglishForTesting(english);
        const auto result = client.install();
        Texts::useEnglishForTesting(false);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().domain, "NSCocoaErrorDomain");
        EXPECT_EQ(result.error().localizedDescription, expected);
    }
    EXPECT_EQ(sim::adminscript::prompts(), 0);
}

TEST_F(HelperInstallerTest, InstallHelperReportsAndRefreshesOneSecondLater)
{
    BatteryManager manager;
    manager.installHelper();
    EXPECT_EQ(manager.actionError(), "Uygulama içinde yardımcı bulunamadı");

    putHelperInBundle();
    manager.installHelper();
    EXPECT_FALSE(manager.actionError());
    EXPECT_FALSE(manager.helperInstalled());
    advance(1.0);
    EXPECT_TRUE(manager.helperInstalled());
}

} // namespace
