#include "engine/tools/SgCreatePolygonTool.h"

#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgPolygon.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgShapeHints.h"

SG_CLASS_SOURCE(SgCreatePolygonTool, SgCreatePolyLineTool, SgFieldMngr, "SgCreatePolygonTool")

namespace {
constexpr int kPolygonShapeType = 2;
constexpr int kMinPolygonPoints = 3;
} // namespace

SgCreatePolygonTool::SgCreatePolygonTool() : SgCreatePolygonTool(Plane(Vec3(0, 0, 1), 0.0)) {}

SgCreatePolygonTool::SgCreatePolygonTool(const Plane &plane) : SgCreatePolyLineTool(plane, SgPolyLine::ClassID())
{
    m_bProjectOnPlane = true;
}

void SgCreatePolygonTool::Finish(SgHandleEventAction *action)
{
    if (!m_iStarted)
        return;
    SgObject *object = m_pEditSeparator;
    SgRef<SgPolyLine> outline = m_pPolyline;
    const bool enough = outline && outline->m_coordinates.GetCount() >= kMinPolygonPoints;
    if (object && outline) {
        // The outline is a drawing aid only: the polygon takes its points.
        object->DeleteChild(outline.get());
        if (enough) {
            auto *polygon = new SgPolygon;
            polygon->m_coordinates = outline->m_coordinates;
            auto *hints = new SgShapeHints;
            hints->m_shapeType.Set(kPolygonShapeType);
            object->AddPropertyNode(hints, false);
            object->AddChild(polygon);
        }
    }
    if (!enough && object) {
        // Fewer than three points make no polygon, and no empty object
        // stays behind in the scene.
        m_pCreated = nullptr;
        for (SgNode *node : m_ObjectPath.GetNodes()) {
            if (node != object && node->IsGroup() && static_cast<SgGroup *>(node)->IndexOf(object) >= 0) {
                static_cast<SgGroup *>(node)->DeleteChild(object);
                break;
            }
        }
        m_pEditSeparator = nullptr;
    }
    SgCreatePolyLineTool::Finish(action);
}
