// Parametric models per frame: a model of one box whose width is a formula
// over w, drawn through 100 instances each with its own w; and the cost of
// one formula evaluation against the same value computed in C++.
#include <benchmark/benchmark.h>

#include <string>

#include "engine/SgNodara.h"
#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/engines/SgParametric.h"
#include "engine/engines/lisp/Lisp.h"
#include "engine/nodes/geometry/SgCube.h"

namespace {

SgParametricModel *BoxModel()
{
    SgNodara::Init();
    LispSetOutput([](std::string_view) {});
    auto *model = new SgParametricModel(true, true);
    auto *cube = new SgCube;
    model->AddChild(cube);
    const double w = 1.0;
    model->addParam("w", SgField::GetClassIDFromName("SgFDouble"), &w);
    model->addScript(&cube->m_width, "(* w 2)");
    DxLispScript::buildScriptEngine(model);
    return model;
}

// One frame: every instance pushes its w, its formula runs, the box is measured.
void BM_HundredInstancesPerFrame(benchmark::State &state)
{
    SgRef<SgParametricModel> model = BoxModel();
    SgRef<SgSeparator> scene = new SgSeparator;
    for (int i = 0; i < 100; ++i) {
        auto *instance = new SgParametricObject(model.get());
        const double w = 0.5 + i * 0.01;
        instance->setCurrentValue("w", &w, 0);
        instance->SetMove(Vec3(i, 0, 0));
        scene->AddChild(instance);
    }
    SgPath path;
    path.Append(scene.get());
    for (auto _ : state) {
        const Range<Vec3f> box = SgBoundingBoxAction::CalcBoundingBox(path);
        benchmark::DoNotOptimize(box);
    }
    state.SetItemsProcessed(state.iterations() * 100);
    state.counters["evaluations/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * 100,
                                                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_HundredInstancesPerFrame)->Unit(benchmark::kMicrosecond);

// One evaluation of (* w 2) as the formula module runs it: sandboxed and
// budgeted, applied to its parameter on the argument stack.
void BM_OneFormulaEvaluation(benchmark::State &state)
{
    SgNodara::Init();
    LispSetOutput([](std::string_view) {});
    value_t lambda;
    LispRootNode root(&lambda);
    {
        LispFormulaScope scope;
        lambda = LispEvalTopLevel(LispReadFromString("(lambda ( w ) (* w 2) )"));
    }
    double w = 0.0;
    for (auto _ : state) {
        w += 1.0;
        LispFormulaScope scope;
        value_t *mark = LispArgTop();
        LispPushArg(lambda);
        LispPushArg(value_t::Double(w));
        const value_t result = LispApply(mark, 2);
        LispSetArgTop(mark);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_OneFormulaEvaluation);

// One evaluation through the whole formula dataflow: a new w into the
// parameter socket, the target field read back.
void BM_OneFormulaThroughTheDataflow(benchmark::State &state)
{
    SgRef<SgParametricModel> model = BoxModel();
    SgField *socket = model->getParam("w")->m_pSocketField.get();
    auto *cube = dynamic_cast<SgCube *>(model->GetInnerGroup()->GetChild(0));
    double w = 0.0;
    for (auto _ : state) {
        w += 1.0;
        socket->SetValuePtr(&w, 0, false, false);
        benchmark::DoNotOptimize(cube->m_width.Get(true));
    }
}
BENCHMARK(BM_OneFormulaThroughTheDataflow);

__attribute__((noinline)) double TwiceInCpp(double w)
{
    return w * 2;
}

void BM_SameValueInCpp(benchmark::State &state)
{
    double w = 0.0;
    for (auto _ : state) {
        w += 1.0;
        benchmark::DoNotOptimize(TwiceInCpp(w));
    }
}
BENCHMARK(BM_SameValueInCpp);

} // namespace

BENCHMARK_MAIN();
