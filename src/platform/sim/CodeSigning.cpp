#include "platform/CodeSigning.h"

#include "platform/sim/CodeSigning.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <unistd.h>

namespace sim::codesign {
namespace {

constexpr char kMagic[] = "PLNSIG01";
constexpr int kTrailer = 16; // length digits + magic
constexpr qint64 kMaxSignature = 1 << 20;

// The signature's JSON and where it starts; none when the file carries none.
std::optional<std::pair<QByteArray, qint64>> readSignature(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() < kTrailer)
        return std::nullopt;
    f.seek(f.size() - kTrailer);
    const QByteArray tail = f.read(kTrailer);
    if (tail.size() != kTrailer || tail.mid(8) != kMagic)
        return std::nullopt;
    bool ok = false;
    const qint64 length = tail.left(8).toLongLong(&ok);
    if (!ok || length <= 0 || length > kMaxSignature || length > f.size() - kTrailer)
        return std::nullopt;
    const qint64 start = f.size() - kTrailer - length;
    f.seek(start);
    return std::make_pair(f.read(length), start);
}

} // namespace

QByteArray developerCertificate() { return QByteArrayLiteral("Pelorn Developer ID (simulated)"); }

bool unsign(const QString& path)
{
    const auto signature = readSignature(path);
    if (!signature)
        return true;
    QFile f(path);
    return f.resize(signature->second);
}

bool sign(const QString& path, const QString& identifier, const QList<QByteArray>& certificates)
{
    if (!unsign(path))
        return false;
    QJsonArray certs;
    for (const QByteArray& c : certificates)
        certs.append(QString::fromLatin1(c.toHex()));
    const QByteArray json =
        QJsonDocument(QJsonObject{{"identifier", identifier}, {"certificates", certs}}).toJson(QJsonDocument::Compact);
    QFile f(path);
    if (!f.open(QIODevice::Append))
        return false;
    return f.write(json + QByteArray::number(json.size()).rightJustified(8, '0') + kMagic) > 0;
}

} // namespace sim::codesign

namespace platform::codesign {
namespace {

struct Requirement {
    QString identifier;
    std::optional<QByteArray> leafSha1; // 20 bytes
};

// The subset of the requirement language that the helper writes; anything else is invalid.
std::optional<Requirement> parse(const QString& text)
{
    static const QRegularExpression re(
        R"re(^identifier "([^"]+)"(?: and certificate leaf = H"([0-9a-fA-F]{40})")?$)re");
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    Requirement r{m.captured(1), std::nullopt};
    if (m.hasCaptured(2))
        r.leafSha1 = QByteArray::fromHex(m.captured(2).toLatin1());
    return r;
}

} // namespace

std::optional<Code> copySelf() { return Code{::getpid()}; }

std::optional<Code> codeForPid(qint64 pid)
{
    if (pid <= 0 || !QFileInfo::exists(QString("/proc/%1").arg(pid)))
        return std::nullopt;
    return Code{pid};
}

std::optional<StaticCode> copyStaticCode(const Code& code)
{
    // The link itself, not its target's name: it opens the very file the process runs even
    // when something else has since taken that path.
    const QString exe = QString("/proc/%1/exe").arg(code.pid);
    char buffer[4096];
    if (::readlink(QFile::encodeName(exe).constData(), buffer, sizeof buffer) <= 0)
        return std::nullopt;
    return StaticCode{exe};
}

std::optional<SigningInformation> copySigningInformation(const StaticCode& code)
{
    const auto signature = sim::codesign::readSignature(code.path);
    if (!signature)
        return std::nullopt;
    const QJsonObject o = QJsonDocument::fromJson(signature->first).object();
    if (!o["identifier"].isString())
        return std::nullopt;
    SigningInformation info;
    info.identifier = o["identifier"].toString();
    for (const QJsonValue& c : o["certificates"].toArray())
        info.certificates.append(QByteArray::fromHex(c.toString().toLatin1()));
    return info;
}

int32_t checkValidity(const StaticCode& code, const QString& requirement)
{
    const std::optional<Requirement> r = parse(requirement);
    if (!r)
        return kErrorRequirementInvalid;
    const std::optional<SigningInformation> info = copySigningInformation(code);
    if (!info)
        return kErrorUnsigned;
    if (info->identifier != r->identifier)
        return kErrorRequirementFailed;
    if (r->leafSha1) {
        if (info->certificates.isEmpty()
            || QCryptographicHash::hash(info->certificates.first(), QCryptographicHash::Sha1) != *r->leafSha1)
            return kErrorRequirementFailed;
    }
    return kSuccess;
}

} // namespace platform::codesign
