#include "display/DisplayTest.h"

#include "app/Prefs.h"

namespace {

class InputSourcesTest : public DisplayTest {
protected:
    static int capabilityRequests(uint32_t id)
    {
        int n = 0;
        for (const auto& t : monitor(id)->transfers())
            n += t.write && t.bytes.size() == 5 && uint8_t(t.bytes[1]) == 0xF3;
        return n;
    }
};

TEST_F(InputSourcesTest, InputListComesFromTheCapabilitiesString)
{
    struct Case {
        const char* capabilities;
        std::optional<std::vector<uint16_t>> expected;
    };
    using Codes = std::vector<uint16_t>;
    const Case cases[] = {
        // Monitors that write their codes without spaces, and a list right after a sub-list.
        {"(prot(monitor)type(LCD)model(C24G2)cmds(01 02 03 07 0C E3 F3)vcp(02 04 05 08 10 12 14(05 06 08 0B) 16 18 "
         "1A 52 6C 6E 70 AC AE B2 B6 C6 C8C9CA60(010F1112)CC(01 02 03 04 05 06 07 08 09 0A 0C 0D 0E 12 14 16 1E) "
         "D6(01 05) DF)mswhql(1)mccs_ver(2.2))",
         Codes{0x01, 0x0F, 0x11, 0x12}},
        {"(prot(monitor)type(LCD)model(19M38H)cmds(01 02 03 0C E3 F3)vcp(020405080B0C101214(05 08 0B)16181A4D4E4F52"
         "60(01 03 04)626C6E708D(01 02)B6C6C8C9D6(01 04)DFFD)mccs_ver(2.1))",
         Codes{0x01, 0x03, 0x04}},
        {"vcp(02 04 14(05 08 0B)60(0F 11 12) 62)", Codes{0x0F, 0x11, 0x12}},
        // Shapes read before keep their answers.
        {"(prot(monitor)vcp(10 12 60(0F 11 12 ) 62)mccs_ver(2.1))", Codes{0x0F, 0x11, 0x12}},
        {"vcp(10 12 60(0f 11 1b) 62)", Codes{0x0F, 0x11, 0x1B}},
        {"vcp(10 DC(00 02(01 03) 05) 60(11 12) 62)", Codes{0x11, 0x12}},
        {"(prot(monitor)type(lcd)model(Pro Display 27 60 Hz)vcp(10 60( 0F 11 ) 62))", Codes{0x0F, 0x11}},
        {"60(1b 0f 0F)", Codes{0x1B, 0x0F, 0x0F}},
        {"vcp(10 60(12345 11))", Codes{0x11}},
        {"(prot(monitor)vcp(10 12 62)mccs_ver(2.1))", std::nullopt},
        {"vcp(10 x60(01 03))", std::nullopt},
        {"vcp(10 160(01 03))", std::nullopt},
        {"vcp(10 60(1F GG 11))", std::nullopt},
        {"vcp(10 60(   ))", std::nullopt},
        {"vcp(10 12 60(0F 11", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.capabilities);
        Prefs::d().remove("display.reportedInputs");
        useDisplays({monitorJson(2)});
        monitor(2)->setCapabilities(c.capabilities, 7); // several fragments each
        start();
        const auto& reported = manager->reportedInputs();
        const auto stored = Prefs::codable<std::map<QString, std::vector<uint16_t>>>("display.reportedInputs");
        if (c.expected) {
            ASSERT_EQ(reported.count("100:200:0"), 1u);
            EXPECT_EQ(reported.at("100:200:0"), *c.expected);
            ASSERT_TRUE(stored.has_value());
            EXPECT_EQ(stored->at("100:200:0"), *c.expected);
        } else {
            EXPECT_TRUE(reported.empty());
            EXPECT_FALSE(stored.has_value());
        }
        manager.reset();
    }
}

TEST_F(InputSourcesTest, CapabilitiesAreAskedAgainUntilAListIsStored)
{
    // No list in the string: every read asks again, and reads in quick succession share one.
    useDisplays({monitorJson(2)});
    monitor(2)->setCapabilities("(prot(monitor)vcp(10 12 62))");
    start();
    EXPECT_EQ(capabilityRequests(2), 2); // one fragment and the empty one
    manager->reload();
    settle();
    EXPECT_EQ(capabilityRequests(2), 4);
    for (int i = 0; i < 3; ++i)
        manager->reload();
    settle();
    EXPECT_EQ(capabilityRequests(2), 6);
    EXPECT_TRUE(manager->reportedInputs().empty());

    // A piece lost to corrupt replies (five refused attempts) costs one read, not the run.
    manager.reset();
    useDisplays({monitorJson(2)});
    monitor(2)->setCapabilities("vcp(10 12 60(0F 11 12) 62)", 8);
    bool corrupted = false;
    monitor(2)->setWriteObserver([&](const sim::Transfer& t) {
        if (!corrupted && t.bytes.size() == 5 && uint8_t(t.bytes[1]) == 0xF3 && uint8_t(t.bytes[3]) == 8) {
            corrupted = true;
            monitor(2)->setFault(sim::Fault::BadChecksum, 5); // every attempt at the third piece
        }
    });
    start();
    ASSERT_TRUE(corrupted);
    EXPECT_TRUE(manager->reportedInputs().empty()) << "a cut string gives no list";
    manager->reload();
    settle();
    ASSERT_EQ(manager->reportedInputs().count("100:200:0"), 1u);
    EXPECT_EQ(manager->reportedInputs().at("100:200:0"), (std::vector<uint16_t>{0x0F, 0x11, 0x12}));

    // A stored list is never asked for again, across launches too.
    manager.reset();
    clearTransfers();
    start();
    manager->reload();
    settle();
    EXPECT_EQ(capabilityRequests(2), 0);

    // A monitor that never answers is not asked for its capabilities at all.
    manager.reset();
    Prefs::d().remove("display.reportedInputs");
    useDisplays({monitorJson(2)});
    monitor(2)->setFault(sim::Fault::Silent);
    start();
    manager->reload();
    settle();
    EXPECT_EQ(capabilityRequests(2), 0);
}

TEST_F(InputSourcesTest, ChoicesMergeTheListThisMacsInputAndTheCurrentOne)
{
    useDisplays({monitorJson(2, 200, 0, QJsonObject{{"10", 50}, {"60", 0x1B}})}); // the Mac is on USB-C
    monitor(2)->setCapabilities("vcp(60(0F 11))");
    start();
    const QString key = "100:200:0";
    ASSERT_EQ(manager->macInputs().at(key), 0x1B);

    auto codes = [](const std::vector<DisplayManager::InputChoice>& choices) {
        std::vector<uint16_t> out;
        for (const auto& c : choices)
            out.push_back(c.code);
        return out;
    };
    auto mac = [](const std::vector<DisplayManager::InputChoice>& choices) {
        std::vector<uint16_t> out;
        for (const auto& c : choices)
            if (c.isThisMac)
                out.push_back(c.code);
        return out;
    };
    const auto reported = manager->inputChoices(key, 0x12);
    EXPECT_EQ(codes(reported), (std::vector<uint16_t>{0x12, 0x1B, 0x0F, 0x11}));
    EXPECT_EQ(mac(reported), (std::vector<uint16_t>{0x1B}));

    const auto defaults = manager->inputChoices(std::nullopt, 0x11);
    EXPECT_EQ(codes(defaults), (std::vector<uint16_t>{0x0F, 0x10, 0x11, 0x12, 0x1A, 0x1B}));
    EXPECT_EQ(mac(defaults), (std::vector<uint16_t>{0x11}));
    EXPECT_EQ(defaults[0].port, "DisplayPort 1");
    EXPECT_EQ(codes(manager->inputChoices(std::nullopt, 0x2A)).front(), 0x2A);
}

TEST_F(InputSourcesTest, PortNamesAndMenuTitles)
{
    const std::pair<uint16_t, QString> ports[] = {{1, "VGA"},          {3, "DVI"},     {15, "DisplayPort 1"},
                                                  {16, "DisplayPort 2"}, {17, "HDMI 1"}, {19, "HDMI 3"},
                                                  {25, "USB-C"},         {26, "USB-C"},  {0x2A, "Giriş 0x2A"}};
    for (const auto& [code, name] : ports)
        EXPECT_EQ(DisplayManager::portName(code), name) << code;

    using Choice = DisplayManager::InputChoice;
    const std::pair<Choice, QString> titles[] = {
        {Choice{17, "HDMI 1", {"HDMI 1", "", false}, false}, "HDMI 1"},
        {Choice{17, "HDMI 1", {"İş Laptopu", "laptopcomputer", false}, true}, "İş Laptopu · HDMI 1"},
        {Choice{15, "DisplayPort 1", {}, true}, DisplayManager::thisMacName() + " · DisplayPort 1"},
        {Choice{15, "DisplayPort 1", {}, false}, "DisplayPort 1"},
    };
    for (const auto& [choice, title] : titles)
        EXPECT_EQ(choice.menuTitle(), title);
}

TEST_F(InputSourcesTest, UserDevicesAreStoredPerMonitorUnderTheCodeText)
{
    useDisplays({monitorJson(2)});
    start();
    manager->setInputDevice({"Oyun PC", "gamecontroller", true}, 0x1B);
    manager->setInputDevice({"Mac mini", "macmini", false}, 0x0F);
    const auto stored =
        Prefs::codable<std::map<QString, std::map<QString, DisplayManager::InputDevice>>>("display.inputDevices");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->at("100:200:0").at("1b"), (DisplayManager::InputDevice{"Oyun PC", "gamecontroller", true}));
    EXPECT_EQ(stored->at("100:200:0").at("f").name, "Mac mini");
    const auto choices = manager->inputChoices("100:200:0", std::nullopt);
    ASSERT_FALSE(choices.empty());
    EXPECT_EQ(choices[0].code, 0x0F);
    EXPECT_EQ(choices[0].menuTitle(), "Mac mini · DisplayPort 1");

    // A stored device without all three fields does not decode: the table starts empty.
    manager.reset();
    Prefs::d().set("display.inputDevices", QByteArray(R"({"100:200:0": {"f": {"name": "x"}}})"));
    start();
    EXPECT_TRUE(manager->inputDevices().empty());
}

TEST_F(InputSourcesTest, SwitchingAwayWritesTheInputAndTheManagerSurvivesTheSilence)
{
    useDisplays({monitorJson(2)});
    start();
    manager->setCurrentInput(0x11);
    manager->enqueue(0x60, 0x11, false);
    settle();
    EXPECT_EQ(setsOf(2, 0x60), (std::vector<int>{0x11, 0x11})); // the second send finds it gone
    EXPECT_TRUE(monitor(2)->switchedAway());

    manager->reload();
    settle();
    EXPECT_FALSE(manager->ddcAvailable());
    EXPECT_DOUBLE_EQ(manager->brightness(), 60);
    EXPECT_EQ(manager->macInputs().at("100:200:0"), 0x0F); // where it last showed this Mac
    manager->setBrightness(80, false);
    settle();

    // Switched back by hand: the monitor answers again.
    monitor(2)->showInput(0x0F);
    manager->reload();
    settle();
    EXPECT_TRUE(manager->ddcAvailable());
    EXPECT_EQ(manager->currentInput(), 0x0F);
}

} // namespace
