#pragma once
// The live assemblies of the measure tape and the test links: the creation
// handler that lets the primitive creation tool stretch a measure tape, and
// two small colour modules the test links wire into materials.
#include "engine/core/SgRef.h"
#include "engine/engines/SgEngine.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/tools/GenericCreateHandler.h"
#include "utilities/math/Color.h"
#include "facade/DrevonExport.h"

namespace drevon {

class CDrevon;

// Drives a measure tape from the creation tool's points: the first click
// places the first tip, the drag the second. The tips cannot be picked
// while the tape is stretched, so that the drag does not snap to them.
class DREVON_API MeasureTapeToolHandler : public GenericCreateHandler {
public:
    MeasureTapeToolHandler(const int *parameters, CDrevon *facade)
        : GenericCreateHandler(parameters), m_pFacade(facade)
    {
    }
    // The first tip follows the first point; the second the current point
    // once its coordinates are numbers.
    void Update() override;
    // Builds the tape; its tips unselectable until the creation finishes.
    SgObject *Create() override;
    // The tips selectable again; the tape's parts on the current layer.
    void CleanUp() override;

    SgObject *GetTip(int i) const { return i == 0 || i == 1 ? m_objects[i].get() : nullptr; }
    SgObject *GetTape() const { return m_tape.get(); }

private:
    CDrevon *m_pFacade;
    SgRef<SgObject> m_tape;
    SgRef<SgObject> m_objects[4];
    SgRef<SgTransform> m_transforms[2];
};

// The colour (x, y, z, 1) of the vector at "input1". Registered engines, so
// that a scene holding a colour link reads back with it.
class DREVON_API DxVec32Color : public SgEngine {
    SG_CLASS_HEADER(DxVec32Color, SgFieldMngr)

    DxVec32Color();
    void Evaluate() override;
    DxInput1<Vec3> m_input{this};
    DxOutput<Color> m_output{this};

protected:
    ~DxVec32Color() override = default;
};

// Always magenta (1, 0, 1, 1).
class DREVON_API DxConstColor : public SgEngine {
    SG_CLASS_HEADER(DxConstColor, SgFieldMngr)

    DxConstColor() = default;
    void Evaluate() override;
    DxOutput<Color> m_output{this};

protected:
    ~DxConstColor() override = default;
};

// Registers the facade's own engine classes once; later calls do nothing.
DREVON_API void RegisterFacadeClasses();

} // namespace drevon
