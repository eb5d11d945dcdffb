#pragma once
// A fresh simulated Mac for each test: a temporary sim root, the virtual clock, an empty
// settings store and the desk the test asks for.
#include "platform/sim/Desk.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

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

private:
    std::unique_ptr<QTemporaryDir> dir_;
};
