#include "design/Theme.h"

#include "app/Prefs.h"
#include "app/Texts.h"
#include "platform/Appearance.h"

#include <QEvent>
#include <QWidget>

QColor systemColor(SystemColor color, bool dark)
{
    switch (color) {
    case SystemColor::blue: return dark ? QColor(10, 132, 255) : QColor(0, 122, 255);
    case SystemColor::purple: return dark ? QColor(191, 90, 242) : QColor(175, 82, 222);
    case SystemColor::pink: return dark ? QColor(255, 55, 95) : QColor(255, 45, 85);
    case SystemColor::red: return dark ? QColor(255, 69, 58) : QColor(255, 59, 48);
    case SystemColor::orange: return dark ? QColor(255, 159, 10) : QColor(255, 149, 0);
    case SystemColor::yellow: return dark ? QColor(255, 214, 10) : QColor(255, 204, 0);
    case SystemColor::green: return dark ? QColor(50, 215, 75) : QColor(40, 205, 65);
    case SystemColor::gray: return dark ? QColor(152, 152, 157) : QColor(142, 142, 147);
    }
    return {};
}

// ---- AccentChoice

const std::array<AccentChoice, 9>& AccentChoice::allCases()
{
    static const std::array<AccentChoice, 9> all{system, blue, purple, pink, red, orange, yellow, green, graphite};
    return all;
}

QString AccentChoice::rawValue() const
{
    switch (value_) {
    case system: return "system";
    case blue: return "blue";
    case purple: return "purple";
    case pink: return "pink";
    case red: return "red";
    case orange: return "orange";
    case yellow: return "yellow";
    case green: return "green";
    case graphite: return "graphite";
    }
    return "system";
}

std::optional<AccentChoice> AccentChoice::fromRawValue(const QString& raw)
{
    for (AccentChoice c : allCases())
        if (c.rawValue() == raw)
            return c;
    return std::nullopt;
}

AccentChoice AccentChoice::current()
{
    return fromRawValue(Prefs::d().object(Theme::kAccentKey).toString()).value_or(system);
}

QString AccentChoice::title() const
{
    switch (value_) {
    case system: return Texts::tr("Sistem");
    case blue: return Texts::tr("Mavi");
    case purple: return Texts::tr("Mor");
    case pink: return Texts::tr("Pembe");
    case red: return Texts::tr("Kırmızı");
    case orange: return Texts::tr("Turuncu");
    case yellow: return Texts::tr("Sarı");
    case green: return Texts::tr("Yeşil");
    case graphite: return Texts::tr("Grafit");
    }
    return {};
}

QColor AccentChoice::nsColor(bool dark) const
{
    switch (value_) {
    case system: return Theme::controlAccentColor(dark);
    case blue: return systemColor(SystemColor::blue, dark);
    case purple: return systemColor(SystemColor::purple, dark);
    case pink: return systemColor(SystemColor::pink, dark);
    case red: return systemColor(SystemColor::red, dark);
    case orange: return systemColor(SystemColor::orange, dark);
    case yellow: return systemColor(SystemColor::yellow, dark);
    case green: return systemColor(SystemColor::green, dark);
    case graphite: return systemColor(SystemColor::gray, dark);
    }
    return {};
}

// ---- GlassStyle

const std::array<GlassStyle, 3>& GlassStyle::allCases()
{
    static const std::array<GlassStyle, 3> all{clear, regular, solid};
    return all;
}

QString GlassStyle::rawValue() const
{
    switch (value_) {
    case clear: return "clear";
    case regular: return "regular";
    case solid: return "solid";
    }
    return "clear";
}

std::optional<GlassStyle> GlassStyle::fromRawValue(const QString& raw)
{
    for (GlassStyle s : allCases())
        if (s.rawValue() == raw)
            return s;
    return std::nullopt;
}

GlassStyle GlassStyle::current()
{
    return fromRawValue(Prefs::d().object(Theme::kGlassStyleKey).toString()).value_or(clear);
}

// ---- Theme

Theme& Theme::shared()
{
    static Theme* theme = [] {
        auto* t = new Theme; // lives as long as the process, like the surfaces
        // The system's appearance or accent changed in its settings: every surface follows it.
        platform::appearance::observe(t, [t] { t->notifyChanged(); });
        return t;
    }();
    return *theme;
}

void Theme::setSetting(const QString& key, const QVariant& value)
{
    Prefs::set(key, value);
    shared().notifyChanged();
}

bool Theme::glassAccentTint() { return Prefs::boolValue(kGlassAccentTintKey, false); }

QColor Theme::controlAccentColor(bool dark)
{
    // The system stores its accent as a small integer in the global domain.
    const QVariant v = Prefs::d().globalObject("AppleAccentColor");
    if (!v.isValid())
        return systemColor(SystemColor::blue, dark);
    switch (v.toInt()) {
    case -1: return dark ? QColor(140, 140, 145) : QColor(128, 128, 133); // the graphite accent
    case 0: return systemColor(SystemColor::red, dark);
    case 1: return systemColor(SystemColor::orange, dark);
    case 2: return systemColor(SystemColor::yellow, dark);
    case 3: return systemColor(SystemColor::green, dark);
    case 5: return systemColor(SystemColor::purple, dark);
    case 6: return systemColor(SystemColor::pink, dark);
    default: return systemColor(SystemColor::blue, dark);
    }
}

bool Theme::systemIsDark() { return Prefs::d().object(QStringLiteral("AppleInterfaceStyle")).toString() == "Dark"; }

QPalette Theme::appearancePalette(bool dark)
{
    QPalette p;
    const QColor window = dark ? QColor(30, 30, 32) : QColor(236, 236, 238);
    const QColor base = dark ? QColor(40, 40, 42) : QColor(255, 255, 255);
    const QColor text = dark ? QColor(255, 255, 255) : QColor(0, 0, 0);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Window, window);
        p.setColor(group, QPalette::Base, base);
        p.setColor(group, QPalette::AlternateBase, window);
        p.setColor(group, QPalette::Button, dark ? QColor(58, 58, 60) : QColor(250, 250, 250));
        p.setColor(group, QPalette::WindowText, text);
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::ButtonText, text);
        p.setColor(group, QPalette::BrightText, Qt::white);
        p.setColor(group, QPalette::Highlight, controlAccentColor(dark));
        p.setColor(group, QPalette::HighlightedText, Qt::white);
        p.setColor(group, QPalette::PlaceholderText, withAlpha(text, 0.25));
    }
    return p;
}

// ---- colours of a widget

bool isDark(const QWidget* widget)
{
    const QPalette p = widget ? widget->palette() : QPalette();
    return p.color(QPalette::Window).lightness() < 128;
}

QColor withAlpha(QColor color, qreal opacity)
{
    color.setAlphaF(std::clamp(color.alphaF() * opacity, 0.0, 1.0));
    return color;
}

QColor primaryColor(const QWidget* widget, qreal opacity)
{
    const QColor text = widget ? widget->palette().color(QPalette::WindowText) : QColor(Qt::black);
    return withAlpha(text, opacity);
}

QColor secondaryColor(const QWidget* widget)
{
    // The platform's secondary label: the primary colour at half strength.
    return primaryColor(widget, isDark(widget) ? 0.55 : 0.5);
}

QColor tertiaryColor(const QWidget* widget) { return primaryColor(widget, isDark(widget) ? 0.25 : 0.26); }

QColor separatorColor(const QWidget* widget) { return primaryColor(widget, 0.1); }

QColor systemColor(SystemColor color, const QWidget* widget) { return systemColor(color, isDark(widget)); }

QColor kvmAccent(const QWidget* widget)
{
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (w->property("kvmAccentRoot").toBool())
            return AccentChoice::fromRawValue(Prefs::d().object(Theme::kAccentKey).toString())
                .value_or(AccentChoice::system)
                .nsColor(isDark(widget));
    }
    return Theme::controlAccentColor(isDark(widget)); // the platform accent
}

// ---- Tint

Tint Tint::primary(qreal opacity)
{
    Tint t(Role::primary);
    t.opacity_ = opacity;
    return t;
}

Tint Tint::fixed(const QColor& color)
{
    Tint t(Role::fixed);
    t.fixed_ = color;
    return t;
}

std::optional<SystemColor> Tint::systemColor() const
{
    if (role_ == Role::system)
        return system_;
    return std::nullopt;
}

QColor Tint::resolve(const QWidget* widget) const
{
    switch (role_) {
    case Role::none: return {};
    case Role::primary: return primaryColor(widget, opacity_);
    case Role::secondary: return secondaryColor(widget);
    case Role::tertiary: return tertiaryColor(widget);
    case Role::accent: return kvmAccent(widget);
    case Role::system: return ::systemColor(system_, isDark(widget));
    case Role::fixed: return fixed_;
    }
    return {};
}

// ---- KVMAccentRoot

KVMAccentRoot* KVMAccentRoot::install(QWidget* root)
{
    if (auto* existing = root->findChild<KVMAccentRoot*>(QString(), Qt::FindDirectChildrenOnly))
        return existing;
    return new KVMAccentRoot(root);
}

KVMAccentRoot::KVMAccentRoot(QWidget* root) : QObject(root), root_(root)
{
    root_->setProperty("kvmAccentRoot", true);
    if (root_->testAttribute(Qt::WA_SetPalette))
        dark_ = isDark(root_);
    root_->installEventFilter(this);
    // The theme's signal also carries a change of the system's accent.
    connect(&Theme::shared(), &Theme::changed, this, &KVMAccentRoot::apply);
    apply();
}

bool KVMAccentRoot::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == root_ && e->type() == QEvent::PaletteChange && !applying_) {
        dark_ = isDark(root_);
        apply();
    }
    return false;
}

QColor KVMAccentRoot::accent() const { return kvmAccent(root_); }

void KVMAccentRoot::setDark(std::optional<bool> dark)
{
    dark_ = dark;
    apply();
}

bool KVMAccentRoot::dark() const { return dark_.value_or(Theme::systemIsDark()); }

void KVMAccentRoot::apply()
{
    // Appearance and accent together, so neither can undo the other.
    QPalette p = Theme::appearancePalette(dark());
    const QColor a = AccentChoice::current().nsColor(dark());
    for (auto group : {QPalette::Active, QPalette::Inactive})
        p.setColor(group, QPalette::Highlight, a);
    applying_ = true;
    root_->setPalette(p);
    applying_ = false;
    root_->update();
}

namespace {
class ParentAppearance : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::Show || e->type() == QEvent::ParentChange)
            take(static_cast<QWidget*>(watched));
        return false;
    }

public:
    static void take(QWidget* popup)
    {
        QWidget* parent = popup->parentWidget();
        if (!parent)
            return;
        // Every role as set, not as inherited: a window does not inherit from its parent.
        QPalette p = parent->palette();
        p.setResolveMask(~QPalette::ResolveMask(0));
        popup->setPalette(p);
    }
};
} // namespace

void followParentAppearance(QWidget* popup)
{
    popup->installEventFilter(new ParentAppearance(popup));
    ParentAppearance::take(popup);
}

void followTheme(QWidget* widget)
{
    QObject::connect(&Theme::shared(), &Theme::changed, widget, [widget] { widget->update(); });
}
