#pragma once
// The view commands of the facade: navigation (the viewing tool's modes),
// the standard views, flips and focus, the camera, draw style, light model
// and override colours of the current view, and cameras of the scene
// attached to it. It owns the flip index, whether navigation stays after a
// tool, and what an attached camera's view holds on to.
#include "engine/core/SgRef.h"
#include "facade/DrevonExport.h"

class SgNode;
class SgViewer;

namespace drevon {

class CDrevon;

class DREVON_API Viewing {
public:
    explicit Viewing(CDrevon &facade);
    ~Viewing();
    Viewing(const Viewing &) = delete;
    Viewing &operator=(const Viewing &) = delete;

    // Finds or makes the viewing tool of the current viewer.
    SgNode *ViewingTool();
    // The navigation mode of the viewing tool (0 before one exists).
    int GetNavigationMode() const;
    void OnRotateScene(int keep);
    void OnPan();
    void OnZoom();
    void OnFlyThrough();
    // Buttons 50 rotate, 51 fly, 52 pan, 53 zoom; other values are modes.
    void OnViewTool(int button);

    // Button 54 and on, modulo 54: 0 bottom, 1 top, 2 left, 3 right, 4 back, else front.
    void ChangeView(int button);
    // -1: the next of the three flips.
    void FlipViewDir(int which);
    int GetFlipIndex() const { return m_flipIndex; }
    void StraightenUp();
    // The whole scene, or the selection, in the view.
    void Focus(bool selected);
    void FocusAllViewer(double scale);
    // 1 forward, 2 right, 8 turn the scene, 16 right and up.
    void ModifyView(int op, double a, double b);
    bool SetCameraLocation(double x, double y, double z, SgViewer *viewer);
    // 72 or -1 toggles, 0 and 1 set.
    void ViewPerspective(int how);
    void ToggleStyle(int style);
    void TogleLightModel(int button);
    // 0: the next override colour; 1 to 3 one of them.
    void ToggleFilledWire(int which);
    bool SetViewerBGColor(SgViewer *viewer, const float *rgb);
    // The first camera inside the first selected object becomes the current
    // view's camera, placed by the object's transform (made when missing).
    // Without a camera only the transform is made; without a selection
    // nothing happens.
    void AttachCameraToCurrView();
    // The attached camera's nodes go with their document.
    void ForgetAttachedCamera();

private:
    void SetNavigation(int mode, int button, bool keep);

    CDrevon &m_facade;
    int m_flipIndex = 0;
    bool m_viewToolKeep = false;
    SgRef<SgNode> m_attachedCamera;
    SgRef<SgNode> m_attachedCameraTransform;
};

} // namespace drevon
