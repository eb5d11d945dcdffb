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
</TS>
