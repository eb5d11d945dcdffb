#include "platform/sim/Desk.h"
#include "support/NotAFile.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(Desk, DefaultDeskParses)
{
    const sim::DeskResult desk = sim::Desk::parse(sim::Desk::defaultJson());
    ASSERT_TRUE(desk.ok()) << desk.error().text().toStdString();
    EXPECT_EQ(desk.value().name, "default");
}

TEST(Desk, ErrorsNameTheField)
{
    const std::pair<const char*, const char*> cases[] = {
        {"{", ""},
        {"[]", ""},
        {R"({"name": 3})", "name"},
        {R"({"nmae": "x"})", "nmae"},
    };
    for (const auto& [json, field] : cases) {
        const sim::DeskResult desk = sim::Desk::parse(json);
        ASSERT_FALSE(desk.ok()) << json;
        EXPECT_EQ(desk.error().field.toStdString(), field) << json;
        EXPECT_FALSE(desk.error().text().isEmpty());
    }
}

TEST(Desk, ADeskPathThatIsNoRegularFileOrTooLargeIsRefusedAtOnce)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("desk.json");
    for (int kind = -1; kind < int(std::size(support::kNotAFile)); ++kind) {
        SCOPED_TRACE(kind < 0 ? "too large" : support::name(support::kNotAFile[kind]));
        if (kind < 0)
            support::plantOversized(path, "{}", sim::Desk::kMaxFileBytes);
        else
            support::plant(support::kNotAFile[kind], path);
        const sim::DeskResult desk = sim::Desk::load(path); // would block on the FIFO, never end on /dev/zero
        ASSERT_FALSE(desk.ok());
        EXPECT_TRUE(desk.error().message.startsWith("cannot read the desk file")) << desk.error().text().toStdString();
    }
}

} // namespace
