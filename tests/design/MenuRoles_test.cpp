#include "design/Buttons.h"
#include "design/MenuRoles.h"

#include "DesignTest.h"

namespace {

class MenuRolesTest : public DesignTest {};

TEST_F(MenuRolesTest, ADestructiveItemIsWrittenInRedAndTheOthersAreNot)
{
    for (bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        LiveMenu menu([](QMenu& m) {
            addMenuAction(m, "Çoğalt", {});
            m.addSeparator();
            setMenuItemDestructive(addMenuAction(m, "Sil", {}));
        });
        menu.setPalette(Theme::appearancePalette(dark));
        menu.refill();
        ASSERT_EQ(menu.actions().size(), 3);
        QAction* duplicate = menu.actions()[0];
        QAction* remove = menu.actions()[2];
        EXPECT_FALSE(isMenuItemDestructive(duplicate));
        EXPECT_TRUE(isMenuItemDestructive(remove));

        const QImage img = render(&menu, menu.sizeHint(), 2.0);
        const QColor red = systemColor(SystemColor::red, &menu);
        EXPECT_LT(nearest(img, menu.actionGeometry(remove), red), 40);
        EXPECT_GT(nearest(img, menu.actionGeometry(duplicate), red), 120);
    }
}

} // namespace
