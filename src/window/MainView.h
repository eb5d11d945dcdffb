#pragma once
// The content of the main window: the page the router names, for the managers of the hub.
#include <QWidget>

class Hub;
class Router;

class MainView : public QWidget {
    Q_OBJECT
public:
    MainView(Router& router, Hub& hub, QWidget* parent = nullptr);

    Router& router() const { return router_; }
    Hub& hub() const { return hub_; }

private:
    Router& router_;
    Hub& hub_;
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
