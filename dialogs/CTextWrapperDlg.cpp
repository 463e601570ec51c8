#include "dialogs/CTextWrapperDlg.h"

#include <cmath>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/actions/SgCopyAction.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/handlers/SgTool.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgText.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgFont.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/viewer/SgViewer.h"
#include "solids/modifiers/SgPathModifier.h"

int CTextWrapperDlg::s_iProfile = 0;
int CTextWrapperDlg::s_iLastProfile = -1;

namespace {

struct ProfilePoint {
    double x, y;
};
const std::vector<ProfilePoint> kProfiles[CTextWrapperDlg::kProfileCount] = {
    {{0, -0.2}, {0, 0.2}},
    {{0.018, -0.3}, {0.018, 0.25}, {0, 0.3}},
    {{0, -0.2}, {0, 0.1}, {0.028, 0.15}, {0, 0.2}},
};

// Path functions handed to modifiers: the modifier and its undo records hold
// them as plain pointers, so they live as long as the process.
std::mutex g_pathLock;
std::vector<std::unique_ptr<CircFunc>> &PathFunctions()
{
    static auto *functions = new std::vector<std::unique_ptr<CircFunc>>;
    return *functions;
}

CircFunc *NewPathFunction(double phase)
{
    std::lock_guard<std::mutex> hold(g_pathLock);
    PathFunctions().push_back(std::make_unique<CircFunc>(4.0, 2.0, phase));
    return PathFunctions().back().get();
}

void SetParams(SgVFFloat &params, float a, float b, float c)
{
    const float values[3] = {a, b, c};
    params.SetVals(3, values);
}

} // namespace

Vec3 CircFunc::operator()(double t) const
{
    const double angle = m_k * t + m_phase;
    return Vec3(std::cos(angle) * (m_r + m_k * t), 0.08 * t, std::sin(angle) * (m_r - 0.4 * t));
}

CTextWrapperDlg::CTextWrapperDlg(SgDocument *document, void *parent) : CCadDlg(document, kDialogId, parent)
{
    m_object = new SgObject(true, true);
    m_textNode = new SgBText;
    m_modifier = new SgPathModifier;
    m_material = new SgMaterial;
    m_modifier->m_offsetFunc.Set(CountPtr<R2Func>());
    m_modifier->m_scaleFunc.Set(CountPtr<R2Func>());
    m_modifier->m_rotationFunc.Set(CountPtr<R1Func>());
    m_modifier->m_pathFunc.Set(nullptr);
    m_modifier->DisableUndo();
}

CTextWrapperDlg::~CTextWrapperDlg()
{
    StopPlaying();
}

void CTextWrapperDlg::ResetProfiles()
{
    s_iProfile = 0;
    s_iLastProfile = -1;
}

void CTextWrapperDlg::OnInitDialog()
{
    SgDocument *document = GetDocument();
    if (!document || !document->GetRoot() || m_bPlaced)
        return;
    // 1. The curve: the one selected object's, else a vertical segment.
    SgPolyLine *curve = nullptr;
    SgSelectionHandler *selection = document->GetSelectionHandler();
    if (selection && selection->GetSelCount() == 1) {
        SgObject *objects[1] = {nullptr};
        if (selection->GetSelectedObjects(1, objects, nullptr) == 1 && objects[0])
            curve = objects[0]->GetObjectPolyline();
    }
    if (!curve) {
        curve = new SgPolyLine;
        curve->m_coordinates.AddVal(Vec3(0, -0.3, 0));
        curve->m_coordinates.AddVal(Vec3(0, 0.3, 0));
    }
    // 2. The text on it.
    m_textNode->SetPolyline(curve, 0, true);
    m_textNode->m_text.Set(m_text);
    m_object->AddChild(m_textNode.get());
    // 3. A random colour, the document's font and the modifier.
    if (SgMaterial *material = SgTool::BuildRandomMaterial())
        m_material = material;
    m_object->AddPropertyNode(m_material.get(), true);
    if (SgFont *font = document->GetDefaultFont()) {
        SgCopyAction copy;
        if (copy.Apply(font) && copy.GetResult())
            m_object->AddPropertyNode(copy.GetResult(), true);
    }
    m_object->AddPropertyNode(m_modifier.get(), true);
    // 4. Into the scene, centred.
    document->GetRoot()->AddChild(m_object.get());
    RedrawViewers();
    m_object->AlignToCenter();
    m_deltaText = "0.3";
    if (SgViewer *viewer = document->GetViewerCount() > 0 ? document->GetViewer(0) : nullptr)
        viewer->SetSceneManagerEnabled(false);
    m_bPlaced = true;
}

void CTextWrapperDlg::SetPhase(double phase)
{
    m_dPhase = std::isfinite(phase) ? phase : 0.0;
}

void CTextWrapperDlg::UpdateWrapperFunctions()
{
    SgPathModifier &modifier = *m_modifier;
    CountPtr<R2Func> offset, scale;
    CountPtr<R1Func> rotation;
    if (m_checks[kOffset]) {
        offset = CountPtr<R2Func>(new Sin2Func);
        SetParams(modifier.m_offsetParams, 0.13f, 0.0f, 6.28f);
    }
    if (m_checks[kRotate]) {
        rotation = CountPtr<R1Func>(new SinFunc);
        SetParams(modifier.m_rotationParams, 0.3f, 0.0f, 6.28f);
    }
    if (m_checks[kScale]) {
        scale = CountPtr<R2Func>(new SinBias2Func);
        SetParams(modifier.m_scaleParams, 0.3f, 0.0f, 6.28f);
    }
    // One path function per dialog, moved to the new phase.
    R3Func *path = nullptr;
    if (m_checks[kPath]) {
        if (!m_pPathFunc)
            m_pPathFunc = NewPathFunction(m_dPhase);
        m_pPathFunc->SetPhase(m_dPhase);
        path = m_pPathFunc;
    }
    if (s_iProfile != s_iLastProfile) {
        s_iLastProfile = s_iProfile;
        if (auto *profile = dynamic_cast<SgPolyLine *>(m_textNode->GetProfile())) {
            const bool undo = profile->IsUndoEnabled();
            profile->DisableUndo();
            profile->m_coordinates.SetCount(0);
            for (const ProfilePoint &p : kProfiles[s_iProfile])
                profile->m_coordinates.AddVal(Vec3(p.x, p.y, 0.0));
            if (undo)
                profile->EnableUndo();
        }
    }
    modifier.m_phase.Set(m_dPhase);
    modifier.m_offsetFunc.Set(offset);
    modifier.m_rotationFunc.Set(rotation);
    if (modifier.m_pathFunc.Get(false) == path && path)
        modifier.m_pathFunc.NotifyParent(); // the same function at a new phase
    else
        modifier.m_pathFunc.Set(path);
    modifier.m_scaleFunc.Set(scale);
}

void CTextWrapperDlg::OnTextChanged(const std::string &text)
{
    if (text.empty())
        return;
    m_text = text;
    m_textNode->m_text.Set(text);
    RedrawViewers();
}

void CTextWrapperDlg::OnChecksOrPhase()
{
    if (m_bPlaying)
        return;
    UpdateWrapperFunctions();
    RedrawViewers();
}

void CTextWrapperDlg::OnProfile()
{
    s_iProfile = (s_iProfile + 1) % kProfileCount;
    UpdateWrapperFunctions();
    RedrawViewers();
}

void CTextWrapperDlg::OnPlay()
{
    SgDocument *document = GetDocument();
    if (!m_bPlaying) {
        m_bPlaying = true;
        if (document) {
            m_bUndoBefore = document->IsUndoRecording();
            document->SetUndoRecording(false);
        }
    } else {
        StopPlaying();
    }
}

void CTextWrapperDlg::StopPlaying()
{
    if (!m_bPlaying)
        return;
    m_bPlaying = false;
    if (GetDocument())
        GetDocument()->SetUndoRecording(m_bUndoBefore);
}

void CTextWrapperDlg::OnTimer()
{
    UpdateWrapperFunctions();
    char *end = nullptr;
    const double delta = std::strtod(m_deltaText.c_str(), &end);
    if (end != m_deltaText.c_str() && std::isfinite(delta))
        m_dPhase += delta;
    if (m_dPhase > kPhaseWrap)
        m_dPhase -= kPhaseWrap;
    RedrawViewers();
}

void CTextWrapperDlg::OnOK()
{
    StopPlaying();
    CCadDlg::OnOK();
}

void CTextWrapperDlg::OnCancel()
{
    StopPlaying();
    CCadDlg::OnCancel();
}

void CTextWrapperDlg::OnClose()
{
    StopPlaying();
    CCadDlg::OnClose();
}
