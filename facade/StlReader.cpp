#include "facade/StlReader.h"

#include <admesh/stl.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <tuple>
#include <vector>

#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "platform/SgDiagnostics.h"
#include "facade/FacadePackage.h"

namespace drevon {

namespace {


// The STL library's file, closed on every way out.
class StlFile {
public:
    StlFile() { std::memset(&m_stl, 0, sizeof(m_stl)); }
    ~StlFile()
    {
        if (m_opened)
            stl_close(&m_stl);
    }
    StlFile(const StlFile &) = delete;
    StlFile &operator=(const StlFile &) = delete;

    // False with the reason when the file is not a readable STL.
    bool Open(const std::string &path, std::string &error)
    {
        std::error_code code;
        // The library opens devices and folders without a word; refuse them
        // first, as scene files are refused.
        if (!std::filesystem::is_regular_file(path, code)) {
            error = "it is no regular file";
            return false;
        }
        const auto size = std::filesystem::file_size(path, code);
        // A binary file's head and count take 84 bytes; an ASCII one is longer.
        if (code || size < 84) {
            error = "it is too short to be an STL file";
            return false;
        }
        std::vector<char> name(path.begin(), path.end());
        name.push_back('\0');
        stl_open(&m_stl, name.data());
        m_opened = true;
        if (stl_get_error(&m_stl) || m_stl.stats.number_of_facets <= 0) {
            error = "it holds no facets the STL reader accepts";
            return false;
        }
        if (m_stl.stats.number_of_facets > kMaxStlFacets) {
            error = "it holds more than " + std::to_string(kMaxStlFacets) + " facets";
            return false;
        }
        return true;
    }
    stl_file &Get() { return m_stl; }

private:
    stl_file m_stl;
    bool m_opened = false;
};

} // namespace

int CountStlFacets(const std::string &path, std::string *error)
{
    StlFile file;
    std::string reason;
    if (!file.Open(path, reason)) {
        if (error)
            *error = reason;
        return -1;
    }
    return file.Get().stats.number_of_facets;
}

SgNode *ReadStlFile(const char *path, double tolerance)
{
    if (!path || !*path)
        return nullptr;
    StlFile file;
    std::string reason;
    if (!file.Open(path, reason)) {
        SgDiagTellUser(SgDiagLevel::Error, kPackage, std::string("Cannot import ") + path + ": " + reason, "Import");
        return nullptr;
    }
    stl_file &stl = file.Get();
    const double cell = tolerance > 0.0 ? tolerance : 0.0;
    // Corners are shared by their cell on a grid as fine as the tolerance
    // (by their exact value without one).
    using Key = std::tuple<int64_t, int64_t, int64_t>;
    std::map<Key, int> shared;
    std::vector<Vec3> points;
    std::vector<int> indexes;
    indexes.reserve(size_t(stl.stats.number_of_facets) * 4);
    auto keyOf = [cell](const stl_vertex &v) -> Key {
        if (cell > 0.0)
            return {int64_t(std::llround(v.x / cell)), int64_t(std::llround(v.y / cell)),
                    int64_t(std::llround(v.z / cell))};
        auto bits = [](float f) {
            int32_t b;
            std::memcpy(&b, &f, sizeof(b));
            return int64_t(b);
        };
        return {bits(v.x), bits(v.y), bits(v.z)};
    };
    for (int i = 0; i < stl.stats.number_of_facets; ++i) {
        const stl_facet &facet = stl.facet_start[i];
        for (const stl_vertex &corner : facet.vertex) {
            const auto [found, added] = shared.emplace(keyOf(corner), int(points.size()));
            if (added)
                points.emplace_back(corner.x, corner.y, corner.z);
            indexes.push_back(found->second);
        }
        indexes.push_back(-1);
    }
    auto *faces = new SgIndexedFaceSet;
    auto *coordinates = new SgCoordinate3;
    coordinates->m_point.SetVals(int(points.size()), points.data());
    faces->m_coord = NodePtr(coordinates);
    faces->m_coordIndex.SetVals(int(indexes.size()), indexes.data());
    return faces;
}

} // namespace drevon
