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
        <source>Otomasyon</source>
        <translation>Automation</translation>
    </message>
    <message>
        <source>Monitör bağlanınca profili uygula</source>
        <translation>Apply the profile when a monitor connects</translation>
    </message>
    <message>
        <source>KVM bu Mac&apos;e geçtiğinde, o monitöre bağlı ilk açık profil uygulanır.</source>
        <translation>When the KVM switches to this Mac, the first enabled profile for that monitor is applied.</translation>
    </message>
    <message>
        <source>Profiller</source>
        <translation>Profiles</translation>
    </message>
    <message>
        <source>Yeni profil</source>
        <translation>New Profile</translation>
    </message>
    <message>
        <source>Bağlı monitör için mevcut ayarlardan profil oluşturur</source>
        <translation>Creates a profile for the connected monitor from the current settings</translation>
    </message>
    <message>
        <source>Etkin: %1</source>
        <translation>Active: %1</translation>
    </message>
    <message>
        <source>Kapalı · %1</source>
        <translation>Off · %1</translation>
    </message>
    <message>
        <source>Henüz profil yok. Monitörü istediğiniz gibi ayarlayıp “Yeni profil” ile mevcut ayarlardan bir profil oluşturun.</source>
        <translation>No profiles yet. Set up the monitor the way you like, then use “New Profile” to create a profile from the current settings.</translation>
    </message>
    <message>
        <source>%%1</source>
        <translation>%1%</translation>
    </message>
    <message>
        <source>Değiştirme</source>
        <translation>Don’t Change</translation>
    </message>
    <message>
        <source>%1 (bağlı değil)</source>
        <translation>%1 (not connected)</translation>
    </message>
    <message>
        <source>Profil adı</source>
        <translation>Profile Name</translation>
    </message>
    <message>
        <source>Açık</source>
        <translation>On</translation>
    </message>
    <message>
        <source>Monitör</source>
        <translation>Monitor</translation>
    </message>
    <message>
        <source>Şimdi uygula</source>
        <translation>Apply Now</translation>
    </message>
    <message>
        <source>Mevcut ayarlardan doldur</source>
        <translation>Fill from Current Settings</translation>
    </message>
    <message>
        <source>Diğer</source>
        <translation>More</translation>
    </message>
    <message>
        <source>Çoğalt</source>
        <translation>Duplicate</translation>
    </message>
    <message>
        <source>Sil</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Ses</source>
        <translation>Sound</translation>
    </message>
    <message>
        <source>Bağlı değil</source>
        <translation>Not Connected</translation>
    </message>
    <message>
        <source>Çıkış</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>Mikrofon</source>
        <translation>Microphone</translation>
    </message>
    <message>
        <source>Ses seviyesi</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>Ayrılınca sesi dahili hoparlöre al</source>
        <translation>Switch sound to the built-in speakers on disconnect</translation>
    </message>
    <message>
        <source>Ekran</source>
        <translation>Display</translation>
    </message>
    <message>
        <source>Monitör parlaklığı</source>
        <translation>Monitor brightness</translation>
    </message>
    <message>
        <source>macOS karartması</source>
        <translation>macOS dimming</translation>
    </message>
    <message>
        <source>Çözünürlük</source>
        <translation>Resolution</translation>
    </message>
    <message>
        <source>Monitör girişi</source>
        <translation>Monitor input</translation>
    </message>
    <message>
        <source>Giriş</source>
        <translation>Input</translation>
    </message>
    <message>
        <source>Fare</source>
        <translation>Mouse</translation>
    </message>
    <message>
        <source>Yumuşak kaydırma</source>
        <translation>Smooth scrolling</translation>
    </message>
    <message>
        <source>Ters yön</source>
        <translation>Reverse direction</translation>
    </message>
    <message>
        <source>Pil</source>
        <translation>Battery</translation>
    </message>
    <message>
        <source>Şarj sınırı</source>
        <translation>Charge limit</translation>
    </message>
</context>
</TS>
