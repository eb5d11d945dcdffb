#pragma once
// The simulated code signature: a trailer appended to the executable file, which the build
// attaches (cmake/CodeSigning.cmake) and tests may replace on copies:
//   <JSON {"identifier": "...", "certificates": ["<hex DER>", ...]}> <8 decimal digits: its length> "PLNSIG01"
// The loader ignores bytes past the program's segments, so a signed executable runs unchanged.
#include <QByteArray>
#include <QList>
#include <QString>

namespace sim::codesign {

// The certificate the build signs every program with (same text as cmake/CodeSigning.cmake).
QByteArray developerCertificate();

bool sign(const QString& path, const QString& identifier, const QList<QByteArray>& certificates);
bool unsign(const QString& path);

} // namespace sim::codesign
