// The interpreter's speed: calls through the evaluator and the collector.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "engine/engines/lisp/Lisp.h"

namespace {

// The collector prints its statistics on every run; the benchmarks drop them.
void StartQuietly()
{
    LispSetOutput([](std::string_view) {});
    LispReset();
}

value_t Evaluate(const char *text)
{
    return LispEvalTopLevel(LispReadFromString(text));
}

void RequireValue(benchmark::State &state, value_t v, const char *expected)
{
    if (LispPrintToString(v) != expected)
        state.SkipWithError(("unexpected result " + LispPrintToString(v)).c_str());
}

void BM_Fib25(benchmark::State &state)
{
    StartQuietly();
    Evaluate("(defun fib (n) (if (< n 2) n (+ (fib (- n 1)) (fib (- n 2)))))");
    value_t call = LispReadFromString("(fib 25)");
    LispRootNode root(&call);
    for (auto _ : state) {
        value_t result = LispEvalTopLevel(call);
        benchmark::DoNotOptimize(result);
        RequireValue(state, result, "75025");
    }
}
BENCHMARK(BM_Fib25)->Unit(benchmark::kMillisecond);

void BM_Tak18_12_6(benchmark::State &state)
{
    StartQuietly();
    Evaluate("(defun tak (x y z) (if (< y x) (tak (tak (- x 1) y z) (tak (- y 1) z x) (tak (- z 1) x y)) z))");
    value_t call = LispReadFromString("(tak 18 12 6)");
    LispRootNode root(&call);
    for (auto _ : state) {
        value_t result = LispEvalTopLevel(call);
        benchmark::DoNotOptimize(result);
        RequireValue(state, result, "7");
    }
}
BENCHMARK(BM_Tak18_12_6)->Unit(benchmark::kMillisecond);

// Builds a 20,000-element list and drops it, again and again: each round
// leaves the whole list for the collector.
void BM_CollectorLongLists(benchmark::State &state)
{
    StartQuietly();
    Evaluate("(defun build (n) (let ((l nil)) (progn (while (< 0 n) (progn (setq l (cons n l)) (setq n (- n 1)))) (len l))))");
    value_t call = LispReadFromString("(build 20000)");
    LispRootNode root(&call);
    for (auto _ : state) {
        value_t result = LispEvalTopLevel(call);
        benchmark::DoNotOptimize(result);
        RequireValue(state, result, "20000");
    }
    state.SetItemsProcessed(state.iterations() * 20000);
}
BENCHMARK(BM_CollectorLongLists)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
