#include "platform/Smc.h"

#include "platform/sim/Battery.h"
#include "platform/sim/Machine.h"
#include "platform/sim/Smc.h"

#include <QJsonArray>
#include <QSet>
#include <cstring>
#include <mutex>

namespace sim::smc {
namespace {

constexpr uint32_t kSmcService = 0x5A01;
constexpr size_t kRecordSize = 80;

std::mutex gMutex; // the process's connections and request log
QSet<uint32_t> gConnections;
uint32_t gNextConnection = 0x7001;
QList<QByteArray> gRequests;

QJsonObject keyJson(const SmcKeyDesk& k)
{
    return QJsonObject{{"type", double(k.type)},
                       {"attributes", int(k.attributes)},
                       {"bytes", QString::fromLatin1(k.bytes.toHex())},
                       {"failWrites", k.failWrites}};
}

QJsonObject document(const SmcDesk& desk)
{
    QJsonObject keys;
    for (const SmcKeyDesk& k : desk.keys)
        keys[k.name] = keyJson(k);
    return QJsonObject{{"present", desk.present}, {"keys", keys}};
}

QString keyName(uint32_t key)
{
    QString s;
    for (int shift = 24; shift >= 0; shift -= 8)
        s.append(QChar(char((key >> shift) & 0xFF)));
    return s;
}

template <class T>
T field(const unsigned char* record, size_t offset)
{
    T v;
    std::memcpy(&v, record + offset, sizeof v);
    return v;
}

template <class T>
void put(unsigned char* record, size_t offset, T v)
{
    std::memcpy(record + offset, &v, sizeof v);
}

// Serves one request record; the reply keeps the request's key and command.
void serve(const unsigned char* in, unsigned char* out)
{
    std::memcpy(out, in, kRecordSize);
    const QString name = keyName(field<uint32_t>(in, 0));
    const uint8_t command = in[42];
    const uint32_t size = field<uint32_t>(in, 28);

    machine::Transaction tx;
    QJsonObject doc = state(tx);
    QJsonObject keys = doc["keys"].toObject();
    if (!keys.contains(name)) {
        out[40] = kResultKeyNotFound;
        return;
    }
    QJsonObject key = keys[name].toObject();
    const QByteArray bytes = QByteArray::fromHex(key["bytes"].toString().toLatin1());
    switch (command) {
    case 9:
        put<uint32_t>(out, 28, uint32_t(bytes.size()));
        put<uint32_t>(out, 32, uint32_t(key["type"].toDouble()));
        out[36] = uint8_t(key["attributes"].toInt());
        out[40] = 0;
        return;
    case 5:
        if (size != uint32_t(bytes.size())) {
            out[40] = kResultBadSize;
            return;
        }
        std::memset(out + 48, 0, 32);
        std::memcpy(out + 48, bytes.constData(), bytes.size());
        out[40] = 0;
        return;
    case 6:
        if (size != uint32_t(bytes.size())) {
            out[40] = kResultBadSize;
            return;
        }
        if (key["failWrites"].toBool()) {
            out[40] = kResultWriteRefused;
            return;
        }
        battery::settle(tx); // the old adapter state holds up to this moment
        key["bytes"] = QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(in + 48), int(size)).toHex());
        keys[name] = key;
        doc["keys"] = keys;
        tx.write("smc", doc);
        out[40] = 0;
        return;
    default:
        out[40] = kResultBadCommand;
    }
}

} // namespace

QJsonObject state(machine::Transaction& tx)
{
    if (!tx.exists("smc")) {
        const DeskResult desk = Desk::fromEnvironment();
        tx.write("smc", document(desk ? desk.value().smc : SmcDesk{}));
    }
    return tx.read("smc");
}

void install(const SmcDesk& desk)
{
    machine::Transaction tx;
    tx.write("smc", document(desk));
}

std::optional<QByteArray> value(const QString& key)
{
    machine::Transaction tx;
    const QJsonObject keys = state(tx)["keys"].toObject();
    if (!keys.contains(key))
        return std::nullopt;
    return QByteArray::fromHex(keys[key].toObject()["bytes"].toString().toLatin1());
}

void setValue(const QString& key, const QByteArray& bytes)
{
    machine::Transaction tx;
    battery::settle(tx);
    QJsonObject doc = state(tx);
    QJsonObject keys = doc["keys"].toObject();
    QJsonObject k = keys.contains(key) ? keys[key].toObject() : keyJson(SmcKeyDesk{key, 0x6865785F, 0, {}, false});
    k["bytes"] = QString::fromLatin1(bytes.toHex());
    keys[key] = k;
    doc["keys"] = keys;
    tx.write("smc", doc);
}

void setWriteFailure(const QString& key, bool fails)
{
    machine::Transaction tx;
    QJsonObject doc = state(tx);
    QJsonObject keys = doc["keys"].toObject();
    if (!keys.contains(key))
        return;
    QJsonObject k = keys[key].toObject();
    k["failWrites"] = fails;
    keys[key] = k;
    doc["keys"] = keys;
    tx.write("smc", doc);
}

QList<QByteArray> requests()
{
    std::lock_guard lock(gMutex);
    return gRequests;
}

void clearRequests()
{
    std::lock_guard lock(gMutex);
    gRequests.clear();
}

} // namespace sim::smc

namespace platform::smc {

uint32_t matchingService(const char* className)
{
    if (std::strcmp(className, "AppleSMC") != 0)
        return 0;
    sim::machine::Transaction tx;
    return sim::smc::state(tx)["present"].toBool(true) ? sim::smc::kSmcService : 0;
}

int32_t open(uint32_t service, uint32_t type, uint32_t* connection)
{
    if (service != sim::smc::kSmcService || !connection)
        return kReturnBadArgument;
    if (type != 0)
        return kReturnUnsupported;
    std::lock_guard lock(sim::smc::gMutex);
    *connection = sim::smc::gNextConnection++;
    sim::smc::gConnections.insert(*connection);
    return kReturnSuccess;
}

void release(uint32_t) {}

int32_t callStructMethod(uint32_t connection, uint32_t selector, const void* input, size_t inputSize,
                         void* output, size_t* outputSize)
{
    {
        std::lock_guard lock(sim::smc::gMutex);
        if (!sim::smc::gConnections.contains(connection))
            return kReturnNotOpen;
        if (selector != 2 || !input || !output || !outputSize || inputSize != sim::smc::kRecordSize
            || *outputSize < sim::smc::kRecordSize)
            return kReturnBadArgument;
        if (sim::smc::gRequests.size() >= 4096)
            sim::smc::gRequests.removeFirst();
        sim::smc::gRequests.append(QByteArray(static_cast<const char*>(input), int(inputSize)));
    }
    sim::smc::serve(static_cast<const unsigned char*>(input), static_cast<unsigned char*>(output));
    *outputSize = sim::smc::kRecordSize;
    return kReturnSuccess;
}

} // namespace platform::smc
