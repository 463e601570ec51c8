#include "engine/viewer/SgSceneManager.h"

#include <algorithm>
#include <cmath>

#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgPathList.h"
#include "engine/core/SgSeparator.h"
#include "engine/viewer/SgViewer.h"
#include "engine/render/SgViewport.h"

bool SgSceneManager::Update(SgPathList &changed, SgViewer *viewer)
{
    if (!viewer || viewer->GetViewportCount() == 0)
        return true;
    SgViewport *viewport = viewer->GetViewport(0);
    SgSeparator *root = viewport->GetNodara();
    if (!root)
        return true;

    // The changed nodes as they are shown: paths from the camera scene.
    SgPathList shown;
    for (POSITION position = changed.GetFirst(); position;) {
        const SgPath path = changed.GetNext(position);
        if (path.IsEmpty())
            continue;
        SgPath tail;
        shown.PathsFromNode(path.GetNodes().back(), tail, root);
    }
    for (POSITION position = shown.GetFirst(); position;) {
        SgPath path = shown.GetNext(position);
        if (path.IsEmpty() || path[0] != root)
            continue;
        path.CutToObject(0, true, false);
        bool hasBox = false;
        const Range<Vec3f> box = SgBoundingBoxAction::CalcBoundingBox(path, &hasBox);
        if (!hasBox || !(box.GetMin()[0] < box.GetMax()[0]))
            return false;
        const Range<Vec3f> window = viewport->Project3dBoxToWin(box);
        const double x = window.GetMin()[0];
        const double y = window.GetMin()[1];
        const double width = window.GetMax()[0] - x;
        const double height = window.GetMax()[1] - y;
        auto clamp = [](double v) {
            return static_cast<int>(std::clamp(v, -2147483648.0, 2147483647.0));
        };
        m_iMinX = std::min(m_iMinX, clamp(x));
        m_iMinY = std::min(m_iMinY, clamp(y));
        m_iMaxX = std::max(m_iMaxX, clamp(x + width));
        m_iMaxY = std::max(m_iMaxY, clamp(y + height));
    }
    return true;
}
