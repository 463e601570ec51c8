#include "engine/nodes/geometry/SgVolume.h"

SG_CLASS_SOURCE(SgVolume, SgShape, SgFieldMngr, "SgVolume")

SgVolume::SgVolume()
{
    AddField(m_width, "width", 1.0);
    AddField(m_height, "height", 1.0);
    AddField(m_depth, "depth", 1.0);
    AddField(m_dims, "dims", Vec3(256.0, 256.0, 256.0));
}

Range<Vec3f> SgVolume::BoundingBox()
{
    const double w = m_width.Get(true) / 2.0;
    const double d = m_depth.Get(true) / 2.0;
    const double h = m_height.Get(true) / 2.0;
    return Range<Vec3f>(Vec3f(float(-w), float(-d), float(-h)), Vec3f(float(w), float(d), float(h)));
}
