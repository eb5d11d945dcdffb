#include "design/Card.h"
#include "design/Glass.h"
#include "design/Shapes.h"
#include "design/TextLine.h"
#include "design/Theme.h"

#include "DesignTest.h"
#include "app/Prefs.h"
#include "platform/Appearance.h"

#include <QLabel>
#include <QPainter>

namespace {

class ThemeTest : public DesignTest {};

TEST_F(ThemeTest, AccentChoicesParseOnlyTheirExactRawValues)
{
    QStringList raws;
    for (AccentChoice c : AccentChoice::allCases())
        raws << c.rawValue();
    EXPECT_EQ(raws.join(","), "system,blue,purple,pink,red,orange,yellow,green,graphite");

    struct Case {
        QVariant stored; // invalid: absent
        AccentChoice expected;
    };
    const Case cases[] = {
        {QVariant(), AccentChoice::system},          {QString("purple"), AccentChoice::purple},
        {QString("Blue"), AccentChoice::system},     {QString(""), AccentChoice::system},
        {QString("teal"), AccentChoice::system},     {qlonglong(3), AccentChoice::system},
        {QString("graphite"), AccentChoice::graphite},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored.toString().toStdString());
        Prefs::d().set(Theme::kAccentKey, c.stored);
        EXPECT_EQ(AccentChoice::current().rawValue(), c.expected.rawValue());
    }
    EXPECT_FALSE(AccentChoice::fromRawValue("Blue"));
    EXPECT_EQ(AccentChoice(AccentChoice::red).title(), "Kırmızı");
}

TEST_F(ThemeTest, GlassStyleFallsBackToClear)
{
    const std::pair<QVariant, QString> cases[] = {
        {QVariant(), "clear"},          {QString("regular"), "regular"}, {QString("solid"), "solid"},
        {QString("Solid"), "clear"},    {QString("frosted"), "clear"},   {true, "clear"},
    };
    for (const auto& [stored, expected] : cases) {
        Prefs::d().set(Theme::kGlassStyleKey, stored);
        EXPECT_EQ(GlassStyle::current().rawValue(), expected) << stored.toString().toStdString();
    }
}

TEST_F(ThemeTest, SystemAccentFollowsTheSystemAndGraphiteIsTheSystemGrey)
{
    const AccentChoice system = AccentChoice::system;
    EXPECT_EQ(system.nsColor(false), systemColor(SystemColor::blue, false)); // nothing chosen
    Prefs::d().setGlobalObject("AppleAccentColor", qlonglong(5));
    EXPECT_EQ(system.nsColor(false), systemColor(SystemColor::purple, false));
    Prefs::d().setGlobalObject("AppleAccentColor", qlonglong(-1));
    const QColor systemGraphite = system.nsColor(false);
    EXPECT_EQ(AccentChoice(AccentChoice::graphite).nsColor(false), systemColor(SystemColor::gray, false));
    EXPECT_NE(AccentChoice(AccentChoice::graphite).nsColor(false), systemGraphite);
    Prefs::d().setGlobalObject("AppleAccentColor", QVariant());
}

// System Settings changes the appearance and the accent while the application runs: a root
// left to the system follows both at once, a root forced dark keeps its appearance.
TEST_F(ThemeTest, RootsFollowTheSystemAppearanceAndAccentAsTheyChange)
{
    QWidget system, forced;
    KVMAccentRoot::install(&system);
    KVMAccentRoot::install(&forced)->setDark(true);
    const struct {
        bool dark;
        std::optional<int> accent;
        SystemColor shown;
    } steps[] = {
        {true, 0, SystemColor::red},
        {true, 3, SystemColor::green},
        {false, std::nullopt, SystemColor::blue},
    };
    for (const auto& step : steps) {
        sim::appearance::setDark(step.dark);
        sim::appearance::setAccent(step.accent);
        processEvents();
        EXPECT_EQ(isDark(&system), step.dark);
        EXPECT_EQ(system.palette().color(QPalette::Highlight), systemColor(step.shown, step.dark));
        EXPECT_TRUE(isDark(&forced));
        EXPECT_EQ(forced.palette().color(QPalette::Highlight), systemColor(step.shown, true));
    }
    Prefs::d().set(Theme::kAccentKey, QString("pink"));
    sim::appearance::setAccent(0);
    processEvents();
    EXPECT_EQ(system.palette().color(QPalette::Highlight), systemColor(SystemColor::pink, false))
        << "an accent chosen in Pelorn stays over the system's";
}

TEST_F(ThemeTest, EffectiveTintPrefersTheCallerThenTheAccentSwitch)
{
    const QColor accent(255, 0, 0);
    const QColor own(0, 0, 255, 64);
    EXPECT_EQ(effectiveGlassTint(own, true, accent), own);
    EXPECT_EQ(effectiveGlassTint(own, false, accent), own);
    EXPECT_EQ(effectiveGlassTint(std::nullopt, false, accent), std::nullopt);
    const auto tinted = effectiveGlassTint(std::nullopt, true, accent);
    ASSERT_TRUE(tinted);
    EXPECT_EQ(tinted->rgb(), accent.rgb());
    EXPECT_NEAR(tinted->alphaF(), 0.14, 0.005);
}

TEST_F(ThemeTest, AccentRootPassesTheChosenAccentDownAndFollowsItLive)
{
    QWidget outside;
    QWidget root;
    auto* child = new QLabel(&root);
    EXPECT_EQ(kvmAccent(&outside), Theme::controlAccentColor(false)); // platform accent
    KVMAccentRoot::install(&root);
    EXPECT_EQ(kvmAccent(child), Theme::controlAccentColor(false)); // "system" by default

    Theme::setSetting(Theme::kAccentKey, QString("pink"));
    EXPECT_EQ(kvmAccent(child), systemColor(SystemColor::pink, false));
    EXPECT_EQ(child->palette().color(QPalette::Highlight), systemColor(SystemColor::pink, false));
    EXPECT_EQ(kvmAccent(&outside), Theme::controlAccentColor(false));

    Theme::setSetting(Theme::kAccentKey, QString("Pink"));
    EXPECT_EQ(child->palette().color(QPalette::Highlight), Theme::controlAccentColor(false));
}

// A widget that paints only a glass surface, to look at the material itself.
class Surface : public QWidget {
public:
    std::optional<QColor> tint;
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const KVMGlass g = kvmGlass(continuousRoundedRect(QRectF(rect()), 20), tint, false);
        g.paintBackground(p, this);
        g.paintOverlay(p, this);
    }
};

TEST_F(ThemeTest, SolidGlassIsTheTintUnderSixPercentPrimaryWithAHairline)
{
    for (bool dark : {false, true}) {
        for (qreal dpr : {1.0, 2.0}) {
            SCOPED_TRACE(std::string(dark ? "dark " : "light ") + std::to_string(dpr));
            Surface s;
            applyLook(&s, {dark, "solid"});
            Theme::setSetting(Theme::kGlassAccentTintKey, false);
            const QColor window = s.palette().color(QPalette::Window);
            const QImage plain = render(&s, {120, 80}, dpr);
            // The back fill is transparent: only 6 % primary over the window.
            const QColor centre = at(plain, 60, 40);
            const int expected = int(std::lround(window.red() * 0.94 + (dark ? 255 : 0) * 0.06));
            EXPECT_NEAR(centre.red(), expected, 2);
            EXPECT_NEAR(centre.blue() - centre.red(), window.blue() - window.red(), 1); // untinted
            // Continuous corners: the very corner stays the backdrop.
            EXPECT_EQ(at(plain, 0.5, 0.5), window);

            Theme::setSetting(Theme::kAccentKey, QString("red"));
            Theme::setSetting(Theme::kGlassAccentTintKey, true);
            KVMAccentRoot::install(&s);
            const QColor tinted = at(render(&s, {120, 80}, dpr), 60, 40);
            EXPECT_GT(tinted.red() - tinted.blue(), 10); // the red accent shows through

            s.tint = QColor(0, 0, 255, 90); // the caller's tint wins over the accent
            const QColor own = at(render(&s, {120, 80}, dpr), 60, 40);
            EXPECT_GT(own.blue() - own.red(), 10);
            Theme::setSetting(Theme::kGlassAccentTintKey, false);
            Theme::setSetting(Theme::kAccentKey, QVariant());
        }
    }
}

TEST_F(ThemeTest, GlassStylesDrawDistinctMaterials)
{
    Surface s;
    s.setPalette(Theme::appearancePalette(false));
    std::vector<QColor> centres;
    for (const char* style : {"clear", "regular", "solid", "other"}) {
        Theme::setSetting(Theme::kGlassStyleKey, QString(style));
        centres.push_back(at(render(&s, {120, 80}, 1.0, true), 60, 60));
    }
    EXPECT_GT(distance(centres[0], centres[1]), 20);
    EXPECT_GT(distance(centres[1], centres[2]), 20);
    EXPECT_EQ(centres[3], centres[0]); // an unknown style is clear
}

// ---- cards

TEST_F(ThemeTest, CardKeepsItsContentAtTheTopLeftTenPointsApart)
{
    for (qreal padding : {0.0, 14.0}) {
        Card card(padding);
        auto* a = new TextLine("Bir", QFont());
        auto* b = new TextLine("İki", QFont());
        card.addWidget(a);
        card.addWidget(b);
        render(&card, {300, 400}, 1.0);
        EXPECT_EQ(a->geometry().top(), int(padding));
        EXPECT_EQ(a->geometry().left(), int(padding));
        EXPECT_EQ(b->geometry().top() - a->geometry().bottom() - 1, 10);
        EXPECT_LT(b->geometry().bottom(), 200); // stretched card, content stays up
    }
}

TEST_F(ThemeTest, CardHeaderShrinksItsGapToEightBeforeTruncatingTheTitle)
{
    auto* trailing = new QLabel("Etkin");
    CardHeader h(QString(80, QChar('W')), "display", SystemColor::red, trailing);
    render(&h, {260, 24}, 1.0);
    EXPECT_EQ(h.icon()->width(), 18);
    EXPECT_EQ(trailing->geometry().left() - h.titleLine()->geometry().right() - 1, 8);
    EXPECT_TRUE(h.titleLine()->shownText().endsWith(QChar(0x2026)));

    CardHeader shortTitle("Ses", "speaker.wave.2", SystemColor::gray, new QLabel("x"));
    render(&shortTitle, {260, 24}, 1.0);
    EXPECT_EQ(shortTitle.titleLine()->shownText(), "Ses");
}

TEST_F(ThemeTest, CardGallery)
{
    std::vector<Variant> variants;
    variants.push_back({"card", {220, 120}, [] {
                            auto* c = new Card(14);
                            c->addWidget(new CardHeader("Ekran", "display", Tint(SystemColor::gray), new QLabel("")));
                            c->addWidget(new TextLine("Parlaklık", QFont()));
                            return c;
                        }});
    variants.push_back({"header", {220, 120}, [] {
                            auto* c = new Card(14);
                            c->addWidget(new CardHeader("Çok uzun bir kart başlığı ki sığmaz", "speaker.wave.2",
                                                        Tint(SystemColor::orange), new QLabel("Etkin")));
                            return c;
                        }});
    variants.push_back({"tinted", {220, 120}, [] {
                            auto* s = new Surface;
                            s->tint = QColor(0, 122, 255, 60);
                            return s;
                        }});
    const QString path = writeGallery("cards", variants);
    EXPECT_TRUE(QImage(path).width() > 0) << path.toStdString();
}

} // namespace
