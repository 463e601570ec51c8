#pragma once
// Places the billboards of a scene before a viewport draws it (and before a
// selection pass): for each billboard it rewrites the transform that precedes
// it in its group, so that what follows faces the viewer, keeps a fixed size
// on the screen or sits at a fixed place in the window. It draws nothing.
//
// Separators are entered only when their scan flags say that billboards lie
// below them.
#include "engine/core/SgAction.h"
#include "utilities/math/Transform3.h"
#include "engine/core/NodaraExport.h"

class SgBillboard;
class SgTransform;
class SgViewport;

class NODARA_API SgWinAlignedRenderAction : public SgAction {
    SG_ACTION_HEADER(SgWinAlignedRenderAction)

    // The scale a billboard may apply relative to the scale above it.
    static constexpr double kMaxRelativeScale = 20000.0;
    static constexpr double kMinRelativeScale = 5e-05;

    explicit SgWinAlignedRenderAction(SgViewport *viewport = nullptr);
    ~SgWinAlignedRenderAction() override = default;

    // Starts from the viewport's camera matrix and the transform from the
    // camera scene's root down to `root`. Needs no GL context.
    bool Apply(SgNode *root) override;

    SgViewport *GetViewport() const { return m_pViewport; }
    SgTransform *GetLastTransform() const { return m_pLastTransform; }

private:
    static void VisitTransform(SgAction *action, SgNode *node);
    static void VisitSeparator(SgAction *action, SgNode *node);
    static void VisitBillboard(SgAction *action, SgNode *node);
    void UpdateBillboard(SgBillboard *billboard);

    SgViewport *m_pViewport;
    Transform3 m_CameraToWorld;
    SgTransform *m_pLastTransform = nullptr;
    // The accumulated matrix just before the last transform visited.
    Mat4 m_AboveLast;
    int m_nSpare = 0;
};
