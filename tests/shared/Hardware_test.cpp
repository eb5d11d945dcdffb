#include "shared/Hardware.h"

#include "helper/smc/SmcWrite.h"
#include "platform/sim/Smc.h"
#include "support/SimTest.h"
#include "support/TestPaths.h"

#include <QProcess>
#include <cstring>

namespace {

class SmcKeys : public SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        installDesk(R"({"smc": {"keys": [
            {"name": "CHIE", "type": "hex_", "bytes": [0]},
            {"name": "BWID", "type": "ui16", "attributes": 212, "bytes": [1, 2]},
            {"name": "TB0T", "type": "flt ", "float": 30.5},
            {"name": "LOCK", "bytes": [7], "failWrites": true}
        ]}})");
        connection = smc_open();
        ASSERT_NE(connection, 0u);
        sim::smc::clearRequests();
    }

    // The fields of a captured request record.
    static uint32_t u32(const QByteArray& r, int offset)
    {
        uint32_t v;
        std::memcpy(&v, r.constData() + offset, 4);
        return v;
    }
    // Every byte outside the named offsets must be zero.
    static void expectZeroExcept(const QByteArray& r, std::initializer_list<std::pair<int, int>> fields)
    {
        for (int i = 0; i < r.size(); ++i) {
            bool inField = false;
            for (auto [offset, size] : fields)
                inField = inField || (i >= offset && i < offset + size);
            if (!inField) {
                EXPECT_EQ(r[i], 0) << "byte " << i;
            }
        }
    }

    uint32_t connection = 0;
};

TEST(SmcKeyPacking, FirstCharacterInTheHighByte)
{
    EXPECT_EQ(smc_pack_key("CHIE"), 0x43484945u);
    EXPECT_EQ(smc_pack_key("CH0I"), 0x43483049u);
    EXPECT_EQ(smc_pack_key("TB0T"), 0x54423054u);
}

TEST_F(SmcKeys, RequestRecordsCarryOnlyTheirFields)
{
    uint8_t value[4] = {};
    ASSERT_EQ(smc_read(connection, "BWID", value, 4), 2);
    const uint8_t off[1] = {0x08};
    ASSERT_TRUE(smc_write(connection, "CHIE", off, 1));

    const QList<QByteArray> requests = sim::smc::requests();
    ASSERT_EQ(requests.size(), 4); // key info + read, key info + write
    for (const QByteArray& r : requests)
        ASSERT_EQ(r.size(), 80);

    EXPECT_EQ(u32(requests[0], 0), 0x42574944u);
    EXPECT_EQ(requests[0][42], 9);
    expectZeroExcept(requests[0], {{0, 4}, {42, 1}});

    EXPECT_EQ(u32(requests[1], 0), 0x42574944u);
    EXPECT_EQ(u32(requests[1], 28), 2u);
    EXPECT_EQ(requests[1][42], 5);
    expectZeroExcept(requests[1], {{0, 4}, {28, 4}, {42, 1}});

    EXPECT_EQ(requests[2][42], 9);
    EXPECT_EQ(u32(requests[3], 0), 0x43484945u);
    EXPECT_EQ(u32(requests[3], 28), 1u);
    EXPECT_EQ(requests[3][42], 6);
    EXPECT_EQ(uint8_t(requests[3][48]), 0x08);
    expectZeroExcept(requests[3], {{0, 4}, {28, 4}, {42, 1}, {48, 1}});
    EXPECT_EQ(sim::smc::value("CHIE"), QByteArray(1, 0x08));
}

TEST_F(SmcKeys, KeyInfoFillsOnlyOnSuccess)
{
    SMCKeyInfo info{};
    ASSERT_TRUE(smc_key_info(connection, smc_pack_key("BWID"), &info));
    EXPECT_EQ(info.dataSize, 2u);
    EXPECT_EQ(info.dataType, smc_pack_key("ui16"));
    EXPECT_EQ(info.dataAttributes, 212);

    SMCKeyInfo untouched;
    std::memset(&untouched, 0xAB, sizeof untouched);
    EXPECT_FALSE(smc_key_info(connection, smc_pack_key("NOPE"), &untouched));
    EXPECT_FALSE(smc_key_info(0, smc_pack_key("BWID"), &untouched));
    for (size_t i = 0; i < sizeof untouched; ++i)
        EXPECT_EQ(reinterpret_cast<uint8_t*>(&untouched)[i], 0xAB);
}

TEST_F(SmcKeys, ReadCopiesTheSmallestOfSizeAndCapacity)
{
    struct Case {
        const char* key;
        uint32_t connectionOrZero;
        uint32_t capacity;
        int32_t result;
        QByteArray expected; // the buffer afterwards, from a buffer of 0xEE
    };
    const float t = 30.5f;
    const QByteArray tb0t(reinterpret_cast<const char*>(&t), 4);
    const Case cases[] = {
        {"CHIE", 1, 4, 1, QByteArray("\x00\xEE\xEE\xEE", 4)},       // the probe relies on 1
        {"TB0T", 1, 4, 4, tb0t},
        {"TB0T", 1, 2, 2, tb0t.left(2) + QByteArray(2, char(0xEE))},
        {"NOPE", 1, 4, -1, QByteArray(4, char(0xEE))},
        {"CHIE", 0, 4, -1, QByteArray(4, char(0xEE))},              // no connection
    };
    for (const Case& c : cases) {
        uint8_t buffer[4];
        std::memset(buffer, 0xEE, sizeof buffer);
        EXPECT_EQ(smc_read(c.connectionOrZero ? connection : 0, c.key, buffer, c.capacity), c.result) << c.key;
        EXPECT_EQ(QByteArray(reinterpret_cast<char*>(buffer), 4), c.expected) << c.key << " " << c.capacity;
    }
}

TEST_F(SmcKeys, WritesThatAreRefused)
{
    const uint8_t data[33] = {1};
    struct Case {
        const char* key;
        uint32_t length;
        bool connected;
        int requestsSent;
    };
    const Case cases[] = {
        {"NOPE", 1, true, 1},  // unknown key: only the key info
        {"BWID", 1, true, 1},  // wrong size: no write request
        {"BWID", 33, true, 1}, // longer than the record's bytes
        {"LOCK", 1, true, 2},  // the SMC refuses
        {"CHIE", 1, false, 0},
    };
    for (const Case& c : cases) {
        sim::smc::clearRequests();
        EXPECT_FALSE(smc_write(c.connected ? connection : 0, c.key, data, c.length)) << c.key << " " << c.length;
        EXPECT_EQ(sim::smc::requests().size(), c.requestsSent) << c.key << " " << c.length;
    }
    EXPECT_EQ(sim::smc::value("BWID"), QByteArray("\x01\x02", 2));
    EXPECT_EQ(sim::smc::value("LOCK"), QByteArray(1, 7));

    sim::smc::setWriteFailure("LOCK", false);
    EXPECT_TRUE(smc_write(connection, "LOCK", data, 1));
    EXPECT_EQ(sim::smc::value("LOCK"), QByteArray(1, 1));
}

TEST_F(SmcKeys, MachineWithoutSmcGivesNoConnection)
{
    installDesk(R"({"smc": {"present": false}})");
    EXPECT_EQ(smc_open(), 0u);
}

// Only the privileged helper writes SMC keys: the application's binary does not carry the write.
TEST(SmcWriteSplit, OnlyTheHelperProgramCarriesTheWrite)
{
    const auto definesWrite = [](const QString& program) {
        QProcess nm;
        nm.start("nm", {"--defined-only", "-C", testpaths::buildDir() + "/src/" + program});
        EXPECT_TRUE(nm.waitForFinished(60000));
        EXPECT_EQ(nm.exitCode(), 0) << program.toStdString() << ": " << nm.readAllStandardError().toStdString();
        const QString symbols = QString::fromLocal8Bit(nm.readAllStandardOutput());
        EXPECT_TRUE(symbols.contains("smc_read(")) << program.toStdString();
        return symbols.contains("smc_write(");
    };
    EXPECT_FALSE(definesWrite("Pelorn"));
    EXPECT_TRUE(definesWrite("PelornHelper"));
}

} // namespace

