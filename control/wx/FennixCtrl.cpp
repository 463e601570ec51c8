#include "control/wx/FennixCtrl.h"

#include <algorithm>
#include <string>
#include <vector>

#include <wx/aboutdlg.h>
#include <wx/app.h>
#include <wx/artprov.h>
#include <wx/choice.h>
#include <wx/aui/framemanager.h>
#include <wx/dcmemory.h>
#include <wx/toolbar.h>

#include "control/wx/SgWxDialogFactory.h"
#include "engine/viewer/SgPrint.h"
#include "facade/CDrevon.h"
#include "facade/CommandStatus.h"
#include "platform/wx/SgWxGLWindow.h"
#include "platform/wx/SgWxTimerService.h"
#include "treepanel/wx/SgWxSceneTree.h"

using drevon::CommandRecord;
using drevon::Glyph;

namespace {

// Commands start at 32768; the toolkit's items stop below 0x7fff.
constexpr int kItemOffset = 32768 - 10000;
const char *const kToolbarNames[] = {"Main", "Tools", "View"};
const char *const kTreePaneName = "SceneTree";
constexpr int kIdleMilliseconds = 100;
constexpr int kStartMilliseconds = 100;

// The small pictures of the tools, drawn here in one colour on a clear ground.
wxBitmap DrawGlyph(Glyph glyph, const char *text)
{
    const int s = FennixCtrl::kIconSize;
    wxBitmap bitmap(s, s, 32);
    bitmap.UseAlpha();
    wxMemoryDC dc(bitmap);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    const wxColour ink(40, 70, 140);
    dc.SetPen(wxPen(ink, 2));
    dc.SetBrush(wxBrush(wxColour(150, 180, 230)));
    switch (glyph) {
    case Glyph::Sphere:
        dc.DrawCircle(s / 2, s / 2, s / 2 - 3);
        break;
    case Glyph::Box:
        dc.DrawRectangle(4, 6, s - 10, s - 10);
        dc.DrawLine(4, 6, 8, 2);
        dc.DrawLine(s - 6, 6, s - 2, 2);
        dc.DrawLine(8, 2, s - 2, 2);
        break;
    case Glyph::Cylinder:
        dc.DrawRectangle(4, 5, s - 8, s - 10);
        dc.DrawEllipse(4, 2, s - 8, 6);
        break;
    case Glyph::Cone: {
        const wxPoint points[] = {{s / 2, 2}, {3, s - 4}, {s - 3, s - 4}};
        dc.DrawPolygon(3, points);
        break;
    }
    case Glyph::Curve: {
        const wxPoint points[] = {{2, s - 3}, {7, 4}, {13, s - 6}, {s - 2, 3}};
        dc.DrawLines(4, points);
        break;
    }
    case Glyph::Arrow: {
        const wxPoint points[] = {{5, 2}, {5, s - 4}, {9, s - 8}, {13, s - 2}, {15, s - 3}, {11, s - 9}, {16, s - 9}};
        dc.DrawPolygon(7, points);
        break;
    }
    case Glyph::Fence:
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.SetPen(wxPen(ink, 1, wxPENSTYLE_SHORT_DASH));
        dc.DrawRectangle(2, 3, s - 4, s - 6);
        break;
    case Glyph::Rotate:
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.DrawArc(s - 4, s / 2, 4, s / 2, s / 2, s / 2);
        dc.DrawLine(s - 4, s / 2, s - 7, s / 2 - 4);
        break;
    case Glyph::Move:
        dc.DrawLine(s / 2, 2, s / 2, s - 2);
        dc.DrawLine(2, s / 2, s - 2, s / 2);
        dc.DrawLine(s / 2, 2, s / 2 - 3, 5);
        dc.DrawLine(s / 2, 2, s / 2 + 3, 5);
        dc.DrawLine(s - 2, s / 2, s - 5, s / 2 - 3);
        dc.DrawLine(s - 2, s / 2, s - 5, s / 2 + 3);
        break;
    case Glyph::Scale:
        dc.DrawRectangle(2, s / 2, s / 2 - 2, s / 2 - 2);
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.DrawRectangle(2, 2, s - 4, s - 4);
        break;
    case Glyph::Pan:
        dc.DrawLine(2, s / 2, s - 2, s / 2);
        dc.DrawLine(s / 2, 2, s / 2, s - 2);
        dc.DrawCircle(s / 2, s / 2, 3);
        break;
    case Glyph::Zoom:
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.DrawCircle(8, 8, 6);
        dc.DrawLine(12, 12, s - 2, s - 2);
        break;
    case Glyph::Fly: {
        const wxPoint points[] = {{2, s / 2}, {s - 2, s / 2 - 5}, {s - 6, s / 2}, {s - 2, s / 2 + 5}};
        dc.DrawPolygon(4, points);
        break;
    }
    case Glyph::Pivot:
        // The object's box with its pivot: what a drag moves.
        dc.DrawRectangle(3, 5, s - 9, s - 9);
        dc.SetPen(wxPen(wxColour(200, 40, 40), 2));
        dc.DrawLine(s - 7, 2, s - 7, 12);
        dc.DrawLine(s - 12, 7, s - 2, 7);
        dc.SetBrush(*wxWHITE_BRUSH);
        dc.DrawCircle(s - 7, 7, 2);
        break;
    case Glyph::Perspective: {
        // A view's frustum: near side small, far side large.
        const wxPoint points[] = {{2, s / 2 - 3}, {s - 3, 2}, {s - 3, s - 3}, {2, s / 2 + 3}};
        dc.DrawPolygon(4, points);
        dc.DrawLine(s / 2, s / 2 - 6, s / 2, s / 2 + 6);
        break;
    }
    case Glyph::Tape:
        // A ruler with its marks.
        dc.DrawRectangle(1, s / 2 - 4, s - 2, 9);
        for (int x = 4; x < s - 2; x += 3)
            dc.DrawLine(x, s / 2 - 4, x, x % 2 ? s / 2 : s / 2 - 1);
        break;
    case Glyph::FrameAll: {
        // Corners of a frame round a small shape: everything fits the view.
        dc.DrawRectangle(s / 2 - 4, s / 2 - 4, 8, 8);
        const int e = 5;
        const wxPoint corners[4][3] = {{{1, e}, {1, 1}, {e, 1}},
                                       {{s - 1 - e, 1}, {s - 2, 1}, {s - 2, e}},
                                       {{1, s - 1 - e}, {1, s - 2}, {e, s - 2}},
                                       {{s - 1 - e, s - 2}, {s - 2, s - 2}, {s - 2, s - 1 - e}}};
        for (const auto &corner : corners)
            dc.DrawLines(3, corner);
        break;
    }
    case Glyph::ViewTop:
    case Glyph::ViewFront: {
        // A cube with the face the view looks at filled.
        const int d = 5;
        const wxPoint front[] = {{2, d + 2}, {s - 2 - d, d + 2}, {s - 2 - d, s - 2}, {2, s - 2}};
        const wxPoint top[] = {{2, d + 2}, {2 + d, 2}, {s - 2, 2}, {s - 2 - d, d + 2}};
        const wxPoint side[] = {{s - 2 - d, d + 2}, {s - 2, 2}, {s - 2, s - 2 - d}, {s - 2 - d, s - 2}};
        const wxBrush lit(wxColour(240, 160, 40));
        const wxBrush plain(wxColour(150, 180, 230));
        dc.SetBrush(glyph == Glyph::ViewFront ? lit : plain);
        dc.DrawPolygon(4, front);
        dc.SetBrush(glyph == Glyph::ViewTop ? lit : plain);
        dc.DrawPolygon(4, top);
        dc.SetBrush(plain);
        dc.DrawPolygon(4, side);
        break;
    }
    case Glyph::View:
    case Glyph::Text:
    case Glyph::Art:
        break;
    }
    if ((glyph == Glyph::View || glyph == Glyph::Text) && text && *text) {
        if (glyph == Glyph::View) {
            dc.SetBrush(*wxTRANSPARENT_BRUSH);
            dc.DrawRectangle(1, 1, s - 2, s - 2);
        }
        wxFont font(wxFontInfo(7).Bold());
        dc.SetFont(font);
        dc.SetTextForeground(ink);
        const wxString label = wxString::FromUTF8(text);
        const wxSize extent = dc.GetTextExtent(label);
        dc.DrawText(label, (s - extent.x) / 2, (s - extent.y) / 2);
    }
    dc.SelectObject(wxNullBitmap);
    return bitmap;
}

// The toolkit's timers behind the facades of every control standing: made
// by the first control, put away with the last.
std::shared_ptr<SgWxTimerService> SharedFennixTimers()
{
    static std::weak_ptr<SgWxTimerService> shared;
    std::shared_ptr<SgWxTimerService> timers = shared.lock();
    if (!timers) {
        timers = std::make_shared<SgWxTimerService>();
        shared = timers;
    }
    return timers;
}

// Where a pane stands: floating, or docked along a vertical or a horizontal side.
fennix::BarSizes::Where PlaceOf(const wxAuiPaneInfo &pane)
{
    if (pane.IsFloating())
        return fennix::BarSizes::kFloat;
    const bool vertical = pane.dock_direction == wxAUI_DOCK_LEFT || pane.dock_direction == wxAUI_DOCK_RIGHT;
    return vertical ? fennix::BarSizes::kVert : fennix::BarSizes::kHorz;
}

} // namespace

int FennixCtrl::ItemOf(int command)
{
    return command - kItemOffset;
}

int FennixCtrl::CommandOf(int item)
{
    return item + kItemOffset;
}

wxBitmap FennixCtrl::IconOf(const CommandRecord &entry)
{
    if (entry.glyph == Glyph::Art) {
        // The art ids are the toolkit's own strings ("wxART_UNDO").
        const wxBitmap art = wxArtProvider::GetBitmap(wxString::FromUTF8(entry.art), wxART_TOOLBAR,
                                                      wxSize(kIconSize, kIconSize));
        if (art.IsOk())
            return art;
        return DrawGlyph(Glyph::Text, entry.label[0] == '&' ? entry.label + 1 : entry.label);
    }
    return DrawGlyph(entry.glyph, entry.art);
}

FennixCtrl::FennixCtrl(wxWindow *parent, const fennix::FennixProperties &properties, wxWindowID id)
    : wxPanel(parent, id, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxCLIP_CHILDREN, "FennixCtrl"),
      m_owning(true)
{
    m_control.Properties() = properties;
    m_profile = properties.settingsProfile.empty() ? DefaultProfile(parent, this) : properties.settingsProfile;
    BuildFrame(properties.toolBarConfig);
    if (!m_canvas)
        return;
    // The facade's timers and dialogs are this window's while it stands.
    m_timers = SharedFennixTimers();
    if (!m_control.Create(static_cast<SgPlatformWindow *>(m_canvas)))
        return;
    m_pFacade = m_control.GetFacade();
    m_dialogs = std::make_unique<SgWxDialogFactory>(this);
    m_pFacade->GetDialogs().SetFactory(m_dialogs.get());
    m_pFacade->GetButtons().RegisterControlButtons(nullptr, nullptr, nullptr, nullptr);
    if (m_frameChoice)
        m_pFacade->GetCreation().SetFrameChoice(m_frameChoice->GetSelection());
    ConnectFacade();
    m_pFacade->GetButtons().postProcessButtons();
    if (IsSceneTreeShown())
        ShowSceneTree(true);
    // The session starts once, from the loop, when the first frame is due.
    m_startTimer.Bind(wxEVT_TIMER, [this](wxTimerEvent &event) {
        char text[64];
        std::snprintf(text, sizeof(text), "uMsg=%x idEvent=%x", static_cast<unsigned>(wxEVT_TIMER),
                      static_cast<unsigned>(event.GetId()));
        m_control.FireStartSession(text);
    });
    m_startTimer.StartOnce(kStartMilliseconds);
}

FennixCtrl::FennixCtrl(wxWindow *parent, drevon::CDrevon *facade, std::int32_t toolBarConfig, bool treeShown,
                       wxWindowID id)
    : wxPanel(parent, id, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxCLIP_CHILDREN, "FennixCtrl"),
      m_pFacade(facade)
{
    m_profile = DefaultProfile(parent, this);
    BuildFrame(toolBarConfig);
    if (!m_pFacade)
        return;
    ConnectFacade();
    if (!treeShown) {
        // Hidden from the start, not shown and hidden: nothing is built or
        // measured yet.
        m_manager->GetPane(m_tree).Hide();
        m_manager->Update();
    } else if (IsSceneTreeShown()) {
        ShowSceneTree(true);
    }
}

FennixCtrl::~FennixCtrl()
{
    m_startTimer.Stop();
    m_idleTimer.Stop();
    SaveTreeSizes();
    // A control that a host plugged into the facade it serves lets go first.
    if (!m_owning)
        m_control.Destroy();
    // Only this panel's listeners go; the host's and the control's stay theirs.
    m_buttonStates.Reset();
    m_dockable.Reset();
    m_dockableSlot.Reset();
    // The tree stops following the document before the facade can go.
    if (m_tree)
        m_tree->Attach(nullptr);
    if (m_canvas)
        m_canvas->EndInteraction();
    if (m_manager)
        m_manager->UnInit();
    if (m_owning) {
        if (m_pFacade) {
            m_pFacade->GetDialogs().CloseAll();
            m_pFacade->GetDialogs().SetFactory(nullptr);
        }
        m_control.Destroy();
        m_pFacade = nullptr;
    }
}

std::string FennixCtrl::DefaultProfile(wxWindow *parent, const wxWindow *self)
{
    std::string program = wxTheApp ? wxTheApp->GetAppName().utf8_string() : std::string();
    if (program.empty())
        program = "Fennix";
    // Controls made before this one in the same window.
    int earlier = 0;
    if (wxWindow *top = parent ? wxGetTopLevelParent(parent) : nullptr) {
        std::vector<wxWindow *> pending{top};
        while (!pending.empty()) {
            wxWindow *window = pending.back();
            pending.pop_back();
            if (window != self && dynamic_cast<FennixCtrl *>(window))
                ++earlier;
            for (wxWindow *child : window->GetChildren())
                pending.push_back(child);
        }
    }
    return earlier == 0 ? program : program + "-" + std::to_string(earlier + 1);
}

void FennixCtrl::BuildFrame(std::int32_t toolBarConfig)
{
    m_building = true;
    // The docks take their first sizes from the window's: the parent's
    // whole client area, as it will be once laid out.
    if (wxWindow *parent = GetParent())
        SetSize(parent->GetClientSize());
    m_manager = std::make_unique<wxAuiManager>(this, wxAUI_MGR_DEFAULT | wxAUI_MGR_LIVE_RESIZE);
    // A pane comes back at the size it was left at, not at most a third of
    // the window as the manager would have it.
    m_manager->SetDockSizeConstraint(0.8, 0.8);
    m_canvas = SgWxGLWindow::Create(this);
    if (!m_canvas)
        return;
    m_manager->AddPane(m_canvas, wxAuiPaneInfo().Name("Canvas").CentrePane().PaneBorder(false));
    BuildToolbars();
    BuildTreePane();
    m_panes.Start(toolBarConfig);
    m_building = false;
    int count = 0;
    const CommandRecord *commands = drevon::GetCommands(count);
    for (int i = 0; i < count; ++i) {
        if (!commands[i].menu && commands[i].toolbar == drevon::kNoToolbar)
            continue;  // reached by its button, key or script only
        Bind(wxEVT_TOOL, &FennixCtrl::OnCommand, this, ItemOf(commands[i].id));
        Bind(wxEVT_UPDATE_UI, &FennixCtrl::OnUpdate, this, ItemOf(commands[i].id));
    }
    m_manager->Bind(wxEVT_AUI_PANE_CLOSE, &FennixCtrl::OnPaneClose, this);
    // The buttons follow the facade also where the host's loop runs no idle
    // updates of its own.
    m_idleTimer.Bind(wxEVT_TIMER, [this](wxTimerEvent &) { UpdateToolbars(); });
    m_idleTimer.Start(kIdleMilliseconds);
}

void FennixCtrl::BuildToolbars()
{
    // The control's own layout has the view toolbar down the left side; a
    // host's window (the modeller's) has all three in rows along the top.
    const bool viewOnLeft = m_owning;
    for (int t = 0; t < drevon::kToolbarCount; ++t) {
        const bool vertical = viewOnLeft && t == drevon::kViewToolbar;
        auto *toolbar = new wxToolBar(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                      (vertical ? wxTB_VERTICAL : wxTB_HORIZONTAL) | wxTB_FLAT | wxTB_NODIVIDER);
        toolbar->SetToolBitmapSize(wxSize(kIconSize, kIconSize));
        toolbar->SetName(kToolbarNames[t]);
        m_toolbars[t] = toolbar;
    }
    int count = 0;
    const CommandRecord *commands = drevon::GetCommands(count);
    for (int i = 0; i < count; ++i) {
        const CommandRecord &entry = commands[i];
        if (entry.toolbar == drevon::kNoToolbar)
            continue;
        wxString label = wxString::FromUTF8(entry.label);
        label.Replace("&", "");
        // The help goes to the window's status line too while the pointer
        // is over the button, as a menu entry's does while highlighted.
        const wxString help = wxString::FromUTF8(entry.tooltip);
        m_toolbars[entry.toolbar]->AddTool(ItemOf(entry.id), label, IconOf(entry), wxBitmapBundle(),
                                           entry.check ? wxITEM_CHECK : wxITEM_NORMAL, help, help);
    }
    if (m_owning) {
        // The frame the move, turn and scale handles work in, on the first
        // toolbar; the facade reads the choice when a handle tool starts.
        int count = 0;
        const char *const *names = drevon::Creation::GetFrameNames(count);
        wxArrayString choices;
        for (int i = 0; i < count; ++i)
            choices.Add(wxString::FromUTF8(names[i]));
        m_frameChoice = new wxChoice(m_toolbars[0], wxID_ANY, wxDefaultPosition, wxSize(95, -1), choices);
        m_frameChoice->SetName("FrameCombo");
        m_frameChoice->SetToolTip("The frame the handles move, turn and scale in");
        m_frameChoice->SetSelection(0);
        m_frameChoice->Bind(wxEVT_CHOICE, [this](wxCommandEvent &) {
            if (!m_pFacade)
                return;
            m_pFacade->GetCreation().SetFrameChoice(m_frameChoice->GetSelection());
            m_pFacade->GetCreation().OnChangeToolFrame(0);
        });
        m_toolbars[0]->AddSeparator();
        m_toolbars[0]->AddControl(m_frameChoice);
    }
    for (int t = 0; t < drevon::kToolbarCount; ++t) {
        wxToolBar *toolbar = m_toolbars[t];
        toolbar->Realize();
        // A toolbar keeps the direction it was made with, so it docks only
        // along the sides of that direction.
        const bool vertical = viewOnLeft && t == drevon::kViewToolbar;
        wxAuiPaneInfo pane;
        pane.Name(kToolbarNames[t]).Caption(kToolbarNames[t]).ToolbarPane().BestSize(toolbar->GetBestSize());
        if (vertical)
            pane.Left().TopDockable(false).BottomDockable(false);
        else
            pane.Top().Row(t).LeftDockable(false).RightDockable(false);
        m_manager->AddPane(toolbar, pane);
    }
}

void FennixCtrl::BuildTreePane()
{
    m_treeSizes.Load(m_profile, kTreePaneId);
    m_tree = new arbelo::SgWxSceneTree(this);
    fennix::BarSizes::Size vert = m_treeSizes.Get(fennix::BarSizes::kVert);
    // A size kept from a wider window leaves the view at least half of this one.
    const wxSize room = GetSize();
    if (room.x > 0 && vert.cx > room.x / 2)
        vert.cx = std::max<int>(fennix::BarSizes::kMinVert.cx, room.x / 2);
    const fennix::BarSizes::Size floating = m_treeSizes.Get(fennix::BarSizes::kFloat);
    const fennix::BarSizes::Size minimum = fennix::BarSizes::kMinVert;
    m_manager->AddPane(m_tree, wxAuiPaneInfo()
                                   .Name(kTreePaneName)
                                   .Caption("Scene Tree")
                                   .Left()
                                   .Layer(1)
                                   .BestSize(vert.cx, vert.cy)
                                   .MinSize(minimum.cx, minimum.cy)
                                   .FloatingSize(floating.cx, floating.cy)
                                   .CloseButton(true)
                                   .Floatable(true)
                                   .Dockable(true));
}

void FennixCtrl::ConnectFacade()
{
    m_buttonStates = m_pFacade->GetHostEvents().SubscribeButtonState([this](int button, int state) { OnButtonState(button, state); });
    m_dockable = m_pFacade->GetHostEvents().SubscribeDockable([this](int how) { m_panes.ShowAllDocable(how); });
    m_dockableSlot = m_pFacade->GetHostEvents().SubscribeDockableSlot([this](int slot, int show) { m_panes.ShowDockable(slot, show); });
}

wxToolBar *FennixCtrl::GetToolbar(int index) const
{
    return index >= 0 && index < drevon::kToolbarCount ? m_toolbars[index] : nullptr;
}

void FennixCtrl::OnCommand(wxCommandEvent &event)
{
    if (!m_pFacade) {
        event.Skip();
        return;
    }
    const drevon::CommandReport report = drevon::RunCommandReported(CommandOf(event.GetId()), *m_pFacade, *this);
    if (!report.ran && !report.refused) {
        event.Skip();
        return;
    }
    if (m_reportListener)
        m_reportListener(report.text);
}

void FennixCtrl::OnUpdate(wxUpdateUIEvent &event)
{
    if (!m_pFacade) {
        event.Enable(false);
        return;
    }
    const int id = CommandOf(event.GetId());
    event.Enable(drevon::IsCommandEnabled(id, *m_pFacade));
    const CommandRecord *entry = drevon::FindCommand(id);
    if (entry && entry->check)
        event.Check(drevon::IsCommandChecked(id, *m_pFacade, *this));
}

void FennixCtrl::UpdateToolbars()
{
    if (!IsShownOnScreen())
        return;
    for (wxToolBar *toolbar : m_toolbars)
        if (toolbar && toolbar->IsShown())
            toolbar->UpdateWindowUI(wxUPDATE_UI_FROMIDLE);
    FollowTreePlace();
}

wxAuiPaneInfo *FennixCtrl::ShownTreePane() const
{
    if (!m_tree || !m_treeAttached)
        return nullptr;
    wxAuiPaneInfo &pane = m_manager->GetPane(m_tree);
    // A pane never laid out on screen has no size of the user's.
    if (!pane.IsOk() || !pane.IsShown() || !m_tree->IsShownOnScreen())
        return nullptr;
    return &pane;
}

void FennixCtrl::FollowTreePlace()
{
    wxAuiPaneInfo *shown = ShownTreePane();
    if (!shown)
        return;
    wxAuiPaneInfo &pane = *shown;
    const int place = PlaceOf(pane);
    if (place == m_treePlace || m_treePlace < 0) {
        // The size the user gives the pane where it is now.
        m_treePlace = place;
        TakeTreeSize();
        return;
    }
    // Docked along another side (or floated): the size it had there before.
    m_treePlace = place;
    const fennix::BarSizes::Size kept = m_treeSizes.Get(static_cast<fennix::BarSizes::Where>(place));
    if (place == fennix::BarSizes::kFloat) {
        if (m_tree->GetSize() != wxSize(kept.cx, kept.cy)) {
            pane.FloatingSize(kept.cx, kept.cy);
            m_manager->Update();
        }
        return;
    }
    // A dock made anew takes its pane's best size.
    pane.BestSize(kept.cx, kept.cy).Hide();
    m_manager->Update();
    m_manager->GetPane(m_tree).Show();
    m_manager->Update();
}

void FennixCtrl::OnButtonState(int button, int state)
{
    const drevon::ButtonTable::ButtonData *entry = m_pFacade ? m_pFacade->GetButtons().GetButtonDataByIndex(button) : nullptr;
    if (entry && entry->commandId > 0) {
        const int item = ItemOf(entry->commandId);
        for (wxToolBar *toolbar : m_toolbars)
            if (wxToolBarToolBase *tool = toolbar ? toolbar->FindById(item) : nullptr; tool && tool->CanBeToggled())
                toolbar->ToggleTool(item, state != 0);
        if (m_buttonListener)
            m_buttonListener(item, state != 0);
    }
}

// ---- panes -----------------------------------------------------------------------------

bool FennixCtrl::HasPane(int slot) const
{
    if (slot >= 0 && slot < drevon::kToolbarCount)
        return m_toolbars[slot] != nullptr;
    return slot == fennix::DockPanes::kTreeSlot && m_tree != nullptr;
}

bool FennixCtrl::IsPaneShown(int slot) const
{
    if (!HasPane(slot))
        return false;
    wxWindow *window = slot == fennix::DockPanes::kTreeSlot ? static_cast<wxWindow *>(m_tree) : m_toolbars[slot];
    return m_manager->GetPane(window).IsShown();
}

void FennixCtrl::ShowPane(int slot, bool show)
{
    if (!HasPane(slot))
        return;
    if (slot == fennix::DockPanes::kTreeSlot) {
        if (!show)
            TakeTreeSize();
        else if (m_pFacade && !m_treeAttached && !m_building) {
            // Built when first shown: until then it follows nothing.
            m_tree->Attach(m_pFacade->GetDocument());
            m_treeAttached = true;
        } else if (m_treeAttached) {
            m_tree->Panel().RefreshTree();
        }
        m_manager->GetPane(m_tree).Show(show);
        return;
    }
    m_manager->GetPane(m_toolbars[slot]).Show(show);
}

void FennixCtrl::PanesChanged()
{
    // The view has a sunken edge while any pane stands beside it, unless the
    // ClientFrame property says otherwise (a host's window keeps its own).
    if (m_owning && m_canvas && m_control.Properties().clientFrame == -1) {
        bool any = false;
        for (int slot = 0; slot < fennix::DockPanes::kSlotCount; ++slot)
            any = any || IsPaneShown(slot);
        m_manager->GetPane(m_canvas).PaneBorder(any);
    }
    m_manager->Update();
}

void FennixCtrl::OnPaneClose(wxAuiManagerEvent &event)
{
    if (event.GetPane() && event.GetPane()->window == m_tree)
        TakeTreeSize();
    event.Skip();
}

void FennixCtrl::TakeTreeSize()
{
    wxAuiPaneInfo *shown = ShownTreePane();
    if (!shown)
        return;
    wxAuiPaneInfo &pane = *shown;
    if (pane.IsFloating()) {
        const wxSize size = pane.floating_size;
        if (size.x > 0 && size.y > 0)
            m_treeSizes.Set(fennix::BarSizes::kFloat, {size.x, size.y});
        return;
    }
    const wxSize size = m_tree->GetSize();
    if (size.x <= 0 || size.y <= 0)
        return;
    const fennix::BarSizes::Where where = PlaceOf(pane);
    m_treeSizes.Set(where, {size.x, size.y});
    // Shown again, the pane opens a new dock at its best size: the one it had.
    const fennix::BarSizes::Size kept = m_treeSizes.Get(where);
    pane.BestSize(kept.cx, kept.cy);
}

bool FennixCtrl::SaveTreeSizes()
{
    // Sizes are the user's only once the pane was shown.
    if (!m_treeAttached)
        return true;
    TakeTreeSize();
    return m_treeSizes.Save(m_profile, kTreePaneId);
}

// ---- host actions ----------------------------------------------------------------------

void FennixCtrl::Print()
{
    if (m_pHost) {
        m_pHost->Print();
        return;
    }
    SgViewer *viewer = m_pFacade ? m_pFacade->GetCurrentViewer() : nullptr;
    if (!viewer)
        return;
    SgPrint print(viewer);
    print.Print();
}

void FennixCtrl::Exit()
{
    if (m_pHost) {
        m_pHost->Exit();
        return;
    }
    if (wxWindow *top = wxGetTopLevelParent(this))
        top->Close();
}

void FennixCtrl::About()
{
    if (m_pHost) {
        m_pHost->About();
        return;
    }
    wxAboutDialogInfo info;
    info.SetName("Fennix");
    info.SetDescription("An embeddable modeller for scenes of objects, solids and animations.");
    wxAboutBox(info, this);
}

void FennixCtrl::ShowToolbar(drevon::Toolbar toolbar, bool show)
{
    if (toolbar >= 0 && toolbar < drevon::kToolbarCount)
        m_panes.ShowDockable(toolbar, show ? 1 : 0);
}

bool FennixCtrl::IsToolbarShown(drevon::Toolbar toolbar) const
{
    return toolbar >= 0 && toolbar < drevon::kToolbarCount && IsPaneShown(toolbar);
}

void FennixCtrl::ShowSceneTree(bool show)
{
    if (show && IsSceneTreeShown() && !m_treeAttached) {
        // Shown from the start: built now that there is a document.
        ShowPane(fennix::DockPanes::kTreeSlot, true);
        return;
    }
    if (show != IsSceneTreeShown())
        m_panes.ShowDockable(fennix::DockPanes::kTreeSlot, show ? 1 : 0);
}

bool FennixCtrl::IsSceneTreeShown() const
{
    return IsPaneShown(fennix::DockPanes::kTreeSlot);
}
