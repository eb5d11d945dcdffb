// The menu-bar panel on the default desk with the audio section expanded (its fullest content):
// the time from the click to the first painted frame (median of 20 openings, the panel made,
// laid out and painted), the paint of one frame while the brightness slider is dragged, the
// resident memory the open panel adds, and the timers it adds over 10 s while nothing happens.
// A timed harness: figures in milliseconds; a 120 Hz frame is 8.3 ms.
#include "BenchDesk.h"
#include "app/Hub.h"
#include "app/Prefs.h"
#include "audio/AudioManager.h"
#include "bridge/Bridge.h"
#include "design/Sliders.h"
#include "panel/MenuView.h"
#include "panel/PanelSliders.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "platform/sim/Mac.h"
#include "showcase/Showcase.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

long residentKiB()
{
    QFile f("/proc/self/statm");
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLong() * 4 : 0;
}

QString firingsText()
{
    QStringList parts;
    for (const auto& [interval, count] : platform::clock::testing::firings())
        parts << QString("%1 x every %2 s").arg(count).arg(interval);
    return parts.isEmpty() ? QString("none") : parts.join(", ");
}

std::unique_ptr<MenuView> openPanel(Hub& hub)
{
    auto view = std::make_unique<MenuView>(hub.display, hub.audio, hub.appAudio, hub.scroll, hub.battery, hub.input,
                                           hub.automation);
    view->openWindow = [](const QString&) {};
    view->setAttribute(Qt::WA_DontShowOnScreen);
    view->show();
    QCoreApplication::processEvents();
    return view;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir root;
    installDefaultBenchDesk(root.path());
    Prefs::set(MenuView::kSectionKey, QString("audio"));
    {
        InputTap tap;
        Hub hub(tap);
        QCoreApplication::processEvents();

        const long before = residentKiB();
        std::vector<double> opening;
        for (int i = 0; i < 21; ++i) {
            QElapsedTimer t;
            t.start();
            auto view = openPanel(hub);
            QImage frame(view->size(), QImage::Format_ARGB32_Premultiplied);
            view->render(&frame);
            const double ms = t.nsecsElapsed() / 1e6;
            if (i > 0) // the first opening also loads fonts and symbols once for the process
                opening.push_back(ms);
            view.reset();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }

        auto view = openPanel(hub);
        const long open = residentKiB();
        ControlSlider* slider = view->sliders()->brightness()->monitorSlider();
        QImage frame(view->size(), QImage::Format_ARGB32_Premultiplied);
        const QPointF start(20, slider->height() / 2.0);
        QMouseEvent press(QEvent::MouseButtonPress, start, slider->mapToGlobal(start), Qt::LeftButton, Qt::LeftButton,
                          {});
        QCoreApplication::sendEvent(slider, &press);
        std::vector<double> drag, dragRegion;
        const QRect sliderRect(slider->mapTo(view.get(), QPoint(0, 0)), slider->size());
        for (int i = 0; i < 60; ++i) {
            const QPointF at(20 + (i % 30) * 8, slider->height() / 2.0);
            QMouseEvent move(QEvent::MouseMove, at, slider->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, {});
            QCoreApplication::sendEvent(slider, &move);
            QElapsedTimer t;
            t.start();
            QPainter p(&frame);
            view->render(&p);
            p.end();
            drag.push_back(t.nsecsElapsed() / 1e6);
            // What a drag repaints: the slider's rectangle, with the glass behind it.
            t.restart();
            QPainter q(&frame);
            view->render(&q, sliderRect.topLeft(), QRegion(sliderRect));
            q.end();
            dragRegion.push_back(t.nsecsElapsed() / 1e6);
        }
        QMouseEvent release(QEvent::MouseButtonRelease, start, slider->mapToGlobal(start), Qt::LeftButton,
                            Qt::NoButton, {});
        QCoreApplication::sendEvent(slider, &release);
        QCoreApplication::processEvents();

        platform::clock::testing::resetFirings();
        platform::clock::testing::advance(10);
        QCoreApplication::processEvents();
        const QString withPanel = firingsText();
        view.reset();
        QCoreApplication::processEvents();
        platform::clock::testing::resetFirings();
        platform::clock::testing::advance(10);
        QCoreApplication::processEvents();
        const QString without = firingsText();

        std::printf("panel opening to first frame: median %.2f ms (20 openings, min %.2f, max %.2f)\n",
                    median(opening), *std::min_element(opening.begin(), opening.end()),
                    *std::max_element(opening.begin(), opening.end()));
        std::printf("slider-region paint while dragging brightness: median %.2f ms, max %.2f ms (60 frames)\n",
                    median(dragRegion), *std::max_element(dragRegion.begin(), dragRegion.end()));
        std::printf("whole-panel paint while dragging brightness: median %.2f ms, max %.2f ms (60 frames)\n",
                    median(drag), *std::max_element(drag.begin(), drag.end()));
        std::printf("resident memory: %ld KiB before, %ld KiB with the panel open (+%ld KiB)\n", before, open,
                    open - before);
        std::printf("timer firings over 10 s idle: with the panel open: %s; without: %s\n", qPrintable(withPanel),
                    qPrintable(without));
        AudioManager::waitForBackgroundStops();
    }
    return 0;
}
