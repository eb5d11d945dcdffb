#include "support/AccessibilityBus.h"

#include "support/TestPaths.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>

namespace {
constexpr const char* kBusLauncher = "/usr/libexec/at-spi-bus-launcher";
// Debian's own interpreter, which python3-pyatspi installs into (not any other python3 on the PATH).
constexpr const char* kPython = "/usr/bin/python3";
} // namespace

AccessibilityBus::~AccessibilityBus()
{
    for (QProcess* p : {&launcher_, &bus_}) {
        p->terminate();
        if (!p->waitForFinished(3000))
            p->kill();
        p->waitForFinished(3000);
    }
}

bool AccessibilityBus::installed()
{
    return !QStandardPaths::findExecutable("dbus-daemon").isEmpty() && QFile::exists(kBusLauncher)
        && QProcess::execute(kPython, {"-c", "import pyatspi"}) == 0;
}

bool AccessibilityBus::start(const QProcessEnvironment& display)
{
    bus_.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    if (!bus_.waitForStarted(30000))
        return false;
    // A loaded machine can keep the daemon from printing its address for well over a moment:
    // a quiet wait is no failure, only a daemon that ended is.
    QElapsedTimer t;
    t.start();
    while (!address_.contains('\n') && t.elapsed() < 30000) {
        if (!bus_.waitForReadyRead(200) && bus_.state() == QProcess::NotRunning)
            break;
        address_ += QString::fromLocal8Bit(bus_.readAllStandardOutput());
    }
    address_ = address_.trimmed();
    if (address_.isEmpty())
        return false;
    env_ = display;
    env_.insert("DBUS_SESSION_BUS_ADDRESS", address_);
    launcher_.setProcessEnvironment(env_);
    launcher_.start(kBusLauncher, {"--launch-immediately"});
    return launcher_.waitForStarted(30000);
}

QByteArray AccessibilityBus::probe(const QProcessEnvironment& env, const QStringList& arguments, QString* errors)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(kPython, QStringList{QDir(testpaths::sourceDir()).filePath("tests/app/atspi_probe.py")} + arguments);
    if (!p.waitForFinished(280000)) {
        p.kill();
        p.waitForFinished();
    }
    *errors = QString::fromLocal8Bit(p.readAllStandardError());
    return p.readAllStandardOutput();
}
