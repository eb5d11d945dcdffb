#include "window/LanguageCard.h"

#include "app/Texts.h"
#include "design/Buttons.h"
#include "design/Card.h"
#include "design/Controls.h"
#include "design/Paint.h"
#include "design/Theme.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

std::vector<SegmentedChoice<AppLanguage>::Option> options()
{
    // The languages' own names are shown as they are, in every interface language.
    return {{AppLanguage::system, Texts::tr("Sistem")},
            {AppLanguage::tr, QStringLiteral("Türkçe")},
            {AppLanguage::en, QStringLiteral("English")}};
}

} // namespace

LanguageCard::LanguageCard(AppLanguage launched, QWidget* parent)
    : QWidget(parent), selection_(AppLanguage::current()), launched_(launched)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* card = new Card(14);
    outer->addWidget(card);
    card->addWidget(new CardHeader(Texts::tr("Dil"), "globe"));
    choice_ = new SegmentedChoice<AppLanguage>(options(), selection_, 300, [this](const AppLanguage& l) { select(l); });
    card->addWidget(choice_);

    restartRow_ = new QWidget;
    auto* row = new QHBoxLayout(restartRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new WrappingText(Texts::tr("Yeni dil, uygulama yeniden başlayınca geçerli olur."), design::calloutFont()), 1);
    row->addSpacing(8);
    restart_ = new GlassButton(Texts::tr("Yeniden başlat"), QString(), GlassButton::Form::prominent);
    connect(restart_, &QPushButton::clicked, this, [this] {
        if (relaunch)
            relaunch();
    });
    row->addWidget(restart_);
    card->addWidget(restartRow_);

    systemNote_ = new WrappingText(Texts::tr("Sistem: macOS dil tercihlerini izler."), design::calloutFont());
    card->addWidget(systemNote_);
    sync();
}

void LanguageCard::select(AppLanguage language)
{
    selection_ = language;
    language.apply();
    choice_->setSelection(selection_);
    sync();
}

void LanguageCard::sync()
{
    restartRow_->setVisible(selection_ != launched_);
    systemNote_->setVisible(selection_ == launched_ && selection_ == AppLanguage::system);
}
