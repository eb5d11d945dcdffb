#include "platform/Events.h"
#include "platform/RunLoop.h"

#include <gtest/gtest.h>
#include <thread>

using namespace platform::events;

namespace {

TEST(EventFields, EachKindStoresAndConvertsLikeThePlatform)
{
    const struct {
        Field field;
        double written;
        double readDouble;
        int64_t readInteger;
    } cases[] = {
        {Field::lineDeltaY, 2.9, 2.0, 2},          // integers truncate
        {Field::lineDeltaX, -2.9, -2.0, -2},
        {Field::fixedDeltaY, 1.5, 1.5, 1},         // 16.16 fixed point
        {Field::fixedDeltaX, -0.25, -0.25, 0},
        {Field::fixedDeltaY, 1.0 / 3, 21845.0 / 65536, 0}, // rounded to 1/65536
        {Field::pointDeltaY, 12.75, 12.75, 12},    // doubles
        {Field::pointDeltaX, -0.4, -0.4, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "field " << uint32_t(c.field) << " <- " << c.written);
        Event e;
        e.setDoubleField(c.field, c.written);
        EXPECT_DOUBLE_EQ(e.doubleField(c.field), c.readDouble);
        EXPECT_EQ(e.integerField(c.field), c.readInteger);
    }

    Event e;
    e.setIntegerField(Field::sourceUserData, 0x5A565441);
    e.setIntegerField(Field::fixedDeltaY, -3);
    EXPECT_EQ(e.integerField(Field::sourceUserData), 0x5A565441);
    EXPECT_DOUBLE_EQ(e.doubleField(Field::fixedDeltaY), -3.0);
    Event copy = e; // a copy is independent of its original
    copy.setIntegerField(Field::sourceUserData, 0);
    EXPECT_EQ(e.integerField(Field::sourceUserData), 0x5A565441);
}

TEST(RunLoop, PerformAndWaitRunsTheBlockOnTheLoopsThread)
{
    platform::RunLoop* loop = nullptr;
    std::atomic<platform::RunLoop*> ready{nullptr};
    std::thread thread([&] {
        ready = &platform::RunLoop::current();
        ready.load()->run();
    });
    while (!(loop = ready.load()))
        std::this_thread::yield();

    std::thread::id ranOn;
    EXPECT_TRUE(loop->performAndWait([&] { ranOn = std::this_thread::get_id(); }));
    EXPECT_EQ(ranOn, thread.get_id());

    EXPECT_TRUE(loop->performAndWait([&] { loop->stop(); }));
    thread.join(); // stop() ends run()
}

} // namespace
