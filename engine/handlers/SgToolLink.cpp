#include "engine/handlers/SgToolLink.h"

namespace {
SgToolLink::Calls &Installed()
{
    static SgToolLink::Calls calls;
    return calls;
}
} // namespace

void SgToolLink::Install(const Calls &calls)
{
    Installed() = calls;
}

const SgToolLink::Calls &SgToolLink::Get()
{
    return Installed();
}

bool SgToolLink::EventPoint(SgHandleEventAction *action, int &x, int &y)
{
    return action && Installed().eventPoint && Installed().eventPoint(action, x, y);
}

SgViewer *SgToolLink::Viewer(SgHandleEventAction *action)
{
    return action && Installed().viewer ? Installed().viewer(action) : nullptr;
}

bool SgToolLink::ObjectRay(SgHandleEventAction *action, int x, int y, const SgPath &path, Vec3 &start, Vec3 &end)
{
    return action && Installed().objectRay && Installed().objectRay(action, x, y, path, start, end);
}

bool SgToolLink::PickNearest(SgHandleEventAction *action, double radius, PickedPointQuery *query, SgPickedPoint &hit)
{
    return action && Installed().pickNearest && Installed().pickNearest(action, radius, query, hit);
}

bool SgToolLink::WorldToObject(SgHandleEventAction *action, const Vec3 &world, const SgPath &path, Vec3 &local)
{
    return action && Installed().worldToObject && Installed().worldToObject(action, world, path, local);
}

bool SgToolLink::CurrentPath(SgHandleEventAction *action, SgPath &path)
{
    return action && Installed().currentPath && Installed().currentPath(action, path);
}

SgEventHandler *SgToolLink::Grabbing(SgHandleEventAction *action)
{
    return action && Installed().grabbing ? Installed().grabbing(action) : nullptr;
}

void SgToolLink::SetGrabbing(SgHandleEventAction *action, SgEventHandler *handler)
{
    if (action && Installed().setGrabbing)
        Installed().setGrabbing(action, handler);
}

void SgToolLink::SetCapture(SgViewer *viewer)
{
    if (viewer && Installed().setCapture)
        Installed().setCapture(viewer);
}

void SgToolLink::ReleaseCapture(SgViewer *viewer)
{
    if (viewer && Installed().releaseCapture)
        Installed().releaseCapture(viewer);
}

void SgToolLink::Redraw(SgViewer *viewer, bool all)
{
    if (viewer && Installed().redraw)
        Installed().redraw(viewer, all);
}

SgDocument *SgToolLink::Document(SgViewer *viewer)
{
    return viewer && Installed().document ? Installed().document(viewer) : nullptr;
}

bool SgToolLink::CtrlDown(SgHandleEventAction *action)
{
    return action && Installed().ctrlDown && Installed().ctrlDown(action);
}
