#include "utilities/math/Vec4.h"

#include "utilities/math/NumberText.h"

#include <istream>
#include <limits>
#include <ostream>

std::ostream &operator<<(std::ostream &os, const Vec4 &v)
{
    const double c[4] = {v.x, v.y, v.z, v.w};
    bool wMissing = v.w == std::numeric_limits<double>::infinity();
    WriteTuple(os, c, wMissing ? 3 : 4);
    return os;
}

std::istream &operator>>(std::istream &is, Vec4 &v)
{
    double c[4] = {v.x, v.y, v.z, v.w};
    if (ReadTuple(is, c, 4, true) == 3) {
        c[3] = std::numeric_limits<double>::infinity();
    }
    v = Vec4(c[0], c[1], c[2], c[3]);
    return is;
}
