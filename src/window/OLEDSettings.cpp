#include "window/OLEDSettings.h"

#include "app/Texts.h"
#include "design/Buttons.h"
#include "design/Controls.h"
#include "design/Paint.h"
#include "design/Symbols.h"
#include "design/TextLine.h"
#include "design/Theme.h"
#include "design/ViewSync.h"
#include "display/OLEDGuard.h"
#include "showcase/ShowcaseAnchor.h"

#include <QHBoxLayout>
#include <QVBoxLayout>
#include <limits>

OLEDSettings::OLEDSettings(OLEDGuard& oled, QWidget* parent) : QWidget(parent), oled_(oled)
{
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(10);

    auto* label = new QHBoxLayout;
    label->setSpacing(6);
    label->addWidget(new SymbolView("rectangle.inset.filled", 13, SymbolWeight::medium));
    label->addWidget(new TextLine(Texts::tr("OLED koruma"), design::bodyFont(QFont::Medium)), 1);
    stack->addLayout(label);
    stack->addWidget(new WrappingText(Texts::tr("Ekranı tamamen siyaha alır; OLED'de siyah pikseller kapalıdır. "
                                                "Fareyi oynatmak ya da bir tuşa basmak geri getirir."),
                                      design::calloutFont()));

    button_ = new GlassButton(Texts::tr("Ekranı şimdi karart"), "rectangle.inset.filled");
    connect(button_, &QPushButton::clicked, this, [this] { oled_.activate(); });
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(button_);
    buttonRow->addStretch(1);
    stack->addLayout(buttonRow);

    auto* idle = new QVBoxLayout;
    idle->setSpacing(6);
    idle->addWidget(new TextLine(Texts::tr("Boşta kalınca otomatik karart"), design::bodyFont()));
    std::vector<SegmentedChoice<int>::Option> options;
    for (int minutes : OLEDGuard::idleChoices)
        options.push_back({minutes, choiceTitle(minutes)});
    idle_ = new SegmentedChoice<int>(std::move(options), oled_.idleMinutes(), QWIDGETSIZE_MAX,
                                     [this](const int& minutes) { oled_.setIdleMinutes(minutes); });
    idle->addWidget(idle_);
    idle->addWidget(new WrappingText(Texts::tr("Video oynarken otomatik karartma yapılmaz."), design::calloutFont()));
    stack->addLayout(idle);

    auto* binding = new ViewSync(this, [this] { idle_->setSelection(oled_.idleMinutes()); });
    binding->follow(&oled_, &OLEDGuard::changed);
    showcaseAnchor(this, QStringLiteral("oled"));
}

QString OLEDSettings::choiceTitle(int minutes)
{
    return minutes == 0 ? Texts::tr("Kapalı") : Texts::tr("%1 dk", minutes);
}
