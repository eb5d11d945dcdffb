// The staging on the simulated session: fitting a window to its page, finding the page's
// scroll area, and the two stagings from their first step to the info file.
#include "showcase/Showcase.h"

#include "app/Notifications.h"
#include "platform/DisplayServices.h"
#include "platform/Windowing.h"
#include "platform/sim/EventSystem.h"
#include "platform/sim/Mac.h"
#include "platform/sim/Session.h"
#include "support/SimTest.h"
#include "window/Router.h"

#include <QEvent>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

// A document that is always `extra` taller than whatever shows it: no window size fits it.
class Ungrowable : public QWidget {
public:
    Ungrowable(QScrollArea* area, int extra) : area_(area), extra_(extra) {}
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int) const override { return area_->viewport()->height() + extra_; }

private:
    QScrollArea* area_;
    int extra_;
};

struct ResizeCounter : QObject {
    explicit ResizeCounter(QWidget* w) { w->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override
    {
        count += e->type() == QEvent::Resize;
        return false;
    }
    int count = 0;
};

// A window whose whole content is one scroll area over a document.
struct PageWindow {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QScrollArea* area = new QScrollArea;

    void setDocumentHeight(int height)
    {
        auto* document = new QWidget;
        auto* column = new QVBoxLayout(document);
        column->setContentsMargins(0, 0, 0, 0);
        auto* block = new QWidget;
        block->setFixedHeight(height);
        column->addWidget(block);
        area->setWidget(document);
    }
    void show(const QRect& geometry)
    {
        auto* layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        area->setWidgetResizable(true);
        area->setFrameShape(QFrame::NoFrame);
        area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        layout->addWidget(area);
        window->setGeometry(geometry);
        window->show();
    }
};

const QRectF kVisible(0, 0, 1512, 958); // the default desk's main screen below its menu bar

class ShowcaseStage : public SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        info = root() + "/info.json";
        Showcase::setEnabledForTesting(true);
    }
    void TearDown() override
    {
        QObject::disconnect(observer);
        windows.clear();
        Showcase::setVariablesForTesting({});
        SimTest::TearDown();
    }
    // Stands in for the application's observer of the open-main-window notification.
    void openWindowsLike(std::function<QWidget*()> make)
    {
        observer = QObject::connect(&Notifications::shared(), &Notifications::posted, [this, make](const QString& name) {
            if (name == QLatin1String(Notifications::kOpenMainWindow))
                windows.emplace_back(make());
        });
    }
    QJsonObject readInfo() const
    {
        QFile f(info);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(f.readAll()).object();
    }
    static QRectF globalFrame(const QWidget* w) { return platform::windowing::globalFrame(QRectF(w->frameGeometry())); }
    // Lets the staging run its delays one by one, laying out between them.
    void settle(double seconds)
    {
        for (double t = 0; t < seconds; t += 0.1)
            advance(0.1);
    }

    QString info;
    QMetaObject::Connection observer;
    std::vector<std::unique_ptr<QWidget>> windows;
};

TEST_F(ShowcaseStage, FitGrowsOrShrinksTheWindowToItsPageAndStopsWithinHalfAPoint)
{
    for (const int documentHeight : {1500, 300}) {
        PageWindow page;
        page.setDocumentHeight(documentHeight);
        page.show(QRect(40, 100, 900, 700));
        processEvents();
        ResizeCounter resizes(page.window.get());
        bool done = false;
        Showcase::fitToContent(page.window.get(), kVisible, 6, [&] { done = true; });
        settle(3.5);
        ASSERT_TRUE(done) << documentHeight;
        EXPECT_NEAR(page.area->viewport()->height(), documentHeight, 0.5) << documentHeight;
        EXPECT_EQ(page.window->width(), 900) << "the width is kept";
        EXPECT_EQ(globalFrame(page.window.get()), Showcase::placedFrame(kVisible, page.window->frameGeometry().size()))
            << "placed by the staging's rule at every pass";
        EXPECT_EQ(resizes.count, 1) << "one pass resizes, the next finds it fitting";
    }
}

TEST_F(ShowcaseStage, FitGivesUpAfterSixPassesWhenNothingFits)
{
    PageWindow page;
    page.area->setWidget(new Ungrowable(page.area, 100));
    page.show(QRect(40, 100, 900, 300));
    processEvents();
    int finished = 0;
    Showcase::fitToContent(page.window.get(), kVisible, 6, [&] { ++finished; });
    settle(4);
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(page.window->height(), 300 + 6 * 100) << "six resizes of 100, then done";

    // No pass, or no page to fit: done at once, nothing resized.
    const int height = page.window->height();
    Showcase::fitToContent(page.window.get(), kVisible, 0, [&] { ++finished; });
    QWidget bare;
    Showcase::fitToContent(&bare, kVisible, 6, [&] { ++finished; });
    EXPECT_EQ(finished, 3);
    EXPECT_EQ(page.window->height(), height);
}

TEST_F(ShowcaseStage, ThePageIsTheTallestScrollAreaThatIsNotAList)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* list = new QListWidget;
    for (int i = 0; i < 200; ++i)
        list->addItem(QString::number(i));
    auto makeArea = [](int height) {
        auto* area = new QScrollArea;
        auto* document = new QWidget;
        document->setMinimumHeight(height);
        auto* column = new QVBoxLayout(document);
        column->addSpacing(height);
        area->setWidget(document);
        return area;
    };
    QScrollArea* small = makeArea(300);
    QScrollArea* tall = makeArea(700);
    QScrollArea* tie = makeArea(700);
    layout->addWidget(list);
    layout->addWidget(small);
    layout->addWidget(tall);
    layout->addWidget(tie);
    window.resize(400, 400);
    EXPECT_EQ(Showcase::pageScrollView(&window), tall) << "the earlier of two equal ones";
    EXPECT_EQ(Showcase::pageScrollView(nullptr), nullptr);
}

TEST_F(ShowcaseStage, MainWindowRunFramesTheWindowAtItsSizeMovesThePointerAndWritesTheInfo)
{
    struct Case {
        std::optional<QString> page;
        std::optional<QString> size;
        Router::Page shown;
        QSizeF frame;
        double pointerX; // beside the window, or 4 pt from the screen's left when there is no room
    };
    const Case cases[] = {
        {QString("battery"), QString("1280x800"), Router::Page::battery, {1280, 800}, 40 + 1280 + 40},
        {QString("Battery"), QString("wide"), Router::Page::overview, {1440, 900}, 4}, // names are exact
        {std::nullopt, std::nullopt, Router::Page::overview, {1440, 900}, 4},
    };
    openWindowsLike([] {
        auto* w = new QWidget;
        w->setObjectName("main");
        w->resize(600, 400);
        w->show();
        return w;
    });
    for (const Case& c : cases) {
        Router::shared().setPage(Router::Page::kvm);
        Showcase::setVariablesForTesting({{"PELORN_SHOWCASE_PAGE", c.page},
                                          {"PELORN_SHOWCASE_SIZE", c.size},
                                          {"PELORN_SHOWCASE_INFO", info}});
        QFile::remove(info);
        // The pointer rests where the window will be: it is moved beside it.
        sim::Mac::shared().displays().setPointer({700, 500});
        Showcase::openMainWindow();
        EXPECT_EQ(Router::shared().page(), c.shown);
        ASSERT_EQ(windows.size(), 1u) << "the window is opened through the notification";
        QWidget* window = windows.back().get();
        settle(0.5);
        EXPECT_EQ(Showcase::mainWindow(), window);
        const QRectF frame = globalFrame(window);
        EXPECT_EQ(frame, Showcase::placedFrame(kVisible, c.frame));
        EXPECT_EQ(platform::screens::mouseLocation(), QPointF(c.pointerX, 491));
        EXPECT_FALSE(QFile::exists(info)) << "the info waits for the scene to settle";
        settle(2.1);
        const QJsonObject written = readInfo();
        EXPECT_EQ(written["page"].toString(), c.shown.rawValue());
        EXPECT_EQ(written["main"].toInteger(), qint64(window->winId()));
        EXPECT_FALSE(written.contains("panel"));
        EXPECT_FALSE(written.contains("backdrop"));
        EXPECT_TRUE(written["active"].toBool());
        bool listed = false;
        for (const QJsonValue& v : written["windows"].toArray())
            if (v["id"].toInteger() == qint64(window->winId())) {
                listed = true;
                EXPECT_EQ(v["identifier"].toString(), "main");
                const QJsonArray r = v["frame"].toArray();
                EXPECT_EQ(QRectF(r[0].toDouble(), r[1].toDouble(), r[2].toDouble(), r[3].toDouble()), frame);
            }
        EXPECT_TRUE(listed);
        windows.clear();
    }
}

TEST_F(ShowcaseStage, WithoutAMainWindowTheStagingEndsWithoutInfo)
{
    Showcase::setVariablesForTesting({{"PELORN_SHOWCASE_INFO", info}});
    Showcase::openMainWindow(); // nobody opens it
    settle(4);
    EXPECT_FALSE(QFile::exists(info));
}

class ShowcasePanel : public ShowcaseStage {
protected:
    void SetUp() override
    {
        ShowcaseStage::SetUp();
        Showcase::setVariablesForTesting({{"PELORN_SHOWCASE_INFO", info}});
        sim::EventSystem::shared().setTrusted(true);
    }
    // The status item in the menu bar's right end; a click on it drops a 360-wide panel.
    void listStatusItem()
    {
        platform::windowing::setStatusItem({[] { return std::optional<QRectF>(QRectF(1480, 1, 22, 22)); },
                                            [this] {
                                                ++clicks;
                                                auto* panel = new QWidget(nullptr, Qt::FramelessWindowHint);
                                                panel->setGeometry(1140, 30, 360, 450);
                                                panel->show();
                                                windows.emplace_back(panel);
                                            }});
    }
    int clicks = 0;
};

TEST_F(ShowcasePanel, AClickOnItsOwnIconOpensThePanelWhichTheInfoNames)
{
    listStatusItem();
    // A window of another width is not taken for the panel.
    auto* other = new QWidget;
    other->setGeometry(100, 100, 500, 300);
    other->show();
    windows.emplace_back(other);
    const QPointF before(1300, 700); // over where the panel will drop
    sim::Mac::shared().displays().setPointer(before);

    Showcase::openPanel();
    EXPECT_EQ(clicks, 1);
    const auto events = sim::Session::shared().mouseEvents();
    ASSERT_EQ(events.size(), 3u) << "moved, down, up";
    EXPECT_EQ(events[1].point, platform::windowing::globalFrame(QRectF(1480, 1, 22, 22)).center());
    EXPECT_EQ(platform::screens::mouseLocation(), before) << "the pointer goes back after the click";

    settle(0.9);
    ASSERT_EQ(Showcase::panelWindow(), windows.back().get());
    EXPECT_EQ(platform::screens::mouseLocation(), QPointF(1140 - 40, 491)) << "no room on the right: left of it";
    settle(2.1);
    const QJsonObject written = readInfo();
    EXPECT_EQ(written["panel"].toInteger(), qint64(windows.back()->winId()));
    EXPECT_FALSE(written.contains("main"));
    QStringList classes;
    for (const QJsonValue& v : written["windows"].toArray())
        classes << v["class"].toString();
    EXPECT_TRUE(classes.contains("StatusBarWindow")) << classes.join(',').toStdString();
}

TEST_F(ShowcasePanel, WithoutPermissionToPostTheClickThePanelIsMissingFromTheInfo)
{
    listStatusItem();
    sim::EventSystem::shared().setTrusted(false);
    Showcase::openPanel();
    settle(3.0);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(Showcase::panelWindow(), nullptr);
    const QJsonObject written = readInfo();
    ASSERT_FALSE(written.isEmpty()) << "the staging still reaches its end";
    EXPECT_FALSE(written.contains("panel"));
}

TEST_F(ShowcasePanel, WithoutAStatusItemTheRunStopsAfterActivating)
{
    Showcase::openPanel();
    settle(4);
    EXPECT_FALSE(QFile::exists(info));
    EXPECT_TRUE(sim::Session::shared().mouseEvents().empty());
    EXPECT_FALSE(sim::Session::shared().activations().empty());
}

} // namespace
