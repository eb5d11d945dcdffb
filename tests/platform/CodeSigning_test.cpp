// The simulated code signature binds the signer's key to the very code it signed.
#include "platform/CodeSigning.h"
#include "platform/sim/CodeSigning.h"
#include "support/SimTest.h"

#include <QFileInfo>
#include <QCryptographicHash>
#include <QFile>
#include <functional>
#include <sys/stat.h>

namespace {

class CodeSigningTest : public SimTest {
protected:
    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = root() + "/" + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return path;
    }
    static void append(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write(bytes);
    }
    static QByteArray contents(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static QString requirementFor(const QByteArray& key)
    {
        return "identifier \"com.ostrane.pelorn\" and certificate leaf = H\""
               + QString::fromLatin1(QCryptographicHash::hash(sim::codesign::certificate(key), QCryptographicHash::Sha1).toHex())
               + "\"";
    }
};

TEST_F(CodeSigningTest, SignatureHoldsOnlyForTheCodeAndSignerItWasMadeFor)
{
    const QByteArray developer = sim::codesign::makeKey();
    const QByteArray stranger = sim::codesign::makeKey();
    ASSERT_FALSE(developer.isEmpty());
    ASSERT_NE(sim::codesign::certificate(developer), sim::codesign::certificate(stranger));
    const QString requirement = requirementFor(developer);
    auto signedProgram = [&](const QString& name, const QByteArray& code, const QByteArray& key) {
        const QString path = write(name, code);
        EXPECT_TRUE(sim::codesign::sign(path, "com.ostrane.pelorn", key));
        return path;
    };

    struct Case {
        const char* what;
        std::function<QString()> program;
        int32_t status;
    };
    const Case cases[] = {
        {"signed by the developer", [&] { return signedProgram("app", "the application's code", developer); },
         platform::codesign::kSuccess},
        {"signed again, over its old signature",
         [&] {
             const QString path = signedProgram("again", "the application's code", developer);
             EXPECT_TRUE(sim::codesign::sign(path, "com.ostrane.pelorn", developer));
             return path;
         },
         platform::codesign::kSuccess},
        {"another program carrying a copied trailer",
         [&] {
             const QString app = signedProgram("app", "the application's code", developer);
             const QString other = write("other", "some other program");
             append(other, sim::codesign::trailer(app));
             return other;
         },
         platform::codesign::kErrorSignatureFailed},
        {"code changed after signing",
         [&] {
             const QString path = signedProgram("patched", "the application's code", developer);
             QByteArray bytes = contents(path);
             bytes[4] = 'X';
             return write("patched", bytes);
         },
         platform::codesign::kErrorSignatureFailed},
        {"identifier changed after signing",
         [&] {
             const QString path = write("renamed", "the application's code");
             EXPECT_TRUE(sim::codesign::sign(path, "com.ostrane.pelorm", developer));
             return write("renamed", contents(path).replace("com.ostrane.pelorm", "com.ostrane.pelorn"));
         },
         platform::codesign::kErrorSignatureFailed},
        {"a stranger's signature under the developer's certificate",
         [&] {
             const QString path = signedProgram("forged", "the application's code", stranger);
             const QByteArray theirs = sim::codesign::certificate(stranger).toHex();
             const QByteArray ours = sim::codesign::certificate(developer).toHex();
             return write("forged", contents(path).replace(theirs, ours));
         },
         platform::codesign::kErrorSignatureFailed},
        {"signed, but larger than the application could be",
         [&] {
             const QString path = write("padded", "the application's code");
             EXPECT_TRUE(QFile(path).resize(sim::codesign::kMaxCodeSize + 1)); // sparse
             EXPECT_TRUE(sim::codesign::sign(path, "com.ostrane.pelorn", developer));
             return path;
         },
         platform::codesign::kErrorSignatureFailed},
        {"signed by a stranger", [&] { return signedProgram("stranger", "the application's code", stranger); },
         platform::codesign::kErrorRequirementFailed},
        {"unsigned", [&] { return write("plain", "the application's code"); }, platform::codesign::kErrorUnsigned},
    };
    for (const Case& c : cases) {
        const QString path = c.program();
        EXPECT_EQ(platform::codesign::checkValidity(platform::codesign::StaticCode{path}, requirement), c.status)
            << c.what;
    }
}

// An executable is hashed once while it stays as it is; a file written since, even keeping its
// size, is hashed again.
TEST_F(CodeSigningTest, ExecutableIsHashedAgainOnlyOnceChanged)
{
    // Built before the tests ran: settled.
    const platform::codesign::StaticCode built{QFileInfo("/proc/self/exe").canonicalFilePath()};
    const auto info = platform::codesign::copySigningInformation(built);
    ASSERT_TRUE(info && !info->certificates.isEmpty());
    const QString builtRequirement =
        "identifier \"" + info->identifier + "\" and certificate leaf = H\""
        + QString::fromLatin1(QCryptographicHash::hash(info->certificates.first(), QCryptographicHash::Sha1).toHex())
        + "\"";
    ASSERT_EQ(platform::codesign::checkValidity(built, builtRequirement), platform::codesign::kSuccess);
    const int cached = sim::codesign::hashesMade();
    EXPECT_EQ(platform::codesign::checkValidity(built, builtRequirement), platform::codesign::kSuccess);
    EXPECT_EQ(sim::codesign::hashesMade(), cached);

    const QByteArray developer = sim::codesign::makeKey();
    const QString requirement = requirementFor(developer);
    const QString path = write("app", "the application's code");
    const platform::codesign::StaticCode code{path};
    struct Case {
        const char* what;
        std::function<void()> change;
        int32_t status;
    };
    const Case cases[] = {
        {"signed", [&] { ASSERT_TRUE(sim::codesign::sign(path, "com.ostrane.pelorn", developer)); },
         platform::codesign::kSuccess},
        {"a byte of code rewritten in place",
         [&] {
             QFile f(path);
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             f.seek(4);
             f.write("X");
         },
         platform::codesign::kErrorSignatureFailed},
        {"signed again as it now stands",
         [&] { ASSERT_TRUE(sim::codesign::sign(path, "com.ostrane.pelorn", developer)); },
         platform::codesign::kSuccess},
        {"the byte put back", [&] {
             QFile f(path);
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             f.seek(4);
             f.write(" ");
         },
         platform::codesign::kErrorSignatureFailed},
    };
    for (const Case& c : cases) {
        c.change();
        const int hashed = sim::codesign::hashesMade();
        EXPECT_EQ(platform::codesign::checkValidity(code, requirement), c.status) << c.what;
        EXPECT_GT(sim::codesign::hashesMade(), hashed) << c.what;
    }
}

// The build's key is made once, readable by its owner alone, and the same for every signer.
TEST_F(CodeSigningTest, KeptKeyIsMadeOnceAndPrivate)
{
    const QString path = root() + "/build/codesign/developer-key.pem";
    const QByteArray first = sim::codesign::keptKey(path);
    ASSERT_FALSE(sim::codesign::certificate(first).isEmpty());
    EXPECT_EQ(sim::codesign::keptKey(path), first);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u);
}

} // namespace
