#pragma once
// The scripting service's administrator commands: a script of the form
//     do shell script "<command line>" with administrator privileges
// asks the user for an administrator password and runs the line with /bin/sh as root.
#include <QString>
#include <QVariantMap>
#include <memory>

namespace platform::applescript {

constexpr const char* kErrorMessage = "NSAppleScriptErrorMessage"; // a text
constexpr const char* kErrorNumber = "NSAppleScriptErrorNumber";   // an integer

class Script {
public:
    virtual ~Script() = default;
    // Runs the script and waits for it; false with the error dictionary filled in on failure.
    virtual bool execute(QVariantMap* errorInfo) = 0;
};

// Null when the script cannot be created from the source.
std::unique_ptr<Script> create(const QString& source);

} // namespace platform::applescript
