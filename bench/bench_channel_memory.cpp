// A long script's memory: requests fed to the control's channel as one
// pipelined stream (no socket), COUNT times a SetFieldVal on a named node and
// a CreateNode whose handle is let go with the channel's Release. Prints the
// resident size at each tenth of the run: a script that lets its handles go
// and a bounded undo history keep it flat.
//
//   bench_channel_memory [COUNT [as-before]]     (1,000,000 by default)
//
// "as-before" keeps every undo step and lets no handle go, for comparison.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <nlohmann/json.hpp>
#include <unistd.h>

#include "control/FennixChannel.h"
#include "control/FennixControl.h"
#include "engine/SgNodara.h"
#include "engine/document/SgDocument.h"
#include "facade/CDrevon.h"
#include "solids/Solvane.h"

namespace {

double ResidentMegabytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

} // namespace

int main(int argc, char **argv)
{
    const long count = argc > 1 ? std::atol(argv[1]) : 1000000;
    const bool asBefore = argc > 2 && std::string(argv[2]) == "as-before";
    SgNodara::Init();
    solvane::Solvane::Init();
    fennix::FennixControl control;
    if (!control.Create(nullptr))
        return 1;
    if (asBefore)
        control.GetFacade()->GetDocument()->SetUndoLevels(0);
    std::string last;
    long errors = 0;
    fennix::FennixChannel channel(control, [&](const std::string &line) {
        last = line;
        errors += line.find("\"error\"") != std::string::npos;
    });
    auto feed = [&](const std::string &line) { channel.Feed(line.data(), line.size()); };
    feed(R"({"id": 1, "method": "CreateNode", "params": ["Transform"]})" "\n");
    const std::string transform = nlohmann::json::parse(last)["result"].dump();
    feed(R"({"id": 2, "method": "InsertNode", "params": [0, )" + transform + ", 0, 0]}\n");
    feed(R"({"id": 3, "method": "SetVal", "params": [)" + transform + R"(, "name", "mover"]})" "\n");
    std::printf("start: %.1f MB\n", ResidentMegabytes());
    for (long k = 0; k < count; ++k) {
        feed("{\"id\": 4, \"method\": \"SetFieldVal\", \"params\": [\"mover\", \"translation\", \"(" +
             std::to_string(k % 1000) + ",0,0)\"]}\n");
        feed(R"({"id": 5, "method": "CreateNode", "params": ["Sphere"]})" "\n");
        const std::string handle = nlohmann::json::parse(last)["result"].dump();
        if (!asBefore)
            feed(R"({"id": 6, "method": "Release", "params": [)" + handle + "]}\n");
        if ((k + 1) % (count / 10 > 0 ? count / 10 : 1) == 0)
            std::printf("%ld: %.1f MB, %d handles held, %ld errors\n", k + 1, ResidentMegabytes(),
                        control.GetHeldCount(), errors);
    }
    control.Destroy();
    return 0;
}
