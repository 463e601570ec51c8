#pragma once
// The object model sits below the document, yet every edit of a node in a
// document is recorded for undo and reported to the document's scene manager.
// The document layer installs these calls at start-up; until then, and for
// nodes outside any document, edits are neither recorded nor reported.
#include <memory>
#include "engine/core/NodaraExport.h"

class SgDocument;
class SgField;
class SgFieldChange;
class SgNode;

namespace SgDocumentLink {

// Frees one value buffer of a field record.
using ReleaseFn = void (*)(void *buffer);

struct NODARA_API Calls {
    bool (*isUndoRecording)(const SgDocument *document) = nullptr;
    // Takes ownership of both buffers, also when it fails.
    void (*recordField)(SgDocument *document, SgField *field, void *before, void *after,
                        ReleaseFn release) = nullptr;
    // Takes ownership of the change, also when it fails.
    void (*recordFieldChange)(SgDocument *document, SgField *field, SgFieldChange *change) = nullptr;
    // `added` false records a removal; `previous` is the sibling before the child.
    void (*recordChild)(SgDocument *document, bool added, SgNode *group, SgNode *child,
                        SgNode *previous) = nullptr;
    void (*updateSceneManager)(SgDocument *document, SgNode *node) = nullptr;
    void (*setUndoRecording)(SgDocument *document, bool on) = nullptr;
    // Opens a key point and returns its number, -1 when recording is off.
    int (*startKeyPoint)(SgDocument *document) = nullptr;
    void (*endKeyPoint)(SgDocument *document) = nullptr;
    // The layer new objects of the document join.
    int (*currentLayer)(const SgDocument *document) = nullptr;
    // The selection handler's list changed.
    void (*selectionChanged)(SgDocument *document) = nullptr;
    // The engine the document's host chooses for a shape that joins it
    // without one of its own; -1 when the host chooses none. The node is a
    // geometric shape (a class of the node layer, which this one cannot name).
    int (*shapeActionId)(SgDocument *document, SgNode *shape) = nullptr;
    // A node joined the document (formulas it holds or is driven by move
    // into the document's interpreter).
    void (*nodeJoined)(SgDocument *document, SgNode *node) = nullptr;
};

NODARA_API void Install(const Calls &calls);

NODARA_API bool IsUndoRecording(const SgDocument *document);
NODARA_API void RecordField(SgDocument *document, SgField *field, void *before, void *after, ReleaseFn release);
NODARA_API void RecordFieldChange(SgDocument *document, SgField *field, std::unique_ptr<SgFieldChange> change);
NODARA_API void RecordChild(SgDocument *document, bool added, SgNode *group, SgNode *child, SgNode *previous);
NODARA_API void UpdateSceneManager(SgDocument *document, SgNode *node);
NODARA_API void SetUndoRecording(SgDocument *document, bool on);
NODARA_API int StartKeyPoint(SgDocument *document);
NODARA_API void EndKeyPoint(SgDocument *document);
// 0 without a document.
NODARA_API int CurrentLayer(const SgDocument *document);
NODARA_API void SelectionChanged(SgDocument *document);
// -1 without a document or a host's choice.
NODARA_API int ShapeActionId(SgDocument *document, SgNode *shape);
NODARA_API void NodeJoined(SgDocument *document, SgNode *node);

} // namespace SgDocumentLink
