// Server-list parsing and merging at service scale: 20,000 rows in 34
// provinces, the reply bytes already in memory. Compared with nlohmann
// parsing the same bytes alone, and merge time over growing row counts.
#include <benchmark/benchmark.h>

#include <nlohmann/json.hpp>
#include <string>

#include "api/server_list.h"

namespace {

using namespace xl::api;

constexpr int kProvinces = 34;
constexpr int kServiceRows = 20000;

// \u escapes of the 34 provincial-level names, as the service writes them.
const char* const kProvinceNames[kProvinces] = {
    "\\u5317\\u4eac",        "\\u5929\\u6d25", "\\u4e0a\\u6d77", "\\u91cd\\u5e86",
    "\\u6cb3\\u5317",        "\\u5c71\\u897f", "\\u8fbd\\u5b81", "\\u5409\\u6797",
    "\\u9ed1\\u9f99\\u6c5f", "\\u6c5f\\u82cf", "\\u6d59\\u6c5f", "\\u5b89\\u5fbd",
    "\\u798f\\u5efa",        "\\u6c5f\\u897f", "\\u5c71\\u4e1c", "\\u6cb3\\u5357",
    "\\u6e56\\u5317",        "\\u6e56\\u5357", "\\u5e7f\\u4e1c", "\\u6d77\\u5357",
    "\\u56db\\u5ddd",        "\\u8d35\\u5dde", "\\u4e91\\u5357", "\\u9655\\u897f",
    "\\u7518\\u8083",        "\\u9752\\u6d77", "\\u53f0\\u6e7e", "\\u5185\\u8499\\u53e4",
    "\\u5e7f\\u897f",        "\\u897f\\u85cf", "\\u5b81\\u590f", "\\u65b0\\u7586",
    "\\u9999\\u6e2f",        "\\u6fb3\\u95e8"};

// A list reply of `rows` rows spread evenly over the provinces, sorted by province.
std::string Reply(int rows) {
    std::string json = "{\"code\": 200, \"msg\": \"ok\", \"data\": [";
    for (int i = 0; i < rows; ++i) {
        const int province = i * kProvinces / rows;
        json += i ? ", " : "";
        json += "{\"province\": \"" + std::string(kProvinceNames[province]) +
                "\", \"city\": \"\\u57ce\\u5e02" + std::to_string(i % 97) +
                "\", \"domain\": \"Node" + std::to_string(i) + ".P" + std::to_string(province) +
                ".xiulan.example\", \"isp\": \"\\u7535\\u4fe1\", \"status\": " +
                std::to_string(i % 50 == 0 ? 1 : 0) + "}";
    }
    return json + "]}";
}

void NlohmannParseAlone(benchmark::State& state) {
    const std::string reply = Reply(kServiceRows);
    for (auto _ : state) benchmark::DoNotOptimize(nlohmann::json::parse(reply));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * reply.size()));
}
BENCHMARK(NlohmannParseAlone)->Unit(benchmark::kMillisecond);

// What a refresh costs once downloaded: parse the reply and merge it into a list already holding
// the same rows.
void ParseAndMerge(benchmark::State& state) {
    const std::string reply = Reply(kServiceRows);
    ProvinceGroups stored;
    ParseServerList(reply, LineMode::Dynamic, stored);
    for (auto _ : state) {
        ProvinceGroups fresh;
        ParseServerList(reply, LineMode::Dynamic, fresh);
        MergeServerList(stored, std::move(fresh), 1);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * reply.size()));
}
BENCHMARK(ParseAndMerge)->Unit(benchmark::kMillisecond);

void ParseOnly(benchmark::State& state) {
    const std::string reply = Reply(kServiceRows);
    for (auto _ : state) {
        ProvinceGroups fresh;
        benchmark::DoNotOptimize(ParseServerList(reply, LineMode::Dynamic, fresh));
    }
}
BENCHMARK(ParseOnly)->Unit(benchmark::kMillisecond);

// Merge alone over row counts ten times apart; time should grow linearly with the rows.
void MergeOnly(benchmark::State& state) {
    ProvinceGroups stored, fresh;
    ParseServerList(Reply(static_cast<int>(state.range(0))), LineMode::Dynamic, stored);
    for (auto _ : state) {
        state.PauseTiming();
        fresh = stored;
        state.ResumeTiming();
        MergeServerList(stored, std::move(fresh), 1);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(MergeOnly)
    ->Arg(2000)
    ->Arg(20000)
    ->Arg(200000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace
