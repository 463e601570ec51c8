#pragma once
#include "engine/core/NodaraExport.h"
// Scopes around edits of a document (either may be given no document):
// SgKeyPoint opens an undo key point and closes it on every way out, so all
// records made meanwhile are undone as one; SgUndoRecordingPause switches
// recording off (playback, rubber bands, loading) and restores the previous
// state on the way out.
class SgDocument;

class NODARA_API SgKeyPoint {
public:
    explicit SgKeyPoint(SgDocument *document);
    ~SgKeyPoint();
    SgKeyPoint(const SgKeyPoint &) = delete;
    SgKeyPoint &operator=(const SgKeyPoint &) = delete;

    // The key point's number; -1 when no document or recording was off.
    int GetNumber() const { return m_iNumber; }

private:
    SgDocument *m_pDocument;
    int m_iNumber;
};

class NODARA_API SgUndoRecordingPause {
public:
    explicit SgUndoRecordingPause(SgDocument *document);
    ~SgUndoRecordingPause();
    SgUndoRecordingPause(const SgUndoRecordingPause &) = delete;
    SgUndoRecordingPause &operator=(const SgUndoRecordingPause &) = delete;

private:
    SgDocument *m_pDocument;
    bool m_bWasRecording;
};
