#pragma once
// The desktop picture of a display as a small thumbnail for the arrangement editor's tiles.
// Pictures in the user's own folders (Desktop, Documents, Downloads, cloud storage) and on
// other volumes are never read: opening them could ask the user for access or wake a disk.
// Thumbnails are kept for the life of the process in one cache, keyed by the picture's path
// and guarded by a lock, shared by the main thread (lookups) and the decoding threads.
#include <QImage>
#include <QUrl>
#include <cstdint>
#include <optional>

class QThreadPool;

namespace Wallpaper {

// The longer side of a thumbnail, in pixels.
constexpr int kMaxPixelSize = 640;

// The display's desktop picture, unless it lies in a refused location. Main thread.
std::optional<QUrl> url(uint32_t displayID);
// The thumbnail decoded earlier for the picture. Any thread.
std::optional<QImage> cached(const QUrl& url);
// The thumbnail, from the cache or decoded now (orientation applied, longer side at most
// kMaxPixelSize) and then cached; none when the picture cannot be read. Any thread, meant for
// a background one.
std::optional<QImage> load(const QUrl& url);
// The threads thumbnails are decoded on.
QThreadPool& decoder();

} // namespace Wallpaper
