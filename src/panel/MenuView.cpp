#include "panel/MenuView.h"

#include "app/Prefs.h"
#include "audio/AppAudioManager.h"
#include "audio/AudioManager.h"
#include "battery/BatteryManager.h"
#include "design/Glass.h"
#include "design/Shapes.h"
#include "display/DisplayManager.h"

#include <QMetaObject>
#include <QPainter>
#include <QPointer>

MenuView::MenuView(DisplayManager& display, AudioManager& audio, AppAudioManager& appAudio, ScrollManager& scroll,
                   BatteryManager& battery, InputTap& input, AutomationManager& automation, QWidget* parent)
    : QWidget(parent),
      display_(display),
      audio_(audio),
      appAudio_(appAudio),
      scroll_(scroll),
      battery_(battery),
      input_(input),
      automation_(automation)
{
    resize(kWidth, kInitialContentHeight);
    const QVariant section = Prefs::d().object("ui.panelSection");
    panelSection_ = section.typeId() == QMetaType::QString ? section.toString() : QString();
}

void MenuView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    QPointer<MenuView> self(this);
    QMetaObject::invokeMethod(
        this,
        [self] {
            if (!self)
                return;
            self->display_.reload();
            self->audio_.refresh();
            self->battery_.refresh();
            self->appAudio_.refresh();
        },
        Qt::QueuedConnection);
}

void MenuView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const KVMGlass glass = kvmGlass(continuousRoundedRect(QRectF(rect()), 16), std::nullopt, false);
    glass.paintBackground(p, this);
    glass.paintOverlay(p, this);
}
