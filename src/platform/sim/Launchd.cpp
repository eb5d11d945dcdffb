#include "platform/sim/Launchd.h"

#include "platform/Clock.h"
#include "platform/Paths.h"

#include "platform/sim/Machine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QPointer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QVariantMap>
#include <QXmlStreamReader>
#include <map>
#include <memory>
#include <signal.h>
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

struct Job {
    QString label;
    QString program; // real path
    bool keepAlive = false;
    bool stopping = false;
    int launches = 0;
    std::unique_ptr<QProcess> process;
    std::unique_ptr<platform::Timer> restart;
};

std::map<QString, std::unique_ptr<Job>>& jobs()
{
    static auto* j = new std::map<QString, std::unique_ptr<Job>>();
    return *j;
}

std::map<QString, std::unique_ptr<Job>>& jobs();

void notePids()
{
    QJsonObject pids;
    for (const auto& [label, job] : jobs())
        if (job->process && job->process->state() != QProcess::NotRunning)
            pids[label] = double(job->process->processId());
    machine::Transaction tx;
    if (tx.read("launchd") != pids)
        tx.write("launchd", pids);
}

void launch(Job& job)
{
    job.process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PELORN_SIM_ROOT", platform::paths::simRoot());
    job.process->setProcessEnvironment(env);
    job.process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    job.process->setStandardOutputFile(QProcess::nullDevice());
    Job* j = &job;
    QObject::connect(job.process.get(), &QProcess::finished, job.process.get(), [j] {
        if (j->stopping || !j->keepAlive)
            return;
        j->restart = std::make_unique<platform::Timer>();
        j->restart->start(kThrottle, [j] {
            if (!j->stopping)
                launch(*j);
        });
    });
    ++job.launches;
    job.process->start(job.program, {});
    notePids();
}

void stop(Job& job)
{
    job.stopping = true;
    job.restart.reset();
    if (job.process && job.process->state() != QProcess::NotRunning) {
        job.process->terminate(); // SIGTERM
        if (!job.process->waitForFinished(5000)) {
            job.process->kill();
            job.process->waitForFinished(1000);
        }
    }
}

} // namespace

int bootstrap(const QString& domain, const QString& plistFile, QString* error)
{
    const auto plist = domain == "system" ? readPlist(plistFile) : std::nullopt;
    const QString label = plist ? plist->value("Label").toString() : QString();
    const QString program = plist ? plist->value("Program").toString() : QString();
    if (label.isEmpty() || program.isEmpty()) {
        *error = "Bootstrap failed: 5: Input/output error";
        return 5;
    }
    if (jobs().count(label)) {
        *error = "Bootstrap failed: 5: Input/output error"; // already loaded
        return 5;
    }
    auto job = std::make_unique<Job>();
    job->label = label;
    job->program = platform::paths::map(program);
    job->keepAlive = plist->value("KeepAlive").toBool();
    Job& j = *job;
    jobs()[label] = std::move(job);
    if (plist->value("RunAtLoad").toBool())
        launch(j);
    return 0;
}

int bootout(const QString& serviceTarget, QString* error)
{
    const QString label = serviceTarget.startsWith("system/") ? serviceTarget.mid(7) : QString();
    const auto it = jobs().find(label);
    if (it == jobs().end()) {
        *error = "Boot-out failed: 3: No such process";
        return 3;
    }
    stop(*it->second);
    jobs().erase(it);
    notePids();
    return 0;
}

bool isLoaded(const QString& label) { return jobs().count(label) > 0; }

qint64 pid(const QString& label)
{
    const auto it = jobs().find(label);
    if (it == jobs().end() || !it->second->process || it->second->process->state() == QProcess::NotRunning)
        return 0;
    return it->second->process->processId();
}

int launches(const QString& label)
{
    const auto it = jobs().find(label);
    return it == jobs().end() ? 0 : it->second->launches;
}

QStringList labels()
{
    QStringList out;
    for (const auto& [label, job] : jobs())
        out << label;
    return out;
}

void reset()
{
    for (auto& [label, job] : jobs())
        stop(*job);
    jobs().clear();
}

void bootInstalled()
{
    QJsonObject left;
    {
        machine::Transaction tx;
        left = tx.read("launchd");
        tx.write("launchd", {});
    }
    for (const QJsonValue& v : left) {
        const pid_t p = pid_t(v.toDouble());
        // Only a process that still runs a program of this machine is ours to end.
        const QString exe = QFileInfo(QString("/proc/%1/exe").arg(p)).symLinkTarget();
        if (p <= 1 || !exe.startsWith(platform::paths::simRoot() + "/"))
            continue;
        ::kill(p, SIGTERM);
        for (int i = 0; i < 200 && ::kill(p, 0) == 0; ++i)
            ::usleep(10000);
    }
    const QDir folder(platform::paths::map("/Library/LaunchDaemons"));
    for (const QString& name : folder.entryList({"*.plist"}, QDir::Files, QDir::Name)) {
        QString error;
        bootstrap("system", folder.filePath(name), &error);
    }
}

} // namespace sim::launchd
