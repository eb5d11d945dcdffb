#pragma once
// Where the running application's bundle is, and the user's private temporary folder.
#include <QString>

namespace platform::bundle {

// The main bundle's root folder ("…/Pelorn.app"): PELORN_BUNDLE when set, else the bundle of
// the running program (sim::bundle::of).
QString mainPath();
// The user's temporary folder (readable by the user alone).
QString temporaryDirectory();

} // namespace platform::bundle

namespace sim::bundle {

// The bundle a program belongs to: the "….app" it sits in ("Contents/MacOS"), else the
// "Pelorn.app" the build lays beside it, else the one installed in the sim root's /Applications.
QString of(const QString& program);

} // namespace sim::bundle
