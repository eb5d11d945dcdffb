#pragma once
// The audio views on the simulated desk: the audio managers, the design fixture's rendering,
// and a view shown at the width of the panel.
#include "AudioTestSupport.h"

#include "design/DesignTest.h"

#include <QLayout>
#include <QWidget>

class AudioViewTest : public AudioDesk<DesignTest> {
protected:
    static constexpr int kPanelWidth = 360;

    // The height the view asks for at a width.
    static int fittingHeight(QWidget& w, int width = kPanelWidth)
    {
        if (w.layout())
            w.layout()->activate();
        return w.hasHeightForWidth() ? w.heightForWidth(width) : w.sizeHint().height();
    }
    // Shows the view at the panel's width and its own height, as the panel would place it.
    static void place(QWidget& w, int width = kPanelWidth)
    {
        w.setAttribute(Qt::WA_DontShowOnScreen);
        w.resize(width, fittingHeight(w, width));
        w.show();
        processEvents();
        w.resize(width, fittingHeight(w, width));
        processEvents();
    }
    // A gallery variant at the panel's width, as tall as the view asks.
    template <class Make>
    static Variant variant(const QString& name, Make make, int width = kPanelWidth)
    {
        std::unique_ptr<QWidget> probe(make());
        probe->setAttribute(Qt::WA_DontShowOnScreen);
        probe->show();
        processEvents();
        return Variant{name, QSize(width, fittingHeight(*probe, width)), [make] { return static_cast<QWidget*>(make()); }};
    }
};
