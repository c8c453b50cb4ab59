// What reading and saving a settings file of many keys costs: the time per
// key should stay flat as the file grows (the complexity line at the end).
//
//   build/native/tests/bench/lensoro_bench --benchmark_filter=Ini
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "Format.h"
#include "Ini.h"

using namespace lensoro;

namespace {

// A UTF-16 file of `keys` keys, 250 to a section.
std::vector<std::uint8_t> ManyKeysFile(long keys) {
  std::u16string text;
  for (long k = 0; k < keys; ++k) {
    if (k % 250 == 0) text += u"[Section" + AsciiToUtf16(std::to_string(k / 250).c_str()) + u"]\r\n";
    text += u"Key" + AsciiToUtf16(std::to_string(k % 250).c_str()) + u"=v\r\n";
  }
  std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return bytes;
}

void BM_IniParseAndSave(benchmark::State& state) {
  const std::vector<std::uint8_t> bytes = ManyKeysFile(state.range(0));
  for (auto _ : state) {
    const TIniFile ini(bytes);
    benchmark::DoNotOptimize(ini.ToBytes());
  }
  state.SetComplexityN(state.range(0));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

}  // namespace

BENCHMARK(BM_IniParseAndSave)->RangeMultiplier(4)->Range(1 << 10, 1 << 18)->Unit(benchmark::kMillisecond)->Complexity();
