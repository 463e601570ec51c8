// The typed output of the scene writer's stream: each value type's spelling.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

#include "engine/actions/Vrml1Stream.h"
#include "engine/core/Image2.h"
#include "utilities/math/Rotation.h"
#include "utilities/math/Vec2.h"
#include "utilities/math/Vec2f.h"
#include "utilities/math/Vec3.h"
#include "utilities/math/Vec3f.h"
#include "utilities/math/Vec4f.h"

namespace {

struct StreamCase {
    const char *what;
    std::function<void(Vrml1Stream &)> write;
    const char *expected;
};

TEST(Vrml1StreamTest, EachValueTypeHasItsSpelling)
{
    Image2 quotedPath;
    quotedPath.SetImagePath("tex/a \"b\".bmp");
    const StreamCase cases[] = {
        {"int", [](Vrml1Stream &s) { s << -42; }, "-42"},
        {"double, shortest exact form", [](Vrml1Stream &s) { s << 0.1 << ' ' << 2.5e6; }, "0.1 2.5e+06"},
        {"bool", [](Vrml1Stream &s) { s << true << false; }, "10"},
        {"text", [](Vrml1Stream &s) { s << "a b" << std::string(" c"); }, "a b c"},
        {"null id", [](Vrml1Stream &s) { s << NodeID{}; }, ""},
        {"id", [](Vrml1Stream &s) { s << NodeID{12, -3}; }, "12_-3"},
        {"Vec2", [](Vrml1Stream &s) { s << Vec2(1.5, -2); }, "1.5 -2"},
        {"Vec2f", [](Vrml1Stream &s) { s << Vec2f(1.5f, 0.25f); }, "1.5  0.25"},
        {"Vec3", [](Vrml1Stream &s) { s << Vec3(1, 2, 3); }, "1 2 3"},
        {"Vec3f with another delimiter",
         [](Vrml1Stream &s) {
             s.SetVectorDelim(',');
             s << Vec3f(0.1f, 2, 3);
         },
         "0.1,2,3"},
        {"Vec4f", [](Vrml1Stream &s) { s << Vec4f(1, 2, 3, 4); }, "1  2  3  4"},
        {"Rotation", [](Vrml1Stream &s) { s << Rotation(Vec3(0, 0, 1), 1.5); }, "0 0 1 1.5"},
        {"image path with a quote", [&](Vrml1Stream &s) { s << quotedPath; }, "\t\"tex/a \\\"b\\\".bmp\""},
    };
    for (const StreamCase &c : cases) {
        std::ostringstream text;
        Vrml1Stream stream(text);
        c.write(stream);
        EXPECT_EQ(text.str(), c.expected) << c.what;
    }
}

} // namespace
