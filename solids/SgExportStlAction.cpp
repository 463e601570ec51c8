#include "solids/SgExportStlAction.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>

#include <sys/stat.h>

#include "engine/core/SgElementClasses.h"
#include "engine/core/SgGizmoGroup.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgModifier.h"
#include "engine/core/SgModifierStack.h"
#include "engine/core/SgPathList.h"
#include "engine/core/SgState.h"
#include "engine/core/SgStateAccessors.h"
#include "engine/nodes/geometry/SgBoolean.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgSkeleton.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgFont.h"
#include "engine/nodes/properties/SgFormat.h"
#include "engine/nodes/properties/SgShapeHints.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/handlers/SgManipulator.h"
#include "engine/nodes/geometry/SgExtrude.h"
#include "engine/nodes/geometry/SgBoolean.h"
#include "solids/GmBoxBuilder.h"
#include "solids/GmGeom.h"
#include "solids/SgGeomAction.h"
#include "solids/SgSolvane.h"
#include "solids/render/GmDraw.h"

using namespace solvane;

SG_ACTION_SOURCE(SgExportStlAction, "SgExportStlAction")

namespace {
SgExportStlAction *StlSelf(SgAction *action)
{
    return static_cast<SgExportStlAction *>(action);
}

void PutU32(unsigned char *at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(v >> (8 * i));
}

void PutFloat(unsigned char *at, float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    PutU32(at, bits);
}

Vec3 TransformPoint(const Mat4 &m, const Vec3f &p)
{
    return Vec3(m.Get(0, 0) * p.x + m.Get(0, 1) * p.y + m.Get(0, 2) * p.z + m.Get(0, 3),
                m.Get(1, 0) * p.x + m.Get(1, 1) * p.y + m.Get(1, 2) * p.z + m.Get(1, 3),
                m.Get(2, 0) * p.x + m.Get(2, 1) * p.y + m.Get(2, 2) * p.z + m.Get(2, 3));
}

// The innermost named node on the action's way down (the node itself
// included), by which the user knows the object.
std::string ObjectName(SgAction *action)
{
    const std::vector<SgNode *> &path = action->GetCurrentPath().GetNodes();
    for (auto it = path.rbegin(); it != path.rend(); ++it)
        if (*it && !(*it)->GetName().empty())
            return "\"" + (*it)->GetName() + "\"";
    return "an unnamed object";
}

double LinearDeterminant(const Mat4 &m)
{
    return m.Get(0, 0) * (m.Get(1, 1) * m.Get(2, 2) - m.Get(1, 2) * m.Get(2, 1)) -
           m.Get(0, 1) * (m.Get(1, 0) * m.Get(2, 2) - m.Get(1, 2) * m.Get(2, 0)) +
           m.Get(0, 2) * (m.Get(1, 0) * m.Get(2, 1) - m.Get(1, 1) * m.Get(2, 0));
}
}  // namespace

void SgExportStlAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    VisitorFn *table = s_pfnMethodsMap;
    SetVisitor(table, SgNode::ClassID(), VisitNothing);
    SetVisitor(table, SgManipulator::ClassID(), VisitNothing);
    SetVisitor(table, SgGroup::ClassID(), VisitDefault);
    SetVisitor(table, SgTransform::ClassID(), VisitDefault);
    // The property nodes a shape reads its points and build settings from.
    SetVisitor(table, SgCoordinate3::ClassID(), VisitDefault);
    SetVisitor(table, SgShapeHints::ClassID(), VisitDefault);
    SetVisitor(table, SgFont::ClassID(), VisitDefault);
    SetVisitor(table, SgFormat::ClassID(), VisitDefault);
    SetVisitorByName(table, "SgElevation", VisitDefault);
    // A gizmo's modifier applies; its handles are not part of the object.
    SetVisitor(table, SgGizmoGroup::ClassID(), SgGeomAction::VisitGizmoGroup);
    // Modifiers join the stack, so that the shapes are written modified.
    SetVisitor(table, SgModifier::ClassID(), VisitDefault);
    SetVisitor(table, SgGeometricShape::ClassID(), VisitDefault);
    SetVisitor(table, SgExtrude::ClassID(), VisitDefault);
    SetVisitor(table, SgSkeleton::ClassID(), VisitSkeleton);
    SetVisitor(table, SgBoolean::ClassID(), VisitBoolean);
    SetVisitor(table, SgSolvane::ClassID(), VisitSolvane);
    SetVisitor(table, SgFaceSet::ClassID(), VisitFaceSet);
    SetVisitor(table, SgIndexedFaceSet::ClassID(), VisitIndexedFaceSet);
    SetVisitor(table, SgCube::ClassID(), VisitCube);
    BuildVisitorsMap_(s_iClassID);

    int *list = s_aiEnabledElements;
    int &count = s_iEnabledCount;
    EnableElement<DiffuseColorElement>(list, count);
    EnableElement<SpecularColorElement>(list, count);
    EnableElement<ShininessElement>(list, count);
    EnableElement<EmissionColorElement>(list, count);
    EnableElement<AmbientColorElement>(list, count);
    EnableElement<TextureEnableElement>(list, count);
    EnableShapeBuildElements(list, count);
    EnableElement<AlphaBlendElement>(list, count);
    EnableElement<DrawOverElement>(list, count);
}

SgExportStlAction::SgExportStlAction()
{
    InitState();
}

void SgExportStlAction::SetFile(std::FILE *file)
{
    m_pFile = file;
    m_headAt = -1;
    m_nRecords = 0;
    m_writeError.clear();
}

bool SgExportStlAction::Fail(const std::string &why)
{
    if (m_writeError.empty())
        m_writeError = why;
    return false;
}

bool SgExportStlAction::WriteHead()
{
    if (m_headAt >= 0)
        return true;
    m_headAt = std::ftell(m_pFile);
    if (m_headAt < 0)
        return Fail(std::string("the STL file cannot be positioned: ") + std::strerror(errno));
    unsigned char head[kHeadSize + 4] = {};
    if (std::fwrite(head, 1, sizeof head, m_pFile) != sizeof head)
        return Fail("short write of the STL head");
    return true;
}

bool SgExportStlAction::UpdateCount()
{
    if (m_headAt < 0 || HasWriteFailed())
        return false;
    unsigned char count[4];
    PutU32(count, m_nRecords);
    if (std::fseek(m_pFile, m_headAt + kHeadSize, SEEK_SET) != 0)
        return Fail(std::string("the STL file cannot be positioned: ") + std::strerror(errno));
    if (std::fwrite(count, 1, 4, m_pFile) != 4)
        return Fail("short write of the STL triangle count");
    if (std::fseek(m_pFile, 0, SEEK_END) != 0)
        return Fail(std::string("the STL file cannot be positioned: ") + std::strerror(errno));
    return true;
}

bool SgExportStlAction::Apply(SgNode *node)
{
    if (!m_pFile)
        return Fail("no STL file to write to");
    if (!WriteHead())
        return false;
    const bool traversed = SgAction::Apply(node);
    if (!UpdateCount())
        return false;
    return traversed && !HasWriteFailed();
}

bool SgExportStlAction::Finish()
{
    if (m_pFile && m_headAt < 0)
        WriteHead();  // an export of nothing is still a file with no records
    else if (m_pFile)
        UpdateCount();
    if (m_pFile && std::fflush(m_pFile) != 0)
        Fail(std::string("the STL file could not be written: ") + std::strerror(errno));
    if (m_pFile && std::ferror(m_pFile))
        Fail("the STL file could not be written");
    return !HasWriteFailed();
}

void SgExportStlAction::WriteGeom(GmGeom &geom)
{
    if (!m_pFile || HasWriteFailed())
        return;
    GmTriangles triangles = GmCollectTriangles(geom);
    Mat4 m = GetActionTransform(this);
    m.Set(3, 3, 1.0);
    const bool mirrored = LinearDeterminant(m) < 0.0;
    unsigned char record[kRecordSize];
    for (int k = 0; k < triangles.count(); ++k) {
        Vec3 v[3];
        for (int i = 0; i < 3; ++i)
            v[i] = TransformPoint(m, triangles.points[static_cast<size_t>(3 * k + i)]);
        if (mirrored)
            std::swap(v[1], v[2]);
        Vec3 n = (v[1] - v[0]).Cross(v[2] - v[0]);
        const double len = n.Length();
        n = len > 0.0 ? n / len : Vec3(0.0, 0.0, 0.0);
        std::memset(record, 0, sizeof record);
        PutFloat(record + 0, float(n.x));
        PutFloat(record + 4, float(n.y));
        PutFloat(record + 8, float(n.z));
        for (int i = 0; i < 3; ++i) {
            PutFloat(record + 12 + 12 * i, float(v[i].x));
            PutFloat(record + 16 + 12 * i, float(v[i].y));
            PutFloat(record + 20 + 12 * i, float(v[i].z));
        }
        if (std::fwrite(record, 1, sizeof record, m_pFile) != sizeof record) {
            Fail("short write of an STL record");
            return;
        }
        ++m_nRecords;
    }
}

void SgExportStlAction::VisitSolvane(SgAction *action, SgNode *node)
{
    // What the modifiers in force make of a shape is what is written.
    if (SgModifierStack::TraverseModified(action, static_cast<SgShape *>(node)))
        return;
    if (GmGeom *geom = static_cast<SgSolvane *>(node)->GetGeom())
        StlSelf(action)->WriteGeom(*geom);
}

void SgExportStlAction::VisitFaceSet(SgAction *action, SgNode *node)
{
    if (SgModifierStack::TraverseModified(action, static_cast<SgShape *>(node)))
        return;
    std::unique_ptr<GmGeom> geom(SgSolvane::ConvertToGeom(static_cast<SgFaceSet *>(node), 0));
    if (geom)
        StlSelf(action)->WriteGeom(*geom);
}

void SgExportStlAction::VisitIndexedFaceSet(SgAction *action, SgNode *node)
{
    if (SgModifierStack::TraverseModified(action, static_cast<SgShape *>(node)))
        return;
    std::unique_ptr<GmGeom> geom(SgSolvane::ConvertToGeom(static_cast<SgShape *>(node), action->GetState()));
    if (geom)
        StlSelf(action)->WriteGeom(*geom);
}

void SgExportStlAction::VisitCube(SgAction *action, SgNode *node)
{
    auto *cube = static_cast<SgCube *>(node);
    std::unique_ptr<GmGeom> geom(
        makeBox(cube->m_width.Get(true), cube->m_depth.Get(true), cube->m_height.Get(true)));
    if (geom)
        StlSelf(action)->WriteGeom(*geom);
}

void SgExportStlAction::VisitBoolean(SgAction *action, SgNode *node)
{
    // The evaluated solid as it is drawn: in the boolean's frame, with the
    // modifiers in force; the operands are never written, so overlapping
    // operands give no inner triangles.
    auto *boolean = static_cast<SgBoolean *>(node);
    SgShape *result = boolean->Evaluate(action);
    if (result && result->GetClassID() == SgSolvane::ClassID() && static_cast<SgSolvane *>(result)->HasFailed()) {
        // Leaving the object out would hand over a file that is not what is
        // drawn, as if it were.
        StlSelf(action)->Fail(ObjectName(action) + ": " + static_cast<SgSolvane *>(result)->GetFailure());
        return;
    }
    boolean->TraverseResult(action);
}

void SgExportStlAction::VisitSkeleton(SgAction *action, SgNode *node)
{
    // Built as any extrusion; a roof refused over its profile fails the
    // export as a failed Boolean does, instead of writing nothing for it.
    VisitDefault(action, node);
    const std::string &failure = static_cast<SgSkeleton *>(node)->GetBuildFailure();
    if (!failure.empty())
        StlSelf(action)->Fail(ObjectName(action) + ": " + failure);
}

bool SgExportStlAction::ExportPaths(const std::string &path, const SgPathList &paths, std::string *error)
{
    // Only a file this export made is removed when it fails: never a file
    // (or device) that was there before.
    struct stat before;
    const bool existed = ::stat(path.c_str(), &before) == 0;
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) {
        if (error)
            *error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    SgExportStlAction stl;
    stl.SetFile(file);
    bool ok = true;
    POSITION at = paths.GetFirst();
    while (at && ok) {
        SgPath p = paths.GetNext(at);
        if (p.IsEmpty())
            continue;
        stl.PushState();
        ok = stl.ApplyToPath(p);
        stl.PopState();
        ok = stl.UpdateCount() && ok;
    }
    ok = stl.Finish() && ok;
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        stl.Fail(std::string("the STL file could not be closed: ") + std::strerror(errno));
    }
    if (!ok) {
        if (error)
            *error = stl.HasWriteFailed() ? stl.GetWriteError() : "the export failed";
        if (!existed)
            std::remove(path.c_str());
    }
    return ok;
}
