#pragma once
// Collects the window area that changes of the scene touch: the viewer passes
// the changed nodes, and the window rectangle of each affected object joins
// the dirty rectangle. A render empties it.
#include <climits>
#include "engine/core/NodaraExport.h"

class SgPathList;
class SgViewer;

class NODARA_API SgSceneManager {
public:
    explicit SgSceneManager(int mode = 0) : m_nMode(mode) {}
    virtual ~SgSceneManager() = default;

    // Adds the window rectangles of the objects above the changed nodes, as
    // seen through the viewer's first viewport. False when an object has no
    // geometry (the rectangle is then left as it was from that object on);
    // true otherwise, also when none of the nodes is shown by the viewer.
    // Needs a current GL context.
    bool Update(SgPathList &changed, SgViewer *viewer);

    void Reset()
    {
        m_iMinX = INT_MAX;
        m_iMinY = INT_MAX;
        m_iMaxX = INT_MIN;
        m_iMaxY = INT_MIN;
    }
    bool IsEmpty() const { return m_iMinX > m_iMaxX || m_iMinY > m_iMaxY; }
    int GetMinX() const { return m_iMinX; }
    int GetMinY() const { return m_iMinY; }
    int GetMaxX() const { return m_iMaxX; }
    int GetMaxY() const { return m_iMaxY; }
    int GetMode() const { return m_nMode; }

private:
    int m_iMinX = INT_MAX;
    int m_iMinY = INT_MAX;
    int m_iMaxX = INT_MIN;
    int m_iMaxY = INT_MIN;
    int m_nMode = 0;
};
