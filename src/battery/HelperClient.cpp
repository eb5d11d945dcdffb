#include "battery/HelperClient.h"

#include "app/Texts.h"
#include "platform/AdminScript.h"
#include "platform/Bundle.h"
#include "platform/DispatchQueue.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "shared/HelperConstants.h"
#include "shared/HelperProtocol.h"
#include "platform/Xpc.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QPointer>

#include <cerrno>

namespace {
QString sv(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// The helper replies in Turkish; the user reads its texts in the interface language.
std::optional<QString> shown(const std::optional<QString>& reply)
{
    return reply ? std::optional(Texts::translate(*reply)) : std::nullopt;
}
} // namespace

HelperClient::HelperClient(QObject* parent) : QObject(parent) {}
HelperClient::~HelperClient() = default;

std::unique_ptr<PelornHelperProtocol> HelperClient::proxy(std::function<void()> onError)
{
    if (!connection_) {
        auto connection = std::make_shared<platform::xpc::RemoteConnection>(
            sv(HelperConstants::label), platform::xpc::RemoteConnection::kPrivileged);
        connection->setRemoteObjectInterface(helperInterface());
        QPointer<HelperClient> self(this);
        const platform::xpc::RemoteConnection* identity = connection.get();
        connection->setInvalidationHandler([self, identity] {
            platform::mainQueue::async([self, identity] {
                // A connection made since (after an install, say) is not this one's to clear.
                if (self && self->connection_.get() == identity)
                    self->connection_.reset();
            });
        });
        connection->resume();
        connection_ = std::move(connection);
    }
    return std::make_unique<PelornHelperProxy>(*connection_, std::move(onError));
}

void HelperClient::dropConnection()
{
    if (auto connection = std::exchange(connection_, nullptr))
        connection->invalidate();
}

void HelperClient::status(std::function<void(std::optional<HelperStatus>)> completion)
{
    if (!QFile::exists(platform::paths::map(sv(HelperConstants::installPath)))) {
        completion(std::nullopt);
        return;
    }
    auto fail = [completion] { platform::mainQueue::async([completion] { completion(std::nullopt); }); };
    const auto remote = proxy(fail);
    if (!remote) {
        fail();
        return;
    }
    remote->status([completion](int64_t version, bool adapterEnabled, int64_t target, std::optional<QString> error) {
        platform::mainQueue::async([=] {
            completion(HelperStatus{int(version), adapterEnabled, int(target), shown(error)});
        });
    });
}

void HelperClient::startDischarge(int target, std::function<void(bool, std::optional<QString>)> completion)
{
    auto fail = [completion, self = QPointer<HelperClient>(this)] {
        // The one cause a person can act on: the system keeps the helper from checking Pelorn.
        // Still the failed connection: it is dropped only after its calls have failed.
        const QString text = self && self->connection_
                                     && self->connection_->refusal() == platform::xpc::Refusal::notInspectable
                                 ? Texts::tr("Yardımcıya bağlanılamadı: sistem, yardımcının Pelorn'u incelemesine izin vermiyor")
                                 : Texts::tr("Yardımcıya bağlanılamadı");
        platform::mainQueue::async([completion, text] { completion(false, text); });
    };
    const auto remote = proxy(fail);
    if (!remote) {
        fail();
        return;
    }
    remote->startDischarge(target, [completion](bool ok, std::optional<QString> error) {
        platform::mainQueue::async([=] { completion(ok, shown(error)); });
    });
}

void HelperClient::stopDischarge(std::function<void(bool)> completion)
{
    auto fail = [completion] { platform::mainQueue::async([completion] { completion(false); }); };
    const auto remote = proxy(fail);
    if (!remote) {
        fail();
        return;
    }
    remote->stopDischarge([completion](bool adapterEnabled) {
        platform::mainQueue::async([=] { completion(adapterEnabled); });
    });
}

namespace {

// One word for the shell: '…' with every ' written as '\''.
QString q(const QString& path) { return "'" + QString(path).replace("'", "'\\''") + "'"; }

QByteArray launchdPropertyList()
{
    const QString label = sv(HelperConstants::label).toHtmlEscaped();
    const QString program = sv(HelperConstants::installPath).toHtmlEscaped();
    return QString("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                   "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                   "<plist version=\"1.0\">\n"
                   "<dict>\n"
                   "\t<key>KeepAlive</key>\n\t<true/>\n"
                   "\t<key>Label</key>\n\t<string>%1</string>\n"
                   "\t<key>MachServices</key>\n\t<dict>\n\t\t<key>%1</key>\n\t\t<true/>\n\t</dict>\n"
                   "\t<key>Program</key>\n\t<string>%2</string>\n"
                   "\t<key>RunAtLoad</key>\n\t<true/>\n"
                   "</dict>\n"
                   "</plist>\n")
        .arg(label, program)
        .toUtf8();
}

// Qt reports a file error as the C library's English text for its errno. The common ones are said
// in the interface language; any other is named plainly, with Qt's own text left to the log.
QString fileErrorReason(const QString& qtReason)
{
    const std::pair<int, const char*> known[] = {
        {EACCES, QT_TRANSLATE_NOOP("Texts", "erişim izni yok")},
        {EPERM, QT_TRANSLATE_NOOP("Texts", "erişim izni yok")},
        {ENOENT, QT_TRANSLATE_NOOP("Texts", "klasör bulunamadı")},
        {ENOTDIR, QT_TRANSLATE_NOOP("Texts", "yolda klasör yerine bir dosya var")},
        {EEXIST, QT_TRANSLATE_NOOP("Texts", "bu adda bir öğe zaten var")},
        {EISDIR, QT_TRANSLATE_NOOP("Texts", "bu adda bir klasör var")},
        {ENOSPC, QT_TRANSLATE_NOOP("Texts", "diskte yer kalmadı")},
        {EDQUOT, QT_TRANSLATE_NOOP("Texts", "diskte yer kalmadı")},
        {EROFS, QT_TRANSLATE_NOOP("Texts", "disk salt okunur")},
    };
    for (const auto& [code, reason] : known)
        if (qtReason == qt_error_string(code))
            return Texts::translate(reason);
    platform::log::write("Pelorn file error: " + qtReason);
    return Texts::tr("beklenmeyen bir dosya hatası oluştu");
}

HelperClient::Error fileError(const QString& path, const QString& qtReason)
{
    return {"NSCocoaErrorDomain", 642, Texts::tr("“%1” dosyası kaydedilemedi: %2", path, fileErrorReason(qtReason))};
}

} // namespace

HelperClient::InstallResult HelperClient::install()
{
    const QString label = sv(HelperConstants::label);
    const QString source = platform::bundle::mainPath() + "/Contents/Library/LaunchServices/" + label;
    if (!QFileInfo(source).isFile())
        return InstallResult::failure({"Pelorn", 1, Texts::tr("Uygulama içinde yardımcı bulunamadı")});

    // A folder of our own inside the user's temporary folder, so no other user can swap the
    // file between our write and root's copy.
    QTemporaryDir folder(platform::bundle::temporaryDirectory() + "/pelorn-helper-XXXXXX");
    if (!folder.isValid())
        return InstallResult::failure(fileError(label + ".plist", folder.errorString()));
    folder.setAutoRemove(false); // left behind, like the plain temporary file
    QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString plist = folder.path() + "/" + label + ".plist";
    QFile file(plist);
    if (!file.open(QIODevice::WriteOnly) || file.write(launchdPropertyList()) < 0)
        return InstallResult::failure(fileError(plist, file.errorString()));
    file.close();

    const QString installPath = sv(HelperConstants::installPath);
    const QString plistPath = sv(HelperConstants::plistPath);
    const QStringList commands{
        "/bin/launchctl bootout system/" + label + " 2>/dev/null; true",
        "/bin/mkdir -p /Library/PrivilegedHelperTools",
        "/bin/cp " + q(source) + " " + q(installPath),
        "/usr/sbin/chown root:wheel " + q(installPath),
        "/bin/chmod 755 " + q(installPath),
        "/usr/bin/xattr -c " + q(installPath),
        "/bin/cp " + q(plist) + " " + q(plistPath),
        "/usr/sbin/chown root:wheel " + q(plistPath),
        "/bin/chmod 644 " + q(plistPath),
        "/bin/launchctl bootstrap system " + q(plistPath),
    };
    const auto result = runAsAdmin(commands.join(" && "));
    if (result)
        dropConnection();
    return result;
}

HelperClient::InstallResult HelperClient::uninstall()
{
    const QString label = sv(HelperConstants::label);
    const QStringList commands{
        "/bin/launchctl bootout system/" + label + " 2>/dev/null; true",
        "/bin/rm -f " + q(sv(HelperConstants::installPath)) + " " + q(sv(HelperConstants::plistPath)),
    };
    const auto result = runAsAdmin(commands.join(" && "));
    if (result)
        dropConnection();
    return result;
}

HelperClient::InstallResult HelperClient::runAsAdmin(const QString& script)
{
    const QString escaped = QString(script).replace("\\", "\\\\").replace("\"", "\\\"");
    const QString source = "do shell script \"" + escaped + "\" with administrator privileges";
    const QString failed = Texts::tr("Yetkilendirme başarısız");
    const auto appleScript = platform::applescript::create(source);
    if (!appleScript) // nothing ran: that is no success
        return InstallResult::failure({"Pelorn", 2, failed});
    QVariantMap errorInfo;
    if (appleScript->execute(&errorInfo))
        return std::monostate{};
    // A cancelled prompt is the system's English "User canceled."; say it in the interface language,
    // as the system would in it.
    constexpr qlonglong kUserCanceled = -128;
    if (errorInfo.value(platform::applescript::kErrorNumber).toLongLong() == kUserCanceled)
        return InstallResult::failure({"Pelorn", 2, Texts::tr("Kullanıcı iptal etti.")});
    const QVariant message = errorInfo.value(platform::applescript::kErrorMessage);
    return InstallResult::failure(
        {"Pelorn", 2, message.typeId() == QMetaType::QString ? message.toString() : failed});
}
