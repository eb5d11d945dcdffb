#pragma once
// A simulated monitor's DDC/CI side: it decodes the requests written to its I2C channel,
// checks their checksums, holds a value and a maximum per VCP code and answers like real
// monitors do: a reply only after its processing delay, the null message before that or
// without a request, capabilities in fragments ending with an empty one. Every transfer is
// logged with its time on the shared clock.
#include "platform/sim/Desk.h"

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace sim {

struct Transfer {
    double time = 0;
    bool write = false;
    uint8_t chip = 0;
    uint8_t address = 0;   // data address of a write, offset of a read
    QByteArray bytes;      // what was written, or what the read returned
    int status = 0;
};

enum class Fault {
    Silent,      // accepts requests, never replies
    NakWrites,   // every write is refused on the bus
    BadChecksum, // replies carry a flipped bit, so their checksum no longer matches
    WrongOpcode, // replies carry the wrong opcode
};

class Monitor {
public:
    Monitor(uint32_t displayID, const DeskDdc& ddc);

    // The I2C side, called through the AV service.
    int write(uint32_t chip, uint32_t dataAddress, const uint8_t* bytes, uint32_t length);
    int read(uint32_t chip, uint32_t offset, uint8_t* bytes, uint32_t length);

    uint32_t displayID() const { return displayID_; }
    std::optional<DeskVcp> vcp(uint8_t code) const;
    void setVcp(uint8_t code, uint16_t value, uint16_t maximum);
    std::map<uint8_t, DeskVcp> vcpTable() const;
    void setUnsupported(uint8_t code, bool unsupported);
    // times < 0: from now on; 0: off; n: the next n occasions only.
    void setFault(Fault fault, int times = -1);
    void setCapabilities(const QByteArray& text, int fragmentSize = 32, bool endsWithEmptyFragment = true);
    // The monitor shows another input (its own buttons or the KVM); away from the Mac's input
    // it is no longer on this Mac's channel.
    void showInput(uint16_t code);
    // The inputs its own buttons offer: the values its capabilities list for VCP 0x60, or the
    // common ones when it lists none.
    std::vector<uint16_t> inputs() const;
    bool switchedAway() const;

    // Called after every write reaches the monitor, outside its lock (tests hold a transfer
    // on the bus with it).
    void setWriteObserver(std::function<void(const Transfer&)> observer);

    std::vector<Transfer> transfers() const;
    void clearTransfers();
    // How many Set VCP requests for the code it accepted.
    int setCount(uint8_t code) const;

    static constexpr uint8_t kAddress = 0x37;
    static constexpr uint8_t kHostAddress = 0x51;

private:
    int writeLocked(uint32_t chip, uint32_t dataAddress, const uint8_t* bytes, uint32_t length);
    bool takeFault(Fault fault);
    void log(bool write, uint32_t chip, uint32_t address, const uint8_t* bytes, uint32_t length, int status);
    void handle(const uint8_t* body, uint32_t length);
    void reply(QByteArray bytes, int corruptIndex);
    bool awayLocked() const;

    const uint32_t displayID_;
    mutable std::mutex mutex_;
    DeskDdc ddc_;
    std::map<Fault, int> faults_;
    std::map<uint8_t, int> sets_;
    QByteArray pendingReply_;
    double replyReadyAt_ = 0;
    std::vector<Transfer> log_;
    std::function<void(const Transfer&)> observer_;
};

} // namespace sim
