// The panel rendered with each section expanded, in every look, for looking at.
#include "app/Hub.h"
#include "app/Prefs.h"
#include "audio/AudioManager.h"
#include "bridge/Bridge.h"
#include "design/DesignTest.h"
#include "panel/MenuView.h"

namespace {

class PanelGallery : public DesignTest {
protected:
    void TearDown() override
    {
        hub.reset();
        AudioManager::waitForBackgroundStops();
        tap.reset();
        DesignTest::TearDown();
    }
    std::unique_ptr<InputTap> tap;
    std::unique_ptr<Hub> hub;
};

TEST_F(PanelGallery, EachSectionExpanded)
{
    bridge_forget_cached_clients();
    tap = std::make_unique<InputTap>();
    hub = std::make_unique<Hub>(*tap);
    processEvents();
    std::vector<Variant> variants;
    for (const char* section : {"", "display", "audio", "battery"}) {
        variants.push_back({section, QSize(360, 900), [this, section] {
                                Prefs::set(MenuView::kSectionKey, QString(section));
                                auto* view = new MenuView(hub->display, hub->audio, hub->appAudio, hub->scroll,
                                                          hub->battery, hub->input, hub->automation);
                                view->openWindow = [](const QString&) {};
                                return view;
                            }});
    }
    const QString path = writeGallery("panel", variants);
    EXPECT_TRUE(QFile::exists(path));
}

} // namespace
