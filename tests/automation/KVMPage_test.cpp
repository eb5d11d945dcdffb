#include "KVMViewTest.h"

#include "design/Card.h"
#include "design/Rows.h"
#include "design/Theme.h"

#include <QAccessible>
#include <QClipboard>
#include <QJsonDocument>

namespace {

class KVMPageTest : public KVMViewTest {
protected:
    QString shownEvent() const { return withoutTime(page->eventText()->text()); }
    void clickRow(const QUuid& id)
    {
        ProfileList* list = page->list();
        const int i = list->indexOf(id);
        ASSERT_GE(i, 0);
        click(list, list->rowRect(i).center().toPoint());
    }
    KVMProfile profile(const QString& name, uint32_t monitor, bool enabled = true) const
    {
        KVMProfile p;
        p.id = QUuid::createUuid();
        p.name = name;
        p.enabled = enabled;
        for (const DisplayInfo& d : display->displays())
            if (d.id == monitor) {
                p.displayKey = d.key;
                p.displayName = d.name;
            }
        return p;
    }
};

TEST_F(KVMPageTest, WithoutProfilesItShowsTheEmptyStateAndMakesTheFirstFromTheSelectedMonitor)
{
    start();
    openPage();
    EXPECT_EQ(page->rowCount(), 0);
    EXPECT_EQ(page->editor(), nullptr);
    ASSERT_NE(page->emptyCard(), nullptr);
    EXPECT_TRUE(page->emptyCard()->isVisible());
    EXPECT_FALSE(page->activeChip()->isVisible());
    EXPECT_FALSE(page->eventRow()->isVisible());

    // Only an external monitor can have a profile.
    struct Case {
        uint32_t selected;
        bool enabled;
    };
    for (const Case& c : {Case{1, false}, Case{2, true}, Case{1, false}, Case{3, true}}) {
        display->setSelectedID(c.selected);
        settle();
        EXPECT_EQ(page->newProfileButton()->isEnabled(), c.enabled) << "display " << c.selected;
    }

    click(page->newProfileButton());
    ASSERT_EQ(automation->profiles().size(), 1u);
    const KVMProfile made = automation->profiles()[0];
    EXPECT_EQ(made.name, "Lumera 24F");
    EXPECT_EQ(page->rowCount(), 1);
    EXPECT_EQ(page->emptyCard(), nullptr);
    EXPECT_EQ(editor().id(), made.id);
    EXPECT_TRUE(page->row(made.id)->selected);
    EXPECT_TRUE(page->eventRow()->isVisible());
    EXPECT_EQ(shownEvent(), "“Lumera 24F” profili oluşturuldu");
    // The monitor is connected and the new profile on: it is the active one.
    EXPECT_TRUE(page->activeChip()->isVisible());
    EXPECT_EQ(page->activeChip()->text(), "Etkin: Lumera 24F");

    // A second one is selected as it is made.
    const KVMProfile second = addProfileFor(3);
    EXPECT_EQ(second.name, "Lumera 24F 2");
    EXPECT_EQ(editor().id(), second.id);
    EXPECT_FALSE(page->row(made.id)->selected);
    EXPECT_TRUE(page->row(second.id)->selected);
}

TEST_F(KVMPageTest, SwitchingTheMonitorAwayAndBackMovesTheChipTheDotAndTheLastEvent)
{
    start();
    const KVMProfile desk = profile("Masa", 2);
    automation->setProfiles({desk});
    openPage();
    ProfileList* list = page->list();
    ASSERT_EQ(list->indexOf(desk.id), 0);
    const QColor green = systemColor(SystemColor::green, list);
    EXPECT_EQ(list->dotColor(0), green);
    EXPECT_EQ(page->activeChip()->text(), "Etkin: Masa");

    kvm({2}, false);
    EXPECT_FALSE(page->activeChip()->isVisible());
    EXPECT_NE(list->dotColor(0), green);
    EXPECT_TRUE(page->eventRow()->isVisible());
    EXPECT_EQ(shownEvent(), "Lumera 27Q ayrıldı, ses dahili hoparlöre alındı");

    kvm({2}, true);
    EXPECT_TRUE(page->activeChip()->isVisible());
    EXPECT_EQ(list->dotColor(0), green);
    wait(2.0);
    EXPECT_EQ(shownEvent(), "“Masa” uygulandı");
}

TEST_F(KVMPageTest, RowsShowEachProfilesStateAndATapSelectsIt)
{
    start();
    const KVMProfile on = profile("Masa", 2);
    const KVMProfile off = profile("   ", 2, false);
    const KVMProfile away = profile("Yan", 3);
    automation->setProfiles({on, off, away});
    openPage();
    kvm({3}, false);

    struct Expected {
        QUuid id;
        QString label;
        QString detail;
        bool live;
    };
    const Expected expected[] = {
        {on.id, "Masa", "Lumera 27Q", true},
        {off.id, "Lumera 27Q", "Kapalı · Lumera 27Q", false}, // off, though its monitor is there
        {away.id, "Yan", "Lumera 24F", false},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.label.toStdString());
        const auto face = page->row(e.id);
        ASSERT_TRUE(face);
        EXPECT_EQ(face->label, e.label);
        EXPECT_EQ(face->detail, e.detail);
        EXPECT_EQ(face->live, e.live);
    }
    EXPECT_EQ(page->activeChip()->text(), "Etkin: Masa");

    // Nothing chosen yet: the first profile is highlighted and edited.
    EXPECT_FALSE(page->selection());
    EXPECT_TRUE(page->row(on.id)->selected);
    EXPECT_EQ(editor().id(), on.id);

    clickRow(away.id);
    EXPECT_EQ(page->selection(), away.id);
    EXPECT_FALSE(page->row(on.id)->selected);
    EXPECT_TRUE(page->row(away.id)->selected);
    EXPECT_EQ(editor().id(), away.id);
    EXPECT_EQ(editor().profile(), away);

    // The automation switch drives the manager.
    click(page->automationRow()->toggle());
    EXPECT_FALSE(automation->enabled());
    click(page->automationRow()->toggle());
    EXPECT_TRUE(automation->enabled());
}

// The list is one tab stop: the arrows choose the profile above or below, and a screen reader
// sees each row as a list item it can choose.
TEST_F(KVMPageTest, TheKeyboardAndAScreenReaderChooseProfilesInTheList)
{
    start();
    const KVMProfile a = profile("A", 2), b = profile("B", 3), c = profile("C", 2);
    automation->setProfiles({a, b, c});
    openPage();
    QApplication::setActiveWindow(page.get());
    ProfileList* list = page->list();
    list->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(list->hasFocus());
    EXPECT_EQ(list->current(), 0) << "the keyboard starts on the chosen profile";

    QTest::keyClick(list, Qt::Key_Down);
    processEvents();
    EXPECT_EQ(page->selection(), b.id);
    EXPECT_EQ(editor().id(), b.id);
    QTest::keyClick(list, Qt::Key_End);
    processEvents();
    EXPECT_EQ(page->selection(), c.id);
    QTest::keyClick(list, Qt::Key_Up);
    processEvents();
    EXPECT_EQ(page->selection(), b.id);

    QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(list);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->role(), QAccessible::List);
    ASSERT_EQ(shown->childCount(), 3);
    QAccessibleInterface* first = shown->child(0);
    EXPECT_EQ(first->role(), QAccessible::ListItem);
    EXPECT_EQ(first->text(QAccessible::Name), "A");
    EXPECT_EQ(first->text(QAccessible::Description), "Lumera 27Q");
    EXPECT_TRUE(first->state().selectable);
    EXPECT_FALSE(first->state().selected);
    EXPECT_TRUE(shown->child(1)->state().selected);
    EXPECT_TRUE(shown->child(1)->state().focused);
    first->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    processEvents();
    EXPECT_EQ(page->selection(), a.id);
    EXPECT_TRUE(first->state().selected);
}

TEST_F(KVMPageTest, AfterADeleteThePageShowsTheFirstProfileAndADuplicateLeavesTheSelection)
{
    start();
    const KVMProfile a = profile("A", 2), b = profile("B", 3), c = profile("C", 2);
    automation->setProfiles({a, b, c});
    openPage();
    clickRow(b.id);

    choose(editor().moreButton(), "Çoğalt");
    ASSERT_EQ(automation->profiles().size(), 4u);
    EXPECT_EQ(automation->profiles()[3].name, "B kopya");
    EXPECT_EQ(editor().id(), b.id);

    choose(editor().moreButton(), "Sil");
    processEvents();
    ASSERT_EQ(automation->profiles().size(), 3u);
    EXPECT_FALSE(page->row(b.id));
    EXPECT_EQ(editor().id(), a.id);
    EXPECT_TRUE(page->row(a.id)->selected);

    for (const KVMProfile& p : std::vector<KVMProfile>(automation->profiles()))
        automation->remove(p);
    processEvents();
    EXPECT_EQ(page->editor(), nullptr);
    ASSERT_NE(page->emptyCard(), nullptr);
    EXPECT_EQ(page->rowCount(), 0);
}

TEST_F(KVMPageTest, TypingANameStoresEachKeyAndKeepsTheEditorAndItsCaret)
{
    start();
    const KVMProfile desk = profile("", 2);
    automation->setProfiles({desk});
    openPage();
    QApplication::setActiveWindow(page.get());
    ProfileEditor* before = page->editor();
    TextField* field = before->nameField();
    field->setFocus();
    ASSERT_TRUE(field->hasFocus());

    QStringList storedAfterEachKey;
    for (const QChar ch : QString("Ev 1")) {
        QTest::keyClick(field, ch.toLatin1());
        processEvents();
        storedAfterEachKey << automation->profiles()[0].name;
    }
    EXPECT_EQ(storedAfterEachKey, QStringList({"E", "Ev", "Ev ", "Ev 1"}));
    EXPECT_EQ(page->editor(), before);
    EXPECT_TRUE(field->hasFocus());
    EXPECT_EQ(field->cursorPosition(), 4);
    EXPECT_EQ(page->row(desk.id)->label, "Ev 1");

    // A name of spaces only: the list shows the monitor's name.
    field->selectAll();
    QTest::keyClicks(field, "  ");
    processEvents();
    EXPECT_EQ(automation->profiles()[0].name, "  ");
    EXPECT_EQ(page->row(desk.id)->label, "Lumera 27Q");
    EXPECT_EQ(field->text(), "  ");
    EXPECT_EQ(page->editor(), before);
}

// A name a megabyte long (left by an older build, or pasted) is cut to a sane length when it is
// loaded and when it is typed, so neither the list nor the editor lays out a megabyte of text.
TEST_F(KVMPageTest, AHugeNameIsCutWhenLoadedAndWhenPasted)
{
    start();
    const QString huge(1'000'000, u'n');
    KVMProfile stored = profile(huge, 2);
    storeRaw("kvm.profiles", "[" + QJsonDocument(stored.toJson().toObject()).toJson(QJsonDocument::Compact) + "]");
    automation = std::make_unique<AutomationManager>(*display, *audio, *scroll, *battery);
    ASSERT_EQ(automation->profiles().size(), 1u);
    EXPECT_EQ(automation->profiles()[0].name, huge.left(KVMProfile::kMaxNameLength));

    openPage();
    EXPECT_EQ(page->row(stored.id)->label.size(), KVMProfile::kMaxNameLength);
    TextField* field = editor().nameField();
    EXPECT_EQ(field->text().size(), KVMProfile::kMaxNameLength);

    field->selectAll();
    QApplication::clipboard()->setText(QString(1'000'000, u'p'));
    field->paste();
    processEvents();
    EXPECT_EQ(automation->profiles()[0].name, QString(KVMProfile::kMaxNameLength, u'p'));
    EXPECT_EQ(page->row(stored.id)->label.size(), KVMProfile::kMaxNameLength);
}

// Half a surrogate pair is never left at the cut.
TEST(KVMProfileName, CutsAtTheLimitWithoutSplittingACharacter)
{
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // two UTF-16 units
    const std::pair<QString, QString> cases[] = {
        {"Ev", "Ev"},
        {QString(KVMProfile::kMaxNameLength, u'a'), QString(KVMProfile::kMaxNameLength, u'a')},
        {QString(KVMProfile::kMaxNameLength + 1, u'a'), QString(KVMProfile::kMaxNameLength, u'a')},
        {QString(KVMProfile::kMaxNameLength - 1, u'a') + emoji, QString(KVMProfile::kMaxNameLength - 1, u'a')},
        {QString(KVMProfile::kMaxNameLength - 2, u'a') + emoji + "b", QString(KVMProfile::kMaxNameLength - 2, u'a') + emoji},
    };
    for (const auto& [name, cut] : cases)
        EXPECT_EQ(KVMProfile::cutName(name), cut) << name.size();
}

} // namespace
