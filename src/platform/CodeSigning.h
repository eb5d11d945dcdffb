#pragma once
// Code signing: the code object of a running program, the static code (the executable on
// disk) behind it, its signing information, and checking it against a requirement text such as
//   identifier "com.example.app" and certificate leaf = H"<40 hex digits of the SHA-1>"
#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <stop_token>

namespace platform::codesign {

constexpr int32_t kSuccess = 0;
constexpr int32_t kErrorUnsigned = -67062;
constexpr int32_t kErrorSignatureFailed = -67061; // the code is not what was signed
constexpr int32_t kErrorGuestInvalid = -67063;    // the running process holds code beside its own
constexpr int32_t kErrorRequirementFailed = -67050;
constexpr int32_t kErrorRequirementInvalid = -67052;
constexpr int32_t kErrorNoSuchCode = -67065;

struct Code {
    qint64 pid = 0;
};
struct StaticCode {
    QString path;
};
struct SigningInformation {
    QString identifier;
    QList<QByteArray> certificates; // DER bytes, the leaf first
};

std::optional<Code> copySelf();
std::optional<Code> codeForPid(qint64 pid); // the kernel's process, never what a peer claims
std::optional<StaticCode> copyStaticCode(const Code& code);
std::optional<SigningInformation> copySigningInformation(const StaticCode& code);
// kSuccess when the code is signed, its signature holds for this very code, and it meets the
// requirement. A stop requested ends the check early, with a failure.
int32_t checkValidity(const StaticCode& code, const QString& requirement, const std::stop_token& stop = {});
// The same for a running process, which must also run nothing but its own code and the
// system's, as loaded, untraced, as the hardened runtime demands on the real system: a process
// started with the loader's injection variables, with a library mapped from anywhere else, with
// executable memory of no file, with a tracer on any thread or with code pages that differ from
// their files fails; so does one that exec'd another image while it was checked. Where the
// system would not let this process look at the running code at all, `why` says so, for a log.
int32_t checkValidity(const Code& code, const QString& requirement, const std::stop_token& stop = {},
                      QString* why = nullptr);

// What tells the image a process runs now from any it runs later (its start, where exec laid out
// its code and stack): cheap enough to read again for every request of a checked peer, and
// reads no file but the process's own. nullopt when the process is gone.
std::optional<QByteArray> runningImage(qint64 pid);
// Whether a tracer holds any thread of the process; nullopt when it cannot be read.
std::optional<bool> isTraced(qint64 pid);

} // namespace platform::codesign
