#include "design/Buttons.h"
#include "design/Symbols.h"

#include "DesignTest.h"

#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QGridLayout>
#include <QRegularExpression>
#include <set>

namespace {

class SymbolsTest : public DesignTest {};

// ---- finding the symbol names in the sources

// The sources with comments blanked out (string literals kept), so that positions still match.
QString withoutComments(const QString& text)
{
    QString out = text;
    enum { code, line, block, string, character } state = code;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out[i], next = i + 1 < out.size() ? out[i + 1] : QChar();
        switch (state) {
        case code:
            if (c == '/' && next == '/')
                state = line;
            else if (c == '/' && next == '*')
                state = block;
            else if (c == '"')
                state = string;
            else if (c == '\'')
                state = character;
            break;
        case string:
        case character:
            if (c == '\\')
                ++i;
            else if (c == (state == string ? '"' : '\''))
                state = code;
            continue;
        case line:
            if (c == '\n')
                state = code;
            break;
        case block:
            if (c == '*' && next == '/') {
                out[i] = out[i + 1] = ' ';
                ++i;
                state = code;
                continue;
            }
            break;
        }
        if (state == line || state == block)
            out[i] = c == '\n' ? c : QChar(' ');
    }
    return out;
}

// The same text with the insides of string and character literals blanked too, so that brackets
// and commas in texts do not confuse the structure.
QString blankedLiterals(const QString& code)
{
    QString out = code;
    QChar quote;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out[i];
        if (quote.isNull()) {
            if (c == '"' || c == '\'')
                quote = c;
        } else if (c == '\\') {
            out[i] = ' ';
            if (i + 1 < out.size())
                out[++i] = ' ';
        } else if (c == quote) {
            quote = QChar();
        } else if (c != '\n') {
            out[i] = ' ';
        }
    }
    return out;
}

// A callee, variable or field named after a symbol, or one of the design system's constructors
// that take a symbol name among their arguments.
bool mentionsSymbol(const QString& name)
{
    static const QRegularExpression symbolish("symbol|icon", QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression takesSymbol(
        R"(\b(CardHeader|TileLabel|ControlTile|StatusChip|SelectableRow|SwitchRow|ControlSlider|ValueSlider|GlassButton|GlassMenuButton|addMenuAction)\b)");
    return name.contains(symbolish) || name.contains(takesSymbol);
}

// The unmatched opening bracket before `pos` (-1: none); `commas` counts the commas between it
// and `pos` at its own level.
qsizetype openerBefore(const QString& code, qsizetype pos, int* commas = nullptr)
{
    int depth = 0, n = 0;
    for (qsizetype i = pos - 1; i >= 0; --i) {
        const QChar c = code[i];
        if (c == ')' || c == ']' || c == '}') {
            ++depth;
        } else if (c == '(' || c == '[' || c == '{') {
            if (depth == 0) {
                if (commas)
                    *commas = n;
                return i;
            }
            --depth;
        } else if (c == ',' && depth == 0) {
            ++n;
        }
    }
    return -1;
}

// What is called at the parenthesis `open`: "Symbols::draw", "std::make_unique<ControlTile>".
QString calleeBefore(const QString& code, qsizetype open)
{
    qsizetype i = open;
    while (i > 0 && code[i - 1].isSpace())
        --i;
    const qsizetype end = i;
    if (i > 0 && code[i - 1] == '>') {
        int depth = 0;
        while (i > 0) {
            --i;
            if (code[i] == '>')
                ++depth;
            else if (code[i] == '<' && --depth == 0)
                break;
        }
    }
    while (i > 0 && (code[i - 1].isLetterOrNumber() || code[i - 1] == '_' || code[i - 1] == ':'))
        --i;
    return code.mid(i, end - i);
}

// The text of the statement before `pos`, from the last ; { or }.
QString statementBefore(const QString& code, qsizetype pos)
{
    static const QRegularExpression boundary("[;{}]");
    const qsizetype start = code.lastIndexOf(boundary, pos - 1) + 1;
    return code.mid(start, pos - start);
}

// Whether the literal at `start` of the (comment-free, literal-blanked) code is used as a
// symbol name: an argument of a call that takes one, a value given to something named after a
// symbol, the result of a function named after one, or the field of a table row whose struct
// calls that field a symbol.
bool isSymbolUse(const QString& code, qsizetype start)
{
    qsizetype pos = start;
    int commas = 0;
    for (;;) {
        const qsizetype open = openerBefore(code, pos, &commas);
        if (open < 0 || code[open] == '[')
            break;
        if (code[open] == '(') {
            static const QRegularExpression passThrough(R"(^(|QString|QStringLiteral|QLatin1String|QString::fromLatin1|std::optional<\w+>|std::make_optional)$)");
            const QString callee = calleeBefore(code, open);
            if (passThrough.match(callee).hasMatch()) {
                pos = open; // a bracket or a conversion around the literal
                continue;
            }
            return mentionsSymbol(callee);
        }
        // A braced row of a table: `Row rows[] = {{..., "name"}, ...}` and `struct Row {...}`.
        const qsizetype outer = openerBefore(code, open);
        if (outer >= 0 && code[outer] == '{') {
            static const QRegularExpression arrayOf(
                R"((?:(\w+)\s+\w+\s*\[\s*\w*\s*\]\s*=|std::(?:array|vector)<\s*(\w+)[^>]*>\s*\w+\s*=?)\s*$)");
            const QRegularExpressionMatch table = arrayOf.match(code.left(outer));
            if (table.hasMatch()) {
                const QString type = table.captured(1).isEmpty() ? table.captured(2) : table.captured(1);
                const QRegularExpressionMatch body =
                    QRegularExpression("struct\\s+" + type + R"(\s*\{([^}]*)\})").match(code);
                QStringList fields;
                for (const QString& decl : body.captured(1).split(';', Qt::SkipEmptyParts))
                    if (!decl.trimmed().isEmpty())
                        fields << decl.trimmed().section(QRegularExpression("[\\s*&]+"), -1);
                if (commas < fields.size() && mentionsSymbol(fields[commas]))
                    return true;
            }
        }
        break;
    }

    const QString statement = statementBefore(code, start);
    // `symbol_ = on ? "a" : "b"`, `QString symbol = "a"`, `.symbol = "a"`
    static const QRegularExpression assigned(R"((\w+)\s*=(?!=)[^;(){}]*$)");
    if (const QRegularExpressionMatch m = assigned.match(statement); m.hasMatch())
        return mentionsSymbol(m.captured(1));

    // `return "a";` inside a function named after a symbol (through switch, if and for blocks).
    static const QRegularExpression returned(R"(\breturn\b[^;(){}]*$)");
    if (!returned.match(statement).hasMatch())
        return false;
    static const QRegularExpression header(R"(([\w:~]+)\s*\([^;{}]*\)\s*(?:const|override|noexcept|final|\s)*$)");
    for (qsizetype open = openerBefore(code, start); open >= 0; open = openerBefore(code, open)) {
        if (code[open] != '{')
            return false;
        const QRegularExpressionMatch m = header.match(statementBefore(code, open));
        if (!m.hasMatch())
            return false; // a lambda or an initialiser
        const QString name = m.captured(1).section("::", -1);
        if (name == "switch" || name == "if" || name == "for" || name == "while")
            continue;
        return mentionsSymbol(name);
    }
    return false;
}

struct Found {
    QString name;
    QString where;
};

std::vector<Found> symbolNamesInSources(const QString& srcDir)
{
    static const QRegularExpression literal(R"re("([a-z][a-z0-9]*(?:\.[a-z0-9]+)*)")re");
    std::vector<Found> found;
    QDirIterator it(srcDir, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.endsWith("design/Symbols.cpp"))
            continue; // where they are drawn
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QString text = withoutComments(QString::fromUtf8(f.readAll()));
        const QString code = blankedLiterals(text);
        for (auto match = literal.globalMatch(text); match.hasNext();) {
            const QRegularExpressionMatch m = match.next();
            if (code[m.capturedStart() + 1] == ' ' && isSymbolUse(code, m.capturedStart())) {
                const int line = int(text.left(m.capturedStart()).count('\n')) + 1;
                found.push_back({m.captured(1), QDir(srcDir).relativeFilePath(path) + ":" + QString::number(line)});
            }
        }
    }
    return found;
}

TEST_F(SymbolsTest, TheFinderSeesSymbolNamesInTheirUsualPlaces)
{
    const QString sample = withoutComments(R"(
        struct PageInfo { const char* raw; const char* title; const char* symbol; };
        constexpr PageInfo kPages[] = {
            {"overview", QT_TRANSLATE_NOOP("Pelorn", "Genel"), "square.grid.2x2"},
        };
        QString Device::symbol() const { switch (t) { case 1: return "headphones"; } return "tv"; }
        void f() {
            auto* h = new CardHeader(tr("Ses"), "speaker.wave.2", Tint::secondary());
            symbol_ = muted ? "speaker.slash.fill" : "speaker.wave.1.fill";
            Symbols::draw(p, on ? "bolt" : "bolt.fill", box, c);
            auto tile = std::make_unique<ControlTile>("pc", tr("Bilgisayar"), std::nullopt, false, std::nullopt, {});
            Prefs::set("display.dimming", true); // a settings key
            QJsonObject o{{"name", name}, {"symbol", symbol}};
            row(Prefs::boolValue("scroll.smooth"), "gamecontroller");
        }
    )");
    static const QRegularExpression literal(R"re("([a-z][a-z0-9]*(?:\.[a-z0-9]+)*)")re");
    const QString code = blankedLiterals(sample);
    QStringList seen;
    for (auto match = literal.globalMatch(sample); match.hasNext();) {
        const QRegularExpressionMatch m = match.next();
        if (code[m.capturedStart() + 1] == ' ' && isSymbolUse(code, m.capturedStart()))
            seen << m.captured(1);
    }
    EXPECT_EQ(seen, (QStringList{"square.grid.2x2", "headphones", "tv", "speaker.wave.2", "speaker.slash.fill",
                                 "speaker.wave.1.fill", "bolt", "bolt.fill", "pc"}));
}

TEST_F(SymbolsTest, EverySymbolNamedInTheSourcesIsDrawn)
{
    const std::vector<Found> found = symbolNamesInSources(testpaths::sourceDir() + "/src");
    ASSERT_GT(found.size(), 20u) << "the sources were not found or not read";
    std::set<QString> names;
    for (const Found& f : found) {
        names.insert(f.name);
        EXPECT_TRUE(Symbols::has(f.name)) << f.name.toStdString() << " at " << f.where.toStdString()
                                          << " is drawn as the placeholder";
    }
    // The device, settings and source symbols that the views name.
    for (const char* name : {"desktopcomputer", "macmini", "pc", "gamecontroller", "tv", "appletv", "headphones",
                             "iphone", "hifispeaker", "airplayaudio", "bolt", "gearshape", "rectangle"})
        EXPECT_TRUE(Symbols::has(name)) << name;
    EXPECT_TRUE(names.count("gearshape")) << "a table row's symbol field is seen";
    EXPECT_TRUE(names.count("hifispeaker")) << "a symbol() function's results are seen";
}

QImage drawn(const QString& name, const QColor& color = Qt::black)
{
    QImage img(48, 48, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    Symbols::draw(p, name, QRectF(0, 0, 48, 48), color);
    return img;
}

int inkCount(const QImage& img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += qAlpha(img.pixel(x, y)) > 100;
    return n;
}

TEST_F(SymbolsTest, EverySymbolHasAShapeOfItsOwn)
{
    const QImage placeholder = drawn("no.such.symbol");
    const QStringList names = Symbols::names();
    std::vector<QImage> images;
    for (const QString& name : names) {
        const QImage img = drawn(name);
        EXPECT_GT(inkCount(img), 40) << name.toStdString() << " draws (almost) nothing";
        EXPECT_NE(img, placeholder) << name.toStdString();
        images.push_back(img);
    }
    for (size_t i = 0; i < images.size(); ++i)
        for (size_t j = i + 1; j < images.size(); ++j)
            EXPECT_NE(images[i], images[j]) << names[int(i)].toStdString() << " and " << names[int(j)].toStdString()
                                            << " look the same";
}

TEST_F(SymbolsTest, AnIconIsTheSymbolInTheColourOfItsState)
{
    const QIcon fixed = Symbols::icon("gearshape", QColor(255, 0, 0));
    ASSERT_FALSE(fixed.isNull());
    for (qreal dpr : {1.0, 2.0}) {
        const QPixmap pm = fixed.pixmap(QSize(16, 16), dpr);
        EXPECT_EQ(pm.size(), QSize(16, 16) * dpr);
        const QImage img = pm.toImage();
        EXPECT_GT(inkCount(img), int(20 * dpr * dpr));
        EXPECT_EQ(img, [&] {
            // The same drawing as the symbol itself, only at the icon's size.
            QImage ref(img.size(), QImage::Format_ARGB32_Premultiplied);
            ref.fill(Qt::transparent);
            QPainter p(&ref);
            Symbols::draw(p, "gearshape", QRectF(0, 0, ref.width(), ref.height()), QColor(255, 0, 0));
            p.end();
            return ref.convertToFormat(img.format());
        }());
    }

    // Without a colour it takes the text colour of the application palette, faded when disabled.
    const QPalette saved = QApplication::palette();
    QApplication::setPalette(Theme::appearancePalette(true));
    const QIcon themed = Symbols::icon("bolt.fill");
    const QImage normal = themed.pixmap(QSize(24, 24), 1.0).toImage();
    const QImage disabled = themed.pixmap(QSize(24, 24), 1.0, QIcon::Disabled).toImage();
    QApplication::setPalette(saved);
    int strongest = 0, strongestDisabled = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x) {
            const QColor c = normal.pixelColor(x, y);
            if (c.alpha() > 200) {
                EXPECT_GT(c.lightness(), 200) << "white text in the dark palette";
            }
            strongest = std::max(strongest, c.alpha());
            strongestDisabled = std::max(strongestDisabled, disabled.pixelColor(x, y).alpha());
        }
    EXPECT_GT(strongest, 240);
    EXPECT_LT(strongestDisabled, 140);

    // Menu items take it through addMenuAction.
    QMenu menu;
    QAction* a = addMenuAction(menu, "Ayarlar", {}, "gearshape");
    EXPECT_FALSE(a->icon().isNull());
    EXPECT_TRUE(addMenuAction(menu, "Çık", {})->icon().isNull());
}

TEST_F(SymbolsTest, SymbolGallery)
{
    const QStringList names = Symbols::names();
    const int columns = 16;
    const int rows = int((names.size() + columns - 1) / columns);
    const QString path = writeGallery("symbols", {{"all", {columns * 28, rows * 28}, [names] {
                                                       auto* w = new QWidget;
                                                       auto* grid = new QGridLayout(w);
                                                       grid->setContentsMargins(0, 0, 0, 0);
                                                       grid->setSpacing(0);
                                                       for (int i = 0; i < names.size(); ++i) {
                                                           auto* s = new SymbolView(names[i], 18, SymbolWeight::regular);
                                                           s->setFixedSize(28, 28);
                                                           s->setToolTip(names[i]);
                                                           grid->addWidget(s, i / columns, i % columns);
                                                       }
                                                       return w;
                                                   }}});
    EXPECT_FALSE(QImage(path).isNull());
}

} // namespace
