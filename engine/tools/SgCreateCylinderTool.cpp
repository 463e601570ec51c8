#include "engine/tools/SgCreateCylinderTool.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "engine/core/SgDocumentLink.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgToolLink.h"
#include "engine/nodes/geometry/SgBox.h"
#include "engine/nodes/geometry/SgCircle.h"
#include "engine/nodes/geometry/SgCone.h"
#include "engine/nodes/geometry/SgCylinder.h"
#include "engine/nodes/geometry/SgGenPolyLine.h"
#include "engine/nodes/geometry/SgGeoSphere.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/nodes/geometry/SgNGon.h"
#include "engine/nodes/geometry/SgPlane.h"
#include "engine/nodes/geometry/SgPrizm.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/geometry/SgTorus.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/tools/GenericCreateHandler.h"
#include "engine/tools/SgToolFields.h"
#include "engine/viewer/SgEvent.h"
#include "engine/viewer/SgHandleEventAction.h"
#include "engine/viewer/SgViewer.h"
#include "platform/SgDiagnostics.h"

SG_CLASS_SOURCE(SgCreateCylinderTool, SgRubberTool, SgFieldMngr, "SgCreateCylinderTool")

namespace {
// A curve is picked within this many pixels for a prism.
constexpr double kCurvePickRadius = 5.0;
// The height plane's normal is used only when it is at least this long
// (squared); a view along the base normal leaves it undefined.
constexpr double kMinPlaneNormal2 = 1e-5;
constexpr double kMinTorusRadius = 0.01;
constexpr double kTorusTubeStart = 0.2;
constexpr double kMaxTubeShare = 0.9999;
constexpr double kFilletMargin = 1.1;
constexpr int kShiftKey = 16;
constexpr int kCtrlKey = 17;
constexpr int kEscapeKey = 27;
// A drag shorter than this (in scene units) gave the shape no extent.
constexpr double kMinExtent = 1e-9;

bool IsExactly(const SgNode *node, int classId)
{
    return node && node->GetClassID() == classId;
}
} // namespace

SgCreateCylinderTool::SgCreateCylinderTool()
{
    m_bProjectOnPlane = true;
}

SgCreateCylinderTool::SgCreateCylinderTool(const Plane &, int) : SgCreateCylinderTool() {}

SgCreateCylinderTool::~SgCreateCylinderTool()
{
    // A tool deleted in the middle of a creation closes what it opened.
    if (m_pKeyPointDocument && m_pKeyPointDocument->IsInKeyPoint())
        m_pKeyPointDocument->EndKeyPoint();
}

namespace {
// Whether the class makes a shape node: anything else would leave an empty
// object in the scene.
bool MakesShape(int kind)
{
    if (kind <= 0)
        return false;
    SgFieldMngr *made = SgFieldMngr::Create(kind);
    if (!made)
        return false;
    SgAdopt<SgFieldMngr> guard(made);
    auto *node = dynamic_cast<SgNode *>(made);
    return node && node->IsShape();
}
} // namespace

void SgCreateCylinderTool::Setup(int kind, const int *codes)
{
    m_pHandler = nullptr;
    m_iKind = kind;
    if (!MakesShape(kind)) {
        SgDiagWarning("CreateTool", "class id %d makes no shape: the tool creates nothing", kind);
        m_iKind = 0;
    }
    std::fill(std::begin(m_codes), std::end(m_codes), 0);
    for (int i = 0; codes && i < kMaxStages; ++i) {
        m_codes[i] = codes[i];
        if (codes[i] == kEnd)
            break;
    }
}

void SgCreateCylinderTool::Setup(GenericCreateHandler *handler)
{
    m_pHandler = handler;
    m_iKind = 0;
    std::fill(std::begin(m_codes), std::end(m_codes), 0);
    if (!handler)
        return;
    const int *parameters = handler->GetParameters();
    for (int i = 0; i + 2 < GenericCreateHandler::kParameterCount && i < kMaxStages; ++i)
        m_codes[i] = parameters[i + 2];
}

int SgCreateCylinderTool::StageCode(int index) const
{
    return index >= 0 && index < kMaxStages ? m_codes[index] : kEnd;
}

SgDocument *SgCreateCylinderTool::ToolDocument(SgHandleEventAction *action)
{
    SgViewer *viewer = action ? action->GetViewer() : nullptr;
    if (viewer && viewer->GetDocument())
        return viewer->GetDocument();
    return GetDocumentHack();
}

void SgCreateCylinderTool::CreateObjectGroup()
{
    // The tool holds the object while it is built; the scene takes its own
    // reference when the base start inserts it.
    m_pObject = new SgObject(true, true);
    SgObject *object = m_pObject.get();
    m_pEditSeparator = object;
    m_pTransform = object->GetTransform(true);
    if (m_pHandler) {
        // The handler makes what it wants; the edit separator only carries
        // the start point.
        m_pCreated = m_pHandler->Create();
        return;
    }
    m_pCreated = object;
    SgMaterial *material = BuildRandomMaterial();
    if (SgDocument *document = GetDocumentHack())
        object->m_layer.Set(document->GetCurrentLayer());
    if (SgFieldMngr *made = m_iKind ? SgFieldMngr::Create(m_iKind) : nullptr) {
        SgAdopt<SgFieldMngr> guard(made);
        if (auto *node = dynamic_cast<SgNode *>(made))
            m_pShape = node;
    }
    if (m_pShape) {
        char name[256];
        std::snprintf(name, sizeof name, "%s%d", m_pShape->GetClassName(), s_objectCounter++);
        object->SetName(name);
        if (m_pShape->IsDerivedFrom(SgGenPolyLine::ClassID())) {
            material->m_diffuseColor.SetValue(0, Color(0.0, 0.5, 0.2, 1.0));
            auto *style = new SgDrawStyle;
            style->m_lineWidth.Set(2.0f);
            object->AddPropertyNode(style, false);
        }
    }
    object->AddPropertyNode(material, false);
    auto *temp = new SgSeparator;
    SetTempSeparator(temp);
    if (m_pShape)
        temp->AddChild(m_pShape.get());
}

void SgCreateCylinderTool::Start(SgHandleEventAction *action)
{
    m_pShape.reset();
    m_pCreated = nullptr;
    m_dExtent = 0.0;
    SgRubberTool::Start(action, nullptr);
    if (m_pTransform)
        m_pTransform->m_translation.Set(m_startPoint);
}

bool SgCreateCylinderTool::StartOnCurve(SgHandleEventAction *action, SgRef<SgNode> &curve, SgObject *&curveObject)
{
    SgPath path = PickPath(action);
    if (path.IsEmpty())
        return false;
    path.CutToObject(0, true, false);
    SgSeparator *object = path.GetObject(true);
    path.ExtendToShape();
    SgNode *last = path.IsEmpty() ? nullptr : path.GetLastElement();
    if (last && last->IsSeparator() && last->GetNumChildren() > 0)
        last = last->GetChild(last->GetNumChildren() - 1);
    if (!last)
        return false;
    if (last->IsDerivedFrom(SgGenPolyLine::ClassID())) {
        curve = last;
    } else {
        // A procedural shape whose result is a curve: the prism takes a copy
        // of that curve (the result belongs to the shape and is rebuilt with it).
        auto *shape = dynamic_cast<SgGeometricShape *>(last);
        SgShape *result = shape ? shape->GetResultCache() : nullptr;
        if (!result || !result->IsDerivedFrom(SgGenPolyLine::ClassID()))
            return false;
        curve = result->Copy();
        if (!curve)
            return false;
    }
    curveObject = object && object->IsDerivedFrom(SgObject::ClassID()) ? static_cast<SgObject *>(object) : nullptr;
    return true;
}

int SgCreateCylinderTool::OnLButtonDown(SgHandleEventAction *)
{
    // The stages advance on releases; the press is kept from the selection
    // handler, which would otherwise select what lies under a creation click.
    // A tool that creates nothing leaves the press to it.
    return m_pHandler || m_iKind != 0 ? 1 : 0;
}

int SgCreateCylinderTool::OnLButtonUp(SgHandleEventAction *action)
{
    s_moveCounter = 0;
    SgDocument *document = ToolDocument(action);
    if (m_iStarted == 0) {
        if (!m_pHandler && m_iKind == 0)
            return 0;
        SgRef<SgNode> curve;
        SgObject *curveObject = nullptr;
        const bool prism = !m_pHandler && m_iKind == SgPrizm::ClassID();
        // A prism needs a curve to stand on: a click beside one does nothing.
        if (prism && !StartOnCurve(action, curve, curveObject))
            return 1;
        if (m_pHandler && document && document->StartKeyPoint() >= 0)
            m_pKeyPointDocument = document;
        m_bOnCurve = false;
        Start(action);
        if (prism) {
            auto *shape = dynamic_cast<SgPrizm *>(m_pShape.get());
            if (shape) {
                shape->SetPolyline(static_cast<SgGenPolyLine *>(curve.get()), 0, true);
                shape->m_zeroBase.Set(1);
            }
            if (curveObject && m_pTransform) {
                SgTransform *from = curveObject->GetTransform(false);
                if (from) {
                    m_pTransform->m_translation.Set(from->m_translation.Get());
                    m_pTransform->m_center.Set(from->m_center.Get());
                    m_pTransform->m_scaleFactor.Set(from->m_scaleFactor.Get());
                    m_pTransform->m_rotation.Set(from->m_rotation.Get());
                }
            }
            m_bOnCurve = true;
        } else if (auto *prizm = dynamic_cast<SgPrizm *>(m_pShape.get())) {
            prizm->m_zeroBase.Set(m_bOnCurve ? 1 : 0);
        }
        if (m_bDiscardEmpty && m_currentPoint == Vec3()) {
            Discard();
            Finish(action);
            return 1;
        }
        if (document)
            document->NotifyTool(0, 0, m_pCreated);
        // The prism skips its base-point stage: the release counts once more.
        if (m_bOnCurve)
            return OnLButtonUp(action);
        return 1;
    }
    const int code = StageCode(m_iStarted);
    if (code == kEnd && !m_pHandler && m_dExtent <= kMinExtent && HasExtentStage()) {
        // Clicks without a drag between them: no shape to make.
        Discard();
        Finish(action);
        return 1;
    }
    if (code == kEnd) {
        SgObject *created = m_pCreated;
        Finish(action);
        if (document) {
            document->NotifyTool(1, 0, created);
            if (!m_pHandler)
                RecordCreation(document);
        }
        return 1;
    }
    ++m_iStarted;
    EnterStage(action, code);
    return 1;
}

void SgCreateCylinderTool::EnterStage(SgHandleEventAction *action, int code)
{
    if (code != kHeight) {
        SetPlane(m_basePlane);
        PickPoint(action, nullptr);
        return;
    }
    // A plane that holds the base normal and faces the viewer.
    const Vec3 n = m_basePlane.GetNormal();
    Vec3 d;
    SgEvent *event = action ? action->GetEvent() : nullptr;
    Vec3 start;
    Vec3 end;
    if (event && SgToolLink::ObjectRay(action, event->m_x, event->m_y, m_ObjectPath, start, end))
        d = end - start;
    Vec3 m = n.Cross(d.Cross(n));
    if (m.Length2() >= kMinPlaneNormal2)
        m.Normalize();
    const Vec3 point = PickPoint(action, nullptr);
    SetPlane(Plane(m, point.Dot(m)));
}

int SgCreateCylinderTool::OnMouseMove(SgHandleEventAction *action)
{
    if (m_iStarted == 0)
        return 0;
    SgEvent *event = action ? action->GetEvent() : nullptr;
    if (++s_moveCounter == 1 && event) {
        m_iCursorX = event->m_x;
        m_iCursorY = event->m_y;
    }
    const Vec3 p = PickPoint(action, nullptr);
    const Vec3 delta = p - m_startPoint;
    double h = m_basePlane.GetNormal().Dot(delta);
    double a = std::abs(h);
    double r = delta.Length();
    const int code = StageCode(m_iStarted - 1);
    // The fields this step sets, told to the document's owner after it.
    SgToolFields::EditRecord edits;
    if (m_pHandler) {
        m_pHandler->m_start = m_startPoint;
        m_pHandler->m_current = p;
        m_pHandler->m_delta = delta;
        m_pHandler->m_height = h;
        m_pHandler->m_absHeight = a;
        m_pHandler->m_distance = r;
        m_pShape.reset();
    }
    if (code == kExtent) {
        if (m_pHandler) {
            m_pHandler->Update();
        } else {
            if (m_bCentred) {
                r /= 2.0;
                if (m_pTransform)
                    m_pTransform->m_translation.Set((m_startPoint + p) * 0.5);
            }
            SetExtent(r, delta, p);
        }
        m_dExtent = r;
    } else if (code == kHeight) {
        if (std::abs(m_dViewAngle - 90.0) > 90.0 - kSteepViewDegrees && event) {
            h = (m_iCursorY - event->m_y) / kPixelsPerUnit;
            a = std::abs(h);
        }
        if (m_pHandler) {
            m_pHandler->m_height = h;
            m_pHandler->m_absHeight = a;
            m_pHandler->Update();
        } else {
            if (m_pTransform) {
                Vec3 t = m_pTransform->m_translation.Get();
                t.z = m_bOnCurve ? (h < 0.0 ? h : 0.0) : h / 2.0;
                m_pTransform->m_translation.Set(t);
            }
            SetHeight(h, a);
        }
    }
    edits.Report(ToolDocument(action));
    if (m_pHandler)
        SgToolLink::Redraw(SgToolLink::Viewer(action), true);
    else
        DrawRubber(action);
    return 1;
}

void SgCreateCylinderTool::SetExtent(double r, const Vec3 &delta, const Vec3 &)
{
    SgNode *shape = m_pShape.get();
    if (!shape)
        return;
    using namespace SgToolFields;
    const int stage = m_iStarted;
    if (IsExactly(shape, SgCylinder::ClassID())) {
        SetDouble(shape, "radius", r);
        SetDouble(shape, "height", 0.0);
    } else if (IsExactly(shape, SgCone::ClassID())) {
        SetDouble(shape, "bottomRadius", r);
        SetDouble(shape, "height", 0.0);
    } else if (IsExactly(shape, SgCircle::ClassID()) || IsExactly(shape, SgSphere::ClassID()) ||
               IsExactly(shape, SgGeoSphere::ClassID())) {
        SetDouble(shape, "radius", r);
    } else if (IsExactly(shape, SgNGon::ClassID())) {
        if (stage == 1)
            SetDouble(shape, "radius", r);
        else
            SetDouble(shape, "filetRadius", std::max(0.0, r - kFilletMargin * GetDouble(shape, "radius")));
    } else if (IsExactly(shape, SgNStar::ClassID())) {
        if (stage == 1) {
            SetDouble(shape, "radius", r);
            SetDouble(shape, "radius1", r / 2.0);
        } else {
            SetDouble(shape, "radius1", r);
        }
    } else if (IsExactly(shape, SgHelix::ClassID())) {
        SetDouble(shape, "radius", r);
        SetDouble(shape, "height", 0.0);
    } else if (IsExactly(shape, SgPlane::ClassID())) {
        SetDouble(shape, "width", std::abs(delta.x));
        SetDouble(shape, "height", std::abs(delta.y));
    } else if (IsExactly(shape, SgBox::ClassID())) {
        SetDouble(shape, "width", std::abs(delta.x));
        SetDouble(shape, "depth", std::abs(delta.y));
        SetDouble(shape, "height", 0.0);
    } else if (IsExactly(shape, SgArc::ClassID())) {
        double angle = std::atan2(delta.y, delta.x) * 180.0 / std::numbers::pi;
        if (stage == 1) {
            SetDouble(shape, "radius", r);
            SetDouble(shape, "startAngle", angle);
            SetDouble(shape, "angle", 360.0);
        } else {
            // The sweep stays continuous when the drag crosses the start direction.
            if (std::abs(m_dPreviousAngle - angle) > 180.0)
                angle += m_dPreviousAngle > angle ? 360.0 : -360.0;
            SetDouble(shape, "angle", std::clamp(angle - GetDouble(shape, "startAngle"), -360.0, 360.0));
        }
        m_dPreviousAngle = angle;
    } else if (shape->IsDerivedFrom(SgTorus::ClassID())) {
        r = std::max(r, kMinTorusRadius);
        if (stage == 1) {
            SetDouble(shape, "radius1", r);
            SetDouble(shape, "radius2", kTorusTubeStart);
        } else {
            const double r1 = GetDouble(shape, "radius1");
            SetDouble(shape, "radius2", std::min(std::abs(r - r1), kMaxTubeShare * r1));
        }
    }
}

void SgCreateCylinderTool::SetHeight(double h, double a)
{
    SgNode *shape = m_pShape.get();
    if (!shape)
        return;
    using namespace SgToolFields;
    if (IsExactly(shape, SgCylinder::ClassID()) || IsExactly(shape, SgPrizm::ClassID()) ||
        IsExactly(shape, SgBox::ClassID()) || IsExactly(shape, SgHelix::ClassID())) {
        SetDouble(shape, "height", a);
    } else if (IsExactly(shape, SgCone::ClassID())) {
        SetDouble(shape, "height", a);
        // A cone dragged below its base plane points down.
        if (m_pTransform)
            m_pTransform->m_rotation.Set(Rotation(Vec3(1.0, 0.0, 0.0), h >= 0.0 ? 0.0 : std::numbers::pi));
    }
}

int SgCreateCylinderTool::OnKeyDown(SgHandleEventAction *action)
{
    SgEvent *event = action ? action->GetEvent() : nullptr;
    if (!event)
        return 0;
    if (event->m_nKey == kEscapeKey) {
        if (m_iStarted == 0)
            return 0;
        // The creation is dropped: nothing of it stays in the scene.
        if (!m_pHandler)
            Discard();
        Finish(action);
        SgToolLink::Redraw(SgToolLink::Viewer(action), true);
        return 1;
    }
    int step = 0;
    if (event->m_nKey == kShiftKey)
        step = 1;
    else if (event->m_nKey == kCtrlKey)
        step = -1;
    else
        return 0;
    SgNode *shape = m_pShape.get();
    using namespace SgToolFields;
    if (IsExactly(shape, SgNGon::ClassID()) || IsExactly(shape, SgNStar::ClassID())) {
        const double sides = GetDouble(shape, "sides") + step;
        if (sides >= 3.0)
            SetDouble(shape, "sides", sides);
    } else if (IsExactly(shape, SgHelix::ClassID())) {
        const double turns = GetDouble(shape, "turns") + step;
        if (turns > 0.0)
            SetDouble(shape, "turns", turns);
    } else {
        return 0;
    }
    DrawRubber(action);
    return 1;
}

void SgCreateCylinderTool::Finish(SgHandleEventAction *action)
{
    if (m_pShape && m_pEditSeparator)
        m_pEditSeparator->AddChild(m_pShape.get());
    m_pShape.reset();
    if (m_pHandler)
        m_pHandler->CleanUp();
    SgRubberTool::Finish(action);
    m_pObject.reset();
    if (m_pKeyPointDocument) {
        if (m_pKeyPointDocument->IsInKeyPoint())
            m_pKeyPointDocument->EndKeyPoint();
        m_pKeyPointDocument = nullptr;
    }
}

bool SgCreateCylinderTool::HasExtentStage() const
{
    for (int i = 0; i < kMaxStages && m_codes[i] != kEnd; ++i)
        if (m_codes[i] == kExtent)
            return true;
    return false;
}

void SgCreateCylinderTool::Discard()
{
    m_pShape.reset();
    SgObject *object = m_pEditSeparator;
    m_pEditSeparator = nullptr;
    m_pCreated = nullptr;
    m_pTransform = nullptr;
    if (!object)
        return;
    // The holder gives up its reference; nothing else holds the object.
    if (!m_ObjectPath.IsEmpty() && m_ObjectPath.GetLastElement() == object)
        m_ObjectPath.DeleteLast();
    SgNode *holder = m_ObjectPath.IsEmpty() ? nullptr : m_ObjectPath.GetLastElement();
    if (holder && holder->IsGroup())
        static_cast<SgGroup *>(holder)->DeleteChild(object);
    m_pObject.reset();
}

void SgCreateCylinderTool::RecordCreation(SgDocument *document)
{
    SgObject *object = m_pCreated;
    if (!object || !document->IsUndoRecording())
        return;
    SgNode *holder = nullptr;
    for (SgNode *node : m_ObjectPath.GetNodes()) {
        if (node->IsGroup() && static_cast<SgGroup *>(node)->IndexOf(object) >= 0)
            holder = node;
    }
    if (!holder)
        return;
    auto *group = static_cast<SgGroup *>(holder);
    const int position = group->IndexOf(object);
    SgNode *previous = position > 0 ? group->GetChild(position - 1) : nullptr;
    SgKeyPoint keyPoint(document);
    SgDocumentLink::RecordChild(document, true, group, object, previous);
}

int SgCreateCylinderTool::s_objectCounter = 1;
int SgCreateCylinderTool::s_moveCounter = 0;
