#include "platform/sim/AdminPrompt.h"

#include "platform/sim/SystemWindow.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QThread>
#include <QVBoxLayout>

namespace sim::adminprompt {
namespace {

QPointer<QDialog> gOpen;

class Dialog : public QDialog {
public:
    explicit Dialog(const QString& application)
    {
        setWindowTitle(application);
        setObjectName("adminPrompt");
        useSystemAppearance(this);
        auto* layout = new QVBoxLayout(this);
        auto* top = new QHBoxLayout;
        auto* icon = new QLabel(this);
        icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(48, 48));
        top->addWidget(icon, 0, Qt::AlignTop);
        auto* texts = new QVBoxLayout;
        auto* title = new QLabel(systemText("%1 değişiklik yapmak istiyor.").arg(application), this);
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        texts->addWidget(title);
        auto* detail = new QLabel(systemText("Buna izin vermek için yönetici olarak onaylayın."), this);
        detail->setWordWrap(true);
        texts->addWidget(detail);
        top->addLayout(texts, 1);
        layout->addLayout(top);

        auto* buttons = new QDialogButtonBox(this);
        QPushButton* cancel = buttons->addButton(systemText("Vazgeç"), QDialogButtonBox::RejectRole);
        cancel->setObjectName("cancel");
        QPushButton* allow = buttons->addButton(systemText("İzin Ver"), QDialogButtonBox::AcceptRole);
        allow->setObjectName("allow");
        allow->setDefault(true);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        layout->addWidget(buttons);
        // Closing the prompt (its close control, or Escape, which a dialog takes as such) cancels.
        addCloseControl(this);
        followSystemAppearance(this);
        setMinimumWidth(360);
    }
};

} // namespace

bool ask(const QString& application)
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app)
        return false;
    if (QThread::currentThread() != app->thread()) {
        bool allowed = false;
        QMetaObject::invokeMethod(app, [&] { allowed = ask(application); }, Qt::BlockingQueuedConnection);
        return allowed;
    }
    Dialog dialog(application);
    gOpen = &dialog;
    // The system's prompt comes to the front over every application.
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    const bool allowed = dialog.exec() == QDialog::Accepted;
    gOpen = nullptr;
    return allowed;
}

QDialog* current() { return gOpen; }

} // namespace sim::adminprompt
