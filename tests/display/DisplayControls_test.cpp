#include "DisplayViewTest.h"

#include "app/Prefs.h"
#include "design/Buttons.h"
#include "design/Rows.h"
#include "design/Sliders.h"
#include "design/Symbols.h"
#include "design/TextLine.h"
#include "display/BrightnessControls.h"
#include "display/MonitorPicker.h"
#include "display/ResolutionSlider.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QAccessible>
#include <QStyle>

namespace {

class DisplayControlsTest : public DisplayViewTest {
protected:
    // The point of the slider's thumb at a value.
    static QPoint pointFor(QSlider* s, int value)
    {
        const int length = s->style()->pixelMetric(QStyle::PM_SliderLength, nullptr, s);
        const int x = QStyle::sliderPositionFromValue(s->minimum(), s->maximum(), value, s->width() - length);
        return {x + length / 2, s->height() / 2};
    }
    // Takes the thumb and drags it to `to`; `release` false leaves it held there.
    static void dragSlider(QSlider* s, int to, bool release = true)
    {
        const QPoint start = pointFor(s, s->value());
        QTest::mousePress(s, Qt::LeftButton, {}, start);
        const QPoint end = pointFor(s, to);
        for (int i = 1; i <= 4; ++i)
            QTest::mouseMove(s, start + (end - start) * i / 4);
        if (release)
            QTest::mouseRelease(s, Qt::LeftButton, {}, end);
    }
    static QString symbolOf(ValueSlider* slider) { return slider->findChild<SymbolView*>()->symbol(); }

    BrightnessControls* brightness(bool showPicker = true)
    {
        auto* b = show(new BrightnessControls(*manager, showPicker), {360, 0});
        idle();
        return b;
    }
};

TEST_F(DisplayControlsTest, MonitorSliderWritesTheMonitorsBrightnessOverDdc)
{
    start();
    auto* b = brightness();
    ASSERT_TRUE(manager->ddcAvailable());
    EXPECT_TRUE(b->targetPicker()->isVisibleTo(b));
    EXPECT_EQ(b->monitorSlider()->title(), "Parlaklık · Monitör");
    clearTransfers();

    dragSlider(b->monitorSlider()->slider(), 850);
    settle();
    EXPECT_NEAR(manager->brightness(), 85, 1);
    ASSERT_FALSE(setsOf(2, 0x10).empty());
    EXPECT_EQ(setsOf(2, 0x10).back(), std::lround(manager->brightness()));
    EXPECT_FALSE(world().transferFormula(2)) << "not dimmed in software";
}

TEST_F(DisplayControlsTest, MonitorSliderDimsInSoftwareWhenTheTargetIsMacOS)
{
    start();
    manager->setBrightnessTarget(DisplayManager::BrightnessTarget::macOS);
    auto* b = brightness();
    EXPECT_EQ(b->monitorSlider()->title(), "Parlaklık · macOS");
    clearTransfers();

    dragSlider(b->monitorSlider()->slider(), 500);
    settle();
    EXPECT_TRUE(setsOf(2, 0x10).empty());
    EXPECT_NEAR(manager->softwareBrightness(), 50, 1);
    ASSERT_TRUE(world().transferFormula(2));
    EXPECT_NEAR((*world().transferFormula(2))[1], manager->softwareBrightness() / 100, 1e-6);
}

TEST_F(DisplayControlsTest, MonitorWithoutDdcGetsNoTargetPickerAndIsDimmedInSoftware)
{
    useDisplays({builtinJson(1), [] {
                     QJsonObject m = monitorJson(2);
                     QJsonObject ddc = m["ddc"].toObject();
                     ddc["faults"] = QJsonArray{"silent"};
                     m["ddc"] = ddc;
                     return m;
                 }()});
    start();
    auto* b = brightness(true);
    EXPECT_FALSE(manager->ddcAvailable());
    EXPECT_FALSE(b->targetPicker()->isVisibleTo(b));
    EXPECT_EQ(b->monitorSlider()->title(), "Parlaklık · macOS");
}

TEST_F(DisplayControlsTest, ChoosingATargetOnlyStoresIt)
{
    start();
    auto* b = brightness();
    const double level = manager->brightness(), dimming = manager->softwareBrightness();
    clearTransfers();
    BrightnessTargetPicker* picker = b->targetPicker();
    QTest::mouseClick(picker, Qt::LeftButton, {}, picker->segmentRect(1).center().toPoint());
    settle();
    EXPECT_EQ(manager->brightnessTarget(), DisplayManager::BrightnessTarget::macOS);
    EXPECT_EQ(Prefs::d().object("display.brightnessTarget").toString(), "macOS");
    EXPECT_EQ(picker->selected(), (std::vector<bool>{false, true}));
    EXPECT_EQ(manager->brightness(), level);
    EXPECT_EQ(manager->softwareBrightness(), dimming);
    EXPECT_TRUE(setsOf(2, 0x10).empty());
    EXPECT_FALSE(world().transferFormula(2));
}

TEST_F(DisplayControlsTest, WhatTheBlockShowsFollowsTheSelectionAndTheBuiltInDisplay)
{
    const struct {
        const char* name;
        QJsonArray displays;
        std::optional<uint32_t> select;
        bool picker, monitor, builtin;
    } cases[] = {
        {"monitor and built-in", {builtinJson(1), monitorJson(2)}, std::nullopt, true, true, true},
        {"built-in selected", {builtinJson(1), monitorJson(2)}, 1u, false, false, true},
        {"nothing selected", {builtinJson(1), monitorJson(2)}, 0u, false, false, true},
        {"no built-in display", {monitorJson(2)}, std::nullopt, true, true, false},
        {"no display", {}, std::nullopt, false, false, false},
    };
    for (const auto& c : cases) {
        useDisplays(c.displays);
        start();
        if (c.select)
            manager->setSelectedID(*c.select);
        settle();
        BrightnessControls b(*manager, true);
        EXPECT_EQ(b.targetPicker()->isVisibleTo(&b), c.picker) << c.name;
        EXPECT_EQ(b.monitorSlider()->isVisibleTo(&b), c.monitor) << c.name;
        EXPECT_EQ(b.builtinSlider()->isVisibleTo(&b), c.builtin) << c.name;
        manager.reset();
    }
}

TEST_F(DisplayControlsTest, SunSymbolDimsBelowForty)
{
    start();
    BrightnessControls b(*manager, false);
    for (const auto& [level, symbol] : {std::pair{39.9, "sun.min.fill"}, {40.0, "sun.max.fill"}, {0.0, "sun.min.fill"}}) {
        manager->setBrightness(level, false);
        b.sync();
        EXPECT_EQ(symbolOf(b.monitorSlider()), symbol) << level;
    }
}

TEST_F(DisplayControlsTest, BuiltInSliderSetsThePanelAndStaysWhereItIsWhenRefused)
{
    start();
    auto* b = brightness();
    QSlider* slider = b->builtinSlider()->slider();

    dragSlider(slider, 800);
    idle();
    EXPECT_NEAR(*manager->builtinBrightness(), 80, 0.5);
    EXPECT_NEAR(*world().builtinBrightness(1), 0.8, 0.005);

    world().removeSymbol("DisplayServicesSetBrightness");
    dragSlider(slider, 300);
    idle();
    EXPECT_NEAR(*manager->builtinBrightness(), 80, 0.5);
    EXPECT_NEAR(*world().builtinBrightness(1), 0.8, 0.005);
    EXPECT_NEAR(slider->value(), 800, 5) << "the slider is back where the display is";

    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Left); // a key step is refused the same way
    idle();
    EXPECT_NEAR(slider->value(), 800, 5);
}

// ---- resolution

DisplayModeOption mode(int width, int pixelWidth, int refresh, int height = 1000)
{
    DisplayModeOption m{QString("%1x%2@%3/%4").arg(width).arg(height).arg(pixelWidth).arg(refresh), width, height,
                        pixelWidth, refresh};
    return m;
}

TEST(ResolutionSliderOrder, RunsTheListBackwardsAndKeepsTies)
{
    const auto a = mode(2560, 5120, 60), b = mode(2560, 2560, 60), c = mode(1920, 3840, 60);
    const auto t1 = mode(1280, 1280, 60, 800), t2 = mode(1280, 1280, 60, 720); // tie but for the height
    const auto d = mode(1280, 1280, 30);
    EXPECT_EQ(ResolutionSlider::sliderModes({a, b, c}), (std::vector<DisplayModeOption>{c, b, a}));
    EXPECT_EQ(ResolutionSlider::sliderModes({a, t1, t2, d}), (std::vector<DisplayModeOption>{d, t1, t2, a}));
}

class ResolutionTest : public DisplayControlsTest {
protected:
    ResolutionSlider* slider()
    {
        auto* r = show(new ResolutionSlider(*manager), {360, 0});
        idle();
        return r;
    }
    int indexOf(const QString& id)
    {
        const auto modes = ResolutionSlider::sliderModes(manager->modes());
        for (size_t i = 0; i < modes.size(); ++i)
            if (modes[i].id == id)
                return int(i);
        return -1;
    }
};

TEST_F(ResolutionTest, ReleasingOnAnotherModeAppliesItOnce)
{
    start();
    auto* r = slider();
    const auto modes = ResolutionSlider::sliderModes(manager->modes());
    ASSERT_GE(modes.size(), 2u);
    const int current = indexOf(*manager->currentModeID());
    ASSERT_EQ(r->slider()->value(), current);
    const int target = current == 0 ? 1 : 0;
    const int transactions = world().completedTransactions();

    dragSlider(r->slider(), target, false);
    EXPECT_EQ(r->modeLabel()->text(), modes[size_t(target)].label()) << "the label previews the mode";
    EXPECT_EQ(world().completedTransactions(), transactions) << "nothing applied while dragging";
    QTest::mouseRelease(r->slider(), Qt::LeftButton, {}, pointFor(r->slider(), target));

    EXPECT_EQ(world().completedTransactions(), transactions + 1);
    EXPECT_EQ(manager->currentModeID(), modes[size_t(target)].id);
    EXPECT_EQ(world().display(2)->modes[size_t(world().display(2)->mode)].width, modes[size_t(target)].width);
    EXPECT_EQ(r->slider()->value(), target);
}

TEST_F(ResolutionTest, ReleasingOnTheModeInForceMakesNoConfiguration)
{
    start();
    auto* r = slider();
    const int current = r->slider()->value();
    const int transactions = world().completedTransactions();
    dragSlider(r->slider(), current == 0 ? 1 : 0, false);
    const QPoint back = pointFor(r->slider(), current);
    QTest::mouseMove(r->slider(), back);
    QTest::mouseRelease(r->slider(), Qt::LeftButton, {}, back);
    EXPECT_EQ(world().completedTransactions(), transactions);
    EXPECT_EQ(r->slider()->value(), current);
}

TEST_F(ResolutionTest, KeyStepAppliesAtOnceAndARefusalPutsTheThumbBack)
{
    start();
    auto* r = slider();
    const auto modes = ResolutionSlider::sliderModes(manager->modes());
    const int current = r->slider()->value();
    const int key = current + 1 < int(modes.size()) ? Qt::Key_Right : Qt::Key_Left;
    const int next = key == Qt::Key_Right ? current + 1 : current - 1;
    r->slider()->setFocus();

    world().failNextConfiguration();
    QTest::keyClick(r->slider(), Qt::Key(key));
    EXPECT_EQ(manager->currentModeID(), modes[size_t(current)].id);
    EXPECT_EQ(r->slider()->value(), current);
    EXPECT_EQ(r->modeLabel()->text(), modes[size_t(current)].label());

    QTest::keyClick(r->slider(), Qt::Key(key));
    EXPECT_EQ(manager->currentModeID(), modes[size_t(next)].id);
    EXPECT_EQ(r->slider()->value(), next);
}

TEST_F(ResolutionTest, AScreenReaderHearsTheModeAndStepsThroughTheModes)
{
    start();
    auto* r = slider();
    const auto modes = ResolutionSlider::sliderModes(manager->modes());
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(r->slider());
    ASSERT_TRUE(face);
    EXPECT_EQ(face->role(), QAccessible::Slider);
    EXPECT_EQ(face->text(QAccessible::Name), "Çözünürlük");
    const int current = r->slider()->value();
    EXPECT_EQ(face->text(QAccessible::Value), modes[size_t(current)].label());

    ASSERT_TRUE(face->actionInterface());
    const bool up = current + 1 < int(modes.size());
    face->actionInterface()->doAction(up ? QAccessibleActionInterface::increaseAction()
                                         : QAccessibleActionInterface::decreaseAction());
    idle();
    const int next = up ? current + 1 : current - 1;
    EXPECT_EQ(manager->currentModeID(), modes[size_t(next)].id) << "a step applies, as a key step does";
    EXPECT_EQ(face->text(QAccessible::Value), modes[size_t(next)].label());
    ASSERT_TRUE(face->valueInterface());
    EXPECT_EQ(face->valueInterface()->currentValue().toInt(), next);
}

TEST_F(ResolutionTest, WheelScrollsThePageAndAHeldGroovePressAppliesOnceOnRelease)
{
    start();
    // In a scrolling page, as on the display page and in the panel.
    QScrollArea area;
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->addSpacing(400);
    auto* r = new ResolutionSlider(*manager);
    column->addWidget(r);
    column->addSpacing(400);
    area.setWidget(page);
    area.setWidgetResizable(true);
    area.resize(360, 300);
    area.show();
    area.verticalScrollBar()->setValue(300);
    idle();
    QSlider* s = r->slider();
    const auto modes = ResolutionSlider::sliderModes(manager->modes());
    ASSERT_GE(modes.size(), 2u);
    const int transactions = world().completedTransactions();

    const int scrolled = area.verticalScrollBar()->value();
    const int towardsOther = s->value() == s->minimum() ? 120 : -120; // a notch that would move the thumb
    const auto notches = [&] {
        for (int notch = 0; notch < 3; ++notch) {
            QWheelEvent wheel(QPointF(pointFor(s, s->value())), QPointF(s->mapToGlobal(pointFor(s, s->value()))), {},
                              {0, towardsOther}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
            QApplication::sendEvent(s, &wheel);
            EXPECT_FALSE(wheel.isAccepted()) << "left to the page under it";
        }
        idle();
    };
    notches();
    EXPECT_EQ(world().completedTransactions(), transactions) << "a wheel over the slider changes no mode";
    EXPECT_EQ(area.verticalScrollBar()->value(), scrolled);

    // A click on the thumb changes nothing and leaves the wheel to the page.
    if (QWidget* focused = QApplication::focusWidget())
        focused->clearFocus();
    QTest::mouseClick(s, Qt::LeftButton, {}, pointFor(s, s->value()));
    idle();
    EXPECT_FALSE(s->hasFocus()) << "a click does not take the keyboard focus";
    notches();
    EXPECT_EQ(world().completedTransactions(), transactions) << "nor after a click";
    // Not even with the keyboard's focus on it.
    area.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&area));
    s->setFocus(Qt::TabFocusReason);
    idle();
    ASSERT_TRUE(s->hasFocus());
    notches();
    EXPECT_EQ(world().completedTransactions(), transactions) << "nor with the focus";
    s->clearFocus();

    // A press on the groove at the far end, held while it repeats its page steps.
    s->setValue(0);
    idle();
    const int start = world().completedTransactions();
    const QPoint groove = pointFor(s, s->maximum());
    QTest::mousePress(s, Qt::LeftButton, {}, groove);
    s->triggerAction(QAbstractSlider::SliderPageStepAdd); // the press's auto-repeat
    s->triggerAction(QAbstractSlider::SliderPageStepAdd);
    idle();
    EXPECT_EQ(world().completedTransactions(), start) << "nothing while the press is held";
    const int shown = s->value();
    EXPECT_GT(shown, 0);
    QTest::mouseRelease(s, Qt::LeftButton, {}, groove);
    idle();
    EXPECT_EQ(world().completedTransactions(), start + 1);
    EXPECT_EQ(manager->currentModeID(), modes[size_t(shown)].id);
}

TEST_F(ResolutionTest, ShowsNothingWithoutAChoiceAndStartsLeftWhenTheModeIsUnknown)
{
    QJsonObject single = monitorJson(2);
    single["modes"] = QJsonArray{QJsonObject{{"width", 1920}, {"height", 1080}}};
    useDisplays({single});
    start();
    {
        ResolutionSlider r(*manager);
        EXPECT_TRUE(r.isEmpty());
        EXPECT_TRUE(r.isHidden());
    }
    manager.reset();

    // The mode in force is not one the list offers (not usable for the desktop).
    QJsonObject odd = monitorJson(2);
    odd["modes"] = QJsonArray{QJsonObject{{"width", 1600}, {"height", 900}, {"usable", false}},
                              QJsonObject{{"width", 1920}, {"height", 1080}, {"pixelWidth", 3840}},
                              QJsonObject{{"width", 2560}, {"height", 1440}, {"pixelWidth", 5120}}};
    odd["mode"] = 0;
    useDisplays({odd});
    start();
    auto* other = slider();
    ASSERT_FALSE(other->isEmpty());
    ASSERT_TRUE(manager->currentModeID());
    EXPECT_EQ(indexOf(*manager->currentModeID()), -1);
    EXPECT_EQ(other->slider()->value(), 0);
    EXPECT_EQ(other->modeLabel()->text(), ResolutionSlider::sliderModes(manager->modes()).front().label());
}

// ---- monitor picker

TEST_F(ResolutionTest, MonitorPickerChoosesTheControlsMonitorAndLinksThemAll)
{
    start();
    auto* m = show(new MonitorPicker(*manager), {360, 0});
    idle();
    ASSERT_FALSE(m->isEmpty());
    const auto& options = m->picker()->options();
    ASSERT_EQ(options.size(), 2u);
    EXPECT_EQ(options[0].value, 2u);
    EXPECT_EQ(options[1].value, 3u);
    EXPECT_EQ(m->picker()->selectedIndex(), 0);

    m->picker()->liveMenu()->refill();
    m->picker()->liveMenu()->actions().at(1)->trigger();
    idle();
    EXPECT_EQ(manager->selectedID(), 3u);
    EXPECT_EQ(m->picker()->selectedIndex(), 1);

    QTest::mouseClick(m->linkRow()->toggle(), Qt::LeftButton);
    EXPECT_TRUE(manager->linkAll());

    world().setOnline(3, false);
    refreshed();
    idle();
    EXPECT_TRUE(m->isEmpty()) << "one monitor left: nothing to choose";
    EXPECT_TRUE(m->isHidden());
}

TEST_F(DisplayControlsTest, Gallery)
{
    start();
    manager->setBrightness(72, false);
    settle();
    const QString path = ViewGallery::writeGallery(
        "display-controls",
        {{"brightness", {360, 150}, [this] { return new BrightnessControls(*manager, true); }},
         {"resolution", {360, 52}, [this] { return new ResolutionSlider(*manager); }},
         {"monitor picker", {360, 84}, [this] { return new MonitorPicker(*manager); }}});
    EXPECT_TRUE(QFile::exists(path));
}

} // namespace
