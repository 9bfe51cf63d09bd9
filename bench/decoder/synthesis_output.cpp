// Synthesis plus output stage for one stereo frame of 1152 samples (36 blocks),
// the work every frame of every layer pays after its layer decoder.
#include <benchmark/benchmark.h>

#include <random>

#include "state.h"

namespace {

DecoderState g_state;
uint8_t g_pcm[1152 * 4];

void FillSubbands(SubbandBuffer& sb) {
  std::mt19937 rng(1);
  std::normal_distribution<double> noise(0.0, 0.03);
  for (int ch = 0; ch < 2; ch++)
    for (int t = 0; t < 36; t++)
      for (int k = 0; k < 32; k++) sb.sample[ch][t][k] = Fixed(noise(rng) * kFixedOne / (1 + k / 4));
}

void SynthesisAndOutput(benchmark::State& state) {
  const int equalizer = int(state.range(0));
  g_state = DecoderState{};
  const int8_t flat[11] = {};
  PrepareEqualizer(g_state.equalizer, flat);
  g_state.equalizer.enabled = equalizer;
  FillSubbands(g_state.subbands);
  for (auto _ : state) {
    SynthesizeFrame(g_state.synthesis, g_state.subbands, 2, 36);
    int32_t n = OutputPcm(g_state, g_state.synthesis.pcm[0], g_state.synthesis.pcm[1], 2, 1152, g_pcm, sizeof g_pcm);
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(g_pcm);
  }
  state.SetItemsProcessed(state.iterations() * 1152);
  state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(SynthesisAndOutput)->Arg(0)->Arg(1)->ArgName("equalizer");

// kernel 1: eight blocks per pass (where the processor can), 0: the portable one.
void SynthesisOnly(benchmark::State& state) {
  g_state = DecoderState{};
  FillSubbands(g_state.subbands);
  if (SelectSynthesisKernel(int(state.range(0))) != state.range(0)) state.SkipWithError("kernel not available");
  for (auto _ : state) {
    SynthesizeFrame(g_state.synthesis, g_state.subbands, 2, 36);
    benchmark::DoNotOptimize(g_state.synthesis.pcm);
  }
  SelectSynthesisKernel(1);
  state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(SynthesisOnly)->Arg(1)->Arg(0)->ArgName("kernel");

void RateConversion48To44(benchmark::State& state) {
  static Fixed in[1152], out[kMaxConvertedSamples];
  for (int i = 0; i < 1152; i++) in[i] = (i * 7919) % 100000;
  for (auto _ : state) {
    int n = ConvertRate(in, 1152, 48000, 44100, out);
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(RateConversion48To44);

}  // namespace
