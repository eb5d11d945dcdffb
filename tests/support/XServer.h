#pragma once
// A private X server for tests that run the real programs on a screen: an Xvfb on a free
// display, optionally with a status area (trayer, 24 points high at the top right, where a
// menu-bar icon lands), screenshots of the whole screen, clicks and keys. Everything it starts is
// ended by stop() or the destructor, and by the system should the test process die first.
//
//     if (!XServer::installed())
//         GTEST_SKIP() << "Xvfb is not installed";
//     XServer x;
//     ASSERT_TRUE(x.start()) << x.error().toStdString();
//     QProcess app;
//     app.setProcessEnvironment(x.environment()); // DISPLAY, and Qt on X rather than offscreen
//     app.start(...);
//     const QImage screen = x.capture();
//
// Needs Xvfb; the status area needs trayer, capture() ImageMagick's import, click() xdotool
// (scripts/setup installs them all).
#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSize>
#include <QString>
#include <memory>
#include <vector>
#include <QRect>

class XServer {
public:
    static constexpr QSize kScreen{1512, 982}; // a 14-inch laptop's screen, in points

    XServer();
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // Whether Xvfb is on the PATH.
    static bool installed();

    // Starts the server on the first free display, 24-bit colour, and waits until it takes
    // clients. False (with error()) when it does not come up within 10 s.
    bool start(QSize screen = kScreen);
    // Starts trayer as the status area and waits for its window. Needs start().
    bool startStatusArea();
    // Ends the status area and the server (the programs on it lose their display).
    void stop();

    bool isRunning() const;
    QString display() const { return display_; } // ":N" while running, else empty
    QString error() const { return error_; }

    // `base` with DISPLAY set to this server and the Qt platform set to X.
    QProcessEnvironment environment(QProcessEnvironment base = QProcessEnvironment::systemEnvironment()) const;

    // The whole screen (import -window root); also saved as PNG to `savePath` when given.
    // A null image (with error()) when the capture fails.
    QImage capture(const QString& savePath = QString());
    // Moves the pointer to a point of the screen and clicks the left button (xdotool).
    bool click(QPoint at);
    // Presses and releases each key in turn, by its X name ("Down", "Return"), into the window
    // that has the keyboard (xdotool).
    bool key(const QStringList& keys);
    // Moves the pointer there, as the person's mouse does (xdotool).
    bool movePointer(QPoint to);
    // Where the shown windows are that xdotool's search finds with `criteria` ("--class",
    // "Pelorn" or "--name", "^Title$"), in its order; empty when there is none.
    std::vector<QRect> windows(const QStringList& criteria);

private:
    // Runs a tool on this display to its end (10 s at most), keeping its standard output.
    bool runTool(const QString& program, const QStringList& arguments, QByteArray* output = nullptr);

    std::unique_ptr<QProcess> server_;
    std::unique_ptr<QProcess> statusArea_;
    QString display_;
    QString error_;
};
