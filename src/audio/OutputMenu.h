#pragma once
// The menu that chooses one application's output: the default output, each output device, and
// "Sıfırla" while the application has a setting of its own. Check marks show the stored choice
// as it is, so an output that is unplugged checks nothing.
class AppAudioManager;
class AudioManager;
class QMenu;
struct AudioApp;

namespace OutputMenu {

// Fills `menu` (called each time it opens). Every item reads the application's setting again
// when it is chosen, so the volume kept is the one stored at that moment.
void fill(QMenu& menu, AppAudioManager& appAudio, const AudioManager& audio, const AudioApp& app);

} // namespace OutputMenu
