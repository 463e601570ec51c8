#pragma once
// The view commands of the facade: navigation (the viewing tool's modes),
// the standard views, flips and focus, the camera, draw style, light model
// and override colours of the current view, cameras of the scene attached
// to it, the full-screen view and the menus over a view. It owns the flip
// index, whether navigation stays after a tool, what an attached camera's
// view holds on to, and which viewer shows the view full screen.
#include "engine/core/SgRef.h"
#include "engine/document/SgDocumentEvents.h"
#include "facade/DrevonExport.h"

class SgDocument;
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

    // ---- Full screen (facade/ViewingWindows.cpp) ----
    // Whether a window name asks for full screen ("fullscreen", any case).
    static bool IsFullScreenName(const char *name);
    // A viewer in a window of its own covering the screen that takes over
    // the current viewer's view tree; null with a message without a current
    // viewer or a window. `name` goes to the window factory.
    SgViewer *OpenFullScreen(const char *name, int width, int height);
    // False again once the full-screen viewer's window has closed.
    bool IsFullScreen() const;
    // Esc's and B's: leaves full screen (closing the window of the key being
    // handled) or goes to it.
    void ToggleFullScreen();
    // Follows the document's viewers (null: none), so that a closed
    // full-screen window gives the view back; the full-screen state goes.
    void ListenTo(SgDocument *document);
    // A viewer about to be deleted is no longer the one to give the view back to.
    void ForgetViewer(const SgViewer *viewer);

    // ---- Menus over the view (facade/ViewingWindows.cpp) ----
    // Pops up a menu over the default viewer with two checked items under
    // the next number of a counter that starts at 15; the chosen item's id,
    // 0 for none (and without a viewer).
    int TestPopup();
    int GetPopupCounter() const { return m_iPopupCounter; }
    // Adds a handler named "RightMouseMenu" to the scene root: a right
    // button release picks at the cursor and is consumed; no menu shows.
    void ActivateRightMouseMenu();

private:
    void SetNavigation(int mode, int button, bool keep);
    // The document's viewers changed: a closed full-screen window gives
    // the view back to the previous viewer.
    static void OnViewerEvent(const SgDocumentEvent &event, void *viewing);
    void NoticeClosedFullScreen(SgDocument *document);

    CDrevon &m_facade;
    int m_flipIndex = 0;
    bool m_viewToolKeep = false;
    SgRef<SgNode> m_attachedCamera;
    SgRef<SgNode> m_attachedCameraTransform;
    bool m_bFullScreen = false;
    // The full-screen viewer; when it goes (its window closed) the view is
    // the previous viewer's again.
    SgViewer *m_pFullScreenViewer = nullptr;
    SgViewer *m_pFullScreenPrevious = nullptr;
    SgDocumentSubscription m_viewerChanged;
    int m_iPopupCounter = 15;
};

} // namespace drevon
