#include "platform/sim/AdminScript.h"

#include "platform/AdminScript.h"
#include "platform/Bundle.h"
#include "platform/Paths.h"
#include "platform/sim/AdminPrompt.h"
#include "platform/sim/Launchd.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <mutex>
#include <optional>

namespace sim::adminscript {
namespace {

struct State {
    std::mutex mutex;
    Prompt prompt = Prompt::ask;
    bool creationFails = false;
    QString failing;
    QStringList lines;
    int prompts = 0;
};

State& state()
{
    static State* s = new State();
    return *s;
}

bool within(const QString& path, const QString& folder) { return path == folder || path.startsWith(folder + "/"); }

// Paths the shell sees are the Mac's; below the sim root, and inside the running application's
// bundle (which the build lays outside it), they already are real.
QString real(const QString& path)
{
    if (within(path, platform::paths::simRoot()) || within(path, platform::bundle::mainPath()))
        return path;
    return platform::paths::map(path);
}

struct Word {
    QString text;
    bool op = false; // "&&" or ";"
};

// Splits a line into words and list operators with the shell's quoting: '…' literal, "…"
// with backslash before $ ` " \, and a backslash outside quotes taking the next character.
std::optional<QList<Word>> split(const QString& line, QString* error)
{
    QList<Word> words;
    QString cur;
    bool inWord = false;
    auto flush = [&] {
        if (inWord)
            words.append({cur, false});
        cur.clear();
        inWord = false;
    };
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == '\'') {
            const qsizetype end = line.indexOf('\'', i + 1);
            if (end < 0) {
                *error = "sh: unterminated quoted string";
                return std::nullopt;
            }
            cur += line.mid(i + 1, end - i - 1);
            inWord = true;
            i = end;
        } else if (c == '"') {
            inWord = true;
            qsizetype j = i + 1;
            for (; j < line.size() && line[j] != '"'; ++j) {
                if (line[j] == '\\' && j + 1 < line.size() && QString("$`\"\\").contains(line[j + 1]))
                    ++j;
                cur += line[j];
            }
            if (j >= line.size()) {
                *error = "sh: unterminated quoted string";
                return std::nullopt;
            }
            i = j;
        } else if (c == '\\' && i + 1 < line.size()) {
            cur += line[++i];
            inWord = true;
        } else if (c == ' ' || c == '\t') {
            flush();
        } else if (c == ';') {
            flush();
            words.append({";", true});
        } else if (c == '&' && i + 1 < line.size() && line[i + 1] == '&') {
            flush();
            words.append({"&&", true});
            ++i;
        } else {
            cur += c;
            inWord = true;
        }
    }
    flush();
    return words;
}

int fail(QString* error, const QString& text, int status = 1)
{
    *error = text;
    return status;
}

int run(QStringList argv, QString* error)
{
    bool quiet = false;
    argv.removeIf([&](const QString& a) {
        if (a == "2>/dev/null") {
            quiet = true;
            return true;
        }
        return false;
    });
    QString err;
    int status = 0;
    const QString cmd = argv.value(0);
    const QStringList args = argv.mid(1);
    {
        std::lock_guard lock(state().mutex);
        if (!state().failing.isEmpty() && state().failing == cmd)
            status = fail(&err, cmd.section('/', -1) + ": Operation not permitted");
    }
    if (status != 0) {
    } else if (cmd == "true" || cmd == "/usr/bin/true") {
    } else if (cmd == "/bin/launchctl" && args.value(0) == "bootout" && args.size() == 2) {
        status = launchd::bootout(args[1], &err);
    } else if (cmd == "/bin/launchctl" && args.value(0) == "bootstrap" && args.size() == 3) {
        status = launchd::bootstrap(args[1], real(args[2]), &err);
    } else if (cmd == "/bin/mkdir" && args.size() == 2 && args[0] == "-p") {
        if (!QDir().mkpath(real(args[1])))
            status = fail(&err, "mkdir: " + args[1] + ": Permission denied");
    } else if (cmd == "/bin/cp" && args.size() == 2) {
        const QString from = real(args[0]), to = real(args[1]);
        if (!QFileInfo(from).isFile())
            status = fail(&err, "cp: " + args[0] + ": No such file or directory");
        else if (QFileInfo(to).isDir() || (QFile::exists(to) && !QFile::remove(to)) || !QFile::copy(from, to))
            status = fail(&err, "cp: " + args[1] + ": Permission denied");
    } else if ((cmd == "/usr/sbin/chown" && args.size() == 2) || (cmd == "/usr/bin/xattr" && args.size() == 2 && args[0] == "-c")) {
        if (!QFileInfo::exists(real(args[1])))
            status = fail(&err, cmd.section('/', -1) + ": " + args[1] + ": No such file or directory");
    } else if (cmd == "/bin/chmod" && args.size() == 2) {
        bool ok = false;
        const uint mode = args[0].toUInt(&ok, 8);
        QFile f(real(args[1]));
        QFileDevice::Permissions p;
        const QFileDevice::Permission bits[9] = {QFileDevice::ExeOther, QFileDevice::WriteOther, QFileDevice::ReadOther,
                                                 QFileDevice::ExeGroup, QFileDevice::WriteGroup, QFileDevice::ReadGroup,
                                                 QFileDevice::ExeOwner, QFileDevice::WriteOwner, QFileDevice::ReadOwner};
        for (int b = 0; b < 9; ++b)
            if (mode & (1u << b))
                p |= bits[b];
        if (p & QFileDevice::ReadOwner)
            p |= QFileDevice::ReadUser;
        if (p & QFileDevice::WriteOwner)
            p |= QFileDevice::WriteUser;
        if (p & QFileDevice::ExeOwner)
            p |= QFileDevice::ExeUser;
        if (!ok || !f.exists() || !f.setPermissions(p))
            status = fail(&err, "chmod: " + args[1] + ": No such file or directory");
    } else if (cmd == "/bin/rm" && !args.isEmpty() && args[0] == "-f") {
        for (const QString& path : args.mid(1))
            QFile::remove(real(path));
    } else {
        status = fail(&err, "sh: " + cmd + ": command not found", 127);
    }
    if (status != 0 && !quiet)
        *error = err;
    return status;
}

} // namespace

void reset(Prompt answer)
{
    // The system folders a Mac comes with.
    QDir().mkpath(platform::paths::map("/Library/LaunchDaemons"));
    std::lock_guard lock(state().mutex);
    state().prompt = answer;
    state().creationFails = false;
    state().failing.clear();
    state().lines.clear();
    state().prompts = 0;
}

void setPrompt(Prompt answer)
{
    std::lock_guard lock(state().mutex);
    state().prompt = answer;
}

void setCreationFails(bool fails)
{
    std::lock_guard lock(state().mutex);
    state().creationFails = fails;
}

void setFailingCommand(const QString& path)
{
    std::lock_guard lock(state().mutex);
    state().failing = path;
}

QStringList commandLines()
{
    std::lock_guard lock(state().mutex);
    return state().lines;
}

int prompts()
{
    std::lock_guard lock(state().mutex);
    return state().prompts;
}

int runShell(const QString& line, QString* error)
{
    {
        std::lock_guard lock(state().mutex);
        state().lines << line;
    }
    QString err;
    const auto words = split(line, &err);
    if (!words) {
        *error = err;
        return 2;
    }
    // Lists: ";" runs the next command whatever happened, "&&" only after a success.
    int status = 0;
    bool skip = false;
    QStringList argv;
    auto finish = [&] {
        if (!argv.isEmpty() && !skip) {
            QString e;
            status = run(argv, &e);
            if (!e.isEmpty())
                err = e;
        }
        argv.clear();
    };
    for (const Word& w : *words) {
        if (!w.op) {
            argv << w.text;
            continue;
        }
        finish();
        skip = w.text == "&&" ? (skip || status != 0) : false;
    }
    finish();
    *error = status == 0 ? QString() : err;
    return status;
}

namespace {

class ShellScript : public platform::applescript::Script {
public:
    explicit ShellScript(QString line) : line_(std::move(line)) {}

    bool execute(QVariantMap* errorInfo) override
    {
        Prompt answer;
        {
            std::lock_guard lock(state().mutex);
            ++state().prompts;
            answer = state().prompt;
        }
        if (answer == Prompt::ask) {
            const QString name = QCoreApplication::applicationName();
            answer = adminprompt::ask(name.isEmpty() ? QStringLiteral("Pelorn") : name) ? Prompt::approve : Prompt::cancel;
        }
        if (answer == Prompt::cancel) {
            *errorInfo = {{platform::applescript::kErrorMessage, QString("User canceled.")},
                          {platform::applescript::kErrorNumber, qlonglong(-128)}};
            return false;
        }
        QString error;
        const int status = runShell(line_, &error);
        if (status == 0)
            return true;
        *errorInfo = {{platform::applescript::kErrorMessage, error}, {platform::applescript::kErrorNumber, qlonglong(status)}};
        return false;
    }

private:
    QString line_;
};

// The text of an AppleScript string literal that runs from `from` to its closing quote.
std::optional<QString> literal(const QString& source, qsizetype from, qsizetype* end)
{
    QString out;
    for (qsizetype i = from; i < source.size(); ++i) {
        if (source[i] == '\\' && i + 1 < source.size()) {
            const QChar n = source[++i];
            out += n == 'n' ? QChar('\n') : n == 't' ? QChar('\t') : n;
        } else if (source[i] == '"') {
            *end = i;
            return out;
        } else {
            out += source[i];
        }
    }
    return std::nullopt;
}

} // namespace
} // namespace sim::adminscript

namespace platform::applescript {

std::unique_ptr<Script> create(const QString& source)
{
    {
        auto& s = sim::adminscript::state();
        std::lock_guard lock(s.mutex);
        if (s.creationFails)
            return nullptr;
    }
    const QString head = "do shell script \"";
    const QString tail = " with administrator privileges";
    if (!source.startsWith(head))
        return nullptr;
    qsizetype end = 0;
    const auto line = sim::adminscript::literal(source, head.size(), &end);
    if (!line || source.mid(end + 1) != tail)
        return nullptr;
    return std::make_unique<sim::adminscript::ShellScript>(*line);
}

} // namespace platform::applescript

namespace platform::bundle {

QString mainPath()
{
    const QByteArray env = qgetenv("PELORN_BUNDLE");
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    return sim::bundle::of(QFileInfo("/proc/self/exe").canonicalFilePath());
}

QString temporaryDirectory()
{
    const QString dir = platform::paths::map("/private/var/folders/pelorn/T");
    QDir().mkpath(dir);
    QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return dir;
}

} // namespace platform::bundle

namespace sim::bundle {

QString of(const QString& program)
{
    const QString folder = QFileInfo(program).absolutePath();
    const QString inside = "/Contents/MacOS";
    if (folder.endsWith(".app" + inside))
        return folder.chopped(inside.size());
    if (const QString beside = folder + "/Pelorn.app"; QFileInfo(beside).isDir())
        return beside;
    return platform::paths::map("/Applications/Pelorn.app");
}

} // namespace sim::bundle
