#pragma once
// A fresh simulated Mac for each test: a temporary sim root, the virtual clock, an empty
// settings store and the desk the test asks for.
#include "platform/sim/Desk.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

class SimTest : public ::testing::Test {
public:
    // advance(), for test helpers outside the fixture.
    static void advanceClock(double seconds) { advance(seconds); }

protected:
    void SetUp() override;
    void TearDown() override;

    // Replaces the simulated machine; fails the test when the desk is refused.
    void installDesk(const QByteArray& json);
    // Runs queued main-thread work (hops from other threads) until none is left.
    static void processEvents();
    // Moves the shared clock on, running timers that fall due, then queued work.
    static void advance(double seconds);

    QString root() const { return dir_->path(); }

    // Lays a view out on its own at a width, without putting a window on screen; the fixture
    // owns it until `views` is cleared.
    template <class W>
    W* place(W* w, int width)
    {
        views.emplace_back(w);
        w->setAttribute(Qt::WA_DontShowOnScreen);
        w->resize(width, w->hasHeightForWidth() ? w->heightForWidth(width) : w->sizeHint().height());
        w->show();
        processEvents();
        return w;
    }
    std::vector<std::unique_ptr<QWidget>> views;

private:
    std::unique_ptr<QTemporaryDir> dir_;
};
