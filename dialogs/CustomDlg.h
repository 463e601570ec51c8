#pragma once
// The custom spline dialog without the toolkit: a left and a right margin in
// percent and a wire type, bound by name to the scene's nodes
// "SplineParams<name>" (fields "av", "bv", "c") and "SplineLen<name>" (field
// "a", the whole curve's length). The margins become av and bv, and the arch
// length shown is |av - bv| x a x 20.
//
//   CustomDlg dialog(document, "L1");       // finds the fields once
//   dialog.SetCustomEventCallback(host);    // wire changes and resets
//   dialog.OnInitDialog();                  // caption, scene update
//   dialog.SetMargins(10, 10);              // av 0.1, bv 0.9
//
// A scene without the nodes leaves the fields unbound: the dialog then shows
// the margins it has and writes nothing.
#include <functional>
#include <string>

#include "dialogs/CCadDlg.h"
#include "dialogs/PallicoExport.h"

class SgField;

class PALLICO_API CustomDlg : public CCadDlg {
public:
    static constexpr unsigned kDialogId = 2050;
    // The longest name the dialog binds by; longer ones are cut.
    static constexpr std::size_t kMaxName = 7;
    static constexpr int kWireTypes = 5;
    static constexpr int kTimerPeriodMs = 100;

    // Called with ("<name>", 0) when the wire type changes and ("r<name>", 0)
    // on Reset. The same texts go to the document's custom-event listeners
    // (SgDocument::NotifyCustomEvent) with or without this callback.
    using CustomEvent = std::function<void(const std::string &event, int value)>;

    CustomDlg(SgDocument *document, const char *name, void *parent = nullptr);

    void SetCustomEventCallback(CustomEvent callback) { m_customEvent = std::move(callback); }

    // Suppress off, scene updated; the caption is chosen.
    void OnInitDialog();
    // "Lower Arch" for a name beginning with "l" or "L", "Upper Arch" otherwise.
    std::string GetCaption() const;
    static const char *WireName(int index);

    double GetLeftMargin() const { return m_dLeftMargin; }
    double GetRightMargin() const { return m_dRightMargin; }
    double GetLength() const { return m_dLength; }
    int GetWireType() const { return m_iWireType; }
    const std::string &GetName() const { return m_name; }
    bool IsBound() const { return m_pA && m_pAv && m_pBv; }
    // The arch length display: length x 20, "%5.1f".
    std::string GetLengthText() const;

    // The margin edits changed (0..100 each): the scene follows and the
    // viewers redraw. Values outside 0..100 are clamped.
    void SetMargins(double left, double right);
    // The wire combo chose `index`: a different one is written to the scene
    // and announced; the same one does nothing.
    void OnWireType(int index);
    // Reset: announces "r<name>" and redraws.
    void OnReset();
    // The 100 ms timer: the length follows the scene's dataflow.
    void OnTimer() { UpdateSceneAndLen(); }
    // Whether the timer runs (from OnInitDialog until closing).
    bool IsTimerRunning() const { return m_bTimer; }

    void OnOK() override;
    void OnClose() override;
    void OnCancel() override;

private:
    void UpdateSceneAndLen();
    void Announce(const std::string &text);
    void Stop();

    double m_dLeftMargin = 0.0;
    double m_dRightMargin = 0.0;
    double m_dLength = 0.0;
    int m_iWireType = 0;
    bool m_bSuppress = true;
    bool m_bTimer = false;
    SgField *m_pA = nullptr;
    SgField *m_pAv = nullptr;
    SgField *m_pBv = nullptr;
    SgField *m_pC = nullptr;
    std::string m_name;
    CustomEvent m_customEvent;
};
