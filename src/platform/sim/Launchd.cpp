#include "platform/sim/Launchd.h"

#include "platform/Clock.h"
#include "platform/Paths.h"

#include "platform/sim/Machine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QProcessEnvironment>
#include <QVariantMap>
#include <QXmlStreamReader>
#include <map>
#include <memory>
#include <optional>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <vector>
#include <unistd.h>

namespace sim::launchd {
namespace {

// Reads the values of an XML property list that a job needs: strings, Booleans, integers and
// nested dictionaries.
QVariant readValue(QXmlStreamReader& xml);

QVariantMap readDict(QXmlStreamReader& xml)
{
    QVariantMap out;
    QString key;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"key") {
            key = xml.readElementText();
        } else {
            out[key] = readValue(xml);
        }
    }
    return out;
}

QVariant readValue(QXmlStreamReader& xml)
{
    const auto name = xml.name();
    if (name == u"dict")
        return readDict(xml);
    if (name == u"true" || name == u"false") {
        const bool v = name == u"true";
        xml.skipCurrentElement();
        return v;
    }
    if (name == u"integer")
        return xml.readElementText().toLongLong();
    if (name == u"string")
        return xml.readElementText();
    xml.skipCurrentElement();
    return {};
}

std::optional<QVariantMap> readPlist(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QXmlStreamReader xml(&f);
    if (!xml.readNextStartElement() || xml.name() != u"plist" || !xml.readNextStartElement() || xml.name() != u"dict")
        return std::nullopt;
    QVariantMap d = readDict(xml);
    if (xml.hasError())
        return std::nullopt;
    return d;
}

// A running daemon is known by its pid and the time the kernel started it, so that a recorded
// pid that now names another process is not taken for the daemon.
struct Daemon {
    qint64 pid = 0;
    qint64 started = 0; // clock ticks after boot
};

// The kernel's start time of a live process; nothing for a process that is gone or a zombie.
std::optional<qint64> startTime(qint64 pid)
{
    if (pid <= 1)
        return std::nullopt;
    QFile f(QString("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray stat = f.readAll();
    // The command name may hold spaces and parentheses: the fields follow its last ')'.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 20 || fields[0] == "Z" || fields[0] == "X")
        return std::nullopt;
    return fields[19].toLongLong(); // field 22 of the line
}

bool alive(const Daemon& d) { return d.pid > 1 && startTime(d.pid) == d.started; }

// What the program file is: a reinstalled or rebuilt helper is another program.
QString identity(const QString& program)
{
    struct stat st{};
    if (::stat(QFile::encodeName(program).constData(), &st) != 0)
        return {};
    return QString("%1:%2:%3.%4").arg(st.st_ino).arg(st.st_size).arg(st.st_mtim.tv_sec).arg(st.st_mtim.tv_nsec);
}

void endProcess(const Daemon& d)
{
    if (!alive(d))
        return;
    ::kill(pid_t(d.pid), SIGTERM);
    for (int i = 0; i < 500 && alive(d); ++i)
        ::usleep(10000);
    if (alive(d)) {
        ::kill(pid_t(d.pid), SIGKILL);
        for (int i = 0; i < 100 && alive(d); ++i)
            ::usleep(10000);
    }
}

// The jobs this process supervises. Which jobs are loaded and which daemon runs is the
// machine's ("launchd" document), so that it outlives the process that started them.
struct Job {
    QString label;
    QString program; // real path
    QString binary;  // identity() of the program when it was started
    bool keepAlive = false;
    bool stopping = false;
    int launches = 0;
    Daemon daemon;
    int exitFd = -1; // a pidfd: readable once the daemon ends
    std::unique_ptr<QSocketNotifier> exitWatch;
    std::unique_ptr<platform::Timer> restart;

    ~Job() { unwatch(); }
    void unwatch()
    {
        exitWatch.reset();
        if (exitFd >= 0)
            ::close(exitFd);
        exitFd = -1;
    }
};

std::map<QString, std::unique_ptr<Job>>& jobs()
{
    static auto* j = new std::map<QString, std::unique_ptr<Job>>();
    return *j;
}

QJsonObject record(const Job& job)
{
    return QJsonObject{{"program", job.program},
                       {"binary", job.binary},
                       {"pid", double(job.daemon.pid)},
                       {"started", double(job.daemon.started)}};
}

Daemon recordedDaemon(const QJsonValue& entry)
{
    if (entry.isDouble()) { // a bare pid, as launches before noted it: ours only while it runs a program of this machine
        const qint64 pid = qint64(entry.toDouble());
        const QString exe = QFileInfo(QString("/proc/%1/exe").arg(pid)).symLinkTarget();
        if (!exe.startsWith(platform::paths::simRoot() + "/"))
            return {};
        return Daemon{pid, startTime(pid).value_or(0)};
    }
    const QJsonObject o = entry.toObject();
    return Daemon{qint64(o["pid"].toDouble()), qint64(o["started"].toDouble())};
}

void note(const Job& job)
{
    machine::Transaction tx;
    QJsonObject doc = tx.read("launchd");
    doc[job.label] = record(job);
    tx.write("launchd", doc);
}

void forget(const QString& label)
{
    machine::Transaction tx;
    QJsonObject doc = tx.read("launchd");
    if (doc.contains(label)) {
        doc.remove(label);
        tx.write("launchd", doc);
    }
}

void launch(Job& job);

// Collects the exit of a daemon this process started; nothing for one it took over.
void reap(qint64 pid)
{
    if (pid > 1)
        ::waitpid(pid_t(pid), nullptr, WNOHANG);
}

void exited(Job& job)
{
    reap(job.daemon.pid);
    job.unwatch();
    job.daemon = {};
    note(job);
    if (job.stopping || !job.keepAlive)
        return;
    Job* j = &job;
    j->restart = std::make_unique<platform::Timer>();
    j->restart->start(kThrottle, [j] {
        if (!j->stopping)
            launch(*j);
    });
}

// A daemon taken over from a launch before is not this process's child: its end is seen through a pidfd.
void watch(Job& job)
{
    job.unwatch();
    job.exitFd = int(::syscall(SYS_pidfd_open, pid_t(job.daemon.pid), 0));
    if (job.exitFd < 0 || !alive(job.daemon)) {
        exited(job);
        return;
    }
    job.exitWatch = std::make_unique<QSocketNotifier>(job.exitFd, QSocketNotifier::Read);
    Job* j = &job;
    QObject::connect(job.exitWatch.get(), &QSocketNotifier::activated, job.exitWatch.get(), [j] {
        j->exitWatch->setEnabled(false);
        QMetaObject::invokeMethod(QCoreApplication::instance(), [label = j->label, daemon = j->daemon] {
            const auto it = jobs().find(label);
            if (it != jobs().end() && it->second->daemon.pid == daemon.pid)
                exited(*it->second);
        }, Qt::QueuedConnection);
    });
}

// Starts the program as a child in a session of its own: it outlives this process (then the
// system's init takes it), holds none of its pipes, and while this process runs, this process
// reaps it as launchd reaps its daemons.
qint64 spawn(const QString& program, const QString& errorLog)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PELORN_SIM_ROOT", platform::paths::simRoot());
    std::vector<QByteArray> envStrings;
    for (const QString& key : env.keys())
        envStrings.push_back((key + "=" + env.value(key)).toLocal8Bit());
    std::vector<char*> envp;
    for (QByteArray& e : envStrings)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    QByteArray path = QFile::encodeName(program);
    char* argv[] = {path.data(), nullptr};
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    const int log = ::open(QFile::encodeName(errorLog).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (devNull < 0 || log < 0) {
        for (int fd : {devNull, log})
            if (fd >= 0)
                ::close(fd);
        return 0;
    }
    // Signals wait until the child has its own dispositions: a SIGTERM that comes before the
    // exec must end it, not run a handler of this process.
    sigset_t all, before;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &before);
    const pid_t pid = ::fork();
    if (pid == 0) { // only async-signal-safe calls from here
        for (int sig = 1; sig < NSIG; ++sig)
            ::signal(sig, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        ::pthread_sigmask(SIG_SETMASK, &none, nullptr);
        ::setsid();
        ::dup2(devNull, 0);
        ::dup2(devNull, 1);
        ::dup2(log, 2);
        ::execve(argv[0], argv, envp.data());
        ::_exit(127);
    }
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    ::close(devNull);
    ::close(log);
    return pid > 0 ? pid : 0;
}

void launch(Job& job)
{
    ++job.launches;
    job.binary = identity(job.program);
    const qint64 pid = spawn(job.program, machine::stateFolder() + "/" + job.label + ".log");
    job.daemon = pid ? Daemon{pid, startTime(pid).value_or(0)} : Daemon{};
    note(job);
    if (job.daemon.pid)
        watch(job);
}

void stop(Job& job)
{
    job.stopping = true;
    job.restart.reset();
    job.unwatch();
    endProcess(job.daemon);
    reap(job.daemon.pid);
    job.daemon = {};
}

struct Plist {
    QString label;
    QString program; // real path
    bool keepAlive = false;
    bool runAtLoad = false;
};

std::optional<Plist> jobOf(const QString& domain, const QString& plistFile)
{
    const auto plist = domain == "system" ? readPlist(plistFile) : std::nullopt;
    if (!plist)
        return std::nullopt;
    Plist p{plist->value("Label").toString(), plist->value("Program").toString(), plist->value("KeepAlive").toBool(),
            plist->value("RunAtLoad").toBool()};
    if (p.label.isEmpty() || p.program.isEmpty())
        return std::nullopt;
    p.program = platform::paths::map(p.program);
    return p;
}

Job& add(const Plist& p)
{
    auto job = std::make_unique<Job>();
    job->label = p.label;
    job->program = p.program;
    job->keepAlive = p.keepAlive;
    Job& j = *job;
    jobs()[p.label] = std::move(job);
    return j;
}

} // namespace

int bootstrap(const QString& domain, const QString& plistFile, QString* error)
{
    const auto p = jobOf(domain, plistFile);
    if (!p || isLoaded(p->label)) { // unreadable, or loaded already
        *error = "Bootstrap failed: 5: Input/output error";
        return 5;
    }
    Job& j = add(*p);
    if (p->runAtLoad)
        launch(j);
    else
        note(j);
    return 0;
}

int bootout(const QString& serviceTarget, QString* error)
{
    const QString label = serviceTarget.startsWith("system/") ? serviceTarget.mid(7) : QString();
    if (label.isEmpty() || !isLoaded(label)) {
        *error = "Boot-out failed: 3: No such process";
        return 3;
    }
    if (const auto it = jobs().find(label); it != jobs().end()) {
        stop(*it->second);
        jobs().erase(it);
    } else {
        machine::Transaction tx;
        const Daemon d = recordedDaemon(tx.read("launchd")[label]);
        endProcess(d);
        reap(d.pid);
    }
    forget(label);
    return 0;
}

bool isLoaded(const QString& label)
{
    machine::Transaction tx;
    return tx.read("launchd").contains(label);
}

qint64 pid(const QString& label)
{
    machine::Transaction tx;
    const Daemon d = recordedDaemon(tx.read("launchd")[label]);
    return alive(d) ? d.pid : 0;
}

int launches(const QString& label)
{
    const auto it = jobs().find(label);
    return it == jobs().end() ? 0 : it->second->launches;
}

QStringList labels()
{
    machine::Transaction tx;
    return tx.read("launchd").keys();
}

void reset()
{
    for (auto& [label, job] : jobs()) {
        stop(*job);
        forget(label);
    }
    jobs().clear();
}

void bootInstalled()
{
    jobs().clear();
    QJsonObject recorded;
    {
        machine::Transaction tx;
        recorded = tx.read("launchd");
        tx.write("launchd", {});
    }
    std::map<QString, Plist> installed;
    const QDir folder(platform::paths::map("/Library/LaunchDaemons"));
    for (const QString& name : folder.entryList({"*.plist"}, QDir::Files, QDir::Name))
        if (const auto p = jobOf("system", folder.filePath(name)); p && !installed.count(p->label))
            installed[p->label] = *p;

    for (auto it = recorded.begin(); it != recorded.end(); ++it) {
        const Daemon d = recordedDaemon(*it);
        const QJsonObject o = it->toObject();
        const auto p = installed.find(it.key());
        // The daemon a launch before started runs on: it is taken over, unless its program
        // was replaced since (then the new one starts in its place).
        if (p != installed.end() && alive(d) && o["program"].toString() == p->second.program
            && o["binary"].toString() == identity(p->second.program)) {
            Job& j = add(p->second);
            j.binary = o["binary"].toString();
            j.daemon = d;
            note(j);
            watch(j);
            installed.erase(p);
            continue;
        }
        endProcess(d); // only while the recorded process itself runs: a reused pid is left alone
    }
    for (const auto& [label, p] : installed) {
        Job& j = add(p);
        if (p.runAtLoad)
            launch(j);
        else
            note(j);
    }
}

} // namespace sim::launchd
