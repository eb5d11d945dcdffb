#include "platform/sim/Updates.h"

#include "platform/sim/SystemWindow.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/Updater.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QPointer>
#include <QVBoxLayout>
#include <QVersionNumber>
#include <vector>

namespace sim {

Updates& Updates::shared()
{
    static Updates u;
    return u;
}

void Updates::reset()
{
    delete window_;
    window_ = nullptr;
    texts_.clear();
    userChecks_ = scheduledChecks_ = reminders_ = 0;
    info_.clear();
}

std::optional<std::pair<QString, QString>> Updates::feedItem()
{
    QFile f(sim::Updates::feedPath());
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll());
    if (doc.object().value("unreachable").toBool())
        return std::nullopt;
    const QJsonArray items = doc.object().value("items").toArray();
    if (items.isEmpty())
        return std::nullopt;
    std::optional<std::pair<QString, QString>> best;
    for (const auto& v : items) {
        const QJsonObject o = v.toObject();
        const QString version = o.value("version").toString();
        if (version.isEmpty())
            continue;
        if (!best || QVersionNumber::fromString(version) > QVersionNumber::fromString(best->first))
            best = std::make_pair(version, o.value("shortVersionString").toString(version));
    }
    return best;
}

QString Updates::feedPath() { return platform::paths::simRoot() + "/Library/Updates/appcast.json"; }

void Updates::writeFeed(const QString& version, const QString& shortVersion)
{
    QDir().mkpath(QFileInfo(feedPath()).path());
    QFile f(feedPath());
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    const QJsonObject item{{"version", version}, {"shortVersionString", shortVersion}};
    f.write(QJsonDocument(QJsonObject{{"items", QJsonArray{item}}}).toJson());
}

void Updates::publishInstalledVersion(bool replace)
{
    if (replace || !QFile::exists(feedPath()))
        writeFeed(info("CFBundleVersion").value_or("1"), info("CFBundleShortVersionString").value_or("1.0"));
}

void Updates::makeFeedUnreachable()
{
    QFile f(feedPath());
    QJsonObject feed = f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).object() : QJsonObject();
    f.close();
    feed["unreachable"] = true;
    QDir().mkpath(QFileInfo(feedPath()).path());
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(QJsonDocument(feed).toJson());
}

void Updates::setInfo(const QString& key, std::optional<QString> value) { info_[key] = std::move(value); }

std::optional<QString> Updates::info(const QString& key) const
{
    if (const auto it = info_.find(key); it != info_.end())
        return it->second;
    if (key == "CFBundleShortVersionString")
        return QStringLiteral("1.0");
    if (key == "CFBundleVersion")
        return QStringLiteral("1");
    return std::nullopt;
}

void Updates::showWindow(const QString& text, const QString& button)
{
    texts_ << text;
    if (!window_) {
        window_ = new QDialog;
        window_->setObjectName("softwareUpdate");
        useSystemAppearance(window_);
        window_->setMinimumWidth(360);
        auto* layout = new QVBoxLayout(window_);
        auto* label = new QLabel(window_);
        label->setWordWrap(true);
        layout->addWidget(label);
        auto* buttons = new QDialogButtonBox(window_);
        auto* close = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
        close->setDefault(true);
        QObject::connect(buttons, &QDialogButtonBox::accepted, window_, &QDialog::accept);
        layout->addWidget(buttons);
        // The button, Escape and the title bar's close all end in finished(); dismiss() itself
        // only hides, so a dismissal never runs twice.
        QObject::connect(window_, &QDialog::finished, window_, [this] { dismiss(); });
    }
    window_->setWindowTitle(sim::systemText("Yazılım Güncelleme"));
    window_->findChild<QLabel*>()->setText(text);
    window_->findChild<QPushButton*>()->setText(button);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void Updates::dismiss()
{
    if (window_)
        window_->hide();
    if (onDismiss)
        onDismiss();
}

} // namespace sim

namespace platform::updates {

namespace {

constexpr const char* kAutomaticKey = "SUEnableAutomaticChecks";

// The simulated framework has nothing to install: the person is told, and closes it for later.
void showAvailable(const QString& version)
{
    sim::Updates::shared().showWindow(sim::systemText("Yeni bir sürüm var: %1.").arg(version), sim::systemText("Daha Sonra Hatırlat"));
}

bool isNewer(const QString& version)
{
    const QString installed = sim::Updates::shared().info("CFBundleVersion").value_or("0");
    // "1.0" and "1" are one version.
    return QVersionNumber::fromString(version).normalized() > QVersionNumber::fromString(installed).normalized();
}

} // namespace

struct StandardUpdaterController::Impl : Updater {
    bool started = false;
    UserDriverDelegate* delegate = nullptr;
    bool session = false;
    std::vector<std::function<void(bool)>> observers;
    platform::Timer schedule;
    platform::Timer feed;
    QObject context; // queued deliveries die with the controller

    bool canCheckForUpdates() const override { return started && !session; }
    bool automaticallyChecksForUpdates() const override
    {
        const QVariant v = platform::UserDefaults::standard().object(kAutomaticKey);
        return v.isValid() ? v.toBool() : true; // the bundle opts in to daily checks
    }
    void setAutomaticallyChecksForUpdates(bool on) override { platform::UserDefaults::standard().set(kAutomaticKey, on); }
    void observeCanCheckForUpdates(std::function<void(bool)> observer) override
    {
        observers.push_back(std::move(observer));
        deliver(observers.size() - 1);
    }

    void deliver(size_t index)
    {
        const bool value = canCheckForUpdates();
        QMetaObject::invokeMethod(&context, [this, index, value] { observers[index](value); }, Qt::QueuedConnection);
    }
    void setSession(bool on)
    {
        if (session == on)
            return;
        session = on;
        for (size_t i = 0; i < observers.size(); ++i)
            deliver(i);
    }
    void userCheck()
    {
        if (!canCheckForUpdates())
            return;
        setSession(true);
        sim::Updates::shared().countUserCheck();
        sim::Updates::shared().showWindow(sim::systemText("Güncellemeler denetleniyor…"), sim::systemText("Vazgeç"));
        feed.start(sim::Updates::kFeedDelay, [this] {
            const auto item = sim::Updates::feedItem();
            auto& fw = sim::Updates::shared();
            if (!item)
                fw.showWindow(sim::systemText("Güncelleme hatası! Güncelleme bilgileri alınırken bir hata oluştu."), sim::systemText("Tamam"));
            else if (isNewer(item->first))
                showAvailable(item->second);
            else
                fw.showWindow(sim::systemText("Güncelsiniz! Bu, şu anki en yeni sürüm."), sim::systemText("Tamam"));
        });
    }
    void scheduledCheck()
    {
        if (!automaticallyChecksForUpdates() || session)
            return;
        sim::Updates::shared().countScheduledCheck();
        const auto item = sim::Updates::feedItem();
        if (!item || !isNewer(item->first))
            return; // scheduled checks stay silent unless there is something to install
        if (delegate && delegate->supportsGentleScheduledUpdateReminders()) {
            sim::Updates::shared().countReminder();
            return;
        }
        setSession(true);
        showAvailable(item->second);
    }
};

StandardUpdaterController::StandardUpdaterController(bool startingUpdater, UserDriverDelegate* userDriverDelegate)
    : d(std::make_unique<Impl>())
{
    d->delegate = userDriverDelegate;
    d->started = startingUpdater;
    sim::Updates::shared().onDismiss = [impl = d.get()] {
        impl->feed.stop();
        impl->setSession(false);
    };
    if (d->started)
        d->schedule.start(sim::Updates::kCheckInterval, [impl = d.get()] { impl->scheduledCheck(); }, true);
}

StandardUpdaterController::~StandardUpdaterController() { sim::Updates::shared().onDismiss = nullptr; }

void StandardUpdaterController::checkForUpdates() { d->userCheck(); }

Updater& StandardUpdaterController::updater() { return *d; }

std::optional<QString> infoDictionaryValue(const QString& key) { return sim::Updates::shared().info(key); }

} // namespace platform::updates
