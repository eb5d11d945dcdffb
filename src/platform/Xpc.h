#pragma once
// The service connection between the programs, in place of XPC: a listener on a named
// service, connections whose exported object answers typed method calls with one reply each,
// and the client's connection that sends them. Values cross as CBOR (signed 64-bit integers,
// booleans, strings, null for an absent string); a message that does not match the interface,
// or one left incomplete for a few seconds, closes the connection.
//
// A connection with a code-signing requirement is checked when it is resumed, against the
// peer the kernel reports (its credentials, the executable it runs and the code it has
// loaded), never against anything the peer says, on one of a listener's few checking threads
// (connections wait their turn, for 45 s at most; one that cannot be queued, or waits longer,
// is refused alone); one that fails is closed before any message is read. Once admitted, the
// service sends a nonce, and a request counts only when it echoes it: what the peer wrote before
// its check passed is never read as a request. Every byte after it must come from the checked
// process itself (the kernel names each message's sender), still running the image checked and
// untraced; anything else closes the connection. The client's connection holds its requests
// until the nonce has come, and fails (every call ends in its error) when no greeting has come
// within a minute.
//
// Objects live on the thread that made them, which needs an event loop; handlers run there.
// A reply may be called from any thread.
#include <QCborArray>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace platform::xpc {

enum class Kind { Int64, Bool, OptionalString };

struct Method {
    QString selector;
    QList<Kind> arguments;
    QList<Kind> reply;
};

struct Interface {
    QList<Method> methods;
    const Method* find(const QString& selector) const;
};

bool conforms(const QList<Kind>& kinds, const QCborArray& values);

using Reply = std::function<void(const QCborArray& values)>;
using ExportedObject = std::function<void(const QString& selector, const QCborArray& arguments, Reply reply)>;

// "<sim root>/.sim/xpc/<name>": a folder only the service's owner may create sockets in.
QString servicePath(const QString& machServiceName);

// An incoming connection, handed to the listener's delegate.
class Connection {
public:
    virtual ~Connection() = default;
    virtual qint64 peerPid() const = 0;
    virtual void setCodeSigningRequirement(const QString& requirement) = 0;
    virtual void setExportedInterface(const Interface& interface) = 0;
    virtual void setExportedObject(ExportedObject object) = 0;
    virtual void resume() = 0;
    virtual void invalidate() = 0;
};

class ListenerDelegate {
public:
    virtual ~ListenerDelegate() = default;
    virtual bool shouldAcceptNewConnection(Connection& connection) = 0;
};

class Listener {
public:
    explicit Listener(const QString& machServiceName);
    ~Listener();
    void setDelegate(ListenerDelegate* delegate);
    // Starts listening; false when the service's folder is not safe or the name is taken.
    bool resume();
    int connectionCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Why a service refused this process, where it says: the system would not let it look at this
// process's code (on the real system a client has nothing to do for that; here it names the
// service as a process that may inspect it, as soon as it connects).
enum class Refusal { none, notInspectable };

// The client's connection to a named service.
class RemoteConnection {
public:
    static constexpr int kPrivileged = 0x1000;
    RemoteConnection(const QString& machServiceName, int options);
    ~RemoteConnection();
    void setRemoteObjectInterface(const Interface& interface);
    void setInvalidationHandler(std::function<void()> handler);
    void resume();
    void invalidate();
    Refusal refusal() const;
    // Either reply or onError is called, once, on this object's thread.
    void send(const QString& selector, const QCborArray& arguments, std::function<void(const QCborArray&)> reply,
              std::function<void()> onError);

private:
    struct Impl;
    std::shared_ptr<Impl> d;
};

} // namespace platform::xpc
