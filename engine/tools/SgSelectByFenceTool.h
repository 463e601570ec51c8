#pragma once
// Selects objects by dragging a rectangle (a fence) in a viewer; a click
// without a drag selects the one object under the cursor, by the selection
// handler's policy. Without Ctrl a fence replaces the selection, with Ctrl
// it adds to it.
//
// The gesture is driven by the events themselves: the press starts the tool
// and makes it the handler that grabs the following events, each move
// redraws the band as an overlay of the viewer, and the release selects and
// ends the gesture. Between gestures the tool is idle.
#include "engine/handlers/SgTool.h"
#include "platform/window/SgPlatformWindow.h"
#include "engine/core/NodaraExport.h"

class SgDocument;
class SgViewer;

class NODARA_API SgSelectByFenceTool : public SgTool {
    SG_CLASS_HEADER(SgSelectByFenceTool, SgFieldMngr)

    // A band narrower or lower than this (in pixels) is a click.
    static constexpr int kMinDrag = 2;

    SgSelectByFenceTool() = default;
    explicit SgSelectByFenceTool(SgDocument *document) : m_pTargetDocument(document) {}

    int OnLButtonDown(SgHandleEventAction *action) override;
    int OnMouseMove(SgHandleEventAction *action) override;
    int OnLButtonUp(SgHandleEventAction *action) override;
    // Escape drops a band under way: nothing is selected, the mouse is
    // given back and the button's release finds no gesture (1). 0 otherwise.
    int OnKeyDown(SgHandleEventAction *action) override;

    SgDocument *GetTargetDocument() const { return m_pTargetDocument; }
    bool InGesture() const { return m_bGesture; }

protected:
    ~SgSelectByFenceTool() override;

private:
    // Ends a gesture: the band leaves the viewer, the refinement passes come
    // back, the grab and the capture are given up.
    void EndGesture(SgHandleEventAction *action);
    void SelectInside(SgHandleEventAction *action, SgRect band, bool add);
    void SelectClicked(SgHandleEventAction *action);

    SgDocument *m_pTargetDocument = nullptr;
    SgViewer *m_pViewer = nullptr;
    SgRect m_band;
    bool m_bGesture = false;
    bool m_bCtrl = false;
    int m_iSavedPasses = 0;
};
