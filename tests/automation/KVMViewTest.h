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

    // The KVM switch: the monitors leave, or come back, in one reconfiguration that the display
    // list reports after its quiet time.
    void kvm(std::initializer_list<uint32_t> ids, bool online)
    {
        for (uint32_t id : ids)
            world().setOnline(id, online);
        processEvents();
        wait(1.0);
    }

    // The values a monitor was sent for a VCP code, one per write (each request goes out twice).
    static std::vector<int> writesOf(uint32_t id, uint8_t code)
    {
        std::vector<int> out;
        for (const auto& t : world().monitor(id)->transfers())
            if (t.write && t.bytes.size() == 6 && uint8_t(t.bytes[0]) == 0x84 && uint8_t(t.bytes[2]) == code)
                out.push_back(uint8_t(t.bytes[3]) << 8 | uint8_t(t.bytes[4]));
        std::vector<int> writes;
        for (size_t i = 0; i < out.size(); i += 2)
            writes.push_back(out[i]);
        return writes;
    }
    static sim::AudioSystem& sound() { return sim::AudioSystem::shared(); }

    std::unique_ptr<KVMPage> page;
};
