// Traversal of a 100,000-node graph: the cost of dispatch through the visitor
// tables, group iteration, path upkeep and separator pushes, with an action
// that does nothing at a node and with one that reads three state elements
// per node. Reported as nodes per second (items_per_second).
#include <benchmark/benchmark.h>

#include "engine/SgNodara.h"
#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgState.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"

namespace {

// Reads the draw style, the transform and the diffuse colour at every node.
class ReadThreeAction : public SgAction {
    SG_ACTION_HEADER(ReadThreeAction)
    ReadThreeAction() { InitState(); }

    static void VisitNode(SgAction *action, SgNode *node)
    {
        SgState *state = action->GetState();
        auto *self = static_cast<ReadThreeAction *>(action);
        if (const int *style = DrawStyleElement::Get(state))
            self->m_sink += *style;
        self->m_sink += TransformElement::Get(state).Get(0, 3);
        self->m_sink += DiffuseColorElement::Get(state) != nullptr;
        node->DoAction(action);
    }

    double m_sink = 0;
};
SG_ACTION_SOURCE(ReadThreeAction, "ReadThreeAction")

void ReadThreeAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitNode);
    BuildVisitorsMap_(s_iClassID);
    EnableElement<DrawStyleElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<TransformElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<DiffuseColorElement>(s_aiEnabledElements, s_iEnabledCount);
}

constexpr int kGroups = 1000;
constexpr int kLeavesPerGroup = 99;
// The root, the groups and their leaves.
constexpr int kNodes = 1 + kGroups * (1 + kLeavesPerGroup);

// A root separator over separators of plain leaves: two levels of pushes,
// the shape of a scene of many small objects.
SgSeparator *Graph()
{
    static SgRef<SgSeparator> root = [] {
        SgNodara::Init();
        ReadThreeAction::InitClass();
        SgRef<SgSeparator> top = new SgSeparator;
        for (int g = 0; g < kGroups; ++g) {
            SgSeparator *group = new SgSeparator;
            for (int i = 0; i < kLeavesPerGroup; ++i)
                group->AddChild(new SgNode);
            top->AddChild(group);
        }
        return top;
    }();
    return root;
}

template <class Action>
void BM_Traverse(benchmark::State &state)
{
    SgSeparator *root = Graph();
    Action action;
    for (auto _ : state) {
        if (!action.Apply(root))
            state.SkipWithError(action.GetError().c_str());
    }
    state.SetItemsProcessed(state.iterations() * kNodes);
}

BENCHMARK_TEMPLATE(BM_Traverse, SgAction)->Name("BM_Traverse/EmptyAction")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Traverse, ReadThreeAction)
    ->Name("BM_Traverse/ReadThreeElements")
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
