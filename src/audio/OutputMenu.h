#pragma once
// The menu that chooses one application's output: the default output, each output device, and
// "Sıfırla" while the application has a setting of its own. Check marks show the stored choice
// as it is, so an output that is unplugged checks nothing.
#include <QAction>
#include <functional>

class AppAudioManager;
class AudioManager;
class QMenu;
class QWidget;
struct AudioApp;

namespace OutputMenu {

// One item of the menu: runs its handler when chosen.
class ActionItem : public QAction {
    Q_OBJECT
public:
    ActionItem(const QString& title, bool checked, std::function<void()> handler, QObject* parent);
    void run();

private:
    std::function<void()> handler_;
};

// Fills `menu` with the items for `app`. Every item reads the application's setting again when
// it is chosen, so the volume kept is the one stored at that moment.
void fill(QMenu& menu, AppAudioManager& appAudio, const AudioManager& audio, const AudioApp& app);

// Builds a new menu for `app` and pops it up at the pointer; it is deleted once it closes.
QMenu* showFor(const AudioApp& app, AppAudioManager& appAudio, const AudioManager& audio, QWidget* parent);

} // namespace OutputMenu
