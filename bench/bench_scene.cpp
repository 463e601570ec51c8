// A whole scene file read and written: some fifteen megabytes of objects,
// each with a transform, a material, a long coordinate array and a long face
// index array. Next to them a pass that only converts every number of the
// same text with std::from_chars. The run ends with the speed of each pass in
// MB/s; reading should stay within 3x of the baseline's time. Last, the
// program converts the same text as a user does (`fennix --convert`, next to
// this program) and reports that process's peak memory, and the peak of a
// conversion of an empty scene: what start-up alone costs.
#include <benchmark/benchmark.h>

#include "bench/NumberBaseline.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "engine/SgNodara.h"
#include "engine/actions/SgOpenAction.h"
#include "engine/actions/SgSaveAction.h"
#include "engine/actions/Vrml1Format.h"
#include "engine/actions/Vrml1InStream.h"
#include "engine/actions/Vrml1Stream.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/SgProgress.h"

namespace {

constexpr int kObjects = 320;
// A grid of kSide x kSide points per object, cut into quads.
constexpr int kSide = 32;

// Reads straight from the text in memory, so a pass measures parsing and not
// the copy a string stream would make of the whole file.
class MemoryBuffer : public std::streambuf {
public:
    explicit MemoryBuffer(const std::string &text)
    {
        char *begin = const_cast<char *>(text.data());
        setg(begin, begin, begin + text.size());
    }
};

// Counts what is written and keeps nothing, so the write pass measures the
// writer and not the growth of a string.
class CountingBuffer : public std::streambuf {
public:
    size_t Count() const { return m_count; }

protected:
    int_type overflow(int_type c) override
    {
        if (c != traits_type::eof())
            ++m_count;
        return c;
    }
    std::streamsize xsputn(const char *, std::streamsize n) override
    {
        m_count += static_cast<size_t>(n);
        return n;
    }

private:
    size_t m_count = 0;
};

SgRef<SgSeparator> BuildScene()
{
    SgNodara::Init();
    SgRef<SgSeparator> root(new SgSeparator);
    root->SetName("ROOT");
    std::vector<Vec3> points(kSide * kSide);
    std::vector<int> faces;
    for (int row = 0; row + 1 < kSide; ++row) {
        for (int column = 0; column + 1 < kSide; ++column) {
            const int corner = row * kSide + column;
            for (int index : {corner, corner + 1, corner + kSide + 1, corner + kSide, -1})
                faces.push_back(index);
        }
    }
    for (int i = 0; i < kObjects; ++i) {
        // Surfaces as modelling tools write them: a few decimals, mixed signs
        // and magnitudes.
        for (int p = 0; p < kSide * kSide; ++p) {
            const double u = (p % kSide) * 0.25 - 4.0;
            const double v = (p / kSide) * 0.25 - 4.0;
            points[p] = Vec3(u, std::round(std::sin(u * 0.7 + i) * std::cos(v * 0.3) * 1e4) / 1e3, v + i * 0.125);
        }
        auto *object = new SgObject;
        object->SetName(("surface " + std::to_string(i)).c_str());
        object->GetTransform(true)->m_translation = Vec3(i % 20 * 10.0, 0, i / 20 * 10.0);
        object->GetTransform()->m_rotation = Rotation(Vec3(0, 1, 0), i * 0.01);
        auto *material = new SgMaterial;
        const Color color((i % 7) / 7.0, (i % 5) / 5.0, (i % 3) / 3.0, 1.0);
        material->m_diffuseColor.SetVals(1, &color);
        object->AddPropertyNode(material, true);
        auto *coordinates = new SgCoordinate3;
        coordinates->m_point.SetVals(static_cast<int>(points.size()), points.data());
        object->AddChild(coordinates);
        auto *mesh = new SgIndexedFaceSet;
        mesh->m_coordIndex.SetVals(static_cast<int>(faces.size()), faces.data());
        object->AddChild(mesh);
        root->AddChild(object);
    }
    return root;
}

const std::string &SceneText()
{
    static const std::string text = [] {
        SgRef<SgSeparator> root = BuildScene();
        std::ostringstream out;
        Vrml1Stream stream(out);
        SgSaveAction action(false);
        action.SetStream(&stream);
        action.WriteHeader(Vrml1Format::kWriterVersion);
        action.Apply(root);
        return out.str();
    }();
    return text;
}

void BM_ReadScene(benchmark::State &state)
{
    const std::string &text = SceneText();
    for (auto _ : state) {
        MemoryBuffer buffer(text);
        std::istream in(&buffer);
        Vrml1InStream stream(in, "bench.kvrx");
        stream.SetNotifyUser(false);
        SgRef<SgSeparator> root(new SgSeparator);
        if (!SgOpenAction::ReadScene(stream, *root) || root->GetChildsCount() != kObjects)
            state.SkipWithError("the scene did not read back");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ReadScene)->Unit(benchmark::kMillisecond);

// The same read telling a listener how far it got, a block at a time, as a
// window's status line hears it: the difference to BM_ReadScene is the cost
// of the report points.
void BM_ReadSceneReportingProgress(benchmark::State &state)
{
    const std::string &text = SceneText();
    int64_t reports = 0;
    SgProgressSubscription listening = SgSubscribeProgress([&reports](const SgProgressReport &) {
        ++reports;
        return true;
    });
    for (auto _ : state) {
        MemoryBuffer buffer(text);
        std::istream in(&buffer);
        SgWorkProgress progress("Reading scene", text.size());
        Vrml1InStream stream(in, "bench.kvrx");
        stream.SetNotifyUser(false);
        stream.SetProgress(&progress);
        SgRef<SgSeparator> root(new SgSeparator);
        if (!SgOpenAction::ReadScene(stream, *root) || root->GetChildsCount() != kObjects)
            state.SkipWithError("the scene did not read back");
    }
    state.counters["reports"] = benchmark::Counter(double(reports) / double(state.iterations()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ReadSceneReportingProgress)->Unit(benchmark::kMillisecond);

void BM_WriteScene(benchmark::State &state)
{
    SgRef<SgSeparator> root = BuildScene();
    for (auto _ : state) {
        CountingBuffer buffer;
        std::ostream out(&buffer);
        Vrml1Stream stream(out);
        SgSaveAction action(false);
        action.SetStream(&stream);
        action.WriteHeader(Vrml1Format::kWriterVersion);
        if (!action.Apply(root))
            state.SkipWithError("the scene was not written");
        benchmark::DoNotOptimize(buffer.Count());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(SceneText().size()));
}
BENCHMARK(BM_WriteScene)->Unit(benchmark::kMillisecond);

// Converts every number of the same text and nothing else: no stream, no
// grammar, no nodes.
void BM_BaselineFromChars(benchmark::State &state)
{
    const std::string &text = SceneText();
    for (auto _ : state) {
        const NumberBaselineResult result = ConvertEveryNumber(text);
        benchmark::DoNotOptimize(result.sum);
        if (result.count < static_cast<long>(kObjects) * kSide * kSide * 3)
            state.SkipWithError("the baseline did not find every number");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_BaselineFromChars)->Unit(benchmark::kMillisecond);

// Prints the usual table, then each pass's speed and its time against the baseline.
class SpeedReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (!run.error_occurred && run.run_type == Run::RT_Iteration)
                m_times[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintSpeeds() const
    {
        const double megabytes = static_cast<double>(SceneText().size()) / (1024.0 * 1024.0);
        std::printf("\nScene text: %.1f MB, %d objects of %d points\n", megabytes, kObjects, kSide * kSide);
        auto baseline = m_times.find("BM_BaselineFromChars");
        for (const char *name :
             {"BM_BaselineFromChars", "BM_ReadScene", "BM_ReadSceneReportingProgress", "BM_WriteScene"}) {
            auto it = m_times.find(name);
            if (it == m_times.end() || it->second <= 0)
                continue;
            std::printf("%-22s %8.1f ms  %8.1f MB/s", name, it->second, megabytes / (it->second / 1000.0));
            if (baseline != m_times.end() && baseline->second > 0 && it != baseline)
                std::printf("  = %.2fx the baseline's time", it->second / baseline->second);
            std::printf("\n");
        }
    }

private:
    std::map<std::string, double> m_times;
};

// One run of `fennix --convert IN OUT`: its peak resident memory in MB (the
// kernel's high-water mark of the child) and its wall time in ms; -1 when
// it could not run or failed.
struct ConversionRun {
    double peakMegabytes = -1;
    double milliseconds = -1;
};

ConversionRun Convert(const std::filesystem::path &fennix, const std::filesystem::path &in,
                      const std::filesystem::path &out)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0)
        return {};
    if (child == 0) {
        // The conversion's messages would only clutter the table.
        std::freopen("/dev/null", "w", stderr);
        execl(fennix.c_str(), fennix.c_str(), "--convert", in.c_str(), out.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    ConversionRun run;
    run.milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    run.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return run;
}

void PrintConversionMemory(const char *self)
{
    std::error_code error;
    const std::filesystem::path fennix =
        std::filesystem::canonical(self, error).parent_path() / "fennix";
    if (error || !std::filesystem::exists(fennix)) {
        std::printf("\nConversion memory: no fennix beside this program\n");
        return;
    }
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("bench_scene." + std::to_string(getpid()));
    std::filesystem::create_directories(folder, error);
    const std::filesystem::path scene = folder / "scene.kvrx";
    const std::filesystem::path empty = folder / "empty.kvrx";
    const std::filesystem::path out = folder / "out.kvrx";
    std::ofstream(scene, std::ios::binary) << SceneText();
    std::ofstream(empty, std::ios::binary) << Vrml1Format::kHeaderPrefix << Vrml1Format::kWriterVersion << "\n";
    const ConversionRun startUp = Convert(fennix, empty, out);
    const ConversionRun whole = Convert(fennix, scene, out);
    std::filesystem::remove_all(folder, error);
    std::printf("\nfennix --convert of the scene text: peak %.1f MB resident, %.0f ms\n", whole.peakMegabytes,
                whole.milliseconds);
    std::printf("fennix --convert of an empty scene (start-up): peak %.1f MB resident\n", startUp.peakMegabytes);
    if (whole.peakMegabytes > 0 && startUp.peakMegabytes > 0)
        std::printf("the scene's own share: %.1f MB\n", whole.peakMegabytes - startUp.peakMegabytes);
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    SpeedReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSpeeds();
    PrintConversionMemory(argv[0]);
    benchmark::Shutdown();
    return 0;
}
