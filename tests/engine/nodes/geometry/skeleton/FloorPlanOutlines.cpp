#include "tests/engine/nodes/geometry/skeleton/FloorPlanOutlines.h"

#include <cmath>
#include <map>
#include <utility>

#include "platform/SgRandom.h"

std::vector<Vec3> GridBlobOutline(int cells, unsigned seed)
{
    SgRandomSequence random(seed);
    // Room for the blob and a free border round it.
    const int side = 3 * int(std::sqrt(double(cells))) + 12;
    std::vector<char> in(size_t(side * side), 0);
    auto at = [&](int x, int y) -> char & { return in[size_t(y * side + x)]; };
    auto inside = [&](int x, int y) { return x >= 0 && y >= 0 && x < side && y < side && at(x, y); };
    std::vector<std::pair<int, int>> blob = {{side / 2, side / 2}};
    at(side / 2, side / 2) = 1;
    const int steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    while (int(blob.size()) < cells) {
        const auto [x, y] = blob[size_t(random.Next()) % blob.size()];
        const int *d = steps[random.Next() % 4];
        const int nx = x + d[0], ny = y + d[1];
        if (nx < 2 || ny < 2 || nx >= side - 2 || ny >= side - 2 || at(nx, ny))
            continue;
        // Mostly cells that touch the blob on one side only: branches and
        // bays, so the outline gets many corners.
        int touching = 0;
        for (const auto &e : steps)
            touching += at(nx + e[0], ny + e[1]) != 0;
        if (touching > 1 && random.Next() % 8 != 0)
            continue;
        at(nx, ny) = 1;
        blob.emplace_back(nx, ny);
    }
    // Fill holes, and cells that meet at a corner only (two filled and two
    // empty cells across the diagonals of a 2 x 2 block), until neither is
    // left: the outline is then one simple loop.
    for (bool changed = true; changed;) {
        changed = false;
        std::vector<char> outside(in.size(), 0);
        std::vector<std::pair<int, int>> stack = {{0, 0}};
        outside[0] = 1;
        while (!stack.empty()) {
            const auto [x, y] = stack.back();
            stack.pop_back();
            for (const auto &d : steps) {
                const int nx = x + d[0], ny = y + d[1];
                if (nx < 0 || ny < 0 || nx >= side || ny >= side || at(nx, ny) || outside[size_t(ny * side + nx)])
                    continue;
                outside[size_t(ny * side + nx)] = 1;
                stack.emplace_back(nx, ny);
            }
        }
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                if (!at(x, y) && !outside[size_t(y * side + x)]) {
                    at(x, y) = 1;
                    changed = true;
                }
        for (int y = 0; y + 1 < side; ++y)
            for (int x = 0; x + 1 < side; ++x) {
                const bool a = inside(x, y), b = inside(x + 1, y), c = inside(x, y + 1), d = inside(x + 1, y + 1);
                if (a == d && b == c && a != b) {
                    at(a ? x + 1 : x, y) = 1;
                    changed = true;
                }
            }
    }
    // Boundary edges with the blob on their left, chained from corner to
    // corner; the start is the lowest, leftmost corner.
    std::map<std::pair<int, int>, std::pair<int, int>> next;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            if (!at(x, y))
                continue;
            if (!inside(x, y - 1))
                next[{x, y}] = {x + 1, y};
            if (!inside(x + 1, y))
                next[{x + 1, y}] = {x + 1, y + 1};
            if (!inside(x, y + 1))
                next[{x + 1, y + 1}] = {x, y + 1};
            if (!inside(x - 1, y))
                next[{x, y + 1}] = {x, y};
        }
    std::vector<std::pair<int, int>> loop;
    const std::pair<int, int> start = next.begin()->first;
    std::pair<int, int> p = start;
    do {
        loop.push_back(p);
        p = next[p];
    } while (p != start && loop.size() <= next.size());
    // Only the corners: points where the direction turns.
    std::vector<Vec3> outline;
    const size_t n = loop.size();
    for (size_t i = 0; i < n; ++i) {
        const auto &a = loop[(i + n - 1) % n], &b = loop[i], &c = loop[(i + 1) % n];
        if ((b.first - a.first) * (c.second - b.second) - (b.second - a.second) * (c.first - b.first) != 0)
            outline.emplace_back(double(b.first), 0.0, double(b.second));
    }
    return outline;
}
