#pragma once
// Reading binary STL files back, and asking admesh whether a file is a
// clean closed mesh.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "utilities/math/Vec3.h"

namespace stltest {

struct StlRecord {
    Vec3 n;
    Vec3 v[3];
};

struct StlFile {
    size_t bytes = 0;
    uint32_t count = 0;
    std::vector<StlRecord> records;

    // The enclosed volume by the divergence theorem.
    double Volume() const
    {
        double v = 0.0;
        for (const StlRecord &r : records)
            v += r.v[0].Dot(r.v[1].Cross(r.v[2])) / 6.0;
        return v;
    }
};

inline StlFile ReadStl(const std::string &path)
{
    StlFile f;
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    f.bytes = data.size();
    if (data.size() < 84)
        return f;
    std::memcpy(&f.count, &data[80], 4);
    auto flt = [&](size_t at) {
        float x;
        std::memcpy(&x, &data[at], 4);
        return static_cast<double>(x);
    };
    for (size_t at = 84; at + 50 <= data.size(); at += 50) {
        StlRecord r;
        r.n = Vec3(flt(at), flt(at + 4), flt(at + 8));
        for (int i = 0; i < 3; ++i)
            r.v[i] = Vec3(flt(at + 12 + 12 * i), flt(at + 16 + 12 * i), flt(at + 20 + 12 * i));
        f.records.push_back(r);
    }
    return f;
}

// admesh's report on the file; `volume`, when given, receives its volume.
inline ::testing::AssertionResult AdmeshClean(const std::string &path, double *volume = nullptr)
{
    const std::string command = "admesh '" + path + "' 2>&1";
    std::FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        return ::testing::AssertionFailure() << "admesh could not be run";
    std::string out;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, got);
    const int status = pclose(pipe);
    if (status != 0 || out.find("Results produced by ADMesh") == std::string::npos)
        return ::testing::AssertionFailure() << "admesh failed (is it installed? scripts/install-deps):\n" << out;
    // Counts that must be 0 for a clean closed, consistently oriented mesh
    // (the first number on the line: the original file's).
    const char *const mustBeZero[] = {"Total disconnected facets", "Degenerate facets", "Edges fixed",
                                      "Facets removed", "Facets added", "Facets reversed", "Backwards edges",
                                      "Normals fixed"};
    std::istringstream lines(out);
    std::string line, problems;
    while (std::getline(lines, line)) {
        for (const char *key : mustBeZero) {
            if (line.rfind(key, 0) != 0)
                continue;
            const size_t colon = line.find(':');
            if (colon != std::string::npos && std::atoi(line.c_str() + colon + 1) != 0)
                problems += line + "\n";
        }
        const size_t vol = line.find("Volume   :");
        if (vol != std::string::npos && volume)
            *volume = std::atof(line.c_str() + vol + 10);
    }
    if (!problems.empty())
        return ::testing::AssertionFailure() << "admesh reports problems in " << path << ":\n" << problems;
    return ::testing::AssertionSuccess();
}

}  // namespace stltest
