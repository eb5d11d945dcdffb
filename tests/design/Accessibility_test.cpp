// What assistive technology finds on the controls we draw: role, name, state, value and the
// action, and that the action and the keyboard change what the owner holds.
#include "design/Accessibility.h"
#include "design/Buttons.h"
#include "design/Controls.h"
#include "design/Gauges.h"
#include "design/Rows.h"
#include "design/SegmentedChoice.h"
#include "design/Sliders.h"
#include "design/Tiles.h"

#include "DesignTest.h"

#include <QAccessible>
#include <QTest>

namespace {

class AccessibilityTest : public DesignTest {
protected:
    static QAccessibleInterface* face(QWidget* w)
    {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        EXPECT_TRUE(a);
        return a;
    }
    static QStringList actions(QWidget* w)
    {
        QAccessibleInterface* a = face(w);
        return a && a->actionInterface() ? a->actionInterface()->actionNames() : QStringList();
    }
    static void act(QWidget* w, const QString& action) { face(w)->actionInterface()->doAction(action); }
};

// Switches and check boxes: checkable, their state read from the owner each time, toggled by
// the action and by Space or Return, and a refused change shows as no change.
TEST_F(AccessibilityTest, TogglesAreCheckableAndActOnTheirOwner)
{
    bool on = false;
    bool refuse = false;
    BoolBinding binding{[&] { return on; }, [&](bool v) {
                            if (!refuse)
                                on = v;
                        }};
    Switch sw("Yumuşak kaydırma", binding);
    CheckBox box("Tüm monitörler", binding);
    for (QWidget* w : std::initializer_list<QWidget*>{&sw, &box}) {
        SCOPED_TRACE(w->metaObject()->className());
        on = false;
        refuse = false;
        QAccessibleInterface* a = face(w);
        EXPECT_EQ(a->role(), QAccessible::CheckBox);
        EXPECT_EQ(a->text(QAccessible::Name), w == &sw ? "Yumuşak kaydırma" : "Tüm monitörler");
        EXPECT_TRUE(a->state().checkable);
        EXPECT_FALSE(a->state().checked);
        ASSERT_TRUE(actions(w).contains(QAccessibleActionInterface::toggleAction()));
        act(w, QAccessibleActionInterface::toggleAction());
        EXPECT_TRUE(on);
        EXPECT_TRUE(a->state().checked);
        QTest::keyClick(w, Qt::Key_Space);
        EXPECT_FALSE(on);
        QTest::keyClick(w, Qt::Key_Return);
        EXPECT_TRUE(on);
        refuse = true;
        act(w, QAccessibleActionInterface::toggleAction());
        EXPECT_TRUE(a->state().checked) << "a refused toggle stays as the owner has it";
    }
}

TEST_F(AccessibilityTest, TilesAndIconButtonsAreNamedButtonsThatPress)
{
    int presses = 0;
    ControlTile tile("bolt.fill", "Tam doldur", QString("Şimdi %100"), false, Tint{}, [&] { ++presses; });
    QAccessibleInterface* a = face(&tile);
    EXPECT_EQ(a->role(), QAccessible::Button);
    EXPECT_EQ(a->text(QAccessible::Name), "Tam doldur, Şimdi %100");
    EXPECT_TRUE(a->state().focusable);
    act(&tile, QAccessibleActionInterface::pressAction());
    QTest::keyClick(&tile, Qt::Key_Space);
    QTest::keyClick(&tile, Qt::Key_Enter);
    EXPECT_EQ(presses, 3);
    tile.setEnabled(false);
    QTest::keyClick(&tile, Qt::Key_Return);
    EXPECT_EQ(presses, 3) << "a disabled tile takes no key";

    // A symbol alone says nothing: the button is named by its hover hint.
    GlassButton icon(QString(), "lock.shield", GlassButton::Form::plain);
    icon.setToolTip("Menüde gizle");
    EXPECT_EQ(face(&icon)->text(QAccessible::Name), "Menüde gizle");
    icon.setToolTip("Menüde göster");
    EXPECT_EQ(face(&icon)->text(QAccessible::Name), "Menüde göster");
    GlassButton named(QString(), "eye");
    named.setAccessibleName("Göz");
    named.setToolTip("Menüde göster");
    EXPECT_EQ(face(&named)->text(QAccessible::Name), "Göz") << "the owner's name stays";

    BatteryBar bar(64, 80, SystemColor::green, 8);
    EXPECT_EQ(face(&bar)->role(), QAccessible::ProgressBar);
    EXPECT_EQ(face(&bar)->text(QAccessible::Name), BatteryBar::accessibilityLabel(64, 80));
    BatteryRing ring(64, 80, SystemColor::green, 60, 6);
    ring.setValues(70, 100);
    EXPECT_EQ(face(&ring)->text(QAccessible::Name), BatteryBar::accessibilityLabel(70, 100));
}

// A segmented choice is a group of radio buttons: the selected one checked and the one tab
// stop, a press or an arrow choosing through the owner, the arrows stopping at the ends.
TEST_F(AccessibilityTest, SegmentedChoiceIsAGroupOfRadioButtons)
{
    std::vector<int> chosen;
    std::unique_ptr<SegmentedChoice<int>> owner;
    owner = std::make_unique<SegmentedChoice<int>>(std::vector<SegmentedChoice<int>::Option>{{60, "60"}, {80, "80"}, {100, "Yok"}},
                                                   80, 300, [&](const int& v) {
                                                       chosen.push_back(v);
                                                       owner->setSelection(v);
                                                   });
    SegmentedChoice<int>* choice = owner.get();
    choice->resize(300, choice->sizeHint().height());
    choice->show();
    ASSERT_EQ(face(choice)->childCount(), 3);
    const auto segment = [&](int i) { return face(choice->segment(i)); };
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(segment(i)->role(), QAccessible::RadioButton);
        EXPECT_EQ(segment(i)->text(QAccessible::Name), (QStringList{"60", "80", "Yok"}[i]));
        EXPECT_EQ(segment(i)->state().checked, i == 1);
        EXPECT_EQ(choice->segment(i)->focusPolicy() != Qt::NoFocus, i == 1) << i;
    }
    act(choice->segment(2), QAccessibleActionInterface::pressAction());
    EXPECT_EQ(chosen, std::vector<int>{100});
    EXPECT_TRUE(segment(2)->state().checked);

    choice->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(choice));
    choice->segment(2)->setFocus();
    QTest::keyClick(choice->segment(2), Qt::Key_Right); // already the last
    QTest::keyClick(choice->segment(2), Qt::Key_Left);
    EXPECT_EQ(chosen, (std::vector<int>{100, 80}));
    EXPECT_TRUE(choice->segment(1)->hasFocus()) << "the focus follows the selection";
}

// The three sliders: a value that is the level, the range, writing a value as a drag does,
// and steps of five that stop at the bounds.
TEST_F(AccessibilityTest, SlidersExposeTheLevelAndTakeAValue)
{
    double level = 42.6;
    ValueSlider row("Parlaklık", "sun.max.fill", std::nullopt,
                    DoubleBinding{[&] { return level; }, [&](double v) { level = v; }}, {0, 100}, {});
    QAccessibleInterface* a = face(row.slider());
    ASSERT_TRUE(a->valueInterface());
    EXPECT_EQ(a->role(), QAccessible::Slider);
    EXPECT_EQ(a->text(QAccessible::Name), "Parlaklık");
    EXPECT_EQ(a->text(QAccessible::Value), "%43");
    EXPECT_DOUBLE_EQ(a->valueInterface()->currentValue().toDouble(), 42.6);
    EXPECT_EQ(a->valueInterface()->minimumValue().toDouble(), 0);
    EXPECT_EQ(a->valueInterface()->maximumValue().toDouble(), 100);
    a->valueInterface()->setCurrentValue(25);
    EXPECT_DOUBLE_EQ(level, 25);
    act(row.slider(), QAccessibleActionInterface::increaseAction());
    EXPECT_DOUBLE_EQ(level, 30);
    QTest::keyClick(row.slider(), Qt::Key_Left);
    EXPECT_DOUBLE_EQ(level, 25) << "an arrow moves the level by the same step";

    std::vector<double> changes;
    QWidget field;
    field.setAccessibleName("Ses");
    MiniSlider mini(100, [&](double v) { changes.push_back(v); }, 16, &field);
    QAccessibleInterface* m = face(&mini);
    EXPECT_EQ(m->text(QAccessible::Name), "Ses") << "named by the row that holds it";
    EXPECT_EQ(m->valueInterface()->minimumValue().toDouble(), 0);
    EXPECT_EQ(m->valueInterface()->maximumValue().toDouble(), 100);
    act(&mini, QAccessibleActionInterface::increaseAction());
    act(&mini, QAccessibleActionInterface::decreaseAction());
    m->valueInterface()->setCurrentValue(130);
    EXPECT_EQ(changes, (std::vector<double>{100, 95, 100}));
}

} // namespace
