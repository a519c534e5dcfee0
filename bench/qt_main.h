// The main of a benchmark that needs Qt's widgets: the offscreen platform,
// then Google Benchmark's run.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>

namespace bench {

inline int RunWithQt(int argc, char **argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace bench
