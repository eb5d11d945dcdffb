#include "window/Router.h"

#include <QSignalSpy>
#include <QStringList>
#include <gtest/gtest.h>

TEST(Router, PagesKeepTheirStoredNamesOrderAndTitles)
{
    const QStringList raw{"overview", "display", "audio", "mouse", "battery", "kvm", "general"};
    const QStringList titles{"Genel Bakış", "Ekran", "Ses", "Fare", "Şarj Kontrolü", "KVM Profili", "Genel"};
    const auto& all = Router::Page::allCases();
    ASSERT_EQ(all.size(), size_t(raw.size()));
    for (size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i].rawValue(), raw[int(i)]);
        EXPECT_EQ(all[i].id(), raw[int(i)]);
        EXPECT_EQ(all[i].title(), titles[int(i)]);
        EXPECT_EQ(Router::Page::fromRawValue(raw[int(i)]), all[i]);
    }
}

TEST(Router, StoredNamesMatchExactly)
{
    EXPECT_EQ(Router::Page::fromRawValue("kvm"), Router::Page::kvm);
    for (const char* name : {"KVM", "", " kvm", "kvm "})
        EXPECT_FALSE(Router::Page::fromRawValue(name).has_value()) << name;
}

TEST(Router, PageChosenBeforeTheWindowOpensIsKeptAndAnnounced)
{
    Router& r = Router::shared();
    QSignalSpy spy(&r, &Router::changed);
    r.setPage(Router::Page::display);
    EXPECT_EQ(&Router::shared(), &r);
    EXPECT_EQ(Router::shared().page(), Router::Page::display);
    EXPECT_EQ(spy.count(), 1);
    r.setPage(Router::Page::overview);
}
