#pragma once
// The kvm page on the default simulated desk, driven the way a person drives it: clicks on the
// rows, boxes, buttons and menu items, keys in the name field.
#include "AutomationTest.h"

#include "automation/KVMPage.h"
#include "automation/ProfileEditor.h"
#include "design/Buttons.h"
#include "design/Controls.h"
#include "design/Spring.h"
#include "design/ViewSync.h"
#include "platform/sim/Monitor.h"
#include "platform/sim/SimAudio.h"

#include <QApplication>
#include <QTest>

class KVMViewTest : public AutomationTest {
protected:
    void SetUp() override
    {
        AutomationTest::SetUp();
        Spring::setAnimationsEnabled(false);
    }
    void TearDown() override
    {
        page.reset();
        processEvents();
        Spring::setAnimationsEnabled(true);
        AutomationTest::TearDown();
    }

    void openPage()
    {
        page = std::make_unique<KVMPage>(*automation, *display, *audio, *battery);
        page->resize(900, 760);
        page->show();
        settle();
    }
    ProfileEditor& editor() const
    {
        EXPECT_NE(page->editor(), nullptr);
        return *page->editor();
    }
    // The stored profile the open editor edits.
    KVMProfile stored() const
    {
        for (const KVMProfile& p : automation->profiles())
            if (p.id == editor().id())
                return p;
        ADD_FAILURE() << "the edited profile is not stored";
        return {};
    }

    // A profile made with "Yeni profil" while the monitor is selected.
    KVMProfile addProfileFor(uint32_t id)
    {
        display->setSelectedID(id);
        settle();
        click(page->newProfileButton());
        EXPECT_EQ(page->selected()->id, automation->profiles().back().id);
        return automation->profiles().back();
    }

    static void click(QWidget* w, std::optional<QPoint> at = std::nullopt)
    {
        ASSERT_TRUE(w->isVisible()) << w->metaObject()->className();
        QTest::mouseClick(w, Qt::LeftButton, {}, at.value_or(w->rect().center()));
        processEvents();
    }
    static void tick(OptionalRow* row)
    {
        ASSERT_NE(row, nullptr);
        click(row->checkBox(), row->checkBox()->boxRect().center().toPoint());
    }
    // Opens the button's menu as a click does and chooses the item with that text.
    static void choose(GlassMenuButton* button, const QString& text)
    {
        ASSERT_TRUE(button->isVisible());
        button->liveMenu()->refill();
        for (QAction* a : button->liveMenu()->actions())
            if (a->text() == menuText(text)) {
                ASSERT_TRUE(a->isEnabled()) << text.toStdString();
                a->trigger();
                processEvents();
                return;
            }
        FAIL() << "no item " << text.toStdString() << " in " << titles(button).join(" | ").toStdString();
    }
    static QStringList titles(GlassMenuButton* button)
    {
        button->liveMenu()->refill();
        QStringList out;
        for (QAction* a : button->liveMenu()->actions())
            if (!a->isSeparator())
                out << a->text().replace("&&", "&");
        return out;
    }

    static sim::AudioSystem& sound() { return sim::AudioSystem::shared(); }

    std::unique_ptr<KVMPage> page;
};
