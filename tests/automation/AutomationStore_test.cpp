#include "AutomationTest.h"

#include <QDateTime>
#include <QLocale>

namespace {

class AutomationStoreTest : public AutomationTest {};

const QByteArray kStudio = R"({"id":"6F1C2A3B-0D4E-4F50-8A6B-7C8D9E0F1A2B","name":"Ev","displayKey":"k:1","displayName":"Studio"})";
const QByteArray kOffice = R"({"id":"0B1C2A3B-0D4E-4F50-8A6B-7C8D9E0F1A2B","name":"Ofis","displayKey":"k:2","displayName":"Office"})";
const QByteArray kBroken = R"({"name":"no monitor","volume":40})";

QStringList names(const std::vector<KVMProfile>& list)
{
    QStringList out;
    for (const KVMProfile& p : list)
        out << p.name;
    return out;
}

TEST_F(AutomationStoreTest, StartUpReadsTheListOrTheOlderSingleProfileAndWritesNothing)
{
    struct Case {
        const char* what;
        QByteArray profiles; // empty: absent
        QByteArray older;
        QStringList expected;
    };
    const Case cases[] = {
        {"nothing stored", {}, {}, {}},
        {"list", "[" + kStudio + "," + kOffice + "]", kOffice, {"Ev", "Ofis"}},
        {"older form only", {}, kOffice, {"Ofis"}},
        {"list not an array", "{}", kOffice, {"Ofis"}},
        {"list with nothing readable", "[" + kBroken + "]", kOffice, {}},
        {"empty list", "[]", kOffice, {}},
        {"list that is no JSON", "[{", kOffice, {"Ofis"}},
        {"older form undecodable", {}, kBroken, {}},
    };
    start(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Prefs::d().remove("kvm.profiles");
        Prefs::d().remove("kvm.profile");
        if (!c.profiles.isEmpty())
            storeRaw("kvm.profiles", c.profiles);
        if (!c.older.isEmpty())
            storeRaw("kvm.profile", c.older);
        AutomationManager manager(*display, *audio, *scroll, *battery);
        EXPECT_EQ(names(manager.profiles()), c.expected);
        EXPECT_TRUE(manager.enabled());
        EXPECT_FALSE(manager.lastEvent());
        EXPECT_EQ(Prefs::d().object("kvm.profiles").toByteArray(), c.profiles);
        EXPECT_EQ(Prefs::d().object("kvm.profile").toByteArray(), c.older);
    }
}

TEST_F(AutomationStoreTest, OneUndecodableElementKeepsTheOthersAndIsWrittenBackUntouched)
{
    start(false);
    storeRaw("kvm.profiles", "[" + kStudio + "," + kBroken + "," + kOffice + "]");
    Prefs::d().set("kvm.enabled", false);
    AutomationManager manager(*display, *audio, *scroll, *battery);
    EXPECT_FALSE(manager.enabled());
    ASSERT_EQ(names(manager.profiles()), (QStringList{"Ev", "Ofis"}));

    KVMProfile edited = manager.profiles()[1];
    edited.name = "Ofis 2";
    ASSERT_TRUE(manager.update(edited));
    const QJsonArray stored = storedJson("kvm.profiles").toArray();
    ASSERT_EQ(stored.size(), 3);
    EXPECT_EQ(stored[1].toObject().value("name").toString(), "Ofis 2");
    EXPECT_EQ(stored[2], QJsonDocument::fromJson(kBroken).object());

    AutomationManager again(*display, *audio, *scroll, *battery);
    EXPECT_EQ(names(again.profiles()), (QStringList{"Ev", "Ofis 2"}));
}

// Deleting the last readable profile leaves a list behind: the older single profile must not
// come back at the next start.
TEST_F(AutomationStoreTest, DeletedProfilesStayDeletedBesideAnUndecodableElement)
{
    start(false);
    storeRaw("kvm.profiles", "[" + kStudio + "," + kBroken + "]");
    storeRaw("kvm.profile", kOffice);
    {
        AutomationManager manager(*display, *audio, *scroll, *battery);
        ASSERT_EQ(names(manager.profiles()), QStringList{"Ev"});
        manager.remove(manager.profiles()[0]);
    }
    AutomationManager again(*display, *audio, *scroll, *battery);
    EXPECT_TRUE(again.profiles().empty());
    const QJsonArray stored = storedJson("kvm.profiles").toArray();
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0], QJsonDocument::fromJson(kBroken).object()) << "the undecodable element is still kept";
}

TEST_F(AutomationStoreTest, AddProfileNamesByCountFillsFromTheDeskAndLogs)
{
    start();
    ASSERT_EQ(display->selected()->name, "Lumera 27Q");
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(automation->addProfile());
    EXPECT_EQ(names(automation->profiles()), (QStringList{"Lumera 27Q", "Lumera 27Q 2", "Lumera 27Q 3"}));

    const KVMProfile& p = automation->profiles().front();
    EXPECT_FALSE(p.id.isNull());
    EXPECT_NE(p.id, automation->profiles()[1].id);
    EXPECT_TRUE(p.enabled);
    EXPECT_TRUE(p.restoreBuiltinAudio);
    EXPECT_EQ(p.displayKey, display->selected()->key);
    EXPECT_EQ(p.displayName, "Lumera 27Q");
    EXPECT_EQ(p.audioUID, "BuiltInSpeakerDevice");
    EXPECT_EQ(p.audioName, audio->defaultOutput()->name);
    EXPECT_EQ(p.inputUID, "BuiltInMicrophoneDevice");
    EXPECT_EQ(p.volume, std::round(audio->level().volume()));
    EXPECT_EQ(p.brightness, 60.0);
    EXPECT_FALSE(p.dimming); // no dimming at 100
    ASSERT_TRUE(p.modeID);
    EXPECT_EQ(p.modeID, display->currentModeID());
    const auto& modes = display->modes();
    const auto mode = std::find_if(modes.begin(), modes.end(), [&](const DisplayModeOption& m) { return m.id == *p.modeID; });
    ASSERT_NE(mode, modes.end());
    EXPECT_EQ(p.modeLabel, mode->label());
    EXPECT_EQ(p.smoothScroll, scroll->smoothEnabled());
    EXPECT_EQ(p.reverseScroll, scroll->reverseEnabled());
    EXPECT_EQ(p.chargeLimit, battery->limitSupported() ? std::optional<int>(battery->limit()) : std::nullopt);
    EXPECT_FALSE(p.inputSource);

    const QString time = QLocale().toString(
        QDateTime::fromSecsSinceEpoch(qint64(platform::clock::wallNow())).time(), QLocale::ShortFormat);
    EXPECT_EQ(automation->lastEvent(), time + " · “Lumera 27Q 3” profili oluşturuldu");
    EXPECT_EQ(storedJson("kvm.profiles").toArray().size(), 3);
}

TEST_F(AutomationStoreTest, FillLeavesOutWhatTheDeskCannotGive)
{
    start();
    display->setSoftwareBrightness(99.6, true);
    auto p = automation->addProfile();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->dimming, 100.0);

    display->setSoftwareBrightness(100, true);
    display->setSelectedID(3);
    settle();
    display->setSelectedID(1); // the panel: no DDC/CI, and no profile can be made for it
    settle();
    const auto before = automation->profiles();
    const auto event = automation->lastEvent();
    EXPECT_FALSE(automation->addProfile());
    EXPECT_EQ(automation->profiles(), before);
    EXPECT_EQ(automation->lastEvent(), event);

    automation->captureCurrent(before.front());
    EXPECT_FALSE(automation->profiles().front().brightness);
    EXPECT_FALSE(automation->profiles().front().dimming);
    EXPECT_EQ(lastMessage(), "“Lumera 27Q” mevcut ayarlarla güncellendi");
}

TEST_F(AutomationStoreTest, DuplicateUpdateDeleteAndCapture)
{
    start();
    const KVMProfile original = *automation->addProfile();

    const KVMProfile copy = automation->duplicate(original);
    ASSERT_EQ(automation->profiles().size(), 2u);
    EXPECT_EQ(automation->profiles()[1], copy);
    EXPECT_EQ(copy.name, "Lumera 27Q kopya");
    EXPECT_FALSE(copy.enabled);
    EXPECT_NE(copy.id, original.id);
    KVMProfile same = copy;
    same.id = original.id;
    same.name = original.name;
    same.enabled = true;
    EXPECT_EQ(same, original);

    // An unknown id: update stores nothing, delete stores the unchanged list.
    Prefs::d().remove("kvm.profiles");
    KVMProfile stranger = original;
    stranger.id = QUuid::createUuid();
    EXPECT_FALSE(automation->update(stranger));
    EXPECT_FALSE(Prefs::d().object("kvm.profiles").isValid());
    automation->remove(stranger);
    EXPECT_EQ(storedJson("kvm.profiles").toArray().size(), 2);

    KVMProfile renamed = original;
    renamed.name = "Masa";
    renamed.inputSource = 17;
    EXPECT_TRUE(automation->update(renamed));
    EXPECT_EQ(automation->profiles()[0], renamed);
    EXPECT_EQ(storedJson("kvm.profiles").toArray()[0].toObject().value("name").toString(), "Masa");

    // Capture refills only the desk's fields.
    display->setBrightness(35, true);
    automation->captureCurrent(renamed);
    EXPECT_EQ(automation->profiles()[0].brightness, 35.0);
    EXPECT_EQ(automation->profiles()[0].inputSource, 17);
    EXPECT_EQ(automation->profiles()[0].name, "Masa");
    EXPECT_EQ(lastMessage(), "“Masa” mevcut ayarlarla güncellendi");

    automation->remove(renamed);
    EXPECT_EQ(automation->profiles(), std::vector<KVMProfile>{copy});

    // A profile deleted meanwhile does not come back; its refill is still reported.
    automation->addProfile();
    ASSERT_TRUE(lastMessage().endsWith("profili oluşturuldu"));
    automation->remove(automation->profiles().back());
    automation->captureCurrent(renamed);
    EXPECT_EQ(automation->profiles(), std::vector<KVMProfile>{copy});
    EXPECT_EQ(lastMessage(), "“Masa” mevcut ayarlarla güncellendi");
    automation->remove(copy);
    automation->captureCurrent(copy);
    EXPECT_TRUE(automation->profiles().empty());
    EXPECT_EQ(lastMessage(), "“" + copy.label() + "” mevcut ayarlarla güncellendi");
}

TEST_F(AutomationStoreTest, ShowcaseWritesNothing)
{
    start();
    Showcase::setEnabledForTesting(true);
    automation->addProfile();
    automation->setEnabled(false);
    Showcase::setEnabledForTesting(std::nullopt);
    EXPECT_EQ(automation->profiles().size(), 1u);
    EXPECT_FALSE(Prefs::d().object("kvm.profiles").isValid());
    EXPECT_FALSE(Prefs::d().object("kvm.enabled").isValid());
}

} // namespace
