<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="tr">
<context>
    <name>Texts</name>
    <message>
        <source>Ses</source>
        <translation>Sound</translation>
    </message>
    <message>
        <source>Parlaklık</source>
        <translation>Brightness</translation>
    </message>
    <message>
        <source>Güncellemeler</source>
        <translation>Updates</translation>
    </message>
    <message>
        <source>Güncellemeleri otomatik denetle</source>
        <translation>Check for updates automatically</translation>
    </message>
    <message>
        <source>Günde bir kez bakar; yeni sürüm varsa kurmadan önce sorar.</source>
        <translation>Checks once a day and asks before installing a new version.</translation>
    </message>
    <message>
        <source>Güncellemeleri Denetle</source>
        <translatorcomment>Same English on purpose: the card&apos;s button opens the update window as the menu command does</translatorcomment>
        <translation>Check for Updates…</translation>
    </message>
    <message>
        <source>Sürüm %1 (%2)</source>
        <translation>Version %1 (%2)</translation>
    </message>
    <message>
        <source>%1 için ses yönlendirilemedi. Ses Kaydı iznini kontrol edin.</source>
        <translation>Couldn&apos;t route the sound of %1. Check the System Audio Recording permission.</translation>
    </message>
    <message>
        <source>Yazılımsal ses başlatılamadı (%1). Sistem Ayarları &gt; Gizlilik &gt; Ses Kaydı iznini kontrol edin.</source>
        <translation>Software volume couldn&apos;t start (%1). Check System Settings &gt; Privacy &amp; Security &gt; Screen &amp; System Audio Recording.</translation>
    </message>
    <message>
        <source>“%1” profili oluşturuldu</source>
        <translation>Profile “%1” created</translation>
    </message>
    <message>
        <source>%1 kopya</source>
        <translation>%1 copy</translation>
    </message>
    <message>
        <source>“%1” mevcut ayarlarla güncellendi</source>
        <translation>“%1” updated with the current settings</translation>
    </message>
    <message>
        <source>%1 ayrıldı, ses dahili hoparlöre alındı</source>
        <translation>%1 disconnected; sound moved to the built-in speakers</translation>
    </message>
    <message>
        <source>“%1”: %2 bağlı değil</source>
        <translation>“%1”: %2 is not connected</translation>
    </message>
    <message>
        <source>“%1” uygulandı</source>
        <translation>“%1” applied</translation>
    </message>
    <message>
        <source>Bu Mac&apos;te pil yok.</source>
        <translation>This Mac has no battery.</translation>
    </message>
    <message>
        <source>Pil %100&apos;de bir süre bekletiliyor; ardından şarj sınırı %%1&apos;e geri dönülecek.</source>
        <translation>The battery is held at 100% for a while; then the charge limit returns to %1%.</translation>
    </message>
    <message>
        <source>Kalibrasyon için adaptör devre dışı; Mac pilden çalışıyor ve pil %%1&apos;e kadar boşalacak.</source>
        <translation>The adapter is off for calibration; the Mac runs on battery until it drains to %1%.</translation>
    </message>
    <message>
        <source>Kalibrasyon için pil %100&apos;e şarj ediliyor. Adaptörü çıkarmayın.</source>
        <translation>Charging the battery to 100% for calibration. Keep the adapter plugged in.</translation>
    </message>
    <message>
        <source>Kalibrasyon bekliyor: devam etmesi için adaptörü takın.</source>
        <translation>Calibration is waiting: plug in the adapter to continue.</translation>
    </message>
    <message>
        <source>Pil bir seferliğine %100&apos;e dolduruluyor; dolunca şarj sınırı %%1&apos;e geri döner.</source>
        <translation>Charging to 100% this once; when full, the charge limit returns to %1%.</translation>
    </message>
    <message>
        <source>Adaptör takılı ama devre dışı; Mac pilden çalışıyor. Pil %%1&apos;e inince adaptör kendiliğinden açılır. Kapak kapalıyken uyumaması için uyku bu sürede kapalı; kabloyu çekerseniz deşarj durur ve uyku geri gelir.</source>
        <translation>The adapter is plugged in but turned off; the Mac runs on battery. When the battery reaches %1%, the adapter turns back on by itself. Sleep is off meanwhile so the Mac stays awake with the lid closed; unplugging the cable stops the discharge and brings sleep back.</translation>
    </message>
    <message>
        <source> macOS göstergeyi tam şarjdan sonra bir süre %%1&apos;de tutar; pilin gerçek doluluğu şu an %%2.</source>
        <translation> After a full charge macOS shows %1% for a while; the battery&apos;s real level is %2% right now.</translation>
    </message>
    <message>
        <source>Pil %100&apos;e kadar şarj oluyor.</source>
        <translation>The battery is charging to 100%.</translation>
    </message>
    <message>
        <source>Pil şarj oluyor ve %%1&apos;de duracak.</source>
        <translation>The battery is charging and will stop at %1%.</translation>
    </message>
    <message>
        <source>Mac pilden çalışıyor. Bu kullanımla yaklaşık %1 sa %2 dk kaldı.</source>
        <translation>The Mac is running on battery. About %1 h %2 min left at this rate.</translation>
    </message>
    <message>
        <source>Mac pilden çalışıyor.</source>
        <translation>The Mac is running on battery.</translation>
    </message>
    <message>
        <source>Pil sınırın üzerinde. macOS şarjı durdurdu; pil %%1&apos;e yavaşça inecek, Mac adaptörden de beslenecek.</source>
        <translation>The battery is above the limit. macOS has stopped charging; the battery will slowly drop to %1% while the adapter also powers the Mac.</translation>
    </message>
    <message>
        <source>Pil %%1 sınırında tutuluyor. Mac doğrudan adaptörden çalışıyor, pil dinleniyor.</source>
        <translation>The battery is held at its %1% limit. The Mac runs straight from the adapter and the battery rests.</translation>
    </message>
    <message>
        <source>Adaptör takılı, şarj şu an yapılmıyor (macOS sıcaklık ya da optimize şarj nedeniyle bekletiyor olabilir).</source>
        <translation>The adapter is plugged in but not charging right now (macOS may have put charging on hold because of temperature or Optimized Battery Charging).</translation>
    </message>
    <message>
        <source>Kalibrasyon 1/4: %100&apos;e şarj ediliyor</source>
        <translation>Calibration 1/4: charging to 100%</translation>
    </message>
    <message>
        <source>Kalibrasyon 1/4: adaptörü takın</source>
        <translation>Calibration 1/4: plug in the adapter</translation>
    </message>
    <message>
        <source>Kalibrasyon 2/4: %%1&apos;e deşarj ediliyor</source>
        <translation>Calibration 2/4: discharging to %1%</translation>
    </message>
    <message>
        <source>Kalibrasyon 3/4: %100&apos;e şarj ediliyor</source>
        <translation>Calibration 3/4: charging to 100%</translation>
    </message>
    <message>
        <source>Kalibrasyon 3/4: adaptörü takın</source>
        <translation>Calibration 3/4: plug in the adapter</translation>
    </message>
    <message>
        <source>Kalibrasyon 4/4: %100&apos;de bekleniyor (%1 dk)</source>
        <translation>Calibration 4/4: holding at 100% (%1 min)</translation>
    </message>
    <message>
        <source>Yardımcıya bağlanılamadı</source>
        <translation>Couldn&apos;t connect to the helper</translation>
    </message>
    <message>
        <source>Uygulama içinde yardımcı bulunamadı</source>
        <translation>The helper wasn&apos;t found inside the app</translation>
    </message>
    <message>
        <source>Yetkilendirme başarısız</source>
        <translation>Authorization failed</translation>
    </message>
    <message>
        <source>Quendrel</source>
        <translation>Quendrel</translation>
    </message>
    <message>
        <source>Pil yüzde %1, şarj sınırı yüzde %2</source>
        <translation>Battery %1 percent, charge limit %2 percent</translation>
    </message>
    <message>
        <source>Pile %1 W</source>
        <translation>To battery %1 W</translation>
    </message>
    <message>
        <source>Adaptör %1 W</source>
        <translation>Adapter %1 W</translation>
    </message>
    <message>
        <source>Pil %1 W</source>
        <translation>Battery %1 W</translation>
    </message>
    <message>
        <source>Mac</source>
        <translation>Mac</translation>
    </message>
    <message>
        <source>%%1</source>
        <translation>%1%</translation>
    </message>
    <message>
        <source>Sistem</source>
        <translation>System</translation>
    </message>
    <message>
        <source>Mavi</source>
        <translation>Blue</translation>
    </message>
    <message>
        <source>Mor</source>
        <translation>Purple</translation>
    </message>
    <message>
        <source>Pembe</source>
        <translation>Pink</translation>
    </message>
    <message>
        <source>Kırmızı</source>
        <translation>Red</translation>
    </message>
    <message>
        <source>Turuncu</source>
        <translation>Orange</translation>
    </message>
    <message>
        <source>Sarı</source>
        <translation>Yellow</translation>
    </message>
    <message>
        <source>Yeşil</source>
        <translation>Green</translation>
    </message>
    <message>
        <source>Grafit</source>
        <translation>Graphite</translation>
    </message>
    <message>
        <source>Dahili Ekran</source>
        <translation>Built-in Display</translation>
    </message>
    <message>
        <source>Ekran %1</source>
        <translation>Display %1</translation>
    </message>
    <message>
        <source>Giriş 0x%1</source>
        <translation>Input 0x%1</translation>
    </message>
    <message>
        <source>Bu Mac</source>
        <translation>This Mac</translation>
    </message>
    <message>
        <source>Bu Mac&apos;te adaptör kontrol anahtarı bulunamadı</source>
        <translation>No SMC key for adapter control was found on this Mac</translation>
    </message>
    <message>
        <source>Pil zaten hedefin altında</source>
        <translation>The battery is already below the target</translation>
    </message>
    <message>
        <source>Deşarj için adaptör takılı olmalı</source>
        <translation>The adapter must be plugged in to discharge</translation>
    </message>
    <message>
        <source>SMC yazılamadı</source>
        <translation>Couldn&apos;t write to the SMC</translation>
    </message>
    <message>
        <source>Genel Bakış</source>
        <translation>Overview</translation>
    </message>
    <message>
        <source>Ekran</source>
        <translation>Display</translation>
    </message>
    <message>
        <source>Fare</source>
        <translation>Mouse</translation>
    </message>
    <message>
        <source>Genel</source>
        <translation>Generic</translation>
    </message>
    <message>
        <source>Şu an ses çalan uygulama yok.</source>
        <translation>No app is playing sound right now.</translation>
    </message>
    <message>
        <source>Tüm uygulamaları göster</source>
        <translation>Show all apps</translation>
    </message>
    <message>
        <source>Uygulamalar</source>
        <translation>Apps</translation>
    </message>
    <message>
        <source>Varsayılan</source>
        <translation>Default</translation>
    </message>
    <message>
        <source>%1 çalıyor</source>
        <translation>%1 playing</translation>
    </message>
    <message>
        <source>Mikrofon</source>
        <translation>Microphone</translation>
    </message>
    <message>
        <source>Yok</source>
        <translation>None</translation>
    </message>
    <message>
        <source>Giriş seviyesi</source>
        <translation>Input level</translation>
    </message>
    <message>
        <source>Bu çıkışın ses seviyesi ayarlanamıyor.</source>
        <translation>This output&apos;s volume can&apos;t be changed.</translation>
    </message>
    <message>
        <source>Ses · macOS</source>
        <translation>Sound · macOS</translation>
    </message>
    <message>
        <source>Ses · Monitör (DDC)</source>
        <translation>Sound · Monitor (DDC)</translation>
    </message>
    <message>
        <source>Sessiz</source>
        <translation>Muted</translation>
    </message>
    <message>
        <source>Varsayılan çıkış</source>
        <translation>Default Output</translation>
    </message>
    <message>
        <source>Sıfırla</source>
        <translation>Reset</translation>
    </message>
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
        <translation>100% once</translation>
    </message>
    <message>
        <source>Kalibrasyon</source>
        <translation>Calibration</translation>
    </message>
    <message>
        <source>Pil yardımcısını güncelle</source>
        <translation>Update Battery Helper…</translation>
    </message>
    <message>
        <source>Boşaltma için pil yardımcısını kur</source>
        <translation>Install Battery Helper to Discharge…</translation>
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
        <translation>Use Battery While Plugged In</translation>
    </message>
    <message>
        <source>Şarj sınırına (%%1)</source>
        <translation>To Charge Limit (%1%)</translation>
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
        <translation>Discharging → %1% · actual %2%</translation>
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
        <translation>On adapter · charging on hold</translation>
    </message>
    <message>
        <source>Şarj sınırı</source>
        <translation>Charge limit</translation>
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
        <source>Değiştirme</source>
        <translation>Don&apos;t change</translation>
    </message>
    <message>
        <source>%1 (bağlı değil)</source>
        <translation>%1 (not connected)</translation>
    </message>
    <message>
        <source>Profil adı</source>
        <translation>Profile name</translation>
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
        <translatorcomment>Same English on purpose: the panel&apos;s &quot;more&quot; button and the editor&apos;s &quot;…&quot; menu both offer more, as &quot;Daha fazla&quot; does.</translatorcomment>
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
        <source>Bağlı değil</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>Çıkış</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>Ses seviyesi</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>Ayrılınca sesi dahili hoparlöre al</source>
        <translation>Use built-in speakers on disconnect</translation>
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
        <source>Yumuşak kaydırma</source>
        <translation>Smooth scrolling</translation>
    </message>
    <message>
        <source>Ters yön</source>
        <translation>Reverse scrolling</translation>
    </message>
    <message>
        <source>Pil</source>
        <translation>Battery</translation>
    </message>
    <message>
        <source>Parlaklık · MacBook</source>
        <translation>Brightness · MacBook</translation>
    </message>
    <message>
        <source>Parlaklık · Monitör</source>
        <translation>Brightness · Monitor</translation>
    </message>
    <message>
        <source>Parlaklık · macOS</source>
        <translation>Brightness · macOS</translation>
    </message>
    <message>
        <source>Ekranları yansıt</source>
        <translation>Mirror displays</translation>
    </message>
    <message>
        <source>Ekran düzeni</source>
        <translation>Display arrangement</translation>
    </message>
    <message>
        <source>Ekranlar yansıtılıyor; ayrı masaüstü için yansıtmayı kapatın.</source>
        <translation>The displays are mirrored; turn mirroring off to give each its own desktop.</translation>
    </message>
    <message>
        <source>Tek ekran bağlı.</source>
        <translation>Only one display is connected.</translation>
    </message>
    <message>
        <source>Ekranları sürükleyip bırakarak masaüstündeki yerlerini ayarlayın. Menü çubuğu olan ekran ana ekrandır.</source>
        <translation>Drag the displays to arrange them on the desktop. The display with the menu bar is the main display.</translation>
    </message>
    <message>
        <source>Simgeyi değiştir</source>
        <translation>Change symbol</translation>
    </message>
    <message>
        <source>Dizüstü</source>
        <translation>Laptop</translation>
    </message>
    <message>
        <source>Masaüstü</source>
        <translation>Desktop</translation>
    </message>
    <message>
        <source>Oyun konsolu</source>
        <translation>Game Console</translation>
    </message>
    <message>
        <source>TV kutusu</source>
        <translation>TV Box</translation>
    </message>
    <message>
        <source>Medya oynatıcı</source>
        <translation>Media Player</translation>
    </message>
    <message>
        <source>Geç</source>
        <translation>Switch</translation>
    </message>
    <message>
        <source>Monitörü bu girişe geçir</source>
        <translation>Switch the monitor to this input</translation>
    </message>
    <message>
        <source>Cihaz adı ekle</source>
        <translation>Add device name</translation>
    </message>
    <message>
        <source>Etkin</source>
        <translation>Active</translation>
    </message>
    <message>
        <source>Menüde göster</source>
        <translation>Show in menu</translation>
    </message>
    <message>
        <source>Menüde gizle</source>
        <translation>Hide from menu</translation>
    </message>
    <message>
        <source>Simge</source>
        <translation>Symbol</translation>
    </message>
    <message>
        <source>Bağlı cihazlar</source>
        <translation>Connected devices</translation>
    </message>
    <message>
        <source>Her girişe bağlı cihaza bir ad verin; menüde port yerine bu ad görünür. Başka bir cihaza geçmek KVM&apos;i ona aktarır.</source>
        <translation>Name the device on each input; the menu shows this name instead of the port. Switching to another device hands the KVM over to it.</translation>
    </message>
    <message>
        <source>Gizlenen girişler (%1)</source>
        <translation>Hidden inputs (%1)</translation>
    </message>
    <message>
        <source>Monitörü şuna geçir</source>
        <translation>Switch Monitor To</translation>
    </message>
    <message>
        <source>Cihazları adlandır…</source>
        <translation>Name Devices…</translation>
    </message>
    <message>
        <source>Tüm monitörleri birlikte ayarla</source>
        <translation>Adjust all monitors together</translation>
    </message>
    <message>
        <source>Parlaklık kaydırıcısı ve tuşları bütün harici monitörlere uygulanır.</source>
        <translation>The brightness slider and keys apply to every external monitor.</translation>
    </message>
    <message>
        <source>Ana ekran</source>
        <translation>Main display</translation>
    </message>
    <message>
        <source>Ana ekran yap</source>
        <translation>Use as Main Display</translation>
    </message>
    <message>
        <source>Bu monitörün parlaklık, ses ve giriş ayarları aşağıdaki kartlarda.</source>
        <translation>This monitor&apos;s brightness, sound and input settings are in the cards below.</translation>
    </message>
    <message>
        <source>Daha fazla</source>
        <translation>More</translation>
    </message>
    <message>
        <source>Ekranı karart (OLED koruma)</source>
        <translation>Black out screen (OLED care)</translation>
    </message>
    <message>
        <source>Mac&apos;i şimdi uyut</source>
        <translation>Sleep the Mac now</translation>
    </message>
    <message>
        <source>Genel bakışı aç</source>
        <translation>Open overview</translation>
    </message>
    <message>
        <source>Ayarlar…</source>
        <translation>Settings…</translation>
    </message>
    <message>
        <source>Ekranı karart</source>
        <translation>Black Out Screen</translation>
    </message>
    <message>
        <source>Şimdi uyut</source>
        <translation>Sleep Now</translation>
    </message>
    <message>
        <source>Güncellemeleri Denetle…</source>
        <translation>Check for Updates…</translation>
    </message>
    <message>
        <source>Erişilebilirlik izni gerekli</source>
        <translation>Accessibility permission needed</translation>
    </message>
    <message>
        <source>Fare kaydırma ve ses/parlaklık tuşları için gerekir.</source>
        <translation>Needed for mouse scrolling and the volume and brightness keys.</translation>
    </message>
    <message>
        <source>Sistem Ayarlarını Aç</source>
        <translation>Open System Settings</translation>
    </message>
    <message>
        <source>Kaynak</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>Monitör (donanım)</source>
        <translation>Monitor (hardware)</translation>
    </message>
    <message>
        <source>macOS (karartma)</source>
        <translation>macOS (dimming)</translation>
    </message>
    <message>
        <source>macOS</source>
        <translation>macOS</translation>
    </message>
    <message>
        <source>Parlaklık · tüm monitörler</source>
        <translation>Brightness · all monitors</translation>
    </message>
    <message>
        <source>Ses çıkışı</source>
        <translation>Sound output</translation>
    </message>
    <message>
        <source>Profil yok</source>
        <translation>No profiles</translation>
    </message>
    <message>
        <source>Ayrık</source>
        <translation>Not linked</translation>
    </message>
    <message>
        <source>Kapalı</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>Pil %%1</source>
        <translation>Battery %1%</translation>
    </message>
    <message>
        <source>Sınır yok</source>
        <translation>No limit</translation>
    </message>
    <message>
        <source>Seçenekler</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>HDMI/DP çıkışında sesi macOS ayarlasın</source>
        <translation>Let macOS set the volume on HDMI/DP outputs</translation>
    </message>
    <message>
        <source>Kapalıysa monitörün kendi sesi DDC ile değişir.</source>
        <translation>When off, the monitor&apos;s own volume changes over DDC.</translation>
    </message>
    <message>
        <source>Ses tuşlarını yakala</source>
        <translation>Capture the volume keys</translation>
    </message>
    <message>
        <source>Ses adımı</source>
        <translation>Volume step</translation>
    </message>
    <message>
        <source>Option+Shift ile çeyrek adım.</source>
        <translation>Option-Shift for a quarter step.</translation>
    </message>
    <message>
        <source>%100&apos;e şarj → %%1&apos;e deşarj → %100&apos;e şarj → 1 saat bekleme → sınıra dönüş. Pil yüzdesi göstergesinin doğruluğunu tazeler; ayda bir yeterli.</source>
        <translation>Charge to 100% → discharge to %1% → charge to 100% → wait 1 hour → back to the limit. Recalibrates the battery percentage reading; once a month is enough.</translation>
    </message>
    <message>
        <source>Yardımcı Servis</source>
        <translation>Helper service</translation>
    </message>
    <message>
        <source>Deşarj ve kalibrasyon adaptörü SMC üzerinden kapatır; bunun için root yetkili küçük bir servis gerekir. Servis uykuda, kapanışta ve hedefe ulaşınca adaptörü geri açar, %%1&apos;un altına inmez.</source>
        <translation>Discharge and calibration turn the adapter off through the SMC, which needs a small service with root privileges. The service turns the adapter back on at sleep, at shutdown and at the target, and never lets the battery drop below %1%.</translation>
    </message>
    <message>
        <source>Kur…</source>
        <translation>Install…</translation>
    </message>
    <message>
        <source>Güncelle</source>
        <translation>Update…</translation>
    </message>
    <message>
        <source>Kaldır</source>
        <translation>Remove…</translation>
    </message>
    <message>
        <source>Eski</source>
        <translation>Outdated</translation>
    </message>
    <message>
        <source>Kurulu</source>
        <translation>Installed</translation>
    </message>
    <message>
        <source>Trackpad etkilenmez</source>
        <translation>Trackpad unaffected</translation>
    </message>
    <message>
        <source>Yönü ters çevir</source>
        <translation>Reverse direction</translation>
    </message>
    <message>
        <source>Adım</source>
        <translation>Step</translation>
    </message>
    <message>
        <source>Uygula</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>KVM</source>
        <translation>KVM</translation>
    </message>
    <message>
        <source>Bağlanınca profili uygula</source>
        <translation>Apply profile on connect</translation>
    </message>
    <message>
        <source>Profil yok. KVM Profili sayfasından ekleyin.</source>
        <translation>No profiles. Add one on the KVM Profile page.</translation>
    </message>
    <message>
        <source>Profilleri düzenle</source>
        <translation>Edit Profiles</translation>
    </message>
    <message>
        <source>Giriş kaynağı</source>
        <translation>Input source</translation>
    </message>
    <message>
        <source>Uygulama sesleri</source>
        <translation>App sounds</translation>
    </message>
    <message>
        <source>Kontrast</source>
        <translation>Contrast</translation>
    </message>
    <message>
        <source>Monitör sesi</source>
        <translation>Monitor volume</translation>
    </message>
    <message>
        <source>Bu monitör DDC/CI desteklemiyor; yalnızca macOS karartması kullanılabilir.</source>
        <translation>This monitor doesn&apos;t support DDC/CI; only macOS dimming is available.</translation>
    </message>
    <message>
        <source>Değerleri monitörden yeniden oku</source>
        <translation>Reload from Monitor</translation>
    </message>
    <message>
        <source>Tümü</source>
        <translation>All</translation>
    </message>
    <message>
        <source>Tuşlar ve OLED koruma</source>
        <translation>Keys and OLED care</translation>
    </message>
    <message>
        <source>Kapak açıkken de monitörü ayarla</source>
        <translation>Adjust the monitor with the lid open too</translation>
    </message>
    <message>
        <source>Kapak kapalıyken parlaklık tuşları her zaman monitörü ayarlar.</source>
        <translation>With the lid closed, the brightness keys always adjust the monitor.</translation>
    </message>
    <message>
        <source>Tüm monitörler</source>
        <translation>All monitors</translation>
    </message>
    <message>
        <source>Mac tüketimi</source>
        <translation>Mac power draw</translation>
    </message>
    <message>
        <source>Pilden</source>
        <translatorcomment>Same English on purpose: the Mac running from its battery, as &quot;Pilde&quot; says.</translatorcomment>
        <translation>On battery</translation>
    </message>
    <message>
        <source>Yüksek</source>
        <translation>High</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Pil sağlığı</source>
        <translation>Battery Health</translation>
    </message>
    <message>
        <source>%1 döngü</source>
        <translation>Cycles: %1</translation>
    </message>
    <message>
        <source>Donanım</source>
        <translation>Hardware</translation>
    </message>
    <message>
        <source>Pil Bakımı</source>
        <translation>Battery Care</translation>
    </message>
    <message>
        <source>Kaydırma</source>
        <translation>Scrolling</translation>
    </message>
    <message>
        <source>Tekerlek adımlarını akıcı bir harekete çevirir.</source>
        <translation>Turns wheel steps into one fluid motion.</translation>
    </message>
    <message>
        <source>Yalnızca farede; trackpad doğal kaydırmada kalır.</source>
        <translation>Mouse only; the trackpad keeps natural scrolling.</translation>
    </message>
    <message>
        <source>Yumuşak kaydırma ayarı</source>
        <translation>Smooth scrolling settings</translation>
    </message>
    <message>
        <source>Süzülme</source>
        <translation>Glide</translation>
    </message>
    <message>
        <source>%1 px</source>
        <translation>%1 px</translation>
    </message>
    <message>
        <source>OLED koruma</source>
        <translation>OLED care</translation>
    </message>
    <message>
        <source>Ekranı tamamen siyaha alır; OLED&apos;de siyah pikseller kapalıdır. Fareyi oynatmak ya da bir tuşa basmak geri getirir.</source>
        <translation>Turns the screen fully black; on OLED, black pixels are off. Moving the mouse or pressing a key brings it back.</translation>
    </message>
    <message>
        <source>Ekranı şimdi karart</source>
        <translation>Black Out Now</translation>
    </message>
    <message>
        <source>Boşta kalınca otomatik karart</source>
        <translation>Black out automatically when idle</translation>
    </message>
    <message>
        <source>Video oynarken otomatik karartma yapılmaz.</source>
        <translation>No automatic blackout while a video plays.</translation>
    </message>
    <message>
        <source>%1 dk</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>Kontroller</source>
        <translation>Controls</translation>
    </message>
    <message>
        <source>Pil ve güç</source>
        <translation>Battery and power</translation>
    </message>
    <message>
        <source>Geçmiş · son 24 saat</source>
        <translation>History · last 24 hours</translation>
    </message>
    <message>
        <source>%1 mAh</source>
        <translation>%1 mAh</translation>
    </message>
    <message>
        <source>Akım</source>
        <translation>Current</translation>
    </message>
    <message>
        <source>%1 A</source>
        <translation>%1 A</translation>
    </message>
    <message>
        <source>Voltaj</source>
        <translation>Voltage</translation>
    </message>
    <message>
        <source>%1 V</source>
        <translation>%1 V</translation>
    </message>
    <message>
        <source>Pil gücü</source>
        <translation>Battery power</translation>
    </message>
    <message>
        <source>Sistem yükü</source>
        <translation>System load</translation>
    </message>
    <message>
        <source>Kalan şarj</source>
        <translation>Remaining charge</translation>
    </message>
    <message>
        <source>Dolmasına</source>
        <translation>Until full</translation>
    </message>
    <message>
        <source>Kalan süre</source>
        <translation>Time left</translation>
    </message>
    <message>
        <source>%1 sa %2 dk</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>Tasarım kapasitesi</source>
        <translation>Design capacity</translation>
    </message>
    <message>
        <source>%100</source>
        <translation>100%</translation>
    </message>
    <message>
        <source>Maksimum kapasite</source>
        <translation>Maximum capacity</translation>
    </message>
    <message>
        <source>Döngü sayısı</source>
        <translation>Cycle count</translation>
    </message>
    <message>
        <source>Kapasite tasarımın %%1&apos;i; Apple %80 altını servis eşiği sayar</source>
        <translation>Capacity is %1% of the design capacity; Apple recommends service below 80%</translation>
    </message>
    <message>
        <source>Kapasite normal aralıkta</source>
        <translation>Capacity is in the normal range</translation>
    </message>
    <message>
        <source>Tür</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>Çekilen güç</source>
        <translation>Power drawn</translation>
    </message>
    <message>
        <source>Maks. akım</source>
        <translation>Max current</translation>
    </message>
    <message>
        <source>Güç dağılımı</source>
        <translation>Power flow</translation>
    </message>
    <message>
        <source>Elektriksel</source>
        <translation>Electrical</translation>
    </message>
    <message>
        <source>Sağlık</source>
        <translation>Health</translation>
    </message>
    <message>
        <source>Güç adaptörü</source>
        <translation>Power adapter</translation>
    </message>
    <message>
        <source>Adaptör bağlı değil.</source>
        <translation>Adapter not connected.</translation>
    </message>
    <message>
        <source>Şeffaf</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Buzlu</source>
        <translation>Frosted</translation>
    </message>
    <message>
        <source>Opak</source>
        <translation>Solid</translation>
    </message>
    <message>
        <source>Görünüm</source>
        <translation>Appearance</translation>
    </message>
    <message>
        <source>Vurgu rengi</source>
        <translation>Accent color</translation>
    </message>
    <message>
        <source>Cam stili</source>
        <translation>Glass style</translation>
    </message>
    <message>
        <source>Vurgu rengiyle renklendir</source>
        <translation>Tint with the accent color</translation>
    </message>
    <message>
        <source>Şeffaf: arkası en çok görünen Liquid Glass. Buzlu: daha okunaklı cam. Opak: cam yerine düz yüzey. Panel, pencere ve ses/parlaklık göstergesi için geçerli.</source>
        <translation>Clear: Liquid Glass that shows the most of what lies behind. Frosted: easier-to-read glass. Solid: a plain surface instead of glass. Applies to the panel, the window and the volume/brightness indicator.</translation>
    </message>
    <message>
        <source>Başlangıç</source>
        <translation>Startup</translation>
    </message>
    <message>
        <source>Girişte başlat</source>
        <translation>Open at login</translation>
    </message>
    <message>
        <source>Dock&apos;ta göster</source>
        <translation>Show in Dock</translation>
    </message>
    <message>
        <source>Kapalıyken pencere açıkken de yalnızca menü çubuğunda kalır.</source>
        <translation>When off, it stays in the menu bar only, even while the window is open.</translation>
    </message>
    <message>
        <source>Pil ayarları</source>
        <translation>Battery settings</translation>
    </message>
    <message>
        <source>Şarj sınırı macOS&apos;un kendi sınırını kullanır (%80–100); root yetkisi gerekmez ve uykuda da çalışır.</source>
        <translation>The charge limit uses macOS&apos;s own limit (80–100%); it needs no root privileges and works during sleep too.</translation>
    </message>
    <message>
        <source>Sistem Pil Ayarlarını Aç</source>
        <translation>Open Battery Settings</translation>
    </message>
    <message>
        <source>Hakkında</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Sürüm %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Dil</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>Yeni dil, uygulama yeniden başlayınca geçerli olur.</source>
        <translation>The new language takes effect when the app relaunches.</translation>
    </message>
    <message>
        <source>Yeniden başlat</source>
        <translation>Relaunch</translation>
    </message>
    <message>
        <source>Sistem: macOS dil tercihlerini izler.</source>
        <translation>System: follows the macOS language preferences.</translation>
    </message>
    <message>
        <source>Uyku</source>
        <translation>Sleep</translation>
    </message>
    <message>
        <source>Quendrel açıkken uyumasın</source>
        <translation>Keep the Mac awake while Quendrel is open</translation>
    </message>
    <message>
        <source>Mac boşta kalınca uykuya geçmez. Elle uyutmak (panelde ay düğmesi) her zaman çalışır.</source>
        <translation>The Mac does not go to sleep when idle. Putting it to sleep by hand (the moon button in the panel) always works.</translation>
    </message>
    <message>
        <source>Ekran da açık kalsın</source>
        <translation>Keep the display on too</translation>
    </message>
    <message>
        <source>macOS şarj sınırını (%%1) geri almadı; tam doldurma sürüyor.</source>
        <translation>macOS didn&apos;t restore the charge limit (%1%); the full charge continues.</translation>
    </message>
    <message>
        <source>Quendrel&apos;den Çık</source>
        <translation>Quit Quendrel</translation>
    </message>
    <message>
        <source>Yumuşak kaydırma</source>
        <comment>tile.smoothScroll</comment>
        <translation>Smooth scroll</translation>
    </message>
    <message>
        <source>macOS&apos;un ayarlayamadığı çıkışlarda tuşları Quendrel&apos;e yönlendirir.</source>
        <translation>Sends the keys to Quendrel on outputs macOS can&apos;t control.</translation>
    </message>
    <message>
        <source>Harici monitörlü ve KVM&apos;li Mac kurulumları için ekran, ses, fare ve pil kontrolünü tek uygulamada toplar. Kaydırma, ses veya parlaklık tuşlarını yakalayan başka araçlar aynı anda çalışırsa olaylar iki kez işlenebilir; Quendrel&apos;i kullanırken onları kapatın.</source>
        <translation>Brings display, sound, mouse and battery control together in one app for Mac setups with external monitors and a KVM. If other tools that capture scrolling, volume or brightness keys run at the same time, events may be handled twice; quit them while you use Quendrel.</translation>
    </message>
    <message>
        <source>Genel Bakış</source>
        <comment>sidebar</comment>
        <translation>Overview</translation>
    </message>
    <message>
        <source>Ekran</source>
        <comment>sidebar</comment>
        <translation>Displays</translation>
    </message>
    <message>
        <source>Ses</source>
        <comment>sidebar</comment>
        <translation>Sound</translation>
    </message>
    <message>
        <source>Fare</source>
        <comment>sidebar</comment>
        <translation>Mouse</translation>
    </message>
    <message>
        <source>Şarj Kontrolü</source>
        <comment>sidebar</comment>
        <translation>Charge Control</translation>
    </message>
    <message>
        <source>KVM Profili</source>
        <comment>sidebar</comment>
        <translation>KVM Profile</translation>
    </message>
    <message>
        <source>Genel</source>
        <comment>sidebar</comment>
        <translation>General</translation>
    </message>
    <message>
        <source>“%1” dosyası kaydedilemedi: %2</source>
        <translation>The file “%1” couldn&apos;t be saved: %2</translation>
    </message>
    <message>
        <source>Ters yön</source>
        <comment>tile.reverseScroll</comment>
        <translation>Reverse scroll</translation>
    </message>
    <message>
        <source>Yardımcıya bağlanılamadı: sistem, yardımcının Pelorn&apos;u incelemesine izin vermiyor</source>
        <translation>Couldn&apos;t connect to the helper: the system doesn&apos;t let the helper inspect Pelorn</translation>
    </message>
    <message>
        <source>by Ostrane</source>
        <translation>by Ostrane</translation>
    </message>
    <message>
        <source>%1 için cihaz adı</source>
        <translation>Device name for %1</translation>
    </message>
    <message>
        <source>%1 girişine geç</source>
        <translation>Switch to %1</translation>
    </message>
    <message>
        <source>%1 girişini menüde göster</source>
        <translation>Show %1 in the menu</translation>
    </message>
    <message>
        <source>%1 girişini menüde gizle</source>
        <translation>Hide %1 in the menu</translation>
    </message>
    <message>
        <source>Kullanıcı iptal etti.</source>
        <translation>User canceled.</translation>
    </message>
    <message>
        <source>Ayar kaydedilemedi: ayarlar dosyası en büyük boyutunda.</source>
        <translation>Setting not saved: the settings file is at its largest size.</translation>
    </message>
    <message>
        <source>erişim izni yok</source>
        <translation>permission was denied</translation>
    </message>
    <message>
        <source>klasör bulunamadı</source>
        <translation>the folder doesn&apos;t exist</translation>
    </message>
    <message>
        <source>yolda klasör yerine bir dosya var</source>
        <translation>a file stands where a folder belongs</translation>
    </message>
    <message>
        <source>bu adda bir öğe zaten var</source>
        <translation>an item with that name already exists</translation>
    </message>
    <message>
        <source>bu adda bir klasör var</source>
        <translation>a folder has that name</translation>
    </message>
    <message>
        <source>diskte yer kalmadı</source>
        <translation>the disk is full</translation>
    </message>
    <message>
        <source>disk salt okunur</source>
        <translation>the disk is read-only</translation>
    </message>
    <message>
        <source>beklenmeyen bir dosya hatası oluştu</source>
        <translation>an unexpected file error occurred</translation>
    </message>
</context>
</TS>
