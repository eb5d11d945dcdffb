#include "platform/sim/Processes.h"

#include "platform/Process.h"

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
    installed_ = {QStringLiteral("/usr/bin/afplay")};
    runs_.clear();
}

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
