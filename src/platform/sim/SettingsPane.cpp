#include "platform/sim/SettingsPane.h"

#include "platform/sim/SystemWindow.h"
#include "platform/Events.h"
#include "platform/SystemSettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QThread>
#include <QVBoxLayout>
#include <QWidget>

namespace sim::settingspane {
namespace {

// The style outlines a check box in a shade of the window colour, which all but vanishes on a
// dark window: the outline is drawn from a colour between the window and the text instead.
class Switch : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        const QColor window = option.palette.color(QPalette::Window);
        if (window.lightness() < 128) {
            const QColor text = option.palette.color(QPalette::WindowText);
            const auto mix = [](int a, int b) { return a + (b - a) * 7 / 10; };
            option.palette.setColor(QPalette::Window, QColor(mix(window.red(), text.red()),
                                                             mix(window.green(), text.green()),
                                                             mix(window.blue(), text.blue())));
        }
        painter.drawControl(QStyle::CE_CheckBox, option);
    }
};

class Pane : public QWidget {
public:
    Pane()
    {
        setObjectName("systemSettings");
        useSystemAppearance(this);
        setWindowTitle(systemText("Gizlilik ve Güvenlik"));
        setAttribute(Qt::WA_DeleteOnClose);
        auto* layout = new QVBoxLayout(this);
        auto* heading = new QLabel(systemText("Erişilebilirlik"), this);
        QFont font = heading->font();
        font.setBold(true);
        font.setPointSizeF(font.pointSizeF() * 1.3);
        heading->setFont(font);
        layout->addWidget(heading);
        auto* detail = new QLabel(systemText("Aşağıdaki uygulamaların bilgisayarınızı denetlemesine izin verin."), this);
        detail->setWordWrap(true);
        layout->addWidget(detail);
        // The application's row in the list, its switch at the trailing edge.
        auto* row = new QFrame(this);
        row->setFrameShape(QFrame::StyledPanel);
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->addWidget(new QLabel(QStringLiteral("Pelorn"), row), 1);
        toggle_ = new Switch(row);
        toggle_->setObjectName("inputAccess");
        toggle_->setAccessibleName(QStringLiteral("Pelorn"));
        rowLayout->addWidget(toggle_);
        layout->addWidget(row);
        layout->addStretch(1);
        connect(toggle_, &QCheckBox::toggled, this, [](bool on) { sim::systemsettings::setInputAccess(on); });
        addCloseControl(this);
        // Closed from the keyboard as a settings window is: Escape, and Cmd-W (Qt's Ctrl, on a Mac).
        for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::Key_Escape)})
            connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);
        followSystemAppearance(this);
        resize(420, 180);
        refresh();
    }

    QCheckBox* toggle() const { return toggle_; }

    void refresh()
    {
        const QSignalBlocker quiet(toggle_);
        toggle_->setChecked(platform::accessibility::isProcessTrusted(false));
    }

protected:
    void changeEvent(QEvent* event) override
    {
        if (event->type() == QEvent::ActivationChange && isActiveWindow())
            refresh();
        QWidget::changeEvent(event);
    }

private:
    QCheckBox* toggle_ = nullptr;
};

QPointer<Pane> gPane;

bool onMainThread()
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return app && QThread::currentThread() == app->thread();
}

} // namespace

void show(const QString& url)
{
    if (!url.contains(QLatin1String("Privacy_Accessibility")) || !onMainThread())
        return;
    if (!gPane) {
        gPane = new Pane;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            gPane->move(screen->availableGeometry().center() - gPane->rect().center());
    }
    gPane->refresh();
    gPane->show();
    gPane->raise();
    gPane->activateWindow();
}

QWidget* window() { return gPane; }

QCheckBox* inputSwitch() { return gPane ? gPane->toggle() : nullptr; }

void sync()
{
    if (gPane && onMainThread())
        gPane->refresh();
}

void close()
{
    if (gPane)
        delete gPane.data();
}

} // namespace sim::settingspane
