#include "battery/BatteryTexts.h"

#include "app/Prefs.h"
#include "app/Texts.h"

#include <gtest/gtest.h>

namespace {

using batterytexts::State;
using Step = BatteryCalibration::Step;

State onBattery(int percent) { State s; s.hasBattery = true; s.percent = percent; return s; }
State onAC(int percent, int limit, bool charging = false)
{
    State s = onBattery(percent);
    s.onAC = true;
    s.limit = limit;
    s.isCharging = charging;
    return s;
}
State calibrating(Step step, bool ac, int saved = 80)
{
    State s = onAC(50, 100);
    s.onAC = ac;
    s.calibration = BatteryCalibration{step, saved, std::nullopt};
    return s;
}

TEST(BatteryTexts, ExplanationFollowsTheFirstRuleThatApplies)
{
    State topUp = onAC(90, 100, true);
    topUp.topUpRestoreLimit = 80;
    State calibrationAndTopUp = calibrating(Step::discharge, true);
    calibrationAndTopUp.topUpRestoreLimit = 70;
    State chargingWhileDischargeShown = onAC(60, 80, true);
    chargingWhileDischargeShown.dischargeTarget = 40;
    State withRemaining = onBattery(50);
    withRemaining.minutesRemaining = 125;
    State noBattery = onAC(50, 80, true);
    noBattery.hasBattery = false;

    const QString dischargeTo40 =
        "Adaptör takılı ama devre dışı; Mac pilden çalışıyor. Pil %40'a inince adaptör kendiliğinden açılır. "
        "Kapak kapalıyken uyumaması için uyku bu sürede kapalı; kabloyu çekerseniz deşarj durur ve uyku geri gelir.";
    const struct {
        const char* name;
        State state;
        QString text;
    } cases[] = {
        {"no battery wins over everything", noBattery, "Bu Mac'te pil yok."},
        {"hold", calibrating(Step::hold, true, 75),
         "Pil %100'de bir süre bekletiliyor; ardından şarj sınırı %75'e geri dönülecek."},
        {"calibration wins over a top-up", calibrationAndTopUp,
         "Kalibrasyon için adaptör devre dışı; Mac pilden çalışıyor ve pil %15'e kadar boşalacak."},
        {"charge full on AC", calibrating(Step::chargeFull, true),
         "Kalibrasyon için pil %100'e şarj ediliyor. Adaptörü çıkarmayın."},
        {"recharge without AC", calibrating(Step::rechargeFull, false),
         "Kalibrasyon bekliyor: devam etmesi için adaptörü takın."},
        {"top-up", topUp, "Pil bir seferliğine %100'e dolduruluyor; dolunca şarj sınırı %80'e geri döner."},
        {"discharge wins over charging", chargingWhileDischargeShown, dischargeTo40},
        {"charging without limit", onAC(60, 100, true), "Pil %100'e kadar şarj oluyor."},
        {"charging to the limit", onAC(60, 80, true), "Pil şarj oluyor ve %80'de duracak."},
        {"on battery, time known", withRemaining,
         "Mac pilden çalışıyor. Bu kullanımla yaklaşık 2 sa 5 dk kaldı."},
        {"on battery, time unknown", onBattery(50), "Mac pilden çalışıyor."},
        {"above the limit", onAC(85, 80),
         "Pil sınırın üzerinde. macOS şarjı durdurdu; pil %80'e yavaşça inecek, Mac adaptörden de beslenecek."},
        {"at the limit", onAC(80, 80),
         "Pil %80 sınırında tutuluyor. Mac doğrudan adaptörden çalışıyor, pil dinleniyor."},
        {"one below the limit", onAC(79, 80),
         "Pil %80 sınırında tutuluyor. Mac doğrudan adaptörden çalışıyor, pil dinleniyor."},
        {"two below the limit",
         onAC(78, 80),
         "Adaptör takılı, şarj şu an yapılmıyor (macOS sıcaklık ya da optimize şarj nedeniyle bekletiyor olabilir)."},
        {"no limit, full",
         onAC(100, 100),
         "Adaptör takılı, şarj şu an yapılmıyor (macOS sıcaklık ya da optimize şarj nedeniyle bekletiyor olabilir)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(batterytexts::explanation(c.state), c.text);
    }
}

TEST(BatteryTexts, DischargeNoteShowsTheRealFillOnlyFromOnePointApart)
{
    State s = onBattery(45);
    s.dischargeTarget = 40;
    const QString base = batterytexts::explanation(s); // capacities unknown: no note
    EXPECT_TRUE(base.endsWith("uyku geri gelir."));

    s.telemetry.remainingCapacity = 2000;
    s.telemetry.fullCapacity = 5000;
    EXPECT_EQ(batterytexts::explanation(s),
              base + " macOS göstergeyi tam şarjdan sonra bir süre %45'te tutar; pilin gerçek doluluğu şu an %"
                  + Locale::ui().toString(40.0, 'f', 1) + ".");

    s.telemetry.remainingCapacity = 2225; // 44.5 %: less than a point below the shown 45
    EXPECT_EQ(batterytexts::explanation(s), base);
    s.telemetry.remainingCapacity = 2000;
    s.telemetry.fullCapacity = 0; // no division by zero
    EXPECT_EQ(batterytexts::explanation(s), base);
}

TEST(BatteryTexts, CalibrationLineNamesTheStep)
{
    EXPECT_FALSE(batterytexts::calibrationText(onAC(50, 80)));

    State hold = calibrating(Step::hold, true);
    hold.now = 1'000'000;
    hold.calibration->holdUntil = hold.now + 90.5 * 60;
    State overdue = hold;
    overdue.calibration->holdUntil = hold.now - 600;
    State noEnd = hold;
    noEnd.calibration->holdUntil.reset();
    const struct {
        const char* name;
        State state;
        QString text;
    } cases[] = {
        {"1/4 on AC", calibrating(Step::chargeFull, true), "Kalibrasyon 1/4: %100'e şarj ediliyor"},
        {"1/4 unplugged", calibrating(Step::chargeFull, false), "Kalibrasyon 1/4: adaptörü takın"},
        {"2/4", calibrating(Step::discharge, false), "Kalibrasyon 2/4: %15'e deşarj ediliyor"},
        {"3/4 on AC", calibrating(Step::rechargeFull, true), "Kalibrasyon 3/4: %100'e şarj ediliyor"},
        {"3/4 unplugged", calibrating(Step::rechargeFull, false), "Kalibrasyon 3/4: adaptörü takın"},
        {"4/4 minutes truncated", hold, "Kalibrasyon 4/4: %100'de bekleniyor (90 dk)"},
        {"4/4 overdue", overdue, "Kalibrasyon 4/4: %100'de bekleniyor (0 dk)"},
        {"4/4 without an end", noEnd, "Kalibrasyon 4/4: %100'de bekleniyor (0 dk)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(batterytexts::calibrationText(c.state), c.text);
    }
}

TEST(BatteryTexts, ShortStatusTakesTheFirstMatchingRow)
{
    State calibrationAndDischarge = calibrating(Step::discharge, true);
    calibrationAndDischarge.dischargeTarget = 15;
    State dischargeAndTopUp = onAC(62, 100, true);
    dischargeAndTopUp.dischargeTarget = 40;
    dischargeAndTopUp.topUpRestoreLimit = 80;
    State topUpWhileCharging = onAC(90, 100, true);
    topUpWhileCharging.topUpRestoreLimit = 80;
    State remaining = onBattery(50);
    remaining.minutesRemaining = 125;
    State underAnHour = onBattery(10);
    underAnHour.minutesRemaining = 59;
    State noBattery = onBattery(0);
    noBattery.hasBattery = false;

    const struct {
        const char* name;
        State state;
        QString text;
    } cases[] = {
        {"charge full on AC", calibrating(Step::chargeFull, true), "Kalibrasyon · %100'e doluyor"},
        {"recharge unplugged", calibrating(Step::rechargeFull, false), "Kalibrasyon · adaptör bekleniyor"},
        {"calibration outranks its own discharge", calibrationAndDischarge, "Kalibrasyon · %15'e boşalıyor"},
        {"hold", calibrating(Step::hold, true), "Kalibrasyon · %100'de bekliyor"},
        {"discharge outranks top-up and charging", dischargeAndTopUp, "Boşalıyor → %40"},
        {"top-up outranks charging", topUpWhileCharging, "Tam dolduruluyor · sonra %80"},
        {"charging to the limit", onAC(60, 99, true), "Şarj oluyor → %99"},
        {"charging without limit", onAC(60, 100, true), "Şarj oluyor"},
        {"on battery, time known", remaining, "Pilde · 2 sa 5 dk"},
        {"on battery, under an hour", underAnHour, "Pilde · 0 sa 59 dk"},
        {"on battery, time unknown", onBattery(50), "Pilde"},
        {"a Mac without battery falls through", noBattery, "Pilde"},
        {"81 at 80", onAC(81, 80), "Sınırın üstünde · %80'e iniyor"},
        {"80 at 80", onAC(80, 80), "Sınırda tutuluyor · adaptörden"},
        {"79 at 80", onAC(79, 80), "Sınırda tutuluyor · adaptörden"},
        {"78 at 80", onAC(78, 80), "Adaptörde · şarj beklemede"},
        {"no limit", onAC(100, 100), "Adaptörde · şarj beklemede"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(batterytexts::shortStatus(c.state), c.text);
    }
}

TEST(BatteryTexts, ShortStatusNotesTheRealFillFromOnePointBelow)
{
    State s = onBattery(62);
    s.dischargeTarget = 40;
    s.telemetry.fullCapacity = 5000;
    s.telemetry.remainingCapacity = 3020; // 60.4 %
    Texts::useEnglishForTesting(false);
    EXPECT_EQ(batterytexts::shortStatus(s), "Boşalıyor → %40 · gerçek %60,4") << "a decimal comma in Turkish";
    Texts::useEnglishForTesting(true);
    EXPECT_EQ(batterytexts::shortStatus(s), "Discharging → 40% · actual 60.4%");
    Texts::useEnglishForTesting(false);

    s.telemetry.remainingCapacity = 3060; // 61.2 %: 0.8 below the shown level
    EXPECT_EQ(batterytexts::shortStatus(s), "Boşalıyor → %40");
    s.telemetry.remainingCapacity = 6000; // more than full counts as 100
    EXPECT_EQ(batterytexts::shortStatus(s), "Boşalıyor → %40");
    s.telemetry.fullCapacity.reset();
    EXPECT_EQ(batterytexts::shortStatus(s), "Boşalıyor → %40");
}

TEST(BatteryTexts, StateTint)
{
    State discharging = onAC(90, 100);
    discharging.dischargeTarget = 40;
    State dischargingLow = onBattery(5);
    dischargingLow.dischargeTarget = 10;
    const struct {
        const char* name;
        State state;
        SystemColor tint;
    } cases[] = {
        {"21 on battery", onBattery(21), SystemColor::green},
        {"20 on battery", onBattery(20), SystemColor::red},
        {"5 on AC", onAC(5, 100), SystemColor::green},
        {"a discharge at 90", discharging, SystemColor::orange},
        {"a discharge at 5", dischargingLow, SystemColor::orange},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(batterytexts::stateTint(c.state), c.tint);
    }
}

} // namespace
