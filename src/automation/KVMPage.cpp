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
#include <cmath>

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

// ---------------------------------------------------------------- profile list

ProfileList::ProfileList(std::function<void(const QUuid&)> select, QWidget* parent)
    : DrawnList(parent), select_(std::move(select))
{
    // Described first: naming the widget makes its accessible interface.
    describeRows({QAccessible::ListItem, [this](int i) { return rows_[size_t(i)].label; },
                  [this](int i) { return rows_[size_t(i)].detail; },
                  [this](int i) { return rows_[size_t(i)].selected; }});
    setAccessibleName(Texts::tr("Profiller")); // the card's title
    followTheme(this);
}

void ProfileList::setRows(std::vector<Row> rows)
{
    if (rows == rows_)
        return;
    const bool resized = rows.size() != rows_.size();
    std::vector<int> reselected;
    for (size_t i = 0; i < rows.size(); ++i)
        if (i >= rows_.size() || rows[i].id != rows_[i].id || rows[i].selected != rows_[i].selected)
            reselected.push_back(int(i));
    rows_ = std::move(rows);
    pressed_ = -1;
    rowsChanged(resized);
    if (!resized && reselected.size() <= 2) // the choice moved: said for the row it left and the one it reached
        for (int i : reselected)
            design::a11y::announceItemSelection(this, i);
}

int ProfileList::indexOf(const QUuid& id) const
{
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].id == id)
            return int(i);
    return -1;
}

qreal ProfileList::rowHeight() const
{
    return std::ceil(kRowPadY * 2 + QFontMetricsF(labelFont()).height() + 1
                     + QFontMetricsF(design::calloutFont()).height());
}

QColor ProfileList::dotColor(int index) const
{
    return rows_[size_t(index)].live ? systemColor(SystemColor::green, this) : withAlpha(secondaryColor(this), 0.35);
}

void ProfileList::paintRow(QPainter& p, int index, const QRectF& r)
{
    const Row& row = rows_[size_t(index)];
    if (row.selected) {
        QPainterPath shape;
        shape.addRoundedRect(r, 12, 12);
        p.fillPath(shape, primaryColor(this, 0.1));
    }
    if (showsFocusOn(index)) {
        p.setPen(QPen(kvmAccent(this), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 11, 11);
    }

    const QFontMetricsF label(labelFont()), detail(design::calloutFont());
    const qreal textHeight = label.height() + 1 + detail.height();
    const qreal top = r.top() + (r.height() - textHeight) / 2;
    const QRectF dot(r.left() + kRowPadX, r.center().y() - kDot / 2, kDot, kDot);
    p.setPen(Qt::NoPen);
    p.setBrush(dotColor(index));
    p.drawEllipse(dot);

    const qreal x = dot.right() + kRowSpacing;
    const qreal w = std::max<qreal>(0, r.right() - x - kRowPadX);
    p.setPen(primaryColor(this));
    design::drawLine(p, QRectF(x, top, w, label.height()), row.label, labelFont());
    p.setPen(secondaryColor(this));
    design::drawLine(p, QRectF(x, top + label.height() + 1, w, detail.height()), row.detail, design::calloutFont());
}

void ProfileList::activateRow(int index)
{
    if (index >= 0 && index < rowCount() && select_)
        select_(rows_[size_t(index)].id);
}

int ProfileList::initialRow() const
{
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].selected)
            return int(i);
    return rows_.empty() ? -1 : 0;
}

void ProfileList::mousePressEvent(QMouseEvent* e)
{
    pressed_ = e->button() == Qt::LeftButton ? rowAt(e->position()) : -1;
}

void ProfileList::mouseReleaseEvent(QMouseEvent* e)
{
    const int pressed = std::exchange(pressed_, -1);
    if (e->button() == Qt::LeftButton && pressed >= 0 && rowAt(e->position()) == pressed)
        activateRow(pressed);
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
    list_ = new ProfileList([this](const QUuid& id) { select(id); });
    list->addWidget(list_);
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

std::optional<ProfileList::Row> KVMPage::row(const QUuid& id) const
{
    const int i = list_->indexOf(id);
    return i >= 0 ? std::optional(list_->rows()[size_t(i)]) : std::nullopt;
}

int KVMPage::rowCount() const { return int(list_->rows().size()); }

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
    std::vector<ProfileList::Row> rows;
    rows.reserve(profiles.size());
    for (const KVMProfile& p : profiles) {
        ProfileList::Row row;
        row.id = p.id;
        // Cut here too: a profile need not have come through a load or the editor.
        row.label = KVMProfile::cutName(p.label());
        const QString monitor = KVMProfile::cutName(p.displayName);
        row.detail = p.enabled ? monitor : Texts::tr("Kapalı · %1", monitor);
        row.live = p.enabled && automation_.isConnected(p);
        row.selected = chosen && chosen->id == p.id;
        rows.push_back(std::move(row));
    }
    list_->setVisible(!rows.empty());
    list_->setRows(std::move(rows));

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
