#pragma once
// The simulated code signature: a trailer appended to the executable file, which the build
// attaches (cmake/CodeSigning.cmake) and tests may replace on copies:
//   <JSON {"identifier": "...", "certificates": ["<hex DER>", ...], "signature": "<hex>"}>
//   <8 decimal digits: the JSON's length> "PLNSIG01"
// The leaf certificate is the signer's Ed25519 public key (DER). The signature covers the
// identifier and the SHA-256 of every byte before the trailer, so it binds the signer to this
// very code: the trailer copied onto another program, or a program changed after signing, no
// longer validates. The loader ignores bytes past the program's segments, so a signed
// executable runs unchanged.
#include <QByteArray>
#include <QString>

namespace sim::codesign {

// No executable of the application holds this much code; more is refused unhashed.
constexpr qint64 kMaxCodeSize = qint64(512) << 20;

// A new signing key (a PEM private key); empty on failure.
QByteArray makeKey();
// The key kept at `path`, made there (readable by its owner alone) when there is none yet.
// Signers starting at once all end up with the same key. Empty on failure.
QByteArray keptKey(const QString& path);
// The certificate naming a key's owner: its public key, DER. Empty for a bad key.
QByteArray certificate(const QByteArray& key);

bool sign(const QString& path, const QString& identifier, const QByteArray& key);
bool unsign(const QString& path);
// The trailer as it stands at the end of the file; empty when there is none.
QByteArray trailer(const QString& path);

// How many times a check hashed an executable so far in this process: a verdict on a file
// whose identity (device, inode, size, modification and change times) is unchanged is kept.
int hashesMade();
// Forgets every verdict kept, so that the next check of each file hashes it (benchmarks).
void forgetVerdicts();

// Many hosts let a process read another's memory only when it is that process's ancestor or
// was named by it beforehand (Yama's ptrace_scope 1); this machine may not be one, so the
// simulated Mac can impose the same rule on the checks of running code. Machine-wide.
void setInspectionRestricted(bool restricted);
bool inspectionRestricted();
// This process names `inspector` as the one that may read its memory, in place of any named
// before: the kernel's own PR_SET_PTRACER, and the simulated rule's record of it.
void permitInspection(qint64 inspector);
// Whether this process may read the memory of `pid` under the simulated rule (always, while
// the rule is not imposed: the kernel then decides alone).
bool mayInspect(qint64 pid);

} // namespace sim::codesign
