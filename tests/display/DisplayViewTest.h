#pragma once
// The display views on a simulated desk: a DisplayManager started on it, animations off, views
// shown off screen and driven with Qt's test functions.
#include "design/DesignTest.h"
#include "design/Spring.h"
#include "display/DisplayTest.h"
#include "display/Wallpaper.h"

#include <QTest>
#include <QThreadPool>
#include <memory>

class DisplayViewTest : public DisplayTest {
protected:
    void SetUp() override
    {
        DisplayTest::SetUp();
        Spring::setAnimationsEnabled(false);
    }
    void TearDown() override
    {
        views_.clear();
        Wallpaper::decoder().waitForDone();
        processEvents();
        Spring::setAnimationsEnabled(true);
        DisplayTest::TearDown();
    }

    // Shows the view off screen at `size` (height from the view when 0) and lets it sync.
    template <class View>
    View* show(View* view, QSize size)
    {
        views_.emplace_back(view);
        view->setAttribute(Qt::WA_DontShowOnScreen);
        if (size.height() == 0)
            size.setHeight(view->hasHeightForWidth() ? view->heightForWidth(size.width()) : view->sizeHint().height());
        view->resize(size);
        view->show();
        processEvents();
        return view;
    }
    // Lets every view follow what changed: the managers' syncs and the decoded pictures.
    void idle()
    {
        settle();
        Wallpaper::decoder().waitForDone();
        processEvents();
    }

    // A press, moves and a release, as a person drags.
    static void drag(QWidget* w, QPointF from, QPointF by, int steps = 5)
    {
        QTest::mousePress(w, Qt::LeftButton, {}, from.toPoint());
        for (int i = 1; i <= steps; ++i)
            QTest::mouseMove(w, (from + by * (double(i) / steps)).toPoint());
        QTest::mouseRelease(w, Qt::LeftButton, {}, (from + by).toPoint());
    }

private:
    std::vector<std::unique_ptr<QWidget>> views_;
};

// The design tests' rendering, for the display views' galleries.
struct ViewGallery : DesignTest {
    using DesignTest::render;
    using DesignTest::Variant;
    using DesignTest::outputDir;
    using DesignTest::writeGallery;
};
