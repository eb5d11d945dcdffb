#include "automation/KVMPage.h"

#include "app/Texts.h"
#include "automation/AutomationManager.h"
#include "automation/ProfileEditor.h"
#include "design/Accessibility.h"
#include "design/Buttons.h"
#include "design/Card.h"
#include "design/Controls.h"
#include "design/Paint.h"
#include "design/Rows.h"
#include "design/Symbols.h"
#include "design/Theme.h"
#include "design/ViewSync.h"
#include "display/DisplayManager.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// An invalid tint draws a header symbol in the secondary colour of the appearance shown.
const Tint kSecondaryTint = Tint::secondary();

constexpr qreal kListWidth = 240;
constexpr qreal kRowPadX = 8;
constexpr qreal kRowPadY = 6;
constexpr qreal kDot = 8;
constexpr qreal kRowSpacing = 8;

QFont labelFont() { return design::bodyFont(); }

} // namespace

// ---------------------------------------------------------------- profile row

ProfileRow::ProfileRow(Face face, std::function<void()> action, QWidget* parent)
    : QWidget(parent), face_(std::move(face)), action_(std::move(action))
{
    // To a screen reader, an item of the list that is chosen by pressing it.
    design::a11y::describe(this, {QAccessible::ListItem, {}, {}, [this] { return face_.selected; }, {}, [this] {
                                      if (action_)
                                          action_();
                                  }});
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAccessibleName(face_.label);
    followTheme(this);
}

void ProfileRow::setFace(const Face& face)
{
    if (face == face_)
        return;
    const bool resized = face.label != face_.label || face.detail != face_.detail;
    const bool reselected = face.selected != face_.selected;
    face_ = face;
    if (reselected) {
        QAccessible::State changed;
        changed.selected = true;
        design::a11y::announceState(this, changed);
    }
    setAccessibleName(face_.label);
    if (resized) {
        hint_ = QSize();
        updateGeometry();
    }
    update();
}

void ProfileRow::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange)
        hint_ = QSize();
}

QColor ProfileRow::dotColor() const
{
    return face_.live ? systemColor(SystemColor::green, this) : withAlpha(secondaryColor(this), 0.35);
}

QSize ProfileRow::sizeHint() const
{
    if (hint_.isValid())
        return hint_;
    // The list is narrower than any line worth measuring in full; the rest is elided anyway.
    constexpr int kMeasured = 120;
    const QFontMetricsF label(labelFont()), detail(design::calloutFont());
    const qreal w = kRowPadX * 2 + kDot + kRowSpacing
                    + std::max(label.horizontalAdvance(face_.label.left(kMeasured)),
                               detail.horizontalAdvance(face_.detail.left(kMeasured)));
    const qreal h = kRowPadY * 2 + label.height() + 1 + detail.height();
    hint_ = QSizeF(w, h).toSize();
    return hint_;
}

QSize ProfileRow::minimumSizeHint() const { return {60, sizeHint().height()}; }

void ProfileRow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect();
    if (face_.selected) {
        QPainterPath shape;
        shape.addRoundedRect(r, 12, 12);
        p.fillPath(shape, primaryColor(this, 0.1));
    }
    if (hasFocus()) {
        p.setPen(QPen(kvmAccent(this), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 11, 11);
    }

    const QFontMetricsF label(labelFont()), detail(design::calloutFont());
    const qreal textHeight = label.height() + 1 + detail.height();
    const qreal top = (r.height() - textHeight) / 2;
    const QRectF dot(kRowPadX, (r.height() - kDot) / 2, kDot, kDot);
    p.setPen(Qt::NoPen);
    p.setBrush(dotColor());
    p.drawEllipse(dot);

    const qreal x = dot.right() + kRowSpacing;
    const qreal w = std::max<qreal>(0, r.width() - x - kRowPadX);
    p.setPen(primaryColor(this));
    design::drawLine(p, QRectF(x, top, w, label.height()), face_.label, labelFont());
    p.setPen(secondaryColor(this));
    design::drawLine(p, QRectF(x, top + label.height() + 1, w, detail.height()), face_.detail,
                     design::calloutFont());
}

void ProfileRow::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        pressed_ = true;
}

void ProfileRow::mouseReleaseEvent(QMouseEvent* e)
{
    const bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    pressed_ = false;
    if (click && action_)
        action_();
}

void ProfileRow::keyPressEvent(QKeyEvent* e)
{
    if ((e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && action_)
        action_();
    else
        QWidget::keyPressEvent(e);
}

// ---------------------------------------------------------------- page

KVMPage::KVMPage(AutomationManager& automation, DisplayManager& display, AudioManager& audio, BatteryManager& battery,
                 QWidget* parent)
    : QWidget(parent), automation_(automation), display_(display), audio_(audio), battery_(battery)
{
    build();
    binding_ = new ViewSync(this, [this] { sync(); });
    binding_->follow(&automation_, &AutomationManager::changed).follow(&display_, &DisplayManager::changed);
    sync();
}

KVMPage::~KVMPage() = default;

void KVMPage::build()
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);
    column->setAlignment(Qt::AlignTop);

    // Automation.
    auto* automationCard = new Card(14);
    chip_ = new StatusChip(QString(), "link", SystemColor::green);
    chip_->hide();
    automationCard->addWidget(new CardHeader(Texts::tr("Otomasyon"), "bolt.horizontal", kSecondaryTint, chip_));
    switch_ = new SwitchRow(Texts::tr("Monitör bağlanınca profili uygula"),
                            Texts::tr("KVM bu Mac'e geçtiğinde, o monitöre bağlı ilk açık profil uygulanır."),
                            std::nullopt,
                            BoolBinding{[this] { return automation_.enabled(); },
                                        [this](bool on) { automation_.setEnabled(on); }});
    automationCard->addWidget(switch_);
    eventRow_ = new QWidget;
    auto* event = new QHBoxLayout(eventRow_);
    event->setContentsMargins(0, 0, 0, 0);
    event->setSpacing(6);
    event->addWidget(new SymbolView("clock", 12, SymbolWeight::regular), 0, Qt::AlignTop);
    eventText_ = new WrappingText(QString(), design::calloutFont(), TextLine::Tone::secondary);
    event->addWidget(eventText_, 1);
    automationCard->addWidget(eventRow_);
    column->addWidget(automationCard);

    // The list beside the editor.
    body_ = new QHBoxLayout;
    body_->setSpacing(12);
    body_->setAlignment(Qt::AlignTop);
    auto* list = new Card(10);
    list->setFixedWidth(int(kListWidth));
    list->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Maximum);
    list->addWidget(new CardHeader(Texts::tr("Profiller"), "person.crop.rectangle.stack", kSecondaryTint));
    auto* rowColumn = new QVBoxLayout;
    rowColumn->setSpacing(2);
    rows_ = std::make_unique<KeyedRows>(rowColumn);
    list->addLayout(rowColumn);
    add_ = new GlassButton(Texts::tr("Yeni profil"), "plus");
    add_->setToolTip(Texts::tr("Bağlı monitör için mevcut ayarlardan profil oluşturur"));
    connect(add_, &QPushButton::clicked, this, [this] {
        if (const auto p = automation_.addProfile())
            select(p->id);
    });
    list->addWidget(add_);
    body_->addWidget(list, 0, Qt::AlignTop);
    column->addLayout(body_);
    column->addStretch(1); // a taller page leaves the room below the cards
}

std::optional<KVMProfile> KVMPage::selected() const
{
    const auto& list = automation_.profiles();
    if (list.empty())
        return std::nullopt;
    if (selection_)
        for (const KVMProfile& p : list)
            if (p.id == *selection_)
                return p;
    return list.front();
}

void KVMPage::select(const QUuid& id)
{
    selection_ = id;
    binding_->schedule();
}

ProfileRow* KVMPage::row(const QUuid& id) const { return rows_->row<ProfileRow>(id.toString()); }

int KVMPage::rowCount() const { return int(rows_->keys().size()); }

void KVMPage::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::PaletteChange && binding_)
        binding_->schedule(); // the chip's green follows the appearance
}

QSize KVMPage::sizeHint() const { return {860, QWidget::sizeHint().height()}; }

void KVMPage::sync()
{
    const auto active = automation_.activeProfile();
    chip_->setVisible(active.has_value());
    chip_->setTint(SystemColor::green);
    if (active)
        chip_->setText(Texts::tr("Etkin: %1", KVMProfile::cutName(active->label())));
    switch_->toggle()->update();
    const auto& event = automation_.lastEvent();
    eventRow_->setVisible(event.has_value());
    eventText_->setText(event.value_or(QString()));

    const auto chosen = selected();
    const auto& profiles = automation_.profiles();
    QStringList keys;
    for (const KVMProfile& p : profiles)
        keys << p.id.toString();
    rows_->sync(keys, [this](const QString& key) {
        return new ProfileRow({}, [this, id = QUuid(key)] { select(id); });
    });
    for (size_t i = 0; i < profiles.size(); ++i) {
        ProfileRow* shown = rows_->row<ProfileRow>(keys[qsizetype(i)]); // by index: a lookup per profile adds up
        if (!shown)
            continue;
        const KVMProfile& p = profiles[i];
        ProfileRow::Face face;
        // Cut here too: a profile need not have come through a load or the editor.
        face.label = KVMProfile::cutName(p.label());
        const QString monitor = KVMProfile::cutName(p.displayName);
        face.detail = p.enabled ? monitor : Texts::tr("Kapalı · %1", monitor);
        face.live = p.enabled && automation_.isConnected(p);
        face.selected = chosen && chosen->id == p.id;
        shown->setFace(face);
    }

    const auto display = display_.selected();
    add_->setEnabled(display && !display->isBuiltin);
    syncEditor();
}

void KVMPage::syncEditor()
{
    const auto chosen = selected();
    // The editor stays while its profile stays selected: typing in it must keep its focus.
    if (editor_ && chosen && editor_->id() == chosen->id)
        return;
    if (editor_) {
        retireWidget(editor_);
        editor_ = nullptr;
    }
    if (chosen) {
        if (empty_) {
            retireWidget(empty_);
            empty_ = nullptr;
        }
        editor_ = new ProfileEditor(*chosen, automation_, display_, audio_, battery_);
        body_->addWidget(editor_, 1);
    } else if (!empty_) {
        empty_ = new Card(14);
        empty_->addWidget(new WrappingText(Texts::tr("Henüz profil yok. Monitörü istediğiniz gibi ayarlayıp “Yeni "
                                                     "profil” ile mevcut ayarlardan bir profil oluşturun."),
                                           design::bodyFont(), TextLine::Tone::secondary));
        body_->addWidget(empty_, 1, Qt::AlignTop);
    }
}
