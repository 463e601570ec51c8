#include "utilities/math/Vec2f.h"

#include "utilities/math/NumberText.h"

#include <istream>
#include <ostream>

std::ostream &operator<<(std::ostream &os, const Vec2f &v)
{
    const float c[2] = {v.x, v.y};
    WriteTuple(os, c, 2);
    return os;
}

std::istream &operator>>(std::istream &is, Vec2f &v)
{
    // Components read before a failure are kept, as separate extractions would.
    float c[2] = {v.x, v.y};
    ReadTuple(is, c, 2);
    v.x = c[0];
    v.y = c[1];
    return is;
}
