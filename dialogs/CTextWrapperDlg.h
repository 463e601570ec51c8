#pragma once
// The text-along-a-path dialog without the toolkit: opening it puts a new
// extruded text object into the scene, deformed by a path modifier whose
// scale, rotation, path and offset functions the check boxes switch on and
// off; a profile button cycles three bevel profiles, a phase shifts the
// functions, and Play advances the phase on every timer tick.
//
//   CTextWrapperDlg dialog(document);
//   dialog.OnInitDialog();               // the text object joins the scene
//   dialog.SetCheck(CTextWrapperDlg::kPath, true);
//   dialog.OnChecksOrPhase();            // the modifier takes the functions
//
// The path functions the dialog makes stay alive as long as the process:
// the modifier and its undo records keep them as plain pointers.
#include <string>

#include "dialogs/CCadDlg.h"
#include "engine/core/RxFunc.h"
#include "engine/core/SgRef.h"
#include "dialogs/PallicoExport.h"

class SgBText;
class SgMaterial;
class SgObject;
class SgPathModifier;

// The path of the "Path" check box: a widening spiral.
class PALLICO_API CircFunc : public R3Func {
public:
    CircFunc(double r, double k, double phase) : m_r(r), m_k(k), m_phase(phase) {}
    Vec3 operator()(double t) const override;
    void SetPhase(double phase) { m_phase = phase; }
    double GetPhase() const { return m_phase; }

private:
    double m_r;
    double m_k;
    double m_phase;
};

class PALLICO_API CTextWrapperDlg : public CCadDlg {
public:
    static constexpr unsigned kDialogId = 2040;
    enum Check { kScale = 0, kRotate = 1, kPath = 2, kOffset = 3 };
    static constexpr int kProfileCount = 3;
    static constexpr double kPhaseWrap = 12.0;

    explicit CTextWrapperDlg(SgDocument *document, void *parent = nullptr);
    ~CTextWrapperDlg() override;

    // Places the text object (on the one selected object's curve, else on a
    // vertical segment of 0.6) and centres it.
    void OnInitDialog();

    void SetCheck(Check check, bool on) { m_checks[check] = on ? 1 : 0; }
    bool GetCheck(Check check) const { return m_checks[check] != 0; }
    const std::string &GetText() const { return m_text; }
    double GetPhase() const { return m_dPhase; }
    void SetPhase(double phase);
    // The Delta edit's text; the tick parses it.
    void SetDeltaText(const std::string &text) { m_deltaText = text; }
    const std::string &GetDeltaText() const { return m_deltaText; }

    // Text edit changed: an empty text leaves the node's text alone.
    void OnTextChanged(const std::string &text);
    // Phase edit or a check box changed: applied at once unless playing.
    void OnChecksOrPhase();
    // Profile button: the next of the three profiles.
    void OnProfile();
    // Play button: starts or stops the phase animation (undo off meanwhile).
    void OnPlay();
    bool IsPlaying() const { return m_bPlaying; }
    // One timer tick while playing.
    void OnTimer();

    // What the dialog put into the scene.
    SgObject *GetTextObject() const { return m_object.get(); }
    SgBText *GetTextNode() const { return m_textNode.get(); }
    SgPathModifier *GetModifier() const { return m_modifier.get(); }
    static int GetProfileIndex() { return s_iProfile; }
    static void ResetProfiles();

    void OnOK() override;
    void OnCancel() override;
    void OnClose() override;

private:
    void UpdateWrapperFunctions();
    void StopPlaying();

    int m_checks[4] = {0, 0, 0, 0};
    std::string m_text = "Words that follow the curve";
    double m_dPhase = 0.0;
    std::string m_deltaText = "0.3";
    SgRef<SgPathModifier> m_modifier;
    SgRef<SgMaterial> m_material;
    SgRef<SgObject> m_object;
    SgRef<SgBText> m_textNode;
    CircFunc *m_pPathFunc = nullptr;
    bool m_bPlaying = false;
    bool m_bUndoBefore = true;
    bool m_bPlaced = false;

    static int s_iProfile;
    static int s_iLastProfile;
};
