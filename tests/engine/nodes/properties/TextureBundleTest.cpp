#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/SgNodara.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTexture2D.h"
#include "engine/nodes/properties/SgTexture2Transform.h"
#include "engine/nodes/properties/SgTextureFunction.h"
#include "engine/nodes/properties/SgTextureUnit.h"
#include "engine/nodes/properties/TextureBundle.h"

namespace {

// A child: "T" texture, "X" texture transform, "F" texture function,
// "U<n>" unit node of unit n, "M" a material (no texture node).
SgRef<SgNode> MakeChild(const std::string &spec)
{
    switch (spec[0]) {
    case 'T':
        return SgRef<SgNode>(new SgTexture2D);
    case 'X':
        return SgRef<SgNode>(new SgTexture2Transform);
    case 'F':
        return SgRef<SgNode>(new SgTextureFunction);
    case 'U': {
        auto *unit = new SgTextureUnit;
        unit->m_unit = std::stoi(spec.substr(1));
        return SgRef<SgNode>(unit);
    }
    default:
        return SgRef<SgNode>(new SgMaterial);
    }
}

enum Slot { kUnit, kFunction, kTransform, kTexture };

SgNode *SlotOf(const TextureBundle::Unit &record, Slot slot)
{
    switch (slot) {
    case kUnit:
        return record.unit;
    case kFunction:
        return record.function;
    case kTransform:
        return record.transform;
    default:
        return record.texture;
    }
}

struct Filled {
    int unit;
    Slot slot;
    int child; // index of the child expected there
};

struct ScanCase {
    const char *name;
    std::vector<std::string> children;
    int result;
    std::vector<Filled> filled; // every other slot stays empty
};

TEST(scanTextureUnits, SortsTheTextureNodesOfAGroupByUnit)
{
    SgNodara::Init();
    const ScanCase cases[] = {
        {"texture, unit 1, texture", {"T", "U1", "T"}, 2, {{0, kTexture, 0}, {1, kUnit, 1}, {1, kTexture, 2}}},
        {"no texture nodes", {"M", "M"}, 1, {}},
        {"empty group", {}, 1, {}},
        {"a unit's later node of a class replaces the earlier",
         {"U3", "F", "X", "T", "T", "F"},
         4,
         {{3, kUnit, 0}, {3, kFunction, 5}, {3, kTransform, 2}, {3, kTexture, 4}}},
        {"the result is the highest unit, not the last",
         {"U5", "T", "U2", "T"},
         6,
         {{5, kUnit, 0}, {5, kTexture, 1}, {2, kUnit, 2}, {2, kTexture, 3}}},
        {"units outside the eight are passed over",
         {"U1", "U8", "T", "U-1", "X", "U100000"},
         2,
         {{1, kUnit, 0}, {1, kTexture, 2}, {1, kTransform, 4}}},
        {"the last unit fits", {"U7", "T"}, 8, {{7, kUnit, 0}, {7, kTexture, 1}}},
    };
    for (const ScanCase &c : cases) {
        SCOPED_TRACE(c.name);
        SgRef<SgGroup> group = new SgGroup;
        std::vector<SgRef<SgNode>> children;
        for (const std::string &spec : c.children) {
            children.push_back(MakeChild(spec));
            group->AddChild(children.back().get());
        }
        SgRef<SgTexture2D> stale = new SgTexture2D;
        TextureBundle bundle;
        // What a bundle held before must not survive the scan.
        bundle.units[6].texture = stale.get();
        EXPECT_EQ(scanTextureUnits(group.get(), &bundle), c.result);
        for (int unit = 0; unit < TextureBundle::kUnits; ++unit) {
            for (Slot slot : {kUnit, kFunction, kTransform, kTexture}) {
                SgNode *expected = nullptr;
                for (const Filled &f : c.filled) {
                    if (f.unit == unit && f.slot == slot)
                        expected = children[f.child].get();
                }
                EXPECT_EQ(SlotOf(bundle.units[unit], slot), expected) << "unit " << unit << " slot " << slot;
            }
        }
    }
}

TEST(scanTextureUnits, ANullGroupGivesAnEmptyBundle)
{
    SgNodara::Init();
    SgRef<SgTexture2D> stale = new SgTexture2D;
    TextureBundle bundle;
    bundle.units[0].texture = stale.get();
    EXPECT_EQ(scanTextureUnits(nullptr, &bundle), 1);
    EXPECT_EQ(bundle.units[0].texture, nullptr);
    EXPECT_EQ(scanTextureUnits(nullptr, nullptr), 0);
}

} // namespace
