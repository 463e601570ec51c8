#pragma once
// The extrusion family's base: a procedural shape that sweeps a profile
// curve along a spine curve. The curves are nodes under the shape's
// internal separator, named by five slots (profile, spine, scale curve,
// end profile, second scale curve); the fields fill the mesh builder's
// parameter record on every build. The builder itself, extrude(), is
// shared with the other nodes that sweep sections.
#include "engine/core/SgRef.h"
#include "engine/core/SgTField.h"
#include "engine/nodes/geometry/ExtrudeParams.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/core/NodaraExport.h"

class GenericPolyline;
class SgFaceSet;

class NODARA_API SgExtrude : public SgGeometricShape {
    SG_CLASS_HEADER(SgExtrude, SgFieldMngr)

    enum Slot : int {
        kProfileSlot = 0,
        kSpineSlot = 1,
        kScaleSlot = 2,
        kEndProfileSlot = 3,
        kScale2Slot = 4,
        kSlotCount = 5,
    };

    // The index of the user attribute "LoftCurve"; -1 until registered.
    static int s_iLoftCurveAttribute;
    // The report manager's package of extrusions; -1 until start-up registers it.
    static int s_iReportPackage;
    static void RegisterReportPackage();
    // Registers "LoftCurve" (a string attribute) with the attribute manager;
    // idempotent. Returns its index.
    static int RegisterLoftCurveAttribute();

    // Appends the sweep of `profile` along `path` to the face set: see
    // ExtrudeBuilder. `twist` is the total turn about the path in radians,
    // `creaseAngle` the smoothing threshold in degrees, `segments` the
    // sampling of the end profile; the int pointer is not read. `pathMode`
    // 0 lets the path's IsCurved() choose between a smooth and a cornered
    // sweep, 1 is cornered, any other value smooth.
    static void extrude(SgFaceSet *faceSet, ExtrudeParams *params, GenericPolyline *profile, GenericPolyline *path,
                        GenericPolyline *scale, GenericPolyline *scale2, double twist, double creaseAngle,
                        int segments, GenericPolyline *endProfile, int *unused, int pathMode);

    // A count below `minimum` is taken as `minimum`, one above kMaxCount as
    // kMaxCount, each with a "Geometry" diagnostic naming the node and field.
    static int ClampedCount(const SgNode *node, const char *field, int value, int minimum);
    static constexpr int kMaxCount = 400;

    SgExtrude();

    void DoAction(SgAction *action) override;
    // Replaces the curve of a slot (0 .. 4). The curve the slot held leaves
    // the separator unless another slot still names it; with `add` the new
    // one joins it: the profile first, slots 1 to 3 after the curve of the
    // slot before, the last slot at the end.
    void SetPolyline(SgGenPolyLine *curve, int slot, bool add) override;
    // The same for a curve or an offset node (whose result curve the slot
    // then gives); false, with nothing changed, for any other node.
    bool SetProfileNode(SgNode *node, int slot, bool add);
    // The slot's curve; for an offset node its result curve, null until
    // the offset has been built.
    SgGenPolyLine *GetPolyline(int slot) override;
    // Reloads the slots from the separator first when the profile slot is
    // empty (a node read from a file holds its curves only as children).
    virtual SgGenPolyLine *GetProfile();
    // The build: fills `faceSet` from the curves and fields in the state
    // the action stands in. The face set starts empty.
    virtual void DoExtrude(SgFaceSet *faceSet, SgAction *action);

    SgGenPolyLine *GetSpine() { return GetPolyline(kSpineSlot); }
    SgGenPolyLine *GetEndProfile() { return GetPolyline(kEndProfileSlot); }
    // The scale curve as stored (no offset resolution).
    SgGenPolyLine *GetScale() const;
    // Slot i names the i-th child of the separator again; the separator is
    // left as it is, and slots past its children keep their curves.
    void Update();
    // The node a slot holds (a curve or an offset); null when empty.
    SgNode *GetSlotNode(int slot) const;

    // The record the builds start from. Builds work on a copy, so the
    // surface ids and ring lists they produce do not pile up from one
    // build to the next. Setting it sends no change notice.
    void SetParams(const ExtrudeParams &params) { m_params = params; }
    const ExtrudeParams &GetParams() const { return m_params; }

    SgFInt m_segments;
    SgFFloat m_twistAngle;
    SgFInt m_cap0;
    SgFInt m_cap1;
    SgFInt m_textureMapType;
    SgFInt m_rotateType;
    SgFInt m_crossSection;
    SgFInt m_mainPart;
    SgFInt m_capping;
    SgFInt m_crossSectionType;
    SgFInt m_autoTriangulation;

protected:
    ~SgExtrude() override;
    // Stores a node in a slot, as SetPolyline does for curves.
    void SetSlotNode(SgNode *node, int slot, bool add);
    // The crease angle in force, marked as read so the result depends on it.
    static double CreaseAngle(SgAction *action);
    // Stores a value without a change notice or an undo record: for
    // constructors that change an inherited default, and for values a
    // build keeps in step with what it used.
    template <class Field, class Value>
    static void SetQuietly(Field &field, const Value &value)
    {
        field.SetValuePtr(&value, -1, false, true);
    }
    // Makes a curve that the node owns: no undo records, built in a slot.
    void InstallCurve(SgGenPolyLine *curve, int slot);

    ExtrudeParams m_params;

private:
    SgRef<SgNode> m_slots[kSlotCount];
};
