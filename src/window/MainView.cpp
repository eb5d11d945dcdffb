#include "window/MainView.h"

#include "app/Hub.h"
#include "platform/Windowing.h"
#include "window/Router.h"

#include <QPointer>

MainView::MainView(Router& router, Hub& hub, QWidget* parent) : QWidget(parent), router_(router), hub_(hub)
{
    connect(&router_, &Router::changed, this, qOverload<>(&QWidget::update));
}

namespace {
QPointer<QWidget> window;
}

QWidget* MainWindow::open(Router& router, Hub& hub)
{
    if (!window) {
        window = new MainView(router, hub);
        window->setObjectName(kID);
        window->setWindowTitle(QStringLiteral("Quendrel"));
        window->resize(kWidth, kHeight);
    }
    window->show();
    window->raise();
    window->activateWindow();
    platform::windowing::activateSelf();
    return window;
}

QWidget* MainWindow::existing() { return window; }
