#include "showcase/Showcase.h"

#include "platform/UserDefaults.h"

#include <QProcessEnvironment>
#include <atomic>

namespace {

const QMap<QString, QString>& env()
{
    static const QMap<QString, QString> e = [] {
        QMap<QString, QString> m;
        const QProcessEnvironment pe = QProcessEnvironment::systemEnvironment();
        for (const QString& k : pe.keys())
            m.insert(k, pe.value(k));
        return m;
    }();
    return e;
}

// -1: follow the environment; 0/1: forced by a test.
std::atomic<int> gForced{-1};

} // namespace

bool Showcase::enabledIn(const QMap<QString, QString>& environment)
{
    const auto it = environment.find("PELORN_SHOWCASE");
    return it != environment.end() && it.value() == "1";
}

bool Showcase::isEnabled()
{
    const int forced = gForced.load(std::memory_order_relaxed);
    if (forced >= 0)
        return forced == 1;
    static const bool enabled = enabledIn(env());
    return enabled;
}

void Showcase::setEnabledForTesting(std::optional<bool> enabled)
{
    gForced = enabled ? int(*enabled) : -1;
}

void Showcase::prepareDefaults()
{
    if (!isEnabled())
        return;
    auto& store = platform::UserDefaults::standard();
    QVariantMap converted;
    const QVariantMap args = store.argumentDomain();
    for (auto it = args.begin(); it != args.end(); ++it) {
        const QString text = it.value().toString();
        bool numeric = false;
        const double number = text.toDouble(&numeric);
        if (text == "YES" || text == "NO")
            converted.insert(it.key(), text == "YES");
        else if (numeric)
            converted.insert(it.key(), number);
        else
            converted.insert(it.key(), it.value());
    }
    if (!converted.contains("kvm.profiles"))
        converted.insert("kvm.profiles", QByteArray("[]"));
    store.setVolatileDomain(converted, platform::UserDefaults::kArgumentDomain);
}

void Showcase::start()
{
    if (!isEnabled())
        return;
}
