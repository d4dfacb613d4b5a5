// Writing floats as "%g" text, the scene writer's commonest step, against
// printf itself.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "pov/format_g.h"

namespace {

// Numbers as LDraw files and their transformations make them: a third are
// small integers, the rest have up to four decimals (0.7071, -12.5, 0.0833).
std::vector<float> SceneLikeNumbers() {
  std::mt19937 random(42);
  std::vector<float> values;
  for (int i = 0; i < 4096; ++i) {
    const int whole = static_cast<int>(random() % 400) - 200;
    if (i % 3 == 0) {
      values.push_back(static_cast<float>(whole));
      continue;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%d.%04u", whole,
                  static_cast<unsigned>(random() % 10000));
    values.push_back(std::strtof(text, nullptr));
  }
  return values;
}

// Floats of moderate size with all 24 bits of mantissa, as sums and
// products of the numbers above become.
std::vector<float> FullMantissaNumbers() {
  std::mt19937 random(43);
  std::uniform_real_distribution<float> moderate(-1000.0f, 1000.0f);
  std::vector<float> values;
  for (int i = 0; i < 4096; ++i) values.push_back(moderate(random));
  return values;
}

void RunFormatG(benchmark::State& state, const std::vector<float>& values,
                bool with_read_back) {
  char text[kFormatGSize];
  double read = 0;
  size_t bytes = 0;
  for (auto _ : state) {
    for (const float value : values) {
      bytes += static_cast<size_t>(
          FormatG(value, text, with_read_back ? &read : nullptr));
      benchmark::DoNotOptimize(text);
      benchmark::DoNotOptimize(read);
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(values.size()));
  state.counters["bytes_per_number"] =
      static_cast<double>(bytes) /
      static_cast<double>(state.iterations() * values.size());
}

void BM_FormatGSceneLike(benchmark::State& state) {
  RunFormatG(state, SceneLikeNumbers(), false);
}

void BM_FormatGSceneLikeReadBack(benchmark::State& state) {
  RunFormatG(state, SceneLikeNumbers(), true);
}

void BM_FormatGFullMantissa(benchmark::State& state) {
  RunFormatG(state, FullMantissaNumbers(), false);
}

// The reference: what the same numbers cost through snprintf.
void BM_FormatGSnprintf(benchmark::State& state) {
  const std::vector<float> values = SceneLikeNumbers();
  char text[kFormatGSize];
  for (auto _ : state) {
    for (const float value : values) {
      std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
      benchmark::DoNotOptimize(text);
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(values.size()));
}

BENCHMARK(BM_FormatGSceneLike);
BENCHMARK(BM_FormatGSceneLikeReadBack);
BENCHMARK(BM_FormatGFullMantissa);
BENCHMARK(BM_FormatGSnprintf);

}  // namespace
