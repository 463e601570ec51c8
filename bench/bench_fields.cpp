// Field access by name and the single-value text forms: the paths every scene
// file read and write and every script call goes through.
#include <benchmark/benchmark.h>

#include <sstream>

#include "engine/SgNodara.h"
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"

namespace {

class BenchNode : public SgNode {
    SG_CLASS_HEADER(BenchNode, SgFieldMngr)
    BenchNode()
    {
        AddField(m_name, "name", std::string());
        AddField(m_count, "count", 0);
        AddField(m_radius, "radius", 1.0);
        AddField(m_color, "color", Color());
        AddField(m_rotation, "rotation", Rotation());
        AddField(m_translation, "translation", Vec3());
    }
    SgFStr m_name;
    SgFInt m_count;
    SgFDouble m_radius;
    SgFColor m_color;
    SgFRotation m_rotation;
    SgFVec3 m_translation;

protected:
    ~BenchNode() override = default;
};
SG_CLASS_SOURCE(BenchNode, SgNode, SgFieldMngr, "BenchNode")

BenchNode &Node()
{
    static BenchNode *node = [] {
        SgNodara::Init();
        BenchNode::InitClass();
        return new BenchNode;
    }();
    return *node;
}

void BM_SetGetByName(benchmark::State &state)
{
    BenchNode &node = Node();
    double value = 0;
    for (auto _ : state) {
        auto *field = static_cast<SgFDouble *>(node.GetFieldAddressByName("RADIUS"));
        value += 1.0;
        field->SetValuePtr(&value, -1, true, false);
        benchmark::DoNotOptimize(field->Get(true));
    }
}
BENCHMARK(BM_SetGetByName);

void BM_WriteVec3(benchmark::State &state)
{
    BenchNode &node = Node();
    node.m_translation = Vec3(1.25, -2.5, 1234.5678);
    std::ostringstream out;
    for (auto _ : state) {
        out.str(std::string());
        node.m_translation.WriteToStream(out);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_WriteVec3);

void BM_ReadVec3(benchmark::State &state)
{
    BenchNode &node = Node();
    std::istringstream in;
    for (auto _ : state) {
        in.clear();
        in.str("(1.25,-2.5,1234.5678)");
        node.m_translation.ReadFromStream(in, false);
    }
}
BENCHMARK(BM_ReadVec3);

void BM_WriteReadRotation(benchmark::State &state)
{
    BenchNode &node = Node();
    node.m_rotation = Rotation(Vec3(0, 1, 0), 1.5707963267948966);
    std::stringstream io;
    for (auto _ : state) {
        io.str(std::string());
        io.clear();
        node.m_rotation.WriteToStream(io);
        node.m_rotation.ReadFromStream(io, false);
    }
}
BENCHMARK(BM_WriteReadRotation);

} // namespace

BENCHMARK_MAIN();
