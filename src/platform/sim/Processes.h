#pragma once
// The simulated process launcher: programs that exist on the simulated Mac start and are
// recorded (with their arguments and whether they were ended), others fail to launch.
#include <QString>
#include <QStringList>
#include <mutex>
#include <set>
#include <vector>

namespace sim {

class Processes {
public:
    struct Run {
        int64_t id;
        QString executable;
        QStringList arguments;
        bool terminated = false;
    };

    static Processes& shared();

    // A fresh Mac: the system's sound player is there, nothing has run.
    void reset();
    void setInstalled(const QString& executable, bool installed);

    std::vector<Run> runs() const;

    // For the launcher.
    int64_t start(const QString& executable, const QStringList& arguments, QString* error);
    void terminate(int64_t id);

private:
    Processes();
    mutable std::mutex mutex_;
    std::set<QString> installed_;
    std::vector<Run> runs_;
    int64_t next_ = 1;
};

} // namespace sim
