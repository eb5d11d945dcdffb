#pragma once
// The system calls a running process makes over a while, traced with strace (its threads too).
#include <QByteArray>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QThread>
#include <optional>

// One line a call, without the halves strace splits off ("resumed>"); none when strace could
// not start or attach, with the reason in `why`.
inline std::optional<QList<QByteArray>> traceSystemCalls(qint64 pid, double seconds, QString* why = nullptr)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("trace");
    QProcess strace;
    strace.start("strace", {"-f", "-q", "-o", out, "-p", QString::number(pid)});
    if (!strace.waitForStarted(5000)) {
        if (why)
            *why = "strace is not installed (scripts/setup installs it)";
        return std::nullopt;
    }
    QThread::msleep(500); // attached to every thread
    QFile(out).resize(0);
    QThread::msleep(qint64(seconds * 1000));
    strace.terminate();
    strace.waitForFinished(5000);
    QFile f(out);
    if (!f.open(QIODevice::ReadOnly)) {
        if (why)
            *why = "strace could not attach (ptrace not permitted?)";
        return std::nullopt;
    }
    QList<QByteArray> calls;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (!line.isEmpty() && !line.contains("resumed>"))
            calls.push_back(line);
    return calls;
}
