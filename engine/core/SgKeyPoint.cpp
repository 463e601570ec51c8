#include "engine/core/SgKeyPoint.h"

#include "engine/core/SgDocumentLink.h"

SgKeyPoint::SgKeyPoint(SgDocument *document)
    : m_pDocument(document), m_iNumber(SgDocumentLink::StartKeyPoint(document))
{
}

SgKeyPoint::~SgKeyPoint()
{
    // Only a key point that was opened is closed: with recording off nothing
    // was opened, and closing would end an outer key point early.
    if (m_iNumber >= 0)
        SgDocumentLink::EndKeyPoint(m_pDocument);
}

SgUndoRecordingPause::SgUndoRecordingPause(SgDocument *document)
    : m_pDocument(document), m_bWasRecording(SgDocumentLink::IsUndoRecording(document))
{
    SgDocumentLink::SetUndoRecording(m_pDocument, false);
}

SgUndoRecordingPause::~SgUndoRecordingPause()
{
    SgDocumentLink::SetUndoRecording(m_pDocument, m_bWasRecording);
}
