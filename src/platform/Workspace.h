#pragma once
// The workspace's side of the screens: the desktop picture the user chose for each one.
#include "platform/DisplayServices.h"

#include <QUrl>
#include <optional>

namespace platform::workspace {

// The desktop picture of a screen as the workspace reports it (usually a file URL); none when
// the screen has none.
std::optional<QUrl> desktopImageURL(const platform::screens::Screen& screen);

} // namespace platform::workspace
