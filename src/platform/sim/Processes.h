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

    // A fresh Mac: the system's sound player and shell are there, nothing has run, and no
    // application can be opened.
    void reset();
    void setInstalled(const QString& executable, bool installed);
    // The real program that opening `bundlePath` with /usr/bin/open starts. Once set, a shell
    // command is run for real (detached, with this process's environment), its /usr/bin/open
    // of that bundle starting the program; until then a shell is only recorded.
    void setOpenableApplication(const QString& bundlePath, const QString& executable);

    std::vector<Run> runs() const;

    // For the launcher.
    int64_t start(const QString& executable, const QStringList& arguments, QString* error);
    void terminate(int64_t id);

private:
    Processes();
    mutable std::mutex mutex_;
    std::set<QString> installed_;
    QString openableBundle_, openableExecutable_;
    std::vector<Run> runs_;
    int64_t next_ = 1;
};

} // namespace sim
