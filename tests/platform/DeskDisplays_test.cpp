#include "platform/sim/Desk.h"

#include <gtest/gtest.h>

namespace {

TEST(DeskDisplays, DefaultDeskIsALaptopWithTwoMonitors)
{
    const sim::DeskResult desk = sim::Desk::parse(sim::Desk::defaultJson());
    ASSERT_TRUE(desk.ok()) << desk.error().text().toStdString();
    const auto& d = desk.value().displays;
    ASSERT_EQ(d.size(), 3u);
    EXPECT_TRUE(d[0].builtin);
    EXPECT_TRUE(d[0].brightness.has_value());
    EXPECT_FALSE(d[0].ddc.has_value());
    for (int i : {1, 2}) {
        ASSERT_TRUE(d[i].ddc.has_value());
        EXPECT_FALSE(d[i].ddc->capabilities.isEmpty());
        EXPECT_TRUE(d[i].ddc->vcp.count(0x10));
        EXPECT_TRUE(d[i].ddc->macInput.has_value() || d[i].ddc->vcp.count(0x60));
    }
}

TEST(DeskDisplays, FieldsAreRead)
{
    const auto desk = sim::Desk::parse(R"({"displays": [
        {"id": 7, "vendor": 1, "model": 2, "serial": 3, "origin": [-10, 20], "registryIndex": 4,
         "modes": [{"width": 800, "height": 600}, {"width": 640, "height": 480, "pixelWidth": 1280, "refresh": 0, "usable": false}],
         "mode": 1,
         "ddc": {"vcp": {"10": 5, "0x62": {"value": 9, "max": 50}}, "unsupported": ["12"], "fragmentSize": 8,
                 "faults": ["silent"], "macInput": 17}}]})");
    ASSERT_TRUE(desk.ok()) << desk.error().text().toStdString();
    const sim::DeskDisplay& d = desk.value().displays.at(0);
    EXPECT_EQ(d.id, 7u);
    EXPECT_EQ(d.x, -10);
    EXPECT_EQ(d.registryIndex, 4);
    ASSERT_EQ(d.modes.size(), 2u);
    EXPECT_EQ(d.modes[0].pixelWidth, 800);
    EXPECT_EQ(d.modes[1].refresh, 0);
    EXPECT_FALSE(d.modes[1].usable);
    EXPECT_EQ(d.mode, 1);
    EXPECT_EQ(d.ddc->vcp.at(0x10).maximum, 100);
    EXPECT_EQ(d.ddc->vcp.at(0x62).maximum, 50);
    EXPECT_TRUE(d.ddc->unsupported.count(0x12));
    EXPECT_EQ(d.ddc->fragmentSize, 8);
    EXPECT_EQ(d.ddc->macInput, 17);
}

TEST(DeskDisplays, WrongFieldRefusesTheDeskNamingIt)
{
    const std::pair<const char*, const char*> cases[] = {
        {R"({"displays": {}})", "displays"},
        {R"({"displays": [{"name": "x"}]})", "displays[0].id"},
        {R"({"displays": [{"id": 1}, {"id": 1}]})", "displays[1].id"},
        {R"({"displays": [{"id": 1, "vendr": 4}]})", "displays[0].vendr"},
        {R"({"displays": [{"id": 1, "origin": [1]}]})", "displays[0].origin"},
        {R"({"displays": [{"id": 1, "modes": [{"width": 10}]}]})", "displays[0].modes[0].height"},
        {R"({"displays": [{"id": 1, "mode": 3}]})", "displays[0].mode"},
        {R"({"displays": [{"id": 1, "mirrorOf": 9}]})", "displays[0].mirrorOf"},
        {R"({"displays": [{"id": 1, "builtin": true, "ddc": {}}]})", "displays[0].ddc"},
        {R"({"displays": [{"id": 1, "wallpaper": 4}]})", "displays[0].wallpaper"},
        {R"({"displays": [{"id": 2, "ddc": {"vcp": {"1G": 3}}}]})", "displays[0].ddc.vcp.1G"},
        {R"({"displays": [{"id": 2, "ddc": {"vcp": {"10": 70000}}}]})", "displays[0].ddc.vcp.10"},
        {R"({"displays": [{"id": 2, "ddc": {"vcp": {"10": {"value": 5, "maxx": 9}}}}]})", "displays[0].ddc.vcp.10.maxx"},
        {R"({"displays": [{"id": 2, "ddc": {"fragmentSize": 33}}]})", "displays[0].ddc.fragmentSize"},
        {R"({"displays": [{"id": 2, "ddc": {"faults": ["flaky"]}}]})", "displays[0].ddc.faults[0]"},
        {R"({"displays": [{"id": 2, "ddc": {"unsupported": [16]}}]})", "displays[0].ddc.unsupported[0]"},
    };
    for (const auto& [json, field] : cases) {
        const sim::DeskResult desk = sim::Desk::parse(json);
        ASSERT_FALSE(desk.ok()) << json;
        EXPECT_EQ(desk.error().field.toStdString(), field) << json << " -> " << desk.error().text().toStdString();
    }
}

} // namespace
