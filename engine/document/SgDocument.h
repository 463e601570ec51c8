#pragma once
// The document as the object model sees it: whether it records undo, where
// undo records go, and the scene-manager update of changed nodes. The document
// itself (scene root, selection, viewers, files) builds on this class.
class SgNode;
class SgUndoInfo;

class SgDocument {
public:
    SgDocument() = default;
    SgDocument(const SgDocument &) = delete;
    SgDocument &operator=(const SgDocument &) = delete;
    virtual ~SgDocument() = default;

    bool IsUndoRecording() const { return m_bRecordUndo; }
    void SetUndoRecording(bool record) { m_bRecordUndo = record; }

    // Takes ownership of the record.
    virtual void AddUndoInfo(SgUndoInfo *info);
    // Passes a changed node on to the scene manager of every viewer.
    virtual void UpdateSceneManager(SgNode *node);

private:
    bool m_bRecordUndo = false;
};
