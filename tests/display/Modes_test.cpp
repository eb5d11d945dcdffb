#include "display/DisplayTest.h"

#include "app/Prefs.h"

namespace {

class ModesTest : public DisplayTest {
protected:
    static QJsonObject mode(int w, int h, int px, double hz, bool usable = true)
    {
        return QJsonObject{{"width", w}, {"height", h}, {"pixelWidth", px}, {"refresh", hz}, {"usable", usable}};
    }
    void useMonitorModes(const QJsonArray& modes, int current)
    {
        QJsonObject m = monitorJson(2);
        m["modes"] = modes;
        m["mode"] = current;
        useDisplays({builtinJson(), m});
    }
    static std::vector<std::string> ids(const std::vector<DisplayModeOption>& options)
    {
        std::vector<std::string> out;
        for (const auto& o : options)
            out.push_back(o.id.toStdString());
        return out;
    }
};

TEST_F(ModesTest, ShortListKeepsHiDpiAndNativeWidthAtTheCurrentRefresh)
{
    useMonitorModes({mode(1920, 1080, 1920, 60), mode(2560, 1440, 5120, 60), mode(5120, 2880, 5120, 60),
                     mode(2560, 1440, 5120, 60), mode(2560, 1440, 5120, 120), mode(1280, 720, 2560, 59.94),
                     mode(3200, 1800, 6400, 60, false)},
                    1);
    start();
    // 1920x1080 is neither HiDPI nor of the widest width; 120 Hz is not the current refresh.
    EXPECT_EQ(ids(manager->modes()), (std::vector<std::string>{"5120x2880@5120/60", "2560x1440@5120/60", "1280x720@2560/60"}));
    EXPECT_EQ(manager->currentModeID(), "2560x1440@5120/60");

    // Every usable mode, duplicates once, sorted by width, HiDPI first, then refresh.
    manager->setShowAllModes(true);
    EXPECT_EQ(ids(manager->modes()),
              (std::vector<std::string>{"5120x2880@5120/60", "2560x1440@5120/120", "2560x1440@5120/60",
                                    "1920x1080@1920/60", "1280x720@2560/60"}));
    EXPECT_TRUE(Prefs::boolValue("display.allModes", false));

    // For other displays: no refresh filter, and the widest over every mode, usable or not.
    manager->setShowAllModes(false);
    const auto [options, current] = manager->modeOptions(2);
    EXPECT_EQ(ids(options), (std::vector<std::string>{"2560x1440@5120/120", "2560x1440@5120/60", "1280x720@2560/60"}));
    EXPECT_EQ(current, "2560x1440@5120/60");
}

TEST_F(ModesTest, SortPutsHiDpiBeforeAFasterNonHiDpiModeOfTheSameWidth)
{
    useMonitorModes({mode(2560, 1440, 2560, 120), mode(2560, 1440, 5120, 60)}, 0);
    start();
    manager->setShowAllModes(true);
    EXPECT_EQ(ids(manager->modes()), (std::vector<std::string>{"2560x1440@5120/60", "2560x1440@2560/120"}));
}

TEST_F(ModesTest, Labels)
{
    const std::pair<DisplayModeOption, QString> cases[] = {
        {{"", 1512, 982, 3024, 120}, "1512 × 982 HiDPI · 120 Hz"},
        {{"", 1512, 982, 3024, 0}, "1512 × 982 HiDPI"},
        {{"", 1920, 1080, 1920, 60}, "1920 × 1080 · 60 Hz"},
    };
    for (const auto& [o, label] : cases)
        EXPECT_EQ(o.label(), label);
}

TEST_F(ModesTest, SetModeAppliesAListedModeAndTheDeskFollows)
{
    useMonitorModes({mode(1920, 1080, 3840, 60), mode(3840, 2160, 3840, 30), mode(2560, 1440, 5120, 60)}, 0);
    start();
    // Filtered out of the short list (30 Hz), but still known.
    const auto listed = ids(manager->modes());
    ASSERT_EQ(std::count(listed.begin(), listed.end(), "3840x2160@3840/30"), 0);
    EXPECT_TRUE(manager->setMode("3840x2160@3840/30"));
    EXPECT_EQ(manager->currentModeID(), "3840x2160@3840/30");
    EXPECT_EQ(world().display(2)->mode, 1);
    EXPECT_EQ(platform::displays::bounds(2).size(), QSizeF(3840, 2160));

    EXPECT_FALSE(manager->setMode("9x9@9/9"));
    world().failNextConfiguration();
    EXPECT_FALSE(manager->setMode("2560x1440@5120/60"));
    EXPECT_EQ(manager->currentModeID(), "3840x2160@3840/30");

    // Another display: selected first, then applied.
    EXPECT_FALSE(manager->setMode("2560x1440@5120/60", 1u)); // not one of the panel's modes
    EXPECT_EQ(manager->selectedID(), 1u);
    EXPECT_TRUE(manager->setMode("1512x982@3024/60", 1u));
    EXPECT_EQ(manager->currentModeID(), "1512x982@3024/60");

    EXPECT_TRUE(manager->applyMode("2560x1440@5120/60", 2));
    EXPECT_EQ(world().display(2)->mode, 2);
    EXPECT_FALSE(manager->applyMode("2560x1440@5120/60", 1));
}

TEST_F(ModesTest, NoModesOrNoSelection)
{
    useMonitorModes({mode(1920, 1080, 1920, 60)}, 0);
    world().setModesUnavailable(2, true);
    start();
    EXPECT_TRUE(manager->modes().empty());
    EXPECT_FALSE(manager->setMode("1920x1080@1920/60"));
    EXPECT_FALSE(manager->applyMode("1920x1080@1920/60", 2));

    world().setOnline(1, false);
    world().setOnline(2, false);
    refreshed();
    EXPECT_EQ(manager->selectedID(), 0u);
    EXPECT_TRUE(manager->modes().empty());
}

} // namespace
