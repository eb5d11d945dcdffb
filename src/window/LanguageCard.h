#pragma once
// The interface language: system, Turkish or English. A tap stores the choice at once; while
// the choice differs from the language the application runs in, the card offers a restart.
#include "design/SegmentedChoice.h"
#include "window/AppLanguage.h"

#include <QWidget>

class GlassButton;
class WrappingText;

class LanguageCard : public QWidget {
    Q_OBJECT
public:
    explicit LanguageCard(AppLanguage launched, QWidget* parent = nullptr);

    AppLanguage selection() const { return selection_; }
    SegmentedChoice<AppLanguage>* choice() const { return choice_; }
    // Shown while the selection differs from the launched language.
    QWidget* restartRow() const { return restartRow_; }
    GlassButton* restartButton() const { return restart_; }
    // Shown while both are the system's.
    WrappingText* systemNote() const { return systemNote_; }

    // The relaunch; tests replace it.
    std::function<void()> relaunch = [] { AppLanguage::relaunch(); };

private:
    void select(AppLanguage language);
    void sync();

    AppLanguage selection_;
    const AppLanguage launched_;
    SegmentedChoice<AppLanguage>* choice_;
    QWidget* restartRow_;
    GlassButton* restart_;
    WrappingText* systemNote_;
};
