#pragma once
// Where the running application's bundle is, and the user's private temporary folder.
#include <QString>

namespace platform::bundle {

// The main bundle's root folder ("…/Pelorn.app").
QString mainPath();
// The user's temporary folder (readable by the user alone).
QString temporaryDirectory();

} // namespace platform::bundle
