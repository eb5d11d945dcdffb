#pragma once
// The per-application sound list: one row per application (its icon, name, whether it plays,
// its output and its volume), the "show all" switch and the last routing error; in the panel
// it folds under a header that counts the playing applications.
//
// The folded state ("ui.appsExpanded") and "show all" ("ui.appsShowAll") live in the settings
// store and are shared by every list on screen: toggling one list changes the others at once.
// While a list is on screen it keeps the per-application poll running.
#include "audio/AppAudioManager.h"

#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <memory>

class AudioManager;
class CheckBox;
class DisclosureGroup;
class GlassMenuButton;
class KeyedRows;
class MiniSlider;
class QLabel;
class SymbolView;
class TextLine;
class ViewSync;
class WrappingText;

class AppAudioRow : public QWidget {
    Q_OBJECT
public:
    AppAudioRow(AppAudioManager& appAudio, AudioManager& audio, QWidget* parent = nullptr);

    // Shows the application; the same three values as before change nothing.
    void setApp(const AudioApp& app, const AppAudioSetting& setting, const QString& outputName);

    const AudioApp& app() const { return app_; }
    TextLine* nameLine() const { return name_; }
    SymbolView* playingSymbol() const { return playing_; }
    GlassMenuButton* outputButton() const { return output_; }
    QMenu* outputMenu() const { return outputMenu_; } // the one opened last, while it is open
    MiniSlider* slider() const { return slider_; }
    TextLine* volumeText() const { return volume_; }

private:
    AppAudioManager& appAudio_;
    AudioManager& audio_;
    AudioApp app_;
    AppAudioSetting setting_;
    QString outputName_;
    bool shown_ = false;
    QLabel* icon_;
    TextLine* name_;
    SymbolView* playing_;
    GlassMenuButton* output_;
    QPointer<QMenu> outputMenu_;
    MiniSlider* slider_;
    TextLine* volume_;
};

class AppAudioList : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kExpandedKey = "ui.appsExpanded";
    static constexpr const char* kShowAllKey = "ui.appsShowAll";

    AppAudioList(AudioManager& audio, AppAudioManager& appAudio, bool collapsible, QWidget* parent = nullptr);
    ~AppAudioList() override;

    static bool expanded();
    static bool showAll();
    // The applications listed: all of them with "show all", else those playing, with a
    // setting, or changed during this run.
    static std::vector<AudioApp> visibleApps(const AppAudioManager& appAudio, bool showAll);
    // The name of an application's output: "Varsayılan" for none or one that is not connected.
    static QString outputName(const AudioManager& audio, const std::optional<QString>& uid);

    // Brings the list in line with the managers and the shared settings now.
    void sync();

    DisclosureGroup* disclosure() const { return disclosure_; } // null unless collapsible
    TextLine* playingCount() const { return count_; }          // null unless collapsible
    WrappingText* emptyNotice() const { return empty_; }
    CheckBox* showAllBox() const { return showAll_; }
    WrappingText* errorText() const { return error_; }
    AppAudioRow* row(int32_t pid) const;
    int rowCount() const;
    ViewSync& binding() const { return *binding_; }
    bool isCounted() const { return counted_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void setCounted(bool counted);

    AudioManager& audio_;
    AppAudioManager& appAudio_;
    QPointer<AppAudioManager> appAudioAlive_;
    DisclosureGroup* disclosure_ = nullptr;
    TextLine* count_ = nullptr;
    WrappingText* empty_;
    std::unique_ptr<KeyedRows> rows_;
    CheckBox* showAll_;
    WrappingText* error_;
    ViewSync* binding_;
    bool counted_ = false; // this list's setVisible(true) is in force
};
