#include "window/AppearanceCard.h"

#include "app/Prefs.h"
#include "app/Texts.h"
#include "design/Card.h"
#include "design/Controls.h"
#include "design/Glass.h"
#include "design/Paint.h"
#include "design/Rows.h"
#include "design/Shapes.h"
#include "design/Symbols.h"
#include "design/TextLine.h"
#include "design/ViewSync.h"

#include <QConicalGradient>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace {

// A sample of the glass as it is drawn now.
class PreviewTile : public QWidget {
public:
    explicit PreviewTile(const QString& symbol, QWidget* parent = nullptr) : QWidget(parent)
    {
        setMinimumHeight(44);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new SymbolView(symbol, 17, SymbolWeight::regular), 0, Qt::AlignCenter);
    }
    QSize sizeHint() const override { return {60, 44}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const KVMGlass glass = kvmGlass(continuousRoundedRect(QRectF(rect()), 14), std::nullopt, true);
        glass.paintBackground(p, this);
        glass.paintOverlay(p, this);
    }
};

std::vector<SegmentedChoice<QString>::Option> styleOptions()
{
    return {{QStringLiteral("clear"), Texts::tr("Şeffaf")},
            {QStringLiteral("regular"), Texts::tr("Buzlu")},
            {QStringLiteral("solid"), Texts::tr("Opak")}};
}

} // namespace

AccentSwatch::AccentSwatch(AccentChoice choice, QWidget* parent) : QWidget(parent), choice_(choice)
{
    setFixedSize(sizeHint());
    setToolTip(choice.title());
    setCursor(Qt::PointingHandCursor);
}

bool AccentSwatch::isChosen() const { return AppearanceCard::accentRaw() == choice_.rawValue(); }

QRectF AccentSwatch::circleRect() const
{
    return QRectF(QPointF(0, 0), QSizeF(20, 20)).translated(QRectF(rect()).center() - QPointF(10, 10));
}

void AccentSwatch::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF circle = circleRect();
    p.setPen(Qt::NoPen);
    if (choice_ == AccentChoice::system) {
        const bool dark = isDark(this);
        const SystemColor hues[] = {SystemColor::red,  SystemColor::orange, SystemColor::yellow, SystemColor::green,
                                    SystemColor::blue, SystemColor::purple, SystemColor::pink,   SystemColor::red};
        // From angle 0 clockwise on screen; Qt's conical gradient turns the other way, so the
        // stops are laid out from its end.
        QConicalGradient wheel(circle.center(), 0);
        const int n = int(std::size(hues));
        for (int i = 0; i < n; ++i)
            wheel.setColorAt(1.0 - qreal(i) / (n - 1), systemColor(hues[i], dark));
        p.setBrush(wheel);
    } else {
        p.setBrush(choice_.nsColor(isDark(this)));
    }
    p.drawEllipse(circle);
    if (!isChosen())
        return;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(primaryColor(this), 2));
    p.drawEllipse(circle.adjusted(-2, -2, 2, 2)); // the stroke's outer edge 3 points out
    Symbols::draw(p, "checkmark", Symbols::boxFor(9, circle.center()), Qt::white, SymbolWeight::bold);
}

void AccentSwatch::mouseReleaseEvent(QMouseEvent* e)
{
    const QRectF circle = circleRect();
    const QPointF d = e->position() - circle.center();
    if (e->button() != Qt::LeftButton || d.x() * d.x() + d.y() * d.y() > 100)
        return; // the hit area is the circle
    Theme::setSetting(Theme::kAccentKey, choice_.rawValue());
}

QString AppearanceCard::styleRaw()
{
    const QVariant v = Prefs::d().object(Theme::kGlassStyleKey);
    return v.typeId() == QMetaType::QString ? v.toString() : QString::fromLatin1(kDefaultStyle);
}

bool AppearanceCard::accentTint() { return Prefs::boolValue(Theme::kGlassAccentTintKey, false); }

QString AppearanceCard::accentRaw()
{
    const QVariant v = Prefs::d().object(Theme::kAccentKey);
    return v.typeId() == QMetaType::QString ? v.toString() : QString::fromLatin1(kDefaultAccent);
}

AppearanceCard::AppearanceCard(QWidget* parent) : QWidget(parent)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* card = new Card(14);
    outer->addWidget(card);
    card->addWidget(new CardHeader(Texts::tr("Görünüm"), "circle.lefthalf.filled.righthalf.striped.horizontal"));

    auto* accent = new QVBoxLayout;
    accent->setSpacing(6);
    accent->addWidget(new TextLine(Texts::tr("Vurgu rengi"), design::bodyFont()));
    auto* swatchRow = new QHBoxLayout;
    swatchRow->setSpacing(8 - 6); // the swatches' own 3-point margins make up the rest
    swatchRow->setContentsMargins(3 - 3, 0, 0, 0);
    for (AccentChoice choice : AccentChoice::allCases()) {
        auto* swatch = new AccentSwatch(choice);
        swatches_.push_back(swatch);
        swatchRow->addWidget(swatch);
    }
    swatchRow->addStretch(1);
    accent->addLayout(swatchRow);
    card->addLayout(accent);

    auto* styleRow = new QHBoxLayout;
    auto* styleTitle = new TextLine(Texts::tr("Cam stili"), design::bodyFont());
    styleTitle->setMinimumWidth(styleTitle->sizeHint().width()); // never truncated
    styleRow->addWidget(styleTitle);
    styleRow->addSpacing(8);
    styleRow->addStretch(1);
    style_ = new SegmentedChoice<QString>(styleOptions(), styleRaw(), 300,
                                          [](const QString& raw) { Theme::setSetting(Theme::kGlassStyleKey, raw); });
    styleRow->addWidget(style_);
    card->addLayout(styleRow);

    tint_ = new SwitchRow(Texts::tr("Vurgu rengiyle renklendir"), std::nullopt, std::nullopt,
                          {[] { return accentTint(); }, [](bool on) { Theme::setSetting(Theme::kGlassAccentTintKey, on); }});
    card->addWidget(tint_);
    card->addWidget(new WrappingText(Texts::tr("Şeffaf: arkası en çok görünen Liquid Glass. Buzlu: daha okunaklı cam. "
                                               "Opak: cam yerine düz yüzey. Panel, pencere ve ses/parlaklık göstergesi "
                                               "için geçerli."),
                                     design::calloutFont()));

    auto* preview = new QHBoxLayout;
    preview->setSpacing(8);
    for (const char* symbol : {"sun.max.fill", "speaker.wave.2.fill", "battery.75percent"}) {
        auto* tile = new PreviewTile(QString::fromLatin1(symbol));
        tiles_.push_back(tile);
        preview->addWidget(tile, 1);
    }
    card->addLayout(preview);

    auto* binding = new ViewSync(this, [this] { sync(); });
    binding->follow(&Theme::shared(), &Theme::changed);
}

void AppearanceCard::sync()
{
    style_->setSelection(styleRaw());
    tint_->toggle()->update();
    for (AccentSwatch* swatch : swatches_)
        swatch->update();
    for (QWidget* tile : tiles_)
        tile->update();
}
