#pragma once
// The application's own level indicator: a small glass capsule under the menu-bar icon with a
// symbol, a level bar and the number, shown when the application handles a volume or
// brightness key itself. It stays 1.5 s after the last show, then fades out in 0.3 s; it
// never takes focus or the mouse.
#include "design/NumericText.h"
#include "design/Symbols.h"
#include "platform/Clock.h"

#include <QObject>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QWidget>
#include <optional>

class QVariantAnimation;

class HUD : public QObject {
    Q_OBJECT
public:
    static constexpr double kStay = 1.5;
    static constexpr double kFade = 0.3;

    class Model {
    public:
        QString symbol = QStringLiteral("speaker.wave.2.fill");
        QString title;
        double level = 0; // 0-100
    };

    // Made on first use; main thread only.
    static HUD& shared();

    void show(const QString& symbol, const QString& title, double level);

    const Model& model() const { return model_; }
    QWidget* panel() const { return panel_; }
    const QSizeF size{260, 44};

    // Where the panel's bottom-left corner goes, in global bottom-left coordinates.
    QPointF origin() const;

private:
    HUD() = default;
    QWidget* makePanel();
    void applyStyle();
    void fadeOut();
    void setAlpha(double alpha);

    Model model_;
    QWidget* panel_ = nullptr;
    platform::Timer hideWork_;
    platform::Timer fade_;
    double fadeStart_ = 0;
};

// The panel's content; it draws the model it observes.
class HUDView : public QWidget {
    Q_OBJECT
public:
    explicit HUDView(const HUD::Model& model, QWidget* parent = nullptr);
    // Read by the painter; set by the indicator at every show.
    void setGlassTint(std::optional<QColor> tint) { tint_ = std::move(tint); }
    std::optional<QColor> glassTint() const { return tint_; }
    void modelChanged();

    // The bar's fill for the model's level: track width x level / 100, at least 5 points.
    double fillWidth() const;
    QString numberText() const;

    // A changed number counts to the new one, its changed digits rolling up into place; a
    // changed symbol is replaced by scaling the old one down and out and the new one up and in.
    using Crossover = SymbolReplace::State; // from, to, progress (1: only `to` is drawn)
    Crossover numberCrossover() const;
    Crossover symbolCrossover() const;
    QVariantAnimation* numberAnimation() const { return number_->animation(); }
    const NumericRoll& numberRoll() const { return *number_; }
    QVariantAnimation* symbolAnimation() const { return symbol_->animation(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void paintNumber(QPainter& p, const QRectF& box, const QColor& color) const;

    const HUD::Model& model_;
    std::optional<QColor> tint_;
    double shownLevel_ = 0;
    QVariantAnimation* levelAnimation_;
    NumericRoll* number_;
    SymbolReplace* symbol_;
};
