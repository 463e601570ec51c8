#include "engine/nodes/geometry/SgSysFont.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/nodes/geometry/GeometryLog.h"
#include "platform/SgDiagnostics.h"

namespace {

struct Contour {
    CPolygon polygon;
    double area = 0.0; // |twice the signed area|
    int sign = 0;
};

struct TreeNode {
    int contour = -1;
    std::vector<int> children;
    bool root = true;
};

void CopyLoop(const CPolygon &from, bool reversed, HoledPolygon &to)
{
    const std::vector<Vec3> &p = from.GetPoints();
    if (reversed)
        for (auto it = p.rbegin(); it != p.rend(); ++it)
            to.AddPoint(*it);
    else
        for (const Vec3 &q : p)
            to.AddPoint(q);
}

} // namespace

SgSysFont::SgSysFont(const char *face, int height, int weight, bool italic, int charset)
{
    m_request.face = face ? face : "";
    m_request.height = height;
    m_request.weight = weight;
    m_request.italic = italic;
    m_request.charset = charset;
}

SgSysFont::~SgSysFont() = default;

std::string SgSysFont::FamilyName() const
{
    return m_source ? m_source->FamilyName() : std::string();
}

bool SgSysFont::Prepare()
{
    if (!m_bNeedsCreating)
        return m_source != nullptr;
    m_bNeedsCreating = false;
    if (m_request.height <= 0) {
        GeometryLog(ReportMngr::LEVEL_WARN, "Font height %d is not positive; 1000 is used", m_request.height);
        m_request.height = 1000;
    }
    std::string note;
    m_source = OpenGlyphSource(m_request, note);
    if (!m_source) {
        GeometryLog(ReportMngr::LEVEL_ERROR, "%s", note.c_str());
        SgDiagTellUser(SgDiagLevel::Warning, "Geometry", "Font creation failed!", "Error");
        return false;
    }
    if (!note.empty())
        GeometryLog(ReportMngr::LEVEL_WARN, "%s", note.c_str());
    return true;
}

int SgSysFont::CharOutline(char c, int curveSteps, HoledPolygon *out, int capacity)
{
    return CharacterOutline(CharsetToUnicode(static_cast<unsigned char>(c), m_request.charset), curveSteps, out,
                            capacity);
}

int SgSysFont::CharacterOutline(unsigned character, int curveSteps, HoledPolygon *out, int capacity)
{
    if (!Prepare())
        return 0;
    GlyphOutline glyph;
    const bool ok = m_source->CharacterOutline(character, glyph);
    const Vec3 pen = m_pen;
    m_pen.x += glyph.advanceX * kUnit;
    m_pen.y += glyph.advanceY * kUnit;
    if (!ok)
        return 0;
    const int steps = std::max(curveSteps, 1);
    auto place = [&](double x, double y) { return Vec3(x * kUnit + pen.x, y * kUnit + pen.y, pen.z); };

    std::vector<Contour> contours;
    for (const GlyphContour &gc : glyph.contours) {
        Contour contour;
        CPolygon &poly = contour.polygon;
        std::vector<GlyphPoint> flat; // whole glyph units, for exact comparisons
        auto lastIs = [&](const GlyphPoint &p) { return !flat.empty() && flat.back() == p; };
        GlyphPoint a = gc.start;
        flat.push_back(a);
        poly.AddPoint(place(double(a.x), double(a.y)));
        for (const GlyphRun &run : gc.runs) {
            if (run.points.empty())
                continue;
            if (run.type == GlyphRun::kLine) {
                for (const GlyphPoint &p : run.points)
                    if (!lastIs(p)) {
                        flat.push_back(p);
                        poly.AddPoint(place(double(p.x), double(p.y)));
                    }
                a = run.points.back();
                continue;
            }
            if (run.type != GlyphRun::kQSpline)
                continue;
            const std::vector<GlyphPoint> &b = run.points;
            const int count = int(b.size());
            for (int k = 0; k + 1 < count; ++k) {
                GlyphPoint cEnd;
                if (k == count - 2) {
                    cEnd = b[size_t(k) + 1];
                } else {
                    cEnd.x = (b[size_t(k)].x + b[size_t(k) + 1].x) / 2;
                    cEnd.y = (b[size_t(k)].y + b[size_t(k) + 1].y) / 2;
                }
                const GlyphPoint &B = b[size_t(k)];
                for (int j = 1; j <= steps; ++j) {
                    const double t = double(j) / steps;
                    const double x = a.x + 2 * t * (B.x - a.x) + t * t * (a.x - 2.0 * B.x + cEnd.x);
                    const double y = a.y + 2 * t * (B.y - a.y) + t * t * (a.y - 2.0 * B.y + cEnd.y);
                    poly.AddPoint(place(x, y));
                    flat.push_back({std::lround(x), std::lround(y)});
                }
                a = cEnd;
            }
            if (count == 1) {
                // A run of one point is its own end.
                poly.AddPoint(place(double(b[0].x), double(b[0].y)));
                flat.push_back(b[0]);
                a = b[0];
            }
        }
        // Close on the start unless already there.
        const Vec3 start = place(double(gc.start.x), double(gc.start.y));
        const std::vector<Vec3> &pts = poly.GetPoints();
        if (pts.size() > 1 && pts.back() == start) {
            std::vector<Vec3> trimmed(pts.begin(), pts.end() - 1);
            poly = CPolygon(trimmed.data(), int(trimmed.size()));
        }
        const std::vector<Vec3> &q = poly.GetPoints();
        const int n = int(q.size());
        if (n < 3)
            continue;
        double a2 = 0.0;
        for (int k = 0; k < n; ++k) {
            const Vec3 &p0 = q[size_t(k)];
            const Vec3 &p1 = q[size_t((k + 1) % n)];
            a2 += (p0.y + p1.y) * (p1.x - p0.x);
        }
        contour.area = std::fabs(a2);
        contour.sign = a2 > 0 ? 1 : (a2 < 0 ? -1 : 0);
        contours.push_back(std::move(contour));
    }

    std::stable_sort(contours.begin(), contours.end(),
                     [](const Contour &l, const Contour &r) { return l.area < r.area; });
    const int count = int(contours.size());
    std::vector<TreeNode> nodes(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        nodes[size_t(i)].contour = i;
    for (int i = 0; i + 1 < count; ++i) {
        const Vec3 p = contours[size_t(i)].polygon.GetPointAt(0);
        for (int j = i + 1; j < count; ++j)
            if (contours[size_t(j)].polygon.PointInside(p) != 0) {
                nodes[size_t(j)].children.push_back(i);
                nodes[size_t(i)].root = false;
                break;
            }
    }

    int filled = 0;
    bool overflow = false;
    // Depth-first, parent before children; even depths are outer
    // boundaries, odd depths holes of their parent's polygon.
    struct Item {
        int node;
        int depth;
        int target;
    };
    for (int r = 0; r < count; ++r) {
        if (!nodes[size_t(r)].root)
            continue;
        std::vector<Item> stack{{r, 0, -1}};
        while (!stack.empty()) {
            const Item item = stack.back();
            stack.pop_back();
            const Contour &contour = contours[size_t(item.node)];
            int target = item.target;
            if (item.depth % 2 == 0) {
                if (filled >= capacity) {
                    overflow = true;
                    continue;
                }
                target = filled++;
                CopyLoop(contour.polygon, contour.sign == -1, out[target]);
            } else if (target >= 0) {
                HoledPolygon &h = out[target];
                if (h.GetSize() > 0)
                    h.AddHoleStart(h.GetSize());
                CopyLoop(contour.polygon, contour.sign == 1, h);
            }
            const std::vector<int> &children = nodes[size_t(item.node)].children;
            for (auto it = children.rbegin(); it != children.rend(); ++it)
                stack.push_back({*it, item.depth + 1, target});
        }
    }
    if (overflow)
        GeometryLog(ReportMngr::LEVEL_WARN, "Character %u has more than %d outer boundaries; the rest are left out",
                    character, capacity);
    return filled;
}
