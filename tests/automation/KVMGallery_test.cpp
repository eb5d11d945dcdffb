#include "KVMViewTest.h"

#include "../design/DesignTest.h"
#include "app/Texts.h"

#include <QFileInfo>

namespace {

// The gallery helpers of the design tests, for a fixture that needs the managers as well.
struct Gallery : DesignTest {
    using DesignTest::Variant;
    using DesignTest::writeGallery;
    void TestBody() override {}
};

class KVMGalleryTest : public KVMViewTest {};

TEST_F(KVMGalleryTest, PageAndEditorInEveryLook)
{
    start();
    sound().setDefaultDevice(platform::audio::kHardwareDefaultOutputDevice, "HDMI-Monitor-Audio");
    audio->refresh();
    settle();
    openPage();
    const KVMProfile desk = addProfileFor(2);
    KVMProfile renamed = desk;
    renamed.name = "Masa & Ofis";
    automation->update(renamed);
    KVMProfile off = automation->duplicate(renamed);
    addProfileFor(3);
    page.reset();
    // The second monitor's profile has no monitor online while the gallery is drawn.
    kvm({3}, false);

    const auto pageVariant = [this](QSize size) {
        return Gallery::Variant{"page", size, [this] {
                                    auto* p = new KVMPage(*automation, *display, *audio, *battery);
                                    p->binding().flush();
                                    return p;
                                }};
    };
    const auto editorVariant = [this, off](QSize size) {
        return Gallery::Variant{"editor", size, [this, off] {
                                    return new ProfileEditor(off, *automation, *display, *audio, *battery);
                                }};
    };
    const QString full = Gallery::writeGallery("kvm-page", {pageVariant({900, 760})});
    const QString narrow = Gallery::writeGallery("kvm-editor", {editorVariant({588, 760}), editorVariant({420, 1120})});
    Texts::useEnglishForTesting(true);
    const QString english = Gallery::writeGallery("kvm-page-en", {pageVariant({900, 760})});
    Texts::useEnglishForTesting(false);

    // The empty state.
    automation->setProfiles({});
    const QString empty = Gallery::writeGallery("kvm-page-empty", {pageVariant({760, 340})});
    for (const QString& path : {full, narrow, english, empty})
        EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
}

} // namespace
