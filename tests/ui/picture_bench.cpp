// How long the first showing of a window spends turning its PNGs into pixels.
#include <benchmark/benchmark.h>

#include "ui/picture.h"

namespace {

void BM_DecodeOne(benchmark::State& state, const char* name) {
    const auto png = xl::ui::EmbeddedPicture(name);
    for (auto _ : state) benchmark::DoNotOptimize(xl::ui::DecodePng(png));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * png.size()));
}
BENCHMARK_CAPTURE(BM_DecodeOne, login_face, "login_face");
BENCHMARK_CAPTURE(BM_DecodeOne, main_face, "main_face");
BENCHMARK_CAPTURE(BM_DecodeOne, check_on, "check_on");

// Everything the login window needs before its first paint, from a cold cache.
void BM_LoginWindowPictures(benchmark::State& state) {
    for (auto _ : state) {
        xl::ui::PictureCache cache;
        for (const char* name : {"login_face", "check_off", "login_normal", "sweep_bar"}) {
            benchmark::DoNotOptimize(cache.Get(name));
        }
    }
}
BENCHMARK(BM_LoginWindowPictures);

}  // namespace
