#include "engine/nodes/helpers/SgGrid.h"

#include <cmath>
#include <vector>

#include "engine/core/SgDocumentLink.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/GeometryLog.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"

SG_CLASS_SOURCE(SgGrid, SgHelper, SgFieldMngr, "SgGrid")

SgGrid::SgGrid()
{
    AddField(m_dimension, "dimension", 12.0);
    AddField(m_space, "space", 5.0);
    AddField(m_subdivision, "subdivision", 5);
    m_major = new SgPolyLine;
    m_minor = new SgPolyLine;
    m_majorMaterial = new SgMaterial;
    m_minorMaterial = new SgMaterial;
    for (SgNode *node : {static_cast<SgNode *>(m_major.get()), static_cast<SgNode *>(m_minor.get()),
                         static_cast<SgNode *>(m_majorMaterial.get()), static_cast<SgNode *>(m_minorMaterial.get())})
        node->DisableUndo();

    SgRef<SgTransform> mirror = new SgTransform;
    SgRef<SgTransform> turn = new SgTransform;
    SgRef<SgSeparator> lines = new SgSeparator;
    mirror->DisableUndo();
    turn->DisableUndo();
    lines->DisableUndo();
    SetBuiltinMacro(true);
    const Color dark(0.2, 0.2, 0.2, 1.0);
    const Color light(0.5, 0.5, 0.5, 1.0);
    m_majorMaterial->m_diffuseColor.SetVals(1, &dark);
    m_minorMaterial->m_diffuseColor.SetVals(1, &light);
    mirror->m_scaleFactor.Set(Vec3(-1.0, 1.0, 1.0));
    turn->m_rotation.Set(Rotation(Vec3(0.0, 0.0, 1.0), 1.5707963267948966));

    lines->AddChild(m_minorMaterial.get());
    lines->AddChild(m_minor.get());
    lines->AddChild(m_majorMaterial.get());
    lines->AddChild(m_major.get());
    lines->AddChild(mirror.get());
    lines->AddChild(m_minorMaterial.get());
    lines->AddChild(m_minor.get());
    lines->AddChild(m_majorMaterial.get());
    lines->AddChild(m_major.get());
    AddChild(lines.get());
    AddChild(turn.get());
    AddChild(lines.get());
    Update();
}

SgGrid::~SgGrid() = default;

void SgGrid::Update()
{
    int s = m_subdivision.Get(true);
    const double D = m_dimension.Get(true);
    const double space = m_space.Get(true);
    m_minor->m_coordinates.SetVals(0, nullptr);
    m_minor->m_jumps.SetVals(0, nullptr);
    m_major->m_coordinates.SetVals(0, nullptr);
    m_major->m_jumps.SetVals(0, nullptr);
    if (s < 1) {
        GeometryLog(ReportMngr::LEVEL_WARN, "SgGrid: \"subdivision\" %d is taken as 1", s);
        s = 1;
    }
    if (!(space > 0.0) || !std::isfinite(space) || !std::isfinite(D))
        return;
    const double step = space / double(s);
    const double lines = std::trunc(D / step);
    if (lines < 0.0)
        return;
    int count = int(std::min(lines, double(kMaxLines)));
    if (lines > kMaxLines)
        GeometryLog(ReportMngr::LEVEL_WARN, "SgGrid: %.17g lines per quarter are more than %d; the grid stops there",
                    lines, kMaxLines);
    std::vector<Vec3> minorPoints, majorPoints;
    std::vector<int> minorJumps, majorJumps;
    for (int i = 0; i <= count; ++i) {
        const Vec3 a(i * step, -D, 0.0);
        const Vec3 b(i * step, D, 0.0);
        std::vector<Vec3> &points = i % s != 0 ? minorPoints : majorPoints;
        std::vector<int> &jumps = i % s != 0 ? minorJumps : majorJumps;
        points.push_back(a);
        points.push_back(b);
        jumps.push_back(int(points.size()));
    }
    // Every line is a two-point loop; a jump at the very end would name an
    // empty last loop, which a polyline refuses to draw.
    if (!minorJumps.empty())
        minorJumps.pop_back();
    if (!majorJumps.empty())
        majorJumps.pop_back();
    m_minor->m_coordinates.SetVals(int(minorPoints.size()), minorPoints.empty() ? nullptr : minorPoints.data());
    m_minor->m_jumps.SetVals(int(minorJumps.size()), minorJumps.empty() ? nullptr : minorJumps.data());
    m_major->m_coordinates.SetVals(int(majorPoints.size()), majorPoints.empty() ? nullptr : majorPoints.data());
    m_major->m_jumps.SetVals(int(majorJumps.size()), majorJumps.empty() ? nullptr : majorJumps.data());
}

void SgGrid::OnChange(SgField *field)
{
    // Fields set while the grid is still being made need no rebuild yet.
    if (m_bUpdating || !m_major || !m_minor)
        return;
    SgDocument *document = GetDocument();
    const bool recording = document && SgDocumentLink::IsUndoRecording(document);
    if (document)
        SgDocumentLink::SetUndoRecording(document, false);
    m_bUpdating = true;
    DisableNotifyPropagation();
    Update();
    EnableNotifyPropagation(true);
    m_bUpdating = false;
    (void)field;
    NotifyFathers(this);
    if (document)
        SgDocumentLink::SetUndoRecording(document, recording);
}
