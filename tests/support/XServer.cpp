#include "support/XServer.h"

#include <QElapsedTimer>
#include <QMap>
#include <QStandardPaths>
#include <csignal>
#include <sys/prctl.h>

namespace {

// The child ends with the test process, even when that is killed or crashes.
void endWithParent(QProcess& process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

void end(std::unique_ptr<QProcess>& process)
{
    if (!process)
        return;
    if (process->state() != QProcess::NotRunning) {
        process->terminate();
        if (!process->waitForFinished(3000)) {
            process->kill();
            process->waitForFinished(3000);
        }
    }
    process.reset();
}

} // namespace

XServer::XServer() = default;

XServer::~XServer() { stop(); }

bool XServer::installed() { return !QStandardPaths::findExecutable("Xvfb").isEmpty(); }

bool XServer::start(QSize screen)
{
    stop();
    error_.clear();
    server_ = std::make_unique<QProcess>();
    endWithParent(*server_);
    server_->setProcessChannelMode(QProcess::SeparateChannels);
    // -displayfd: the server takes the first free display and writes its number when it is
    // ready for clients, so no two servers race for one number and no sleep is needed.
    const QString geometry = QString("%1x%2x24").arg(screen.width()).arg(screen.height());
    server_->start("Xvfb", {"-displayfd", "1", "-screen", "0", geometry, "-nolisten", "tcp"});
    if (!server_->waitForStarted(5000)) {
        error_ = "Xvfb did not start: " + server_->errorString();
        server_.reset();
        return false;
    }
    QByteArray out;
    QElapsedTimer elapsed;
    elapsed.start();
    while (!out.contains('\n') && elapsed.elapsed() < 10000 && server_->state() == QProcess::Running) {
        server_->waitForReadyRead(100);
        out += server_->readAllStandardOutput();
    }
    bool number = false;
    const int n = out.trimmed().toInt(&number);
    if (!number) {
        error_ = "Xvfb gave no display: " + QString::fromLocal8Bit(server_->readAllStandardError());
        end(server_);
        return false;
    }
    display_ = ":" + QString::number(n);
    return true;
}

bool XServer::startStatusArea()
{
    if (!isRunning()) {
        error_ = "no X server";
        return false;
    }
    end(statusArea_);
    statusArea_ = std::make_unique<QProcess>();
    endWithParent(*statusArea_);
    statusArea_->setProcessEnvironment(environment());
    statusArea_->setProcessChannelMode(QProcess::MergedChannels);
    statusArea_->start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24"});
    if (!statusArea_->waitForStarted(5000)) {
        error_ = "trayer did not start: " + statusArea_->errorString();
        statusArea_.reset();
        return false;
    }
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < 10000 && statusArea_->state() == QProcess::Running) {
        QByteArray windows;
        if (runTool("xdotool", {"search", "--class", "trayer"}, &windows) && !windows.trimmed().isEmpty())
            return true;
        statusArea_->waitForFinished(100);
    }
    error_ = "trayer showed no window: " + QString::fromLocal8Bit(statusArea_->readAll());
    end(statusArea_);
    return false;
}

void XServer::stop()
{
    end(statusArea_);
    end(server_);
    display_.clear();
}

bool XServer::isRunning() const { return server_ && server_->state() == QProcess::Running; }

QProcessEnvironment XServer::environment(QProcessEnvironment base) const
{
    base.insert("DISPLAY", display_);
    base.insert("QT_QPA_PLATFORM", "xcb");
    return base;
}

bool XServer::runTool(const QString& program, const QStringList& arguments, QByteArray* output)
{
    QProcess tool;
    tool.setProcessEnvironment(environment());
    tool.start(program, arguments);
    if (!tool.waitForStarted(5000)) {
        error_ = program + " did not start: " + tool.errorString();
        return false;
    }
    if (!tool.waitForFinished(10000)) {
        tool.kill();
        tool.waitForFinished(1000);
        error_ = program + " did not finish";
        return false;
    }
    if (output)
        *output = tool.readAllStandardOutput();
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        error_ = program + " failed: " + QString::fromLocal8Bit(tool.readAllStandardError());
        return false;
    }
    return true;
}

QImage XServer::capture(const QString& savePath)
{
    QByteArray png;
    if (!isRunning() || !runTool("import", {"-window", "root", "png:-"}, &png))
        return {};
    QImage image;
    if (!image.loadFromData(png, "PNG")) {
        error_ = "import gave no picture";
        return {};
    }
    if (!savePath.isEmpty())
        image.save(savePath, "PNG");
    return image;
}

bool XServer::click(QPoint at)
{
    return isRunning()
        && runTool("xdotool",
                   {"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
}

bool XServer::key(const QStringList& keys)
{
    return isRunning() && runTool("xdotool", QStringList{"key"} + keys);
}

bool XServer::movePointer(QPoint to)
{
    return isRunning() && runTool("xdotool", {"mousemove", QString::number(to.x()), QString::number(to.y())});
}

std::vector<QRect> XServer::windows(const QStringList& criteria)
{
    QByteArray out;
    std::vector<QRect> found;
    // xdotool's search fails when it finds nothing: that is an empty answer, not an error.
    if (!isRunning() || !runTool("xdotool", QStringList{"search", "--onlyvisible"} + criteria + QStringList{"getwindowgeometry", "--shell", "%@"}, &out))
        return found;
    QMap<QString, int> v;
    for (const QByteArray& line : out.split('\n')) {
        const QList<QByteArray> kv = line.trimmed().split('=');
        if (kv.size() != 2)
            continue;
        v[QString::fromLatin1(kv[0])] = kv[1].toInt();
        if (kv[0] == "SCREEN")
            found.emplace_back(v["X"], v["Y"], v["WIDTH"], v["HEIGHT"]);
    }
    return found;
}
