// Start-up time, resident memory and idle wake-ups of the whole application on the default desk.
//
//   Startup_bench [--runs N] [--idle-seconds S] [--pelorn PATH]
//
// 1. The Pelorn program, N fresh starts (each on its own empty sim root, on the display platform
//    this harness was started with; under Xvfb with a system tray the icon is real): the time from
//    starting the process to its "running" log line, written on the first turn of its event loop
//    once the menu-bar icon is shown (or, with no status area, the window). Of the last start:
//    the resident memory 2 s after that line, and the main thread's voluntary context switches
//    over S seconds of idling: an upper bound of its wake-ups (the kernel also counts a sleep it
//    ends and begins again without returning to the program); then, over another S seconds, its
//    system calls (strace) and how many of them replace or sync a file.
// 2. In a child of this harness (real clock, offscreen, input access granted): the application
//    assembled as its entry assembles it; over S seconds of idling, the main event loop's
//    wake-ups and every timer firing by interval, which says who woke it.
// 3. In another child (virtual clock): the same application, its resident memory after start and
//    after one hour of simulated time, with the timer firings of that hour by interval.
#include "SystemCallTrace.h"
#include "app/AppDelegate.h"
#include "app/Hub.h"
#include "panel/MenuBarLabel.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "platform/sim/Desk.h"
#include "platform/sim/EventSystem.h"
#include "platform/sim/Mac.h"
#include "showcase/Showcase.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// One field of a /proc status file, as text; empty when it cannot be read.
QByteArray statusField(const QString& path, const QByteArray& key)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed();
    return {};
}

double residentMB(qint64 pid)
{
    const QByteArray kB = statusField(QString("/proc/%1/status").arg(pid), "VmRSS").split(' ').value(0);
    return kB.isEmpty() ? -1 : kB.toDouble() / 1024.0;
}

long voluntarySwitches(qint64 pid)
{
    const QByteArray n = statusField(QString("/proc/%1/task/%1/status").arg(pid), "voluntary_ctxt_switches");
    return n.isEmpty() ? -1 : n.toLong();
}

// The system calls of a running process over `seconds`, traced with strace (its threads too):
// all of them, the main thread's, and the file rewrites (renames of saved files, syncs) among them.
void printSystemCalls(qint64 pid, double seconds)
{
    QString why;
    const auto calls = traceSystemCalls(pid, seconds, &why);
    if (!calls) {
        std::printf("    system calls: %s\n", qPrintable(why));
        return;
    }
    long all = 0, main = 0, renames = 0, syncs = 0;
    const QByteArray mainPid = QByteArray::number(pid) + ' ';
    for (const QByteArray& line : *calls) {
        ++all;
        main += line.startsWith(mainPid);
        renames += line.contains(" rename");
        syncs += line.contains("fsync(") || line.contains("fdatasync(");
    }
    const double minutes = seconds / 60.0;
    std::printf("    system calls in %.0f s idle: %.1f per minute (main thread %.1f), files replaced %.1f per minute, "
                "syncs %.1f per minute\n",
                seconds, all / minutes, main / minutes, renames / minutes, syncs / minutes);
}

void printFirings(const std::map<double, int>& firings, double minutes)
{
    int total = 0;
    for (const auto& [interval, count] : firings) {
        std::printf("    timer every %7.2f s: %6d firings, %7.1f per minute\n", interval, count, count / minutes);
        total += count;
    }
    std::printf("    all timers: %.1f firings per minute\n", total / minutes);
}

// The application as its entry assembles it, on a fresh sim root with the default desk.
struct App {
    QTemporaryDir root;
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<MenuBarLabel> label;

    App()
    {
        platform::paths::setSimRoot(root.path());
        platform::UserDefaults::standard().reload();
        platform::log::setQuiet(true);
        sim::Mac::shared().install(sim::Desk::parse(sim::Desk::defaultJson()).value());
        sim::EventSystem::shared().setTrusted(true); // the user has allowed input access
        Showcase::prepareDefaults();
        delegate = std::make_unique<AppDelegate>();
        label = std::make_unique<MenuBarLabel>(Hub::shared());
        delegate->applicationDidFinishLaunching();
    }
};

int idleChild(double seconds)
{
    App app;
    auto runFor = [](double ms) {
        QEventLoop loop;
        QTimer::singleShot(int(ms), &loop, &QEventLoop::quit);
        loop.exec();
    };
    runFor(5000);

    int wakes = 0;
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, [&] { ++wakes; });
    platform::clock::testing::resetFirings();
    const long switchesBefore = voluntarySwitches(QCoreApplication::applicationPid());
    QElapsedTimer idle;
    idle.start();
    runFor(seconds * 1000); // one of the wake-ups is this harness's own end of the wait
    const double minutes = idle.elapsed() / 60000.0;
    std::printf("2. In-process, real clock, input access granted, %.0f s idle after a 5 s settle:\n", seconds);
    std::printf("    main event loop woke %d times: %.1f per minute\n", wakes, wakes / minutes);
    std::printf("    main thread's voluntary context switches: %.1f per minute (an upper bound)\n",
                (voluntarySwitches(QCoreApplication::applicationPid()) - switchesBefore) / minutes);
    printFirings(platform::clock::testing::firings(), minutes);
    return 0;
}

int hourChild()
{
    platform::clock::testing::useVirtual();
    App app;
    auto settle = [] {
        for (int i = 0; i < 10; ++i)
            QCoreApplication::processEvents();
    };
    for (int i = 0; i < 20; ++i) { // the first DDC reads and device look-ups
        settle();
        platform::clock::testing::advance(0.25);
    }
    settle();
    const double atStart = residentMB(QCoreApplication::applicationPid());
    platform::clock::testing::resetFirings();
    QElapsedTimer took;
    took.start();
    for (int step = 0; step < 3600 * 4; ++step) {
        platform::clock::testing::advance(0.25);
        settle();
    }
    const double afterHour = residentMB(QCoreApplication::applicationPid());
    std::printf("3. In-process, one hour of simulated time (%.1f s of real time):\n", took.elapsed() / 1000.0);
    std::printf("    resident memory after start %.1f MB, after the hour %.1f MB (%+.1f MB)\n", atStart, afterHour,
                afterHour - atStart);
    printFirings(platform::clock::testing::firings(), 60);
    std::fflush(stdout);
    app.root.remove();
    std::_Exit(0); // the hub lives to the end of the process, as in the application
}

int runChild(const QStringList& arguments)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    child.waitForFinished(-1);
    return child.exitCode();
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<char*> args(argv, argv + argc);
    char platformFlag[] = "-platform", offscreen[] = "offscreen";
    args.insert(args.begin() + 1, {platformFlag, offscreen}); // this harness only; Pelorn inherits the caller's
    int qtArgc = int(args.size());
    QApplication qt(qtArgc, args.data());

    int runs = 10;
    double idleSeconds = 60;
    QString pelorn = QFileInfo(QCoreApplication::applicationDirPath() + "/../src/Pelorn").absoluteFilePath();
    const QStringList a = QCoreApplication::arguments();
    for (int i = 1; i < a.size(); ++i) {
        if (a[i] == "--idle-child")
            return idleChild(a.value(i + 1).toDouble());
        if (a[i] == "--hour-child")
            return hourChild();
        if (a[i] == "--runs")
            runs = std::max(1, a.value(++i).toInt());
        else if (a[i] == "--idle-seconds")
            idleSeconds = std::max(1.0, a.value(++i).toDouble());
        else if (a[i] == "--pelorn")
            pelorn = a.value(++i);
    }

    std::printf("1. %d starts of %s (display platform: %s)\n", runs, qPrintable(pelorn),
                qEnvironmentVariableIsSet("QT_QPA_PLATFORM") ? qPrintable(qEnvironmentVariable("QT_QPA_PLATFORM"))
                                                             : "the default");
    std::vector<double> times;
    QString shown;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir root;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PELORN_SIM_ROOT", root.path());
        QProcess app;
        app.setProcessEnvironment(env);
        app.setProcessChannelMode(QProcess::MergedChannels);
        QElapsedTimer elapsed;
        elapsed.start();
        app.start(pelorn, {});
        QByteArray output;
        while (!output.contains("Pelorn: running") && app.state() != QProcess::NotRunning && elapsed.elapsed() < 20000) {
            app.waitForReadyRead(1);
            output += app.readAll();
        }
        const double ms = elapsed.nsecsElapsed() / 1e6;
        if (!output.contains("Pelorn: running")) {
            std::printf("    start %d: no running line\n%s\n", run + 1, output.constData());
            return 1;
        }
        times.push_back(ms);
        shown = output.contains("menu-bar icon shown") ? "menu-bar icon" : "main window (no status area)";
        if (run + 1 == runs) {
            QThread::msleep(2000);
            const double rss = residentMB(app.processId());
            const long before = voluntarySwitches(app.processId());
            QThread::msleep(qint64(idleSeconds * 1000));
            const long after = voluntarySwitches(app.processId());
            std::printf("    resident memory 2 s after start: %.1f MB\n", rss);
            std::printf("    main thread's voluntary context switches in %.0f s idle: %ld, %.1f per minute\n", idleSeconds,
                        after - before, (after - before) * 60.0 / idleSeconds);
            printSystemCalls(app.processId(), idleSeconds);
        }
        app.kill();
        app.waitForFinished(5000);
    }
    std::sort(times.begin(), times.end());
    std::printf("    time to the %s: median %.0f ms, min %.0f ms, max %.0f ms\n", qPrintable(shown),
                times[times.size() / 2], times.front(), times.back());
    std::fflush(stdout);

    runChild({"--idle-child", QString::number(idleSeconds)});
    return runChild({"--hour-child"});
}
