#include "design/Card.h"
#include "design/Rows.h"
#include "design/Symbols.h"
#include "design/TextLine.h"

#include "DesignTest.h"

#include <QApplication>
#include <QEnterEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QTest>

namespace {

class RowsTest : public DesignTest {};

TEST_F(RowsTest, StatRowShowsTheSecondaryColumnOnlyWhenGiven)
{
    StatRow plain("Döngü", "312");
    render(&plain, {260, 20}, 1.0);
    EXPECT_EQ(plain.secondaryLine(), nullptr);
    EXPECT_EQ(plain.valueLine()->geometry().right(), 259);

    StatRow both("Sağlık", "%92", QString("4500 mAh"));
    render(&both, {260, 20}, 1.0);
    ASSERT_NE(both.secondaryLine(), nullptr);
    EXPECT_GE(both.secondaryLine()->width(), 52);
    EXPECT_EQ(both.secondaryLine()->geometry().right(), 259);
    EXPECT_LT(both.valueLine()->geometry().right(), both.secondaryLine()->geometry().left());
    EXPECT_GE(both.valueLine()->geometry().left() - both.labelLine()->geometry().right(), 12);
}

TEST_F(RowsTest, SwitchRowLeavesOutWhatIsNotGivenAndFlipsItsBinding)
{
    bool on = false;
    const BoolBinding binding{[&] { return on; }, [&](bool v) { on = v; }};
    SwitchRow bare("Pürüzsüz kaydırma", std::nullopt, std::nullopt, binding);
    render(&bare, {280, 30}, 1.0);
    EXPECT_EQ(bare.icon(), nullptr);
    EXPECT_EQ(bare.subtitleLine(), nullptr);
    EXPECT_EQ(bare.titleLine()->mapTo(&bare, QPoint()).x(), 0);
    EXPECT_EQ(bare.toggle()->accessibleName(), "Pürüzsüz kaydırma");

    SwitchRow full("Ters kaydırma", QString("Yalnızca fare"), QString("computermouse"), binding);
    render(&full, {280, 40}, 1.0);
    ASSERT_NE(full.icon(), nullptr);
    EXPECT_EQ(full.icon()->width(), 20);
    EXPECT_EQ(full.titleLine()->mapTo(&full, QPoint()).x(), 30);
    ASSERT_NE(full.subtitleLine(), nullptr);
    EXPECT_EQ(full.subtitleLine()->geometry().top() - full.titleLine()->geometry().bottom() - 1, 1);

    QTest::mouseClick(full.toggle(), Qt::LeftButton);
    EXPECT_TRUE(on);
    QTest::mouseClick(full.toggle(), Qt::LeftButton);
    EXPECT_FALSE(on);
}

TEST_F(RowsTest, SelectableRowClicksAnywhereAndHovers)
{
    int runs = 0;
    SelectableRow row("MacBook Hoparlörü", "laptopcomputer", true, [&] { ++runs; });
    render(&row, {300, 32}, 1.0);
    const QPoint gap(int(row.checkRect().left()) - 20, 16); // between title and check mark
    QTest::mouseClick(&row, Qt::LeftButton, {}, gap);
    EXPECT_EQ(runs, 1);
    QTest::mousePress(&row, Qt::LeftButton, {}, gap);
    QTest::mouseRelease(&row, Qt::LeftButton, {}, QPoint(400, 16)); // released outside
    EXPECT_EQ(runs, 1);

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&row, &enter);
    EXPECT_TRUE(row.hovering());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&row, &leave);
    EXPECT_FALSE(row.hovering());
}

TEST_F(RowsTest, SelectedRowWearsTheAccentAndFollowsIt)
{
    for (bool dark : {false, true}) {
        for (qreal dpr : {1.0, 2.0}) {
            QWidget root;
            root.setPalette(Theme::appearancePalette(dark));
            KVMAccentRoot::install(&root);
            auto* row = new SelectableRow("Harici", "display", true, {}, &root);
            auto* other = new SelectableRow("Diğer", "display", false, {}, &root);
            row->setGeometry(0, 0, 300, 32);
            other->setGeometry(0, 40, 300, 32);
            Theme::setSetting(Theme::kAccentKey, QString("green"));
            QImage img = render(&root, {300, 72}, dpr);
            const QColor green = systemColor(SystemColor::green, dark);
            const QRectF badge = row->badgeRect();
            EXPECT_LT(distance(at(img, badge.left() + 3, badge.center().y()), green), 20);
            EXPECT_LT(nearest(img, row->checkRect(), green), 20);
            // The unselected badge is a faint primary circle.
            EXPECT_GT(distance(at(img, badge.left() + 3, 40 + badge.center().y()), green), 150);

            Theme::setSetting(Theme::kAccentKey, QString("orange"));
            img = render(&root, {300, 72}, dpr);
            EXPECT_LT(distance(at(img, badge.left() + 3, badge.center().y()), systemColor(SystemColor::orange, dark)),
                      20);
        }
    }
}

TEST_F(RowsTest, ChipIsTintedInEveryStyleWhateverTheAccentSwitch)
{
    for (const Look& look : looks()) {
        for (qreal dpr : {1.0, 2.0}) {
            SCOPED_TRACE(std::string(look.style) + (look.dark ? " dark " : " light ") + std::to_string(dpr));
            StatusChip chip("Bu Mac", "checkmark.circle.fill", QColor(0, 200, 0));
            applyLook(&chip, look);
            Theme::setSetting(Theme::kGlassAccentTintKey, false);
            const QImage img = render(&chip, chip.sizeHint(), dpr);
            const QColor c = at(img, 6, chip.sizeHint().height() / 2.0);
            const QColor window = chip.palette().color(QPalette::Window);
            EXPECT_GT(c.green() - c.red(), window.green() - window.red() + 8);
        }
    }
}

TEST_F(RowsTest, RowGallery)
{
    const QString path = writeGallery(
        "rows", {{"rows", {280, 170}, [] {
                      auto* card = new Card(12);
                      card->addWidget(new CardHeader("Ses", "speaker.wave.2", QColor(142, 142, 147),
                                                     new StatusChip("Etkin", "checkmark.circle.fill", QColor(40, 205, 65))));
                      card->addWidget(new StatRow("Sağlık", "%92", QString("4500 mAh")));
                      static bool on = true;
                      card->addWidget(new SwitchRow("Ters kaydırma", QString("Yalnızca fare"), QString("computermouse"),
                                                    {[] { return on; }, [](bool v) { on = v; }}));
                      return card;
                  }},
                 {"list", {280, 170}, [] {
                      auto* card = new Card(8);
                      card->addWidget(new SelectableRow("MacBook Hoparlörü", "laptopcomputer", true, {}));
                      card->addWidget(new SelectableRow("LG UltraFine çok uzun bir cihaz adı ki sığmaz", "display",
                                                        false, {}));
                      auto* chips = new QWidget;
                      auto* l = new QHBoxLayout(chips);
                      l->setContentsMargins(0, 0, 0, 0);
                      l->addWidget(new StatusChip("Ana ekran", "menubar.rectangle", QColor(0, 122, 255)));
                      l->addWidget(new StatusChip("Uyarı", "exclamationmark.triangle", QColor(255, 149, 0)));
                      l->addStretch();
                      card->addWidget(chips);
                      return card;
                  }},
                 {"symbols", {440, 170}, [] {
                      auto* w = new QWidget;
                      auto* grid = new QGridLayout(w);
                      grid->setSpacing(4);
                      const QStringList names = Symbols::names();
                      for (int i = 0; i < names.size(); ++i) {
                          auto* s = new SymbolView(names[i], 14, SymbolWeight::medium);
                          s->setColor(QColor());
                          grid->addWidget(s, i / 14, i % 14);
                      }
                      return w;
                  }}});
    EXPECT_FALSE(QImage(path).isNull());
}

} // namespace
