#include "battery/BatteryTexts.h"

#include "app/Prefs.h"
#include "app/Texts.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace batterytexts {

using Step = BatteryCalibration::Step;

constexpr int kCalibrationTarget = 15;

QString localized(const char* key, std::initializer_list<QVariant> args)
{
    const QString format = QCoreApplication::translate("Pelorn", key);
    if (args.size() == 0)
        return format;
    QString out;
    auto next = args.begin();
    auto take = [&]() { return next != args.end() ? *next++ : QVariant(); };
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c != '%') {
            out += c;
            continue;
        }
        const QStringView rest = QStringView(format).mid(i + 1);
        if (rest.startsWith(u'%')) {
            out += '%';
            i += 1;
        } else if (rest.startsWith(u"lld")) {
            out += QString::number(take().toLongLong());
            i += 3;
        } else if (rest.startsWith(u".1f")) {
            out += Locale::ui().toString(take().toDouble(), 'f', 1);
            i += 3;
        } else if (rest.startsWith(u'@')) {
            out += take().toString();
            i += 1;
        } else {
            out += c;
        }
    }
    return out;
}

QString explanation(const State& s)
{
    if (!s.hasBattery)
        return localized("Bu Mac'te pil yok.");

    if (s.calibration) {
        switch (s.calibration->step) {
        case Step::hold:
            return localized("Pil %%100'de bir süre bekletiliyor; ardından şarj sınırı %%%lld'e geri dönülecek.",
                             {s.calibration->savedLimit});
        case Step::discharge:
            return localized("Kalibrasyon için adaptör devre dışı; Mac pilden çalışıyor ve pil %%%lld'e kadar boşalacak.",
                             {kCalibrationTarget});
        case Step::chargeFull:
        case Step::rechargeFull:
            return s.onAC ? localized("Kalibrasyon için pil %100'e şarj ediliyor. Adaptörü çıkarmayın.")
                          : localized("Kalibrasyon bekliyor: devam etmesi için adaptörü takın.");
        }
    }

    if (s.topUpRestoreLimit) {
        return localized("Pil bir seferliğine %%100'e dolduruluyor; dolunca şarj sınırı %%%lld'e geri döner.",
                         {*s.topUpRestoreLimit});
    }

    if (s.dischargeTarget >= 1) {
        QString text = localized(
            "Adaptör takılı ama devre dışı; Mac pilden çalışıyor. Pil %%%lld'e inince adaptör kendiliğinden "
            "açılır. Kapak kapalıyken uyumaması için uyku bu sürede kapalı; kabloyu çekerseniz deşarj durur ve "
            "uyku geri gelir.",
            {s.dischargeTarget});
        const auto& t = s.telemetry;
        if (t.remainingCapacity && t.fullCapacity && *t.fullCapacity >= 1) {
            const double real = std::min(double(*t.remainingCapacity) / double(*t.fullCapacity) * 100.0, 100.0);
            if (double(s.percent) - real >= 1.0) {
                text += localized(" macOS göstergeyi tam şarjdan sonra bir süre %%%lld'de tutar; pilin gerçek "
                                  "doluluğu şu an %%%.1f.",
                                  {s.percent, real});
            }
        }
        return text;
    }

    if (s.isCharging) {
        if (s.limit > 99)
            return localized("Pil %100'e kadar şarj oluyor.");
        return localized("Pil şarj oluyor ve %%%lld'de duracak.", {s.limit});
    }

    if (!s.onAC) {
        if (s.minutesRemaining) {
            return localized("Mac pilden çalışıyor. Bu kullanımla yaklaşık %lld sa %lld dk kaldı.",
                             {*s.minutesRemaining / 60, *s.minutesRemaining % 60});
        }
        return localized("Mac pilden çalışıyor.");
    }

    if (s.limit < 100 && s.percent > s.limit) {
        return localized("Pil sınırın üzerinde. macOS şarjı durdurdu; pil %%%lld'e yavaşça inecek, Mac adaptörden "
                         "de beslenecek.",
                         {s.limit});
    }
    if (s.limit < 100 && s.percent >= s.limit - 1) {
        return localized("Pil %%%lld sınırında tutuluyor. Mac doğrudan adaptörden çalışıyor, pil dinleniyor.",
                         {s.limit});
    }
    return localized("Adaptör takılı, şarj şu an yapılmıyor (macOS sıcaklık ya da optimize şarj nedeniyle "
                     "bekletiyor olabilir).");
}

std::optional<QString> calibrationText(const State& s)
{
    if (!s.calibration)
        return std::nullopt;
    switch (s.calibration->step) {
    case Step::chargeFull:
        return s.onAC ? localized("Kalibrasyon 1/4: %100'e şarj ediliyor") : localized("Kalibrasyon 1/4: adaptörü takın");
    case Step::discharge:
        return localized("Kalibrasyon 2/4: %%%lld'e deşarj ediliyor", {kCalibrationTarget});
    case Step::rechargeFull:
        return s.onAC ? localized("Kalibrasyon 3/4: %100'e şarj ediliyor") : localized("Kalibrasyon 3/4: adaptörü takın");
    case Step::hold: {
        long long minutes = 0;
        if (s.calibration->holdUntil)
            minutes = std::max(0LL, (long long)std::trunc((*s.calibration->holdUntil - s.now) / 60.0));
        return localized("Kalibrasyon 4/4: %%100'de bekleniyor (%lld dk)", {minutes});
    }
    }
    return std::nullopt;
}

std::optional<double> realFillBelowShown(const State& s)
{
    const auto& t = s.telemetry;
    if (!t.remainingCapacity || !t.fullCapacity || *t.fullCapacity < 1)
        return std::nullopt;
    const double real = std::min(double(*t.remainingCapacity) / double(*t.fullCapacity) * 100.0, 100.0);
    if (double(s.percent) - real < 1.0)
        return std::nullopt;
    return real;
}

SystemColor stateTint(const State& s)
{
    if (s.dischargeTarget >= 1)
        return SystemColor::orange;
    return s.percent >= 21 || s.onAC ? SystemColor::green : SystemColor::red;
}

QString shortStatus(const State& s)
{
    if (s.calibration) {
        switch (s.calibration->step) {
        case Step::chargeFull:
        case Step::rechargeFull:
            return s.onAC ? Texts::tr("Kalibrasyon · %100'e doluyor") : Texts::tr("Kalibrasyon · adaptör bekleniyor");
        case Step::discharge:
            return Texts::tr("Kalibrasyon · %%1'e boşalıyor", kCalibrationTarget);
        case Step::hold:
            return Texts::tr("Kalibrasyon · %100'de bekliyor");
        }
    }
    if (s.dischargeTarget >= 1) {
        if (const auto real = realFillBelowShown(s))
            return Texts::tr("Boşalıyor → %%1 · gerçek %%2", s.dischargeTarget, Texts::decimal(*real, 1));
        return Texts::tr("Boşalıyor → %%1", s.dischargeTarget);
    }
    if (s.topUpRestoreLimit)
        return Texts::tr("Tam dolduruluyor · sonra %%1", *s.topUpRestoreLimit);
    if (s.isCharging) {
        if (s.limit <= 99)
            return Texts::tr("Şarj oluyor → %%1", s.limit);
        return Texts::tr("Şarj oluyor");
    }
    if (!s.onAC) {
        if (s.minutesRemaining)
            return Texts::tr("Pilde · %1 sa %2 dk", *s.minutesRemaining / 60, *s.minutesRemaining % 60);
        return Texts::tr("Pilde");
    }
    if (s.limit <= 99 && s.percent > s.limit)
        return Texts::tr("Sınırın üstünde · %%1'e iniyor", s.limit);
    if (s.limit <= 99 && s.percent >= s.limit - 1)
        return Texts::tr("Sınırda tutuluyor · adaptörden");
    return Texts::tr("Adaptörde · şarj beklemede");
}

} // namespace batterytexts
