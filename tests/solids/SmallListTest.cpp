// The short lists inside the kernel's element records (a node's edges, an
// edge's uses, a loop's corners, a face's loops) behave as std::vector does
// through every way the kernel changes them, across the step from the
// record's own room to the heap and back.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "solids/GmSmallList.h"

using namespace solvane;

namespace {

template <uint32_t N>
void RunAgainstVector(unsigned seed)
{
    static int cells[64];
    std::mt19937 random(seed);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    GmSmallList<int *, N> list;
    std::vector<int *> model;
    for (int step = 0; step < 4000; ++step) {
        int *value = &cells[pick(64)];
        const int size = static_cast<int>(model.size());
        int op = pick(10);
        if (size > 4 * static_cast<int>(N) + 4 && op < 3)
            op = 6;  // back towards the record's own room now and then
        switch (op) {
        case 0:
        case 1:
            list.push_back(value);
            model.push_back(value);
            break;
        case 2: {
            const int at = pick(size + 1);
            list.insert(list.begin() + at, value);
            model.insert(model.begin() + at, value);
            break;
        }
        case 3:
            if (size > 0) {
                // The kernel pushes links it reads from the list itself.
                const int at = pick(size);
                list.push_back(list[static_cast<size_t>(at)]);
                model.push_back(model[static_cast<size_t>(at)]);
            }
            break;
        case 4: {
            const int at = pick(size + 1);
            const int extra[3] = {0, 1, 2};
            std::vector<int *> run;
            for (int k : extra)
                run.push_back(&cells[k]);
            list.insert(list.begin() + at, run.begin(), run.end());
            model.insert(model.begin() + at, run.begin(), run.end());
            break;
        }
        case 5:
            if (size > 0) {
                const int at = pick(size);
                list.erase(list.begin() + at);
                model.erase(model.begin() + at);
            }
            break;
        case 6:
            if (size > 0) {
                const int a = pick(size), b = a + pick(size - a + 1);
                list.erase(list.begin() + a, list.begin() + b);
                model.erase(model.begin() + a, model.begin() + b);
            }
            break;
        case 7:
            if (size > 0) {
                list.pop_back();
                model.pop_back();
            }
            break;
        case 8: {
            // Copies and moves keep the links; the source of a move is left
            // empty and usable.
            GmSmallList<int *, N> copy(list);
            GmSmallList<int *, N> moved(std::move(copy));
            ASSERT_TRUE(copy.empty());
            copy.push_back(value);
            ASSERT_EQ(copy.size(), 1u);
            list = moved;
            list.shrink_to_fit();
            break;
        }
        default: {
            GmSmallList<int *, N> other{value, value};
            other.swap(list);
            other.swap(list);
            ASSERT_EQ(other.size(), 2u);
            break;
        }
        }
        ASSERT_EQ(std::vector<int *>(list.begin(), list.end()), model) << "seed " << seed << ", step " << step;
    }
}

} // namespace

TEST(SmallList, FollowsAVectorThroughEveryChangeInsideAndOnTheHeap)
{
    for (unsigned seed : {1u, 2u, 3u}) {
        RunAgainstVector<1>(seed);
        RunAgainstVector<2>(seed);
        RunAgainstVector<4>(seed);
    }
}
