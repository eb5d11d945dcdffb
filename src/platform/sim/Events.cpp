// The event value and its field storage.
#include "platform/Events.h"

#include <bit>
#include <cmath>

namespace platform::events {
namespace {

enum class Kind { integer, fixed, real };

constexpr Kind kindOf(uint32_t n)
{
    switch (Field(n)) {
    case Field::fixedDeltaY:
    case Field::fixedDeltaX:
        return Kind::fixed;
    case Field::pointDeltaY:
    case Field::pointDeltaX:
        return Kind::real;
    default:
        return Kind::integer;
    }
}

constexpr double kFixedOne = 65536.0;

} // namespace

Event::Event(uint32_t type) : type_(type) {}

Event Event::systemDefined(int16_t subtype, int64_t data1, int64_t data2, ModifierFlags flags)
{
    Event e(kTypeSystemDefined);
    e.hasAppKitData_ = true;
    e.subtype_ = subtype;
    e.data1_ = data1;
    e.data2_ = data2;
    e.flags_ = flags;
    return e;
}

int64_t Event::integerField(Field field) const
{
    const auto n = uint32_t(field);
    if (n >= kFieldCount)
        return 0;
    switch (kindOf(n)) {
    case Kind::integer:
        return raw_[n];
    case Kind::fixed:
        return raw_[n] / int64_t(kFixedOne);
    case Kind::real: {
        const double v = std::bit_cast<double>(raw_[n]);
        return std::isfinite(v) ? int64_t(v) : 0;
    }
    }
    return 0;
}

double Event::doubleField(Field field) const
{
    const auto n = uint32_t(field);
    if (n >= kFieldCount)
        return 0;
    switch (kindOf(n)) {
    case Kind::integer:
        return double(raw_[n]);
    case Kind::fixed:
        return double(raw_[n]) / kFixedOne;
    case Kind::real:
        return std::bit_cast<double>(raw_[n]);
    }
    return 0;
}

void Event::setIntegerField(Field field, int64_t value)
{
    const auto n = uint32_t(field);
    if (n >= kFieldCount)
        return;
    switch (kindOf(n)) {
    case Kind::integer:
        raw_[n] = value;
        break;
    case Kind::fixed:
        raw_[n] = value * int64_t(kFixedOne);
        break;
    case Kind::real:
        raw_[n] = std::bit_cast<int64_t>(double(value));
        break;
    }
}

void Event::setDoubleField(Field field, double value)
{
    const auto n = uint32_t(field);
    if (n >= kFieldCount || !std::isfinite(value))
        return;
    switch (kindOf(n)) {
    case Kind::integer:
        raw_[n] = int64_t(value);
        break;
    case Kind::fixed:
        raw_[n] = std::llround(value * kFixedOne);
        break;
    case Kind::real:
        raw_[n] = std::bit_cast<int64_t>(value);
        break;
    }
}

struct AppKitAccess {
    static std::optional<AppKitEvent> view(const Event& e)
    {
        if (!e.hasAppKitData_)
            return std::nullopt;
        return AppKitEvent{e.subtype_, e.data1_, e.data2_, e.flags_};
    }
};

std::optional<AppKitEvent> toAppKit(const Event& event) { return AppKitAccess::view(event); }

} // namespace platform::events
