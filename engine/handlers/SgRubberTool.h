#pragma once
// A tool that creates or edits one object and shows temporary rubber
// geometry while the mouse moves. The rubber geometry lives in a separator
// of its own that records no undo and belongs to no document between draws;
// the edited object is kept as the edit separator.
#include "engine/core/SgRef.h"
#include "engine/handlers/SgTool.h"
#include "engine/core/NodaraExport.h"

class SgDocument;
class SgObject;
class SgSeparator;
class SgTransform;

class NODARA_API SgRubberTool : public SgTool {
    SG_CLASS_HEADER(SgRubberTool, SgFieldMngr)

    // Every rubber tool works on the XY plane; the argument is not used.
    SgRubberTool();
    explicit SgRubberTool(const Plane &plane);

    // Prepares the tool to edit the object the path ends at: the object and
    // shape paths, the object's transform (made when it has none). The
    // transform argument is not used.
    virtual void Init(SgPath &path, SgTransform *transform);
    using SgTool::Start;
    void Start(SgHandleEventAction *action, PickedPointQuery *query) override;
    // Nothing on an idle tool.
    void Finish(SgHandleEventAction *action) override;
    // Shows the rubber geometry: the temp separator joins the edit
    // separator for one redraw of every viewer of the document, outside
    // the document and its undo list, and leaves it again.
    virtual void DrawRubber(SgHandleEventAction *action);
    // Derived tools make their edit and temp separators here.
    virtual void CreateObjectGroup() {}
    // Which of its handles a tool with handles builds (bits by handle
    // slot); tools without handles ignore it.
    virtual void SetHandleMask(unsigned) {}
    // Starts a drag that carries the object with the mouse without a press
    // (drag and drop); false for tools that have none.
    virtual bool StartDragAndDrop() { return false; }
    // Whether a press on the object starts a drag; a tool that only shows
    // its object (the bounding box of a selection) is told no. Tools that
    // always drag ignore it.
    virtual void SetDragAllowed(bool) {}

    SgObject *GetEditSeparator() const { return m_pEditSeparator; }
    void SetEditSeparator(SgObject *object) { m_pEditSeparator = object; }
    SgSeparator *GetTempSeparator() const { return m_pTempSeparator.get(); }
    // Keeps the separator, stops it recording undo and gives it the tool's
    // document.
    void SetTempSeparator(SgSeparator *separator);
    // The frame the tool's handles are aligned with (0: the object's own).
    int GetMode() const { return m_iMode; }
    void SetMode(int mode) { m_iMode = mode; }
    SgTransform *GetTransform() const { return m_pTransform; }
    void SetTransform(SgTransform *transform) { m_pTransform = transform; }

protected:
    // A tool deleted while it runs gives back what Start took: the undo
    // recording it switched off and the mouse capture.
    ~SgRubberTool() override;
    SgObject *m_pEditSeparator = nullptr;
    SgRef<SgSeparator> m_pTempSeparator;
    SgTransform *m_pTransform = nullptr;
    int m_iMode = 0;

private:
    void RestoreUndo();

    // The document whose undo recording Start switched off, until Finish
    // switches it on again.
    SgDocument *m_pUndoOffDocument = nullptr;
};
