#include "panel/MenuView.h"

#include "app/Hub.h"
#include "app/InputTap.h"
#include "app/Notifications.h"
#include "app/Prefs.h"
#include "app/Texts.h"
#include "app/Updater.h"
#include "audio/AppAudioManager.h"
#include "audio/AudioManager.h"
#include "automation/AutomationManager.h"
#include "battery/BatteryManager.h"
#include "design/Accessibility.h"
#include "design/Glass.h"
#include "design/Shapes.h"
#include "design/Theme.h"
#include "design/ViewSync.h"
#include "display/DisplayManager.h"
#include "panel/HoverHint.h"
#include "panel/PanelDetails.h"
#include "panel/PanelSliders.h"
#include "panel/PanelTiles.h"
#include "platform/DisplayServices.h"
#include "platform/Windowing.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QMetaObject>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

QString MenuView::rawValue(Section section)
{
    switch (section) {
    case Section::display:
        return "display";
    case Section::audio:
        return "audio";
    case Section::battery:
        return "battery";
    }
    return {};
}

std::optional<MenuView::Section> MenuView::sectionFrom(const QString& raw)
{
    for (Section s : {Section::display, Section::audio, Section::battery})
        if (raw == rawValue(s))
            return s;
    return std::nullopt;
}

namespace {
// The screen under the pointer, else the main screen.
std::optional<platform::screens::Screen> pointerScreen()
{
    namespace screens = platform::screens;
    const QPointF mouse = screens::mouseLocation();
    for (const screens::Screen& s : screens::screens())
        if (screens::mouseInRect(mouse, s.frame))
            return s;
    return screens::mainScreen();
}
} // namespace

double MenuView::availableHeight()
{
    const auto screen = pointerScreen();
    if (!screen)
        return 784;
    return std::max(platform::windowing::visibleFrame(*screen).height() - 16, 320.0);
}

double MenuView::screenHeight()
{
    const auto screen = pointerScreen();
    return screen ? platform::windowing::visibleFrame(*screen).height() : 784;
}

MenuView::MenuView(DisplayManager& display, AudioManager& audio, AppAudioManager& appAudio, ScrollManager& scroll,
                   BatteryManager& battery, InputTap& input, AutomationManager& automation, QWidget* parent)
    : QWidget(parent),
      display_(display),
      audio_(audio),
      appAudio_(appAudio),
      scroll_(scroll),
      battery_(battery),
      input_(input),
      automation_(automation),
      maxHeight_(availableHeight()),
      screenHeight_(screenHeight())
{
    // The panel is a window to a screen reader, under the menu-bar item's label.
    design::a11y::describe(this, {.role = QAccessible::Window});
    setAccessibleName(Texts::tr("Quendrel"));
    // Opaque: where the desktop has no compositor a translucent window shows black.
    setAutoFillBackground(true);
    actions_.blackout = [] { Hub::shared().oled.activate(); };
    actions_.sleep = [] { sleepNow(); };
    actions_.openPage = [this](Router::Page page) { openPage(page); };
    actions_.checkForUpdates = [] { Updater::shared().checkForUpdates(); };
    actions_.quit = [] { QCoreApplication::quit(); }; // the will-terminate step runs on the way out
    openWindow = [](const QString& id) {
        if (id == "main")
            Notifications::shared().post(Notifications::kOpenMainWindow);
    };

    area_ = new QScrollArea(this);
    area_->setFrameShape(QFrame::NoFrame);
    area_->setFocusPolicy(Qt::NoFocus); // Tab goes straight to the panel's controls
    area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area_->setWidgetResizable(false);
    area_->viewport()->setAutoFillBackground(false);
    area_->setAutoFillBackground(false);

    content_ = new QWidget;
    content_->setFixedWidth(kWidth);
    auto* stack = new QVBoxLayout(content_);
    stack->setContentsMargins(12, 12, 12, 12);
    stack->setSpacing(10);
    stack->setSizeConstraint(QLayout::SetMinAndMaxSize);

    // The header's buttons reach this view's actions at the time of the click.
    QuickActions relay;
    relay.blackout = [this] {
        if (actions_.blackout)
            actions_.blackout();
    };
    relay.sleep = [this] {
        if (actions_.sleep)
            actions_.sleep();
    };
    relay.openPage = [this](Router::Page page) {
        if (actions_.openPage)
            actions_.openPage(page);
    };
    relay.checkForUpdates = [this] {
        if (actions_.checkForUpdates)
            actions_.checkForUpdates();
    };
    relay.quit = [this] {
        if (actions_.quit)
            actions_.quit();
    };
    header_ = new PanelHeader(relay, content_, content_);
    stack->addWidget(header_);
    permission_ = new PermissionCard(content_);
    stack->addWidget(permission_);
    sliders_ = new PanelSliders(display_, audio_, content_);
    stack->addWidget(sliders_);

    auto* tiles = new QWidget(content_);
    auto* grid = new QGridLayout(tiles);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(8);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    const auto section = expandedSection();
    displayTile_ = new DisplayTile(display_, section == Section::display, [this] { toggle(Section::display); }, tiles);
    outputTile_ = new OutputTile(audio_, section == Section::audio, [this] { toggle(Section::audio); }, tiles);
    batteryTile_ = new BatteryTile(battery_, section == Section::battery, [this] { toggle(Section::battery); }, tiles);
    kvmTile_ = new KVMTile(automation_, display_, [this] { openPage(Router::Page::kvm); }, tiles);
    smoothTile_ = new ScrollTile(scroll_, false, tiles);
    reverseTile_ = new ScrollTile(scroll_, true, tiles);
    grid->addWidget(displayTile_, 0, 0);
    grid->addWidget(outputTile_, 0, 1);
    grid->addWidget(batteryTile_, 1, 0); // keeps its cell without a battery
    grid->addWidget(kvmTile_, 1, 1);
    grid->addWidget(smoothTile_, 2, 0);
    grid->addWidget(reverseTile_, 2, 1);
    stack->addWidget(tiles);

    hints_ = new HoverHintLayer(HoverHintModel::shared(), content_);
    content_->installEventFilter(this);
    area_->setWidget(content_);

    bar_ = new QScrollBar(Qt::Vertical, this);
    QScrollBar* inner = area_->verticalScrollBar();
    connect(inner, &QScrollBar::rangeChanged, bar_, &QScrollBar::setRange);
    connect(inner, &QScrollBar::valueChanged, bar_, &QScrollBar::setValue);
    connect(bar_, &QScrollBar::valueChanged, inner, &QScrollBar::setValue);
    bar_->setStyleSheet("QScrollBar:vertical { background: transparent; width: 7px; margin: 4px 1px 4px 0; }"
                        "QScrollBar::handle:vertical { background: rgba(128,128,128,150); border-radius: 3px;"
                        " min-height: 24px; }"
                        "QScrollBar::add-line, QScrollBar::sub-line { height: 0; }"
                        "QScrollBar::add-page, QScrollBar::sub-page { background: none; }");

    KVMAccentRoot::install(this);
    followTheme(this);

    sync_ = new ViewSync(this, [this] { sync(); });
    sync_->follow(&input_, &InputTap::changed);
    sync();

    screenObserver_ = platform::screens::addParametersObserver([self = QPointer<MenuView>(this)] {
        if (self)
            self->setMaxHeight(availableHeight());
    });
    measure();
}

MenuView::~MenuView() { platform::screens::removeParametersObserver(screenObserver_); }

QString MenuView::panelSection() const
{
    const QVariant section = Prefs::d().object(kSectionKey);
    return section.typeId() == QMetaType::QString ? section.toString() : QString();
}

void MenuView::toggle(Section section)
{
    const bool expanded = expandedSection() == section;
    Prefs::set(kSectionKey, expanded ? QString() : rawValue(section));
    sync_->schedule();
}

void MenuView::openPage(Router::Page page)
{
    Router::shared().setPage(page);
    if (openWindow)
        openWindow("main");
    platform::windowing::activateSelf();
}

bool MenuView::showsScrollBar() const { return std::min(maxHeight_, screenHeight_) < contentHeight_; }

void MenuView::sync()
{
    permission_->setVisible(!input_.isRunning());
    const auto section = expandedSection();
    displayTile_->setActive(section == Section::display);
    outputTile_->setActive(section == Section::audio);
    batteryTile_->setActive(section == Section::battery);
    if (section != shownSection_ || (section && !detail_)) {
        if (detail_)
            retireWidget(detail_);
        detail_ = nullptr;
        shownSection_ = section;
        auto* stack = static_cast<QVBoxLayout*>(content_->layout());
        if (section == Section::display)
            detail_ = new DisplayDetail(display_, Router::shared(), [this] { openPage(Router::Page::display); }, content_);
        else if (section == Section::audio)
            detail_ = new AudioDetail(audio_, appAudio_, [this] { openPage(Router::Page::audio); }, content_);
        else if (section == Section::battery)
            detail_ = new BatteryDetail(battery_, content_);
        if (detail_)
            stack->addWidget(detail_);
    }
    hints_->raise();
}

void MenuView::measure()
{
    content_->adjustSize();
    const double height = content_->layout()->totalHeightForWidth(kWidth) > 0
                              ? content_->layout()->totalHeightForWidth(kWidth)
                              : content_->sizeHint().height();
    content_->resize(kWidth, int(height));
    contentHeight_ = height;
    applyHeight();
}

void MenuView::setMaxHeight(double height)
{
    maxHeight_ = height;
    screenHeight_ = screenHeight();
    applyHeight();
}

void MenuView::applyHeight()
{
    // The budget keeps 320 points on a short screen, but the panel never outgrows the screen.
    const int h = int(std::min({contentHeight_, maxHeight_, std::max(screenHeight_, 1.0)}));
    setFixedSize(kWidth, h);
    area_->setGeometry(0, 0, kWidth, h);
    bar_->setVisible(showsScrollBar());
    bar_->setGeometry(kWidth - 8, 0, 8, h);
    bar_->raise();
}

void MenuView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    setMaxHeight(availableHeight());
    QPointer<MenuView> self(this);
    QMetaObject::invokeMethod(
        this,
        [self] {
            if (!self)
                return;
            self->display_.reload();
            self->audio_.refresh();
            self->battery_.refresh();
            self->appAudio_.refresh();
        },
        Qt::QueuedConnection);
}

void MenuView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    area_->setGeometry(rect());
}

bool MenuView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == content_) {
        if (event->type() == QEvent::LayoutRequest)
            QMetaObject::invokeMethod(this, [this] { measure(); }, Qt::QueuedConnection);
        else if (event->type() == QEvent::Resize)
            hints_->setGeometry(content_->rect());
    }
    return QWidget::eventFilter(watched, event);
}

void MenuView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window()); // the glass is laid over the window's own colour
    const KVMGlass glass = kvmGlass(continuousRoundedRect(QRectF(rect()), 16), std::nullopt, false);
    glass.paintBackground(p, this);
    glass.paintOverlay(p, this);
}
