// DDC/CI (MCCS) over the AV service's I2C channel: requests to chip 0x37 from the host
// address 0x51, replies read back from offset 0. The fixed delays give the monitor time to
// process; a reply is accepted only when its checksum holds, so a corrupted reply never
// becomes a reading or part of a capabilities string.
#include "bridge/Bridge.h"

#include "platform/Clock.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

using platform::ioreg::Entry;

constexpr uint32_t kChip = 0x37;
constexpr uint32_t kHost = 0x51;
constexpr int kMaxCandidates = 16;
constexpr int kMaxFragments = 96;

// Replies are checksummed against the virtual host address 0x50: XOR of it and every byte
// from the source address up to the checksum.
bool replyChecksumHolds(const uint8_t* reply, int checksumIndex)
{
    uint8_t x = 0x50;
    for (int i = 0; i < checksumIndex; ++i)
        x ^= reply[i];
    return x == reply[checksumIndex];
}

int send(const ddc_service& service, const uint8_t* bytes, uint32_t length)
{
    return platform::avservice::writeI2C(service, kChip, kHost, bytes, length);
}

int receive(const ddc_service& service, uint8_t* bytes, uint32_t length)
{
    return platform::avservice::readI2C(service, kChip, 0, bytes, length);
}

} // namespace

int number_in(const QVariantMap& dictionary, const QString& key, int64_t* result)
{
    const auto it = dictionary.find(key);
    if (it == dictionary.end())
        return 0;
    const QVariant& v = it.value();
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
        *result = v.toLongLong();
        return 1;
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar: {
        const qulonglong u = v.toULongLong();
        *result = int64_t(u);
        return u <= qulonglong(std::numeric_limits<int64_t>::max()) ? 1 : 0;
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        // A lossy conversion stores the truncated value but does not count as a number.
        const double d = v.toDouble();
        if (!std::isfinite(d) || d < -9.2233720368547758e18 || d >= 9.2233720368547758e18)
            return 0;
        *result = int64_t(d);
        return double(*result) == d ? 1 : 0;
    }
    default:
        return 0;
    }
}

int is_external(Entry entry)
{
    const QVariant location = platform::ioreg::property(entry, "Location");
    return location.typeId() == QMetaType::QString && location.toString() == QLatin1String("External") ? 1 : 0;
}

ddc_service ddc_nth(int index, unsigned* count)
{
    std::vector<Entry> entries;
    if (platform::ioreg::matchingServices("DCPAVServiceProxy", entries) != platform::ioreg::kSuccess) {
        if (count)
            *count = 0;
        return nullptr;
    }
    ddc_service found;
    unsigned external = 0;
    for (Entry e : entries) {
        if (!is_external(e))
            continue;
        if (!found && int(external) == index)
            found = platform::avservice::create(e);
        ++external;
    }
    if (count)
        *count = external;
    return found;
}

int ddc_service_count()
{
    unsigned count = 0;
    ddc_nth(-1, &count);
    return int(count);
}

namespace {

// The external port that the identity's monitor is on: its registry entry and its position
// among the external ports (ddc_nth's index). False when no port matches; `lookupFailed` tells
// a failed registry lookup apart.
bool matchPort(uint32_t vendor, uint32_t model, uint32_t serial, int ordinal, Entry* port, int* position,
               bool* lookupFailed)
{
    std::vector<Entry> entries;
    *lookupFailed = platform::ioreg::matchingServices("DCPAVServiceProxy", entries) != platform::ioreg::kSuccess;
    if (*lookupFailed)
        return false;

    struct Candidate {
        Entry entry;
        int position;
        int score;
        bool otherMonitor;
    };
    std::vector<Candidate> candidates;
    int external = -1;
    for (Entry e : entries) {
        if (int(candidates.size()) >= kMaxCandidates)
            break;
        if (!is_external(e))
            continue;
        ++external;
        // The proxy's parent is "<port>:<service>"; the port's own subtree describes the
        // display attached to it.
        const QString parentName = platform::ioreg::name(platform::ioreg::parent(e));
        const int colon = parentName.indexOf(':');
        if (colon < 0)
            continue;
        const Entry portEntry = platform::ioreg::matchingServiceNamed(parentName.left(colon));
        if (!portEntry)
            continue;
        bool found = false;
        int64_t manufacturer = 0, product = -1, serialNumber = -1;
        for (Entry sub : platform::ioreg::subtree(portEntry)) {
            const QVariant attributes = platform::ioreg::property(sub, "DisplayAttributes");
            if (attributes.typeId() != QMetaType::QVariantMap)
                continue;
            const QVariant productAttributes = attributes.toMap().value("ProductAttributes");
            if (productAttributes.typeId() != QMetaType::QVariantMap)
                continue;
            const QVariantMap pa = productAttributes.toMap();
            if (!number_in(pa, "LegacyManufacturerID", &manufacturer))
                continue;
            product = -1;
            serialNumber = -1;
            if (!number_in(pa, "ProductID", &product))
                product = -1;
            if (!number_in(pa, "SerialNumber", &serialNumber))
                serialNumber = -1;
            found = true;
            break;
        }
        if (!found || manufacturer != int64_t(vendor) || product != int64_t(model))
            continue;
        const int score = (serialNumber == int64_t(serial) && serial != 0) ? 2 : 1;
        // A port whose monitor has a serial number of its own is another monitor than a
        // display without one; it stays a candidate only when nothing else matches.
        candidates.push_back({e, external, score, serial == 0 && serialNumber > 0});
    }
    if (std::any_of(candidates.begin(), candidates.end(), [](const Candidate& c) { return !c.otherMonitor; }))
        candidates.erase(std::remove_if(candidates.begin(), candidates.end(),
                                        [](const Candidate& c) { return c.otherMonitor; }),
                         candidates.end());

    int best = 0;
    for (const Candidate& c : candidates)
        best = std::max(best, c.score);
    const Candidate* chosen = nullptr;
    int seen = 0;
    for (size_t i = 0; i < candidates.size() && !chosen; ++i) {
        const Candidate& c = candidates[i];
        if (c.score == best) {
            if (seen == ordinal)
                chosen = &c;
            ++seen;
        }
        // More identical monitors asked for than found: the last one, if it is one of them.
        if (!chosen && i + 1 == candidates.size() && c.score == best)
            chosen = &c;
    }
    if (!chosen)
        return false;
    *port = chosen->entry;
    *position = chosen->position;
    return true;
}

} // namespace

ddc_service ddc_service_for_display(uint32_t vendor, uint32_t model, uint32_t serial, int ordinal, int fallbackIndex)
{
    Entry port = 0;
    int position = -1;
    bool lookupFailed = false;
    if (matchPort(vendor, model, serial, ordinal, &port, &position, &lookupFailed))
        return platform::avservice::create(port);
    if (!lookupFailed && fallbackIndex >= 0)
        return ddc_nth(fallbackIndex, nullptr);
    return nullptr;
}

int ddc_port_index(uint32_t vendor, uint32_t model, uint32_t serial, int ordinal)
{
    Entry port = 0;
    int position = -1;
    bool lookupFailed = false;
    return matchPort(vendor, model, serial, ordinal, &port, &position, &lookupFailed) ? position : -1;
}

int ddc_write(const ddc_service& service, uint8_t vcp, uint16_t value)
{
    if (!service)
        return 0;
    const uint8_t hi = uint8_t(value >> 8), lo = uint8_t(value & 0xFF);
    const uint8_t message[6] = {0x84, 0x03, vcp, hi, lo, uint8_t(0xB8 ^ vcp ^ hi ^ lo)};
    // Sent twice: monitors drop a Set VCP now and then without saying so.
    int status = platform::ioreg::kError;
    for (int i = 0; i < 2; ++i) {
        platform::clock::sleep(0.010);
        status = send(service, message, sizeof message);
    }
    return status == platform::ioreg::kSuccess ? 1 : 0;
}

int ddc_read(const ddc_service& service, uint8_t vcp, uint16_t* current, uint16_t* maximum)
{
    if (!service)
        return 0;
    const uint8_t request[4] = {0x82, 0x01, vcp, uint8_t(vcp ^ 0xBC)};
    for (int attempt = 0; attempt < 4; ++attempt) {
        uint8_t reply[12] = {};
        platform::clock::sleep(0.010);
        if (send(service, request, sizeof request) != platform::ioreg::kSuccess)
            continue;
        platform::clock::sleep(0.050);
        if (receive(service, reply, sizeof reply) != platform::ioreg::kSuccess)
            continue;
        if (reply[2] != 0x02 || reply[3] != 0x00 || reply[4] != vcp || !replyChecksumHolds(reply, 10))
            continue;
        if (maximum)
            *maximum = uint16_t(reply[6] << 8 | reply[7]);
        if (current)
            *current = uint16_t(reply[8] << 8 | reply[9]);
        return 1;
    }
    return 0;
}

int ddc_capabilities(const ddc_service& service, char* buffer, int size)
{
    if (!service || size < 1)
        return 0;
    if (size == 1) {
        buffer[0] = '\0';
        return 0;
    }
    int length = 0;
    int offset = 0;
    for (int fragment = 0; fragment < kMaxFragments; ++fragment) {
        int copied = 0;
        for (int attempt = 0; attempt < 5; ++attempt) {
            const uint8_t hi = uint8_t(offset >> 8), lo = uint8_t(offset & 0xFF);
            const uint8_t request[5] = {0x83, 0xF3, hi, lo, uint8_t(hi ^ lo ^ 0x4F)};
            if (send(service, request, sizeof request) != platform::ioreg::kSuccess) {
                platform::clock::sleep(0.020);
                continue;
            }
            platform::clock::sleep(0.050);
            uint8_t reply[40] = {};
            if (receive(service, reply, 38) != platform::ioreg::kSuccess) {
                platform::clock::sleep(0.020);
                continue;
            }
            const int L = reply[1] & 0x7F;
            if (reply[2] != 0xE3 || L < 3 || L > 35 || !replyChecksumHolds(reply, 2 + L)) {
                platform::clock::sleep(0.020);
                continue;
            }
            const int n = (length + L - 3 < size) ? L - 3 : size - 1 - length;
            std::memcpy(buffer + length, reply + 5, size_t(n));
            length += n;
            copied = n;
            break;
        }
        if (copied == 0 || length >= size - 1)
            break;
        offset += copied;
    }
    buffer[length] = '\0';
    return length;
}
