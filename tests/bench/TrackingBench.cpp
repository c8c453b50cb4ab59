// What one tracking step costs on the simulated desktop: the 50 ms tick's
// UpdateMagnifier, in pointer mode and in window mode.
//
//   build/native/tests/bench/lensoro_bench
#include <benchmark/benchmark.h>

#include <memory>

#include "Application.h"
#include "Main.h"
#include "SimDesktop.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

// The loupe at its designed place and size, as the e2e tests see it:
// 268 x 220 at (243, 478), frame 4, rate 2.0.
struct TLoupeOnDesktop {
  TSimDesktop Desk;
  TSimProcess& Proc = Desk.AddProcess(u"C:\\Tools\\lensoro.exe");
  TApplication App{Proc};
  std::unique_ptr<TMainForm> Form;

  TLoupeOnDesktop() {
    App.Initialize();
    Form = std::make_unique<TMainForm>(App);
    Form->SetBounds(243, 478, 268, 220);
    Desk.ClearCalls();
  }
  // The platform calls one step makes, from the sim's log.
  double CallsPerStep(TLoupeMode mode) {
    Form->UpdateMagnifier(mode);
    const double n = static_cast<double>(Desk.Calls().size());
    Desk.ClearCalls();
    return n;
  }
};

// The pointer walks over the desktop, so some steps hit the clamps.
void BM_UpdateMagnifierPointer(benchmark::State& state) {
  TLoupeOnDesktop t;
  state.counters["calls"] = t.CallsPerStep(lmPointer);
  int i = 0;
  for (auto _ : state) {
    t.Desk.Cursor = {(i * 37) % 1920, (i * 23) % 1080};
    t.Form->UpdateMagnifier(lmPointer);
    // The sim logs every call; emptying the log keeps its capacity, so the
    // step never waits for the log to grow.
    t.Desk.ClearCalls();
    ++i;
  }
  benchmark::DoNotOptimize(t.Form->Magnifier().SrcRect());
}

void BM_UpdateMagnifierWindow(benchmark::State& state) {
  TLoupeOnDesktop t;
  t.Form->SetLoupeSrcOrigin(static_cast<TLoupeSrcOrigin>(state.range(0)));
  state.counters["calls"] = t.CallsPerStep(lmWindow);
  for (auto _ : state) {
    t.Form->UpdateMagnifier(lmWindow);
    t.Desk.ClearCalls();
  }
  benchmark::DoNotOptimize(t.Form->Magnifier().SrcRect());
}

}  // namespace

BENCHMARK(BM_UpdateMagnifierPointer);
BENCHMARK(BM_UpdateMagnifierWindow)->DenseRange(lsoTopLeft, lsoCenter)->ArgName("origin");

BENCHMARK_MAIN();
