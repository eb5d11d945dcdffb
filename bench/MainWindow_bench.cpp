// The main window on the default simulated desk (timed harness, real clock for painting):
// - from a sidebar click to the new page's first painted frame (the page built, laid out and
//   the window painted), median of 20 per page;
// - one full paint of the window on the overview at 1,100 x 780, median of 50;
// - resident memory with the window open on the overview;
// - the shared clock's timer firings during 60 idle seconds with the window open, by interval
//   (what wakes the main thread while nothing happens);
// - with 5,000 profiles: the kvm page and the overview, opening and closing the window on the
//   overview and the panel, and the kvm page with one profile named with a million characters
//   (median of 5 each).
// Figures in milliseconds; a 120 Hz frame is 8.3 ms.
#include "BenchDesk.h"
#include "app/Hub.h"
#include "automation/AutomationManager.h"
#include "panel/MenuView.h"
#include "audio/AudioManager.h"
#include "bridge/Bridge.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "platform/sim/Mac.h"
#include "showcase/Showcase.h"
#include "window/MainView.h"
#include "window/Router.h"

#include <QScrollArea>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

long residentKiB()
{
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IONBF, 0);

    QTemporaryDir root;
    installDefaultBenchDesk(root.path());
    InputTap tap;
    auto hub = std::make_unique<Hub>(tap);
    hub->start();
    QCoreApplication::processEvents();

    // The same idle minute before any window exists, to tell the window's wake-ups apart.
    const auto idleMinute = [](const char* title) {
        platform::clock::testing::resetFirings();
        platform::clock::testing::advance(60);
        QCoreApplication::processEvents();
        std::printf("shared-clock timer firings in 60 idle seconds %s, by interval:\n", title);
        for (const auto& [interval, count] : platform::clock::testing::firings())
            std::printf("  every %6.2f s: %d\n", interval, count);
    };
    idleMinute("without the window");

    Router& router = Router::shared();
    auto view = std::make_unique<MainView>(router, *hub);
    view->resize(1100, 780);
    view->show();
    QCoreApplication::processEvents();

    // The click builds the page; the pending layout runs, then the window's frame is painted
    // at once, as the next screen refresh would.
    const auto clickToPaint = [&](Router::Page page) {
        QElapsedTimer t;
        t.start();
        QTest::mouseClick(view->sidebarRow(page), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        view->repaint();
        const double ms = t.nsecsElapsed() / 1e6;
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return ms;
    };

    std::printf("sidebar click to first painted frame (median of 20, ms)\n");
    for (Router::Page page : Router::Page::allCases()) {
        std::vector<double> times;
        const Router::Page other = page == Router::Page::general ? Router::Page::mouse : Router::Page::general;
        for (int i = 0; i < 20; ++i) {
            clickToPaint(other);
            times.push_back(clickToPaint(page));
        }
        std::printf("  %-9s %7.2f\n", qPrintable(page.rawValue()), median(times));
    }

    clickToPaint(Router::Page::overview);
    std::vector<double> paints;
    for (int i = 0; i < 50; ++i) {
        QElapsedTimer t;
        t.start();
        view->repaint();
        paints.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("overview paint at 1100 x 780 (median of 50, ms): %.2f\n", median(paints));
    std::printf("resident memory, window open on the overview: %.1f MiB\n", residentKiB() / 1024.0);

    idleMinute("with the window open on the overview");

    // Many profiles, or one with an absurd name: nothing may block the main thread for long.
    const auto storeProfiles = [&](int count, int nameLength) {
        const DisplayInfo monitor = hub->display.externals().front();
        std::vector<KVMProfile> list;
        for (int i = 0; i < count; ++i) {
            KVMProfile p;
            p.id = QUuid::createUuid();
            p.name = nameLength > 0 ? QString(nameLength, u'n') : QString("Profil %1").arg(i + 1);
            p.displayKey = monitor.key;
            p.displayName = monitor.name;
            p.enabled = i % 2 == 0;
            list.push_back(p);
        }
        hub->automation.setProfiles(std::move(list));
        QCoreApplication::processEvents();
    };
    // Opening and closing timed apart, each once the other's events have been handled.
    const auto openAndClose = [&](const char* what, const std::function<std::unique_ptr<QWidget>()>& open) {
        std::vector<double> opens, closes;
        for (int i = 0; i < 5; ++i) {
            QElapsedTimer t;
            t.start();
            std::unique_ptr<QWidget> shown = open();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            shown->repaint();
            opens.push_back(t.nsecsElapsed() / 1e6);
            QCoreApplication::processEvents();
            t.restart();
            shown.reset();
            closes.push_back(t.nsecsElapsed() / 1e6);
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        std::printf("  %-14s opened %8.2f  closed %8.2f\n", what, median(opens), median(closes));
    };
    const auto openAll = [&] {
        openAndClose("window", [&] {
            router.setPage(Router::Page::overview);
            auto window = std::make_unique<MainView>(router, *hub);
            window->resize(1100, 780);
            window->show();
            return window;
        });
        openAndClose("panel", [&] {
            auto panel = std::make_unique<MenuView>(hub->display, hub->audio, hub->appAudio, hub->scroll, hub->battery,
                                                    hub->input, hub->automation);
            panel->openWindow = [](const QString&) {};
            panel->setAttribute(Qt::WA_DontShowOnScreen);
            panel->show();
            return panel;
        });
    };
    std::printf("without profiles (median of 5, ms)\n");
    openAll();
    storeProfiles(5000, 0);
    std::printf("with 5,000 profiles (median of 5, ms)\n");
    const auto pageOpen = [&](Router::Page page) {
        std::vector<double> times;
        for (int i = 0; i < 5; ++i) {
            clickToPaint(Router::Page::general);
            times.push_back(clickToPaint(page));
        }
        return median(times);
    };
    std::printf("  kvm page, click to first frame  %8.2f\n", pageOpen(Router::Page::kvm));
    std::printf("  overview, click to first frame  %8.2f\n", pageOpen(Router::Page::overview));
    view.reset();
    QCoreApplication::processEvents();
    openAll();
    storeProfiles(1, 1'000'000);
    view = std::make_unique<MainView>(router, *hub);
    view->resize(1100, 780);
    view->show();
    QCoreApplication::processEvents();
    std::printf("one profile named with 1,000,000 characters: kvm page, click to first frame (median of 5, ms) %.2f\n",
                pageOpen(Router::Page::kvm));
    storeProfiles(0, 0);

    view.reset();
    QCoreApplication::processEvents();
    hub.reset();
    AudioManager::waitForBackgroundStops();
    return 0;
}
