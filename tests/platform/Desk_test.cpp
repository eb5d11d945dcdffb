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
    EXPECT_FALSE(desk.value().accessibility) << "Pelorn starts without the accessibility permission";
    const sim::DeskResult granted = sim::Desk::parse(R"({"accessibility": true})");
    ASSERT_TRUE(granted.ok()) << granted.error().text().toStdString();
    EXPECT_TRUE(granted.value().accessibility);
}

TEST(Desk, ErrorsNameTheField)
{
    const std::pair<const char*, const char*> cases[] = {
        {"{", ""},
        {"[]", ""},
        {R"({"name": 3})", "name"},
        {R"({"nmae": "x"})", "nmae"},
        {R"({"accessibility": "yes"})", "accessibility"},
    };
    for (const auto& [json, field] : cases) {
        const sim::DeskResult desk = sim::Desk::parse(json);
        ASSERT_FALSE(desk.ok()) << json;
        EXPECT_EQ(desk.error().field.toStdString(), field) << json;
        EXPECT_FALSE(desk.error().text().isEmpty());
    }
}

TEST(Desk, NumbersOutOfRangeAndListElementsOfTheWrongKindAreRefusedNamingTheField)
{
    struct Case {
        const char* json;
        const char* field;
        const char* message;
    };
    const Case cases[] = {
        // Out of the field's range, and of the integer it is converted to.
        {R"({"displays": [{"id": 1e19}]})", "displays[0].id", "between"},
        {R"({"displays": [{"id": -1e19}]})", "displays[0].id", "between"},
        {R"({"displays": [{"id": 9223372036854775808}]})", "displays[0].id", "between"},
        {R"({"displays": [{"id": 1, "modes": [{"width": 1e300, "height": 10}]}]})", "displays[0].modes[0].width", "between"},
        {R"({"displays": [{"id": 2, "ddc": {"vcp": {"10": 4294967296}}}]})", "displays[0].ddc.vcp.10", "0-65535"},
        {R"({"displays": [{"id": 2, "ddc": {"vcp": {"10": -1e19}}}]})", "displays[0].ddc.vcp.10", "0-65535"},
        {R"({"displays": [{"id": 1, "origin": [1e19, 0]}]})", "displays[0].origin", "[x, y]"},
        {R"({"displays": [{"id": 1, "origin": [0, 2.5]}]})", "displays[0].origin", "[x, y]"},
        {R"({"audio": {"selfPid": 1e19}})", "audio.selfPid", "between"},
        {R"({"audio": {"devices": [{"id": 2, "uid": "a", "name": "A", "output": {"buffers": [1e19]}}]}})",
         "audio.devices[0].output.buffers[0]", "between"},
        {R"({"smc": {"keys": [{"name": "CHIE", "float": 1e300}]}})", "smc.keys[0].float", "between"},
        {R"({"battery": {"chargeLimit": 1e19}})", "battery.chargeLimit", "between"},
        // An element of the wrong kind in a list, or one that names nothing.
        {R"({"audio": {"processes": [null]}})", "audio.processes[0]", "expected an object"},
        {R"({"audio": {"processes": [{"object": 9}, 3]}})", "audio.processes[1]", "expected an object"},
        {R"({"audio": {"processes": [{}]}})", "audio.processes[0].object", "missing"},
        {R"({"audio": {"apps": [null]}})", "audio.apps[0]", "expected an object"},
        {R"({"audio": {"apps": ["Finder"]}})", "audio.apps[0]", "expected an object"},
        {R"({"audio": {"apps": [{}]}})", "audio.apps[0].pid", "missing"},
    };
    for (const Case& c : cases) {
        const sim::DeskResult desk = sim::Desk::parse(c.json);
        ASSERT_FALSE(desk.ok()) << c.json;
        EXPECT_EQ(desk.error().field.toStdString(), c.field) << c.json;
        EXPECT_TRUE(desk.error().message.contains(c.message)) << c.json << " -> " << desk.error().text().toStdString();
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
