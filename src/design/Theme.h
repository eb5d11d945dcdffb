#pragma once
// The theme every surface takes its colour from: the accent (one of nine choices, or the
// system's), the three glass styles, and the light or dark appearance of the widget being
// painted. The "ui.*" settings are read afresh at every paint; `Theme::shared().changed()`
// tells the surfaces to repaint when one of them (or the system accent) changes.
#include <QColor>
#include <QObject>
#include <QPalette>
#include <QString>
#include <QVariant>
#include <array>
#include <optional>

class QWidget;

// The platform's named colours, in their light and dark variants.
enum class SystemColor { blue, purple, pink, red, orange, yellow, green, gray };
QColor systemColor(SystemColor color, bool dark);

// A colour named by its role, resolved when painting in the appearance of the widget painted
// (a view is built before it sits in its window, so a colour worked out then is the wrong one).
// `none` leaves the choice to the control; `fixed` is for the rare colour that is the same in
// both appearances (white on a filled badge).
class Tint {
public:
    enum class Role { none, primary, secondary, tertiary, accent, system, fixed };

    Tint() = default;
    Tint(SystemColor color) : role_(Role::system), system_(color) {} // NOLINT: a system colour is a role
    static Tint primary(qreal opacity = 1.0);
    static Tint secondary() { return Tint(Role::secondary); }
    static Tint tertiary() { return Tint(Role::tertiary); }
    static Tint accent() { return Tint(Role::accent); }
    static Tint fixed(const QColor& color);

    Role role() const { return role_; }
    bool isNone() const { return role_ == Role::none; }
    std::optional<SystemColor> systemColor() const;
    // The colour in `widget`'s appearance and under its accent root; invalid for `none`.
    QColor resolve(const QWidget* widget) const;
    QColor resolve(const QWidget* widget, const Tint& fallback) const
    {
        return isNone() ? fallback.resolve(widget) : resolve(widget);
    }

    friend bool operator==(const Tint& a, const Tint& b)
    {
        return a.role_ == b.role_ && a.system_ == b.system_ && a.opacity_ == b.opacity_ && a.fixed_ == b.fixed_;
    }

private:
    explicit Tint(Role role) : role_(role) {}
    Role role_ = Role::none;
    SystemColor system_ = SystemColor::blue;
    qreal opacity_ = 1.0;
    QColor fixed_;
};

class AccentChoice {
public:
    enum Value { system, blue, purple, pink, red, orange, yellow, green, graphite };
    constexpr AccentChoice(Value v) : value_(v) {}

    static const std::array<AccentChoice, 9>& allCases(); // the order the accent picker shows
    static std::optional<AccentChoice> fromRawValue(const QString& raw); // case-sensitive
    // "ui.accent" read straight from the store at each call; anything unknown is `system`.
    static AccentChoice current();

    Value value() const { return value_; }
    QString rawValue() const;
    QString id() const { return rawValue(); }
    QString title() const; // localised
    // `system` follows the system's accent; `graphite` is the system grey.
    QColor nsColor(bool dark) const;

    friend bool operator==(AccentChoice a, AccentChoice b) { return a.value_ == b.value_; }

private:
    Value value_;
};

class GlassStyle {
public:
    enum Value { clear, regular, solid };
    constexpr GlassStyle(Value v) : value_(v) {}

    static const std::array<GlassStyle, 3>& allCases();
    static std::optional<GlassStyle> fromRawValue(const QString& raw);
    // "ui.glassStyle" read at each call; anything unknown is `clear`.
    static GlassStyle current();

    Value value() const { return value_; }
    QString rawValue() const;
    friend bool operator==(GlassStyle a, GlassStyle b) { return a.value_ == b.value_; }

private:
    Value value_;
};

class Theme : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kAccentKey = "ui.accent";
    static constexpr const char* kGlassStyleKey = "ui.glassStyle";
    static constexpr const char* kGlassAccentTintKey = "ui.glassAccentTint";

    static Theme& shared();

    // Writes a "ui.*" setting through Prefs and tells every surface to follow it.
    static void setSetting(const QString& key, const QVariant& value);
    // For writers that went to the store themselves, and for a change of the system accent.
    void notifyChanged() { emit changed(); }

    static bool glassAccentTint();

    // The system's accent ("AppleAccentColor" of the global domain; absent is blue).
    static QColor controlAccentColor(bool dark);

    // A light or dark palette in the platform's look, for windows and for rendering.
    static QPalette appearancePalette(bool dark);
    // The system's appearance, as the system stores it ("AppleInterfaceStyle": "Dark" or absent).
    static bool systemIsDark();

signals:
    void changed();

private:
    Theme() = default;
};

// Appearance of the widget being painted, taken from its palette.
bool isDark(const QWidget* widget);
// The primary (label) colour at an opacity, and the secondary label colour.
QColor primaryColor(const QWidget* widget, qreal opacity = 1.0);
QColor secondaryColor(const QWidget* widget);
// The tertiary label colour (hints, versions) and the separator colour (dividers).
QColor tertiaryColor(const QWidget* widget);
QColor separatorColor(const QWidget* widget);
QColor systemColor(SystemColor color, const QWidget* widget);
QColor withAlpha(QColor color, qreal opacity); // multiplies the colour's own alpha

// The accent seen by a widget: the one installed by the nearest `KVMAccentRoot` above it, or
// the platform accent when there is none.
QColor kvmAccent(const QWidget* widget);

// Installed once at the root of the panel's and the main window's content, and the one place
// their palette is set: the light or dark palette of the appearance, with the accent chosen under
// "ui.accent" as its highlight (the tint of standard controls), so every widget below sees that
// accent as `kvmAccent`. Follows the setting live. The appearance is the system's, unless one
// is forced: a palette set on the root by anyone else (a rendering in dark) forces its
// appearance, and the accent is laid over it again, so neither can undo the other.
class KVMAccentRoot : public QObject {
    Q_OBJECT
public:
    static KVMAccentRoot* install(QWidget* root);
    QColor accent() const;
    void setDark(std::optional<bool> dark);
    bool dark() const;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    explicit KVMAccentRoot(QWidget* root);
    void apply();
    QWidget* root_;
    std::optional<bool> dark_;
    bool applying_ = false;
};

// The palette and accent of `menu`'s parent window, taken each time it opens: a menu is a window
// of its own and would otherwise show the application's light palette in a dark window.
void followParentAppearance(QWidget* popup);

// Repaints a widget whenever the theme changes.
void followTheme(QWidget* widget);
