#include "AudioViewTest.h"

#include "app/Prefs.h"
#include "audio/AppAudioList.h"
#include "design/Buttons.h"
#include "design/Controls.h"
#include "design/Sliders.h"
#include "design/Symbols.h"
#include "design/TextLine.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>

namespace {

constexpr int32_t kMusicPID = 610;  // plays from the start (object 110)
constexpr int32_t kSafariPID = 620; // objects 120 and 121, silent
constexpr const char* kMusic = "com.apple.Music";
constexpr const char* kHeadset = "USB-Headset";
constexpr const char* kHdmi = "HDMI-Monitor-Audio";

// A press at `from`, a move to `to` and a release there, as a pointer drag delivers them.
void drag(QWidget* w, QPointF from, QPointF to)
{
    const auto send = [w](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::NoButton);
}

struct Item {
    QString text;
    bool checked;
    bool operator==(const Item&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Item& i) { return os << i.text.toStdString() << (i.checked ? " ✓" : ""); }

// The output menu of a row as it opens now.
QMenu* openMenu(AppAudioRow* row)
{
    QTest::mouseClick(row->outputButton(), Qt::LeftButton);
    QMenu* menu = row->outputMenu();
    EXPECT_TRUE(menu && menu->isVisible());
    return menu;
}

std::vector<Item> menuItems(AppAudioRow* row)
{
    std::vector<Item> out;
    QMenu* menu = openMenu(row);
    if (!menu)
        return out;
    for (const QAction* a : menu->actions())
        if (!a->isSeparator()) {
            out.push_back({a->text(), a->isChecked()});
            // The style draws an empty box before an unchecked checkable item; only the chosen one
            // carries a mark.
            EXPECT_FALSE(a->isCheckable() && !a->isChecked()) << "an empty box before " << a->text().toStdString();
        }
    menu->close();
    return out;
}

void choose(AppAudioRow* row, const QString& text)
{
    QMenu* menu = openMenu(row);
    if (!menu)
        return;
    for (QAction* a : menu->actions())
        if (a->text() == text) {
            menu->close();
            return a->trigger();
        }
    ADD_FAILURE() << "no item " << text.toStdString();
}

} // namespace

class AppAudioListTest : public AudioViewTest {
protected:
    const AudioApp& app(int32_t pid) const
    {
        for (const AudioApp& a : apps->apps())
            if (a.id == pid)
                return a;
        ADD_FAILURE() << "no app " << pid;
        static AudioApp none;
        return none;
    }
};

TEST_F(AppAudioListTest, AnApplicationThatStartsPlayingGetsARowWithinAPoll)
{
    startApps();
    AppAudioList list(*audio, *apps, true);
    place(list);
    EXPECT_FALSE(list.disclosure()->isExpanded());
    EXPECT_EQ(list.playingCount()->text(), "1 çalıyor");
    ASSERT_EQ(list.rowCount(), 1);
    AppAudioRow* music = list.row(kMusicPID);
    ASSERT_TRUE(music);
    EXPECT_EQ(music->nameLine()->text(), "Müzik");
    EXPECT_FALSE(music->playingSymbol()->isHidden());
    EXPECT_EQ(music->outputButton()->text(), "Varsayılan");
    EXPECT_EQ(music->volumeText()->text(), "%100");
    EXPECT_FALSE(music->findChild<QLabel*>()->isHidden());

    sys.setPlaying(120, true);
    advance(3.0);
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.row(kMusicPID), music) << "the row of an application that stays is kept";
    EXPECT_EQ(list.row(kSafariPID)->nameLine()->text(), "Safari");
    EXPECT_FALSE(list.row(kSafariPID)->findChild<QLabel*>()->isHidden());
    EXPECT_EQ(list.playingCount()->text(), "2 çalıyor");

    // Silent again: gone, unless the person changed it during this run (a reset too).
    sys.setPlaying(120, false);
    advance(3.0);
    EXPECT_EQ(list.rowCount(), 1);
    EXPECT_EQ(list.row(kSafariPID), nullptr);
    sys.setPlaying(120, true);
    advance(3.0);
    choose(list.row(kSafariPID), "Harici Monitör");
    choose(list.row(kSafariPID), "Sıfırla");
    sys.setPlaying(120, false);
    advance(3.0);
    EXPECT_EQ(list.rowCount(), 2);
    EXPECT_TRUE(list.row(kSafariPID)->playingSymbol()->isHidden());
}

TEST_F(AppAudioListTest, ARowWithoutAnIconLeavesNoEmptySlot)
{
    startApps();
    AudioApp bare = app(kMusicPID);
    bare.icon.reset();
    for (const AudioApp& first : {bare, app(kMusicPID)}) {
        AppAudioRow row(*apps, *audio);
        row.setApp(first, apps->setting(first), "Varsayılan");
        EXPECT_EQ(row.findChild<QLabel*>()->isHidden(), !first.icon.has_value());
        row.setApp(bare, apps->setting(bare), "Varsayılan");
        EXPECT_TRUE(row.findChild<QLabel*>()->isHidden()) << "an icon that goes takes its slot along";
    }
}

TEST_F(AppAudioListTest, WithNothingPlayingOnlyTheNoticeAndTheSwitchShow)
{
    startApps();
    sys.setPlaying(110, false);
    AppAudioList list(*audio, *apps, false);
    place(list);
    EXPECT_EQ(list.disclosure(), nullptr);
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_FALSE(list.emptyNotice()->isHidden());
    EXPECT_EQ(list.emptyNotice()->text(), "Şu an ses çalan uygulama yok.");
    EXPECT_TRUE(list.errorText()->isHidden());

    QTest::mouseClick(list.showAllBox(), Qt::LeftButton, {}, list.showAllBox()->boxRect().center().toPoint());
    EXPECT_EQ(Prefs::d().object(AppAudioList::kShowAllKey), QVariant(true));
    processEvents();
    EXPECT_EQ(list.rowCount(), 2) << "every application, silent ones too";
    EXPECT_TRUE(list.emptyNotice()->isHidden());
}

TEST_F(AppAudioListTest, RowSliderStoresVolumesClampedToTheRange)
{
    startApps();
    AppAudioList list(*audio, *apps, false);
    place(list);
    AppAudioRow* row = list.row(kMusicPID);
    MiniSlider* slider = row->slider();
    const QPointF middle(slider->width() / 2.0, slider->height() / 2.0);

    drag(slider, middle, QPointF(-40, middle.y()));
    EXPECT_EQ(apps->setting(app(kMusicPID)).volume, 0);
    processEvents();
    EXPECT_EQ(row->volumeText()->text(), "%0");
    EXPECT_EQ(slider->value(), 0);

    drag(slider, middle, QPointF(slider->width() + 40, middle.y()));
    EXPECT_EQ(apps->setting(app(kMusicPID)).volume, 100);
    EXPECT_FALSE(apps->settings().count(kMusic)) << "100 on the default output is no setting";
    processEvents();
    EXPECT_EQ(row->volumeText()->text(), "%100");
    EXPECT_EQ(list.row(kMusicPID), row);
}

TEST_F(AppAudioListTest, OutputMenuChecksTheStoredOutputEvenWhenItIsUnplugged)
{
    startApps();
    AppAudioList list(*audio, *apps, false);
    place(list);
    AppAudioRow* row = list.row(kMusicPID);
    const std::vector<Item> atDefault{{"Varsayılan çıkış", true},
                                      {"MacBook Pro Hoparlörü", false},
                                      {"Harici Monitör", false},
                                      {"USB Kulaklık", false}};
    EXPECT_EQ(menuItems(row), atDefault) << "no reset at volume 100 on the default output";
    QCursor::setPos(120, 90);
    if (QMenu* menu = openMenu(row)) {
        EXPECT_EQ(menu->pos(), QPoint(120, 90)) << "at the pointer";
        menu->close();
    }

    choose(row, "USB Kulaklık");
    EXPECT_EQ(apps->setting(app(kMusicPID)).outputUID, kHeadset);
    processEvents();
    EXPECT_EQ(row->outputButton()->text(), "USB Kulaklık");

    sys.removeDevice(kHeadset);
    settle();
    EXPECT_EQ(row->outputButton()->text(), "Varsayılan") << "it plays on the default output meanwhile";
    const std::vector<Item> unplugged{
        {"Varsayılan çıkış", false}, {"MacBook Pro Hoparlörü", false}, {"Harici Monitör", false}, {"Sıfırla", false}};
    EXPECT_EQ(menuItems(row), unplugged);

    // A choice keeps the volume stored when it is made.
    apps->setVolume(30, app(kMusicPID));
    choose(row, "Harici Monitör");
    EXPECT_EQ(apps->setting(app(kMusicPID)), (AppAudioSetting{30, QString(kHdmi)}));
    choose(row, "Varsayılan çıkış");
    EXPECT_EQ(apps->setting(app(kMusicPID)), (AppAudioSetting{30, std::nullopt}));
    EXPECT_EQ(menuItems(row).back(), (Item{"Sıfırla", false})) << "a volume below 100 can be reset";
    choose(row, "Sıfırla");
    EXPECT_EQ(apps->setting(app(kMusicPID)), AppAudioSetting{});
}

TEST_F(AppAudioListTest, ListsOnScreenShareTheirFoldAndFilter)
{
    startApps();
    AppAudioList panel(*audio, *apps, true);
    AppAudioList window(*audio, *apps, true);
    place(panel);
    place(window);
    ASSERT_FALSE(window.disclosure()->content()->isVisible());

    QTest::mouseClick(panel.disclosure()->header(), Qt::LeftButton);
    EXPECT_TRUE(panel.disclosure()->isExpanded());
    EXPECT_EQ(Prefs::d().object(AppAudioList::kExpandedKey), QVariant(true));
    processEvents();
    EXPECT_TRUE(window.disclosure()->content()->isVisible()) << "the other list opens with it";

    QTest::mouseClick(window.showAllBox(), Qt::LeftButton, {}, window.showAllBox()->boxRect().center().toPoint());
    processEvents();
    EXPECT_EQ(panel.rowCount(), 2);
    EXPECT_TRUE(panel.showAllBox()->isOn());

    QTest::mouseClick(window.disclosure()->header(), Qt::LeftButton);
    processEvents();
    EXPECT_FALSE(panel.disclosure()->content()->isVisible()) << "and closes with it";
}

TEST_F(AppAudioListTest, ThePollRunsWhileAnyListIsOnScreen)
{
    startApps();
    QWidget panel;
    auto* inPanel = new AppAudioList(*audio, *apps, true, &panel);
    place(panel);
    EXPECT_TRUE(inPanel->isCounted());
    auto window = std::make_unique<AppAudioList>(*audio, *apps, false);
    place(*window);
    EXPECT_EQ(apps->viewers(), 2);
    EXPECT_TRUE(apps->isPolling());

    panel.hide(); // the panel closes: its list goes out of sight with it
    EXPECT_EQ(apps->viewers(), 1);
    panel.show();
    panel.show();
    EXPECT_EQ(apps->viewers(), 2) << "a list counts once, however often it is shown";

    window.reset(); // a list that goes away while it is on screen
    EXPECT_EQ(apps->viewers(), 1);
    EXPECT_TRUE(apps->isPolling());
    delete inPanel;
    EXPECT_EQ(apps->viewers(), 0);
    EXPECT_FALSE(apps->isPolling());
}

TEST_F(AppAudioListTest, RoutingErrorShowsInOrange)
{
    startApps();
    AppAudioList list(*audio, *apps, false);
    place(list);
    sys.setFailure(sim::AudioSystem::Step::ioProc, -5);
    choose(list.row(kMusicPID), "Harici Monitör");
    processEvents();
    ASSERT_TRUE(apps->error());
    EXPECT_FALSE(list.errorText()->isHidden());
    EXPECT_EQ(list.errorText()->text(), "Müzik için ses yönlendirilemedi. Ses Kaydı iznini kontrol edin.");
    EXPECT_EQ(list.errorText()->shownColor(), systemColor(SystemColor::orange, &list));
}

TEST_F(AppAudioListTest, Gallery)
{
    startApps();
    sys.setPlaying(120, true);
    apps->refresh();
    apps->setVolume(35, app(kSafariPID));
    apps->setOutput(QString(kHeadset), app(kMusicPID));
    writeGallery("AppAudioListCollapsed", {variant("panel", [this] { return new AppAudioList(*audio, *apps, true); })});
    Theme::setSetting(AppAudioList::kExpandedKey, true);
    writeGallery("AppAudioList", {
                                     variant("panel", [this] { return new AppAudioList(*audio, *apps, true); }),
                                     variant("window", [this] { return new AppAudioList(*audio, *apps, false); }),
                                 });
}
