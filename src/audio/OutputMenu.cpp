#include "audio/OutputMenu.h"

#include "app/Texts.h"
#include "audio/AppAudioManager.h"
#include "audio/AudioManager.h"
#include "design/Buttons.h"

#include <QMenu>

void OutputMenu::fill(QMenu& menu, AppAudioManager& appAudio, const AudioManager& audio, const AudioApp& app)
{
    const AppAudioSetting s = appAudio.setting(app);
    AppAudioManager* manager = &appAudio;

    addMenuChoices(menu, {Texts::tr("Varsayılan çıkış")}, s.outputUID ? -1 : 0,
                   [manager, app](int) { manager->setOutput(std::nullopt, app); });
    menu.addSeparator();

    QStringList names;
    QStringList uids;
    int checked = -1;
    for (const AudioDevice& d : audio.outputs()) {
        if (s.outputUID && *s.outputUID == d.uid)
            checked = int(names.size());
        names << d.name;
        uids << d.uid;
    }
    addMenuChoices(menu, names, checked, [manager, app, uids](int i) { manager->setOutput(uids[i], app); });

    if (s.volume < 100 || s.outputUID) {
        menu.addSeparator();
        addMenuAction(menu, Texts::tr("Sıfırla"), [manager, app] { manager->reset(app); });
    }
}
