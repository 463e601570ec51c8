#pragma once
// Helpers of the solid kernel tests: fixtures as geometries with solids,
// and the oracle checks every boolean test applies.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "solids/GmBoolean.h"
#include "solids/GmGeom.h"
#include "solids/GmMeshBuilder.h"
#include "solids/GmValidity.h"

namespace solvane::test {

inline std::unique_ptr<GmGeom> Box(const Vec3 &min, const Vec3 &max)
{
    return std::unique_ptr<GmGeom>(geomFromMesh(boxMesh(min, max)));
}

inline std::unique_ptr<GmGeom> FromMesh(const GmMesh &m)
{
    return std::unique_ptr<GmGeom>(geomFromMesh(m));
}

// Runs the boolean at the request boundary with validation on.
inline GmBooleanResult RunBool(GmBoolOp op, const GmGeom &a, const GmGeom &b)
{
    set_boolean_validation(true);
    return boolean_request(op, a, b);
}

// The result is valid and closed; returns its volume.
inline double ClosedVolume(const GmBooleanResult &r)
{
    EXPECT_TRUE(r.ok) << r.message;
    if (!r.ok) {
        return -1.0;
    }
    GmValidityReport v = check_validity(*r.geom);
    EXPECT_TRUE(v.ok) << v.text();
    return v.volume;
}

}  // namespace solvane::test
