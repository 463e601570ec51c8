#include "host/window/ModellerFrame.h"

#include "host/window/ControlChannel.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>

#include <wx/aboutdlg.h>
#include <wx/aui/framemanager.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/statusbr.h>
#include <wx/thread.h>
#include <wx/toolbar.h>

#include "control/FennixControl.h"
#include "control/wx/FennixCtrl.h"
#include "engine/document/SgDocument.h"
#include "engine/viewer/SgPrint.h"
#include "facade/CDrevon.h"
#include "facade/CommandStatus.h"
#include "platform/controls/SgVectorFieldModel.h"
#include "platform/wx/SgWxControls.h"
#include "platform/wx/SgWxGLWindow.h"

using drevon::CommandRecord;

namespace {

wxString MenuLabel(const CommandRecord &entry)
{
    wxString label = wxString::FromUTF8(entry.label);
    if (entry.accelerator)
        label += "\t" + wxString::FromUTF8(entry.accelerator);
    return label;
}

} // namespace

ModellerFrame::ModellerFrame(const wxString &title, drevon::CDrevon *facade)
    : wxFrame(nullptr, wxID_ANY, title, wxDefaultPosition, wxDefaultSize), m_facade(facade), m_openedName(title)
{
    Bind(wxEVT_IDLE, [this](wxIdleEvent &event) {
        UpdateTitle();
        event.Skip();
    });
    // A narrower window gives the toolbars more rows rather than hide
    // buttons behind an overflow arrow; a wider one joins them again.
    Bind(wxEVT_SIZE, [this](wxSizeEvent &event) {
        event.Skip();
        if (m_ctrl)
            ArrangeToolbars(GetClientSize().x);
    });
    m_sizer = new wxBoxSizer(wxVERTICAL);
    SetSizer(m_sizer);
    BuildMenus();
    // What the last command did or why it could not; the menus' help shows
    // there while an entry is highlighted.
    CreateStatusBar(1);
    SetStatusText("Ready");
    // Below this the toolkit cannot lay the toolbars and the view out.
    SetMinSize(FromDIP(wxSize(kMinimumWidth, kMinimumHeight)));
    // The control holds the view, the toolbars and the scene tree's pane
    // (hidden until View > Scene Tree); the menus stay the window's.
    m_ctrl = new FennixCtrl(this, m_facade, 1, false);
    m_ctrl->SetHostActions(this);
    m_ctrl->SetButtonListener([this](int item, bool on) {
        if (wxMenuBar *bar = GetMenuBar())
            if (wxMenuItem *menuItem = bar->FindItem(item); menuItem && menuItem->IsCheckable())
                menuItem->Check(on);
    });
    // A toolbar click says what it did where a menu command does.
    m_ctrl->SetCommandReportListener([this](const std::string &text) { ShowStatus(text); });
    m_workProgress = SgSubscribeProgress([this](const SgProgressReport &report) {
        if (report.kind == SgProgressKind::Work)
            ShowWorkProgress(report);
        return true;
    });
    m_sizer->Add(m_ctrl, 1, wxEXPAND);
    ArrangeToolbars(FromDIP(kMinimumWidth));
    BuildFieldEditor();
    int count = 0;
    const CommandRecord *commands = drevon::GetCommands(count);
    for (int i = 0; i < count; ++i) {
        if (!commands[i].menu)
            continue;  // reached by its button, key or script only
        Bind(wxEVT_MENU, &ModellerFrame::OnCommand, this, ItemOf(commands[i].id));
        Bind(wxEVT_UPDATE_UI, &ModellerFrame::OnUpdate, this, ItemOf(commands[i].id));
    }
    // A key a menu runs is not run a second time by the facade's shortcuts.
    m_facade->GetShortcuts().SetMenuKeys(drevon::MenuKeys());
}

ModellerFrame::~ModellerFrame()
{
    m_workProgress.Reset();
    // The channel serves the control of this window's FennixCtrl, which goes
    // with the window's children after this body.
    StopControlChannel();
    // The editor's controls outlive this body; they stop using the facade's
    // numbers now.
    m_fieldEditorShown.Reset();
    if (m_fieldEditor) {
        m_fieldEditor->SetChangeCallback(nullptr);
        for (int i = 0; CNumSpinCtrl *spin = m_fieldEditor->GetNumSpin(i); ++i)
            spin->UseModel(nullptr);
    }
    m_ctrl->SetHostActions(nullptr);
    m_ctrl->SetButtonListener(nullptr);
    m_ctrl->SetCommandReportListener(nullptr);
}

void ModellerFrame::UpdateTitle()
{
    const SgDocument *document = m_facade->GetDocument();
    const std::string path = document ? document->GetFileName() : std::string();
    wxString title = path.empty() ? m_openedName : wxString::FromUTF8(std::filesystem::path(path).filename().string());
    if (m_facade->GetFiles().IsModified())
        title += " *";
    if (GetTitle() != title)
        SetTitle(title);
}

void ModellerFrame::BuildMenus()
{
    auto *bar = new wxMenuBar;
    int menuCount = 0;
    const char *const *menus = drevon::GetMenus(menuCount);
    int count = 0;
    const CommandRecord *commands = drevon::GetCommands(count);
    for (int m = 0; m < menuCount; ++m) {
        auto *menu = new wxMenu;
        // A submenu stands where its first entry comes in the table.
        std::map<std::string, wxMenu *> submenus;
        for (int i = 0; i < count; ++i) {
            const CommandRecord &entry = commands[i];
            if (!entry.menu || std::string(entry.menu) != menus[m])
                continue;
            wxMenu *into = menu;
            if (entry.submenu) {
                wxMenu *&submenu = submenus[entry.submenu];
                if (!submenu) {
                    submenu = new wxMenu;
                    const wxString name = wxString::FromUTF8(drevon::PlainLabel(entry.submenu));
                    menu->AppendSubMenu(submenu, wxString::FromUTF8(entry.submenu), "Open the " + name + " submenu");
                }
                into = submenu;
            }
            // Exit sits apart at the end of its menu, as usual.
            if (entry.id == drevon::cmd::kExit)
                into->AppendSeparator();
            auto *item = new wxMenuItem(into, ItemOf(entry.id), MenuLabel(entry), wxString::FromUTF8(entry.tooltip),
                                        entry.check ? wxITEM_CHECK : wxITEM_NORMAL);
            into->Append(item);
        }
        bar->Append(menu, "&" + wxString::FromUTF8(menus[m]));
    }
    SetMenuBar(bar);
}

void ModellerFrame::ArrangeToolbars(int width)
{
    // Side by side along the top, each in the first row that still has room
    // for it: a row each would take a fifth of the view's height.
    std::vector<int> rows;
    std::vector<int> rowOf(drevon::kToolbarCount, -1);
    for (int t = 0; t < drevon::kToolbarCount; ++t) {
        wxToolBar *toolbar = m_ctrl->GetToolbar(t);
        if (!toolbar)
            continue;
        wxAuiPaneInfo &pane = m_ctrl->Manager().GetPane(toolbar);
        if (!pane.IsOk())
            continue;
        // The gripper and border come on top of the buttons.
        const int needed = toolbar->GetBestSize().x + FromDIP(kToolbarChrome);
        size_t row = 0;
        while (row < rows.size() && rows[row] + needed > width)
            ++row;
        if (row == rows.size())
            rows.push_back(0);
        rowOf[t] = static_cast<int>(row);
        rows[row] += needed;
    }
    // A size that leaves the rows as they are changes nothing.
    if (rowOf == m_toolbarRowOf)
        return;
    m_toolbarRowOf = rowOf;
    for (int t = 0; t < drevon::kToolbarCount; ++t)
        if (rowOf[t] >= 0)
            m_ctrl->Manager().GetPane(m_ctrl->GetToolbar(t)).Row(rowOf[t]).Position(t);
    m_toolbarRows = std::max(1, static_cast<int>(rows.size()));
    if (m_fieldPanel) {
        wxAuiPaneInfo &strip = m_ctrl->Manager().GetPane(m_fieldPanel);
        if (strip.IsOk())
            strip.Row(m_toolbarRows);
    }
    m_ctrl->Manager().Update();
}

void ModellerFrame::BuildFieldEditor()
{
    // X, Y and Z of a vector, the angle of a rotation, and two rows the
    // fields under edit name.
    static const char *const kNames[] = {"X", "Y", "Z", "Angle", "Value", "Value"};
    SgVectorFieldModel *model = m_facade->GetFieldEditing().CreateEditor(6, kNames);
    m_fieldPanel = new wxPanel(m_ctrl, wxID_ANY);
    m_fieldPanel->SetName("FieldEditor");
    m_fieldEditor.reset(VectorFieldUI::CreateVectorFieldUI(m_fieldPanel, model));
    if (!m_fieldEditor)
        return;
    const int height = m_fieldEditor->GetNumSpin(0) ? m_fieldEditor->GetNumSpin(0)->GetSize().y : 22;
    m_fieldPanel->SetMinSize(wxSize(m_fieldEditor->GetShownWidth() + 4, height + 2));
    m_fieldEditor->SetChangeCallback([this] { OnFieldEditorTaken(); });
    // The view, not the strip, has the keys when the window comes up (the
    // toolkit gives the focus to the first child that takes it): an edit
    // takes the focus only once it is clicked.
    for (int i = 0; CNumEdit *edit = m_fieldEditor->GetEdit(i); ++i) {
        edit->SetCanFocus(false);
        edit->Bind(wxEVT_LEFT_DOWN, [edit](wxMouseEvent &event) {
            edit->SetCanFocus(true);
            edit->SetFocus();
            event.Skip();
        });
    }
    for (int i = 0; CNumSpinCtrl *spin = m_fieldEditor->GetNumSpin(i); ++i)
        spin->SetCanFocus(false);
    m_fieldEditorShown = m_facade->GetFieldEditing().SubscribeChanged([this] { OnFieldEditorShown(); });
    RememberFieldEditor();
    // A row of its own below the toolbars' row, fixed there.
    m_ctrl->Manager().AddPane(m_fieldPanel, wxAuiPaneInfo()
                                                .Name("FieldEditor")
                                                .ToolbarPane()
                                                .Top()
                                                .Row(m_toolbarRows)
                                                .Gripper(false)
                                                .Floatable(false)
                                                .Movable(false)
                                                .BestSize(m_fieldPanel->GetMinSize()));
    m_ctrl->Manager().Update();
}

void ModellerFrame::OnFieldEditorShown()
{
    if (!m_fieldEditor)
        return;
    m_fieldEditor->ShowModel();
    RememberFieldEditor();
    // A longer name ("Height" for "X") widens the strip; it never shrinks
    // back, so the toolbars above do not jump as the fields change.
    const wxSize room = m_fieldPanel->GetMinSize();
    const int wanted = m_fieldEditor->GetShownWidth() + 4;
    if (wanted > room.x) {
        m_fieldPanel->SetMinSize(wxSize(wanted, room.y));
        wxAuiPaneInfo &strip = m_ctrl->Manager().GetPane(m_fieldPanel);
        if (strip.IsOk()) {
            strip.BestSize(m_fieldPanel->GetMinSize());
            m_ctrl->Manager().Update();
        }
    }
}

void ModellerFrame::RememberFieldEditor()
{
    SgVectorFieldModel &model = m_fieldEditor->Model();
    m_fieldNumbers.assign(static_cast<size_t>(model.GetRowCount()), 0.0);
    model.GetVector(m_fieldNumbers.data());
}

void ModellerFrame::OnFieldEditorTaken()
{
    SgVectorFieldModel &model = m_fieldEditor->Model();
    std::vector<double> numbers(static_cast<size_t>(model.GetRowCount()), 0.0);
    model.GetVector(numbers.data());
    if (numbers == m_fieldNumbers)
        return;
    m_fieldNumbers = numbers;
    m_facade->GetFieldEditing().TakeNumbers();
}

SgWxGLWindow *ModellerFrame::CreateCanvas()
{
    return m_ctrl->GetCanvas();
}

SgWxGLWindow *ModellerFrame::GetCanvas() const
{
    return m_ctrl->GetCanvas();
}

void ModellerFrame::ShowSceneTree(bool show)
{
    m_ctrl->ShowSceneTree(show);
}

bool ModellerFrame::IsSceneTreeShown() const
{
    return m_ctrl->IsSceneTreeShown();
}

arbelo::SgWxSceneTree *ModellerFrame::GetSceneTree() const
{
    return m_ctrl->GetSceneTree();
}

int ModellerFrame::ItemOf(int command)
{
    return FennixCtrl::ItemOf(command);
}

void ModellerFrame::SetCanvasSize(int width, int height)
{
    // The chrome's height depends on the rows the control's panes take.
    SgWxGLWindow *canvas = m_ctrl->GetCanvas();
    ArrangeToolbars(width);
    SetClientSize(width, height);
    Layout();
    m_ctrl->Manager().Update();
    if (!canvas)
        return;
    const wxSize shown = canvas->GetSize();
    SetClientSize(width + width - shown.x, height + GetClientSize().y - shown.y);
    Layout();
    m_ctrl->Manager().Update();
}

void ModellerFrame::OnCommand(wxCommandEvent &event)
{
    const drevon::CommandReport report =
        drevon::RunCommandReported(FennixCtrl::CommandOf(event.GetId()), *m_facade, *this);
    if (!report.ran && !report.refused) {
        event.Skip();
        return;
    }
    ShowStatus(report.text);
}

void ModellerFrame::DoGiveHelp(const wxString &text, bool show)
{
    wxFrame::DoGiveHelp(text, show);
    // Only a help shown: the text the closing menu puts back was heard before.
    if (show && !text.empty() && m_ctrl)
        m_ctrl->Control().Fire("StatusText", {fennix::DispValue::Str(text.utf8_string())});
}

void ModellerFrame::ShowStatus(const std::string &text)
{
    SetStatusText(wxString::FromUTF8(text));
    // Scripts hear it too (the window's channel serves this control).
    if (m_ctrl)
        m_ctrl->Control().Fire("StatusText", {fennix::DispValue::Str(text)});
}

void ModellerFrame::ShowWorkProgress(const SgProgressReport &report)
{
    // Work on another thread is seen through its result, not on the line.
    if (!wxThread::IsMain())
        return;
    ShowStatus(report.Ended() ? std::string() : report.text);
    // The work holds the window's loop: only the status bar is painted now,
    // so that nothing of the half-made scene is drawn and no click is taken.
    if (wxStatusBar *bar = GetStatusBar())
        bar->Update();
}

void ModellerFrame::OnUpdate(wxUpdateUIEvent &event)
{
    const int id = FennixCtrl::CommandOf(event.GetId());
    event.Enable(drevon::IsCommandEnabled(id, *m_facade));
    const CommandRecord *entry = drevon::FindCommand(id);
    if (entry && entry->check)
        event.Check(drevon::IsCommandChecked(id, *m_facade, *this));
}

void ModellerFrame::Print()
{
    SgViewer *viewer = m_facade->GetCurrentViewer();
    if (!viewer)
        return;
    SgPrint print(viewer);
    print.Print();
}

void ModellerFrame::Exit()
{
    Close();
}

void ModellerFrame::ShowToolbar(drevon::Toolbar toolbar, bool show)
{
    m_ctrl->ShowToolbar(toolbar, show);
}

bool ModellerFrame::IsToolbarShown(drevon::Toolbar toolbar) const
{
    return m_ctrl->IsToolbarShown(toolbar);
}

void ModellerFrame::About()
{
    wxAboutDialogInfo info;
    info.SetName("fennix");
    info.SetDescription("A modeller for scenes of objects, solids and animations.");
    wxAboutBox(info, this);
}
