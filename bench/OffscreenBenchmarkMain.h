#pragma once

#include <QApplication>
#include <QByteArray>

#include <benchmark/benchmark.h>

#include <functional>

// main() of a benchmark program whose fixtures need widgets: an offscreen application
// around Google Benchmark's own run. `beforeExit` lets go of what the fixtures kept while
// the application still lives.
inline int runOffscreenBenchmarks(int argc, char **argv,
                                  const std::function<void()> &beforeExit = {})
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    if (beforeExit)
        beforeExit();
    benchmark::Shutdown();
    return 0;
}
