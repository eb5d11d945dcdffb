#pragma once
// The I/O registry and the AV-service I2C channel of external display ports.
//
// Registry entries are walked as the kernel's registry would be: services matched by class
// or by name, parents and subtrees in the service plane, and properties read as values
// (strings, numbers, dictionaries as QVariantMap). An AV service is the reference-counted
// handle of one display port's I2C channel; transfers return a status where 0 is success.
#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform::ioreg {

using Entry = uint64_t; // 0 = none

enum Status : int {
    kSuccess = 0,
    kError = int(0xE00002BC),
    kNoDevice = int(0xE00002C0),
    kNotResponding = int(0xE00002ED),
};

// Every service of the class, in registry order; a status other than kSuccess leaves none.
int matchingServices(const QString& className, std::vector<Entry>& out);
// The first service with that registry name, or 0.
Entry matchingServiceNamed(const QString& name);
Entry parent(Entry entry);                 // in the service plane; 0 at the root
QString name(Entry entry);
QString className(Entry entry);
QVariant property(Entry entry, const QString& key); // invalid when absent
// Every entry below this one in the service plane, depth first, the entry itself excluded.
std::vector<Entry> subtree(Entry entry);

} // namespace platform::ioreg

namespace platform::avservice {

struct Service; // one display port's I2C channel
using Ref = std::shared_ptr<Service>;

// A new handle for an AV service entry, or null when the entry is none.
Ref create(ioreg::Entry entry);
int writeI2C(const Ref& service, uint32_t chipAddress, uint32_t dataAddress, const uint8_t* bytes, uint32_t length);
int readI2C(const Ref& service, uint32_t chipAddress, uint32_t offset, uint8_t* bytes, uint32_t length);

} // namespace platform::avservice
