#include "engine/nodes/geometry/SgCube.h"

#include <cmath>

SG_CLASS_SOURCE(SgCube, SgShape, SgFieldMngr, "SgCube")

SgCube::SgCube()
{
    AddField(m_width, "width", 1.0);
    AddField(m_height, "height", 1.0);
    AddField(m_depth, "depth", 1.0);
}

SgCube &SgCube::operator=(const SgCube &other)
{
    if (this != &other) {
        m_width = other.m_width;
        m_height = other.m_height;
        m_depth = other.m_depth;
    }
    return *this;
}

Range<Vec3f> SgCube::BoundingBox()
{
    const float x = float(0.5 * std::fabs(m_width.Get()));
    const float y = float(0.5 * std::fabs(m_depth.Get()));
    const float z = float(0.5 * std::fabs(m_height.Get()));
    return Range<Vec3f>(Vec3f(-x, -y, -z), Vec3f(x, y, z));
}

Vec3 SgCube::GetNormal(int face, Vec3 &normal)
{
    static const Vec3 kNormals[6] = {{-1.0, 0.0, 0.0}, {1.0, 0.0, 0.0},  {0.0, -1.0, 0.0},
                                     {0.0, 1.0, 0.0},  {0.0, 0.0, -1.0}, {0.0, 0.0, 1.0}};
    normal = face >= 0 && face < 6 ? kNormals[face] : Vec3(0.0, 0.0, 1.0);
    return normal;
}
