#include "audio/OutputMenu.h"

#include "app/Texts.h"
#include "audio/AppAudioManager.h"
#include "audio/AudioManager.h"
#include "design/Buttons.h"

#include <QCursor>
#include <QMenu>

namespace OutputMenu {

ActionItem::ActionItem(const QString& title, bool checked, std::function<void()> handler, QObject* parent)
    : QAction(menuText(title), parent), handler_(std::move(handler))
{
    // Only the chosen item is checkable: the style draws an empty box before a checkable item
    // that is not checked, where the platform draws nothing.
    setCheckable(checked);
    setChecked(checked);
    connect(this, &QAction::triggered, this, &ActionItem::run);
}

void ActionItem::run()
{
    if (handler_)
        handler_();
}

void fill(QMenu& menu, AppAudioManager& appAudio, const AudioManager& audio, const AudioApp& app)
{
    const AppAudioSetting s = appAudio.setting(app);
    AppAudioManager* manager = &appAudio;
    const auto add = [&menu](const QString& title, bool checked, std::function<void()> handler) {
        menu.addAction(new ActionItem(title, checked, std::move(handler), &menu));
    };

    add(Texts::tr("Varsayılan çıkış"), !s.outputUID, [manager, app] { manager->setOutput(std::nullopt, app); });
    menu.addSeparator();
    for (const AudioDevice& d : audio.outputs())
        add(d.name, s.outputUID && *s.outputUID == d.uid,
            [manager, app, uid = d.uid] { manager->setOutput(uid, app); });
    if (s.volume < 100 || s.outputUID) {
        menu.addSeparator();
        add(Texts::tr("Sıfırla"), false, [manager, app] { manager->reset(app); });
    }
}

QMenu* showFor(const AudioApp& app, AppAudioManager& appAudio, const AudioManager& audio, QWidget* parent)
{
    auto* menu = new LiveMenu([&appAudio, &audio, app](QMenu& m) { fill(m, appAudio, audio, app); }, parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(QCursor::pos());
    return menu;
}

} // namespace OutputMenu
