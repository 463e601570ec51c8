// Adding layers one at a time through the dispatch table, as a script or a
// file with many layers does: for 10,000 to 80,000 new layers, the time per
// call. Per-call time that stays flat as the table grows means the adds are
// linear in all; growth in proportion to the count means each add reads the
// whole table again.
#include <chrono>
#include <cstdio>
#include <string>

#include "control/FennixControl.h"
#include "engine/SgNodara.h"
#include "solids/Solvane.h"

int main()
{
    SgNodara::Init();
    solvane::Solvane::Init();
    using fennix::DispValue;
    std::printf("%10s %12s %14s\n", "layers", "total ms", "us per call");
    for (int count : {10000, 20000, 40000, 80000}) {
        fennix::FennixControl control;
        if (!control.Create(nullptr))
            return 1;
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < count; ++i) {
            const fennix::DispResult added =
                control.Call("AddLayer", {DispValue::Str("layer " + std::to_string(i)), DispValue::Int(0)});
            if (!added.ok || added.value.integer != i + 1) {
                std::fprintf(stderr, "AddLayer %d answered %lld\n", i, static_cast<long long>(added.value.integer));
                return 1;
            }
        }
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::printf("%10d %12.1f %14.2f\n", count, ms, 1000.0 * ms / count);
    }
    return 0;
}
