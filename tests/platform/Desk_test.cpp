#include "platform/sim/Desk.h"

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

} // namespace
