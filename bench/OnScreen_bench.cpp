// What a person waits for on a real X server: the real Pelorn on a private Xvfb with trayer as the
// status area, clicked through XTest, its windows watched through X DAMAGE and map events.
//
//   OnScreen_bench [--runs N] [--idle-seconds S] [--pelorn [LABEL=]PATH]...
//
// With several --pelorn programs the runs alternate between them (a, b, a, b, ...), so a before
// and an after build are measured on the same machine under the same load. Each run starts the
// program afresh (empty sim root, default desk, input access granted) and measures:
//   - tray click → panel mapped, and → its first paint (the first DAMAGE on the panel);
//   - the frames the panel paints in the 400 ms after the click (a frame: damage events less than
//     4 ms apart), and how many of them cover the whole panel;
//   - main window, first and later opens: the click on the panel's overview button → the window's
//     first paint;
//   - sidebar click → page flushed: the end of the first frame after the click that reaches the
//     page (right of the sidebar);
//   - idle, over S seconds each, scaled to a minute: the main thread's context switches
//     (/proc/<pid>/task/<pid>/status, voluntary + involuntary: an upper bound of its wake-ups) and
//     then the system calls of every thread (strace -f), with the window never opened, open on the
//     overview, and closed after use.
// Printed per program: the median and the spread (min-max) of every figure over all runs.
#include "SystemCallTrace.h"
#include "support/TestPaths.h"
#include "support/XServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/XTest.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <poll.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Where the controls are, in points from a window's corner: the panel's overview button sits in
// its header at the right, the sidebar's rows at fixed heights from the window's top.
constexpr int kOverviewFromRight = 63;
constexpr int kOverviewFromTop = 25;
constexpr int kSidebarX = 80;
constexpr int kPageLeft = 240; // right of the sidebar: where a frame shows the page
const std::vector<std::pair<const char*, int>> kSidebarRows{
    {"display", 74}, {"audio", 105}, {"mouse", 136}, {"battery", 181}, {"kvm", 226}, {"general", 271}, {"overview", 29},
};

struct Event {
    enum Kind { map, unmap, damage } kind;
    Window window;
    Clock::time_point at;
    XRectangle area{};
};

// The X side: every top-level window's map state and damage, read as they come.
class Screen {
public:
    bool open(const QString& display)
    {
        dpy_ = XOpenDisplay(display.toLocal8Bit().constData());
        if (!dpy_)
            return false;
        // Windows go as they come: a damage record for an input-only or already destroyed window
        // fails, and that window is simply not watched.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        int base = 0, error = 0, major = 0, minor = 0;
        if (!XDamageQueryExtension(dpy_, &damageBase_, &error) || !XTestQueryExtension(dpy_, &base, &error, &major, &minor))
            return false;
        root_ = DefaultRootWindow(dpy_);
        XSelectInput(dpy_, root_, SubstructureNotifyMask);
        Window parent = 0, *children = nullptr;
        unsigned n = 0;
        if (XQueryTree(dpy_, root_, &root_, &parent, &children, &n)) {
            for (unsigned i = 0; i < n; ++i)
                watch(children[i]);
            XFree(children);
        }
        XSync(dpy_, False);
        return true;
    }
    ~Screen()
    {
        if (dpy_)
            XCloseDisplay(dpy_);
    }

    // Reads events for `ms`, or until `until` holds for the events read so far.
    void pump(double ms, const std::function<bool()>& until = {})
    {
        const auto end = Clock::now() + std::chrono::microseconds(int64_t(ms * 1000));
        while (Clock::now() < end && !(until && until())) {
            while (XPending(dpy_))
                read();
            pollfd p{ConnectionNumber(dpy_), POLLIN, 0};
            const double left = msSince(Clock::now(), end);
            if (left > 0)
                ::poll(&p, 1, std::max(1, int(std::min(left, 5.0))));
            while (XPending(dpy_))
                read();
        }
    }

    void click(QPoint at)
    {
        XTestFakeMotionEvent(dpy_, -1, at.x(), at.y(), CurrentTime);
        XSync(dpy_, False);
        pump(60); // the hover settles first, as with a person's pointer
        events.clear();
        clickedAt = Clock::now();
        XTestFakeButtonEvent(dpy_, 1, True, CurrentTime);
        XTestFakeButtonEvent(dpy_, 1, False, CurrentTime);
        XFlush(dpy_);
    }

    // Asks a top-level window to close, as a window manager's close button does.
    void close(Window w)
    {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = XInternAtom(dpy_, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = long(XInternAtom(dpy_, "WM_DELETE_WINDOW", False));
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(dpy_, w, False, NoEventMask, &e);
        XFlush(dpy_);
    }

    QRect geometry(Window w)
    {
        XWindowAttributes a{};
        if (!XGetWindowAttributes(dpy_, w, &a))
            return {};
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(dpy_, w, root_, 0, 0, &x, &y, &child);
        return {x, y, a.width, a.height};
    }

    // The menu-bar icon: a small window of the Pelorn program, embedded in the status area.
    std::optional<Window> trayIcon() { return find(root_, 0); }

    // The first window mapped since the click that is at least `minWidth` wide.
    std::optional<Window> mapped(int minWidth)
    {
        for (const Event& e : events)
            if (e.kind == Event::map && geometry(e.window).width() >= minWidth)
                return e.window;
        return std::nullopt;
    }
    bool unmapped(Window w)
    {
        return std::any_of(events.begin(), events.end(), [w](const Event& e) { return e.kind == Event::unmap && e.window == w; });
    }

    // The frames painted on `w` since the click: damage events less than 4 ms apart make one.
    struct Frame {
        Clock::time_point first, last;
        QRect area;
    };
    std::vector<Frame> frames(Window w) const
    {
        std::vector<Frame> out;
        for (const Event& e : events) {
            if (e.kind != Event::damage || e.window != w)
                continue;
            const QRect r(e.area.x, e.area.y, e.area.width, e.area.height);
            if (!out.empty() && msSince(out.back().last, e.at) < 4) {
                out.back().last = e.at;
                out.back().area |= r;
            } else {
                out.push_back({e.at, e.at, r});
            }
        }
        return out;
    }
    std::optional<Clock::time_point> mapTime(Window w) const
    {
        for (const Event& e : events)
            if (e.kind == Event::map && e.window == w)
                return e.at;
        return std::nullopt;
    }

    std::vector<Event> events;
    Clock::time_point clickedAt;

private:
    void watch(Window w)
    {
        XDamageCreate(dpy_, w, XDamageReportRawRectangles);
    }
    void read()
    {
        XEvent e;
        XNextEvent(dpy_, &e);
        const auto now = Clock::now();
        if (e.type == CreateNotify && e.xcreatewindow.parent == root_)
            watch(e.xcreatewindow.window);
        else if (e.type == MapNotify)
            events.push_back({Event::map, e.xmap.window, now});
        else if (e.type == UnmapNotify)
            events.push_back({Event::unmap, e.xunmap.window, now});
        else if (e.type == damageBase_ + XDamageNotify) {
            const auto& d = reinterpret_cast<const XDamageNotifyEvent&>(e);
            events.push_back({Event::damage, d.drawable, now, d.area});
        }
    }
    std::optional<Window> find(Window w, int depth)
    {
        XClassHint hint{};
        if (depth > 1 && XGetClassHint(dpy_, w, &hint)) {
            const bool ours = QByteArray(hint.res_class).compare("Pelorn", Qt::CaseInsensitive) == 0;
            XFree(hint.res_name);
            XFree(hint.res_class);
            XWindowAttributes a{};
            if (ours && XGetWindowAttributes(dpy_, w, &a) && a.map_state == IsViewable && a.width <= 48)
                return w;
        }
        Window root = 0, parent = 0, *children = nullptr;
        unsigned n = 0;
        std::optional<Window> found;
        if (XQueryTree(dpy_, w, &root, &parent, &children, &n)) {
            for (unsigned i = 0; i < n && !found; ++i)
                found = find(children[i], depth + 1);
            XFree(children);
        }
        return found;
    }

    Display* dpy_ = nullptr;
    Window root_ = 0;
    int damageBase_ = 0;
};

// The figures of one program, each a list of samples over all its runs.
using Figures = std::map<QString, std::vector<double>>;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

long contextSwitches(qint64 pid)
{
    QFile f(QString("/proc/%1/task/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    long sum = 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("voluntary_ctxt_switches:") || line.startsWith("nonvoluntary_ctxt_switches:"))
            sum += line.mid(line.indexOf(':') + 1).trimmed().toLong();
    return sum;
}

long systemCalls(qint64 pid, double seconds)
{
    const auto calls = traceSystemCalls(pid, seconds);
    return calls ? long(calls->size()) : -1;
}

void idle(Figures& fig, const QString& state, qint64 pid, Screen& screen, double seconds)
{
    const long before = contextSwitches(pid);
    screen.pump(seconds * 1000);
    const long after = contextSwitches(pid);
    fig["idle " + state + ": main-thread wakes/min"].push_back((after - before) * 60.0 / seconds);
    const long calls = systemCalls(pid, seconds);
    if (calls >= 0)
        fig["idle " + state + ": system calls/min"].push_back(calls * 60.0 / seconds);
}

// The default desk with input access granted, so the icon answers clicks and no prompt opens.
QString deskFile(const QTemporaryDir& dir)
{
    QFile in(QDir(testpaths::sourceDir()).filePath("desks/default.json"));
    if (!in.open(QIODevice::ReadOnly))
        return {};
    QByteArray desk = in.readAll();
    desk.insert(desk.indexOf('{') + 1, "\n  \"accessibility\": true,");
    const QString path = dir.filePath("desk.json");
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(desk) != desk.size())
        return {};
    return path;
}

bool fail(const char* what)
{
    std::fprintf(stderr, "OnScreen_bench: %s\n", what);
    return false;
}

bool run(const QString& program, Figures& fig, double idleSeconds)
{
    XServer x;
    if (!x.start() || !x.startStatusArea())
        return fail(qPrintable(x.error()));
    Screen screen;
    if (!screen.open(x.display()))
        return fail("no X display with DAMAGE and XTEST");
    QTemporaryDir root;
    const QString desk = deskFile(root);
    if (desk.isEmpty())
        return fail("the default desk could not be read");
    QProcessEnvironment env = x.environment();
    env.insert("PELORN_SIM_ROOT", root.filePath("sim"));
    env.insert("PELORN_DESK", desk);
    QProcess pelorn;
    pelorn.setProcessEnvironment(env);
    pelorn.setStandardOutputFile(root.filePath("log"));
    pelorn.setProcessChannelMode(QProcess::MergedChannels);
    pelorn.start(program, {});
    if (!pelorn.waitForStarted(5000))
        return fail("Pelorn did not start");
    const qint64 pid = pelorn.processId();
    const auto end = [&pelorn] {
        pelorn.terminate();
        if (!pelorn.waitForFinished(5000))
            pelorn.kill();
        pelorn.waitForFinished(3000);
    };

    std::optional<Window> icon;
    screen.pump(30000, [&] { return (icon = screen.trayIcon()).has_value(); });
    if (!icon) {
        end();
        return fail("no menu-bar icon within 30 s");
    }
    screen.pump(3000); // start-up work settles
    idle(fig, "window never opened", pid, screen, idleSeconds);

    const QPoint iconAt = screen.geometry(*icon).center();
    const auto openPanel = [&]() -> std::optional<Window> {
        screen.click(iconAt);
        std::optional<Window> panel;
        screen.pump(5000, [&] { return (panel = screen.mapped(200)).has_value(); });
        return panel;
    };
    const auto closePanel = [&](Window panel) {
        screen.click({200, 600}); // outside: a popup closes
        screen.pump(3000, [&] { return screen.unmapped(panel); });
        screen.pump(300);
    };

    for (int i = 0; i < 5; ++i) {
        const auto panel = openPanel();
        if (!panel) {
            end();
            return fail("the panel did not open");
        }
        screen.pump(400);
        const auto frames = screen.frames(*panel);
        const QRect whole(QPoint(0, 0), screen.geometry(*panel).size());
        fig["tray click -> panel mapped (ms)"].push_back(msSince(screen.clickedAt, *screen.mapTime(*panel)));
        if (!frames.empty())
            fig["tray click -> panel first paint (ms)"].push_back(msSince(screen.clickedAt, frames.front().first));
        fig["panel open: frames in 400 ms"].push_back(double(frames.size()));
        fig["panel open: whole-panel frames"].push_back(double(std::count_if(
            frames.begin(), frames.end(), [&](const Screen::Frame& f) { return f.area.contains(whole.adjusted(8, 8, -8, -8)); })));
        closePanel(*panel);
    }

    // Opens the main window from the panel's overview button; the click → its first paint.
    std::optional<Window> window;
    const auto openWindow = [&](const QString& figure) {
        const auto panel = openPanel();
        if (!panel)
            return false;
        screen.pump(500);
        const QRect p = screen.geometry(*panel);
        screen.click({p.right() - kOverviewFromRight, p.top() + kOverviewFromTop});
        std::optional<Window> w;
        screen.pump(5000, [&] { return (w = screen.mapped(800)).has_value() && !screen.frames(*w).empty(); });
        if (!w || screen.frames(*w).empty())
            return false;
        fig[figure].push_back(msSince(screen.clickedAt, screen.frames(*w).front().first));
        fig["main window: new native window per open"].push_back(window && *window != *w ? 1 : 0);
        window = w;
        screen.pump(1500);
        return true;
    };
    if (!openWindow("main window: first open, click -> first paint (ms)")) {
        end();
        return fail("the main window did not open from the panel's overview button");
    }

    const QRect w = screen.geometry(*window);
    for (int round = 0; round < 3; ++round) {
        for (const auto& [page, y] : kSidebarRows) {
            screen.click({w.left() + kSidebarX, w.top() + y});
            screen.pump(700);
            // The row's own repaint may come first, alone: the page is flushed with the first
            // frame that reaches right of the sidebar.
            const auto frames = screen.frames(*window);
            const auto shown = std::find_if(frames.begin(), frames.end(),
                                            [](const Screen::Frame& f) { return f.area.right() >= kPageLeft; });
            if (shown != frames.end())
                fig[QString("sidebar click -> page flushed: %1 (ms)").arg(page)].push_back(msSince(screen.clickedAt, shown->last));
        }
    }
    screen.pump(2000);
    idle(fig, "window open on the overview", pid, screen, idleSeconds);

    screen.close(*window);
    screen.pump(3000, [&] { return screen.unmapped(*window); });
    screen.pump(2000);
    idle(fig, "window closed after use", pid, screen, idleSeconds);

    for (int i = 0; i < 4; ++i) {
        if (!openWindow("main window: later open, click -> first paint (ms)"))
            break;
        screen.close(*window);
        screen.pump(3000, [&] { return screen.unmapped(*window); });
        screen.pump(500);
    }
    end();
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int runs = 3;
    double idleSeconds = 20;
    std::vector<std::pair<QString, QString>> programs;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--runs" && i + 1 < args.size())
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == "--idle-seconds" && i + 1 < args.size())
            idleSeconds = std::max(1.0, args[++i].toDouble());
        else if (args[i] == "--pelorn" && i + 1 < args.size()) {
            const QString named = args[++i];
            const qsizetype eq = named.indexOf('=');
            programs.emplace_back(eq > 0 ? named.left(eq) : named, eq > 0 ? named.mid(eq + 1) : named);
        } else {
            std::fprintf(stderr, "usage: OnScreen_bench [--runs N] [--idle-seconds S] [--pelorn [LABEL=]PATH]...\n");
            return 2;
        }
    }
    if (!XServer::installed()) {
        std::fprintf(stderr, "OnScreen_bench: Xvfb is not installed (scripts/setup installs it)\n");
        return 1;
    }
    if (programs.empty())
        programs.emplace_back("Pelorn", testpaths::buildDir() + "/src/Pelorn");

    std::vector<Figures> figures(programs.size());
    for (int r = 0; r < runs; ++r)
        for (size_t p = 0; p < programs.size(); ++p) {
            std::fprintf(stderr, "run %d of %d: %s\n", r + 1, runs, qPrintable(programs[p].first));
            if (!run(programs[p].second, figures[p], idleSeconds))
                return 1;
        }

    for (size_t p = 0; p < programs.size(); ++p) {
        std::printf("\n%s (%s), %d runs: median [min-max]\n", qPrintable(programs[p].first), qPrintable(programs[p].second),
                    runs);
        for (const auto& [name, samples] : figures[p]) {
            const auto [lo, hi] = std::minmax_element(samples.begin(), samples.end());
            std::printf("  %-62s %8.1f  [%.1f-%.1f]  n=%zu\n", qPrintable(name), median(samples), *lo, *hi, samples.size());
        }
    }
    return 0;
}
