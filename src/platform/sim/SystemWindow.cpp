#include "platform/sim/SystemWindow.h"

#include "platform/Appearance.h"
#include "platform/UserDefaults.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QHash>
#include <QStringList>
#include <QPainter>

namespace sim {
namespace {

class CloseControl : public QAbstractButton {
public:
    explicit CloseControl(QWidget* parent) : QAbstractButton(parent)
    {
        setObjectName("close");
        setAccessibleName(systemText("Kapat"));
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
        QColor fill = systemIsDark() ? QColor(255, 69, 58) : QColor(255, 59, 48); // the system red
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

// English for every text the simulated system's windows show.
const QHash<QString, QString>& english()
{
    static const QHash<QString, QString> table{
        {"Kapat", "Close"},
        {"Vazgeç", "Cancel"},
        {"İzin Ver", "Allow"},
        {"Tamam", "OK"},
        {"%1 değişiklik yapmak istiyor.", "%1 wants to make changes."},
        {"Buna izin vermek için yönetici olarak onaylayın.", "Confirm as an administrator to allow this."},
        {"Gizlilik ve Güvenlik", "Privacy & Security"},
        {"Erişilebilirlik", "Accessibility"},
        {"Aşağıdaki uygulamaların bilgisayarınızı denetlemesine izin verin.",
         "Allow the applications below to control your computer."},
        {"Yazılım Güncelleme", "Software Update"},
        {"Yeni bir sürüm var: %1.", "A new version is available: %1."},
        {"Daha Sonra Hatırlat", "Remind Me Later"},
        {"Güncellemeler denetleniyor…", "Checking for updates…"},
        {"Güncelleme hatası! Güncelleme bilgileri alınırken bir hata oluştu.",
         "Update error! An error occurred while retrieving update information."},
        {"Güncelsiniz! Bu, şu anki en yeni sürüm.", "You're up to date! This is the newest version available."},
    };
    return table;
}

} // namespace

bool systemSpeaksEnglish()
{
    for (const QString& language : platform::UserDefaults::standard().object("AppleLanguages").toStringList()) {
        if (language.startsWith("en"))
            return true;
        if (language.startsWith("tr"))
            return false;
    }
    return false;
}

QString systemText(const char* turkish)
{
    const QString source = QString::fromUtf8(turkish);
    return systemSpeaksEnglish() ? english().value(source, source) : source;
}

bool systemIsDark()
{
    return platform::UserDefaults::standard().object("AppleInterfaceStyle").toString() == "Dark";
}

QPalette systemPalette(bool dark)
{
    QPalette p;
    const QColor window = dark ? QColor(30, 30, 32) : QColor(236, 236, 238);
    const QColor base = dark ? QColor(40, 40, 42) : QColor(255, 255, 255);
    const QColor text = dark ? QColor(255, 255, 255) : QColor(0, 0, 0);
    QColor placeholder = text;
    placeholder.setAlphaF(0.25);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Window, window);
        p.setColor(group, QPalette::Base, base);
        p.setColor(group, QPalette::AlternateBase, window);
        p.setColor(group, QPalette::Button, dark ? QColor(58, 58, 60) : QColor(250, 250, 250));
        p.setColor(group, QPalette::WindowText, text);
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::ButtonText, text);
        p.setColor(group, QPalette::BrightText, Qt::white);
        p.setColor(group, QPalette::Highlight, dark ? QColor(10, 132, 255) : QColor(0, 122, 255));
        p.setColor(group, QPalette::HighlightedText, Qt::white);
        p.setColor(group, QPalette::PlaceholderText, placeholder);
    }
    return p;
}

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
