#pragma once
// The vertex record handed to the GLU tessellator by the vertex-array builder:
// one position, one normal and a coordinate pair and mode word for each of the
// texture units.
#include <cstdint>

#include "utilities/math/Vec2f.h"
#include "utilities/math/Vec3f.h"
#include "engine/core/NodaraExport.h"

class NODARA_API GLVertex1 {
public:
    static constexpr int UNITS = 8;

    virtual ~GLVertex1() = default;

    Vec3f point;
    Vec3f normal;
    Vec2f tex[UNITS];
    std::int32_t mode[UNITS] = {};
};
