#pragma once
// The main window and its pages on a fresh simulated Mac, with the hub's managers started as
// at launch. Pages are laid out at a width without a window on screen; the window itself is
// shown (offscreen) where its appearing matters.
#include "app/Hub.h"
#include "audio/AudioManager.h"
#include "bridge/Bridge.h"
#include "support/SimTest.h"
#include "window/MainView.h"
#include "window/Router.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <functional>
#include <memory>

class WindowTest : public SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        Router::shared().setPage(Router::Page::overview);
    }
    void TearDown() override
    {
        views.clear();
        window.reset();
        processEvents();
        hub.reset();
        AudioManager::waitForBackgroundStops();
        tap.reset();
        Router::shared().setPage(Router::Page::overview);
        SimTest::TearDown();
    }

    // The default desk, edited before the hub is made.
    void startHub(const std::function<void(QJsonObject&)>& editDesk = {})
    {
        if (editDesk) {
            QJsonObject desk = QJsonDocument::fromJson(sim::Desk::defaultJson()).object();
            editDesk(desk);
            installDesk(QJsonDocument(desk).toJson());
        }
        bridge_forget_cached_clients();
        tap = std::make_unique<InputTap>();
        hub = std::make_unique<Hub>(*tap);
        hub->start();
        processEvents();
    }
    // Every external monitor loses its DDC/CI channel.
    static void withoutDdc(QJsonObject& desk)
    {
        QJsonArray displays = desk["displays"].toArray();
        for (qsizetype i = 0; i < displays.size(); ++i) {
            QJsonObject d = displays[i].toObject();
            d.remove("ddc");
            displays[i] = d;
        }
        desk["displays"] = displays;
    }

    MainView& openWindow(QSize size = {1100, 780})
    {
        window = std::make_unique<MainView>(Router::shared(), *hub);
        window->resize(size);
        window->show();
        processEvents();
        return *window;
    }
    template <class W>
    W* place(W* w, int width = 900) { return SimTest::place(w, width); }
    static void click(QWidget* w, QPoint at = {-1, -1})
    {
        QTest::mouseClick(w, Qt::LeftButton, {}, at.x() < 0 ? QRect(QPoint(), w->size()).center() : at);
        processEvents();
    }

    std::unique_ptr<InputTap> tap;
    std::unique_ptr<Hub> hub;
    std::unique_ptr<MainView> window;
};
