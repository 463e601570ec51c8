#include "utilities/math/Vec2i.h"

#include "utilities/math/NumberText.h"

#include <istream>
#include <ostream>

std::ostream &operator<<(std::ostream &os, const Vec2i &v)
{
    const int c[2] = {v.x, v.y};
    WriteTuple(os, c, 2);
    return os;
}

std::istream &operator>>(std::istream &is, Vec2i &v)
{
    // Components read before a failure are kept, as separate extractions would.
    int c[2] = {v.x, v.y};
    ReadTuple(is, c, 2);
    v.x = c[0];
    v.y = c[1];
    return is;
}
