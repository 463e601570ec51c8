#include "engine/core/SgDocumentLink.h"

#include "engine/core/SgFieldChange.h"

namespace SgDocumentLink {
namespace {

Calls &Installed()
{
    static Calls calls;
    return calls;
}

} // namespace

void Install(const Calls &calls)
{
    Installed() = calls;
}

bool IsUndoRecording(const SgDocument *document)
{
    const Calls &calls = Installed();
    return document && calls.isUndoRecording && calls.isUndoRecording(document);
}

void RecordField(SgDocument *document, SgField *field, void *before, void *after, ReleaseFn release)
{
    const Calls &calls = Installed();
    if (document && calls.recordField) {
        calls.recordField(document, field, before, after, release);
        return;
    }
    release(before);
    release(after);
}

void RecordFieldChange(SgDocument *document, SgField *field, std::unique_ptr<SgFieldChange> change)
{
    const Calls &calls = Installed();
    if (document && calls.recordFieldChange)
        calls.recordFieldChange(document, field, change.release());
}

void RecordChild(SgDocument *document, bool added, SgNode *group, SgNode *child, SgNode *previous)
{
    const Calls &calls = Installed();
    if (document && calls.recordChild)
        calls.recordChild(document, added, group, child, previous);
}

void UpdateSceneManager(SgDocument *document, SgNode *node)
{
    const Calls &calls = Installed();
    if (document && calls.updateSceneManager)
        calls.updateSceneManager(document, node);
}

void SetUndoRecording(SgDocument *document, bool on)
{
    const Calls &calls = Installed();
    if (document && calls.setUndoRecording)
        calls.setUndoRecording(document, on);
}

int StartKeyPoint(SgDocument *document)
{
    const Calls &calls = Installed();
    return document && calls.startKeyPoint ? calls.startKeyPoint(document) : -1;
}

void EndKeyPoint(SgDocument *document)
{
    const Calls &calls = Installed();
    if (document && calls.endKeyPoint)
        calls.endKeyPoint(document);
}

int CurrentLayer(const SgDocument *document)
{
    const Calls &calls = Installed();
    return document && calls.currentLayer ? calls.currentLayer(document) : 0;
}

void SelectionChanged(SgDocument *document)
{
    const Calls &calls = Installed();
    if (document && calls.selectionChanged)
        calls.selectionChanged(document);
}

int ShapeActionId(SgDocument *document, SgNode *shape)
{
    const Calls &calls = Installed();
    return document && calls.shapeActionId ? calls.shapeActionId(document, shape) : -1;
}

void NodeJoined(SgDocument *document, SgNode *node)
{
    const Calls &calls = Installed();
    if (document && node && calls.nodeJoined)
        calls.nodeJoined(document, node);
}

} // namespace SgDocumentLink
