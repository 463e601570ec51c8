// Coordinate arrays are the bulk of every scene file: a million-point Vec3
// array read and written through its text form, next to a baseline that only
// converts the same numbers with std::from_chars. The run ends with the ratio
// of each pass to the baseline; reading should stay within 3x of it.
#include <benchmark/benchmark.h>

#include "bench/NumberBaseline.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <streambuf>
#include <string>

#include "engine/SgNodara.h"
#include "engine/core/SgVecField.h"

namespace {

constexpr int kPoints = 1000000;

// Reads straight from the text in memory, so a pass measures parsing and not
// the copy a string stream would make of thirty megabytes.
class MemoryBuffer : public std::streambuf {
public:
    explicit MemoryBuffer(const std::string &text)
    {
        char *begin = const_cast<char *>(text.data());
        setg(begin, begin, begin + text.size());
    }
};

// Coordinates as modelling tools write them: a few decimals, mixed signs and
// magnitudes.
const std::string &ArrayText()
{
    static const std::string text = [] {
        SgNodara::Init();
        SgVFVec3 points;
        points.SetSize(kPoints);
        for (int i = 0; i < kPoints; ++i) {
            const double t = i * 0.001;
            const Vec3 p(std::round(std::sin(t) * 1e4) / 1e3, std::round(std::cos(t * 0.7) * 1e5) / 1e4,
                         (i % 2000) * 0.125 - 100.0);
            points.SetValuePtr(&p, i, false, true);
        }
        std::ostringstream out;
        points.WriteToStream(out, 0, -1);
        return out.str();
    }();
    return text;
}

void BM_ReadVec3Array(benchmark::State &state)
{
    const std::string &text = ArrayText();
    SgVFVec3 points;
    for (auto _ : state) {
        MemoryBuffer buffer(text);
        std::istream in(&buffer);
        points.ReadFromStream(in, false);
        if (in.fail() || points.GetCount() != kPoints)
            state.SkipWithError("the array text did not read back");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ReadVec3Array)->Unit(benchmark::kMillisecond);

void BM_WriteVec3Array(benchmark::State &state)
{
    SgVFVec3 points;
    {
        MemoryBuffer buffer(ArrayText());
        std::istream in(&buffer);
        points.ReadFromStream(in, false);
    }
    for (auto _ : state) {
        std::ostringstream out;
        points.WriteToStream(out, 0, -1);
        benchmark::DoNotOptimize(out.tellp());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(ArrayText().size()));
}
BENCHMARK(BM_WriteVec3Array)->Unit(benchmark::kMillisecond);

// Converts every number of the same text and nothing else: no stream, no
// grammar, no storage.
void BM_BaselineFromChars(benchmark::State &state)
{
    const std::string &text = ArrayText();
    for (auto _ : state) {
        const NumberBaselineResult result = ConvertEveryNumber(text);
        benchmark::DoNotOptimize(result.sum);
        if (result.count != 3 * kPoints)
            state.SkipWithError("the baseline did not find every number");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_BaselineFromChars)->Unit(benchmark::kMillisecond);

// Prints the usual table and keeps each benchmark's time per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (!run.error_occurred && run.run_type == Run::RT_Iteration)
                m_times[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatios() const
    {
        auto baseline = m_times.find("BM_BaselineFromChars");
        if (baseline == m_times.end() || baseline->second <= 0)
            return;
        std::printf("\nText: %zu bytes, %d points\n", ArrayText().size(), kPoints);
        for (const char *name : {"BM_ReadVec3Array", "BM_WriteVec3Array"}) {
            auto it = m_times.find(name);
            if (it != m_times.end())
                std::printf("%-20s %8.1f ms  = %.2fx the from_chars baseline (%.1f ms)\n", name, it->second,
                            it->second / baseline->second, baseline->second);
        }
    }

private:
    std::map<std::string, double> m_times;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
