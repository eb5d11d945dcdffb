#include "battery/BatteryTexts.h"

#include "app/Texts.h"

#include <algorithm>
#include <cmath>

namespace batterytexts {

using Step = BatteryCalibration::Step;

constexpr int kCalibrationTarget = 15;

QString explanation(const State& s)
{
    if (!s.hasBattery)
        return Texts::tr("Bu Mac'te pil yok.");

    if (s.calibration) {
        switch (s.calibration->step) {
        case Step::hold:
            return Texts::tr("Pil %100'de bir süre bekletiliyor; ardından şarj sınırı %%1'e geri dönülecek.",
                             s.calibration->savedLimit);
        case Step::discharge:
            return Texts::tr("Kalibrasyon için adaptör devre dışı; Mac pilden çalışıyor ve pil %%1'e kadar boşalacak.",
                             kCalibrationTarget);
        case Step::chargeFull:
        case Step::rechargeFull:
            return s.onAC ? Texts::tr("Kalibrasyon için pil %100'e şarj ediliyor. Adaptörü çıkarmayın.")
                          : Texts::tr("Kalibrasyon bekliyor: devam etmesi için adaptörü takın.");
        }
    }

    if (s.topUpRestoreLimit) {
        return Texts::tr("Pil bir seferliğine %100'e dolduruluyor; dolunca şarj sınırı %%1'e geri döner.",
                         *s.topUpRestoreLimit);
    }

    if (s.dischargeTarget >= 1) {
        QString text = Texts::tr(
            "Adaptör takılı ama devre dışı; Mac pilden çalışıyor. Pil %%1'e inince adaptör kendiliğinden "
            "açılır. Kapak kapalıyken uyumaması için uyku bu sürede kapalı; kabloyu çekerseniz deşarj durur ve "
            "uyku geri gelir.",
            s.dischargeTarget);
        if (const auto real = realFillBelowShown(s)) {
            text += Texts::tr(" macOS göstergeyi tam şarjdan sonra bir süre %%1'de tutar; pilin gerçek "
                              "doluluğu şu an %%2.",
                              s.percent, Texts::decimal(*real, 1));
        }
        return text;
    }

    if (s.isCharging) {
        if (s.limit > 99)
            return Texts::tr("Pil %100'e kadar şarj oluyor.");
        return Texts::tr("Pil şarj oluyor ve %%1'de duracak.", s.limit);
    }

    if (!s.onAC) {
        if (s.minutesRemaining) {
            return Texts::tr("Mac pilden çalışıyor. Bu kullanımla yaklaşık %1 sa %2 dk kaldı.",
                             *s.minutesRemaining / 60, *s.minutesRemaining % 60);
        }
        return Texts::tr("Mac pilden çalışıyor.");
    }

    if (s.limit < 100 && s.percent > s.limit) {
        return Texts::tr("Pil sınırın üzerinde. macOS şarjı durdurdu; pil %%1'e yavaşça inecek, Mac adaptörden "
                         "de beslenecek.",
                         s.limit);
    }
    if (s.limit < 100 && s.percent >= s.limit - 1) {
        return Texts::tr("Pil %%1 sınırında tutuluyor. Mac doğrudan adaptörden çalışıyor, pil dinleniyor.",
                         s.limit);
    }
    return Texts::tr("Adaptör takılı, şarj şu an yapılmıyor (macOS sıcaklık ya da optimize şarj nedeniyle "
                     "bekletiyor olabilir).");
}

std::optional<QString> calibrationText(const State& s)
{
    if (!s.calibration)
        return std::nullopt;
    switch (s.calibration->step) {
    case Step::chargeFull:
        return s.onAC ? Texts::tr("Kalibrasyon 1/4: %100'e şarj ediliyor")
                      : Texts::tr("Kalibrasyon 1/4: adaptörü takın");
    case Step::discharge:
        return Texts::tr("Kalibrasyon 2/4: %%1'e deşarj ediliyor", kCalibrationTarget);
    case Step::rechargeFull:
        return s.onAC ? Texts::tr("Kalibrasyon 3/4: %100'e şarj ediliyor")
                      : Texts::tr("Kalibrasyon 3/4: adaptörü takın");
    case Step::hold: {
        long long minutes = 0;
        if (s.calibration->holdUntil)
            minutes = std::max(0LL, (long long)std::trunc((*s.calibration->holdUntil - s.now) / 60.0));
        return Texts::tr("Kalibrasyon 4/4: %100'de bekleniyor (%1 dk)", minutes);
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
