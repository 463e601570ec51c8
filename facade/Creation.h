#pragma once
// The creation commands of the facade and the tools they run: the active
// tool (creation tools, the curve editor, the fence), the manipulators the
// selection shows and their frame, snapping, the booleans' engine, the grid
// and axis helpers, ready-made objects and particle effectors. They share
// the active tool and the button that shows it running, so they are one
// family; it owns that state.
#include "engine/core/SgRef.h"
#include "facade/DrevonExport.h"

class GenericCreateHandler;
class SgEventHandler;
class SgCreatePolyLineTool;
class SgNode;
class SgSelectionHandler;

namespace drevon {

class CDrevon;

class DREVON_API Creation {
public:
    static constexpr int kCameraButton = 200;
    static constexpr int kFirstParticleButton = 201;  // 201..209: kinds 1..9

    explicit Creation(CDrevon &facade);
    ~Creation();
    Creation(const Creation &) = delete;
    Creation &operator=(const Creation &) = delete;

    // The tool, creation button and helpers of a document that goes.
    void ForgetDocument();
    // Lets go of the active tool without taking it out of the scene.
    void ReleaseActiveTool();

    // ---- Tools, manipulators, snapping
    SgEventHandler *GetActiveTool() const { return m_activeTool.get(); }
    void SetActiveTool(SgEventHandler *tool);
    // Puts the tool into the scene (no undo step) as the active tool.
    void InstallActiveTool(SgEventHandler *tool);
    void DeleteActiveTool();
    // Kinds 0 to 7: the manipulator the selection shows.
    void AddSelectionManip(int kind);
    int GetManipulatorKind() const { return m_manipulatorKind; }
    void OnTransformTool(int button);
    void OnSelect();
    void OnSelectByFence();
    // The host's frame chooser: its choice ("Local", "Parent", "Parent+1",
    // "World", "Screen"), -1 when it has none.
    void SetFrameChoice(int choice) { m_frameChoice = choice; }
    static const char *const *GetFrameNames(int &count);
    void OnChangeToolFrame(int button);
    void SetTransformToolFrame(int frame);
    int GetTransformToolFrame() const;
    float RescaleManipulator(float percent);
    void TogleTransformToolMode(int mode);
    void ToggleSnapAngle(int button);
    void ToggleSnapSurface(int button);
    bool GetSnapAngle() const { return m_snapAngle; }
    bool GetSnapSurface() const { return m_snapSurface; }
    void OnToggleMetaball(int button);
    bool GetMetaball() const { return m_metaball; }
    void NullTool(int button);
    // With exactly two objects selected, the first turns with the second
    // (its billboard follows the second's rotation). False otherwise.
    bool GimbalConnect();

    // ---- Creation
    void OnCreateTool(int button);
    void OnCreatePolyline(int button);
    // Readies a curve tool as the curve commands do: armed to start at a
    // click, drawing on the ground plane (a working plane the tool marks as
    // chosen stays), with the facade's snap options shown on their buttons.
    void ArmCurveTool(SgCreatePolyLineTool &tool);
    void OnCreateGrid(int button);
    void OnCreateAxis(int button);
    int GetCreationButton() const { return m_creationButton; }
    // A creation tool on the row (button, class id, stage codes ending in 0)
    // or, with a handler, driven by the handler; the new tool node.
    SgEventHandler *CreateShapedPrizm(const int *row, GenericCreateHandler *handler);
    void OnEditPolyline(int button);
    // Kind 1: the camera object (a camera body looking at a target it is
    // joined to by a line). A kind no class can be made for does nothing
    // and says so.
    void OnCreateObject(int kind);
    // 1 emitter, 2 attractor, 3 deflector, 4 point attractor, 5 wind,
    // 6 friction, 7 and 8 rotation, 9 destructor; others do nothing.
    void Particles(int kind);
    void ClearScene();
    // The menu and toolbar forms of the operations above that take no
    // button index: each maps its button to the kind.
    void OnCreateObjectButton(int button);
    void OnParticlesButton(int button);
    bool OneObjectSelected(int button);
    bool TwoObjectsSelected(int button);

private:
    void ToggleShown(SgNode *helper, bool &shown, int button);

    SgSelectionHandler *Selection() const;
    void StartCreation(int button, int classId, const int *codes, bool cornerToCorner);

    CDrevon &m_facade;
    SgRef<SgEventHandler> m_activeTool;
    int m_manipulatorKind = 5;
    int m_creationButton = 0;
    int m_frameChoice = -1;
    bool m_snapAngle = false;
    bool m_snapSurface = false;
    bool m_metaball = false;
    bool m_gridShown = false;
    bool m_axisShown = false;
    SgRef<SgNode> m_grid;
    SgRef<SgNode> m_axis;
};

} // namespace drevon
