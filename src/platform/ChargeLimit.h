#pragma once
// The macOS charge limit, as the private smart-charge client of the power UI framework offers
// it. The framework is loaded at run time and may be missing; its client class and each of the
// client's methods may be missing too, so callers ask before they call, as with any private
// class.
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

namespace platform::chargelimit {

constexpr const char* kFrameworkPath = "/System/Library/PrivateFrameworks/PowerUI.framework/PowerUI";

// What a failed call hands back through its error out-parameter.
struct Error {
    QString message;
};

class Client {
public:
    virtual ~Client() = default;
    // Whether the object answers the selector ("isMCLSupported", "getMCLLimitWithError:",
    // "setMCLLimit:error:", "availableChargeLimitsWithError:").
    virtual bool responds(const QString& selector) const = 0;

    virtual bool isMCLSupported() = 0;
    virtual qint64 getMCLLimit(std::optional<Error>* error) = 0;
    virtual bool setMCLLimit(qint64 limit, std::optional<Error>* error) = 0;
    // Normally an array of numbers; what comes back is the framework's business.
    virtual QVariant availableChargeLimits(std::optional<Error>* error) = 0;
};

// Loads the framework with immediate binding; false when it is not there.
bool loadFramework(const QString& path);
// Whether a class of that name exists in what was loaded, and whether its instances answer
// the selector.
bool classExists(const QString& className);
bool instancesRespond(const QString& className, const QString& selector);
// Allocates an instance and sends it "initWithClientName:"; null when that fails.
std::shared_ptr<Client> createClient(const QString& className, const QString& clientName);

// Elements of an array the client returns: whether one answers "intValue", and its value.
bool answersIntValue(const QVariant& element);
int intValue(const QVariant& element);

} // namespace platform::chargelimit
