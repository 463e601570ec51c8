#include "engine/document/SgKeyPoint.h"

#include "engine/document/SgDocument.h"

SgKeyPoint::SgKeyPoint(SgDocument *document)
    : m_pDocument(document), m_iNumber(document ? document->StartKeyPoint() : -1)
{
}

SgKeyPoint::~SgKeyPoint()
{
    // Only a key point that was opened is closed: with recording off nothing
    // was opened, and closing would end an outer key point early.
    if (m_pDocument && m_iNumber >= 0)
        m_pDocument->EndKeyPoint();
}

SgUndoRecordingPause::SgUndoRecordingPause(SgDocument *document)
    : m_pDocument(document), m_bWasRecording(document && document->IsUndoRecording())
{
    if (m_pDocument)
        m_pDocument->SetUndoRecording(false);
}

SgUndoRecordingPause::~SgUndoRecordingPause()
{
    if (m_pDocument)
        m_pDocument->SetUndoRecording(m_bWasRecording);
}
