#pragma once
#include "engine/core/NodaraExport.h"
// Tools sit below the viewer, yet they pick under the cursor, hold the mouse
// capture of the viewer's window and ask the viewer to redraw. The viewer
// layer installs these calls at start-up; until then (and for an action that
// carries no event) a tool starts without picking and without a capture.
class PickedPointQuery;
class SgDocument;
class SgEventHandler;
class SgHandleEventAction;
class SgPath;
class SgPickedPoint;
class SgViewer;
class Vec3;

namespace SgToolLink {

struct NODARA_API Calls {
    // The action carries an event; its window position.
    bool (*eventPoint)(SgHandleEventAction *action, int &x, int &y) = nullptr;
    SgViewer *(*viewer)(SgHandleEventAction *action) = nullptr;
    // The view ray through a window point, in the coordinates of the path's last node.
    bool (*objectRay)(SgHandleEventAction *action, int x, int y, const SgPath &path, Vec3 &start,
                      Vec3 &end) = nullptr;
    // The nearest point of the event's ray pick that the query accepts.
    bool (*pickNearest)(SgHandleEventAction *action, double radius, PickedPointQuery *query,
                        SgPickedPoint &hit) = nullptr;
    bool (*worldToObject)(SgHandleEventAction *action, const Vec3 &world, const SgPath &path,
                          Vec3 &local) = nullptr;
    // The path the action is at (it ends at the handler being asked).
    bool (*currentPath)(SgHandleEventAction *action, SgPath &path) = nullptr;
    SgEventHandler *(*grabbing)(SgHandleEventAction *action) = nullptr;
    void (*setGrabbing)(SgHandleEventAction *action, SgEventHandler *handler) = nullptr;
    void (*setCapture)(SgViewer *viewer) = nullptr;
    void (*releaseCapture)(SgViewer *viewer) = nullptr;
    void (*redraw)(SgViewer *viewer, bool all) = nullptr;
    SgDocument *(*document)(SgViewer *viewer) = nullptr;
    // The Ctrl key was down when the event's message was sent.
    bool (*ctrlDown)(SgHandleEventAction *action) = nullptr;
};

NODARA_API void Install(const Calls &calls);
NODARA_API const Calls &Get();

NODARA_API bool EventPoint(SgHandleEventAction *action, int &x, int &y);
NODARA_API SgViewer *Viewer(SgHandleEventAction *action);
NODARA_API bool ObjectRay(SgHandleEventAction *action, int x, int y, const SgPath &path, Vec3 &start, Vec3 &end);
NODARA_API bool PickNearest(SgHandleEventAction *action, double radius, PickedPointQuery *query, SgPickedPoint &hit);
NODARA_API bool WorldToObject(SgHandleEventAction *action, const Vec3 &world, const SgPath &path, Vec3 &local);
NODARA_API bool CurrentPath(SgHandleEventAction *action, SgPath &path);
NODARA_API SgEventHandler *Grabbing(SgHandleEventAction *action);
NODARA_API void SetGrabbing(SgHandleEventAction *action, SgEventHandler *handler);
NODARA_API void SetCapture(SgViewer *viewer);
NODARA_API void ReleaseCapture(SgViewer *viewer);
NODARA_API void Redraw(SgViewer *viewer, bool all);
NODARA_API SgDocument *Document(SgViewer *viewer);
NODARA_API bool CtrlDown(SgHandleEventAction *action);

} // namespace SgToolLink
