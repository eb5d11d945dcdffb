#include "DisplayViewTest.h"

#include "app/Notifications.h"
#include "design/Controls.h"
#include "design/Rows.h"
#include "design/TextLine.h"
#include "display/InputDevicesCard.h"
#include "display/InputSourceMenu.h"
#include "window/Router.h"

#include <QApplication>

namespace {

class InputViewsTest : public DisplayViewTest {
protected:
    void SetUp() override
    {
        DisplayViewTest::SetUp();
        start(); // the default desk: monitor 2 shows this Mac on DisplayPort 1 (0x0F)
        key = manager->selected()->key;
    }
    static QAction* item(QMenu* menu, const QString& text)
    {
        for (QAction* a : menu->actions())
            if (a->text().contains(text))
                return a;
        return nullptr;
    }
    static QStringList items(QMenu* menu)
    {
        QStringList out;
        for (QAction* a : menu->actions())
            out << (a->isSeparator() && a->text().isEmpty() ? "---" : a->text());
        return out;
    }
    void hide(uint16_t code)
    {
        manager->setInputDevice(DisplayManager::InputDevice{"", "", true}, code);
        settle();
    }
    QString key;
};

TEST_F(InputViewsTest, MenuItemSwitchesTheMonitorsInputAndTheInputInUseSwitchesNothing)
{
    InputSourceMenu menu(*manager, Router::shared());
    EXPECT_EQ(menu.text(), DisplayManager::thisMacName());
    EXPECT_EQ(menu.symbol(), "laptopcomputer");
    menu.liveMenu()->refill();
    EXPECT_EQ(items(menu.liveMenu()),
              (QStringList{"Monitörü şuna geçir", DisplayManager::thisMacName() + " · DisplayPort 1", "HDMI 1",
                           "HDMI 2", "---", "Cihazları adlandır…"}));
    EXPECT_TRUE(item(menu.liveMenu(), "DisplayPort 1")->isChecked());
    clearTransfers();

    item(menu.liveMenu(), "HDMI 1")->trigger();
    settle();
    EXPECT_EQ(manager->currentInput(), 0x11);
    ASSERT_FALSE(setsOf(2, 0x60).empty());
    EXPECT_EQ(setsOf(2, 0x60).back(), 0x11);
    EXPECT_EQ(menu.text(), "HDMI 1");
    EXPECT_EQ(menu.symbol(), "cable.connector");

    clearTransfers();
    menu.liveMenu()->refill();
    ASSERT_TRUE(item(menu.liveMenu(), "HDMI 1")->isChecked());
    item(menu.liveMenu(), "HDMI 1")->trigger();
    settle();
    EXPECT_TRUE(setsOf(2, 0x60).empty());
}

TEST_F(InputViewsTest, NamingDevicesChoosesTheDisplayPageBeforeAskingForTheWindow)
{
    Router::shared().setPage(Router::Page::overview);
    std::vector<std::pair<QString, Router::Page>> posted;
    const auto connection = QObject::connect(&Notifications::shared(), &Notifications::posted,
                                             [&](const QString& name) { posted.push_back({name, Router::shared().page()}); });
    InputSourceMenu menu(*manager, Router::shared());
    menu.liveMenu()->refill();
    item(menu.liveMenu(), "Cihazları adlandır")->trigger();
    QObject::disconnect(connection);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].first, Notifications::kOpenMainWindow);
    EXPECT_EQ(posted[0].second, Router::Page::display);
}

TEST_F(InputViewsTest, HiddenInputsLeaveTheMenuButTheOneInUseStaysItsLabel)
{
    for (uint16_t code : {0x0F, 0x11, 0x12})
        hide(code);
    InputSourceMenu menu(*manager, Router::shared());
    menu.liveMenu()->refill();
    EXPECT_EQ(items(menu.liveMenu()), (QStringList{"Monitörü şuna geçir", "---", "Cihazları adlandır…"}));
    EXPECT_EQ(menu.text(), DisplayManager::thisMacName());
}

TEST_F(InputViewsTest, MenuLabelWithoutAnInputAndNamesWithAnAmpersand)
{
    manager->setInputDevice(DisplayManager::InputDevice{"Ev & İş", "pc", false}, 0x0F);
    InputSourceMenu menu(*manager, Router::shared());
    EXPECT_EQ(menu.text(), "Ev && İş") << "shown as written, not as a shortcut";
    EXPECT_EQ(menu.symbol(), "pc");
    manager->setCurrentInput(std::nullopt);
    menu.sync();
    EXPECT_EQ(menu.text(), "Giriş");
    EXPECT_EQ(menu.symbol(), "rectangle.on.rectangle");
}

class InputCardTest : public InputViewsTest {
protected:
    InputDevicesCard* card()
    {
        auto* c = show(new InputDevicesCard(*manager), {420, 0});
        idle();
        return c;
    }
};

TEST_F(InputCardTest, TypingANameStoresItOnEveryEditAndKeepsTheField)
{
    auto* c = new InputDevicesCard(*manager);
    std::unique_ptr<QWidget> owner(c);
    c->resize(420, 400);
    c->show();
    c->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(c));
    InputDeviceRow* row = c->row(0x11);
    TextField* field = row->nameField();
    EXPECT_EQ(field->placeholderText(), "Cihaz adı ekle");
    EXPECT_EQ(c->row(0x0F)->nameField()->placeholderText(), DisplayManager::thisMacName());
    field->setFocus();

    QTest::keyClicks(field, "Oyun");
    EXPECT_EQ(manager->inputDevices().at(key).at("11").name, "Oyun");
    idle(); // the manager published: the card syncs
    manager->reload(); // and publishes again while the person types
    idle();
    QTest::keyClicks(field, " PC");
    idle();

    EXPECT_EQ(manager->inputDevices().at(key).at("11").name, "Oyun PC");
    EXPECT_EQ(c->row(0x11), row);
    EXPECT_TRUE(field->hasFocus());
    EXPECT_EQ(field->text(), "Oyun PC");
    InputSourceMenu menu(*manager, Router::shared());
    menu.liveMenu()->refill();
    EXPECT_TRUE(item(menu.liveMenu(), "Oyun PC · HDMI 1"));
}

TEST_F(InputCardTest, ThisMacComesFirstAndEachRowShowsItsStatus)
{
    QJsonObject m = monitorJson(2);
    QJsonObject ddc = m["ddc"].toObject();
    ddc["capabilities"] = "vcp(10 60(11 12 0F))";
    m["ddc"] = ddc;
    useDisplays({builtinJson(1), m});
    manager.reset();
    start();
    auto* c = card();
    EXPECT_EQ(c->visibleCodes(), (std::vector<uint16_t>{0x0F, 0x11, 0x12}));
    EXPECT_FALSE(c->hiddenGroup()->isVisibleTo(c));

    auto status = [&](uint16_t code) {
        InputDeviceRow* r = c->row(code);
        const QString chip = r->statusChip()->isVisibleTo(r) ? r->statusChip()->text() : QString();
        return std::tuple(chip, r->switchButton()->isVisibleTo(r), r->hideButton()->isEnabled());
    };
    EXPECT_EQ(status(0x0F), std::tuple(QString("Bu Mac"), false, false));
    EXPECT_EQ(status(0x11), std::tuple(QString(), true, true));

    clearTransfers();
    QTest::mouseClick(c->row(0x12)->switchButton(), Qt::LeftButton);
    idle();
    EXPECT_EQ(setsOf(2, 0x60).back(), 0x12);
    EXPECT_EQ(status(0x12), std::tuple(QString("Etkin"), false, false)) << "the active input cannot be hidden";
    EXPECT_EQ(status(0x0F), std::tuple(QString("Bu Mac"), false, false));
}

TEST_F(InputCardTest, EachRowsControlsAreNamedWithTheirInput)
{
    auto* c = card();
    struct Case {
        uint16_t code;
        const char* port;
    };
    for (const Case& k : {Case{0x11, "HDMI 1"}, Case{0x12, "HDMI 2"}}) {
        SCOPED_TRACE(k.port);
        InputDeviceRow* r = c->row(k.code);
        ASSERT_EQ(r->choice().port, k.port);
        EXPECT_EQ(r->switchButton()->accessibleName(), QString("%1 girişine geç").arg(k.port));
        EXPECT_EQ(r->hideButton()->accessibleName(), QString("%1 girişini menüde gizle").arg(k.port));
        EXPECT_EQ(r->nameField()->accessibleName(), QString("%1 için cihaz adı").arg(k.port));
    }
    QTest::mouseClick(c->row(0x11)->hideButton(), Qt::LeftButton);
    idle();
    EXPECT_EQ(c->row(0x11)->hideButton()->accessibleName(), "HDMI 1 girişini menüde göster");
}

TEST_F(InputCardTest, HideButtonMovesAnInputToTheHiddenGroupAndBack)
{
    auto* c = card();
    QTest::mouseClick(c->row(0x11)->hideButton(), Qt::LeftButton);
    idle();
    EXPECT_TRUE(manager->inputDevices().at(key).at("11").hidden);
    EXPECT_EQ(c->visibleCodes(), (std::vector<uint16_t>{0x0F, 0x12}));
    EXPECT_EQ(c->hiddenCodes(), (std::vector<uint16_t>{0x11}));
    ASSERT_TRUE(c->hiddenGroup()->isVisibleTo(c));
    EXPECT_EQ(c->hiddenGroup()->findChild<TextLine*>()->text(), "Gizlenen girişler (1)");

    InputDeviceRow* hidden = c->row(0x11);
    EXPECT_FALSE(hidden->statusChip()->isVisibleTo(hidden)) << "hidden, not active, not this Mac: no status";
    EXPECT_FALSE(hidden->switchButton()->isVisibleTo(hidden));
    EXPECT_EQ(hidden->hideButton()->symbol(), "eye");
    EXPECT_EQ(hidden->hideButton()->toolTip(), "Menüde göster");

    c->hiddenGroup()->setExpanded(true);
    idle();
    QTest::mouseClick(hidden->hideButton(), Qt::LeftButton);
    idle();
    EXPECT_FALSE(manager->inputDevices().at(key).at("11").hidden);
    EXPECT_EQ(c->visibleCodes(), (std::vector<uint16_t>{0x0F, 0x11, 0x12}));
    EXPECT_FALSE(c->hiddenGroup()->isVisibleTo(c));
}

TEST_F(InputCardTest, ActiveHiddenInputKeepsItsChipAndEveryHiddenInputIsInTheGroup)
{
    for (uint16_t code : {0x11, 0x12})
        hide(code);
    manager->setInputDevice(DisplayManager::InputDevice{"", "", true}, 0x0F); // this Mac's, active
    auto* c = card();
    EXPECT_TRUE(c->visibleCodes().empty());
    EXPECT_EQ(c->hiddenCodes(), (std::vector<uint16_t>{0x0F, 0x11, 0x12}));
    InputDeviceRow* active = c->row(0x0F);
    EXPECT_TRUE(active->statusChip()->isVisibleTo(active));
}

TEST_F(InputCardTest, SymbolMenuShowsTheDefaultSymbolAndStoresTheChosenOne)
{
    auto* c = card();
    EXPECT_EQ(c->row(0x0F)->symbolMenu()->shownSymbol(), "laptopcomputer");
    InputSymbolMenu* symbols = c->row(0x11)->symbolMenu();
    EXPECT_EQ(symbols->shownSymbol(), "cable.connector");
    symbols->liveMenu()->refill();
    EXPECT_TRUE(item(symbols->liveMenu(), "Genel")->isChecked());

    item(symbols->liveMenu(), "Oyun konsolu")->trigger();
    idle();
    EXPECT_EQ(manager->inputDevices().at(key).at("11").symbol, "gamecontroller");
    EXPECT_EQ(c->row(0x11)->symbolMenu()->shownSymbol(), "gamecontroller");
    symbols->liveMenu()->refill();
    EXPECT_TRUE(item(symbols->liveMenu(), "Oyun konsolu")->isChecked());
    EXPECT_EQ(InputDeviceRow::symbolName("unknown.symbol"), "Genel");
}

TEST_F(InputCardTest, Gallery)
{
    manager->setInputDevice(DisplayManager::InputDevice{"Oyun PC", "gamecontroller", false}, 0x11);
    hide(0x12);
    const QString path = ViewGallery::writeGallery(
        "display-inputs", {{"menu", {220, 40},
                            [this] {
                                auto* w = new QWidget;
                                auto* m = new InputSourceMenu(*manager, Router::shared(), w);
                                m->move(8, 6);
                                return w;
                            }},
                           {"card", {420, 300}, [this] {
                                auto* c = new InputDevicesCard(*manager);
                                c->hiddenGroup()->setExpanded(true);
                                return c;
                            }}});
    EXPECT_TRUE(QFile::exists(path));
}

} // namespace
