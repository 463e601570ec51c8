#include "dialogs/CAlignDlg.h"

#include <algorithm>

#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"

const char *const CAlignDlg::kPointNames[5] = {"MINIMUM", "CENTER", "MAXIMUM", "PIVOT", "DEFAULT"};

CAlignDlg::CAlignDlg(SgDocument *document, void *parent) : CCadDlg(document, kDialogId, parent) {}

CAlignDlg::~CAlignDlg()
{
    EndKeyPoint();
}

void CAlignDlg::SetSelectionList(const SgPathList &paths)
{
    m_paths = paths;
    m_held.clear();
    for (POSITION at = m_paths.GetFirst(); at;) {
        const SgPath path = m_paths.GetNext(at);
        for (SgNode *node : path.GetNodes())
            if (node)
                m_held.emplace_back(node);
    }
}

void CAlignDlg::OnInitDialog()
{
    m_objectsPoint = kCenter;
    m_referencePoint = kDefault;
    if (m_paths.GetCount() >= 1) {
        m_reference = m_paths.GetAt(m_paths.GetLast());
        m_paths.RemoveAt(m_paths.GetLast());
        StartKeyPoint();
    }
}

bool CAlignDlg::Usable() const
{
    return !m_reference.IsEmpty() && m_reference.GetObject(true) && m_paths.GetCount() > 0;
}

SgAlign::AlignPoint CAlignDlg::ObjectsPoint() const
{
    return static_cast<SgAlign::AlignPoint>(std::clamp(m_objectsPoint, 0, 3));
}

SgAlign::AlignPoint CAlignDlg::ReferencePoint() const
{
    // "DEFAULT": the point chosen for the objects.
    if (m_referencePoint == kDefault)
        return ObjectsPoint();
    return static_cast<SgAlign::AlignPoint>(std::clamp(m_referencePoint, 0, 3));
}

void CAlignDlg::AlignPosition(int axis)
{
    if (!Usable())
        return;
    m_align.Align(m_paths, m_reference, ObjectsPoint(), ReferencePoint(), static_cast<SgAlign::AlignAxis>(axis),
                  m_affectPivot);
}

void CAlignDlg::AlignOrientation(int axis)
{
    const int set = int(m_orientation[0]) + int(m_orientation[1]) + int(m_orientation[2]);
    m_lastOrientationAxis = set < 2 ? axis : -1;
    if (!Usable())
        return;
    m_align.AlignOrientation(m_paths, m_reference, ObjectsPoint(), ReferencePoint(),
                             static_cast<SgAlign::AlignAxis>(m_lastOrientationAxis), m_affectPivot);
}

void CAlignDlg::ReAlignSelection(bool revert)
{
    // What was aligned so far is taken back inside a fresh key point.
    if (revert && RevertKeyPoint())
        StartKeyPoint();
    for (int axis = 0; axis < 3; ++axis)
        if (m_position[axis])
            AlignPosition(axis);
    for (int axis = 0; axis < 3; ++axis)
        if (m_orientation[axis])
            AlignOrientation(axis);
    RedrawViewers();
}

void CAlignDlg::SetPosition(int axis, bool on)
{
    if (axis < 0 || axis > 2)
        return;
    m_position[axis] = on;
    if (on)
        AlignPosition(axis);
    else
        ReAlignSelection(true);
    if (SgDocument *document = GetDocument())
        if (SgSelectionHandler *selection = document->GetSelectionHandler())
            selection->ReselectAll();
    RedrawViewers();
}

void CAlignDlg::SetOrientation(int axis, bool on)
{
    if (axis < 0 || axis > 2)
        return;
    m_orientation[axis] = on;
    if (on)
        AlignOrientation(axis);
    else
        ReAlignSelection(true);
    RedrawViewers();
}

void CAlignDlg::SetObjectsPoint(int point)
{
    m_objectsPoint = std::clamp(point, 0, 3);
    ReAlignSelection(false);
}

void CAlignDlg::SetReferencePoint(int point)
{
    m_referencePoint = std::clamp(point, 0, 4);
    ReAlignSelection(false);
}

void CAlignDlg::OnApply()
{
    // What was aligned so far stays; the checks start over.
    StartKeyPoint();
    std::fill(std::begin(m_position), std::end(m_position), false);
    std::fill(std::begin(m_orientation), std::end(m_orientation), false);
}

void CAlignDlg::OnOK()
{
    EndKeyPoint();
    RedrawViewers();
    CCadDlg::OnOK();
}

void CAlignDlg::OnCancel()
{
    RevertKeyPoint();
    RedrawViewers();
    CCadDlg::OnCancel();
}
