#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

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

// Many layers are added one at a time by scripts and files: the name lookup
// each add makes must not read every earlier name again.
TEST_F(SgLayersTest, AddingManyLayersReadsEachNameAFewTimesOnly)
{
    constexpr int kLayers = 4000;
    for (int i = 1; i <= kLayers; ++i)
        ASSERT_EQ(m_layers->AddLayer("L" + std::to_string(i)), i);
    EXPECT_EQ(m_layers->AddLayer("L17"), 17);
    EXPECT_EQ(m_layers->FindLayer("L4000"), kLayers);
    EXPECT_LE(m_layers->GetNamesRead(), size_t(4 * kLayers)) << "adding layers reads the names again per add";
}

// The names change through paths that send no notice; the lookup answers
// for the names as they stand after each of them, as a scan would.
TEST_F(SgLayersTest, TheLookupFollowsEveryWayTheNamesChange)
{
    struct Case {
        const char *what;
        std::function<void(SgVFStr &)> edit;
    };
    const std::string three[] = {"Layer0", "Cellar", "Walls"};
    const std::vector<Case> cases = {
        {"appended without a notice", [](SgVFStr &names) { names.AddVal1("Cellar"); }},
        {"cut short without a notice", [](SgVFStr &names) { names.SetSize(1); }},
        {"written through the module's storage", [](SgVFStr &names) { (*names.GetValueArray())[1] = "Cellar"; }},
        {"stored quietly", [](SgVFStr &names) {
             const std::string cellar = "Cellar";
             names.SetValuePtr(&cellar, 2, false, true);
         }},
        {"replaced whole", [&three](SgVFStr &names) { names.SetVals(3, three); }},
        {"an element deleted", [](SgVFStr &names) { names.Delete(1); }},
        {"an element inserted", [](SgVFStr &names) { names.InsertVal(1, "Cellar"); }},
    };
    for (const Case &c : cases) {
        SgRef<SgLayers> layers = new SgLayers;
        layers->AddLayer("Walls");
        layers->AddLayer("Roof");
        ASSERT_EQ(layers->FindLayer("Roof"), 2);
        c.edit(layers->m_names);
        for (const char *name : {"Layer0", "Walls", "Roof", "Cellar", "Attic"})
            EXPECT_EQ(layers->FindLayer(name), layers->m_names.FindElement(name)) << c.what << ": " << name;
        const int added = layers->AddLayer("Attic");
        EXPECT_EQ(added, layers->GetLayerCount() - 1) << c.what;
        EXPECT_EQ(layers->FindLayer("Attic"), added) << c.what;
    }
}

} // namespace
