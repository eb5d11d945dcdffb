#pragma once
// Opening the application while it already runs: the system hands the URLs of the new
// request to the running instance (none: the user opened the application again) instead of
// starting a second one.
#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace platform::launch {

// The system asks the application to quit (at logout or shutdown; SIGTERM or SIGINT here): the
// event loop ends as after a quit from the application itself, so its will-terminate step runs.
void quitOnTerminationRequest();

// Hands the request to the instance that listens on this Mac, if one does: true means it
// acknowledged the request and this process should end. A connection closed before the
// acknowledgement (the instance was busy making room) is tried again until `seconds` have passed.
bool handToRunningInstance(const QStringList& urls, double seconds = 10);

// How a launch goes on.
enum class Start {
    instance,   // this process holds the channel: it runs as the one instance
    handedOver, // the running instance took the request: this process ends
    unanswered, // another process holds the channel but took no request in time
};
// Claims this Mac's channel for the life of this process (an exclusive lock, so of two launches
// at once exactly one wins), or, while another process holds it, hands the request to that one,
// waiting up to `seconds` for it to listen and acknowledge.
Start claimOrHandOver(const QStringList& urls, double seconds = 10);

// Closes this process's channel at once and gives up its claim, so that an instance started
// from now on runs as the new one instead of handing its request to this one, which is about
// to end.
void stopReceiving();

// The running instance's side: receives the later requests for as long as it lives, in the
// process that holds the claim (taken here when no process does). Each request is acknowledged
// before it is delivered. `opened` gets a request's URLs, `reopened` is called for a request
// without any. The claim outlasts the receiver until the process ends. The channel stays open
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
    void serve(int descriptor);
    static std::optional<QStringList> request(const QByteArray& line); // none: not a request
    void deliver(const QStringList& urls);

    std::function<void(const QStringList&)> opened_;
    std::function<void()> reopened_;
    std::unique_ptr<Channel> channel_;
};

} // namespace platform::launch
