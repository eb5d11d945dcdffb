#include "design/Card.h"
#include "design/Controls.h"
#include "design/Grid.h"
#include "design/Paint.h"
#include "design/Rows.h"
#include "design/Symbols.h"
#include "design/TextLine.h"

#include "DesignTest.h"

#include <QApplication>
#include <QEnterEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QTest>
#include <functional>
#include <memory>

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

TEST_F(RowsTest, LongTextsWrapAndTheRowGrowsWhereverItSits)
{
    // Texts several times the narrow row's width: cut to one line they would lose words.
    const QString title = "Ayrılınca sesi dahili hoparlöre al ve monitörü kapat";
    const QString subtitle = "Monitörün parlaklığını ve sesini klavyenin tuşlarıyla, kapak açıkken de, "
                             "her ekranda ayrı ayrı ayarlar";
    bool on = false;
    const BoolBinding binding{[&] { return on; }, [&](bool v) { on = v; }};
    struct Holder {
        const char* name;
        int width;
        std::function<QWidget*(SwitchRow*)> wrap; // puts the row in what holds it in the views
    };
    const std::vector<Holder> holders = {
        {"alone", 250, [](SwitchRow* row) { return row; }},
        {"card", 250,
         [](SwitchRow* row) {
             auto* card = new Card(14);
             card->addWidget(row);
             return card;
         }},
        {"grid of cards", 560, // two columns
         [](SwitchRow* row) {
             auto* grid = new CardGrid(250, 12, false);
             auto* card = new Card(14);
             card->addWidget(row);
             grid->addWidget(card);
             auto* other = new Card(14);
             other->addWidget(new TextLine("Kısa", design::bodyFont()));
             grid->addWidget(other);
             return grid;
         }},
    };
    for (const bool withSubtitle : {true, false})
        for (const Holder& holder : holders) {
            SCOPED_TRACE(std::string(holder.name) + (withSubtitle ? ", with subtitle" : ", title only"));
            auto* row = new SwitchRow(title, withSubtitle ? std::optional<QString>(subtitle) : std::nullopt,
                                      QString("keyboard"), binding);
            std::unique_ptr<QWidget> top(holder.wrap(row));
            ASSERT_TRUE(row->hasHeightForWidth());
            const int wide = row->heightForWidth(2000);
            EXPECT_GT(row->heightForWidth(220), wide);

            // Laid out by its holders at a narrow width, with only the height they ask for.
            top->setAttribute(Qt::WA_DontShowOnScreen);
            top->resize(holder.width, 10);
            top->show();
            processEvents();
            top->resize(holder.width,
                        top->hasHeightForWidth() ? top->heightForWidth(holder.width) : top->sizeHint().height());
            processEvents();
            EXPECT_GT(row->height(), wide);
            EXPECT_LE(row->mapTo(top.get(), QPoint(0, row->height())).y(), top->height());
            // The texts stop short of the switch, which stays at the trailing edge.
            EXPECT_EQ(row->toggle()->geometry().right(), row->width() - 1);

            std::vector<WrappingText*> texts{row->titleLine()};
            if (withSubtitle)
                texts.push_back(row->subtitleLine());
            const QImage img = top->grab().toImage();
            for (WrappingText* text : texts) {
                SCOPED_TRACE(text->text().toStdString());
                ASSERT_NE(text, nullptr);
                EXPECT_GE(text->lineCount(text->width()), 2);
                // Every line fits: the text gets the height its lines need, and the row holds it.
                EXPECT_GE(text->height(), text->heightForWidth(text->width()));
                EXPECT_LE(text->mapTo(row, QPoint(0, text->height())).y(), row->height());
                EXPECT_LT(text->mapTo(row, QPoint(text->width(), 0)).x(), row->toggle()->geometry().left());

                // The last line is drawn: ink reaches the text's bottom line.
                const QPoint origin = text->mapTo(top.get(), QPoint());
                const int lineHeight = QFontMetrics(text->textFont()).height();
                const QRect lastLine(origin.x(), origin.y() + text->height() - lineHeight, text->width(), lineHeight);
                const QColor back = img.pixelColor(lastLine.topRight());
                int inked = 0;
                for (int y = lastLine.top(); y <= lastLine.bottom(); ++y)
                    for (int x = lastLine.left(); x <= lastLine.right(); ++x)
                        inked += distance(img.pixelColor(x, y), back) > 60;
                EXPECT_GT(inked, 20);
            }
        }
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
            StatusChip chip("Bu Mac", "checkmark.circle.fill", Tint::fixed(QColor(0, 200, 0)));
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
                      card->addWidget(new CardHeader("Ses", "speaker.wave.2", Tint(SystemColor::gray),
                                                     new StatusChip("Etkin", "checkmark.circle.fill", Tint(SystemColor::green))));
                      card->addWidget(new StatRow("Sağlık", "%92", QString("4500 mAh")));
                      static bool on = true;
                      card->addWidget(new SwitchRow("Ters kaydırma", QString("Yalnızca fare"), QString("computermouse"),
                                                    {[] { return on; }, [](bool v) { on = v; }}));
                      return card;
                  }},
                 {"wrapping", {280, 170}, [] {
                      auto* card = new Card(12);
                      static bool on = false;
                      card->addWidget(new SwitchRow("Kapak açıkken de ayarla",
                                                    QString("Monitörü klavyenin tuşlarıyla, kapak açıkken de her "
                                                            "ekranda ayrı ayrı ayarlar"),
                                                    QString("keyboard"), {[] { return on; }, [](bool v) { on = v; }}));
                      card->addWidget(new StatRow("Sağlık", "%92"));
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
                      l->addWidget(new StatusChip("Ana ekran", "menubar.rectangle", Tint(SystemColor::blue)));
                      l->addWidget(new StatusChip("Uyarı", "exclamationmark.triangle", Tint(SystemColor::orange)));
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
                          s->setColor(Tint());
                          grid->addWidget(s, i / 14, i % 14);
                      }
                      return w;
                  }}});
    EXPECT_FALSE(QImage(path).isNull());
}

} // namespace
