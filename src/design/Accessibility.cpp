#include "design/Accessibility.h"

#include "design/Sliders.h"
#include "design/Theme.h"

#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QApplication>
#include <QMenu>
#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QSlider>
#include <QWindow>
#include <vector>
#include <cmath>

namespace design::a11y {
namespace {

constexpr double kStep = 5; // what one increase or decrease moves a drawn slider by

// Carries a widget's face; a child, so it goes with the widget. It also takes Space and
// Return for the widget, so every described control activates alike from the keyboard.
class FaceHolder : public QObject {
public:
    FaceHolder(QWidget* w, Face f) : QObject(w)
    {
        w->installEventFilter(this);
        setFace(std::move(f));
    }
    void setFace(Face f)
    {
        face = std::move(f);
        owner_ = face.owner ? face.owner : static_cast<QWidget*>(parent());
        kind_ = owner_->metaObject();
    }
    // While an object is destroyed its dynamic type falls back class by class, so once the
    // owner's own destructor has run it no longer is the kind it was described as.
    bool alive() const { return owner_ && owner_->metaObject()->inherits(kind_); }
    Face face;

private:
    QPointer<const QWidget> owner_;
    const QMetaObject* kind_ = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() != QEvent::KeyPress || !face.activate || !alive())
            return false;
        const auto* key = static_cast<QKeyEvent*>(e);
        if (key->modifiers() & ~Qt::KeypadModifier)
            return false;
        if (key->key() != Qt::Key_Space && key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        const auto* w = static_cast<QWidget*>(watched);
        if (!w->isEnabled())
            return false;
        face.activate();
        return true;
    }
};

FaceHolder* holderOf(QObject* object)
{
    // Not findChild: without a meta-object of its own the holder would match any child.
    for (QObject* child : object->children())
        if (auto* holder = dynamic_cast<FaceHolder*>(child))
            return holder;
    return nullptr;
}

class Described : public QAccessibleWidget {
public:
    Described(QWidget* w, FaceHolder* holder) : QAccessibleWidget(w, holder->face.role), holder_(holder) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name) {
            const Face* f = face();
            QString name = f && f->name ? f->name() : QAccessibleWidget::text(t); // a window: its title
            return name.isEmpty() ? widget()->toolTip() : name;
        }
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        if (const Face* f = face()) {
            if (f->checked) {
                s.checkable = true;
                s.checked = f->checked();
            }
            if (f->selected) {
                s.selectable = true;
                s.selected = f->selected();
            }
            if (f->expanded) {
                s.expandable = true;
                s.expanded = f->expanded();
                s.collapsed = !s.expanded;
            }
        }
        return s;
    }
    QStringList actionNames() const override
    {
        QStringList names;
        if (const Face* f = face(); f && f->activate && widget()->isEnabled())
            names << mainAction(*f);
        return names + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override
    {
        const Face* f = face();
        if (f && f->activate && widget()->isEnabled() && name == mainAction(*f))
            f->activate();
        else
            QAccessibleWidget::doAction(name);
    }

private:
    const Face* face() const { return holder_ && holder_->alive() ? &holder_->face : nullptr; }
    // A switch toggles; a radio button or a list item is pressed to choose it.
    QString mainAction(const Face& f) const
    {
        return f.checked && role() != QAccessible::RadioButton ? toggleAction() : pressAction();
    }
    QPointer<FaceHolder> holder_;
};

// Carries a drawn list's items and the elements made for them so far (made on first query,
// registered with Qt, let go with the list or when their item goes).
class ItemsHolder : public QObject {
public:
    ItemsHolder(QWidget* w, Items i) : QObject(w), items(std::move(i)), owner_(w), kind_(w->metaObject()) {}
    ~ItemsHolder() override { trim(0); }
    bool alive() const { return owner_ && owner_->metaObject()->inherits(kind_); }
    QWidget* widget() const { return owner_; }
    int count() const { return alive() && items.count ? items.count() : 0; }
    QAccessibleInterface* element(int index);
    int indexOf(const QAccessibleInterface* element) const
    {
        for (size_t i = 0; i < ids_.size(); ++i)
            if (ids_[i] && QAccessible::accessibleInterface(ids_[i]) == element)
                return int(i);
        return -1;
    }
    void trim(int count)
    {
        while (int(ids_.size()) > count) {
            if (ids_.back())
                QAccessible::deleteAccessibleInterface(ids_.back());
            ids_.pop_back();
        }
    }
    Items items;

private:
    QPointer<QWidget> owner_;
    const QMetaObject* kind_;
    std::vector<QAccessible::Id> ids_;
};

ItemsHolder* itemsHolderOf(QObject* object)
{
    for (QObject* child : object->children())
        if (auto* holder = dynamic_cast<ItemsHolder*>(child))
            return holder;
    return nullptr;
}

class ItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    ItemAccessible(ItemsHolder* holder, int index) : holder_(holder), index_(index) {}

    bool isValid() const override { return holder_ && index_ < holder_->count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override
    {
        return isValid() && holder_->widget()->window() ? holder_->widget()->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* parent() const override
    {
        return isValid() ? QAccessible::queryAccessibleInterface(holder_->widget()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        const Items& items = holder_->items;
        if (t == QAccessible::Name && items.name)
            return items.name(index_);
        if (t == QAccessible::Description && items.description)
            return items.description(index_);
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        if (!isValid() || !holder_->items.rect)
            return {};
        const QRect r = holder_->items.rect(index_);
        return {holder_->widget()->mapToGlobal(r.topLeft()), r.size()};
    }
    QAccessible::Role role() const override { return holder_ ? holder_->items.itemRole : QAccessible::NoRole; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const Items& items = holder_->items;
        const bool enabled = !items.enabled || items.enabled(index_);
        s.disabled = !enabled || !holder_->widget()->isEnabled();
        s.focusable = !s.disabled;
        s.focused = holder_->widget()->hasFocus() && items.focused && items.focused() == index_;
        if (items.selected) {
            s.selectable = true;
            s.selected = items.selected(index_);
        }
        s.invisible = !holder_->widget()->isVisible();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override
    {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }
    QStringList actionNames() const override
    {
        return isValid() && holder_->items.activate && !state().disabled ? QStringList{pressAction()} : QStringList{};
    }
    void doAction(const QString& name) override
    {
        if (name == pressAction() && !actionNames().isEmpty())
            holder_->items.activate(index_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<ItemsHolder> holder_;
    int index_;
};

QAccessibleInterface* ItemsHolder::element(int index)
{
    if (index < 0 || index >= count())
        return nullptr;
    if (size_t(index) >= ids_.size())
        ids_.resize(size_t(index) + 1, 0);
    if (!ids_[size_t(index)])
        ids_[size_t(index)] = QAccessible::registerAccessibleInterface(new ItemAccessible(this, index));
    return QAccessible::accessibleInterface(ids_[size_t(index)]);
}

class ItemsAccessible : public QAccessibleWidget {
public:
    ItemsAccessible(QWidget* w, ItemsHolder* holder) : QAccessibleWidget(w, holder->items.role), holder_(holder) {}

    int childCount() const override { return holder_ ? holder_->count() : 0; }
    QAccessibleInterface* child(int index) const override { return holder_ ? holder_->element(index) : nullptr; }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return holder_ ? holder_->indexOf(child) : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        if (!holder_ || !holder_->items.rect)
            return nullptr;
        const QPoint at = widget()->mapFromGlobal(QPoint(x, y));
        for (int i = 0, n = holder_->count(); i < n; ++i)
            if (holder_->items.rect(i).contains(at))
                return holder_->element(i);
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override
    {
        if (!holder_ || !widget()->hasFocus() || !holder_->items.focused)
            return nullptr;
        return holder_->element(holder_->items.focused());
    }

private:
    QPointer<ItemsHolder> holder_;
};

// A control without a name of its own takes the one its row (or field) was given.
QString ownerName(const QWidget* w)
{
    for (const QWidget* up = w->parentWidget(); up; up = up->isWindow() ? nullptr : up->parentWidget())
        if (!up->accessibleName().isEmpty())
            return up->accessibleName();
    return {};
}

// The sliders: one adjustable element whose value is the level, set, increased and decreased
// through the same path as a drag.
template <class Slider>
class SliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SliderAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Slider) {}
    Slider* slider() const { return static_cast<Slider*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return slider()->accessibilityValue();
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return ownerName(widget());
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return slider()->accessibilityValue().toLongLong(); }
    void setCurrentValue(const QVariant& v) override
    {
        bool ok = false;
        const double level = v.toDouble(&ok);
        if (ok && std::isfinite(level))
            slider()->accessibilitySet(level);
    }
    QVariant maximumValue() const override { return slider()->range().upper; }
    QVariant minimumValue() const override { return slider()->range().lower; }
    QVariant minimumStepSize() const override { return kStep; }

    QStringList actionNames() const override
    {
        return QStringList{increaseAction(), decreaseAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override
    {
        if (name == increaseAction())
            slider()->accessibilityIncrement();
        else if (name == decreaseAction())
            slider()->accessibilityDecrement();
        else
            QAccessibleWidget::doAction(name);
    }
};

// A platform slider to assistive technology: a value, stepped by its own single step.
class PlatformSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit PlatformSliderAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Slider) {}
    QSlider* slider() const { return static_cast<QSlider*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QStringList actionNames() const override
    {
        return QStringList{increaseAction(), decreaseAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override
    {
        if (name == increaseAction())
            slider()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        else if (name == decreaseAction())
            slider()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        else
            QAccessibleWidget::doAction(name);
    }
};

// The platform slider inside a ValueSlider: named by the row's title, its value the level
// (not the slider's internal steps).
class LevelSliderAccessible : public PlatformSliderAccessible {
public:
    using PlatformSliderAccessible::PlatformSliderAccessible;
    ValueSlider* row() const { return qobject_cast<ValueSlider*>(widget()->parentWidget()); }

    QString text(QAccessible::Text t) const override
    {
        if (const ValueSlider* r = row()) {
            if (t == QAccessible::Value)
                return r->readout();
            if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
                return r->title();
        }
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return row() ? row()->level() : QVariant(); }
    void setCurrentValue(const QVariant& v) override
    {
        bool ok = false;
        const double level = v.toDouble(&ok);
        if (ValueSlider* r = row(); r && ok && std::isfinite(level))
            r->setLevelAsDragged(level);
    }
    QVariant maximumValue() const override { return row() ? row()->range().upper : QVariant(); }
    QVariant minimumValue() const override { return row() ? row()->range().lower : QVariant(); }
    QVariant minimumStepSize() const override { return row() ? row()->step() : QVariant(); }
};

// A platform slider whose positions a person knows by a text (a display mode's label): the
// value interface moves it as a key step does, and the value heard is the text.
class TextValueSliderAccessible : public PlatformSliderAccessible {
public:
    TextValueSliderAccessible(QWidget* w, FaceHolder* holder) : PlatformSliderAccessible(w), holder_(holder) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value && holder_ && holder_->alive() && holder_->face.valueText)
            return holder_->face.valueText();
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return slider()->value(); }
    void setCurrentValue(const QVariant& v) override
    {
        bool ok = false;
        const int value = v.toInt(&ok);
        if (ok)
            slider()->setValue(value);
    }
    QVariant maximumValue() const override { return slider()->maximum(); }
    QVariant minimumValue() const override { return slider()->minimum(); }
    QVariant minimumStepSize() const override { return slider()->singleStep(); }

private:
    QPointer<FaceHolder> holder_;
};

// Qt leaves popup windows out of the application's children, which hides a panel dropped
// from the menu bar from every screen reader. A shown popup that is not a menu (menus are
// announced on their own) is listed after the ordinary windows.
class ApplicationAccessible : public QAccessibleApplication {
public:
    int childCount() const override { return QAccessibleApplication::childCount() + int(panels().size()); }
    QAccessibleInterface* child(int index) const override
    {
        const int windows = QAccessibleApplication::childCount();
        if (index < windows)
            return QAccessibleApplication::child(index);
        const QList<QWidget*> extra = panels();
        return index - windows < extra.size() ? QAccessible::queryAccessibleInterface(extra[index - windows]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        const int windows = QAccessibleApplication::childCount();
        const int at = child ? int(panels().indexOf(qobject_cast<QWidget*>(child->object()))) : -1;
        return at >= 0 ? windows + at : QAccessibleApplication::indexOfChild(child);
    }

private:
    static QList<QWidget*> panels()
    {
        QList<QWidget*> out;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->windowType() == Qt::Popup && w->isVisible() && !qobject_cast<QMenu*>(w))
                out.append(w);
        return out;
    }
};

QAccessibleInterface* factory(const QString& className, QObject* object)
{
    if (object && object == qApp && className == QLatin1String("QApplication"))
        return new ApplicationAccessible;
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* w = static_cast<QWidget*>(object);
    if (className == QLatin1String("ControlSlider"))
        return new SliderAccessible<ControlSlider>(w);
    if (className == QLatin1String("MiniSlider"))
        return new SliderAccessible<MiniSlider>(w);
    if (className == QLatin1String("LevelSlider"))
        return new LevelSliderAccessible(w);
    // Only for a widget still whole: Qt asks for the parent's interface while a widget's
    // children are taken down, and an interface made then would outlive the widget in the cache.
    if (FaceHolder* holder = holderOf(object); holder && holder->alive() && qobject_cast<QWidget*>(object)) {
        if (holder->face.valueText && qobject_cast<QSlider*>(object))
            return new TextValueSliderAccessible(w, holder);
        return new Described(w, holder);
    }
    if (ItemsHolder* holder = itemsHolderOf(object); holder && holder->alive())
        return new ItemsAccessible(w, holder);
    return nullptr;
}

} // namespace

void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

void describe(QWidget* widget, Face face)
{
    install();
    if (FaceHolder* old = holderOf(widget))
        old->setFace(std::move(face));
    else
        new FaceHolder(widget, std::move(face));
}

void describeItems(QWidget* widget, Items items)
{
    install();
    if (ItemsHolder* old = itemsHolderOf(widget))
        old->items = std::move(items);
    else
        new ItemsHolder(widget, std::move(items));
}

void itemsChanged(QWidget* widget)
{
    if (ItemsHolder* holder = itemsHolderOf(widget))
        holder->trim(holder->count());
}

void announceItemFocus(QWidget* widget, int index)
{
    if (!QAccessible::isActive())
        return;
    ItemsHolder* holder = itemsHolderOf(widget);
    if (QAccessibleInterface* element = holder ? holder->element(index) : nullptr) {
        QAccessibleEvent event(element, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
}

void announceItemSelection(QWidget* widget, int index)
{
    if (!QAccessible::isActive())
        return;
    ItemsHolder* holder = itemsHolderOf(widget);
    if (QAccessibleInterface* element = holder ? holder->element(index) : nullptr) {
        QAccessible::State changed;
        changed.selected = true;
        QAccessibleStateChangeEvent event(element, changed);
        QAccessible::updateAccessibility(&event);
    }
}

void paintFocusRing(QPainter& p, const QWidget* widget, const QPainterPath& shape)
{
    if (!widget->hasFocus())
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(1.0);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kvmAccent(widget), 2)); // opaque: a lighter ring falls below 3:1 on a light card
    p.drawPath(shape);
    p.restore();
}

void announceState(QWidget* widget, QAccessible::State changed)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleStateChangeEvent event(widget, changed);
    QAccessible::updateAccessibility(&event);
}

void announceValue(QWidget* widget, double value)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleValueChangeEvent event(widget, value);
    QAccessible::updateAccessibility(&event);
}

} // namespace design::a11y
