#include "window/MainView.h"

#include "app/Hub.h"
#include "app/Texts.h"
#include "app/Updater.h"
#include "automation/KVMPage.h"
#include "design/Accessibility.h"
#include "design/BrandMark.h"
#include "design/Paint.h"
#include "design/ScrollBars.h"
#include "design/Symbols.h"
#include "design/TextLine.h"
#include "design/Theme.h"
#include "platform/UserDefaults.h"
#include "platform/Windowing.h"
#include "window/AudioPage.h"
#include "window/BatteryPage.h"
#include "window/DisplayPage.h"
#include "window/DockIcon.h"
#include "window/GeneralPage.h"
#include "window/MousePage.h"
#include "window/OverviewPage.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QShortcut>
#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>
#include <QWindow>
#include <optional>

namespace {

// The sidebar's column: a quiet surface a shade apart from the detail column.
class SidebarColumn : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), withAlpha(primaryColor(this), isDark(this) ? 0.05 : 0.035));
    }
};

// The hairline between sidebar and page. Qt widens a handle this thin to a few points of grab
// area on both sides and draws only its contents rectangle, so the line stays one point wide.
// Qt measures a drag from the grab area's edge, which jumps the line by that margin at the
// first move; the edge here follows the pointer by exactly the distance it travelled.
class SidebarEdge : public QSplitterHandle {
public:
    using QSplitterHandle::QSplitterHandle;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(contentsRect(), separatorColor(this));
    }
    void mousePressEvent(QMouseEvent* e) override
    {
        QSplitterHandle::mousePressEvent(e);
        if (e->button() == Qt::LeftButton) {
            pressX_ = e->globalPosition().x();
            startPos_ = splitter()->sizes().value(0);
        }
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        if (!pressX_ || !(e->buttons() & Qt::LeftButton))
            return QSplitterHandle::mouseMoveEvent(e);
        moveSplitter(startPos_ + qRound(e->globalPosition().x() - *pressX_));
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton)
            pressX_.reset();
        QSplitterHandle::mouseReleaseEvent(e);
    }

private:
    std::optional<qreal> pressX_;
    int startPos_ = 0;
};

class SidebarSplitter : public QSplitter {
public:
    using QSplitter::QSplitter;

protected:
    QSplitterHandle* createHandle() override { return new SidebarEdge(orientation(), this); }
};

TextLine* sectionHeader(const QString& text)
{
    auto* line = new TextLine(text, design::subheadlineFont(QFont::DemiBold), TextLine::Tone::secondary);
    line->setContentsMargins(10, 10, 0, 2);
    return line;
}

} // namespace

SidebarRow::SidebarRow(Router::Page page, std::function<void()> action, QWidget* parent)
    : QWidget(parent), page_(page), action_(std::move(action))
{
    design::a11y::describe(this, {.role = QAccessible::ListItem, .selected = [this] { return selected_; },
                                  .activate = [this] {
                                      if (action_)
                                          action_();
                                  }});
    setAccessibleName(page.title());
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
}

void SidebarRow::setSelected(bool selected)
{
    if (selected == selected_)
        return;
    selected_ = selected;
    setFocusPolicy(selected_ ? Qt::TabFocus : Qt::NoFocus);
    update();
    QAccessible::State changed;
    changed.selected = true;
    design::a11y::announceState(this, changed);
}

void SidebarRow::keyPressEvent(QKeyEvent* e)
{
    if ((e->key() == Qt::Key_Up || e->key() == Qt::Key_Down) && onStep)
        onStep(e->key() == Qt::Key_Up ? -1 : 1);
    else
        QWidget::keyPressEvent(e);
}

void SidebarRow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0, 1, 0, -1);
    if (selected_ || hovering_) {
        QPainterPath pill;
        pill.addRoundedRect(r, 7, 7);
        p.fillPath(pill, selected_ ? withAlpha(kvmAccent(this), isDark(this) ? 0.45 : 0.22)
                                   : withAlpha(primaryColor(this), 0.06));
    }
    const QColor tint = selected_ ? primaryColor(this) : kvmAccent(this);
    Symbols::draw(p, page_.symbol(), Symbols::boxFor(14, QPointF(20, r.center().y())), tint);
    const QFont font = design::bodyFont(selected_ ? QFont::Medium : QFont::Normal);
    design::drawLine(p, QRectF(36, r.top(), width() - 42, r.height()), page_.title(), font);
    QPainterPath ring;
    ring.addRoundedRect(r.adjusted(1, 1, -1, -1), 7, 7);
    design::a11y::paintFocusRing(p, this, ring);
}

void SidebarRow::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && action_)
        action_();
}

void SidebarRow::enterEvent(QEnterEvent*)
{
    hovering_ = true;
    update();
}

void SidebarRow::leaveEvent(QEvent*)
{
    hovering_ = false;
    update();
}

MainView::MainView(Router& router, Hub& hub, QWidget* parent) : QWidget(parent), router_(router), hub_(hub)
{
    design::a11y::describe(this, {.role = QAccessible::Window});
    setMinimumSize(kMinWidth, kMinHeight);
    // Closing hides the window; the application stays in the menu bar. Also without a window
    // manager to offer a close button.
    auto* close = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this); // Command-W on the Mac
    connect(close, &QShortcut::activated, this, [this] {
        if (isWindow())
            this->close();
    });
    KVMAccentRoot::install(this);

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    splitter_ = new SidebarSplitter(Qt::Horizontal);
    splitter_->setHandleWidth(1);
    splitter_->setChildrenCollapsible(false); // dragged past its minimum the sidebar stops, never vanishes
    outer->addWidget(splitter_);

    auto* sidebar = new SidebarColumn;
    design::a11y::describe(sidebar, {.role = QAccessible::List});
    sidebar_ = sidebar;
    sidebar->setMinimumWidth(kSidebarMinWidth);
    sidebar->setMaximumWidth(kSidebarMaxWidth);
    auto* list = new QVBoxLayout(sidebar);
    list->setContentsMargins(10, 14, 10, 0);
    list->setSpacing(1);
    const auto addRow = [&](Router::Page page) {
        auto* row = new SidebarRow(page, [this, page] { router_.setPage(page); });
        row->onStep = [this, page](int delta) {
            const auto at = std::find(order_.begin(), order_.end(), page) - order_.begin();
            const auto next = at + delta;
            if (next >= 0 && next < std::ptrdiff_t(order_.size()))
                router_.setPage(order_[size_t(next)]);
        };
        rows_[page.value()] = row;
        order_.push_back(page);
        list->addWidget(row);
    };
    // A selection can only be made by a row, so the router's page is never left empty.
    addRow(Router::Page::overview);
    list->addWidget(sectionHeader(Texts::tr("Donanım")));
    addRow(Router::Page::display);
    addRow(Router::Page::audio);
    addRow(Router::Page::mouse);
    list->addWidget(sectionHeader(Texts::tr("Pil Bakımı")));
    addRow(Router::Page::battery);
    list->addWidget(sectionHeader(Texts::tr("Otomasyon")));
    addRow(Router::Page::kvm);
    list->addSpacing(14);
    addRow(Router::Page::general);
    list->addStretch(1);
    auto* signature = new BrandSignature(18);
    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(8, 0, 8, 14); // with the list's 10: 18 from the column's edges
    bottom->addWidget(signature);
    bottom->addStretch(1);
    list->addLayout(bottom);
    splitter_->addWidget(sidebar);

    scroll_ = new QScrollArea;
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setFocusPolicy(Qt::NoFocus); // Tab goes from the sidebar to the page's controls
    scroll_->setWidgetResizable(true);
    design::useThinScrollBars(scroll_);
    holder_ = new QWidget;
    holder_->setAutoFillBackground(false);
    auto* column = new QHBoxLayout(holder_);
    column->setContentsMargins(kPagePadding, kPagePadding, kPagePadding, kPagePadding);
    column->setSpacing(0);
    column->addStretch(0);
    scroll_->setWidget(holder_);
    scroll_->viewport()->setAutoFillBackground(false);
    splitter_->addWidget(scroll_);
    // Only the page stretches: resizing the window leaves the sidebar as the person left it.
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({kSidebarWidth, kMinWidth - kSidebarWidth});

    connect(&router_, &Router::changed, this, &MainView::sync);
    showPage(router_.page());
}

SidebarRow* MainView::sidebarRow(Router::Page page) const
{
    const auto it = rows_.find(page.value());
    return it == rows_.end() ? nullptr : it->second;
}

QWidget* MainView::makePage(Router::Page page, Hub& hub)
{
    switch (page.value()) {
    case Router::Page::overview: return new OverviewPage(hub);
    case Router::Page::display: return new DisplayPage(hub.display, hub.oled);
    case Router::Page::audio: return new AudioPage(hub.audio, hub.appAudio);
    case Router::Page::mouse: return new MousePage(hub.scroll, hub.input);
    case Router::Page::battery: return new BatteryPage(hub.battery);
    case Router::Page::kvm: return new KVMPage(hub.automation, hub.display, hub.audio, hub.battery);
    case Router::Page::general: return new GeneralPage(hub, Updater::shared());
    }
    return new QWidget;
}

void MainView::sync()
{
    // The router announces every write; only a change of page makes a new one.
    if (page_ && router_.page() == shown_)
        return;
    showPage(router_.page());
}

void MainView::showPage(Router::Page page)
{
    auto* column = static_cast<QHBoxLayout*>(holder_->layout());
    if (page_) {
        // Hidden first, so a page's visible-only work (the overview's re-read) stops now.
        page_->hide();
        column->removeWidget(page_);
        page_->deleteLater();
    }
    shown_ = page;
    page_ = makePage(page, hub_);
    page_->setMaximumWidth(kPageMaxWidth);
    column->insertWidget(0, page_, 1, Qt::AlignTop);
    bool sidebarFocused = false;
    for (auto& [value, row] : rows_)
        sidebarFocused = sidebarFocused || row->hasFocus();
    for (auto& [value, row] : rows_)
        row->setSelected(value == page.value());
    setWindowTitle(page.title());
    // The keyboard stays in the sidebar, on the row now selected.
    if (SidebarRow* row = sidebarRow(page); row && sidebarFocused)
        row->setFocus(Qt::OtherFocusReason);
    scroll_->verticalScrollBar()->setValue(0);
    scroll_->verticalScrollBar()->setAccessibleName(page.title());
}

void MainView::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (!isWindow())
        return;
    windowHandle()->removeEventFilter(this); // installed once
    windowHandle()->installEventFilter(this);
    DockIcon::windowOpen = true;
    DockIcon::apply();
}

void MainView::hideEvent(QHideEvent* e)
{
    QWidget::hideEvent(e);
    if (!isWindow() || e->spontaneous())
        return;
    DockIcon::windowOpen = false;
    DockIcon::apply();
}

bool MainView::eventFilter(QObject* watched, QEvent* event)
{
    // A close that reaches the native window gives it up, and the next open would make it and
    // its backing store anew: the window is hidden instead, to come back as it was. The close
    // still counts as done, so quitting is never held up by it.
    if (watched == windowHandle() && event->type() == QEvent::Close) {
        hide();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

namespace {
QPointer<QWidget> window;
}

QWidget* MainWindow::open(Router& router, Hub& hub)
{
    if (!window) {
        window = new MainView(router, hub);
        window->setObjectName(kID);
        window->resize(kWidth, kHeight);
    }
    window->show();
    window->raise();
    window->activateWindow();
    platform::windowing::activateSelf();
    return window;
}

QWidget* MainWindow::existing() { return window; }
