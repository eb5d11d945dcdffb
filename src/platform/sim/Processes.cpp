#include "platform/sim/Processes.h"

#include "platform/Process.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace sim {

Processes& Processes::shared()
{
    static Processes instance;
    return instance;
}

Processes::Processes() { reset(); }

void Processes::reset()
{
    std::lock_guard lock(mutex_);
    installed_ = {QStringLiteral("/usr/bin/afplay"), QStringLiteral("/bin/sh")};
    runs_.clear();
    openableBundle_.clear();
    openableExecutable_.clear();
}

void Processes::setOpenableApplication(const QString& bundlePath, const QString& executable)
{
    std::lock_guard lock(mutex_);
    openableBundle_ = bundlePath;
    openableExecutable_ = executable;
}

namespace {

// Runs `/bin/sh -c command args…` for real, with /usr/bin/open of the bundle starting the
// application's program; any other open fails, as opening a missing file does.
bool runShell(const QStringList& arguments, const QString& bundle, const QString& executable)
{
    if (arguments.size() < 2 || arguments[0] != QLatin1String("-c"))
        return false;
    QString command = arguments[1];
    command.replace(QLatin1String("/usr/bin/open"), QLatin1String("pelorn_sim_open"));
    command.prepend(QStringLiteral("pelorn_sim_open() { [ \"$1\" = \"$PELORN_SIM_OPEN_BUNDLE\" ] || return 1; "
                                   "exec \"$PELORN_SIM_OPEN_EXECUTABLE\"; }; "));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PELORN_SIM_OPEN_BUNDLE"), bundle);
    environment.insert(QStringLiteral("PELORN_SIM_OPEN_EXECUTABLE"), executable);
    QProcess shell;
    shell.setProgram(QStringLiteral("/bin/sh"));
    shell.setArguments(QStringList{QStringLiteral("-c"), command} + arguments.mid(2));
    shell.setProcessEnvironment(environment);
    return shell.startDetached();
}

} // namespace

void Processes::setInstalled(const QString& executable, bool installed)
{
    std::lock_guard lock(mutex_);
    if (installed)
        installed_.insert(executable);
    else
        installed_.erase(executable);
}

std::vector<Processes::Run> Processes::runs() const
{
    std::lock_guard lock(mutex_);
    return runs_;
}

int64_t Processes::start(const QString& executable, const QStringList& arguments, QString* error)
{
    std::lock_guard lock(mutex_);
    if (!installed_.count(executable)) {
        *error = QStringLiteral("The file \"%1\" doesn't exist.").arg(executable);
        return 0;
    }
    if (executable == QLatin1String("/bin/sh") && !openableExecutable_.isEmpty()
        && !runShell(arguments, openableBundle_, openableExecutable_)) {
        *error = QStringLiteral("The shell could not be started.");
        return 0;
    }
    const int64_t id = next_++;
    runs_.push_back({id, executable, arguments});
    return id;
}

void Processes::terminate(int64_t id)
{
    std::lock_guard lock(mutex_);
    for (auto& r : runs_)
        if (r.id == id)
            r.terminated = true;
}

} // namespace sim

namespace platform::process {

Task::Task(QString executable, QStringList arguments)
    : executable_(std::move(executable)), arguments_(std::move(arguments))
{
}

Task::~Task() = default;

std::optional<QString> Task::run()
{
    if (id_ != 0)
        return QStringLiteral("The task has already been launched.");
    QString error;
    id_ = sim::Processes::shared().start(executable_, arguments_, &error);
    if (id_ == 0)
        return error;
    return std::nullopt;
}

void Task::terminate()
{
    if (id_ != 0)
        sim::Processes::shared().terminate(id_);
}

} // namespace platform::process
