#pragma once
// Uniting many solids that come one at a time.
#include <memory>
#include <utility>
#include <vector>

#include "solids/GmGeom.h"
#include "solids/SolvaneExport.h"

namespace solvane {

// The union of operands that come one at a time, as a balanced tree: level k
// holds the union of 2^k operands, and two of a level unite into one of the
// next, as the carries of a binary count. Every operand takes part in about
// log2(n) unions of solids of like size, where uniting each into the running
// result makes the union of n operands take time of the order of n squared;
// and no more than one solid per level is held.
class SOLVANE_API GmBalancedUnion {
public:
    void Add(std::unique_ptr<GmGeom> solid)
    {
        int level = 0;
        while (!m_levels.empty() && m_levels.back().first == level) {
            std::unique_ptr<GmGeom> earlier = std::move(m_levels.back().second);
            m_levels.pop_back();
            earlier->unite(solid.get());
            earlier->mergeSolids();
            solid = std::move(earlier);
            ++level;
        }
        m_levels.emplace_back(level, std::move(solid));
    }
    // The union of everything added (null when nothing was); the earlier
    // operands stay first, as in the running form.
    std::unique_ptr<GmGeom> Finish()
    {
        std::unique_ptr<GmGeom> result;
        while (!m_levels.empty()) {
            std::unique_ptr<GmGeom> earlier = std::move(m_levels.back().second);
            m_levels.pop_back();
            if (result) {
                earlier->unite(result.get());
                earlier->mergeSolids();
            }
            result = std::move(earlier);
        }
        return result;
    }
    void Clear() { m_levels.clear(); }

private:
    std::vector<std::pair<int, std::unique_ptr<GmGeom>>> m_levels;
};

} // namespace solvane
