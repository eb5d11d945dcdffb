#include "platform/sim/Monitor.h"

#include "platform/Clock.h"
#include "platform/IoRegistry.h"
#include "platform/sim/Persistence.h"

namespace sim {
namespace {

// Replies are checksummed against the virtual host address 0x50.
uint8_t replyChecksum(const QByteArray& bytes)
{
    uint8_t x = 0x50;
    for (char c : bytes)
        x ^= uint8_t(c);
    return x;
}

constexpr uint8_t kSource = 0x6E;

} // namespace

Monitor::Monitor(uint32_t displayID, const DeskDdc& ddc) : displayID_(displayID), ddc_(ddc)
{
    for (const QString& f : ddc.faults) {
        if (f == "silent")
            faults_[Fault::Silent] = -1;
        else if (f == "nakWrites")
            faults_[Fault::NakWrites] = -1;
        else if (f == "badChecksum")
            faults_[Fault::BadChecksum] = -1;
        else if (f == "wrongOpcode")
            faults_[Fault::WrongOpcode] = -1;
    }
    if (!ddc_.macInput && ddc_.vcp.count(0x60))
        ddc_.macInput = ddc_.vcp.at(0x60).value;
}

bool Monitor::takeFault(Fault fault)
{
    auto it = faults_.find(fault);
    if (it == faults_.end() || it->second == 0)
        return false;
    if (it->second > 0)
        --it->second;
    return true;
}

bool Monitor::awayLocked() const
{
    const auto input = ddc_.vcp.find(0x60);
    return ddc_.macInput && input != ddc_.vcp.end() && input->second.value != *ddc_.macInput;
}

void Monitor::log(bool write, uint32_t chip, uint32_t address, const uint8_t* bytes, uint32_t length, int status)
{
    log_.push_back(Transfer{platform::clock::now(), write, uint8_t(chip), uint8_t(address),
                            QByteArray(reinterpret_cast<const char*>(bytes), int(length)), status});
}

int Monitor::write(uint32_t chip, uint32_t dataAddress, const uint8_t* bytes, uint32_t length)
{
    std::function<void(const Transfer&)> observer;
    Transfer last;
    int status;
    {
        std::lock_guard lock(mutex_);
        status = writeLocked(chip, dataAddress, bytes, length);
        observer = observer_;
        last = log_.back();
    }
    if (observer)
        observer(last);
    return status;
}

void Monitor::setWriteObserver(std::function<void(const Transfer&)> observer)
{
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

int Monitor::writeLocked(uint32_t chip, uint32_t dataAddress, const uint8_t* bytes, uint32_t length)
{
    int status = platform::ioreg::kSuccess;
    if (chip != kAddress || awayLocked())
        status = platform::ioreg::kNoDevice;
    else if (takeFault(Fault::NakWrites))
        status = platform::ioreg::kNotResponding;
    log(true, chip, dataAddress, bytes, length, status);
    if (status != platform::ioreg::kSuccess)
        return status;

    // A new request replaces any reply not yet read.
    pendingReply_.clear();
    // Frame: 0x80 | n, n bytes of body, checksum over destination, source and the frame.
    if (length < 3 || dataAddress != kHostAddress || (bytes[0] & 0x80) == 0 || uint32_t(bytes[0] & 0x7F) != length - 2)
        return status;
    uint8_t x = kSource ^ uint8_t(dataAddress);
    for (uint32_t i = 0; i + 1 < length; ++i)
        x ^= bytes[i];
    if (x != bytes[length - 1])
        return status; // a garbled request is ignored, as on a real bus
    if (!takeFault(Fault::Silent))
        handle(bytes + 1, length - 2);
    return status;
}

void Monitor::handle(const uint8_t* body, uint32_t length)
{
    const uint8_t opcode = body[0];
    if (opcode == 0x03 && length == 4) { // Set VCP Feature
        const uint8_t code = body[1];
        const uint16_t value = uint16_t(body[2] << 8 | body[3]);
        if (ddc_.unsupported.count(code))
            return;
        DeskVcp& v = ddc_.vcp[code];
        v.value = (code != 0x60 && v.maximum > 0 && value > v.maximum) ? v.maximum : value;
        ++sets_[code];
        persistence::changed();
        return;
    }
    if (opcode == 0x01 && length == 2) { // Get VCP Feature
        const uint8_t code = body[1];
        QByteArray r;
        r.append(char(kSource)).append(char(0x88));
        r.append(char(takeFault(Fault::WrongOpcode) ? 0x03 : 0x02));
        const auto it = ddc_.vcp.find(code);
        if (ddc_.unsupported.count(code) || it == ddc_.vcp.end()) {
            r.append(char(0x01)).append(char(code)).append(QByteArray(5, '\0'));
        } else {
            r.append(char(0x00)).append(char(code)).append(char(0x00));
            r.append(char(it->second.maximum >> 8)).append(char(it->second.maximum & 0xFF));
            r.append(char(it->second.value >> 8)).append(char(it->second.value & 0xFF));
        }
        reply(r, 9); // a corrupted reply shows a wrong current value
        return;
    }
    if (opcode == 0xF3 && length == 3) { // Capabilities Request
        const int offset = body[1] << 8 | body[2];
        const QByteArray& caps = ddc_.capabilities;
        QByteArray chunk;
        if (ddc_.endsWithEmptyFragment || caps.isEmpty()) {
            chunk = caps.mid(offset, ddc_.fragmentSize);
        } else {
            for (int i = 0; i < ddc_.fragmentSize; ++i)
                chunk.append(caps[(offset + i) % caps.size()]);
        }
        QByteArray r;
        r.append(char(kSource)).append(char(0x80 | (3 + chunk.size())));
        r.append(char(takeFault(Fault::WrongOpcode) ? 0xE4 : 0xE3));
        r.append(char(body[1])).append(char(body[2])).append(chunk);
        reply(r, chunk.isEmpty() ? -1 : 5);
    }
}

void Monitor::reply(QByteArray bytes, int corruptIndex)
{
    bytes.append(char(replyChecksum(bytes)));
    if (takeFault(Fault::BadChecksum)) {
        const int i = corruptIndex >= 0 ? corruptIndex : bytes.size() - 1;
        bytes[i] = char(uint8_t(bytes[i]) ^ 0x01);
    }
    pendingReply_ = bytes;
    replyReadyAt_ = platform::clock::now() + ddc_.replyDelay;
}

int Monitor::read(uint32_t chip, uint32_t offset, uint8_t* bytes, uint32_t length)
{
    std::lock_guard lock(mutex_);
    if (chip != kAddress || awayLocked()) {
        log(false, chip, offset, bytes, 0, platform::ioreg::kNoDevice);
        return platform::ioreg::kNoDevice;
    }
    QByteArray out;
    if (pendingReply_.isEmpty() || platform::clock::now() < replyReadyAt_) {
        out = QByteArray("\x6E\x80\xBE", 3); // the null message: nothing to say yet
    } else {
        out = pendingReply_;
        pendingReply_.clear();
    }
    out = out.left(int(length));
    out.append(QByteArray(int(length) - out.size(), '\0'));
    std::copy(out.begin(), out.end(), bytes);
    log(false, chip, offset, bytes, length, platform::ioreg::kSuccess);
    return platform::ioreg::kSuccess;
}

std::optional<DeskVcp> Monitor::vcp(uint8_t code) const
{
    std::lock_guard lock(mutex_);
    const auto it = ddc_.vcp.find(code);
    if (it == ddc_.vcp.end())
        return std::nullopt;
    return it->second;
}

void Monitor::setVcp(uint8_t code, uint16_t value, uint16_t maximum)
{
    std::lock_guard lock(mutex_);
    ddc_.vcp[code] = DeskVcp{value, maximum};
    persistence::changed();
}

std::map<uint8_t, DeskVcp> Monitor::vcpTable() const
{
    std::lock_guard lock(mutex_);
    return ddc_.vcp;
}

void Monitor::setUnsupported(uint8_t code, bool unsupported)
{
    std::lock_guard lock(mutex_);
    if (unsupported)
        ddc_.unsupported.insert(code);
    else
        ddc_.unsupported.erase(code);
}

void Monitor::setFault(Fault fault, int times)
{
    std::lock_guard lock(mutex_);
    faults_[fault] = times;
}

std::vector<uint16_t> Monitor::inputs() const
{
    QByteArray caps;
    {
        std::lock_guard lock(mutex_);
        caps = ddc_.capabilities;
    }
    // "... vcp(02 10 60(0F 11 12) 62) ...": the values in parentheses after 60, at the vcp
    // list's own depth.
    const qsizetype vcp = caps.indexOf("vcp(");
    std::vector<uint16_t> out;
    if (vcp >= 0) {
        int depth = 0;
        QByteArray word;
        for (qsizetype i = vcp + 4; i < caps.size() && depth >= 0; ++i) {
            const char c = caps[i];
            if (c == '(') {
                if (depth == 0 && word.compare("60", Qt::CaseInsensitive) == 0) {
                    const qsizetype end = caps.indexOf(')', i);
                    for (const QByteArray& v : caps.mid(i + 1, end - i - 1).simplified().split(' ')) {
                        bool good = false;
                        const uint code = v.toUInt(&good, 16);
                        if (good && code <= 0xFFFF)
                            out.push_back(uint16_t(code));
                    }
                    break;
                }
                ++depth;
            } else if (c == ')') {
                --depth;
            }
            word = c == ' ' || c == '(' || c == ')' ? QByteArray() : word + c;
        }
    }
    if (out.empty())
        out = {0x0F, 0x10, 0x11, 0x12, 0x1A, 0x1B};
    return out;
}

void Monitor::setCapabilities(const QByteArray& text, int fragmentSize, bool endsWithEmptyFragment)
{
    std::lock_guard lock(mutex_);
    ddc_.capabilities = text;
    ddc_.fragmentSize = fragmentSize;
    ddc_.endsWithEmptyFragment = endsWithEmptyFragment;
}

void Monitor::showInput(uint16_t code)
{
    std::lock_guard lock(mutex_);
    ddc_.vcp[0x60].value = code;
    persistence::changed();
}

bool Monitor::switchedAway() const
{
    std::lock_guard lock(mutex_);
    return awayLocked();
}

std::vector<Transfer> Monitor::transfers() const
{
    std::lock_guard lock(mutex_);
    return log_;
}

void Monitor::clearTransfers()
{
    std::lock_guard lock(mutex_);
    log_.clear();
}

int Monitor::setCount(uint8_t code) const
{
    std::lock_guard lock(mutex_);
    const auto it = sets_.find(code);
    return it == sets_.end() ? 0 : it->second;
}

} // namespace sim
