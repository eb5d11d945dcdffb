#pragma once
// The main() of benchmarks that need a QApplication: off screen unless told otherwise, on the
// real clock, every benchmark the command line selects.
#include "platform/Clock.h"

#include <QApplication>
#include <benchmark/benchmark.h>

inline int runQtBenchmarks(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::clock::testing::useReal();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
