#pragma once
// The content of the main window: a sidebar of the router's pages and a detail column that
// scrolls the selected page. A page is made anew whenever the router turns to another page, so
// its own state starts fresh; its views take their managers from the hub.
#include "window/Router.h"

#include <QPointer>
#include <QWidget>
#include <map>

class Hub;
class QScrollArea;
class QSplitter;
class SidebarRow;

class MainView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMinWidth = 900;
    static constexpr int kMinHeight = 640;
    static constexpr int kPageMaxWidth = 1100;
    static constexpr int kPagePadding = 24;
    // The sidebar column: the person drags its edge between the bounds; it starts at the ideal.
    static constexpr int kSidebarMinWidth = 190;
    static constexpr int kSidebarWidth = 210;
    static constexpr int kSidebarMaxWidth = 260;

    MainView(Router& router, Hub& hub, QWidget* parent = nullptr);

    Router& router() const { return router_; }
    Hub& hub() const { return hub_; }

    // The detail view for a page, built with the managers of the hub.
    static QWidget* makePage(Router::Page page, Hub& hub);

    // What is shown now.
    QWidget* page() const { return page_; }
    Router::Page shownPage() const { return shown_; }
    QScrollArea* detail() const { return scroll_; }
    QWidget* sidebar() const { return sidebar_; }
    QSplitter* splitter() const { return splitter_; }
    SidebarRow* sidebarRow(Router::Page page) const;

protected:
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void sync();
    void showPage(Router::Page page);

    Router& router_;
    Hub& hub_;
    QSplitter* splitter_;
    QWidget* sidebar_;
    QScrollArea* scroll_;
    QWidget* holder_;
    QPointer<QWidget> page_;
    Router::Page shown_ = Router::Page::overview;
    std::map<int, SidebarRow*> rows_;
    std::vector<Router::Page> order_; // the sidebar's rows, top to bottom
};

// One page in the sidebar: its symbol and title; selected rows are tinted.
// The selected row is the sidebar's one tab stop; the arrows select the row above or below.
class SidebarRow : public QWidget {
    Q_OBJECT
public:
    SidebarRow(Router::Page page, std::function<void()> action, QWidget* parent = nullptr);
    // Up (-1) and Down (+1) go to the owner, who knows the order of the rows.
    std::function<void(int)> onStep;
    void setSelected(bool selected);
    bool isSelected() const { return selected_; }
    QSize sizeHint() const override { return {180, 30}; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    Router::Page page_;
    std::function<void()> action_;
    bool selected_ = false;
    bool hovering_ = false;
};

// The one main window, id "main": made on first open and brought forward afterwards.
class MainWindow {
public:
    static constexpr const char* kID = "main";
    static constexpr int kWidth = 1100;
    static constexpr int kHeight = 780;

    // Opens the window (making it the first time) and activates the application.
    static QWidget* open(Router& router, Hub& hub);
    // The window when it has been made.
    static QWidget* existing();
};
