#pragma once
// The general page's updates card: the automatic-check switch, the installed version and the
// check button, which is off while a check cannot start.
#include <QWidget>

class QPushButton;
class SwitchRow;
class TextLine;
class Updater;

class UpdatesCard : public QWidget {
    Q_OBJECT
public:
    explicit UpdatesCard(Updater& updater, QWidget* parent = nullptr);

    SwitchRow* automaticRow() const { return switch_; }
    TextLine* versionLine() const { return version_; }
    QPushButton* checkButton() const { return button_; }

    static QString versionText();

private:
    void sync();

    Updater& updater_;
    SwitchRow* switch_;
    TextLine* version_;
    QPushButton* button_;
};
