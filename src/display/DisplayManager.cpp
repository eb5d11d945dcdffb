#include "display/DisplayManager.h"

#include "app/Prefs.h"
#include "app/Texts.h"
#include "showcase/Showcase.h"

#include <QJsonObject>
#include <QMetaObject>
#include <QPointer>
#include <algorithm>
#include <cmath>

namespace {

constexpr uint32_t kMaxDisplays = 16;

// Managers alive right now: the reconfiguration callback is never removed, so it checks
// that the manager it was registered for still exists.
std::mutex gLiveMutex;
std::set<const DisplayManager*> gLive;

std::vector<uint32_t> onlineIDs()
{
    uint32_t ids[kMaxDisplays] = {};
    uint32_t count = 0;
    platform::displays::onlineList(kMaxDisplays, ids, &count);
    return std::vector<uint32_t>(ids, ids + std::min(count, kMaxDisplays));
}

QString displayKey(uint32_t id)
{
    return QString("%1:%2:%3")
        .arg(platform::displays::vendorNumber(id))
        .arg(platform::displays::modelNumber(id))
        .arg(platform::displays::serialNumber(id));
}

// The name of a display that reports none.
QString unnamed(uint32_t id, bool builtin) { return builtin ? Texts::tr("Dahili Ekran") : Texts::tr("Ekran %1", id); }

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// The codes of one parenthesised list. Values are two digits, with or without spaces between
// them ("010F1112"); a piece of any other length is read as one number when it fits 16 bits.
std::vector<uint16_t> listedCodes(const QByteArray& list)
{
    std::vector<uint16_t> codes;
    for (const QByteArray& piece : list.split(' ')) {
        if (piece.isEmpty())
            continue;
        if (piece.size() % 2 == 0) {
            for (qsizetype i = 0; i < piece.size(); i += 2)
                codes.push_back(uint16_t(piece.mid(i, 2).toUInt(nullptr, 16)));
            continue;
        }
        bool ok = false;
        const uint code = piece.toUInt(&ok, 16);
        if (ok && code <= 0xFFFF)
            codes.push_back(uint16_t(code));
    }
    return codes;
}

// The input list of a capabilities string: the list after VCP code 60. Codes are two hex digits,
// each optionally followed by a parenthesised list, and monitors write them with or without
// spaces ("C8C9CA60(...)", "0B)60(...)"), so a run of digits is read two by two from its start.
// The first code 60 whose list holds only hex digits and spaces gives the answer.
std::optional<std::vector<uint16_t>> inputListIn(const QByteArray& text)
{
    const auto separator = [](char c) { return c == ' ' || c == '(' || c == ')'; };
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        if (separator(text[i])) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < n && !separator(text[i]))
            ++i;
        const QByteArray run = text.mid(start, i - start);
        if (run.size() % 2 != 0 || !run.endsWith("60") || !std::all_of(run.begin(), run.end(), isHexDigit))
            continue;
        qsizetype open = i;
        while (open < n && text[open] == ' ')
            ++open;
        if (open >= n || text[open] != '(')
            continue;
        qsizetype close = open + 1;
        while (close < n && (isHexDigit(text[close]) || text[close] == ' '))
            ++close;
        // A nested or unterminated list is not an input list; the scan goes on inside it.
        if (close >= n || text[close] != ')' || close == open + 1)
            continue;
        std::vector<uint16_t> codes = listedCodes(text.mid(open + 1, close - open - 1));
        if (codes.empty())
            return std::nullopt;
        return codes;
    }
    return std::nullopt;
}

} // namespace

QString DisplayManager::rawValue(BrightnessTarget target)
{
    return target == BrightnessTarget::macOS ? "macOS" : "monitor";
}

DisplayManager::BrightnessTarget DisplayManager::brightnessTargetFrom(const QString& raw)
{
    return raw == QLatin1String("macOS") ? BrightnessTarget::macOS : BrightnessTarget::monitor;
}

QJsonValue DisplayManager::InputDevice::toJson() const
{
    return QJsonObject{{"name", name}, {"symbol", symbol}, {"hidden", hidden}};
}

std::optional<DisplayManager::InputDevice> DisplayManager::InputDevice::fromJson(const QJsonValue& json)
{
    const QJsonObject o = json.toObject();
    if (!json.isObject() || !o.value("name").isString() || !o.value("symbol").isString() || !o.value("hidden").isBool())
        return std::nullopt;
    return InputDevice{o.value("name").toString(), o.value("symbol").toString(), o.value("hidden").toBool()};
}

DisplayManager::DisplayManager(QObject* parent) : QObject(parent)
{
    brightnessKeysEnabled_ = Prefs::boolValue("display.brightnessKeys", false);
    const QVariant target = Prefs::d().object("display.brightnessTarget");
    brightnessTarget_ = brightnessTargetFrom(target.typeId() == QMetaType::QString ? target.toString() : QString());
    defaultDimming_ = Prefs::doubleValue("display.softwareBrightness", 100.0);
    softwareBrightness_ = defaultDimming_;
    dimming_ = Prefs::codable<std::map<QString, double>>("display.dimming").value_or(std::map<QString, double>{});
    linkAll_ = Prefs::boolValue("display.linkAll", false);
    reportedInputs_ = Prefs::codable<std::map<QString, std::vector<uint16_t>>>("display.reportedInputs")
                          .value_or(std::map<QString, std::vector<uint16_t>>{});
    inputDevices_ = Prefs::codable<std::map<QString, std::map<QString, InputDevice>>>("display.inputDevices")
                        .value_or(std::map<QString, std::map<QString, InputDevice>>{});
    showAllModes_ = Prefs::boolValue("display.allModes", false);

    {
        std::lock_guard lock(gLiveMutex);
        gLive.insert(this);
    }
    platform::displays::registerReconfigurationCallback(&DisplayManager::displayReconfigCallback, this);
    refreshDisplays();
}

DisplayManager::~DisplayManager()
{
    std::lock_guard lock(gLiveMutex);
    gLive.erase(this);
    // ddcQueue_ is destroyed first and finishes its work while the fields still exist.
}

void DisplayManager::onMain(std::function<void()> work)
{
    // Dropped by Qt when the manager is gone before it runs.
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

double DisplayManager::clampedLevel(double value, double low, double high)
{
    if (std::isnan(value) || value < low)
        return low;
    return std::min(value, high);
}

// ---------------------------------------------------------------- display list and selection

void DisplayManager::displayReconfigCallback(uint32_t, uint32_t flags, void* userInfo)
{
    if (!userInfo || (flags & platform::displays::kBeginConfigurationFlag))
        return;
    auto* manager = static_cast<DisplayManager*>(userInfo);
    std::lock_guard lock(gLiveMutex);
    if (!gLive.count(manager))
        return;
    QMetaObject::invokeMethod(manager, [manager] { manager->scheduleRefresh(); }, Qt::QueuedConnection);
}

void DisplayManager::scheduleRefresh()
{
    QPointer<DisplayManager> self(this);
    reconfigWork_.start(1.0, [self] {
        if (self)
            self->refreshDisplays();
    });
}

std::optional<QString> DisplayManager::name(uint32_t id)
{
    for (const auto& screen : platform::screens::screens()) {
        const QVariant number = screen.deviceDescription.value("NSScreenNumber");
        bool ok = false;
        const uint32_t n = number.toUInt(&ok);
        if (ok && n == id)
            return screen.localizedName;
    }
    return std::nullopt;
}

void DisplayManager::refreshDisplays()
{
    const std::vector<uint32_t> ids = onlineIDs();
    const int services = ddc_service_count();
    std::vector<DisplayInfo> list;
    int externalOrdinal = 0;
    for (uint32_t id : ids) {
        if (platform::displays::mirrorsDisplay(id) != 0)
            continue;
        DisplayInfo info;
        info.id = id;
        info.isBuiltin = platform::displays::isBuiltin(id);
        if (!info.isBuiltin) {
            if (externalOrdinal < services)
                info.ddcIndex = externalOrdinal;
            ++externalOrdinal;
        }
        info.name = name(id).value_or(unnamed(id, info.isBuiltin));
        info.key = displayKey(id);
        list.push_back(std::move(info));
    }
    displays_ = std::move(list);
    emit changed();

    readBuiltinBrightness();
    applySoftwareBrightness();

    const auto current = selected();
    if (!current || current->isBuiltin) {
        const auto ext = externals();
        setSelectedID(!ext.empty() ? ext.front().id : !displays_.empty() ? displays_.front().id : 0);
    }
    selectionChanged();
    resolveAllServices();
    if (onDisplaysChanged)
        onDisplaysChanged(displays_);
}

void DisplayManager::setSelectedID(uint32_t id)
{
    const bool differs = id != selectedID_;
    selectedID_ = id;
    emit changed();
    if (differs)
        selectionChanged();
}

std::optional<DisplayInfo> DisplayManager::selected() const
{
    for (const DisplayInfo& d : displays_)
        if (d.id == selectedID_)
            return d;
    return std::nullopt;
}

std::vector<DisplayInfo> DisplayManager::externals() const
{
    std::vector<DisplayInfo> out;
    for (const DisplayInfo& d : displays_)
        if (!d.isBuiltin)
            out.push_back(d);
    return out;
}

std::optional<DisplayInfo> DisplayManager::builtin() const
{
    for (const DisplayInfo& d : displays_)
        if (d.isBuiltin)
            return d;
    return std::nullopt;
}

DisplayManager::Identity DisplayManager::identity(const DisplayInfo& display) const
{
    Identity i;
    i.vendor = platform::displays::vendorNumber(display.id);
    i.model = platform::displays::modelNumber(display.id);
    i.serial = platform::displays::serialNumber(display.id);
    for (const DisplayInfo& d : externals()) {
        if (d.id == display.id)
            break;
        if (d.key == display.key)
            ++i.ordinal;
    }
    i.fallbackIndex = display.ddcIndex.value_or(-1);
    return i;
}

void DisplayManager::selectionChanged()
{
    softwareBrightness_ = dimLevel(selected());
    emit changed();
    const auto current = selected();
    std::optional<Identity> id;
    std::optional<QString> key;
    if (current && !current->isBuiltin)
        id = identity(*current);
    if (current)
        key = current->key;
    ddcQueue_.async([this, id, key, seen = edits_, peers = externalIdentities()] {
        peers_ = peers;
        service_ = id ? portOf(*id) : nullptr;
        serviceIdentity_ = id;
        readAll(key, seen);
    });
    loadModes();
}

void DisplayManager::resolveAllServices()
{
    ddcQueue_.async([this, ids = externalIdentities()] {
        peers_ = ids;
        std::vector<std::pair<Identity, ddc_service>> found;
        for (const Identity& i : ids)
            if (auto s = portOf(i))
                found.emplace_back(i, std::move(s));
        allServices_ = std::move(found);
    });
}

std::vector<DisplayManager::Identity> DisplayManager::externalIdentities() const
{
    std::vector<Identity> ids;
    for (const DisplayInfo& d : externals())
        ids.push_back(identity(d));
    return ids;
}

ddc_service DisplayManager::portOf(const Identity& display) const
{
    Identity i = display;
    // The port at the display's position is taken only when no other display's monitor is on
    // it: a display without a DDC channel of its own (a USB or wireless one) listed before a
    // monitor would otherwise drive that monitor.
    if (i.fallbackIndex >= 0 && ddc_port_index(i.vendor, i.model, i.serial, i.ordinal) < 0)
        for (const Identity& other : peers_)
            if (other != display
                && ddc_port_index(other.vendor, other.model, other.serial, other.ordinal) == i.fallbackIndex) {
                i.fallbackIndex = -1;
                break;
            }
    return ddc_service_for_display(i.vendor, i.model, i.serial, i.ordinal, i.fallbackIndex);
}

std::optional<DisplayInfo> DisplayManager::displayUnderMouse() const
{
    const QPointF p = platform::screens::mouseLocation();
    for (const auto& screen : platform::screens::screens()) {
        if (!platform::screens::mouseInRect(p, screen.frame))
            continue;
        const QVariant number = screen.deviceDescription.value("NSScreenNumber");
        bool ok = false;
        const uint32_t id = number.toUInt(&ok);
        if (!ok || number.typeId() == QMetaType::QString)
            return std::nullopt;
        for (const DisplayInfo& d : displays_)
            if (d.id == id)
                return d;
        return std::nullopt;
    }
    return std::nullopt;
}

void DisplayManager::reload()
{
    readBuiltinBrightness();
    const auto current = selected();
    const std::optional<QString> key = current ? std::optional<QString>(current->key) : std::nullopt;
    ddcQueue_.async([this, key, seen = edits_] { readAll(key, seen); });
}

void DisplayManager::setBrightnessKeysEnabled(bool on)
{
    brightnessKeysEnabled_ = on;
    Prefs::set("display.brightnessKeys", on);
    emit changed();
}

// ---------------------------------------------------------------- monitor controls

void DisplayManager::readAll(const std::optional<QString>& key, Edits seen)
{
    if (!service_) {
        onMain([this] {
            ddcAvailable_ = false;
            ddcVolumeAvailable_ = false;
            emit changed();
        });
        return;
    }
    // A percentage of the monitor's own maximum, kept within 0-100 even when a monitor
    // reports a maximum of 0 or a value above its maximum.
    auto percent = [this](uint8_t code) -> std::optional<double> {
        uint16_t current = 0, maximum = 0;
        if (!ddc_read(service_, code, &current, &maximum))
            return std::nullopt;
        if (serviceIdentity_)
            rememberMaximum(*serviceIdentity_, code, maximum);
        const double p = maximum == 0 ? double(current) : double(current) * 100.0 / double(maximum);
        return std::clamp(p, 0.0, 100.0);
    };
    const auto b = percent(uint8_t(VCP::luminance));
    const auto c = percent(uint8_t(VCP::contrast));
    const auto v = percent(uint8_t(VCP::audioSpeakerVolume));
    std::optional<uint16_t> input;
    uint16_t current = 0;
    if (ddc_read(service_, uint8_t(VCP::inputSource), &current, nullptr))
        input = uint16_t(current & 0xFF);

    onMain([this, key, b, c, v, input, seen, read = service_] {
        if (key && b && !reportedInputs_.count(*key) && !inputListReading_.count(*key)) {
            inputListReading_.insert(*key);
            readInputList(*key, read);
        }
        ddcAvailable_ = b.has_value();
        if (b && edits_.brightness == seen.brightness)
            brightness_ = *b;
        if (c && edits_.contrast == seen.contrast)
            contrast_ = *c;
        if (v && edits_.volume == seen.volume)
            volume_ = *v;
        ddcVolumeAvailable_ = v.has_value();
        if (edits_.input == seen.input)
            currentInput_ = input;
        if (key && input)
            macInputs_[*key] = *input;
        emit changed();
    });
}

void DisplayManager::setBrightness(double value, bool onlySelected)
{
    brightness_ = clampedLevel(value, 0, 100);
    ++edits_.brightness;
    emit changed();
    const auto rounded = uint16_t(std::round(brightness_));
    const bool toAll = linkAll_ && externals().size() >= 2 && !onlySelected;
    enqueue(uint8_t(VCP::luminance), rounded, toAll);
}

void DisplayManager::setContrast(double value)
{
    contrast_ = clampedLevel(value, 0, 100);
    ++edits_.contrast;
    emit changed();
    enqueue(uint8_t(VCP::contrast), uint16_t(std::round(contrast_)), false);
}

void DisplayManager::setVolume(double value)
{
    volume_ = clampedLevel(value, 0, 100);
    ++edits_.volume;
    emit changed();
    enqueue(uint8_t(VCP::audioSpeakerVolume), uint16_t(std::round(volume_)), false);
}

void DisplayManager::setCurrentInput(std::optional<uint16_t> code)
{
    currentInput_ = code;
    ++edits_.input;
    emit changed();
}

void DisplayManager::setLinkAll(bool on)
{
    linkAll_ = on;
    Prefs::set("display.linkAll", on);
    emit changed();
}

void DisplayManager::enqueue(uint8_t code, uint16_t value, bool toAll)
{
    const auto current = selected();
    std::optional<Identity> target;
    if (current && !current->isBuiltin)
        target = identity(*current);
    const uint32_t targetID = current ? current->id : 0;
    bool wasFlushing;
    {
        std::lock_guard lock(lock_);
        std::erase_if(pending_, [&](const PendingWrite& w) {
            return w.code == code && (toAll || (!w.toAll && w.displayID == targetID));
        });
        pending_.push_back(PendingWrite{code, targetID, value, toAll, target});
        wasFlushing = flushing_;
        flushing_ = true;
    }
    if (!wasFlushing)
        ddcQueue_.async([this] { flush(); });
}

void DisplayManager::flush()
{
    std::unique_lock lock(lock_);
    while (!pending_.empty()) {
        const PendingWrite write = pending_.front();
        const uint8_t code = write.code;
        pending_.pop_front();
        lock.unlock();
        if (write.toAll && !allServices_.empty()) {
            for (const auto& [monitor, s] : allServices_)
                ddc_write(s, code, rawValue(monitor, s, code, write.value));
        } else if (write.target && write.target == serviceIdentity_) {
            if (service_)
                ddc_write(service_, code, rawValue(write.target, service_, code, write.value));
        } else if (const auto& t = write.target) {
            // The selection moved on since this was queued: the value still goes to its monitor.
            if (auto s = portOf(*t))
                ddc_write(s, code, rawValue(t, s, code, write.value));
        }
        lock.lock();
    }
    flushing_ = false;
}

void DisplayManager::rememberMaximum(const Identity& monitor, uint8_t code, uint16_t maximum)
{
    for (auto& [who, codes] : maxima_)
        if (who == monitor) {
            codes[code] = maximum;
            return;
        }
    maxima_.push_back({monitor, {{code, maximum}}});
}

uint16_t DisplayManager::rawValue(const std::optional<Identity>& monitor, const ddc_service& service, uint8_t code,
                                  uint16_t value)
{
    const bool level = code == uint8_t(VCP::luminance) || code == uint8_t(VCP::contrast)
                       || code == uint8_t(VCP::audioSpeakerVolume);
    if (!level || !monitor)
        return value;
    std::optional<uint16_t> maximum;
    for (const auto& [who, codes] : maxima_)
        if (who == *monitor)
            if (const auto it = codes.find(code); it != codes.end())
                maximum = it->second;
    if (!maximum) {
        uint16_t current = 0, reported = 0;
        maximum = ddc_read(service, code, &current, &reported) ? reported : 0;
        rememberMaximum(*monitor, code, *maximum);
    }
    if (*maximum == 0)
        return value;
    return uint16_t(std::min<double>(*maximum, std::round(value * double(*maximum) / 100.0)));
}

// ---------------------------------------------------------------- input sources

QString DisplayManager::codeText(uint16_t code) { return QString::number(code, 16); }

QString DisplayManager::portName(uint16_t code)
{
    switch (code) {
    case 1: return "VGA";
    case 3: return "DVI";
    case 15: return "DisplayPort 1";
    case 16: return "DisplayPort 2";
    case 17: return "HDMI 1";
    case 18: return "HDMI 2";
    case 19: return "HDMI 3";
    case 25:
    case 26:
    case 27: return "USB-C";
    default: return Texts::tr("Giriş 0x%1", QString::number(code, 16).toUpper());
    }
}

const std::vector<std::pair<QString, uint16_t>>& DisplayManager::inputSources()
{
    static const std::vector<std::pair<QString, uint16_t>> list = [] {
        std::vector<std::pair<QString, uint16_t>> l;
        for (uint16_t code : {0x0F, 0x10, 0x11, 0x12, 0x1A, 0x1B})
            l.emplace_back(portName(code), code);
        return l;
    }();
    return list;
}

const QString& DisplayManager::thisMacName()
{
    static const QString name = [] {
        const QString host = platform::host::localizedName();
        return host.isEmpty() ? Texts::tr("Bu Mac") : host;
    }();
    return name;
}

QString DisplayManager::InputChoice::menuTitle() const
{
    const QString name = !device.name.isEmpty() ? device.name : isThisMac ? thisMacName() : port;
    return name == port ? port : name + " · " + port;
}

void DisplayManager::readInputList(const QString& key) { readInputList(key, std::nullopt); }

void DisplayManager::readInputList(const QString& key, std::optional<ddc_service> readFrom)
{
    ddcQueue_.async([this, key, readFrom] {
        // The channel the readings came from, so a selection that moved on meanwhile never
        // files one monitor's inputs under another's key.
        const ddc_service service = readFrom ? *readFrom : service_;
        std::optional<std::vector<uint16_t>> codes;
        if (service) {
            std::vector<char> buffer(4096, '\0');
            if (ddc_capabilities(service, buffer.data(), int(buffer.size())) >= 1)
                codes = inputListIn(QByteArray(buffer.data()));
        }
        // Without a list the next read asks again; one capabilities read at a time.
        onMain([this, key, codes] {
            inputListReading_.erase(key);
            if (!codes)
                return;
            reportedInputs_[key] = *codes;
            publishReportedInputs();
        });
    });
}

void DisplayManager::publishReportedInputs()
{
    Prefs::setCodable(std::optional(reportedInputs_), "display.reportedInputs");
    emit changed();
}

std::vector<DisplayManager::InputChoice> DisplayManager::inputChoices(const std::optional<QString>& key,
                                                                      std::optional<uint16_t> current) const
{
    std::vector<uint16_t> codes;
    if (key && reportedInputs_.count(*key))
        codes = reportedInputs_.at(*key);
    else
        for (const auto& [name, code] : inputSources())
            codes.push_back(code);
    std::optional<uint16_t> mac = current;
    if (key && macInputs_.count(*key))
        mac = macInputs_.at(*key);
    for (const std::optional<uint16_t>& code : {mac, current})
        if (code && std::find(codes.begin(), codes.end(), *code) == codes.end())
            codes.insert(codes.begin(), *code);
    std::map<QString, InputDevice> devices;
    if (key && inputDevices_.count(*key))
        devices = inputDevices_.at(*key);
    std::vector<InputChoice> out;
    for (uint16_t code : codes) {
        InputChoice c;
        c.code = code;
        c.port = portName(code);
        const auto it = devices.find(codeText(code));
        c.device = it != devices.end() ? it->second : InputDevice{};
        c.isThisMac = mac && *mac == code;
        out.push_back(c);
    }
    return out;
}

void DisplayManager::setInputDevice(const InputDevice& device, uint16_t code)
{
    const auto current = selected();
    if (!current)
        return;
    inputDevices_[current->key][codeText(code)] = device;
    Prefs::setCodable(std::optional(inputDevices_), "display.inputDevices");
    emit changed();
}

// ---------------------------------------------------------------- dimming and built-in brightness

void DisplayManager::setBrightnessTarget(BrightnessTarget target)
{
    brightnessTarget_ = target;
    Prefs::set("display.brightnessTarget", rawValue(target));
    emit changed();
}

double DisplayManager::activeBrightness() const
{
    return ddcAvailable_ && brightnessTarget_ == BrightnessTarget::monitor ? brightness_ : softwareBrightness_;
}

void DisplayManager::setActiveBrightness(double value)
{
    if (ddcAvailable_ && brightnessTarget_ == BrightnessTarget::monitor)
        setBrightness(value, false);
    else
        setSoftwareBrightness(value, false);
}

void DisplayManager::setSoftwareBrightness(double value, bool onlySelected)
{
    softwareBrightness_ = clampedLevel(value, 10, 100);
    emit changed();
    std::vector<DisplayInfo> targets;
    const auto ext = externals();
    if (linkAll_ && ext.size() >= 2 && !onlySelected)
        targets = ext;
    else if (const auto current = selected())
        targets.push_back(*current);
    for (const DisplayInfo& t : targets)
        if (!t.isBuiltin)
            dimming_[t.key] = softwareBrightness_;
    Prefs::setCodable(std::optional(dimming_), "display.dimming");
    applySoftwareBrightness();
}

double DisplayManager::dimLevel(const std::optional<DisplayInfo>& display) const
{
    if (!display || display->isBuiltin)
        return 100;
    const auto it = dimming_.find(display->key);
    return it != dimming_.end() ? it->second : defaultDimming_;
}

void DisplayManager::applySoftwareBrightness()
{
    std::vector<std::pair<uint32_t, double>> pairs;
    for (const DisplayInfo& d : externals())
        pairs.emplace_back(d.id, dimLevel(d));
    if (pairs.empty())
        return;
    for (const auto& [id, level] : pairs)
        if (dimmedIDs_.count(id) && level >= 100) {
            // Restoring resets every display; the pass below dims the others again.
            platform::displays::restoreColorSyncSettings();
            dimmedIDs_.clear();
            break;
        }
    for (const auto& [id, level] : pairs) {
        if (level >= 100)
            continue;
        const float l = float(level / 100.0);
        platform::displays::setTransferByFormula(id, 0, l, 1, 0, l, 1, 0, l, 1);
        dimmedIDs_.insert(id);
    }
}

void DisplayManager::setBuiltinBrightness(std::optional<double> level)
{
    builtinBrightness_ = level;
    emit changed();
}

void DisplayManager::readBuiltinBrightness()
{
    float level = 0;
    const auto panel = builtin();
    if (panel && builtin_get_brightness(panel->id, &level))
        builtinBrightness_ = double(level) * 100.0;
    else
        builtinBrightness_.reset();
    emit changed();
}

// ---------------------------------------------------------------- modes

namespace {

std::vector<platform::displays::ModeRef> enumerateModes(uint32_t display)
{
    return platform::displays::allModes(display, true).value_or(std::vector<platform::displays::ModeRef>{});
}

void sortModes(std::vector<DisplayModeOption>& options)
{
    std::stable_sort(options.begin(), options.end(), [](const DisplayModeOption& a, const DisplayModeOption& b) {
        if (a.width != b.width)
            return a.width > b.width;
        if (a.isHiDPI() != b.isHiDPI())
            return a.isHiDPI();
        return a.refresh > b.refresh;
    });
}

bool configure(uint32_t display, const platform::displays::ModeRef& mode)
{
    platform::displays::ConfigRef config;
    if (platform::displays::beginConfiguration(&config) != platform::displays::kSuccess)
        return false;
    platform::displays::configureMode(config, display, mode);
    return platform::displays::completeConfiguration(config, platform::displays::kConfigurePermanently)
        == platform::displays::kSuccess;
}

} // namespace

DisplayModeOption DisplayManager::option(const platform::displays::ModeRef& mode)
{
    DisplayModeOption o;
    o.width = mode->width;
    o.height = mode->height;
    o.pixelWidth = mode->pixelWidth;
    o.refresh = int(std::round(mode->refresh));
    o.id = QString("%1x%2@%3/%4").arg(o.width).arg(o.height).arg(o.pixelWidth).arg(o.refresh);
    return o;
}

DisplayManager::Modes DisplayManager::buildModes(uint32_t display) const
{
    Modes result;
    for (const auto& mode : enumerateModes(display)) {
        if (!mode->usableForDesktop)
            continue;
        const DisplayModeOption o = option(mode);
        if (result.objects.count(o.id))
            continue;
        result.options.push_back(o);
        result.objects[o.id] = mode;
    }
    std::optional<DisplayModeOption> current;
    if (const auto mode = platform::displays::currentMode(display)) {
        current = option(mode);
        result.current = current->id;
    }
    if (!showAllModes_) {
        int widest = 0;
        for (const auto& o : result.options)
            widest = std::max(widest, o.pixelWidth);
        std::vector<DisplayModeOption> kept;
        for (const auto& o : result.options)
            if (((o.width == widest || o.isHiDPI()) && (!current || o.refresh == current->refresh))
                || (current && o.id == current->id))
                kept.push_back(o);
        result.options = std::move(kept);
    }
    sortModes(result.options);
    return result;
}

void DisplayManager::loadModes()
{
    if (selectedID_ == 0) {
        modes_.clear();
        emit changed();
        return;
    }
    Modes m = buildModes(selectedID_);
    modes_ = std::move(m.options);
    modeObjects_ = std::move(m.objects);
    currentModeID_ = m.current;
    emit changed();
}

bool DisplayManager::setMode(const QString& id, std::optional<uint32_t> on)
{
    const uint32_t target = on.value_or(selectedID_);
    if (target != selectedID_)
        setSelectedID(target);
    const auto it = modeObjects_.find(id);
    if (it == modeObjects_.end())
        return false;
    if (!configure(target, it->second))
        return false;
    currentModeID_ = id;
    emit changed();
    return true;
}

std::pair<std::vector<DisplayModeOption>, std::optional<QString>> DisplayManager::modeOptions(uint32_t display) const
{
    const auto all = enumerateModes(display);
    int widest = 0;
    for (const auto& mode : all)
        widest = std::max(widest, mode->pixelWidth);
    std::optional<QString> current;
    if (const auto mode = platform::displays::currentMode(display))
        current = option(mode).id;
    std::vector<DisplayModeOption> options;
    std::set<QString> seen;
    for (const auto& mode : all) {
        if (!mode->usableForDesktop)
            continue;
        const DisplayModeOption o = option(mode);
        if (!seen.insert(o.id).second)
            continue;
        if (showAllModes_ || o.isHiDPI() || o.pixelWidth == widest || (current && o.id == *current))
            options.push_back(o);
    }
    sortModes(options);
    return {options, current};
}

bool DisplayManager::applyMode(const QString& id, uint32_t display)
{
    for (const auto& mode : enumerateModes(display))
        if (option(mode).id == id)
            return configure(display, mode);
    return false;
}

void DisplayManager::setShowAllModes(bool on)
{
    showAllModes_ = on;
    Prefs::set("display.allModes", on);
    emit changed();
    loadModes();
}

// ---------------------------------------------------------------- arrangement and mirroring

std::vector<DisplayManager::ScreenFrame> DisplayManager::screenFrames() const
{
    uint32_t ids[kMaxDisplays] = {};
    uint32_t count = 0;
    platform::displays::activeList(kMaxDisplays, ids, &count);
    std::vector<ScreenFrame> out;
    for (uint32_t i = 0; i < std::min(count, kMaxDisplays); ++i) {
        const uint32_t id = ids[i];
        if (platform::displays::mirrorsDisplay(id) != 0)
            continue;
        ScreenFrame f;
        f.id = id;
        f.isBuiltin = platform::displays::isBuiltin(id);
        const auto known = std::find_if(displays_.begin(), displays_.end(), [id](const DisplayInfo& d) { return d.id == id; });
        if (known != displays_.end())
            f.name = known->name;
        else
            f.name = name(id).value_or(unnamed(id, f.isBuiltin));
        f.frame = platform::displays::bounds(id);
        f.isMain = platform::displays::isMain(id);
        out.push_back(f);
    }
    return out;
}

void DisplayManager::moveDisplay(uint32_t id, QPointF p)
{
    constexpr double kOverlap = 40;
    const auto frames = screenFrames();
    const auto moved = std::find_if(frames.begin(), frames.end(), [id](const ScreenFrame& f) { return f.id == id; });
    if (moved == frames.end())
        return;
    const double w = moved->frame.width(), h = moved->frame.height();
    auto clampTo = [](double v, double low, double high) { return std::min(std::max(v, low), high); };
    std::optional<QPointF> best;
    double bestDistance = 0;
    for (const ScreenFrame& other : frames) {
        if (other.id == id)
            continue;
        const QRectF& r = other.frame;
        const double y = clampTo(p.y(), r.top() - h + kOverlap, r.bottom() - kOverlap);
        const double x = clampTo(p.x(), r.left() - w + kOverlap, r.right() - kOverlap);
        for (const QPointF& c : {QPointF(r.left() - w, y), QPointF(r.right(), y), QPointF(x, r.top() - h), QPointF(x, r.bottom())}) {
            const double d = std::hypot(c.x() - p.x(), c.y() - p.y());
            if (!best || d < bestDistance) {
                best = c;
                bestDistance = d;
            }
        }
    }
    if (!best)
        return;
    platform::displays::ConfigRef config;
    if (platform::displays::beginConfiguration(&config) != platform::displays::kSuccess)
        return;
    if (!moved->isMain) {
        platform::displays::configureOrigin(config, id, int(std::round(best->x())), int(std::round(best->y())));
    } else {
        // The main display stays at the origin; the rest of the desktop moves the other way.
        for (const ScreenFrame& other : frames)
            if (other.id != id)
                platform::displays::configureOrigin(config, other.id, int(std::round(other.frame.left() - best->x())),
                                                    int(std::round(other.frame.top() - best->y())));
    }
    platform::displays::completeConfiguration(config, platform::displays::kConfigurePermanently);
}

void DisplayManager::makeMain(uint32_t id)
{
    const auto frames = screenFrames();
    const auto target = std::find_if(frames.begin(), frames.end(), [id](const ScreenFrame& f) { return f.id == id; });
    if (target == frames.end() || target->isMain)
        return;
    platform::displays::ConfigRef config;
    if (platform::displays::beginConfiguration(&config) != platform::displays::kSuccess)
        return;
    for (const ScreenFrame& f : frames)
        platform::displays::configureOrigin(config, f.id, int(std::round(f.frame.left() - target->frame.left())),
                                            int(std::round(f.frame.top() - target->frame.top())));
    platform::displays::completeConfiguration(config, platform::displays::kConfigurePermanently);
}

bool DisplayManager::isMirroring() const
{
    for (uint32_t id : onlineIDs())
        if (platform::displays::mirrorsDisplay(id) != 0)
            return true;
    return false;
}

void DisplayManager::setMirroring(bool on)
{
    const auto ids = onlineIDs();
    const uint32_t main = platform::displays::mainDisplay();
    platform::displays::ConfigRef config;
    if (platform::displays::beginConfiguration(&config) != platform::displays::kSuccess)
        return;
    for (uint32_t id : ids)
        if (id != main)
            platform::displays::configureMirror(config, id, on ? main : 0);
    platform::displays::completeConfiguration(config, platform::displays::kConfigurePermanently);
}

void DisplayManager::restoreDimmedDisplays()
{
    if (dimmedIDs_.empty())
        return;
    platform::displays::restoreColorSyncSettings();
    dimmedIDs_.clear();
}
