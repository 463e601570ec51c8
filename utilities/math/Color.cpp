#include "utilities/math/Color.h"

#include "utilities/math/NumberText.h"

#include <istream>
#include <ostream>

std::ostream &operator<<(std::ostream &os, const Color &c)
{
    const float v[4] = {c.r, c.g, c.b, c.a};
    WriteTuple(os, v, 4);
    return os;
}

std::istream &operator>>(std::istream &is, Color &c)
{
    // Without a fourth number the alpha already held stays.
    float v[4] = {c.r, c.g, c.b, c.a};
    ReadTuple(is, v, 4, true);
    c.r = v[0];
    c.g = v[1];
    c.b = v[2];
    c.a = v[3];
    return is;
}
