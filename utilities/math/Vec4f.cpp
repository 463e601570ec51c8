#include "utilities/math/Vec4f.h"

#include "utilities/math/NumberText.h"

#include <istream>
#include <ostream>

std::ostream &operator<<(std::ostream &os, const Vec4f &v)
{
    const float c[4] = {v.x, v.y, v.z, v.w};
    WriteTuple(os, c, 4);
    return os;
}

std::istream &operator>>(std::istream &is, Vec4f &v)
{
    // Components read before a failure are kept, as separate extractions would.
    float c[4] = {v.x, v.y, v.z, v.w};
    ReadTuple(is, c, 4);
    v.x = c[0];
    v.y = c[1];
    v.z = c[2];
    v.w = c[3];
    return is;
}
