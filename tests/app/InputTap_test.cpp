#include "app/InputTap.h"
#include "app/SyntheticEvents.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/sim/EventSystem.h"
#include "support/SimTest.h"

#include <QCoreApplication>
#include <QThread>
#include <pthread.h>

using namespace platform::events;
using Key = InputTap::MediaKey;

namespace {

std::string threadName()
{
    char name[32] = {};
    pthread_getname_np(pthread_self(), name, sizeof name);
    return name;
}

class InputTapTest : public SimTest {
protected:
    sim::EventSystem& system = sim::EventSystem::shared();

    // A tap that is running, with the permission granted up front.
    std::unique_ptr<InputTap> runningTap()
    {
        system.setTrusted(true);
        auto tap = std::make_unique<InputTap>();
        tap->start(true);
        EXPECT_TRUE(tap->isRunning());
        return tap;
    }
};

TEST_F(InputTapTest, RetriesEveryTwoSecondsUntilTrustedThenRunsBothTapsOnce)
{
    InputTap tap;
    int changes = 0;
    QObject::connect(&tap, &InputTap::changed, [&] { ++changes; });

    tap.start(true);
    EXPECT_EQ(system.promptCount(), 1);
    EXPECT_FALSE(tap.isRunning());
    EXPECT_TRUE(system.taps().empty());

    advance(2.0); // a retry, still without the permission
    EXPECT_FALSE(tap.isRunning());
    EXPECT_EQ(system.promptCount(), 1) << "retries do not prompt again";

    system.setTrusted(true);
    advance(1.9);
    EXPECT_FALSE(tap.isRunning()) << "the retry runs on its 2 s beat";
    advance(0.1);
    ASSERT_TRUE(tap.isRunning());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(platform::clock::testing::activeTimers(), 0) << "the retry stops once installed";
    EXPECT_EQ(platform::log::recent().count("Pelorn: event tap active"), 1);

    const auto taps = system.taps();
    ASSERT_EQ(taps.size(), 2u);
    EXPECT_EQ(taps[0].location, TapLocation::session);
    EXPECT_EQ(taps[0].placement, TapPlacement::headInsert);
    EXPECT_EQ(taps[0].mask, uint64_t(1) << 14);
    EXPECT_EQ(taps[1].location, TapLocation::annotatedSession);
    EXPECT_EQ(taps[1].placement, TapPlacement::tailAppend);
    EXPECT_EQ(taps[1].mask, uint64_t(1) << 22);
    for (const auto& t : taps) {
        EXPECT_EQ(t.option, TapOption::defaultTap);
        EXPECT_TRUE(t.enabled);
    }

    tap.start(true); // a second start does nothing
    EXPECT_EQ(system.taps().size(), 2u);
    EXPECT_EQ(system.promptCount(), 1);
    EXPECT_EQ(platform::clock::testing::activeTimers(), 0);
}

TEST_F(InputTapTest, StartWithoutPromptAsksNothingButStillRetries)
{
    InputTap tap;
    tap.start(false);
    EXPECT_EQ(system.promptCount(), 0);
    system.setTrusted(true);
    advance(2.0);
    EXPECT_TRUE(tap.isRunning());
}

TEST_F(InputTapTest, TapDisabledBySystemIsEnabledAgain)
{
    auto tap = runningTap();
    for (bool byTimeout : {true, false}) {
        SCOPED_TRACE(byTimeout ? "timeout" : "user input");
        for (const auto& t : system.taps())
            system.disableTap(t.ref, byTimeout);
        system.settle();
        for (const auto& t : system.taps())
            EXPECT_TRUE(t.enabled);
    }
}

// Revoked while running, the permission takes the keys away at once: the taps stop, the
// application learns it (its permission cards return) and the keys keep their system behaviour;
// granted again, the taps come back at the next retry.
TEST_F(InputTapTest, ARevokedPermissionStopsTheTapsUntilGrantedAgain)
{
    auto tap = runningTap();
    int calls = 0;
    tap->onMediaKey = [&](Key, bool, ModifierFlags) { return ++calls, true; };
    int changes = 0;
    QObject::connect(tap.get(), &InputTap::changed, [&] { ++changes; });

    system.setTrusted(false);
    system.settle();
    processEvents();
    EXPECT_FALSE(tap->isRunning());
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(system.taps().empty()) << "the dead taps were let go";
    EXPECT_TRUE(system.deliver(sim::mediaKeyEvent(0, true))) << "the key passes to the system";
    EXPECT_EQ(calls, 0);
    advance(2.0);
    EXPECT_FALSE(tap->isRunning()) << "the retry finds no permission";

    system.setTrusted(true);
    advance(2.0);
    ASSERT_TRUE(tap->isRunning());
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(system.taps().size(), 2u);
    EXPECT_FALSE(system.deliver(sim::mediaKeyEvent(0, true)));
    EXPECT_EQ(calls, 1);
}

TEST_F(InputTapTest, MediaKeysReachTheHandlerOnTheMainThreadAndAreSwallowedOnlyWhenItSaysSo)
{
    auto tap = runningTap();
    struct Call {
        Key key;
        bool down;
        ModifierFlags flags;
        bool onMain;
    };
    std::vector<Call> calls;
    bool answer = false;
    tap->onMediaKey = [&](Key key, bool down, ModifierFlags flags) {
        calls.push_back({key, down, flags, QThread::currentThread() == QCoreApplication::instance()->thread()});
        return answer;
    };

    const struct {
        int number;
        std::optional<Key> key;
    } cases[] = {
        {0, Key::soundUp}, {1, Key::soundDown}, {2, Key::brightnessUp}, {3, Key::brightnessDown},
        {7, Key::mute},    {4, std::nullopt},   {5, std::nullopt},      {6, std::nullopt},
        {8, std::nullopt}, {16, std::nullopt},
    };
    for (const auto& c : cases) {
        for (bool down : {true, false}) {
            for (bool swallow : {true, false}) {
                SCOPED_TRACE(testing::Message() << "key " << c.number << (down ? " down" : " up")
                                                << (swallow ? " swallowed" : " passed"));
                calls.clear();
                answer = swallow;
                const Event sent = sim::mediaKeyEvent(c.number, down, kFlagShift | kFlagOption);
                const auto delivered = system.deliver(sent);
                if (!c.key) {
                    EXPECT_TRUE(calls.empty());
                    ASSERT_TRUE(delivered);
                    EXPECT_EQ(toAppKit(*delivered)->data1, toAppKit(sent)->data1);
                    continue;
                }
                ASSERT_EQ(calls.size(), 1u);
                EXPECT_EQ(calls[0].key, *c.key);
                EXPECT_EQ(calls[0].down, down);
                EXPECT_EQ(calls[0].flags, kFlagShift | kFlagOption);
                EXPECT_TRUE(calls[0].onMain);
                EXPECT_EQ(delivered.has_value(), !swallow);
            }
        }
    }
}

TEST_F(InputTapTest, MediaKeysTheHandlerCannotSeePass)
{
    auto tap = runningTap();
    // No handler yet: the key keeps its system behaviour.
    EXPECT_TRUE(system.deliver(sim::mediaKeyEvent(0, true)));

    int calls = 0;
    tap->onMediaKey = [&](Key, bool, ModifierFlags) { return ++calls, true; };
    // An event the application kit cannot represent, and another subtype.
    EXPECT_TRUE(system.deliver(Event(kTypeSystemDefined)));
    EXPECT_TRUE(system.deliver(Event::systemDefined(7, (0 << 16) | 0x0A00, 0, 0)));
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(system.deliver(sim::mediaKeyEvent(0, true)));
    EXPECT_EQ(calls, 1);
}

TEST_F(InputTapTest, ScrollEventsGoToTheHandlerOnTheInputThreadUnlessMarked)
{
    auto tap = runningTap();
    EXPECT_TRUE(system.deliver(sim::wheelEvent(1))) << "no handler: delivered";

    std::vector<std::string> threads;
    bool swallow = true;
    tap->onScroll = [&](Event* e) -> Event* {
        threads.push_back(threadName());
        if (swallow)
            return nullptr;
        e->setIntegerField(Field::lineDeltaY, -e->integerField(Field::lineDeltaY));
        return e;
    };

    EXPECT_FALSE(system.deliver(sim::wheelEvent(1)));
    swallow = false;
    const auto changed = system.deliver(sim::wheelEvent(3));
    ASSERT_TRUE(changed);
    EXPECT_EQ(changed->integerField(Field::lineDeltaY), -3);
    EXPECT_EQ(threads, (std::vector<std::string>{"Pelorn.input", "Pelorn.input"}));

    // The application's own events pass by their mark, untouched, though the handler would
    // change them.
    Event marked = sim::wheelEvent(2);
    marked.setIntegerField(Field::sourceUserData, kSyntheticMark);
    const auto passed = system.deliver(marked);
    ASSERT_TRUE(passed);
    EXPECT_EQ(passed->integerField(Field::lineDeltaY), 2);
    EXPECT_EQ(threads.size(), 2u);
}

TEST_F(InputTapTest, AccessibilitySettingsOpenThePrivacyPage)
{
    InputTap::openAccessibilitySettings();
    EXPECT_EQ(system.openedSettings(),
              QStringList{"x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"});
}

} // namespace
