#include "platform/sim/ChargeLimit.h"

#include "platform/ChargeLimit.h"
#include "platform/sim/Battery.h"

#include <cmath>
#include <mutex>

namespace sim::chargelimit {
namespace {

struct State {
    std::mutex mutex;
    Controls controls;
    int setCalls = 0;
};

State& state()
{
    static State* s = new State();
    return *s;
}

} // namespace

void reset()
{
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.controls = Controls();
    s.setCalls = 0;
}

Controls controls()
{
    std::lock_guard lock(state().mutex);
    return state().controls;
}

void setControls(const Controls& controls)
{
    std::lock_guard lock(state().mutex);
    state().controls = controls;
}

int limit() { return battery::read().chargeLimit; }

void setLimit(int percent) { battery::setChargeLimit(percent); }

int setCalls()
{
    std::lock_guard lock(state().mutex);
    return state().setCalls;
}

namespace {

class SimClient : public platform::chargelimit::Client {
public:
    using Error = platform::chargelimit::Error;

    bool responds(const QString& selector) const override
    {
        static const QSet<QString> known{"isMCLSupported", "getMCLLimitWithError:", "setMCLLimit:error:",
                                         "availableChargeLimitsWithError:", "initWithClientName:"};
        return known.contains(selector) && !controls().missing.contains(selector);
    }

    bool isMCLSupported() override { return controls().supported; }

    qint64 getMCLLimit(std::optional<Error>* error) override
    {
        if (fails("getMCLLimitWithError:", error))
            return 0;
        return limit();
    }

    bool setMCLLimit(qint64 value, std::optional<Error>* error) override
    {
        {
            std::lock_guard lock(state().mutex);
            ++state().setCalls;
        }
        if (fails("setMCLLimit:error:", error))
            return false;
        const Controls c = controls();
        bool offered = false;
        for (const QVariant& v : c.offered.toList())
            offered = offered || (platform::chargelimit::answersIntValue(v) && platform::chargelimit::intValue(v) == value);
        if (!c.supported || !offered) {
            *error = Error{"The charge limit is not available"};
            return false;
        }
        setLimit(int(value));
        return true;
    }

    QVariant availableChargeLimits(std::optional<Error>* error) override
    {
        if (fails("availableChargeLimitsWithError:", error))
            return {};
        return controls().offered;
    }

private:
    static bool fails(const QString& selector, std::optional<Error>* error)
    {
        if (!controls().failing.contains(selector))
            return false;
        *error = Error{"The operation couldn't be completed"};
        return true;
    }
};

} // namespace
} // namespace sim::chargelimit

namespace platform::chargelimit {

bool loadFramework(const QString& path)
{
    return path == kFrameworkPath && sim::chargelimit::controls().framework;
}

bool classExists(const QString& className)
{
    const auto c = sim::chargelimit::controls();
    return c.framework && c.clientClass && className == "PowerUISmartChargeClient";
}

bool instancesRespond(const QString& className, const QString& selector)
{
    return classExists(className) && sim::chargelimit::SimClient().responds(selector);
}

std::shared_ptr<Client> createClient(const QString& className, const QString& clientName)
{
    if (!instancesRespond(className, "initWithClientName:") || clientName.isEmpty())
        return nullptr;
    return std::make_shared<sim::chargelimit::SimClient>();
}

bool answersIntValue(const QVariant& element)
{
    // Numbers and texts answer it; dictionaries, arrays and null do not.
    switch (element.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
    case QMetaType::Bool:
    case QMetaType::QString:
        return true;
    default:
        return false;
    }
}

int intValue(const QVariant& element)
{
    if (element.typeId() == QMetaType::QString) {
        // Leading digits, as a text's intValue reads them; 0 when there are none.
        const QString t = element.toString().trimmed();
        qsizetype n = 0;
        while (n < t.size() && (t[n].isDigit() || (n == 0 && (t[n] == '-' || t[n] == '+'))))
            ++n;
        return t.left(n).toInt();
    }
    if (element.typeId() == QMetaType::Double)
        return int(std::trunc(element.toDouble()));
    return int(element.toLongLong());
}

} // namespace platform::chargelimit
