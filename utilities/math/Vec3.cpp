#include "utilities/math/Vec3.h"

#include "utilities/math/NumberText.h"

#include <istream>
#include <ostream>

std::ostream &operator<<(std::ostream &os, const Vec3 &v)
{
    const double c[3] = {v.x, v.y, v.z};
    WriteTuple(os, c, 3);
    return os;
}

std::istream &operator>>(std::istream &is, Vec3 &v)
{
    // Components read before a failure are kept, as separate extractions would.
    double c[3] = {v.x, v.y, v.z};
    ReadTuple(is, c, 3);
    v.x = c[0];
    v.y = c[1];
    v.z = c[2];
    return is;
}
