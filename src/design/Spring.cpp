#include "design/Spring.h"

#include <QEvent>
#include <QWidget>
#include <cmath>
#include <numbers>

namespace {
bool gAnimations = true;
// (1 + ωt)e^(-ωt) falls below 0.001 at ωt ≈ 9.233.
constexpr double kSettleOmegaT = 9.2334;
} // namespace

void Spring::setAnimationsEnabled(bool enabled) { gAnimations = enabled; }
bool Spring::animationsEnabled() { return gAnimations; }

double Spring::progress(double t, double response)
{
    if (response <= 0 || t <= 0)
        return t <= 0 ? 0.0 : 1.0;
    const double omega = 2 * std::numbers::pi / response;
    const double x = omega * t;
    return 1.0 - (1.0 + x) * std::exp(-x);
}

double Spring::settleTime(double response) { return kSettleOmegaT * response / (2 * std::numbers::pi); }

Spring::Spring(double response, QObject* parent) : QObject(parent), response_(response)
{
    animation_.setStartValue(0.0);
    animation_.setEndValue(1.0);
    animation_.setDuration(std::max(1, int(std::lround(settleTime(response_) * 1000))));
    connect(&animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        const double elapsed = v.toDouble() * animation_.duration() / 1000.0;
        current_ = from_ + (target_ - from_) * progress(elapsed, response_);
        emit moved();
    });
    connect(&animation_, &QVariantAnimation::finished, this, [this] {
        current_ = target_;
        emit moved();
    });
}

void Spring::setTarget(double target)
{
    if (hasTarget_ && target == target_)
        return;
    const bool first = !hasTarget_;
    hasTarget_ = true;
    target_ = target;
    const bool unseen = drawnBy_ && !drawnBy_->isVisible();
    if (first || !gAnimations || unseen || !std::isfinite(current_)) {
        animation_.stop();
        current_ = target_;
        emit moved();
        return;
    }
    from_ = current_;
    animation_.stop();
    animation_.start();
}

bool Spring::isAnimating() const { return animation_.state() == QAbstractAnimation::Running; }

void Spring::finish()
{
    animation_.stop();
    current_ = target_;
    emit moved();
}

void Spring::drawnBy(QWidget* widget)
{
    if (drawnBy_)
        drawnBy_->removeEventFilter(this);
    drawnBy_ = widget;
    if (widget)
        widget->installEventFilter(this);
}

bool Spring::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == drawnBy_ && event->type() == QEvent::Hide && isAnimating())
        finish();
    return false;
}
