#include <gtest/gtest.h>

#include <string>

#include "tests/engine/nodes/properties/PropertyStateAction.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/properties/SgLayers.h"
#include "platform/SgError.h"
#include "tests/engine/core/TestNodes.h"

namespace {

class SgLayersTest : public ::testing::Test {
protected:
    void SetUp() override { InitPropertyTestClasses(); }
    SgRef<SgLayers> m_layers = new SgLayers;
};

TEST_F(SgLayersTest, ANewTableHoldsOnlyLayer0WithNoFlags)
{
    ASSERT_EQ(m_layers->GetLayerCount(), 1);
    EXPECT_EQ(m_layers->GetLayerName(0), "Layer0");
    EXPECT_EQ(m_layers->GetLayerFlags(0), 0);
    EXPECT_FALSE(m_layers->IsLayerHidden(0));
}

TEST_F(SgLayersTest, AddsNewLayersAndFindsExistingOnesByExactName)
{
    EXPECT_EQ(m_layers->AddLayer("Walls"), 1);
    EXPECT_EQ(m_layers->AddLayer("Roof"), 2);
    EXPECT_EQ(m_layers->AddLayer("Walls"), 1) << "an existing name gives its index";
    EXPECT_EQ(m_layers->AddLayer("walls"), 3) << "names compare with case";
    EXPECT_EQ(m_layers->GetLayerCount(), 4);
    EXPECT_EQ(m_layers->m_flags.GetCount(), 4) << "names and flags stay index-parallel";
    EXPECT_EQ(m_layers->FindLayer("Roof"), 2);
    EXPECT_EQ(m_layers->FindLayer("Cellar"), -1);
    EXPECT_EQ(m_layers->GetLayerFlags(3), 0);
}

TEST_F(SgLayersTest, HidesAndShowsOneLayerKeepingItsOtherFlags)
{
    const int roof = m_layers->AddLayer("Roof");
    m_layers->SetLayerFlags(roof, SgLayers::kExpanded);
    m_layers->SetLayerHidden(roof, true);
    EXPECT_TRUE(m_layers->IsLayerHidden(roof));
    EXPECT_FALSE(m_layers->IsLayerHidden(0)) << "hiding one layer hid another";
    EXPECT_EQ(m_layers->GetLayerFlags(roof), SgLayers::kHidden | SgLayers::kExpanded);
    m_layers->SetLayerHidden(roof, false);
    EXPECT_EQ(m_layers->GetLayerFlags(roof), SgLayers::kExpanded);
}

TEST_F(SgLayersTest, TheFlagsReachTheStateForObjectsToTest)
{
    const int roof = m_layers->AddLayer("Roof");
    m_layers->SetLayerHidden(roof, true);
    SgVecField<int, 1> *flags = nullptr;
    ASSERT_TRUE(ProbeStateAfter({m_layers.get()}, [&](SgState *state) { flags = LayerFlagsElement::Get(state); }));
    ASSERT_EQ(flags, &m_layers->m_flags);
    EXPECT_EQ(flags->GetValue(roof) & SgLayers::kHidden, SgLayers::kHidden);
}

TEST_F(SgLayersTest, IndexesOutsideTheTableAreRefused)
{
    for (int index : {-1, 1, 1000}) {
        EXPECT_THROW(m_layers->GetLayerName(index), SgInvalidArgument) << index;
        EXPECT_THROW(m_layers->GetLayerFlags(index), SgInvalidArgument) << index;
        EXPECT_THROW(m_layers->SetLayerFlags(index, 1), SgInvalidArgument) << index;
        EXPECT_THROW(m_layers->SetLayerName(index, "x"), SgInvalidArgument) << index;
        EXPECT_FALSE(m_layers->DeleteLayer(index)) << index;
    }
    EXPECT_EQ(m_layers->GetLayerCount(), 1);
    EXPECT_EQ(m_layers->m_flags.GetCount(), 1) << "a refused edit must not grow the flags";
}

TEST_F(SgLayersTest, DeletingALayerMovesTheLaterOnesDown)
{
    m_layers->AddLayer("A");
    m_layers->AddLayer("B");
    m_layers->SetLayerHidden(2, true);
    ASSERT_TRUE(m_layers->DeleteLayer(1));
    EXPECT_EQ(m_layers->GetLayerCount(), 2);
    EXPECT_EQ(m_layers->GetLayerName(1), "B");
    EXPECT_TRUE(m_layers->IsLayerHidden(1));
}

// A table read from a file may carry fewer flags than names.
TEST_F(SgLayersTest, ATableWithFewerFlagsThanNamesStaysUsable)
{
    const std::string names[] = {"Layer0", "A", "B"};
    m_layers->m_names.SetVals(3, names);
    ASSERT_EQ(m_layers->m_flags.GetCount(), 1);
    EXPECT_EQ(m_layers->GetLayerFlags(2), 0);
    m_layers->SetLayerHidden(2, true);
    EXPECT_TRUE(m_layers->IsLayerHidden(2));
    EXPECT_EQ(m_layers->AddLayer("C"), 3);
    EXPECT_EQ(m_layers->GetLayerFlags(3), 0);
    EXPECT_EQ(m_layers->m_flags.GetCount(), 4);
}

TEST_F(SgLayersTest, LayerEditsAreUndoable)
{
    RecordingDocument document;
    m_layers->SetDocument(&document);
    m_layers->AddLayer("Roof");
    const size_t afterAdd = document.m_records.size();
    EXPECT_GE(afterAdd, 1u) << "adding a layer left no undo record";
    m_layers->SetLayerHidden(1, true);
    EXPECT_EQ(document.m_records.size(), afterAdd + 1) << "hiding a layer must be one undo record";
}

} // namespace
