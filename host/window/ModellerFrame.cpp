#include "host/window/ModellerFrame.h"

#include <map>
#include <string>

#include <wx/artprov.h>
#include <wx/aboutdlg.h>
#include <wx/dcmemory.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/splitter.h>
#include <wx/toolbar.h>
#include <wx/wrapsizer.h>

#include "engine/viewer/SgPrint.h"
#include "facade/CDrevon.h"
#include "platform/controls/SgVectorFieldModel.h"
#include "platform/wx/SgWxControls.h"
#include "platform/wx/SgWxGLWindow.h"
#include "treepanel/wx/SgWxSceneTree.h"

using modeller::CommandEntry;
using modeller::Glyph;

namespace {

constexpr int kIconSize = 20;
// The scene tree's pane, left of the view.
constexpr int kTreePaneWidth = 240;

// The toolkit takes item ids below 0x7fff only; the commands' ids start at
// 32768, so the window's items carry them moved down.
constexpr int kItemOffset = 32768 - 10000;
int ItemId(int command)
{
    return command - kItemOffset;
}
int CommandOf(int item)
{
    return item + kItemOffset;
}

// The small pictures of the tools, drawn here in one colour on a clear ground.
wxBitmap DrawGlyph(Glyph glyph, const char *text)
{
    wxBitmap bitmap(kIconSize, kIconSize, 32);
    bitmap.UseAlpha();
    wxMemoryDC dc(bitmap);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    const wxColour ink(40, 70, 140);
    dc.SetPen(wxPen(ink, 2));
    dc.SetBrush(wxBrush(wxColour(150, 180, 230)));
    const int s = kIconSize;
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

wxBitmap IconOf(const CommandEntry &entry)
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

wxString MenuLabel(const CommandEntry &entry)
{
    wxString label = wxString::FromUTF8(entry.label);
    if (entry.accelerator)
        label += "\t" + wxString::FromUTF8(entry.accelerator);
    return label;
}

} // namespace

ModellerFrame::ModellerFrame(const wxString &title, drevon::CDrevon *facade)
    : wxFrame(nullptr, wxID_ANY, title, wxDefaultPosition, wxDefaultSize), m_facade(facade)
{
    m_sizer = new wxBoxSizer(wxVERTICAL);
    SetSizer(m_sizer);
    BuildMenus();
    BuildToolbars();
    BuildFieldEditor();
    int count = 0;
    const CommandEntry *commands = modeller::GetCommands(count);
    for (int i = 0; i < count; ++i) {
        Bind(wxEVT_MENU, &ModellerFrame::OnCommand, this, ItemId(commands[i].id));
        Bind(wxEVT_UPDATE_UI, &ModellerFrame::OnUpdate, this, ItemId(commands[i].id));
    }
    m_facade->SetHostButtonStateCallback(&ModellerFrame::OnButtonState, this);
    // A key a menu runs is not run a second time by the facade's shortcuts.
    m_facade->SetMenuKeys(modeller::MenuKeys());
}

ModellerFrame::~ModellerFrame()
{
    m_facade->SetHostButtonStateCallback(nullptr, nullptr);
    // The editor's controls outlive this body; they stop using the facade's
    // numbers now.
    m_facade->SetVectorEditorChangedCallback(nullptr, nullptr);
    if (m_fieldEditor) {
        m_fieldEditor->SetChangeCallback(nullptr);
        for (int i = 0; CNumSpinCtrl *spin = m_fieldEditor->GetNumSpin(i); ++i)
            spin->UseModel(nullptr);
    }
    // The tree stops following the document before the facade can go.
    if (m_tree)
        m_tree->Attach(nullptr);
}

void ModellerFrame::BuildMenus()
{
    auto *bar = new wxMenuBar;
    int menuCount = 0;
    const char *const *menus = modeller::GetMenus(menuCount);
    int count = 0;
    const CommandEntry *commands = modeller::GetCommands(count);
    for (int m = 0; m < menuCount; ++m) {
        auto *menu = new wxMenu;
        for (int i = 0; i < count; ++i) {
            const CommandEntry &entry = commands[i];
            if (std::string(entry.menu) != menus[m])
                continue;
            // Exit sits apart at the end of its menu, as usual.
            if (entry.id == modeller::kHostExit)
                menu->AppendSeparator();
            auto *item = new wxMenuItem(menu, ItemId(entry.id), MenuLabel(entry), wxString::FromUTF8(entry.tooltip),
                                        entry.check ? wxITEM_CHECK : wxITEM_NORMAL);
            menu->Append(item);
        }
        bar->Append(menu, "&" + wxString::FromUTF8(menus[m]));
    }
    SetMenuBar(bar);
}

void ModellerFrame::BuildToolbars()
{
    // The toolbars wrap to a second row in a narrow window.
    m_toolRow = new wxWrapSizer(wxHORIZONTAL);
    for (int t = 0; t < modeller::kToolbarCount; ++t) {
        auto *toolbar = new wxToolBar(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                      wxTB_HORIZONTAL | wxTB_FLAT | wxTB_NODIVIDER);
        toolbar->SetToolBitmapSize(wxSize(kIconSize, kIconSize));
        static const char *const kNames[] = {"Main", "Tools", "View"};
        toolbar->SetName(kNames[t]);
        m_toolbars[t] = toolbar;
        m_toolRow->Add(toolbar, 0, wxRIGHT, 8);
    }
    int count = 0;
    const CommandEntry *commands = modeller::GetCommands(count);
    for (int i = 0; i < count; ++i) {
        const CommandEntry &entry = commands[i];
        if (entry.toolbar == modeller::kNoToolbar)
            continue;
        wxString label = wxString::FromUTF8(entry.label);
        label.Replace("&", "");
        m_toolbars[entry.toolbar]->AddTool(ItemId(entry.id), label, IconOf(entry), wxString::FromUTF8(entry.tooltip),
                                           entry.check ? wxITEM_CHECK : wxITEM_NORMAL);
    }
    for (wxToolBar *toolbar : m_toolbars)
        toolbar->Realize();
    m_sizer->Add(m_toolRow, 0, wxEXPAND);
}

void ModellerFrame::BuildFieldEditor()
{
    // X, Y and Z of a vector, the angle of a rotation, and two rows the
    // fields under edit name.
    static const char *const kNames[] = {"X", "Y", "Z", "Angle", "Value", "Value"};
    SgVectorFieldModel *model = m_facade->CreateVectorFieldEdit(6, kNames);
    m_fieldPanel = new wxPanel(this, wxID_ANY);
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
    m_facade->SetVectorEditorChangedCallback(&ModellerFrame::OnFieldEditorShown, this);
    RememberFieldEditor();
    m_sizer->Add(m_fieldPanel, 0, wxEXPAND | wxBOTTOM, 2);
}

void ModellerFrame::OnFieldEditorShown(void *data)
{
    auto *frame = static_cast<ModellerFrame *>(data);
    if (!frame->m_fieldEditor)
        return;
    frame->m_fieldEditor->ShowModel();
    frame->RememberFieldEditor();
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
    drevon::CDrevon::UpdateCurrentField(m_facade);
}

SgWxGLWindow *ModellerFrame::CreateCanvas()
{
    // The view fills the splitter until the scene tree's pane is shown
    // beside it.
    m_split = new wxSplitterWindow(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSP_LIVE_UPDATE | wxSP_NOBORDER);
    m_split->SetMinimumPaneSize(60);
    m_canvas = SgWxGLWindow::Create(m_split);
    if (!m_canvas) {
        m_split->Destroy();
        m_split = nullptr;
        return nullptr;
    }
    m_split->Initialize(m_canvas);
    m_sizer->Add(m_split, 1, wxEXPAND);
    return m_canvas;
}

void ModellerFrame::ShowSceneTree(bool show)
{
    if (!m_split || !m_canvas || show == IsSceneTreeShown())
        return;
    if (!show) {
        m_split->Unsplit(m_tree);
        return;
    }
    if (!m_tree) {
        m_tree = new arbelo::SgWxSceneTree(m_split);
        m_tree->Attach(m_facade->GetDocument());
    } else {
        m_tree->Panel().RefreshTree();
    }
    m_split->SplitVertically(m_tree, m_canvas, kTreePaneWidth);
}

bool ModellerFrame::IsSceneTreeShown() const
{
    return m_split && m_tree && m_split->IsSplit();
}

int ModellerFrame::ItemOf(int command)
{
    return ItemId(command);
}

void ModellerFrame::SetCanvasSize(int width, int height)
{
    // The row's height depends on how the toolbars wrap at this width.
    SetClientSize(width, height);
    Layout();
    SetClientSize(width, height + GetClientSize().y - (m_canvas ? m_canvas->GetSize().y : height));
    Layout();
}

void ModellerFrame::OnCommand(wxCommandEvent &event)
{
    if (!modeller::RunCommand(CommandOf(event.GetId()), *m_facade, *this))
        event.Skip();
}

void ModellerFrame::OnUpdate(wxUpdateUIEvent &event)
{
    const int id = CommandOf(event.GetId());
    event.Enable(modeller::IsCommandEnabled(id, *m_facade));
    const CommandEntry *entry = modeller::FindCommand(id);
    if (entry && entry->check)
        event.Check(modeller::IsCommandChecked(id, *m_facade, *this));
}

void ModellerFrame::OnButtonState(void *data, int button, int state)
{
    auto *frame = static_cast<ModellerFrame *>(data);
    const drevon::CDrevon::ButtonData *entry = frame->m_facade->GetButtonDataByIndex(button);
    if (!entry || entry->commandId <= 0)
        return;
    const int item = ItemId(entry->commandId);
    for (wxToolBar *toolbar : frame->m_toolbars)
        if (wxToolBarToolBase *tool = toolbar ? toolbar->FindById(item) : nullptr; tool && tool->CanBeToggled())
            toolbar->ToggleTool(item, state != 0);
    if (wxMenuBar *bar = frame->GetMenuBar())
        if (wxMenuItem *menuItem = bar->FindItem(item); menuItem && menuItem->IsCheckable())
            menuItem->Check(state != 0);
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

void ModellerFrame::ShowToolbar(modeller::Toolbar toolbar, bool show)
{
    if (toolbar < 0 || toolbar >= modeller::kToolbarCount)
        return;
    m_toolRow->Show(m_toolbars[toolbar], show);
    Layout();
}

bool ModellerFrame::IsToolbarShown(modeller::Toolbar toolbar) const
{
    return toolbar >= 0 && toolbar < modeller::kToolbarCount && m_toolbars[toolbar]->IsShown();
}

void ModellerFrame::About()
{
    wxAboutDialogInfo info;
    info.SetName("fennix");
    info.SetDescription("A modeller for scenes of objects, solids and animations.");
    wxAboutBox(info, this);
}
