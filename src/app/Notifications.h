#pragma once
// The in-process notification centre: a name posted here reaches every observer, on the main
// thread, with no object and no user info.
#include <QObject>
#include <QString>

class Notifications : public QObject {
    Q_OBJECT
public:
    static Notifications& shared();
    void post(const QString& name) { emit posted(name); }

    static constexpr const char* kOpenMainWindow = "Pelorn.openMainWindow";

signals:
    void posted(const QString& name);
};
