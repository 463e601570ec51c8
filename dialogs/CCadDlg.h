#pragma once
// The base of every editing dialog, without the toolkit: the document it
// edits, its id (its identity in the facade's table of open dialogs), and
// what OK, Cancel and the close box do. Each closing first tells the
// document's close-dialog callback (the facade frees the dialog's slot while
// the window still stands) and then hides the window through its view.
//
//   class CMyDlg : public CCadDlg { ... };     // the dialog's own logic
//   CMyDlg dialog(document, kMyDialogId);
//   dialog.SetView(&wxView);                  // dialogs/wx/SgWxCadDialog
//   dialog.Opened();                          // shown: the next closing reports
//   ...                                       // the user presses OK:
//   dialog.OnOK();                            // callback once, window hidden
//
// The callback runs once per opening whatever the path: a close box that
// goes through OnClose and then OnCancel reports once. Opened() re-arms it,
// so a dialog shown again reports its next closing.
#include <cstdint>
#include <vector>
#include "dialogs/PallicoExport.h"

class SgDocument;
class SgViewer;

class PALLICO_API CCadDlg {
public:
    // What the dialog's window does for the base; the wx dialog implements it.
    class View {
    public:
        virtual ~View() = default;
        // Ends the dialog's showing with `code` (1 OK, 2 Cancel): the window
        // hides and stays, to be shown again or destroyed by the owner.
        virtual void EndDialog(int code) = 0;
    };

    static constexpr int kIdOK = 1;
    static constexpr int kIdCancel = 2;

    // `parent` is the parent window as the owner knows it (may be null).
    CCadDlg(SgDocument *document, unsigned id, void *parent = nullptr);
    CCadDlg(const CCadDlg &) = delete;
    CCadDlg &operator=(const CCadDlg &) = delete;
    virtual ~CCadDlg();

    SgDocument *GetDocument() const { return m_pDocument; }
    // The document a dialog made before its document was known edits; set
    // before the dialog opens (its stay starts on that document's scene).
    void SetDocument(SgDocument *document);
    void *GetParent() const { return m_pParent; }
    // The document's first viewer, read anew at each call; null (with a
    // message) when the document has none.
    SgViewer *GetViewer() const;
    // The first viewer when the dialog was made.
    SgViewer *GetViewerAtConstruction() const { return m_pViewer; }
    unsigned GetID() const { return m_id; }

    // True: Enter reaches the focused control instead of pressing OK, and
    // Escape does while a label is edited in place (a tree's); Escape
    // elsewhere still cancels.
    void SetProcessEnter(bool process) { m_bProcessEnter = process; }
    bool GetProcessEnter() const { return m_bProcessEnter; }

    void SetView(View *view) { m_pView = view; }
    View *GetView() const { return m_pView; }

    // The window was shown: its next closing is reported. Shown again after
    // a closing, the dialog's stay starts anew from the scene as it is now.
    void Opened();
    bool IsOpen() const { return m_bOpen; }

    // OK keeps what the dialog did as one undo step; Cancel takes back
    // everything the dialog did since it opened, whatever key points its
    // controls opened and ended meanwhile (an Apply included). What the user
    // did in the main window meanwhile is not the dialog's: it stays, and
    // a change of the dialog's that the window changed again stays too
    // (the user is told), rather than lose the window's edit.
    virtual void OnOK();
    virtual void OnCancel();
    virtual void OnClose();

    // A spin button as the base sets it up: its buddy's id, the range
    // truncated toward zero and kept within 16 bits, position 0, and whether
    // it shows (a hidden spin keeps the rest).
    struct SpinSetup {
        unsigned buddyId = 0;
        int low = 0;
        int high = 0;
        int position = 0;
        bool shown = true;
    };
    static void InitSpinCtrl(SpinSetup &spin, unsigned buddyId, double low, double high, bool show);

    // While one lives, what the document records is the dialog's own: its
    // view holds one around each call into the dialog made for the user
    // (SgWxCadDialog around every event the dialog window handles).
    // Whatever is recorded outside is the main window's.
    class Acting {
    public:
        explicit Acting(const CCadDlg &dialog);
        ~Acting();
        Acting(const Acting &) = delete;
        Acting &operator=(const Acting &) = delete;

    private:
        SgDocument *m_pDocument;
        int m_iPrevious;
    };
    // The undo origin of the dialog's present stay (0 without a document).
    int GetUndoOrigin() const { return m_iOrigin; }
    // The window goes without OK or Cancel (its owner closes every dialog):
    // what the dialog did stays as one step of the window's, so that nothing
    // is lost and the history's bound, held while the dialog was open,
    // applies again.
    void KeepStay() { FinishStay(true); }

protected:
    // Tells the document's close-dialog callback, once per opening.
    void ReportClosing();

    // The undo key point a dialog keeps open while it edits, so that Cancel
    // can take back what it did. A dialog ends only a key point it opened
    // itself: with undo off the document opens none, and ending one then
    // would close someone else's.
    //
    // Starts a new key point, ending the dialog's open one first; nothing
    // (and the open one stays) when there is no document or undo is off.
    // True when a key point is open afterwards.
    bool StartKeyPoint();
    // Ends the dialog's key point; false when it had none open.
    bool EndKeyPoint();
    // Ends the dialog's key point and undoes what was recorded in it; false
    // (nothing undone) when it had none open.
    bool RevertKeyPoint();
    bool IsKeyPointOpen() const { return m_bKeyPointOpen; }
    // The number of the last key point the dialog opened (-1 for none).
    int GetOpenedKeyPoint() const { return m_iKeyPoint; }
    // Redraws every viewer of the document (none when there is no document).
    void RedrawViewers() const;
    // Draws `viewer` offscreen at width x height into rows of red, green,
    // blue, the top row first: a dialog's preview picture. False when it
    // could not be drawn.
    static bool RenderViewerRgb(SgViewer *viewer, int width, int height, std::vector<unsigned char> &rgb);
    // Ends the dialog's stay: its records become one step (keep) or are
    // undone (take back). Once per opening; the key point ends either way.
    void FinishStay(bool keep);
    // Starts a stay on the document: a new undo origin.
    void BeginStay();
    // Tells the user that `kept` changes of the dialog could not be taken back.
    void ReportKeptChanges(int kept) const;

private:
    SgDocument *m_pDocument = nullptr;
    void *m_pParent = nullptr;
    SgViewer *m_pViewer = nullptr;
    View *m_pView = nullptr;
    unsigned m_id = 0;
    bool m_bProcessEnter = false;
    bool m_bOpen = false;
    int m_iKeyPoint = -1;
    bool m_bKeyPointOpen = false;
    // The undo origin of the dialog's stay: what it records carries it.
    int m_iOrigin = 0;
    bool m_bInStay = false;
};
