#pragma once
// The alignment dialog without the toolkit: the selected objects aligned to
// the last selected one (the reference), axis by axis, by position and by
// orientation, live while the check boxes are toggled, inside one undo key
// point that Cancel reverts.
//
//   CAlignDlg dialog(document);
//   dialog.SetSelectionList(selection->GetPathList());
//   dialog.OnInitDialog();               // the last path becomes the reference
//   dialog.SetObjectsPoint(CAlignDlg::kMaximum);
//   dialog.SetPosition(0, true);         // aligned along X at once
//   dialog.OnOK();
#include <vector>

#include "dialogs/CCadDlg.h"
#include "engine/core/SgPathList.h"
#include "engine/core/SgRef.h"
#include "engine/tools/SgAlign.h"
#include "dialogs/PallicoExport.h"

class PALLICO_API CAlignDlg : public CCadDlg {
public:
    static constexpr unsigned kDialogId = 2031;
    enum Point : int { kMinimum = 0, kCenter = 1, kMaximum = 2, kPivot = 3, kDefault = 4 };
    // The combo boxes' texts, by index ("DEFAULT" only in the reference's).
    static const char *const kPointNames[5];

    explicit CAlignDlg(SgDocument *document, void *parent = nullptr);
    ~CAlignDlg() override;

    // The objects, the reference as the last path.
    void SetSelectionList(const SgPathList &paths);
    void SetReferenceObject(const SgPath &path) { m_reference = path; }

    void OnInitDialog();
    // Check boxes: position along axis 0..2, orientation about axis 0..2.
    void SetPosition(int axis, bool on);
    void SetOrientation(int axis, bool on);
    void SetAffectPivot(bool on) { m_affectPivot = on; }
    // Combo selections; re-apply without reverting.
    void SetObjectsPoint(int point);
    void SetReferencePoint(int point);
    void OnApply();
    void OnOK() override;
    void OnCancel() override;

    bool GetPosition(int axis) const { return axis >= 0 && axis < 3 && m_position[axis]; }
    bool GetOrientation(int axis) const { return axis >= 0 && axis < 3 && m_orientation[axis]; }
    bool GetAffectPivot() const { return m_affectPivot; }
    int GetObjectsPoint() const { return m_objectsPoint; }
    int GetReferencePoint() const { return m_referencePoint; }
    int GetObjectCount() const { return m_paths.GetCount(); }
    // The axis the last orientation call was given (-1 for several).
    int GetLastOrientationAxis() const { return m_lastOrientationAxis; }

private:
    SgAlign::AlignPoint ObjectsPoint() const;
    SgAlign::AlignPoint ReferencePoint() const;
    void AlignPosition(int axis);
    void AlignOrientation(int axis);
    void ReAlignSelection(bool revert);
    bool Usable() const;

    SgPathList m_paths;
    SgPath m_reference;
    // The objects and the reference, held while the dialog stands so that
    // its paths name living nodes.
    std::vector<SgRef<SgNode>> m_held;
    SgAlign m_align;
    bool m_position[3] = {false, false, false};
    bool m_orientation[3] = {false, false, false};
    bool m_affectPivot = false;
    int m_objectsPoint = kCenter;
    int m_referencePoint = kDefault;
    int m_lastOrientationAxis = -2;
};
