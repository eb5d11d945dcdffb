#include "platform/sim/Updates.h"

#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/Updater.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>
#include <QVersionNumber>
#include <QWidget>
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

QString Updates::feedPath() { return platform::paths::simRoot() + "/Library/Updates/appcast.json"; }

void Updates::writeFeed(const QString& version, const QString& shortVersion)
{
    QDir().mkpath(QFileInfo(feedPath()).path());
    QFile f(feedPath());
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    const QJsonObject item{{"version", version}, {"shortVersionString", shortVersion}};
    f.write(QJsonDocument(QJsonObject{{"items", QJsonArray{item}}}).toJson());
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

void Updates::showWindow(const QString& text)
{
    texts_ << text;
    if (!window_) {
        window_ = new QWidget;
        window_->setWindowTitle(QStringLiteral("Software Update"));
        auto* layout = new QVBoxLayout(window_);
        layout->addWidget(new QLabel(window_));
    }
    window_->findChild<QLabel*>()->setText(text);
    window_->show();
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

// The newest item of the feed, or nothing when the feed cannot be read.
std::optional<std::pair<QString, QString>> readFeed()
{
    QFile f(sim::Updates::feedPath());
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll());
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

bool isNewer(const QString& version)
{
    const QString installed = sim::Updates::shared().info("CFBundleVersion").value_or("0");
    return QVersionNumber::fromString(version) > QVersionNumber::fromString(installed);
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
        sim::Updates::shared().showWindow(QStringLiteral("Checking for updates…"));
        feed.start(sim::Updates::kFeedDelay, [this] {
            const auto item = readFeed();
            if (!item)
                sim::Updates::shared().showWindow(QStringLiteral("Update Error! An error occurred in retrieving update information."));
            else if (isNewer(item->first))
                sim::Updates::shared().showWindow(QStringLiteral("A new version is available: %1. Install it now?").arg(item->second));
            else
                sim::Updates::shared().showWindow(QStringLiteral("You’re up to date!"));
        });
    }
    void scheduledCheck()
    {
        if (!automaticallyChecksForUpdates() || session)
            return;
        sim::Updates::shared().countScheduledCheck();
        const auto item = readFeed();
        if (!item || !isNewer(item->first))
            return; // scheduled checks stay silent unless there is something to install
        if (delegate && delegate->supportsGentleScheduledUpdateReminders()) {
            sim::Updates::shared().countReminder();
            return;
        }
        setSession(true);
        sim::Updates::shared().showWindow(QStringLiteral("A new version is available: %1. Install it now?").arg(item->second));
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
