#include "platform/CodeSigning.h"

#include "platform/sim/CodeSigning.h"
#include "platform/sim/Machine.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <atomic>
#include <cerrno>
#include <ctime>
#include <map>
#include <mutex>
#include <tuple>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <stop_token>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim::codesign {
namespace {

constexpr char kMagic[] = "PLNSIG01";
constexpr int kTrailer = 16; // length digits + magic
constexpr qint64 kMaxSignature = 1 << 20;

struct Signature {
    QByteArray json;
    qint64 start = 0; // where the trailer begins: the code is every byte before it
};

std::optional<Signature> readSignature(QFile& f)
{
    if (f.size() < kTrailer)
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
    return Signature{f.read(length), start};
}

std::optional<Signature> readSignature(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return readSignature(f);
}

using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using Bio = std::unique_ptr<BIO, decltype(&BIO_free)>;
using DigestContext = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

// What the signature covers: the identifier and the digest of the code.
std::optional<QByteArray> codeDirectory(QFile& f, qint64 codeSize, const QString& identifier,
                                        const std::stop_token& stop = {})
{
    DigestContext ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!f.seek(0) || !ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1)
        return std::nullopt;
    qint64 left = codeSize;
    while (left > 0) {
        if (stop.stop_requested())
            return std::nullopt;
        const QByteArray chunk = f.read(std::min<qint64>(left, 1 << 20));
        if (chunk.isEmpty() || EVP_DigestUpdate(ctx.get(), chunk.constData(), size_t(chunk.size())) != 1)
            return std::nullopt;
        left -= chunk.size();
    }
    QByteArray digest(EVP_MAX_MD_SIZE, 0);
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(ctx.get(), reinterpret_cast<unsigned char*>(digest.data()), &length) != 1)
        return std::nullopt;
    digest.resize(length);
    return "pelorn code directory\n" + identifier.toUtf8() + '\n' + digest;
}

Key privateKey(const QByteArray& pem)
{
    Bio bio(BIO_new_mem_buf(pem.constData(), int(pem.size())), BIO_free);
    Key key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr, EVP_PKEY_free);
    if (key && EVP_PKEY_get_base_id(key.get()) != EVP_PKEY_ED25519)
        key.reset();
    return key;
}

Key publicKey(const QByteArray& der)
{
    auto p = reinterpret_cast<const unsigned char*>(der.constData());
    Key key(d2i_PUBKEY(nullptr, &p, long(der.size())), EVP_PKEY_free);
    if (key && EVP_PKEY_get_base_id(key.get()) != EVP_PKEY_ED25519)
        key.reset();
    return key;
}

QByteArray signMessage(EVP_PKEY* key, const QByteArray& message)
{
    DigestContext ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    size_t length = 0;
    if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, key) != 1
        || EVP_DigestSign(ctx.get(), nullptr, &length, reinterpret_cast<const unsigned char*>(message.constData()),
                          size_t(message.size()))
               != 1)
        return {};
    QByteArray out(qsizetype(length), 0);
    if (EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(out.data()), &length,
                       reinterpret_cast<const unsigned char*>(message.constData()), size_t(message.size()))
        != 1)
        return {};
    out.resize(qsizetype(length));
    return out;
}

bool verifyMessage(EVP_PKEY* key, const QByteArray& message, const QByteArray& signature)
{
    DigestContext ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    return ctx && EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key) == 1
           && EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(signature.constData()),
                               size_t(signature.size()), reinterpret_cast<const unsigned char*>(message.constData()),
                               size_t(message.size()))
                  == 1;
}

} // namespace

QByteArray makeKey()
{
    Key key(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"), EVP_PKEY_free);
    Bio bio(BIO_new(BIO_s_mem()), BIO_free);
    if (!key || !bio || PEM_write_bio_PrivateKey(bio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1)
        return {};
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return QByteArray(data, qsizetype(size));
}

QByteArray keptKey(const QString& path)
{
    auto read = [&]() -> QByteArray {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        const QByteArray pem = f.read(64 * 1024);
        return privateKey(pem) ? pem : QByteArray();
    };
    if (QByteArray pem = read(); !pem.isEmpty())
        return pem;
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return {};
    const QByteArray pem = makeKey();
    QTemporaryFile made(folder + "/key-XXXXXX"); // readable by its owner alone
    if (pem.isEmpty() || !made.open() || made.write(pem) != pem.size() || !made.flush())
        return {};
    // A link never replaces a key another signer put there first; whichever came first is kept.
    if (::link(QFile::encodeName(made.fileName()).constData(), QFile::encodeName(path).constData()) != 0
        && errno != EEXIST)
        return {};
    return read();
}

QByteArray certificate(const QByteArray& key)
{
    const Key k = privateKey(key);
    unsigned char* der = nullptr;
    const int length = k ? i2d_PUBKEY(k.get(), &der) : -1;
    if (length <= 0)
        return {};
    QByteArray out(reinterpret_cast<const char*>(der), length);
    OPENSSL_free(der);
    return out;
}

bool unsign(const QString& path)
{
    const auto signature = readSignature(path);
    if (!signature)
        return true;
    QFile f(path);
    return f.resize(signature->start);
}

bool sign(const QString& path, const QString& identifier, const QByteArray& key)
{
    const Key k = privateKey(key);
    if (!k || !unsign(path))
        return false;
    QFile f(path);
    const auto directory =
        f.open(QIODevice::ReadOnly) ? codeDirectory(f, f.size(), identifier) : std::optional<QByteArray>();
    const QByteArray signature = directory ? signMessage(k.get(), *directory) : QByteArray();
    if (signature.isEmpty())
        return false;
    const QJsonObject o{{"identifier", identifier},
                        {"certificates", QJsonArray{QString::fromLatin1(certificate(key).toHex())}},
                        {"signature", QString::fromLatin1(signature.toHex())}};
    const QByteArray json = QJsonDocument(o).toJson(QJsonDocument::Compact);
    f.close();
    if (!f.open(QIODevice::Append))
        return false;
    const QByteArray block = json + QByteArray::number(json.size()).rightJustified(8, '0') + kMagic;
    return f.write(block) == block.size();
}

QByteArray trailer(const QString& path)
{
    const auto signature = readSignature(path);
    if (!signature)
        return {};
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || !f.seek(signature->start))
        return {};
    return f.readAll();
}

namespace {

// What identifies a file's content without reading it: another file, or the same one written
// since, differs in one of these.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    explicit FileIdentity(const struct stat& st)
        : device(st.st_dev), inode(st.st_ino), size(st.st_size), modified(st.st_mtim), changed(st.st_ctim)
    {
    }
    auto key() const
    {
        return std::tuple(device, inode, size, modified.tv_sec, modified.tv_nsec, changed.tv_sec, changed.tv_nsec);
    }
    bool operator<(const FileIdentity& o) const { return key() < o.key(); }
    bool operator==(const FileIdentity& o) const { return key() == o.key(); }
};

// Verdicts on executables already hashed: a client's every connection would otherwise hash its
// whole program again. Small: a few programs ever ask.
class Verdicts {
public:
    std::optional<bool> find(const FileIdentity& file)
    {
        std::lock_guard lock(mutex_);
        const auto it = verdicts_.find(file);
        return it == verdicts_.end() ? std::nullopt : std::optional(it->second);
    }
    void clear()
    {
        std::lock_guard lock(mutex_);
        verdicts_.clear();
    }
    void store(const FileIdentity& file, bool holds)
    {
        std::lock_guard lock(mutex_);
        if (verdicts_.size() >= 64)
            verdicts_.clear();
        verdicts_[file] = holds;
    }

private:
    std::mutex mutex_;
    std::map<FileIdentity, bool> verdicts_;
};

Verdicts& verdicts()
{
    static Verdicts shared;
    return shared;
}

std::atomic<int> hashes{0};
constexpr long long kSettled = 1'000'000'000; // ns

// Whether the signature over the code holds for the leaf certificate's key.
bool signatureHolds(const QString& path, const std::stop_token& stop)
{
    QFile f(path);
    struct stat before {};
    if (!f.open(QIODevice::ReadOnly) || ::fstat(f.handle(), &before) != 0)
        return false;
    const FileIdentity file(before);
    if (const auto known = verdicts().find(file))
        return *known;
    const auto signature = readSignature(f);
    // Before any hashing, on the very length hashed: code padded beyond what the application
    // could be would hold the checker for as long as its reads take.
    if (!signature || signature->start > kMaxCodeSize)
        return false;
    const QJsonObject o = QJsonDocument::fromJson(signature->json).object();
    const QJsonArray certificates = o["certificates"].toArray();
    if (!o["identifier"].isString() || certificates.isEmpty() || !o["signature"].isString())
        return false;
    const Key key = publicKey(QByteArray::fromHex(certificates.first().toString().toLatin1()));
    ++hashes;
    const auto directory = codeDirectory(f, signature->start, o["identifier"].toString(), stop);
    if (!directory)
        return false; // stopped or unreadable: no verdict to keep
    const bool holds =
        key && verifyMessage(key.get(), *directory, QByteArray::fromHex(o["signature"].toString().toLatin1()));
    // Kept only when the file stood still while it was read, and was last changed a while ago:
    // the kernel stamps changes with a coarse clock, so a write in the same tick as the last one
    // before the hash would leave the identity as it was.
    struct stat after {};
    timespec now {};
    if (::fstat(f.handle(), &after) == 0 && FileIdentity(after) == file && ::clock_gettime(CLOCK_REALTIME, &now) == 0
        && (now.tv_sec - after.st_ctim.tv_sec) * 1'000'000'000LL + (now.tv_nsec - after.st_ctim.tv_nsec) >= kSettled)
        verdicts().store(file, holds);
    return holds;
}

} // namespace

int hashesMade() { return hashes; }

void forgetVerdicts() { verdicts().clear(); }

namespace {

constexpr char kInspection[] = "inspection";

// The process's start time in clock ticks, which tells a reused pid apart; empty when gone.
QByteArray startTime(qint64 pid)
{
    QFile f(QString("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray stat = f.read(4096);
    const QByteArrayList fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return fields.value(22 - 3);
}

qint64 parentOf(qint64 pid)
{
    QFile f(QString("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.read(16 * 1024).split('\n'))
        if (line.startsWith("PPid:"))
            return line.mid(5).trimmed().toLongLong();
    return 0;
}

bool isAncestor(qint64 ancestor, qint64 pid)
{
    for (qint64 p = parentOf(pid); p > 0; p = parentOf(p))
        if (p == ancestor)
            return true;
    return false;
}

} // namespace

void setInspectionRestricted(bool restricted)
{
    sim::machine::Transaction t;
    QJsonObject o = t.read(kInspection);
    o["restricted"] = restricted;
    t.write(kInspection, o);
}

bool inspectionRestricted() { return sim::machine::Transaction().read(kInspection)["restricted"].toBool(); }

void permitInspection(qint64 inspector)
{
    // Where the kernel has no such rule it refuses the call; the simulated rule still records it.
    ::prctl(PR_SET_PTRACER, static_cast<unsigned long>(inspector), 0, 0, 0);
    sim::machine::Transaction t;
    QJsonObject o = t.read(kInspection);
    QJsonObject permits;
    const QJsonObject old = o["permits"].toObject();
    for (auto it = old.begin(); it != old.end(); ++it) // the records of processes still running
        if (startTime(it.key().toLongLong()) == it.value().toObject()["start"].toString().toLatin1())
            permits.insert(it.key(), it.value());
    permits[QString::number(::getpid())] =
        QJsonObject{{"inspector", inspector}, {"start", QString::fromLatin1(startTime(::getpid()))}};
    o["permits"] = permits;
    t.write(kInspection, o);
}

bool mayInspect(qint64 pid)
{
    const QJsonObject o = sim::machine::Transaction().read(kInspection);
    if (!o["restricted"].toBool() || isAncestor(::getpid(), pid))
        return true;
    const QJsonObject permit = o["permits"][QString::number(pid)].toObject();
    const qint64 inspector = permit["inspector"].toInteger();
    if (permit["start"].toString().toLatin1() != startTime(pid) || inspector <= 0)
        return false;
    return inspector == ::getpid() || isAncestor(inspector, ::getpid());
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

constexpr qint64 kMaxProcFile = 16 << 20;

std::optional<QByteArray> readProc(qint64 pid, const QString& name)
{
    QFile f(QString("/proc/%1/%2").arg(pid).arg(name));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray out;
    while (out.size() < kMaxProcFile) {
        const QByteArray chunk = f.read(64 * 1024);
        if (chunk.isEmpty())
            return f.error() == QFileDevice::NoError ? std::optional(out) : std::nullopt;
        out += chunk;
    }
    return std::nullopt;
}

QByteArray withoutDeletedMark(QByteArray path)
{
    if (path.endsWith(" (deleted)"))
        path.chop(10);
    return path;
}

// The loader's variables that put code of the caller's choosing into a program at start.
bool startedWithInjection(const QByteArray& environment)
{
    for (const QByteArray& entry : environment.split('\0'))
        for (const char* name : {"LD_PRELOAD=", "LD_AUDIT="})
            if (entry.startsWith(name) && entry.size() > qsizetype(strlen(name)))
                return true;
    return false;
}

struct Mapping {
    quint64 start = 0;
    quint64 end = 0;
    QByteArray range; // "start-end" as the kernel writes it, also its name under map_files
    QByteArray perms;
    quint64 offset = 0;
    quint64 inode = 0;
    QByteArray path; // empty for anonymous memory; may hold spaces
    bool executable() const { return perms.size() >= 3 && perms[2] == 'x'; }
    bool fromFile() const { return path.startsWith('/'); }
};

// start-end perms offset dev inode [path]
QList<Mapping> parseMaps(const QByteArray& maps)
{
    QList<Mapping> out;
    for (const QByteArray& line : maps.split('\n')) {
        if (line.isEmpty())
            continue;
        QByteArray fields[5];
        qsizetype at = 0;
        for (QByteArray& field : fields) {
            while (at < line.size() && line[at] == ' ')
                ++at;
            const qsizetype end = line.indexOf(' ', at);
            field = line.mid(at, end < 0 ? -1 : end - at);
            at = end < 0 ? line.size() : end;
        }
        while (at < line.size() && line[at] == ' ')
            ++at;
        Mapping m;
        m.range = fields[0];
        const qsizetype dash = fields[0].indexOf('-');
        m.start = fields[0].left(dash).toULongLong(nullptr, 16);
        m.end = fields[0].mid(dash + 1).toULongLong(nullptr, 16);
        m.perms = fields[1];
        m.offset = fields[2].toULongLong(nullptr, 16);
        m.inode = fields[4].toULongLong();
        m.path = line.mid(at);
        out.append(m);
    }
    return out;
}

// Only the system's own libraries (writable by root alone), the build's output, the program
// itself and the kernel's own pages may hold code in a process that claims a signature.
// Executable memory of no file is refused: the application makes none (it runs Qt's regular
// expressions without their JIT), so whatever runs there came from elsewhere.
bool runsOnlyTrustedCode(const QList<Mapping>& mappings, const QByteArray& executable)
{
    static const char* const kSystemFolders[] = {"/lib/",      "/lib32/",      "/lib64/",      "/libx32/",
                                                 "/usr/lib/",  "/usr/lib32/",  "/usr/lib64/",  "/usr/libx32/"};
    const QByteArray build = QByteArray(PELORN_BUILD_ROOT) + '/';
    for (const Mapping& m : mappings) {
        if (!m.executable() || m.path == "[vdso]" || m.path == "[vsyscall]")
            continue;
        if (!m.fromFile())
            return false;
        const QByteArray path = withoutDeletedMark(m.path);
        bool trusted = path == executable || path.startsWith(build);
        for (const char* folder : kSystemFolders)
            trusted = trusted || path.startsWith(folder);
        if (!trusted)
            return false;
    }
    return true;
}

// Whether any thread of the process is traced: its tracer may rewrite its code and registers
// at will. nullopt when the threads cannot be read.
std::optional<bool> traced(qint64 pid)
{
    const QStringList threads =
        QDir(QString("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (threads.isEmpty())
        return std::nullopt;
    for (const QString& thread : threads) {
        const auto status = readProc(pid, "task/" + thread + "/status");
        if (!status)
            continue; // a thread that has ended since
        for (const QByteArray& line : status->split('\n'))
            if (line.startsWith("TracerPid:") && line.mid(10).trimmed() != "0")
                return true;
    }
    return false;
}

struct Descriptor {
    int fd = -1;
    explicit Descriptor(const QString& path) : fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC)) {}
    ~Descriptor() { reset({}); }
    void reset(const QString& path)
    {
        if (fd >= 0)
            ::close(fd);
        fd = path.isEmpty() ? -1 : ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
};

// Whether every page of code the process maps from a file holds that file's bytes: a tracer,
// or the process itself, may have rewritten them after they were loaded. nullopt when a page
// or its file cannot be read.
std::optional<bool> codeMatchesItsFiles(qint64 pid, const QList<Mapping>& mappings, const Descriptor& memory,
                                        const std::stop_token& stop)
{
    constexpr size_t kChunk = 1 << 20;
    QByteArray inMemory(kChunk, 0);
    QByteArray onDisk(kChunk, 0);
    for (const Mapping& m : mappings) {
        if (!m.executable() || !m.fromFile())
            continue;
        // The very file mapped, even when its path has since been replaced or removed; where
        // that takes privileges this process lacks, the file at the path when it is that one.
        Descriptor file(QString("/proc/%1/map_files/%2").arg(pid).arg(QString::fromLatin1(m.range)));
        struct stat st {};
        if (file.fd < 0) {
            file.reset(QFile::decodeName(withoutDeletedMark(m.path)));
            if (file.fd < 0 || ::fstat(file.fd, &st) != 0 || quint64(st.st_ino) != m.inode)
                return std::nullopt;
        }
        for (quint64 at = 0; at < m.end - m.start;) {
            if (stop.stop_requested())
                return std::nullopt;
            const size_t want = size_t(std::min<quint64>(kChunk, m.end - m.start - at));
            const ssize_t fromFile = ::pread(file.fd, onDisk.data(), want, off_t(m.offset + at));
            const ssize_t fromMemory = ::pread(memory.fd, inMemory.data(), want, off_t(m.start + at));
            if (fromFile < 0 || fromMemory < fromFile)
                return std::nullopt;
            if (std::memcmp(inMemory.constData(), onDisk.constData(), size_t(fromFile)) != 0)
                return false;
            // Past the file's end the loader's page holds zeros.
            for (ssize_t i = fromFile; i < fromMemory; ++i)
                if (inMemory.at(i) != '\0')
                    return false;
            if (fromMemory == 0)
                break;
            at += quint64(fromMemory);
        }
    }
    return true;
}

// The process's memory, opened for reading. A client names its checker as the one that may read
// it right after it connected, so a refusal by the kernel's rule is asked again for a moment.
// nullopt when it stays refused (errno EACCES or EPERM) or the process is gone.
std::optional<int> openMemory(qint64 pid, const std::stop_token& stop)
{
    constexpr int kTries = 150; // 10 ms apart
    for (int attempt = 0;; ++attempt) {
        int fd = -1;
        if (sim::codesign::mayInspect(pid))
            fd = ::open(QFile::encodeName(QString("/proc/%1/mem").arg(pid)).constData(), O_RDONLY | O_CLOEXEC);
        else
            errno = EACCES; // as the kernel refuses it
        if (fd >= 0)
            return fd;
        if ((errno != EACCES && errno != EPERM) || attempt + 1 >= kTries || stop.stop_requested())
            return std::nullopt;
        ::usleep(10'000);
    }
}

// What stays the same while a process runs one image: the executable file as it stands, the
// process's start (a reused pid differs), and where exec laid out its code and stack (an image
// exec'd since lies elsewhere).
struct Image {
    struct stat file {};
    QByteArray layout;

    bool operator==(const Image& o) const
    {
        return file.st_dev == o.file.st_dev && file.st_ino == o.file.st_ino && file.st_size == o.file.st_size
               && file.st_mtim.tv_sec == o.file.st_mtim.tv_sec && file.st_mtim.tv_nsec == o.file.st_mtim.tv_nsec
               && file.st_ctim.tv_sec == o.file.st_ctim.tv_sec && file.st_ctim.tv_nsec == o.file.st_ctim.tv_nsec
               && layout == o.layout;
    }
};

std::optional<Image> imageOf(qint64 pid)
{
    Image image;
    const auto layout = runningImage(pid);
    if (!layout || ::stat(QFile::encodeName(QString("/proc/%1/exe").arg(pid)).constData(), &image.file) != 0)
        return std::nullopt;
    image.layout = *layout;
    return image;
}

int32_t explain(QString* why, int32_t status, const char* reason)
{
    if (why)
        *why = QString::fromLatin1(reason);
    return status;
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
    const QJsonObject o = QJsonDocument::fromJson(signature->json).object();
    if (!o["identifier"].isString())
        return std::nullopt;
    SigningInformation info;
    info.identifier = o["identifier"].toString();
    for (const QJsonValue& c : o["certificates"].toArray())
        info.certificates.append(QByteArray::fromHex(c.toString().toLatin1()));
    return info;
}

int32_t checkValidity(const StaticCode& code, const QString& requirement, const std::stop_token& stop)
{
    const std::optional<Requirement> r = parse(requirement);
    if (!r)
        return kErrorRequirementInvalid;
    const std::optional<SigningInformation> info = copySigningInformation(code);
    if (!info)
        return kErrorUnsigned;
    if (!sim::codesign::signatureHolds(code.path, stop))
        return kErrorSignatureFailed;
    if (info->identifier != r->identifier)
        return kErrorRequirementFailed;
    if (r->leafSha1) {
        if (info->certificates.isEmpty()
            || QCryptographicHash::hash(info->certificates.first(), QCryptographicHash::Sha1) != *r->leafSha1)
            return kErrorRequirementFailed;
    }
    return kSuccess;
}

int32_t checkValidity(const Code& code, const QString& requirement, const std::stop_token& stop, QString* why)
{
    const auto before = imageOf(code.pid);
    const auto staticCode = copyStaticCode(code);
    if (!before || !staticCode)
        return kErrorNoSuchCode;
    if (const int32_t status = checkValidity(*staticCode, requirement, stop); status != kSuccess)
        return status;
    char buffer[4096];
    const ssize_t n = ::readlink(QFile::encodeName(staticCode->path).constData(), buffer, sizeof buffer);
    const auto environment = readProc(code.pid, "environ");
    const auto maps = readProc(code.pid, "maps");
    const auto isTraced = traced(code.pid);
    if (n <= 0 || !environment || !maps || !isTraced)
        return kErrorNoSuchCode;
    const QList<Mapping> mappings = parseMaps(*maps);
    if (*isTraced || startedWithInjection(*environment)
        || !runsOnlyTrustedCode(mappings, withoutDeletedMark(QByteArray(buffer, n))))
        return kErrorGuestInvalid;
    Descriptor memory{QString()};
    if (const auto fd = openMemory(code.pid, stop))
        memory.fd = *fd;
    else if (errno == EACCES || errno == EPERM)
        return explain(why, kErrorNoSuchCode,
                       "the system does not let the helper read its memory: it did not name the helper as a "
                       "process that may inspect it");
    else
        return kErrorNoSuchCode;
    const auto codeHolds = codeMatchesItsFiles(code.pid, mappings, memory, stop);
    if (!codeHolds)
        return kErrorNoSuchCode;
    if (!*codeHolds)
        return kErrorSignatureFailed;
    // What was checked holds only for the image that is still running: one exec'd meanwhile,
    // or a file changed under the hash, is not what was checked.
    if (imageOf(code.pid) != before)
        return kErrorNoSuchCode;
    return kSuccess;
}

std::optional<QByteArray> runningImage(qint64 pid)
{
    const auto stat = readProc(pid, "stat");
    if (!stat)
        return std::nullopt;
    const QByteArrayList fields = stat->mid(stat->lastIndexOf(')') + 2).split(' ');
    QByteArray image;
    for (int field : {22, 26, 27, 28}) { // start time, start and end of code, start of stack
        if (field - 3 >= fields.size())
            return std::nullopt;
        image += fields[field - 3] + ' ';
    }
    return image;
}

std::optional<bool> isTraced(qint64 pid) { return traced(pid); }

} // namespace platform::codesign
