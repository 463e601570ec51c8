#pragma once
// The modelling commands of the facade on the selection: compound objects
// (booleans, conform, scatter), wrapping along a curve, profiles made into
// solids, modifiers, mesh conversion, sub-object editing, bones and skins.
// Each asks for the selection it needs (count, kinds, order) and does
// nothing with any other; each change is one undo step. Runs of buttons
// take the button index or the value within the run (booleans from 109,
// extrusions from 113, sub-object modes from 124). The family keeps no
// state: the sub-object tool is the facade's active tool.
#include <vector>
#include "facade/DrevonExport.h"

class SgNode;
class SgPath;
class SgSelectionHandler;

namespace drevon {

class CDrevon;

class DREVON_API Modelling {
public:
    // Modifier kinds: 1 smooth, 2 simplify, 3 melt, 4 wave, 5 twist, 6 bend,
    // 7 free-form box, 8 slice, 9 triangulate. Any other value does nothing.
    enum ModifierKind : int { kFirstModifier = 1, kLastModifier = 9 };

    explicit Modelling(CDrevon &facade);
    Modelling(const Modelling &) = delete;
    Modelling &operator=(const Modelling &) = delete;

    void BooleanOperation(int button);
    void Conform(int button);
    void Scatter(int button);
    // The object selected first wrapped along the curve selected second.
    void WrapAlongSpline(int button);
    bool UpdateExtrude(int button);
    // 0 (113) revolves one profile or extrudes several, 1 (114) a roof,
    // 2 (115) an offset, 4 (117) a capped extrusion; the profiles (polylines
    // and offsets, in selection order) stay in the scene.
    void OnExtrude(int button);
    void OnAddModifier(int kind);
    // The modifier after the selected gizmo's group, or null.
    SgNode *OnEditModifier();
    // A new mesh object beside the selected one, made of what its shape
    // evaluates to; the source stays as it was.
    void ConvertToMesh(int button);
    bool UpdateSelectedOne(int button);
    void EditSubObject(int button);
    bool IsEditingSubObjects() const;
    // The sub-object mode buttons show no mode (editing ended).
    void ClearSubObjectButtons();
    void BridgeSubObject(int button);
    void CreaseSubObject(int button);
    void ExtrudeSubObject(int button);
    void CreateBone();
    void SkinSkeleton(int button);
    void BackToSkin(int button);

private:
    SgSelectionHandler *Selection() const;
    // The selected objects moved under a new object holding `node` (their
    // compound): one undo step; false (nothing changed) for a selection of
    // fewer than `minimum` or more than `maximum` objects.
    bool BuildCompoundTree(SgNode *node, int minimum, int maximum);
    // The selected paths cut to their objects, in selection order.
    std::vector<SgPath> SelectedObjectPaths() const;

    CDrevon &m_facade;
};

} // namespace drevon
