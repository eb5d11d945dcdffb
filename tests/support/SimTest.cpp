#include "support/SimTest.h"

#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "platform/sim/AdminScript.h"
#include "platform/sim/Mac.h"
#include "showcase/Showcase.h"

#include <QCoreApplication>

void SimTest::SetUp()
{
    dir_ = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(dir_->isValid());
    platform::paths::setSimRoot(dir_->path());
    platform::clock::testing::useVirtual();
    platform::UserDefaults::standard().reload();
    platform::log::clearRecent();
    Showcase::setEnabledForTesting(false);
    installDesk(sim::Desk::defaultJson());
}

void SimTest::TearDown()
{
    processEvents();
    platform::UserDefaults::standard().flush(); // while the sim root is still there
    Showcase::setEnabledForTesting(std::nullopt);
    platform::clock::testing::useReal();
}

void SimTest::installDesk(const QByteArray& json)
{
    const sim::DeskResult desk = sim::Desk::parse(json);
    ASSERT_TRUE(desk.ok()) << desk.error().text().toStdString();
    sim::Mac::shared().install(desk.value());
    // Nobody answers a dialog in a test: the prompt allows unless the test's desk says otherwise.
    if (!desk.value().raw.contains("adminPrompt"))
        sim::adminscript::setPrompt(sim::adminscript::Prompt::approve);
}

void SimTest::processEvents()
{
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void SimTest::advance(double seconds)
{
    processEvents();
    platform::clock::testing::advance(seconds);
    processEvents();
}
