#pragma once
// Opening the application while it already runs: the system hands the URLs of the new
// request to the running instance (none: the user opened the application again) instead of
// starting a second one.
#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

namespace platform::launch {

// The system asks the application to quit (at logout or shutdown; SIGTERM or SIGINT here): the
// event loop ends as after a quit from the application itself, so its will-terminate step runs.
void quitOnTerminationRequest();

// Hands the request to the instance that runs on this Mac, if one does: true means it took
// the request and this process should end.
bool handToRunningInstance(const QStringList& urls);

// Closes this process's channel at once, so that an instance started from now on runs as the
// new one instead of handing its request to this one, which is about to end.
void stopReceiving();

// The running instance's side: receives the later requests for as long as it lives. `opened`
// gets a request's URLs, `reopened` is called for a request without any. The channel stays open
// whatever its peers do: a failed accept is retried, a connection has a few seconds and a few
// kilobytes for its one line, and the oldest connections make room when too many are open.
class Receiver : public QObject {
    Q_OBJECT
public:
    Receiver(std::function<void(const QStringList&)> opened, std::function<void()> reopened,
             QObject* parent = nullptr);
    ~Receiver() override;
    bool isListening() const;
    // Gives the channel up for good; later requests find no running instance here.
    void stop();

    static constexpr int kMaxConnections = 16;
    static constexpr double kConnectionSeconds = 5;  // to deliver the one line
    static constexpr qint64 kMaxLineBytes = 8 * 1024; // newline included; URLs are far shorter
    static constexpr double kAcceptRetrySeconds = 0.5;

private:
    struct Channel;
    void acceptPending();
    void serve(int descriptor);
    void deliver(const QByteArray& line);

    std::function<void(const QStringList&)> opened_;
    std::function<void()> reopened_;
    std::unique_ptr<Channel> channel_;
};

} // namespace platform::launch
