<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="tr">
<context>
    <name>AppAudioManager</name>
    <message>
        <source> için ses yönlendirilemedi. Ses Kaydı iznini kontrol edin.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AudioManager</name>
    <message>
        <source>Yazılımsal ses başlatılamadı (%1). Sistem Ayarları &gt; Gizlilik &gt; Ses Kaydı iznini kontrol edin.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AutomationManager</name>
    <message>
        <source> profili oluşturuldu</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> kopya</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> mevcut ayarlarla güncellendi</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> ayrıldı, ses dahili hoparlöre alındı</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> bağlı değil</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> uygulandı</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DisplayManager</name>
    <message>
        <source>Dahili Ekran</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ekran %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Giriş 0x%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bu Mac</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Hub</name>
    <message>
        <source>Ses</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Parlaklık</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Pelorn</name>
    <message>
        <source>Quendrel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>by Ostrane</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pil yüzde %1, şarj sınırı yüzde %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mac</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sistem</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mavi</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mor</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pembe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kırmızı</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Turuncu</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sarı</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Yeşil</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Grafit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Genel Bakış</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ekran</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ses</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fare</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Şarj Kontrolü</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>KVM Profili</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Genel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Texts</name>
    <message>
        <source>Boşalt</source>
        <translation>Discharge</translation>
    </message>
    <message>
        <source>Hedef seç</source>
        <translation>Choose target</translation>
    </message>
    <message>
        <source>Tam doldur</source>
        <translation>Full charge</translation>
    </message>
    <message>
        <source>Bir kez %100</source>
        <translation>Once to 100%</translation>
    </message>
    <message>
        <source>Kalibrasyon</source>
        <translation>Calibration</translation>
    </message>
    <message>
        <source>Pil yardımcısını güncelle</source>
        <translation>Update the battery helper</translation>
    </message>
    <message>
        <source>Boşaltma için pil yardımcısını kur</source>
        <translation>Install helper to discharge</translation>
    </message>
    <message>
        <source>Durdur</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>İptal et</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Adaptör takılıyken pili kullan</source>
        <translation>Use the battery while plugged in</translation>
    </message>
    <message>
        <source>Şarj sınırına (%%1)</source>
        <translation>To the charge limit (%1%)</translation>
    </message>
    <message>
        <source>%%1</source>
        <translation>%1%</translation>
    </message>
    <message>
        <source>Kalibrasyon · %100&apos;e doluyor</source>
        <translation>Calibration · charging to 100%</translation>
    </message>
    <message>
        <source>Kalibrasyon · adaptör bekleniyor</source>
        <translation>Calibration · waiting for the adapter</translation>
    </message>
    <message>
        <source>Kalibrasyon · %%1&apos;e boşalıyor</source>
        <translation>Calibration · discharging to %1%</translation>
    </message>
    <message>
        <source>Kalibrasyon · %100&apos;de bekliyor</source>
        <translation>Calibration · holding at 100%</translation>
    </message>
    <message>
        <source>Boşalıyor → %%1 · gerçek %%2</source>
        <translation>Discharging → %1% · actually %2%</translation>
    </message>
    <message>
        <source>Boşalıyor → %%1</source>
        <translation>Discharging → %1%</translation>
    </message>
    <message>
        <source>Tam dolduruluyor · sonra %%1</source>
        <translation>Charging to full · then %1%</translation>
    </message>
    <message>
        <source>Şarj oluyor → %%1</source>
        <translation>Charging → %1%</translation>
    </message>
    <message>
        <source>Şarj oluyor</source>
        <translation>Charging</translation>
    </message>
    <message>
        <source>Pilde · %1 sa %2 dk</source>
        <translation>On battery · %1 h %2 min</translation>
    </message>
    <message>
        <source>Pilde</source>
        <translation>On battery</translation>
    </message>
    <message>
        <source>Sınırın üstünde · %%1&apos;e iniyor</source>
        <translation>Above the limit · falling to %1%</translation>
    </message>
    <message>
        <source>Sınırda tutuluyor · adaptörden</source>
        <translation>Held at the limit · on adapter</translation>
    </message>
    <message>
        <source>Adaptörde · şarj beklemede</source>
        <translation>On adapter · charging paused</translation>
    </message>
    <message>
        <source>Şarj sınırı</source>
        <translation>Charge limit</translation>
    </message>
    <message>
        <source>Yok</source>
        <translation>None</translation>
    </message>
    <message>
        <source>Veri toplanıyor</source>
        <translation>Collecting data</translation>
    </message>
    <message>
        <source>Grafik birkaç dakika içinde dolacak.</source>
        <translation>The chart fills in within a few minutes.</translation>
    </message>
    <message>
        <source>%1 °C</source>
        <translation>%1 °C</translation>
    </message>
    <message>
        <source>%1 W</source>
        <translation>%1 W</translation>
    </message>
    <message>
        <source>Sınır %%1</source>
        <translation>Limit %1%</translation>
    </message>
    <message>
        <source>Pil seviyesi</source>
        <translation>Battery level</translation>
    </message>
    <message>
        <source>Pil sıcaklığı</source>
        <translation>Battery temperature</translation>
    </message>
    <message>
        <source>Sistem güç tüketimi</source>
        <translation>System power draw</translation>
    </message>
</context>
</TS>
