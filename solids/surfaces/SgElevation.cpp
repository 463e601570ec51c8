#include "solids/surfaces/SgElevation.h"

#include "platform/SgDiagnostics.h"

#include "solids/GmGeom.h"
#include "solids/SgSolvane.h"
#include "solids/surfaces/Adaptive2DTesselator.h"
#include "solids/surfaces/DTMMap.h"

SG_CLASS_SOURCE(SgElevation, SgGeometricShape, SgFieldMngr, "SgElevation")

SgElevation::SgElevation()
{
    AddField(m_origin, "origin", Vec3(0.0, 0.0, 0.0));
    AddField(m_originLocation, "originLocation", Vec3(0.5, 0.5, 0.0));
    AddField(m_width, "width", 2.0);
    AddField(m_height, "height", 2.0);
    AddField(m_cellSize, "cellSize", 0.01);
    AddField(m_tolerance, "tolerance", 0.01);
    AddField(m_gausSigma, "gausSigma", 0.1);
    AddField(m_surfTessType, "surfTessType", 0);
    AddField(m_sampleType, "sampleType", 0);
    AddField(m_grid, "grid");
}

SgElevation::~SgElevation() = default;

Range<Vec3f> SgElevation::Rectangle()
{
    const double w = m_width.Get(true), h = m_height.Get(true);
    return Range<Vec3f>(Vec3f(Vec3(-w / 2, -h / 2, 0.0)), Vec3f(Vec3(w / 2, h / 2, 0.0)));
}

DTMMap *SgElevation::GetTerrainMap() const
{
    return dynamic_cast<DTMMap *>(m_function.get());
}

void SgElevation::DoAction(SgAction *action)
{
    DoBuildAction<SgSolvane>(action, [this](SgSolvane *result, SgAction *) { result->SetGeom(CreateGeom()); });
}

solvane::GmGeom *SgElevation::CreateGeom()
{
    if (m_sampleType.Get(true) == 0 || !GetTerrainMap())
        m_function = std::make_unique<BoxFunc>(Rectangle());
    return Tesselate();
}

void SgElevation::CreateAdaptiveGrid(SgAction *)
{
    m_function = std::make_unique<DTMMap>(Rectangle(), 0.1, m_gausSigma.Get(true));
}

void SgElevation::InitSample()
{
    if (DTMMap *map = GetTerrainMap())
        map->InitSample();
}

void SgElevation::AddPointToGrid(const Vec3 &p)
{
    if (DTMMap *map = GetTerrainMap())
        map->AddPoint(p);
}

void SgElevation::SampleGrid()
{
    if (DTMMap *map = GetTerrainMap())
        map->SampleGrid();
}

solvane::GmGeom *SgElevation::Tesselate()
{
    if (!m_function)
        return nullptr;
    Adaptive2DTesselator tesselator(m_function.get(), m_tolerance.Get(true), m_cellSize.Get(true), false, 1.0);
    solvane::GmGeom *sheet = tesselator.Build();
    if (tesselator.Capped())
        SgDiagWarning("Geometry",
                      "SgElevation '%s': the surface stopped at %d cells, coarser than \"cellSize\" %g and "
                      "\"tolerance\" %g ask",
                      GetName().c_str(), tesselator.LeafCount(), m_cellSize.Get(true), m_tolerance.Get(true));
    return sheet;
}
