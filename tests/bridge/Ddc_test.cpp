#include "bridge/Bridge.h"

#include "platform/Clock.h"
#include "platform/sim/Mac.h"
#include "support/SimTest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <vector>

namespace {

using sim::Fault;

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray b;
    for (int v : list)
        b.append(char(v));
    return b;
}

QJsonObject monitorJson(uint32_t id, uint32_t vendor, uint32_t model, uint32_t serial, QJsonObject ddc = {})
{
    if (!ddc.contains("vcp"))
        ddc["vcp"] = QJsonObject{{"10", 60}, {"12", QJsonObject{{"value", 30}, {"max", 50}}}, {"60", 15}};
    return QJsonObject{{"id", double(id)}, {"vendor", double(vendor)}, {"model", double(model)},
                       {"serial", double(serial)}, {"ddc", ddc}};
}

class DdcTest : public SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        useDisplays({QJsonObject{{"id", 1}, {"builtin", true}}, monitorJson(2, 100, 200, 0)});
    }

    void useDisplays(const QJsonArray& displays)
    {
        installDesk(QJsonDocument(QJsonObject{{"name", "test"}, {"displays", displays}}).toJson());
    }

    std::shared_ptr<sim::Monitor> monitor(uint32_t id = 2) { return sim::Mac::shared().displays().monitor(id); }

    ddc_service service(int index = 0) { return ddc_nth(index, nullptr); }

    // Which simulated monitor a handle talks to: the one that receives a write through it.
    uint32_t monitorBehind(const ddc_service& s)
    {
        if (!s)
            return 0;
        for (uint32_t id = 1; id < 10; ++id)
            if (auto m = monitor(id))
                m->clearTransfers();
        ddc_write(s, 0x10, 1);
        for (uint32_t id = 1; id < 10; ++id)
            if (auto m = monitor(id); m && !m->transfers().empty())
                return id;
        return 0;
    }
};

TEST_F(DdcTest, WriteSendsSetVcpTwiceTenMillisecondsApart)
{
    const double t0 = platform::clock::now();
    EXPECT_EQ(ddc_write(service(), 0x10, 50), 1);
    const auto log = monitor()->transfers();
    ASSERT_EQ(log.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(log[i].write);
        EXPECT_EQ(log[i].chip, 0x37);
        EXPECT_EQ(log[i].address, 0x51);
        EXPECT_EQ(log[i].bytes, bytes({0x84, 0x03, 0x10, 0x00, 0x32, 0x9A}));
        EXPECT_NEAR(log[i].time - t0, 0.010 * (i + 1), 1e-9);
    }
    EXPECT_EQ(monitor()->vcp(0x10)->value, 50);
    EXPECT_EQ(monitor()->setCount(0x10), 2);

    // A 16-bit value goes out high byte first, with its checksum.
    monitor()->clearTransfers();
    ddc_write(service(), 0x62, 0x0102);
    EXPECT_EQ(monitor()->transfers()[0].bytes, bytes({0x84, 0x03, 0x62, 0x01, 0x02, 0xB8 ^ 0x62 ^ 0x01 ^ 0x02}));
}

TEST_F(DdcTest, WriteResultIsTheSecondSends)
{
    monitor()->setFault(Fault::NakWrites, 1); // the first send is refused, the second lands
    EXPECT_EQ(ddc_write(service(), 0x10, 20), 1);
    EXPECT_EQ(monitor()->vcp(0x10)->value, 20);

    monitor()->clearTransfers();
    monitor()->setFault(Fault::NakWrites);
    EXPECT_EQ(ddc_write(service(), 0x10, 30), 0);
    EXPECT_EQ(monitor()->transfers().size(), 2u);
    EXPECT_EQ(monitor()->vcp(0x10)->value, 20);
}

TEST_F(DdcTest, ReadSendsGetVcpAndReadsTheReplyFiftyMillisecondsLater)
{
    const double t0 = platform::clock::now();
    uint16_t current = 0, maximum = 0;
    ASSERT_EQ(ddc_read(service(), 0x12, &current, &maximum), 1);
    EXPECT_EQ(current, 30);
    EXPECT_EQ(maximum, 50);

    monitor()->clearTransfers();
    const double t1 = platform::clock::now();
    ASSERT_EQ(ddc_read(service(), 0x10, &current, nullptr), 1);
    EXPECT_EQ(current, 60);
    const auto log = monitor()->transfers();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].bytes, bytes({0x82, 0x01, 0x10, 0xAC}));
    EXPECT_NEAR(log[0].time - t1, 0.010, 1e-9);
    EXPECT_FALSE(log[1].write);
    EXPECT_EQ(log[1].bytes.size(), 12);
    EXPECT_NEAR(log[1].time - t1, 0.060, 1e-9);
    EXPECT_GT(t1, t0);
}

TEST_F(DdcTest, ReadGivesUpAfterFourFailedAttempts)
{
    struct Case {
        const char* name;
        std::function<void(sim::Monitor&)> arrange;
        int writes;
        int reads;
        double seconds;
    };
    const std::vector<Case> cases{
        {"never answers", [](sim::Monitor& m) { m.setFault(Fault::Silent); }, 4, 4, 0.240},
        {"result code 0x01", [](sim::Monitor& m) { m.setUnsupported(0x10, true); }, 4, 4, 0.240},
        {"wrong opcode", [](sim::Monitor& m) { m.setFault(Fault::WrongOpcode); }, 4, 4, 0.240},
        {"corrupted reply", [](sim::Monitor& m) { m.setFault(Fault::BadChecksum); }, 4, 4, 0.240},
        {"writes refused", [](sim::Monitor& m) { m.setFault(Fault::NakWrites); }, 4, 0, 0.040},
        {"switched to another input", [](sim::Monitor& m) { m.showInput(0x11); }, 4, 0, 0.040},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        useDisplays({monitorJson(2, 100, 200, 0)});
        c.arrange(*monitor());
        uint16_t current = 7, maximum = 9;
        const double t0 = platform::clock::now();
        EXPECT_EQ(ddc_read(service(), 0x10, &current, &maximum), 0);
        EXPECT_NEAR(platform::clock::now() - t0, c.seconds, 1e-9);
        EXPECT_EQ(current, 7);
        EXPECT_EQ(maximum, 9);
        int writes = 0, reads = 0;
        for (const auto& t : monitor()->transfers())
            (t.write ? writes : reads) += 1;
        EXPECT_EQ(writes, c.writes);
        EXPECT_EQ(reads, c.reads);
    }
}

TEST_F(DdcTest, TooEarlyReadsGetTheNullMessage)
{
    useDisplays({monitorJson(2, 100, 200, 0, QJsonObject{{"replyDelay", 0.080}, {"vcp", QJsonObject{{"10", 5}}}})});
    uint16_t current = 0;
    EXPECT_EQ(ddc_read(service(), 0x10, &current, nullptr), 0);
    const auto log = monitor()->transfers();
    ASSERT_EQ(log.size(), 8u);
    EXPECT_EQ(log[1].bytes.left(3), bytes({0x6E, 0x80, 0xBE}));

    // Read without any request: the null message again.
    uint8_t reply[12] = {};
    ASSERT_EQ(platform::avservice::readI2C(service(), 0x37, 0, reply, 12), 0);
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(reply), 3), bytes({0x6E, 0x80, 0xBE}));
}

// A reply whose checksum does not hold is a failed attempt, never a reading.
TEST_F(DdcTest, CorruptedReplyIsRetriedNotBelieved)
{
    monitor()->setFault(Fault::BadChecksum, 1);
    uint16_t current = 0, maximum = 0;
    ASSERT_EQ(ddc_read(service(), 0x10, &current, &maximum), 1);
    EXPECT_EQ(current, 60);
    EXPECT_EQ(maximum, 100);
    EXPECT_EQ(monitor()->transfers().size(), 4u); // two attempts
}

TEST_F(DdcTest, NullServiceNeverTouchesTheBus)
{
    const double t0 = platform::clock::now();
    uint16_t current = 3;
    char buffer[8] = "xyz";
    EXPECT_EQ(ddc_write(nullptr, 0x10, 50), 0);
    EXPECT_EQ(ddc_read(nullptr, 0x10, &current, nullptr), 0);
    EXPECT_EQ(ddc_capabilities(nullptr, buffer, sizeof buffer), 0);
    EXPECT_EQ(current, 3);
    EXPECT_STREQ(buffer, "xyz");
    EXPECT_EQ(platform::clock::now(), t0);
    EXPECT_TRUE(monitor()->transfers().empty());
}

class CapabilitiesTest : public DdcTest {};

TEST_F(CapabilitiesTest, StringIsGatheredFragmentByFragment)
{
    const QByteArray caps = "(prot(monitor)type(lcd)model(T1)cmds(01 02 03 07 0C E3 F3)vcp(10 12 60(0F 11 12 ) 62)mccs_ver(2.1))";
    for (int fragment : {32, 7}) {
        SCOPED_TRACE(fragment);
        monitor()->setCapabilities(caps, fragment);
        monitor()->clearTransfers();
        char buffer[4096];
        ASSERT_EQ(ddc_capabilities(service(), buffer, sizeof buffer), caps.size());
        EXPECT_EQ(QByteArray(buffer), caps);

        // One request per fragment plus the one answered by the empty fragment, each with
        // the offset of the bytes gathered so far.
        std::vector<QByteArray> requests;
        for (const auto& t : monitor()->transfers())
            if (t.write)
                requests.push_back(t.bytes);
        const int fragments = (caps.size() + fragment - 1) / fragment;
        ASSERT_EQ(int(requests.size()), fragments + 1);
        EXPECT_EQ(requests[0], bytes({0x83, 0xF3, 0x00, 0x00, 0x4F}));
        const int off = fragment;
        EXPECT_EQ(requests[1], bytes({0x83, 0xF3, 0x00, off, 0x4F ^ off}));
    }
}

TEST_F(CapabilitiesTest, BadFragmentsAreAskedForAgain)
{
    const QByteArray caps = "vcp(10 12 60(0F 11) 62)";
    monitor()->setCapabilities(caps, 32);
    for (Fault fault : {Fault::BadChecksum, Fault::WrongOpcode}) {
        monitor()->setFault(fault, 2);
        char buffer[256];
        const double t0 = platform::clock::now();
        ASSERT_EQ(ddc_capabilities(service(), buffer, sizeof buffer), caps.size());
        EXPECT_EQ(QByteArray(buffer), caps);
        // Two failed attempts cost 50 + 20 ms each; then the fragment and the empty one, 50 ms each.
        EXPECT_NEAR(platform::clock::now() - t0, 2 * 0.070 + 2 * 0.050, 1e-9);
    }
}

TEST_F(CapabilitiesTest, ReadStopsAtItsLimits)
{
    QByteArray endless;
    for (int i = 0; i < 200; ++i)
        endless += QByteArray::number(i % 10);
    struct Case {
        const char* name;
        int size;
        int fragment;
        int expected;
        int requests;
    };
    const Case cases[] = {
        {"96 fragments", 4096, 32, 96 * 32, 96},
        {"buffer full", 100, 32, 99, 4},
        {"buffer of one", 1, 32, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        monitor()->setCapabilities(endless, c.fragment, false);
        monitor()->clearTransfers();
        std::vector<char> buffer(size_t(c.size) + 1, 'x');
        ASSERT_EQ(ddc_capabilities(service(), buffer.data(), c.size), c.expected);
        EXPECT_EQ(buffer[size_t(c.expected)], '\0');
        EXPECT_EQ(buffer[size_t(c.size)], 'x');
        int requests = 0;
        for (const auto& t : monitor()->transfers())
            requests += t.write;
        EXPECT_EQ(requests, c.requests);
        if (c.expected > 0) {
            EXPECT_EQ(QByteArray(buffer.data(), c.expected), endless.repeated(20).left(c.expected));
        }
    }
    char untouched[2] = {'a', 'b'};
    EXPECT_EQ(ddc_capabilities(service(), untouched, 0), 0);
    EXPECT_EQ(untouched[0], 'a');
}

TEST_F(CapabilitiesTest, SilentMonitorGivesAnEmptyStringAfterFiveAttempts)
{
    monitor()->setFault(Fault::Silent);
    char buffer[64] = "stale";
    const double t0 = platform::clock::now();
    EXPECT_EQ(ddc_capabilities(service(), buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_NEAR(platform::clock::now() - t0, 5 * 0.070, 1e-9);
}

class MatchingTest : public DdcTest {};

TEST_F(MatchingTest, ServicesCountOnlyExternalPortsInRegistryOrder)
{
    QJsonObject a = monitorJson(2, 100, 200, 0), b = monitorJson(3, 100, 300, 0);
    a["registryIndex"] = 5;
    b["registryIndex"] = 1;
    useDisplays({QJsonObject{{"id", 1}, {"builtin", true}, {"registryIndex", 0}}, a, b,
                 QJsonObject{{"id", 4}, {"vendor", 100}}}); // no DDC channel at all
    unsigned count = 99;
    EXPECT_EQ(monitorBehind(ddc_nth(0, &count)), 3u);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(monitorBehind(ddc_nth(1, nullptr)), 2u);
    EXPECT_EQ(ddc_nth(2, &count), nullptr);
    EXPECT_EQ(ddc_service_count(), 2);

    sim::Mac::shared().displays().setRegistryLookupFails(true);
    EXPECT_EQ(ddc_nth(0, &count), nullptr);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(ddc_service_for_display(100, 200, 0, 0, 0), nullptr); // no fallback either
}

// Two identical monitors without serial numbers and one of the same model with a serial:
// each display reaches its own monitor whatever the registry order.
TEST_F(MatchingTest, IdenticalMonitorsAreToldApartByOrdinalAndSerial)
{
    const std::vector<std::vector<int>> orders{{0, 1, 2}, {2, 0, 1}, {1, 2, 0}};
    for (const auto& order : orders) {
        SCOPED_TRACE(::testing::PrintToString(order));
        QJsonObject a = monitorJson(2, 100, 200, 0), b = monitorJson(3, 100, 200, 0), c = monitorJson(4, 100, 200, 1234);
        a["registryIndex"] = order[0];
        b["registryIndex"] = order[1];
        c["registryIndex"] = order[2];
        useDisplays({a, b, c});
        // The serial-less pair in the order the registry lists them.
        const uint32_t first = order[0] < order[1] ? 2 : 3, second = first == 2 ? 3 : 2;
        EXPECT_EQ(monitorBehind(ddc_service_for_display(100, 200, 0, 0, -1)), first);
        EXPECT_EQ(monitorBehind(ddc_service_for_display(100, 200, 0, 1, -1)), second);
        EXPECT_EQ(monitorBehind(ddc_service_for_display(100, 200, 0, 5, -1)), second);
        EXPECT_EQ(monitorBehind(ddc_service_for_display(100, 200, 1234, 0, -1)), 4u);
    }
}

TEST_F(MatchingTest, OrdinalAndFallbackRules)
{
    // Registry order: serial 77 first, then a serial-less one of the same model.
    useDisplays({monitorJson(2, 100, 200, 77), monitorJson(3, 100, 200, 0), monitorJson(4, 500, 600, 0)});
    struct Case {
        uint32_t vendor, model, serial;
        int ordinal, fallback;
        uint32_t expected; // 0: none
    };
    const Case cases[] = {
        {100, 200, 77, 0, -1, 2},
        {100, 200, 77, 1, -1, 0}, // the last candidate scores lower: nothing chosen
        {100, 200, 77, 1, 2, 4},  // ... so the fallback index decides
        {100, 200, 0, 0, -1, 3},
        {100, 200, 99, 0, -1, 2}, // serial differs: model matches score alike
        {100, 200, 99, 1, -1, 3},
        {500, 600, 0, 0, 0, 4},
        {999, 1, 0, 0, 1, 3},     // no candidate: fallback
        {999, 1, 0, 0, -1, 0},
        {999, 1, 0, 0, 7, 0},     // fallback out of range
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.vendor << ":" << c.model << ":" << c.serial << " #" << c.ordinal
                                          << " fallback " << c.fallback);
        EXPECT_EQ(monitorBehind(ddc_service_for_display(c.vendor, c.model, c.serial, c.ordinal, c.fallback)), c.expected);
    }
}

TEST(NumberIn, ConvertsNumbersOnly)
{
    const QVariantMap dict{{"int", 42},
                           {"long", qint64(1) << 40},
                           {"whole", 3.0},
                           {"fraction", 2.5},
                           {"text", "7"},
                           {"big", quint64(1) << 63}};
    struct Case {
        const char* key;
        int result;
        int64_t value;
    };
    const Case cases[] = {{"int", 1, 42}, {"long", 1, int64_t(1) << 40}, {"whole", 1, 3},
                          {"fraction", 0, 2}, {"text", 0, -5},         {"absent", 0, -5},
                          {"big", 0, INT64_MIN}};
    for (const Case& c : cases) {
        int64_t value = -5;
        EXPECT_EQ(number_in(dict, c.key, &value), c.result) << c.key;
        EXPECT_EQ(value, c.value) << c.key;
    }
}

} // namespace
