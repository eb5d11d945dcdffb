#include "platform/sim/SystemWindow.h"

#include "app/Texts.h"
#include "platform/Appearance.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QPainter>

namespace sim {
namespace {

class CloseControl : public QAbstractButton {
public:
    explicit CloseControl(QWidget* parent) : QAbstractButton(parent)
    {
        setObjectName("close");
        setAccessibleName(Texts::tr("Kapat"));
        setFixedSize(14, 14);
        setCursor(Qt::ArrowCursor);
        setFocusPolicy(Qt::NoFocus); // as the title bar's buttons: the pointer's, not the keyboard's
        setAttribute(Qt::WA_Hover);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF dot = QRectF(rect()).adjusted(1, 1, -1, -1);
        QColor fill = systemColor(SystemColor::red, this);
        if (isDown())
            fill = fill.darker(125);
        p.setPen(QPen(fill.darker(115), 0.5));
        p.setBrush(fill);
        p.drawEllipse(dot);
        if (underMouse() || isDown()) {
            // The cross shows while the pointer is over the dot, as on the Mac.
            p.setPen(QPen(QColor(0, 0, 0, 150), 1.2, Qt::SolidLine, Qt::RoundCap));
            const QRectF c = dot.adjusted(3.5, 3.5, -3.5, -3.5);
            p.drawLine(c.topLeft(), c.bottomRight());
            p.drawLine(c.topRight(), c.bottomLeft());
        }
    }
};

} // namespace

void followSystemAppearance(QWidget* window)
{
    platform::appearance::observe(window, [window] { useSystemAppearance(window); });
}

QAbstractButton* addCloseControl(QWidget* window)
{
    auto* control = new CloseControl(window);
    QObject::connect(control, &QAbstractButton::clicked, window, &QWidget::close);
    if (auto* layout = qobject_cast<QBoxLayout*>(window->layout())) {
        auto* row = new QHBoxLayout;
        row->addWidget(control);
        row->addStretch(1);
        layout->insertLayout(0, row);
    }
    return control;
}

} // namespace sim
