// Views are built before they sit in their window, so every colour must come from the window
// they are shown in: on a dark Mac with a red accent, every button label, card-header symbol,
// link and slider of every page, of the profile editor and of the panel (each section open)
// takes the dark palette's colour and the chosen accent.
#include "WindowTest.h"

#include "app/Prefs.h"
#include "automation/KVMPage.h"
#include "automation/ProfileEditor.h"
#include "design/Buttons.h"
#include "design/Card.h"
#include "design/LazySection.h"
#include "design/MoreLink.h"
#include "design/Sliders.h"
#include "design/Symbols.h"
#include "design/TextLine.h"
#include "design/Theme.h"
#include "panel/MenuView.h"

#include <QMenu>
#include <QSlider>

namespace {

class AppearanceTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        Prefs::d().setGlobalObject("AppleInterfaceStyle", QString("Dark"));
        Theme::setSetting(Theme::kAccentKey, QString("red"));
    }

    // What a role is in the dark appearance under the red accent, worked out here on its own.
    static QColor dark(const Tint& tint, const QColor& none)
    {
        const QColor white(255, 255, 255);
        switch (tint.role()) {
        case Tint::Role::none: return none;
        case Tint::Role::primary: return withAlpha(white, tint.resolve(nullptr).alphaF());
        case Tint::Role::secondary: return withAlpha(white, 0.55);
        case Tint::Role::tertiary: return withAlpha(white, 0.25);
        case Tint::Role::accent: return systemColor(SystemColor::red, true);
        case Tint::Role::system: return systemColor(*tint.systemColor(), true);
        case Tint::Role::fixed: return tint.resolve(nullptr);
        }
        return {};
    }

    // Every coloured control below `root`, each checked against the dark red look.
    static int checkTree(QWidget* root, const std::string& where)
    {
        SCOPED_TRACE(where);
        const QColor white(255, 255, 255), red = systemColor(SystemColor::red, true);
        int checked = 0;
        for (GlassButton* b : root->findChildren<GlassButton*>()) {
            if (!b->isVisibleTo(root))
                continue;
            SCOPED_TRACE("button \"" + b->text().toStdString() + "\" " + b->symbol().toStdString());
            EXPECT_TRUE(isDark(b));
            const bool prominent = b->form() == GlassButton::Form::prominent;
            const QColor label = prominent ? white
                                 : b->isDestructive() ? systemColor(SystemColor::red, true)
                                                      : dark(b->tint(), white);
            EXPECT_EQ(b->labelColor(), label);
            if (prominent && !b->isDestructive())
                EXPECT_EQ(b->fillColor(), dark(b->tint(), red));
            ++checked;
        }
        for (CardHeader* h : root->findChildren<CardHeader*>()) {
            if (!h->isVisibleTo(root))
                continue;
            SCOPED_TRACE("header \"" + h->titleLine()->text().toStdString() + "\"");
            EXPECT_EQ(h->icon()->shownColor(), dark(h->icon()->color(), withAlpha(white, 0.55)));
            EXPECT_EQ(h->titleLine()->shownColor(), white);
            ++checked;
        }
        for (MoreLink* l : root->findChildren<MoreLink*>()) {
            SCOPED_TRACE("link \"" + l->title().toStdString() + "\"");
            EXPECT_EQ(l->labelColor(), withAlpha(white, 0.55));
            ++checked;
        }
        for (MiniSlider* s : root->findChildren<MiniSlider*>()) {
            EXPECT_EQ(kvmAccent(s), red) << "mini slider fill";
            ++checked;
        }
        for (QSlider* s : root->findChildren<QSlider*>()) {
            if (!s->isVisibleTo(root))
                continue;
            EXPECT_EQ(s->palette().color(QPalette::Highlight), red) << "slider fill " << s->accessibleName().toStdString();
            EXPECT_TRUE(isDark(s));
            ++checked;
        }
        return checked;
    }
};

TEST_F(AppearanceTest, EveryPageTakesTheDarkPaletteAndTheChosenAccent)
{
    startHub();
    KVMProfile profile;
    profile.id = QUuid::createUuid();
    profile.name = "Masa";
    profile.volume = 40;
    profile.brightness = 70;
    hub->automation.setProfiles({profile});

    MainView& view = openWindow();
    for (Router::Page page : Router::Page::allCases()) {
        Router::shared().setPage(page);
        processEvents();
        if (auto* kvm = qobject_cast<KVMPage*>(view.page())) {
            kvm->select(profile.id);
            processEvents();
            ASSERT_TRUE(kvm->editor()) << "the profile editor is part of the walk";
        }
        // What is built once scrolled to is part of the walk too.
        for (LazySection* lazy : view.page()->findChildren<LazySection*>())
            lazy->build();
        processEvents();
        EXPECT_GT(checkTree(&view, page.rawValue().toStdString()), 3);
    }
}

TEST_F(AppearanceTest, ThePanelWithEachSectionOpen)
{
    startHub();
    for (auto section : {MenuView::Section::display, MenuView::Section::audio, MenuView::Section::battery}) {
        MenuView panel(hub->display, hub->audio, hub->appAudio, hub->scroll, hub->battery, hub->input,
                       hub->automation);
        panel.toggle(section);
        panel.show();
        processEvents();
        EXPECT_GT(checkTree(&panel, "section " + std::to_string(int(section))), 3);
    }
}

TEST_F(AppearanceTest, MenusTakeTheirWindowsAppearanceWhenTheyOpen)
{
    startHub();
    Router::shared().setPage(Router::Page::audio);
    MainView& view = openWindow();
    int opened = 0;
    for (GlassMenuButton* b : view.findChildren<GlassMenuButton*>()) {
        if (!b->isVisibleTo(&view))
            continue;
        b->openMenu();
        processEvents();
        for (QMenu* menu : view.findChildren<QMenu*>()) {
            if (!menu->isVisible())
                continue;
            EXPECT_TRUE(isDark(menu)) << "menu of " << b->text().toStdString();
            EXPECT_EQ(menu->palette().color(QPalette::Highlight), systemColor(SystemColor::red, true));
            menu->close();
            ++opened;
        }
    }
    EXPECT_GT(opened, 0);
}

} // namespace
