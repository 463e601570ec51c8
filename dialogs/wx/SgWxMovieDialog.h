#pragma once
// The movie dialog's window ("Movie Maker"): format, resolution, clip range,
// seconds, frame rate, quality and file, with Create, Abort, Play Video and
// Done. While a movie is made only this dialog takes input: the other
// windows are disabled and the progress pumps the events of this one.
//
//   SgWxCadDialog *window = CreateMovieDialog(parent, document, movieFunction);
//   window->Open();
#include <memory>

#include "dialogs/MovieDlg.h"
#include "dialogs/wx/SgWxCadDialog.h"
#include "dialogs/wx/PallicoWxExport.h"

class wxChoice;
class wxGauge;
class wxTextCtrl;

class PALLICOWX_API SgWxMovieDialog : public SgWxCadDialog {
public:
    enum { kIdFormat = 2078, kIdFile = 2091, kIdWidth = 2092, kIdHeight = 2093, kIdDuration = 2094,
           kIdCreate = 2095, kIdFrameRate = 2096, kIdClipStart = 2097, kIdProgress = 2098, kIdClipEnd = 2099,
           kIdBrowse = 2100, kIdQuality = 2101, kIdAbort = 2102, kIdPlay = 2103 };

    SgWxMovieDialog(wxWindow *parent, std::unique_ptr<MovieDlg> dialog);
    ~SgWxMovieDialog() override;

    MovieDlg &GetMovie() { return *m_movie; }
    // Controls to values and back (DoDataExchange).
    bool ReadControls();
    void WriteControls();

private:
    void OnCreate();
    void OnPlay();

    std::unique_ptr<MovieDlg> m_movie;
    wxChoice *m_format = nullptr;
    wxGauge *m_progress = nullptr;
    wxTextCtrl *m_clipStart = nullptr;
    wxTextCtrl *m_clipEnd = nullptr;
    wxTextCtrl *m_width = nullptr;
    wxTextCtrl *m_height = nullptr;
    wxTextCtrl *m_frameRate = nullptr;
    wxTextCtrl *m_duration = nullptr;
    wxTextCtrl *m_quality = nullptr;
    wxTextCtrl *m_file = nullptr;
};

// Makes the window on a new MovieDlg whose Create calls `movieFunction`
// (the facade's RecordMovie); the window owns it.
PALLICOWX_API SgWxCadDialog *CreateMovieDialog(wxWindow *parent, SgDocument *document, MovieDlg::MovieFunction movieFunction);
