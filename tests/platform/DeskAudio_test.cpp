#include "platform/sim/Desk.h"

#include <gtest/gtest.h>

namespace {

sim::DeskResult parseAudio(const char* section)
{
    return sim::Desk::parse(QByteArray(R"({"name": "t", "audio": )") + section + "}");
}

TEST(DeskAudio, DefaultDeskHasTheFourDevicesAndTheApplications)
{
    const sim::DeskResult desk = sim::Desk::parse(sim::Desk::defaultJson());
    ASSERT_TRUE(desk.ok()) << desk.error().text().toStdString();
    const sim::DeskAudio& a = desk.value().audio;
    ASSERT_EQ(a.devices.size(), 4u);
    EXPECT_EQ(a.defaultOutput, "BuiltInSpeakerDevice");
    EXPECT_EQ(a.systemOutput, "BuiltInSpeakerDevice") << "alerts follow the output unless told";
    const sim::DeskAudioDevice& headset = a.devices[3];
    EXPECT_TRUE(headset.output.present && headset.input.present);
    EXPECT_EQ(headset.output.volume->elements, (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(headset.transport, "usb ");
    EXPECT_FALSE(a.devices[2].output.volume) << "monitor audio has no volume of its own";
    EXPECT_FALSE(a.processes.empty());
    EXPECT_FALSE(a.apps.empty());
}

TEST(DeskAudio, ShapesOfStreams)
{
    const sim::DeskResult desk = parseAudio(R"({"devices": [
        {"id": 2, "uid": "a", "name": "A", "output": {"channels": 6}},
        {"id": 3, "uid": "b", "name": "B", "output": {"buffers": [2, 2, 2]}, "input": {}}]})");
    ASSERT_TRUE(desk.ok()) << desk.error().text().toStdString();
    const auto& d = desk.value().audio.devices;
    EXPECT_EQ(d[0].output.buffers, std::vector<uint32_t>{6});
    EXPECT_FALSE(d[0].input.present);
    EXPECT_EQ(d[1].output.channels(), 6u);
    EXPECT_EQ(d[1].input.buffers, std::vector<uint32_t>{2});
}

TEST(DeskAudio, ErrorsNameTheField)
{
    const std::pair<const char*, const char*> cases[] = {
        {R"({"devcies": []})", "audio.devcies"},
        {R"({"devices": [{"uid": "a", "name": "A"}]})", "audio.devices[0].id"},
        {R"({"devices": [{"id": 2, "name": "A"}]})", "audio.devices[0].uid"},
        {R"({"devices": [{"id": 2, "uid": "a", "name": "A"}, {"id": 2, "uid": "b", "name": "B"}]})", "audio.devices[1].id"},
        {R"({"devices": [{"id": 2, "uid": "a", "name": "A", "transport": "usb"}]})", "audio.devices[0].transport"},
        {R"({"devices": [{"id": 2, "uid": "a", "name": "A", "output": {"buffers": []}}]})", "audio.devices[0].output.buffers"},
        {R"({"devices": [{"id": 2, "uid": "a", "name": "A", "output": {"buffers": [2, 0]}}]})", "audio.devices[0].output.buffers[1]"},
        {R"({"devices": [{"id": 2, "uid": "a", "name": "A", "output": {"volume": {"value": 2}}}]})", "audio.devices[0].output.volume.value"},
        {R"({"devices": [{"id": 2, "uid": "a", "name": "A", "unreadable": ["colour"]}]})", "audio.devices[0].unreadable"},
        {R"({"processes": [{"object": 9, "pid": 1, "playng": true}]})", "audio.processes[0].playng"},
        {R"({"apps": [{"pid": 1, "policy": "sometimes"}]})", "audio.apps[0].policy"},
        {R"([])", "audio"},
    };
    for (const auto& [section, field] : cases) {
        const sim::DeskResult desk = parseAudio(section);
        ASSERT_FALSE(desk.ok()) << section;
        EXPECT_EQ(desk.error().field.toStdString(), field) << section;
    }
}

} // namespace
