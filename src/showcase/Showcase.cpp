#include "showcase/Showcase.h"

#include "app/Hub.h"
#include "app/Prefs.h"
#include "audio/AudioManager.h"
#include "automation/AutomationManager.h"
#include "battery/BatteryManager.h"
#include "display/DisplayManager.h"
#include "platform/Audio.h"
#include "platform/UserDefaults.h"

#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QUuid>
#include <atomic>
#include <cmath>

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
// Variables a test set in place of the environment's (main thread only).
QMap<QString, std::optional<QString>> gTestVariables;

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

std::optional<QString> Showcase::variable(const QString& name)
{
    if (const auto forced = gTestVariables.find(name); forced != gTestVariables.end())
        return forced.value();
    const auto it = env().find(name);
    if (it == env().end())
        return std::nullopt;
    return it.value();
}

bool Showcase::isEnglish()
{
    const QStringList langs = Locale::preferredLocalizations();
    return !langs.isEmpty() && langs.first().startsWith("en");
}

void Showcase::setEnabledForTesting(std::optional<bool> enabled)
{
    gForced = enabled ? int(*enabled) : -1;
}

void Showcase::setVariablesForTesting(const QMap<QString, std::optional<QString>>& variables)
{
    gTestVariables = variables;
}

std::optional<double> Showcase::decimalNumber(const QString& text)
{
    static const QRegularExpression decimal(QRegularExpression::anchoredPattern(QStringLiteral("[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?")));
    if (!decimal.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double x = text.toDouble(&ok);
    if (!ok || !std::isfinite(x))
        return std::nullopt;
    return x;
}

QVariant Showcase::typedArgument(const QString& text)
{
    if (text == "YES")
        return true;
    if (text == "NO")
        return false;
    static const QRegularExpression whole(QRegularExpression::anchoredPattern(QStringLiteral("[+-]?[0-9]+")));
    if (whole.match(text).hasMatch()) {
        bool ok = false;
        const qlonglong n = text.toLongLong(&ok, 10);
        if (ok)
            return QVariant::fromValue<qlonglong>(n);
        // Beyond 64 bits a whole number still reads as a double.
    }
    if (const auto x = decimalNumber(text))
        return *x;
    return text;
}

void Showcase::prepareDefaults()
{
    if (!isEnabled())
        return;
    auto& store = platform::UserDefaults::standard();
    QVariantMap converted = store.argumentDomain();
    for (auto it = converted.begin(); it != converted.end(); ++it)
        if (it.value().typeId() == QMetaType::QString)
            it.value() = typedArgument(it.value().toString());
    if (!converted.contains("kvm.profiles"))
        converted.insert("kvm.profiles", QByteArray("[]"));
    store.setVolatileDomain(converted, platform::UserDefaults::kArgumentDomain);
}

void Showcase::addSampleProfile(const DisplayManager& display, const AudioManager& audio,
                                const BatteryManager& battery, AutomationManager& automation)
{
    const std::vector<DisplayInfo> externals = display.externals();
    if (externals.empty())
        return;
    KVMProfile base;
    base.id = QUuid::createUuid();
    base.displayKey = externals.front().key;
    base.displayName = externals.front().name;
    // The copy is what the profile list holds; the base itself is never stored.
    KVMProfile p = automation.duplicate(base);
    p.name = isEnglish() ? "Desk setup" : "Masa kurulumu";
    p.enabled = true;
    using namespace platform::audio;
    for (const AudioDevice& d : audio.outputs())
        if (d.transport == kTransportHDMI || d.transport == kTransportDisplayPort) {
            p.audioUID = d.uid;
            p.audioName = d.name;
            break;
        }
    for (const AudioDevice& d : audio.inputs())
        if (d.transport == kTransportBuiltIn) {
            p.inputUID = d.uid;
            p.inputName = d.name;
            break;
        }
    p.volume = 60;
    p.brightness = 81;
    for (const DisplayModeOption& m : display.modes())
        if (m.id == display.currentModeID()) {
            p.modeID = m.id;
            p.modeLabel = m.label();
            break;
        }
    p.smoothScroll = true;
    p.reverseScroll = true;
    if (battery.limitSupported())
        p.chargeLimit = 80;
    automation.update(p);
}

QMap<QString, QRectF>& Showcase::anchors()
{
    static QMap<QString, QRectF> a;
    return a;
}
