#include "panel/PanelHeader.h"

#include "app/InputTap.h"
#include "app/Texts.h"
#include "design/Accessibility.h"
#include "design/BrandMark.h"
#include "design/Buttons.h"
#include "design/Card.h"
#include "design/Controls.h"
#include "design/Glass.h"
#include "design/Paint.h"
#include "design/Symbols.h"
#include "design/Theme.h"
#include "panel/HoverHint.h"
#include "platform/PowerEvents.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

using namespace design;

void sleepNow()
{
    const uint32_t connection = platform::power::findPowerManagement();
    if (connection == 0)
        return;
    platform::power::sleepSystem(connection); // a refusal is not reported
    platform::power::serviceClose(connection);
}

HeaderIcon::HeaderIcon(QString symbol, std::function<void()> action, QWidget* parent)
    : QWidget(parent), symbol_(std::move(symbol)), action_(std::move(action))
{
    // Named by its hover hint.
    design::a11y::describe(this, {.role = QAccessible::Button, .activate = [this] {
                                      if (action_)
                                          action_();
                                  }});
    setFixedSize(kSize, kSize);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
}

QColor HeaderIcon::symbolColor() const { return hovering_ ? primaryColor(this) : secondaryColor(this); }

bool HeaderIcon::hitButton(const QPointF& pos) const
{
    const QPointF d = pos - QRectF(rect()).center();
    return d.x() * d.x() + d.y() * d.y() <= (kSize / 2.0) * (kSize / 2.0);
}

void HeaderIcon::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath circle;
    circle.addEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    const KVMGlass glass = kvmGlass(circle, std::nullopt, true);
    glass.paintBackground(p, this, hovering_ || pressed_);
    Symbols::draw(p, symbol_, Symbols::boxFor(11, QRectF(rect()).center()), symbolColor(), SymbolWeight::semibold);
    glass.paintOverlay(p, this);
    QPainterPath ring;
    ring.addEllipse(QRectF(rect()).adjusted(1, 1, -1, -1));
    design::a11y::paintFocusRing(p, this, ring);
}

void HeaderIcon::enterEvent(QEnterEvent*)
{
    hovering_ = true;
    update();
}

void HeaderIcon::leaveEvent(QEvent*)
{
    hovering_ = false;
    pressed_ = false;
    update();
}

void HeaderIcon::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && hitButton(e->position())) {
        pressed_ = true;
        update();
    } else {
        e->ignore();
    }
}

void HeaderIcon::mouseReleaseEvent(QMouseEvent* e)
{
    const bool click = pressed_ && e->button() == Qt::LeftButton && hitButton(e->position());
    pressed_ = false;
    update();
    if (click && action_)
        action_();
}

PanelHeader::PanelHeader(QuickActions actions, QWidget* hintSpace, QWidget* parent)
    : QWidget(parent), actions_(std::move(actions))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 0, 4, 0);
    row->setSpacing(8);
    row->addWidget(new BrandSignature(18, this), 0, Qt::AlignVCenter);
    row->addStretch(1);
    auto call = [](const std::function<void()>& f) {
        return [f] {
            if (f)
                f();
        };
    };
    auto open = [this](Router::Page page) {
        return [this, page] {
            if (actions_.openPage)
                actions_.openPage(page);
        };
    };
    blackout_ = new HeaderIcon("rectangle.inset.filled", call(actions_.blackout), this);
    sleep_ = new HeaderIcon("moon.fill", call(actions_.sleep), this);
    overview_ = new HeaderIcon("macwindow", open(Router::Page::overview), this);
    menu_ = new LiveMenu([this](QMenu& menu) { fillMoreMenu(menu, actions_); }, this);
    more_ = new HeaderIcon("ellipsis", [this] { menu_->popUpBelow(more_); }, this);
    hoverHint(blackout_, Texts::tr("Ekranı karart (OLED koruma)"), hintSpace);
    hoverHint(sleep_, Texts::tr("Mac'i şimdi uyut"), hintSpace);
    hoverHint(overview_, Texts::tr("Genel bakışı aç"), hintSpace);
    hoverHint(more_, Texts::tr("Diğer"), hintSpace);
    for (HeaderIcon* icon : {blackout_, sleep_, overview_, more_})
        row->addWidget(icon, 0, Qt::AlignVCenter);
}

void PanelHeader::fillMoreMenu(QMenu& menu, const QuickActions& actions)
{
    auto run = [](const std::function<void()>& f) {
        return [f] {
            if (f)
                f();
        };
    };
    auto open = [&actions](Router::Page page) {
        return [f = actions.openPage, page] {
            if (f)
                f(page);
        };
    };
    addMenuAction(menu, Texts::tr("Genel Bakış"), open(Router::Page::overview));
    addMenuAction(menu, Texts::tr("Ayarlar…"), open(Router::Page::general));
    addMenuAction(menu, Texts::tr("Ekranı karart"), run(actions.blackout));
    addMenuAction(menu, Texts::tr("Şimdi uyut"), run(actions.sleep));
    addMenuAction(menu, Texts::tr("Güncellemeleri Denetle…"), run(actions.checkForUpdates));
    menu.addSeparator();
    addMenuAction(menu, Texts::tr("Quendrel'den Çık"), run(actions.quit));
}

PermissionCard::PermissionCard(QWidget* parent) : QWidget(parent)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* card = new Card(14, this);
    outer->addWidget(card);
    card->addWidget(new CardHeader(Texts::tr("Erişilebilirlik izni gerekli"), "hand.raised.fill",
                                   SystemColor::orange));
    card->addWidget(
        new WrappingText(Texts::tr("Fare kaydırma ve ses/parlaklık tuşları için gerekir."), calloutFont()));
    auto* button = new GlassButton(Texts::tr("Sistem Ayarlarını Aç"), QString(), GlassButton::Form::prominent);
    button->setTint(SystemColor::orange);
    connect(button, &QPushButton::clicked, this, [] { InputTap::openAccessibilitySettings(); });
    card->addWidget(button);
    button_ = button;
}
