// What the helper's check of one client costs, on its own thread, before the client may send a
// request: the running Pelorn as built, whole (signature, environment, mappings, tracers, code
// pages against their files, the image before and after), the first time its executable is seen
// (hashed) and once its verdict is kept, and its executable's signature alone.
#include "platform/CodeSigning.h"
#include "platform/sim/CodeSigning.h"
#include "support/TestPaths.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>

namespace {

struct RunningPelorn {
    QTemporaryDir root;
    QProcess process;
    QString requirement;

    RunningPelorn()
    {
        const QString program = testpaths::buildDir() + "/src/Pelorn";
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PELORN_SIM_ROOT", root.path());
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(environment);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(program, {});
        process.waitForStarted(5000);
        QThread::sleep(3); // past its start, with every library it loads mapped
        const auto info = platform::codesign::copySigningInformation(platform::codesign::StaticCode{program});
        if (info && !info->certificates.isEmpty())
            requirement = "identifier \"com.ostrane.pelorn\" and certificate leaf = H\""
                          + QString::fromLatin1(
                              QCryptographicHash::hash(info->certificates.first(), QCryptographicHash::Sha1).toHex())
                          + "\"";
    }
    ~RunningPelorn()
    {
        process.kill();
        process.waitForFinished(5000);
    }
};

RunningPelorn& pelorn()
{
    static RunningPelorn running;
    return running;
}

void checkRunningClient(benchmark::State& state, bool firstTime)
{
    const auto code = platform::codesign::codeForPid(pelorn().process.processId());
    for (auto _ : state) {
        if (firstTime) {
            state.PauseTiming();
            sim::codesign::forgetVerdicts();
            state.ResumeTiming();
        }
        if (!code || platform::codesign::checkValidity(*code, pelorn().requirement) != platform::codesign::kSuccess)
            state.SkipWithError("the running Pelorn was refused");
    }
}

void BM_FirstCheckOfRunningClient(benchmark::State& state) { checkRunningClient(state, true); }
BENCHMARK(BM_FirstCheckOfRunningClient)->Unit(benchmark::kMillisecond);

void BM_CheckRunningClient(benchmark::State& state) { checkRunningClient(state, false); }
BENCHMARK(BM_CheckRunningClient)->Unit(benchmark::kMillisecond);

void BM_CheckExecutableOnly(benchmark::State& state)
{
    const platform::codesign::StaticCode code{testpaths::buildDir() + "/src/Pelorn"};
    for (auto _ : state)
        if (platform::codesign::checkValidity(code, pelorn().requirement) != platform::codesign::kSuccess)
            state.SkipWithError("Pelorn's signature does not hold");
}
BENCHMARK(BM_CheckExecutableOnly)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
