#include "dialogs/wx/SgWxMovieDialog.h"

#include <cmath>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/filename.h>
#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include "platform/Notifier.h"

SgWxMovieDialog::SgWxMovieDialog(wxWindow *parent, std::unique_ptr<MovieDlg> dialog)
    : SgWxCadDialog(parent, dialog.get(), "Movie Maker"), m_movie(std::move(dialog))
{
    m_format = new wxChoice(this, kIdFormat);
    for (const MovieDlg::Format &format : MovieDlg::kFormats)
        m_format->Append(format.name);
    auto number = [this](wxWindowID id) { return new wxTextCtrl(this, id, ""); };
    m_width = number(kIdWidth);
    m_height = number(kIdHeight);
    m_clipStart = number(kIdClipStart);
    m_clipEnd = number(kIdClipEnd);
    m_duration = number(kIdDuration);
    m_frameRate = number(kIdFrameRate);
    m_quality = number(kIdQuality);
    m_file = new wxTextCtrl(this, kIdFile, "");
    m_progress = new wxGauge(this, kIdProgress, 100);

    auto label = [this](const char *text) { return new wxStaticText(this, wxID_ANY, text); };
    auto *grid = new wxFlexGridSizer(4, 6, 6);
    grid->Add(label("Video format"), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_format, 0, wxEXPAND);
    grid->Add(label("Quality"), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_quality, 0, wxEXPAND);
    grid->Add(label("Resolution"), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_width, 0, wxEXPAND);
    grid->Add(label("x"), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_height, 0, wxEXPAND);
    grid->Add(label("Clip range"), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_clipStart, 0, wxEXPAND);
    grid->Add(label("-"), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_clipEnd, 0, wxEXPAND);
    grid->Add(label("Seconds"), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_duration, 0, wxEXPAND);
    grid->Add(label("fps"), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_frameRate, 0, wxEXPAND);
    auto *fileRow = new wxBoxSizer(wxHORIZONTAL);
    fileRow->Add(label("File"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    fileRow->Add(m_file, 1, wxEXPAND | wxRIGHT, 4);
    fileRow->Add(new wxButton(this, kIdBrowse, "...", wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT), 0);
    auto *buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(new wxButton(this, kIdCreate, "Create"), 0, wxRIGHT, 6);
    buttons->Add(new wxButton(this, kIdAbort, "Abort"), 0, wxRIGHT, 6);
    buttons->Add(new wxButton(this, kIdPlay, "Play Video"), 0, wxRIGHT, 6);
    buttons->Add(new wxButton(this, wxID_OK, "Done"), 0);
    auto *top = new wxBoxSizer(wxVERTICAL);
    top->Add(grid, 0, wxALL | wxEXPAND, 10);
    top->Add(fileRow, 0, wxLEFT | wxRIGHT | wxEXPAND, 10);
    top->Add(m_progress, 0, wxALL | wxEXPAND, 10);
    top->Add(buttons, 0, wxLEFT | wxRIGHT | wxBOTTOM | wxALIGN_RIGHT, 10);
    SetSizerAndFit(top);
    WriteControls();

    // The progress shows the position and lets this dialog's own buttons
    // (Abort) work; the other windows stay disabled meanwhile.
    m_movie->SetProgressView([this](int position) {
        m_progress->SetValue(position);
        if (m_movie->IsRecording())
            wxTheApp->Yield(true);
    });
    Bind(wxEVT_BUTTON, [this](wxCommandEvent &) { OnCreate(); }, kIdCreate);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent &) { m_movie->OnAbort(); }, kIdAbort);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent &) { OnPlay(); }, kIdPlay);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent &) {
        if (ReadControls() && m_movie->OnBrowse())
            WriteControls();
    }, kIdBrowse);
    // Closing while a movie is made asks it to stop first: the recording
    // still runs on this window's values.
    Bind(wxEVT_BUTTON, [this](wxCommandEvent &event) {
        if (m_movie->IsRecording())
            m_movie->OnAbort();
        else
            event.Skip();
    }, wxID_OK);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent &event) {
        if (m_movie->IsRecording() && event.CanVeto()) {
            m_movie->OnAbort();
            event.Veto();
            return;
        }
        event.Skip();
    });
}

SgWxMovieDialog::~SgWxMovieDialog()
{
    Detach();
}

bool SgWxMovieDialog::ReadControls()
{
    MovieDlg &m = *m_movie;
    m.formatIndex = m_format->GetSelection() == wxNOT_FOUND ? 0 : m_format->GetSelection();
    m.file = m_file->GetValue().ToStdString();
    const std::pair<MovieDlg::Box, wxTextCtrl *> boxes[] = {
        {MovieDlg::Box::kClipStart, m_clipStart}, {MovieDlg::Box::kClipEnd, m_clipEnd},
        {MovieDlg::Box::kWidth, m_width},         {MovieDlg::Box::kHeight, m_height},
        {MovieDlg::Box::kFrameRate, m_frameRate}, {MovieDlg::Box::kDuration, m_duration},
        {MovieDlg::Box::kQuality, m_quality}};
    // The first refused box has said why (the presenter's message) and takes
    // the focus; the others keep what they hold.
    for (const auto &[box, edit] : boxes) {
        if (!m.TakeText(box, edit->GetValue().ToStdString())) {
            edit->ChangeValue(wxString::FromUTF8(m.BoxText(box)));
            edit->SetFocus();
            return false;
        }
    }
    return true;
}

void SgWxMovieDialog::WriteControls()
{
    const MovieDlg &m = *m_movie;
    m_format->SetSelection(m.formatIndex);
    m_clipStart->ChangeValue(wxString::Format("%g", m.clipStart));
    m_clipEnd->ChangeValue(wxString::Format("%g", m.clipEnd));
    m_width->ChangeValue(wxString::Format("%d", m.width));
    m_height->ChangeValue(wxString::Format("%d", m.height));
    m_frameRate->ChangeValue(wxString::Format("%g", m.frameRate));
    m_duration->ChangeValue(wxString::Format("%g", m.duration));
    m_quality->ChangeValue(wxString::Format("%d", m.quality));
    m_file->ChangeValue(wxString::FromUTF8(m.file));
}

void SgWxMovieDialog::OnCreate()
{
    if (m_movie->IsRecording())
        return;
    if (!ReadControls())
        return;
    m_progress->SetRange(100);
    // Only this dialog takes input while the movie is made.
    wxWindowDisabler others(this);
    m_movie->OnCreate();
    WriteControls();
}

void SgWxMovieDialog::OnPlay()
{
    // Only the file matters here: a bad number elsewhere waits for Create.
    m_movie->file = m_file->GetValue().ToStdString();
    const std::string file = m_movie->GetPlayFile();
    if (!wxFileName::FileExists(wxString::FromUTF8(file))) {
        GetNotifier().Message("There is no movie file " + file + " yet: press Create first", "Movie Maker",
                              Notifier::Buttons::Ok, Notifier::Icon::Warning);
        return;
    }
    wxLaunchDefaultApplication(wxString::FromUTF8(file));
}

SgWxCadDialog *CreateMovieDialog(wxWindow *parent, SgDocument *document, MovieDlg::MovieFunction movieFunction)
{
    auto movie = std::make_unique<MovieDlg>(document, parent);
    movie->SetMovieFunction(std::move(movieFunction));
    return new SgWxMovieDialog(parent, std::move(movie));
}
