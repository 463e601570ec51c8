// The record of every command, and what reads it for the menus, toolbars
// and windows: running a command, its enable and check states.
#include "facade/CommandRecord.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>

#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/viewer/SgViewer.h"
#include "facade/CDrevon.h"
#include "facade/CommandOperation.h"
#include "platform/Notifier.h"
#include "platform/SgDiagnostics.h"
#include "platform/window/SgPlatformWindow.h"
#include "platform/window/SgWindowMessages.h"

namespace drevon {

namespace {

// The snap-to-surface flag's button in the control's table.
constexpr int kSnapSurfaceButton = 122;

const char *const kCommandMenus[] = {"File", "Edit", "View", "Create", "Modify", "Selection", "Window", "Help"};

// ---- The window commands' functions ----------------------------------------------------

bool HasSelection(CDrevon &facade)
{
    return facade.GetSelectionEditing().NonemptySelection(0);
}
bool HasSeveralSelected(CDrevon &facade)
{
    return facade.GetSelectionEditing().MoreThanOneSelected(0);
}
bool HasOneSelected(CDrevon &facade)
{
    return facade.GetModelling().UpdateSelectedOne(0);
}
bool HasCurrentViewer(CDrevon &facade)
{
    return facade.GetCurrentViewer() != nullptr;
}
bool CanGoFullScreen(CDrevon &facade)
{
    return facade.GetCurrentViewer() != nullptr && !facade.GetViewing().IsFullScreen();
}
bool CanPaste(CDrevon &facade)
{
    return facade.GetSelectionEditing().UpdateClonePaste(0);
}
bool RunPasteLinked(CDrevon &facade, CommandWindow &)
{
    facade.GetSelectionEditing().OnPasteLinked();
    return true;
}
bool CanExtrude(CDrevon &facade)
{
    return facade.GetModelling().UpdateExtrude(0);
}
template <int Dialog>
bool CanOpenDialog(CDrevon &facade)
{
    return facade.GetDialogs().CanOpen(Dialog);
}
bool HasTwoSelected(CDrevon &facade)
{
    return facade.GetCreation().TwoObjectsSelected(0);
}
// Sub-object editing starts on one selected object, or goes on in another mode.
bool CanEditSubObjects(CDrevon &facade)
{
    return facade.GetModelling().UpdateSelectedOne(0) || facade.GetModelling().IsEditingSubObjects();
}
bool IsEditingSubObjects(CDrevon &facade)
{
    return facade.GetModelling().IsEditingSubObjects();
}
template <Toolbar Which>
bool IsToolbarChecked(CDrevon &, const CommandWindow &window)
{
    return window.IsToolbarShown(Which);
}
bool IsSceneTreeChecked(CDrevon &, const CommandWindow &window)
{
    return window.IsSceneTreeShown();
}

bool RunImportStl(CDrevon &facade, CommandWindow &)
{
    facade.GetFiles().ImportFile(true);
    return true;
}
bool RunExportSelection(CDrevon &facade, CommandWindow &)
{
    FileRequest request;
    request.title = "Export Selection";
    request.defaultExtension = "stl";
    request.initialName = "selection.stl";
    request.filter = "STL Files (*.stl)|*.stl|All Files (*.*)|*.*||";
    request.save = true;
    if (const std::optional<std::string> path = ChooseFile(request))
        facade.GetFiles().ExportSelection(path->c_str(), "stl");
    return true;
}
bool RunPrint(CDrevon &, CommandWindow &window)
{
    window.Print();
    return true;
}
bool RunExit(CDrevon &, CommandWindow &window)
{
    window.Exit();
    return true;
}
bool RunAbout(CDrevon &, CommandWindow &window)
{
    window.About();
    return true;
}
// 0 all, 1 none, 2 inverted.
template <int How>
bool RunChangeSelection(CDrevon &facade, CommandWindow &)
{
    facade.GetSelectionEditing().ChangeSelection(How);
    return true;
}
template <bool Selected>
bool RunFocus(CDrevon &facade, CommandWindow &)
{
    facade.GetViewing().Focus(Selected);
    return true;
}
template <Toolbar Which>
bool RunToggleToolbar(CDrevon &, CommandWindow &window)
{
    window.ShowToolbar(Which, !window.IsToolbarShown(Which));
    return true;
}
bool RunToggleSceneTree(CDrevon &, CommandWindow &window)
{
    window.ShowSceneTree(!window.IsSceneTreeShown());
    return true;
}
template <int Dialog>
bool RunOpenDialog(CDrevon &facade, CommandWindow &)
{
    facade.GetDialogs().Open(Dialog);
    return true;
}
bool RunFullScreen(CDrevon &facade, CommandWindow &)
{
    return facade.GetViewing().OpenFullScreen("FullScreen", 200, 500) != nullptr;
}
bool RunHighlightColour(CDrevon &facade, CommandWindow &)
{
    facade.GetSelectionEditing().OnChangeSelectionColor();
    return true;
}
bool RunLookThroughCamera(CDrevon &facade, CommandWindow &)
{
    facade.GetViewing().AttachCameraToCurrView();
    return true;
}
bool RunTestPopup(CDrevon &facade, CommandWindow &)
{
    facade.GetViewing().TestPopup();
    return true;
}
bool RunRightButtonPick(CDrevon &facade, CommandWindow &)
{
    facade.GetViewing().ActivateRightMouseMenu();
    return true;
}
// The extrusion's place in the run of extrusion buttons (offset 115, capped 117).
template <int Button>
bool RunExtrusion(CDrevon &facade, CommandWindow &)
{
    facade.GetModelling().OnExtrude(Button);
    return true;
}
bool RunConform(CDrevon &facade, CommandWindow &)
{
    facade.GetModelling().Conform(0);
    return true;
}
template <int Kind>
bool RunAddModifier(CDrevon &facade, CommandWindow &)
{
    facade.GetModelling().OnAddModifier(Kind);
    return true;
}
bool RunCreateBone(CDrevon &facade, CommandWindow &)
{
    facade.GetModelling().CreateBone();
    return true;
}
bool RunSkin(CDrevon &facade, CommandWindow &)
{
    facade.GetModelling().SkinSkeleton(0);
    return true;
}
bool RunBackToSkin(CDrevon &facade, CommandWindow &)
{
    facade.GetModelling().BackToSkin(0);
    return true;
}

bool RunNewScene(CDrevon &facade, CommandWindow &)
{
    // Clearing is not undone: unsaved changes are not dropped unasked.
    if (facade.GetFiles().IsModified() &&
        GetNotifier().Message("Clear the scene? Its unsaved changes are lost.", "New Scene",
                              Notifier::Buttons::YesNo, Notifier::Icon::Question) != Notifier::Yes)
        return true;
    facade.GetCreation().ClearScene();
    facade.GetFiles().MarkSaved();
    return true;
}
bool RunLoadLayout(CDrevon &facade, CommandWindow &)
{
    facade.GetFiles().OnLoadLayout();
    return true;
}
bool RunSaveLayout(CDrevon &facade, CommandWindow &)
{
    facade.GetFiles().OnSaveFile(2);
    return true;
}
bool RunSaveAsBmp(CDrevon &facade, CommandWindow &)
{
    SgViewer *viewer = facade.GetCurrentViewer();
    SgPlatformWindow *shown = viewer ? static_cast<SgPlatformWindow *>(viewer->GetWindow()) : nullptr;
    const SgRect client = shown ? shown->GetClientRect() : SgRect{};
    if (client.IsEmpty()) {
        SgDiagTellUser(SgDiagLevel::Warning, "Drevon", "There is no view to save as a picture", "Save As BMP");
        return true;
    }
    FileRequest request;
    request.title = "Save As BMP";
    request.defaultExtension = "bmp";
    request.initialName = "view.bmp";
    request.filter = "BMP Pictures (*.bmp)|*.bmp|All Files (*.*)|*.*||";
    request.save = true;
    const std::optional<std::string> path = ChooseFile(request);
    if (!path)
        return true;
    std::ofstream out(*path, std::ios::binary);
    if (!out || !facade.GetFiles().CreateThumbnail(client.Width(), client.Height(), out) || !out.flush())
        SgDiagTellUser(SgDiagLevel::Error, "Drevon", "Cannot write the picture " + *path, "Save As BMP");
    return true;
}
bool RunSnapToSurface(CDrevon &facade, CommandWindow &)
{
    facade.GetCreation().ToggleSnapSurface(kSnapSurfaceButton);
    return true;
}
bool IsSnapToSurfaceChecked(CDrevon &facade, const CommandWindow &)
{
    return facade.GetCreation().GetSnapSurface();
}
// The frames the manipulators work in: local 0, parent 1, parent's parent 2,
// world 200, screen -1.
template <int Frame>
bool RunManipulatorFrame(CDrevon &facade, CommandWindow &)
{
    facade.GetCreation().SetTransformToolFrame(Frame);
    return true;
}
template <int Frame>
bool IsManipulatorFrame(CDrevon &facade, const CommandWindow &)
{
    return facade.GetCreation().GetTransformToolFrame() == Frame;
}
bool RunFlipViewDirection(CDrevon &facade, CommandWindow &)
{
    facade.GetViewing().FlipViewDir(-1);
    return true;
}
bool RunStraightenUp(CDrevon &facade, CommandWindow &)
{
    facade.GetViewing().StraightenUp();
    return true;
}
bool RunOverrideColour(CDrevon &facade, CommandWindow &)
{
    facade.GetViewing().ToggleFilledWire(0);
    return true;
}
// The custom spline dialog binds the scene's spline nodes named after the
// selected object ("SplineParams<name>"); without one it shows unbound.
bool RunCustomSpline(CDrevon &facade, CommandWindow &)
{
    std::string name;
    SgDocument *document = facade.GetDocument();
    SgSelectionHandler *selection = document ? document->GetSelectionHandler() : nullptr;
    if (selection && selection->GetSelCount() > 0) {
        const SgPathList &paths = selection->GetPathList();
        if (const SgSeparator *object = paths.GetAt(paths.GetFirst()).GetObject(true))
            name = object->GetName();
    }
    facade.GetDialogs().Open(drevon::kCustomDialog, name.c_str());
    return true;
}

// ---- The viewer keys' own functions ------------------------------------------------------

// Keys reach the facade from a viewer, where no window of commands stands.
class KeyCommandWindow : public CommandWindow {
public:
    void Print() override {}
    void Exit() override {}
    void ShowToolbar(Toolbar, bool) override {}
    bool IsToolbarShown(Toolbar) const override { return false; }
    void About() override {}
};

constexpr int kKeyF2 = SgVK::kF1 + 1;
constexpr int kKeyF4 = SgVK::kF1 + 3;
constexpr int kKeyF5 = SgVK::kF1 + 4;
constexpr int kKeyF7 = SgVK::kF1 + 6;
// The media keyboard's play key.
constexpr int kKeyPlay = 250;

bool RunToggleFullScreen(CDrevon &facade, CommandWindow &)
{
    facade.GetViewing().ToggleFullScreen();
    return true;
}
template <int Kind>
bool RunManipulator(CDrevon &facade, CommandWindow &)
{
    facade.GetCreation().AddSelectionManip(Kind);
    return true;
}
bool RunSelectKey(CDrevon &facade, CommandWindow &)
{
    facade.GetCreation().OnSelect();
    return true;
}
template <int How>
bool RunShowPanes(CDrevon &facade, CommandWindow &)
{
    facade.GetHostEvents().ShowAllDocable(How);
    return true;
}
bool RunRotateSceneKey(CDrevon &facade, CommandWindow &)
{
    facade.GetViewing().OnRotateScene(1);
    return true;
}
bool RunRefreshView(CDrevon &facade, CommandWindow &)
{
    facade.Refresh(0);
    return true;
}
template <int Percent>
bool RunRescaleManipulator(CDrevon &facade, CommandWindow &)
{
    facade.GetCreation().RescaleManipulator(static_cast<float>(Percent));
    return true;
}

// ---- The records ------------------------------------------------------------------------

// Menu order follows the table; toolbars take their entries in table order.
// Facade operations listed without one (apply null) show disabled.
const CommandRecord kCommandRecords[] = {
    // File
    {.id = cmd::kNewScene,
     .menu = "File", .label = "&New Scene", .tooltip = "Clear the scene and start an untitled one",
     .glyph = Glyph::Art, .art = "wxART_NEW", .accelerator = "Ctrl+N",
     .run = &RunNewScene},
    {.id = cmd::kOpen,
     .menu = "File", .label = "&Open...", .tooltip = "Open a scene, replacing this one",
     .glyph = Glyph::Art, .art = "wxART_FILE_OPEN", .accelerator = "Ctrl+O", .toolbar = kMainToolbar,
     .button = 107, .apply = Operation<&SceneFiles::OnFile>,
     .script = "LoadFile"},
    {.id = cmd::kInsertScene,
     .menu = "File", .label = "&Insert Scene...", .tooltip = "Read a scene into this one",
     .glyph = Glyph::Text, .art = "+",
     .button = 108, .apply = Operation<&SceneFiles::OnFile>,
     .undoStep = true,
     .needs = "choose a scene file"},
    {.id = cmd::kImportStl,
     .menu = "File", .label = "I&mport STL...", .tooltip = "Add the triangles of an STL file as an object",
     .glyph = Glyph::Text, .art = "STL",
     .run = &RunImportStl,
     .undoStep = true,
     .needs = "choose an STL file"},
    {.id = cmd::kExportStl,
     .menu = "File", .label = "&Export Selection as STL...", .tooltip = "Write the selected objects as a binary STL file",
     .glyph = Glyph::Text, .art = "STL",
     .run = &RunExportSelection, .enabled = &HasSelection,
     .needs = "select an object first"},
    {.id = cmd::kSave,
     .menu = "File", .label = "&Save", .tooltip = "Save the scene",
     .glyph = Glyph::Art, .art = "wxART_FILE_SAVE", .accelerator = "Ctrl+S", .toolbar = kMainToolbar,
     .button = 105, .apply = Operation<&SceneFiles::OnFile>,
     .script = "Save"},
    {.id = cmd::kSaveAs,
     .menu = "File", .label = "Save &As...", .tooltip = "Save the scene under another name",
     .glyph = Glyph::Art, .art = "wxART_FILE_SAVE_AS", .accelerator = "Ctrl+Shift+S",
     .button = 106, .apply = Operation<&SceneFiles::OnFile>},
    {.id = cmd::kSaveAsBmp,
     .menu = "File", .label = "Save As &BMP...", .tooltip = "Write the view's picture as a BMP file",
     .glyph = Glyph::Text, .art = "BMP",
     .run = &RunSaveAsBmp, .enabled = &HasCurrentViewer,
     .needs = "there is no view to save"},
    {.id = cmd::kLoadLayout,
     .menu = "File", .label = "&Load Layout...", .tooltip = "Read a layout file into the scene",
     .glyph = Glyph::Text, .art = "Ly",
     .run = &RunLoadLayout,
     .undoStep = true,
     .needs = "choose a layout file"},
    {.id = cmd::kSaveLayout,
     .menu = "File", .label = "Save La&yout...", .tooltip = "Write the scene as a layout file",
     .glyph = Glyph::Text, .art = "Ly",
     .run = &RunSaveLayout},
    {.id = cmd::kPrint,
     .menu = "File", .label = "&Print...", .tooltip = "Print the view",
     .glyph = Glyph::Art, .art = "wxART_PRINT", .accelerator = "Ctrl+P",
     .run = &RunPrint, .enabled = &HasCurrentViewer},
    {.id = cmd::kExit,
     .menu = "File", .label = "E&xit", .tooltip = "Close the window",
     .glyph = Glyph::Art, .art = "wxART_QUIT", .accelerator = "Ctrl+Q",
     .run = &RunExit},
    // Edit
    {.id = cmd::kUndo,
     .menu = "Edit", .label = "&Undo", .tooltip = "Undo the last change",
     .glyph = Glyph::Art, .art = "wxART_UNDO", .accelerator = "Ctrl+Z", .toolbar = kMainToolbar,
     .button = 98, .apply = Operation<&SelectionEditing::OnEdit>, .update = Predicate<&SelectionEditing::UpdateUndo>,
     .script = "Undo",
     .needs = "there is nothing to undo"},
    {.id = cmd::kRedo,
     .menu = "Edit", .label = "&Redo", .tooltip = "Redo the change undone last",
     .glyph = Glyph::Art, .art = "wxART_REDO", .accelerator = "Ctrl+Y", .toolbar = kMainToolbar,
     .button = 99, .apply = Operation<&SelectionEditing::OnEdit>, .update = Predicate<&SelectionEditing::UpdateUndo>,
     .script = "Undo",
     .needs = "there is nothing to redo"},
    {.id = cmd::kCopy,
     .menu = "Edit", .label = "&Copy", .tooltip = "Copy the selected objects",
     .glyph = Glyph::Art, .art = "wxART_COPY", .accelerator = "Ctrl+C", .toolbar = kMainToolbar,
     .button = 103, .apply = Operation<&SelectionEditing::OnEdit>,
     .update = Predicate<&SelectionEditing::NonemptySelection>,
     .script = "Clone",
     .needs = "select an object first"},
    {.id = cmd::kPaste,
     .menu = "Edit", .label = "&Paste", .tooltip = "Paste the copied objects",
     .glyph = Glyph::Art, .art = "wxART_PASTE", .accelerator = "Ctrl+V", .toolbar = kMainToolbar,
     .button = 104, .apply = Operation<&SelectionEditing::OnEdit>,
     .update = Predicate<&SelectionEditing::UpdateClonePaste>,
     .undoStep = true, .script = "PasteClone",
     .needs = "copy an object first"},
    {.id = cmd::kPasteLinked,
     .menu = "Edit", .label = "Paste Lin&ked",
     .tooltip = "Paste instances that show the copied objects themselves: a change of one shows in all",
     .glyph = Glyph::Art, .art = "wxART_PASTE", .accelerator = "Ctrl+Shift+V",
     .run = &RunPasteLinked, .enabled = &CanPaste,
     .undoStep = true,
     .needs = "copy an object first"},
    {.id = cmd::kDelete,
     .menu = "Edit", .label = "&Delete", .tooltip = "Delete the selected objects",
     .glyph = Glyph::Art, .art = "wxART_DELETE", .accelerator = "Delete", .toolbar = kMainToolbar,
     .button = 102, .apply = Operation<&SelectionEditing::OnEdit>,
     .update = Predicate<&SelectionEditing::NonemptySelection>,
     .undoStep = true, .script = "DeleteOperation",
     .keys = {SgVK::kDelete},
     .needs = "select an object first"},
    {.id = cmd::kGroup,
     .menu = "Edit", .label = "&Group", .tooltip = "Group the selected objects",
     .glyph = Glyph::Text, .art = "G", .accelerator = "Ctrl+G",
     .button = 100, .apply = Operation<&SelectionEditing::OnEdit>,
     .update = Predicate<&SelectionEditing::MoreThanOneSelected>,
     .undoStep = true, .script = "GroupSelection",
     .needs = "select two or more objects first"},
    {.id = cmd::kUngroup,
     .menu = "Edit", .label = "U&ngroup", .tooltip = "Take the selected groups apart",
     .glyph = Glyph::Text, .art = "U", .accelerator = "Ctrl+Shift+G",
     .button = 101, .apply = Operation<&SelectionEditing::OnEdit>,
     .update = Predicate<&SelectionEditing::NonemptySelection>,
     .undoStep = true, .script = "GroupSelection",
     .needs = "select a group first"},
    {.id = cmd::kTransformTarget,
     .menu = "Edit", .label = "Transform &Target", .tooltip = "Switch what a drag moves: the object or its pivot",
     .glyph = Glyph::Pivot, .toolbar = kToolsToolbar,
     .button = 38, .states = 3, .stateKind = StateKind::Image, .apply = Operation<&Creation::TogleTransformToolMode>,
     .enabled = &HasSelection,
     .needs = "select an object first"},
    {.id = cmd::kMaterial,
     .menu = "Edit", .label = "&Material...", .tooltip = "Edit the material of the selection",
     .glyph = Glyph::Text, .art = "M",
     .button = kColorDialog, .apply = Operation<&DialogTable::OnDialogButton>,
     .update = Predicate<&DialogTable::CanOpen>,
     .script = "MaterialDialog"},
    {.id = cmd::kLight,
     .menu = "Edit", .label = "L&ight...", .tooltip = "Edit the light of the selected object or of the view",
     .glyph = Glyph::Text, .art = "Lt",
     .button = kLightDialog, .apply = Operation<&DialogTable::OnDialogButton>,
     .update = Predicate<&DialogTable::CanOpen>},
    {.id = cmd::kAlign,
     .menu = "Edit", .label = "&Align...", .tooltip = "Align the selected objects to the last selected one",
     .glyph = Glyph::Text, .art = "Al",
     .button = kAlignDialog, .apply = Operation<&DialogTable::OnDialogButton>,
     .update = Predicate<&DialogTable::CanOpen>},
    {.id = cmd::kFont,
     .menu = "Edit", .label = "&Font...", .tooltip = "Choose the font of the selected text",
     .glyph = Glyph::Text, .art = "F",
     .button = kFontDialog, .apply = Operation<&DialogTable::OnDialogButton>,
     .update = Predicate<&DialogTable::CanOpen>},
    {.id = cmd::kTexture,
     .menu = "Edit", .label = "Te&xture...", .tooltip = "Choose the texture of the selection",
     .glyph = Glyph::Text, .art = "Tx",
     .button = kTextureDialog, .apply = Operation<&DialogTable::OnDialogButton>,
     .update = Predicate<&DialogTable::CanOpen>,
     .script = "TextureDialog"},
    {.id = cmd::kTextAlongPath,
     .menu = "Edit", .label = "Text Along a Pat&h...", .tooltip = "Place a text along a curve",
     .glyph = Glyph::Text, .art = "Tp",
     .button = kTextWrapperDialog, .apply = Operation<&DialogTable::OnDialogButton>,
     .update = Predicate<&DialogTable::CanOpen>},
    {.id = cmd::kPlay,
     .menu = "Edit", .label = "P&lay Animation", .tooltip = "Play or stop the animation",
     .glyph = Glyph::Art, .art = "wxART_GO_FORWARD", .toolbar = kMainToolbar,
     .button = 123, .apply = Operation<&Playback::Play>,
     .script = "Play",
     .keys = {kKeyF2, kKeyPlay}},
    // View
    {.id = cmd::kRotateView,
     .menu = "View", .label = "&Rotate", .tooltip = "Turn the scene with the left button",
     .glyph = Glyph::Rotate, .toolbar = kViewToolbar, .check = true,
     .button = 50, .stateKind = StateKind::Check, .apply = Operation<&Viewing::OnViewTool>,
     .script = "RotateSceneTool"},
    {.id = cmd::kPanView,
     .menu = "View", .label = "&Pan", .tooltip = "Move the view with the left button",
     .glyph = Glyph::Pan, .toolbar = kViewToolbar, .check = true,
     .button = 52, .stateKind = StateKind::Check, .apply = Operation<&Viewing::OnViewTool>,
     .script = "ActivateViewTool"},
    {.id = cmd::kZoomView,
     .menu = "View", .label = "&Zoom", .tooltip = "Zoom with the left button",
     .glyph = Glyph::Zoom, .toolbar = kViewToolbar, .check = true,
     .button = 53, .stateKind = StateKind::Check, .apply = Operation<&Viewing::OnViewTool>,
     .script = "ZoomTool"},
    {.id = cmd::kFlyView,
     .menu = "View", .label = "&Fly", .tooltip = "Fly through the scene with the left button",
     .glyph = Glyph::Fly, .toolbar = kViewToolbar, .check = true,
     .button = 51, .stateKind = StateKind::Check, .apply = Operation<&Viewing::OnViewTool>,
     .script = "FlyThroughTool"},
    {.id = cmd::kShowAll,
     .menu = "View", .label = "Show &All", .tooltip = "Frame the whole scene",
     .glyph = Glyph::FrameAll, .accelerator = "Home", .toolbar = kViewToolbar,
     .run = &RunFocus<false>, .enabled = &HasCurrentViewer,
     .keys = {'A'}},
    {.id = cmd::kShowSelection,
     .menu = "View", .label = "Show &Selection", .tooltip = "Frame the selected objects",
     .glyph = Glyph::View, .art = "S", .accelerator = "Ctrl+Home",
     .run = &RunFocus<true>, .enabled = &HasSelection,
     .keys = {'F'},
     .needs = "select an object first"},
    {.id = cmd::kViewBottom,
     .menu = "View", .label = "&Bottom", .tooltip = "Look from below",
     .glyph = Glyph::View, .art = "Bo",
     .button = 54, .apply = Operation<&Viewing::ChangeView>,
     .script = "ChangeView"},
    {.id = cmd::kViewTop,
     .menu = "View", .label = "&Top", .tooltip = "Look from above",
     .glyph = Glyph::ViewTop, .toolbar = kViewToolbar,
     .button = 55, .apply = Operation<&Viewing::ChangeView>,
     .script = "ChangeView"},
    {.id = cmd::kViewLeft,
     .menu = "View", .label = "&Left", .tooltip = "Look from the left",
     .glyph = Glyph::View, .art = "L",
     .button = 56, .apply = Operation<&Viewing::ChangeView>,
     .script = "ChangeView"},
    {.id = cmd::kViewRight,
     .menu = "View", .label = "R&ight", .tooltip = "Look from the right",
     .glyph = Glyph::View, .art = "R",
     .button = 57, .apply = Operation<&Viewing::ChangeView>,
     .script = "ChangeView"},
    {.id = cmd::kViewBack,
     .menu = "View", .label = "Bac&k", .tooltip = "Look from behind",
     .glyph = Glyph::View, .art = "Ba",
     .button = 58, .apply = Operation<&Viewing::ChangeView>,
     .script = "ChangeView"},
    {.id = cmd::kViewFront,
     .menu = "View", .label = "Fr&ont", .tooltip = "Look from the front",
     .glyph = Glyph::ViewFront, .toolbar = kViewToolbar,
     .button = 59, .apply = Operation<&Viewing::ChangeView>,
     .script = "ChangeView"},
    {.id = cmd::kPerspective,
     .menu = "View", .label = "P&erspective", .tooltip = "Switch between perspective and parallel projection",
     .glyph = Glyph::Perspective, .toolbar = kViewToolbar, .check = true,
     .button = 72, .states = 2, .stateKind = StateKind::Image, .apply = Operation<&Viewing::ViewPerspective>,
     .script = "CameraMode"},
    {.id = cmd::kDrawStyle,
     .menu = "View", .label = "&Draw Style", .tooltip = "Cycle filled, wire frame and points",
     .glyph = Glyph::Text, .art = "W",
     .button = 70, .apply = Operation<&Viewing::ToggleStyle>,
     .script = "TogleStyle"},
    {.id = cmd::kLighting,
     .menu = "View", .label = "Lig&hting", .tooltip = "Switch lighting on or off",
     .glyph = Glyph::Text, .art = "Li",
     .button = 71, .apply = Operation<&Viewing::TogleLightModel>},
    {.id = cmd::kGrid,
     .menu = "View", .label = "&Grid", .tooltip = "Show or hide the grid",
     .glyph = Glyph::Text, .art = "#", .check = true,
     .button = 74, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnCreateGrid>,
     .script = "ToggleGrid"},
    {.id = cmd::kAxis,
     .menu = "View", .label = "A&xis", .tooltip = "Show or hide the axis",
     .glyph = Glyph::Text, .art = "xyz", .check = true,
     .button = 75, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnCreateAxis>},
    {.id = cmd::kFlipViewDirection,
     .menu = "View", .label = "Flip Vie&w Direction", .tooltip = "Look along the next axis: x, y and z in turn",
     .glyph = Glyph::View, .art = "Fl",
     .run = &RunFlipViewDirection, .enabled = &HasCurrentViewer},
    {.id = cmd::kStraightenUp,
     .menu = "View", .label = "Straighte&n Up", .tooltip = "Turn the scene back upright",
     .glyph = Glyph::View, .art = "Up",
     .run = &RunStraightenUp, .enabled = &HasCurrentViewer},
    {.id = cmd::kOverrideColour,
     .menu = "View", .label = "O&verride Colour",
     .tooltip = "Draw everything in one colour: white, black or its own, in turn",
     .glyph = Glyph::Text, .art = "Oc",
     .run = &RunOverrideColour, .enabled = &HasCurrentViewer},
    {.id = cmd::kSceneTreePane,
     .menu = "View", .label = "S&cene Tree", .tooltip = "Show or hide the scene tree beside the view",
     .glyph = Glyph::Text, .accelerator = "Ctrl+T", .check = true,
     .run = &RunToggleSceneTree, .checked = &IsSceneTreeChecked},
    // Create
    {.id = cmd::kSphere,
     .menu = "Create", .label = "&Sphere", .tooltip = "Create a sphere: click, drag the radius, click",
     .glyph = Glyph::Sphere, .toolbar = kToolsToolbar, .check = true,
     .button = 1, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnCreateTool>,
     .script = "OnCreateTool",
     .submenu = "&Primitives"},
    {.id = cmd::kBox,
     .menu = "Create", .label = "&Box", .tooltip = "Create a box: drag the base, click, drag the height, click",
     .glyph = Glyph::Box, .toolbar = kToolsToolbar, .check = true,
     .button = 2, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnCreateTool>,
     .script = "OnCreateTool",
     .submenu = "&Primitives"},
    {.id = cmd::kCylinder,
     .menu = "Create", .label = "C&ylinder", .tooltip = "Create a cylinder",
     .glyph = Glyph::Cylinder, .toolbar = kToolsToolbar, .check = true,
     .button = 3, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnCreateTool>,
     .script = "OnCreateTool",
     .submenu = "&Primitives"},
    {.id = cmd::kCone,
     .menu = "Create", .label = "C&one", .tooltip = "Create a cone",
     .glyph = Glyph::Cone, .check = true,
     .button = 4, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnCreateTool>,
     .script = "OnCreateTool",
     .submenu = "&Primitives"},
    {.id = cmd::kTorus,
     .menu = "Create", .label = "&Torus", .tooltip = "Create a torus",
     .glyph = Glyph::Text, .art = "O", .check = true,
     .button = 10, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnCreateTool>,
     .script = "OnCreateTool",
     .submenu = "&Primitives"},
    {.id = cmd::kPlane,
     .menu = "Create", .label = "P&lane", .tooltip = "Create a plane",
     .glyph = Glyph::Text, .art = "Pl", .check = true,
     .button = 15, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnCreateTool>,
     .script = "OnCreateTool",
     .submenu = "&Primitives"},
    {.id = cmd::kNgon,
     .menu = "Create", .label = "&N-gon", .tooltip = "Create a regular polygon",
     .glyph = Glyph::Text, .art = "N", .check = true,
     .button = 5, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnCreateTool>,
     .script = "OnCreateTool",
     .submenu = "&Curves"},
    {.id = cmd::kStar,
     .menu = "Create", .label = "St&ar", .tooltip = "Create a star",
     .glyph = Glyph::Text, .art = "*", .check = true,
     .button = 6, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnCreateTool>,
     .script = "OnCreateTool",
     .submenu = "&Curves"},
    {.id = cmd::kCircle,
     .menu = "Create", .label = "&Circle", .tooltip = "Create a circle",
     .glyph = Glyph::Text, .art = "C", .check = true,
     .button = 7, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnCreateTool>,
     .script = "OnCreateTool",
     .submenu = "&Curves"},
    {.id = cmd::kArc,
     .menu = "Create", .label = "A&rc", .tooltip = "Create an arc",
     .glyph = Glyph::Text, .art = "(", .check = true,
     .button = 8, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnCreateTool>,
     .script = "OnCreateTool",
     .submenu = "&Curves"},
    {.id = cmd::kHelix,
     .menu = "Create", .label = "&Helix", .tooltip = "Create a helix",
     .glyph = Glyph::Text, .art = "@", .check = true,
     .button = 9, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnCreateTool>,
     .script = "OnCreateTool",
     .submenu = "&Curves"},
    {.id = cmd::kPolyline,
     .menu = "Create", .label = "&Polyline", .tooltip = "Draw a polyline",
     .glyph = Glyph::Curve, .toolbar = kToolsToolbar, .check = true,
     .button = 12, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnCreateTool>,
     .script = "CreatePolyline",
     .submenu = "&Curves"},
    {.id = cmd::kPolygon,
     .menu = "Create", .label = "Poly&gon", .tooltip = "Draw a polygon",
     .glyph = Glyph::Text, .art = "Pg", .check = true,
     .button = 13, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnCreateTool>,
     .script = "OnCreateTool",
     .submenu = "&Curves"},
    {.id = cmd::kBSpline,
     .button = 14, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnCreateTool>,
     .script = "OnCreateTool"},
    {.id = cmd::kBSpline,
     .menu = "Create", .label = "B-Spline", .tooltip = "Draw a B-spline",
     .glyph = Glyph::Text, .art = "Bs", .check = true,
     .button = 17, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnCreateTool>,
     .script = "OnCreateTool",
     .submenu = "&Curves"},
    {.id = cmd::kCubicSpline,
     .menu = "Create", .label = "Cubic Spline", .tooltip = "Draw a cubic B-spline",
     .glyph = Glyph::Text, .art = "Cs", .check = true,
     .button = 18, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnCreateTool>,
     .script = "OnCreateTool",
     .submenu = "&Curves"},
    {.id = cmd::kBezier,
     .menu = "Create", .label = "B&ezier", .tooltip = "Draw a Bezier curve",
     .glyph = Glyph::Text, .art = "Bz", .check = true,
     .button = 19, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnCreateTool>,
     .script = "OnCreateTool",
     .submenu = "&Curves"},
    {.id = cmd::kTorusKnot,
     .menu = "Create", .label = "Torus &Knot", .tooltip = "Create a torus knot",
     .glyph = Glyph::Text, .art = "Kn", .check = true,
     .button = 11, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnCreateTool>,
     .script = "OnCreateTool",
     .submenu = "&Primitives"},
    {.id = cmd::kGeoSphere,
     .menu = "Create", .label = "GeoSphere", .tooltip = "Create a sphere of triangles",
     .glyph = Glyph::Text, .art = "Gs", .check = true,
     .button = 20, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnCreateTool>,
     .script = "OnCreateTool",
     .submenu = "&Primitives"},
    {.id = cmd::kPrism,
     .menu = "Create", .label = "Prism", .tooltip = "Raise a prism on a curve: click the curve, drag the height, click",
     .glyph = Glyph::Text, .art = "Pr", .check = true,
     .button = 21, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnCreateTool>,
     .script = "OnCreateTool",
     .submenu = "&Primitives"},
    {.id = cmd::kFilletPolyline,
     .menu = "Create", .label = "&Fillet Polyline", .tooltip = "Draw a polyline with rounded corners",
     .glyph = Glyph::Text, .art = "Fp", .check = true,
     .button = 16, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnCreatePolyline>,
     .submenu = "&Curves"},
    {.id = cmd::kEditCurve,
     .menu = "Create", .label = "Edit Cur&ve", .tooltip = "Move, insert and delete the points of a curve",
     .glyph = Glyph::Text, .art = "Ec",
     .button = 119, .apply = Operation<&Creation::OnEditPolyline>,
     .script = "EditPolyline",
     .submenu = "&Curves"},
    {.id = cmd::kMeasureTape,
     .menu = "Create", .label = "Measure Tape", .tooltip = "Measure a distance: click the first point, drag to the second, click",
     .glyph = Glyph::Tape, .toolbar = kToolsToolbar, .check = true,
     .button = 76, .stateKind = StateKind::Check, .apply = Operation<&Annotations::OnCompoundToolButton>,
     .submenu = "&Helpers"},
    {.id = cmd::kCameraObject,
     .menu = "Create", .label = "Camera Ob&ject", .tooltip = "Add a camera body that looks at a target it is joined to",
     .glyph = Glyph::Text, .art = "Ca",
     .button = Creation::kCameraButton, .apply = Operation<&Creation::OnCreateObjectButton>,
     .undoStep = true,
     .submenu = "&Helpers"},
    {.id = cmd::kAnnotation,
     .menu = "Create", .label = "Annotation", .tooltip = "Tie a text label to the selected object",
     .glyph = Glyph::Text, .art = "An",
     .button = Annotations::kAnnotationButton, .apply = Operation<&Annotations::OnAnnotationButton>,
     .update = Predicate<&Creation::OneObjectSelected>,
     .undoStep = true,
     .submenu = "&Helpers",
     .needs = "select one object first"},
    {.id = cmd::kRubberLine,
     .menu = "Create", .label = "Rubber Line", .tooltip = "Join the two selected objects by a line that follows them",
     .glyph = Glyph::Text, .art = "Rl",
     .button = Annotations::kRubberLineButton, .apply = Operation<&Annotations::OnRubberLineButton>,
     .update = Predicate<&Creation::TwoObjectsSelected>,
     .undoStep = true,
     .submenu = "&Helpers",
     .needs = "select two objects first"},
    {.id = cmd::kParticleEmitter,
     .menu = "Create", .label = "Particle Emitter", .tooltip = "Add a particle emitter",
     .glyph = Glyph::Text, .art = "Pe",
     .button = Creation::kFirstParticleButton + 0, .apply = Operation<&Creation::OnParticlesButton>,
     .undoStep = true,
     .submenu = "Pa&rticles"},
    {.id = cmd::kParticleAttractor,
     .menu = "Create", .label = "Particle Attractor", .tooltip = "Add an attractor of particles",
     .glyph = Glyph::Text, .art = "Pa",
     .button = Creation::kFirstParticleButton + 1, .apply = Operation<&Creation::OnParticlesButton>,
     .undoStep = true,
     .submenu = "Pa&rticles"},
    {.id = cmd::kParticleDeflector,
     .menu = "Create", .label = "Particle Deflector", .tooltip = "Add a deflector of particles",
     .glyph = Glyph::Text, .art = "Pd",
     .button = Creation::kFirstParticleButton + 2, .apply = Operation<&Creation::OnParticlesButton>,
     .undoStep = true,
     .submenu = "Pa&rticles"},
    {.id = cmd::kParticlePointAttractor,
     .menu = "Create", .label = "Particle Point Attractor", .tooltip = "Add a point attractor of particles",
     .glyph = Glyph::Text, .art = "Pp",
     .button = Creation::kFirstParticleButton + 3, .apply = Operation<&Creation::OnParticlesButton>,
     .undoStep = true,
     .submenu = "Pa&rticles"},
    {.id = cmd::kParticleWind,
     .menu = "Create", .label = "Particle Wind", .tooltip = "Add wind for particles",
     .glyph = Glyph::Text, .art = "Pw",
     .button = Creation::kFirstParticleButton + 4, .apply = Operation<&Creation::OnParticlesButton>,
     .undoStep = true,
     .submenu = "Pa&rticles"},
    {.id = cmd::kParticleFriction,
     .menu = "Create", .label = "Particle Friction", .tooltip = "Add friction for particles",
     .glyph = Glyph::Text, .art = "Pf",
     .button = Creation::kFirstParticleButton + 5, .apply = Operation<&Creation::OnParticlesButton>,
     .undoStep = true,
     .submenu = "Pa&rticles"},
    {.id = cmd::kParticleRotation,
     .menu = "Create", .label = "Particle Rotation", .tooltip = "Add a rotation for particles",
     .glyph = Glyph::Text, .art = "Pr",
     .button = Creation::kFirstParticleButton + 6, .apply = Operation<&Creation::OnParticlesButton>,
     .undoStep = true,
     .submenu = "Pa&rticles"},
    {.id = cmd::kParticleDestructor,
     .menu = "Create", .label = "Particle Destructor", .tooltip = "Add a destructor of particles",
     .glyph = Glyph::Text, .art = "Px",
     .button = Creation::kFirstParticleButton + 8, .apply = Operation<&Creation::OnParticlesButton>,
     .undoStep = true,
     .submenu = "Pa&rticles"},
    {.id = cmd::kUnion,
     .menu = "Create", .label = "&Union", .tooltip = "Unite the selected objects",
     .glyph = Glyph::Text, .art = "U",
     .button = 109, .apply = Operation<&Modelling::BooleanOperation>,
     .update = Predicate<&SelectionEditing::MoreThanOneSelected>,
     .undoStep = true, .script = "BooleanOperation",
     .submenu = "&Booleans",
     .needs = "select two or more objects first"},
    {.id = cmd::kIntersection,
     .menu = "Create", .label = "&Intersection", .tooltip = "Intersect the selected objects",
     .glyph = Glyph::Text, .art = "I",
     .button = 110, .apply = Operation<&Modelling::BooleanOperation>,
     .update = Predicate<&SelectionEditing::MoreThanOneSelected>,
     .undoStep = true, .script = "BooleanOperation",
     .submenu = "&Booleans",
     .needs = "select two or more objects first"},
    {.id = cmd::kDifference,
     .menu = "Create", .label = "&Difference", .tooltip = "Subtract the later selected objects from the first",
     .glyph = Glyph::Text, .art = "D",
     .button = 111, .apply = Operation<&Modelling::BooleanOperation>,
     .update = Predicate<&SelectionEditing::MoreThanOneSelected>,
     .undoStep = true, .script = "BooleanOperation",
     .submenu = "&Booleans",
     .needs = "select two or more objects first"},
    {.id = cmd::kDifferenceFromLast,
     .menu = "Create", .label = "Difference from the Last", .tooltip = "Subtract the earlier selected objects from the last",
     .glyph = Glyph::Text, .art = "DL",
     .button = 112, .apply = Operation<&Modelling::BooleanOperation>,
     .update = Predicate<&SelectionEditing::MoreThanOneSelected>,
     .undoStep = true, .script = "BooleanOperation",
     .submenu = "&Booleans",
     .needs = "select two or more objects first"},
    {.id = cmd::kMetaballBooleans,
     .menu = "Create", .label = "&Metaball Booleans", .tooltip = "New Boolean objects blend as metaballs",
     .glyph = Glyph::Text, .art = "Mb", .check = true,
     .button = 120, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnToggleMetaball>,
     .submenu = "&Booleans"},
    {.id = cmd::kSnapToAngle,
     .menu = "Create", .label = "Snap to Angle", .tooltip = "Snap directions of new curves to angle steps",
     .glyph = Glyph::Text, .art = "<", .check = true,
     .button = 121, .stateKind = StateKind::Check, .apply = Operation<&Creation::ToggleSnapAngle>,
     .submenu = "&Helpers"},
    {.id = cmd::kSnapToSurface,
     .menu = "Create", .label = "Snap to S&urface", .tooltip = "Put new points on the surface under the cursor",
     .glyph = Glyph::Text, .art = "Ss", .check = true,
     .run = &RunSnapToSurface, .checked = &IsSnapToSurfaceChecked,
     .submenu = "&Helpers"},
    // Selection
    {.id = cmd::kSelect,
     .menu = "Selection", .label = "&Select", .tooltip = "Select with the mouse",
     .glyph = Glyph::Arrow, .toolbar = kToolsToolbar,
     .button = 40, .apply = Operation<&Creation::OnTransformTool>,
     .script = "Select"},
    {.id = cmd::kSelectByFence,
     .menu = "Selection", .label = "Select by &Fence", .tooltip = "Select the objects inside a dragged rectangle",
     .glyph = Glyph::Fence, .toolbar = kToolsToolbar,
     .button = 41, .apply = Operation<&Creation::OnTransformTool>,
     .script = "SelectByFence"},
    {.id = cmd::kMoveTool,
     .menu = "Selection", .label = "&Move", .tooltip = "Move the selection with arrows",
     .glyph = Glyph::Move, .toolbar = kToolsToolbar, .check = true,
     .button = 35, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnTransformTool>},
    {.id = cmd::kRotateTool,
     .menu = "Selection", .label = "&Rotate", .tooltip = "Turn the selection with a trackball",
     .glyph = Glyph::Rotate, .toolbar = kToolsToolbar, .check = true,
     .button = 31, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnTransformTool>},
    {.id = cmd::kScaleTool,
     .menu = "Selection", .label = "S&cale", .tooltip = "Scale the selection",
     .glyph = Glyph::Scale, .toolbar = kToolsToolbar, .check = true,
     .button = 36, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnTransformTool>},
    {.id = cmd::kHandleBox,
     .menu = "Selection", .label = "&Handle Box", .tooltip = "Move and scale the selection with a handle box",
     .glyph = Glyph::Text, .art = "H", .check = true,
     .button = 30, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnTransformTool>,
     .script = "SelectionHandlebox"},
    {.id = cmd::kBoundingBox,
     .menu = "Selection", .label = "&Bounding Box", .tooltip = "Show the selection's bounding box",
     .glyph = Glyph::Text, .art = "[]", .check = true,
     .button = 34, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnTransformTool>},
    {.id = cmd::kHighlightOnly,
     .menu = "Selection", .label = "Highlight &Only", .tooltip = "Only highlight the selection",
     .glyph = Glyph::Text, .art = "Hi", .check = true,
     .button = 32, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnTransformTool>},
    {.id = cmd::kParameters,
     .menu = "Selection", .label = "&Parameters", .tooltip = "Edit the selection's parameters with handles",
     .glyph = Glyph::Text, .art = "Pa", .check = true,
     .button = 37, .stateKind = StateKind::Check, .apply = Operation<&Creation::OnTransformTool>},
    {.id = cmd::kFrameLocal,
     .menu = "Selection", .label = "&Local", .tooltip = "Manipulators move along the object's own axes",
     .glyph = Glyph::Text, .check = true,
     .run = &RunManipulatorFrame<0>, .checked = &IsManipulatorFrame<0>,
     .submenu = "Manipula&tor Frame"},
    {.id = cmd::kFrameParent,
     .menu = "Selection", .label = "&Parent", .tooltip = "Manipulators move along the axes of the object's group",
     .glyph = Glyph::Text, .check = true,
     .run = &RunManipulatorFrame<1>, .checked = &IsManipulatorFrame<1>,
     .submenu = "Manipula&tor Frame"},
    {.id = cmd::kFrameParentPlus,
     .menu = "Selection", .label = "Parent+&1", .tooltip = "Manipulators move along the axes of the group's group",
     .glyph = Glyph::Text, .check = true,
     .run = &RunManipulatorFrame<2>, .checked = &IsManipulatorFrame<2>,
     .submenu = "Manipula&tor Frame"},
    {.id = cmd::kFrameWorld,
     .menu = "Selection", .label = "&World", .tooltip = "Manipulators move along the scene's axes",
     .glyph = Glyph::Text, .check = true,
     .run = &RunManipulatorFrame<200>, .checked = &IsManipulatorFrame<200>,
     .submenu = "Manipula&tor Frame"},
    {.id = cmd::kFrameScreen,
     .menu = "Selection", .label = "&Screen", .tooltip = "Manipulators move along the screen's axes",
     .glyph = Glyph::Text, .check = true,
     .run = &RunManipulatorFrame<-1>, .checked = &IsManipulatorFrame<-1>,
     .submenu = "Manipula&tor Frame"},
    {.id = cmd::kSelectAll,
     .menu = "Selection", .label = "Select &All", .tooltip = "Select every object",
     .glyph = Glyph::Text, .art = "*", .accelerator = "Ctrl+A",
     .run = &RunChangeSelection<0>},
    {.id = cmd::kSelectNone,
     .menu = "Selection", .label = "Select &None", .tooltip = "Deselect everything",
     .glyph = Glyph::Text, .art = "-", .accelerator = "Ctrl+Shift+A",
     .run = &RunChangeSelection<1>},
    {.id = cmd::kInvertSelection,
     .menu = "Selection", .label = "&Invert Selection", .tooltip = "Select what is not selected",
     .glyph = Glyph::Text, .art = "~", .accelerator = "Ctrl+I",
     .run = &RunChangeSelection<2>},
    {.id = cmd::kNextSibling,
     .menu = "Selection", .label = "Ne&xt Sibling", .tooltip = "Select the next object beside the selected one",
     .glyph = Glyph::Text, .art = ">",
     .button = 42, .apply = Operation<&SelectionEditing::Navigate>,
     .update = Predicate<&SelectionEditing::OnUpdateNavigate>,
     .script = "Navigate",
     .needs = "select an object first"},
    {.id = cmd::kPreviousSibling,
     .menu = "Selection", .label = "Pre&vious Sibling", .tooltip = "Select the previous object beside the selected one",
     .glyph = Glyph::Text, .art = "<",
     .button = 43, .apply = Operation<&SelectionEditing::Navigate>,
     .update = Predicate<&SelectionEditing::OnUpdateNavigate>,
     .script = "Navigate",
     .needs = "select an object first"},
    {.id = cmd::kFirstChild,
     .menu = "Selection", .label = "First Chil&d", .tooltip = "Select the first object inside the selected group",
     .glyph = Glyph::Text, .art = "v",
     .button = 44, .apply = Operation<&SelectionEditing::Navigate>,
     .update = Predicate<&SelectionEditing::OnUpdateNavigate>,
     .script = "Navigate",
     .keys = {SgVK::kLeft, SgVK::kDown},
     .needs = "select a group first"},
    {.id = cmd::kParent,
     .menu = "Selection", .label = "Par&ent", .tooltip = "Select the group holding the selected object",
     .glyph = Glyph::Text, .art = "^",
     .button = 45, .apply = Operation<&SelectionEditing::Navigate>,
     .update = Predicate<&SelectionEditing::OnUpdateNavigate>,
     .script = "Navigate",
     .keys = {SgVK::kUp, SgVK::kRight},
     .needs = "select an object inside a group first"},
    // Modify
    {.id = cmd::kExtrudeOrRevolve,
     .menu = "Modify", .label = "E&xtrude or Revolve", .tooltip = "Revolve one selected profile, or extrude the first along the others",
     .glyph = Glyph::Text, .art = "Ex",
     .button = 113, .apply = Operation<&Modelling::OnExtrude>, .update = Predicate<&Modelling::UpdateExtrude>,
     .undoStep = true, .script = "Extrude",
     .needs = "select a profile curve first"},
    {.id = cmd::kRoof,
     .menu = "Modify", .label = "&Roof", .tooltip = "Build a roof over the selected outlines",
     .glyph = Glyph::Text, .art = "Rf",
     .button = 114, .apply = Operation<&Modelling::OnExtrude>, .enabled = &CanExtrude,
     .undoStep = true,
     .needs = "select closed outlines first"},
    {.id = cmd::kOffset,
     .menu = "Modify", .label = "&Offset", .tooltip = "Draw a curve at a distance from the selected curve",
     .glyph = Glyph::Text, .art = "Of",
     .run = &RunExtrusion<115>, .enabled = &CanExtrude,
     .undoStep = true,
     .needs = "select a curve first"},
    {.id = cmd::kCappedExtrusion,
     .menu = "Modify", .label = "&Capped Extrusion", .tooltip = "Extrude the selected profiles with rounded caps",
     .glyph = Glyph::Text, .art = "Ec",
     .run = &RunExtrusion<117>, .enabled = &CanExtrude,
     .undoStep = true,
     .needs = "select two closed curves first"},
    {.id = cmd::kWrapAlongCurve,
     .menu = "Modify", .label = "&Wrap Along Curve", .tooltip = "Lay the first selected object along the curve selected second",
     .glyph = Glyph::Text, .art = "Wr",
     .button = 116, .apply = Operation<&Modelling::WrapAlongSpline>, .enabled = &HasTwoSelected,
     .undoStep = true, .script = "WrapAlongSpline",
     .needs = "select an object, then the curve to lay it along"},
    {.id = cmd::kScatter,
     .menu = "Modify", .label = "Sc&atter", .tooltip = "Place copies of the first selected object at the points of the second",
     .glyph = Glyph::Text, .art = "Sc",
     .button = 118, .apply = Operation<&Modelling::Scatter>, .enabled = &HasTwoSelected,
     .undoStep = true, .script = "Scatter",
     .needs = "select the object to copy, then the object whose points it goes to"},
    {.id = cmd::kConform,
     .menu = "Modify", .label = "Con&form", .tooltip = "Drape a surface over the points of the second selected object",
     .glyph = Glyph::Text, .art = "Cf",
     .run = &RunConform, .enabled = &HasSeveralSelected,
     .undoStep = true,
     .needs = "select a plane, then an object with points"},
    {.id = cmd::kAddSmooth,
     .menu = "Modify", .label = "Add &Smooth", .tooltip = "Smooth the selected object's mesh",
     .glyph = Glyph::Text, .art = "Sm",
     .run = &RunAddModifier<1>, .enabled = &HasOneSelected,
     .undoStep = true,
     .needs = "select one object first"},
    {.id = cmd::kAddSimplify,
     .menu = "Modify", .label = "Add Sim&plify", .tooltip = "Simplify the selected object's mesh",
     .glyph = Glyph::Text, .art = "Si",
     .run = &RunAddModifier<2>, .enabled = &HasOneSelected,
     .undoStep = true,
     .needs = "select one object first"},
    {.id = cmd::kAddMelt,
     .menu = "Modify", .label = "Add Me&lt", .tooltip = "Melt the selected object",
     .glyph = Glyph::Text, .art = "Me",
     .run = &RunAddModifier<3>, .enabled = &HasOneSelected,
     .undoStep = true,
     .needs = "select one object first"},
    {.id = cmd::kAddWave,
     .menu = "Modify", .label = "Add Wa&ve", .tooltip = "Ripple the selected object",
     .glyph = Glyph::Text, .art = "Wa",
     .run = &RunAddModifier<4>, .enabled = &HasOneSelected,
     .undoStep = true,
     .needs = "select one object first"},
    {.id = cmd::kAddTwist,
     .menu = "Modify", .label = "Add &Twist", .tooltip = "Twist the selected object",
     .glyph = Glyph::Text, .art = "Tw",
     .run = &RunAddModifier<5>, .enabled = &HasOneSelected,
     .undoStep = true,
     .needs = "select one object first"},
    {.id = cmd::kAddBend,
     .menu = "Modify", .label = "Add &Bend", .tooltip = "Bend the selected object",
     .glyph = Glyph::Text, .art = "Be",
     .run = &RunAddModifier<6>, .enabled = &HasOneSelected,
     .undoStep = true,
     .needs = "select one object first"},
    {.id = cmd::kAddFreeFormBox,
     .menu = "Modify", .label = "Add Fr&ee-Form Box", .tooltip = "Deform the selected object with a lattice",
     .glyph = Glyph::Text, .art = "FF",
     .run = &RunAddModifier<7>, .enabled = &HasOneSelected,
     .undoStep = true,
     .needs = "select one object first"},
    {.id = cmd::kAddSlice,
     .menu = "Modify", .label = "Add Sl&ice", .tooltip = "Cut the selected object with a plane",
     .glyph = Glyph::Text, .art = "Sl",
     .run = &RunAddModifier<8>, .enabled = &HasOneSelected,
     .undoStep = true,
     .needs = "select one object first"},
    {.id = cmd::kAddTriangulate,
     .menu = "Modify", .label = "Add Tria&ngulate", .tooltip = "Cut the selected object's faces into triangles",
     .glyph = Glyph::Text, .art = "Tr",
     .run = &RunAddModifier<9>, .enabled = &HasOneSelected,
     .undoStep = true,
     .needs = "select one object first"},
    {.id = cmd::kConvertToMesh,
     .menu = "Modify", .label = "Convert to &Mesh", .tooltip = "Add a mesh made of what the selected object shows",
     .glyph = Glyph::Text, .art = "Ms",
     .button = 127, .stateKind = StateKind::Check, .apply = Operation<&Modelling::ConvertToMesh>,
     .enabled = &HasOneSelected,
     .undoStep = true,
     .needs = "select one object that shows a surface"},
    {.id = cmd::kEditVertices,
     .menu = "Modify", .label = "E&dit Vertices", .tooltip = "Select and move the vertices of the selected mesh",
     .glyph = Glyph::Text, .art = "V", .check = true,
     .button = 124, .stateKind = StateKind::Check, .apply = Operation<&Modelling::EditSubObject>,
     .enabled = &CanEditSubObjects,
     .needs = "select one mesh object first"},
    {.id = cmd::kEditEdges,
     .menu = "Modify", .label = "Edit Ed&ges", .tooltip = "Select and move the edges of the selected mesh",
     .glyph = Glyph::Text, .art = "E", .check = true,
     .button = 125, .stateKind = StateKind::Check, .apply = Operation<&Modelling::EditSubObject>,
     .enabled = &CanEditSubObjects,
     .needs = "select one mesh object first"},
    {.id = cmd::kEditFaces,
     .menu = "Modify", .label = "Edit Faces", .tooltip = "Select and move the faces of the selected mesh",
     .glyph = Glyph::Text, .art = "F", .check = true,
     .button = 126, .stateKind = StateKind::Check, .apply = Operation<&Modelling::EditSubObject>,
     .enabled = &CanEditSubObjects,
     .needs = "select one mesh object first"},
    {.id = cmd::kExtrudeFaces,
     .menu = "Modify", .label = "Extrude Selected Faces", .tooltip = "Pull the selected faces out",
     .glyph = Glyph::Text, .art = "Xf",
     .button = 131, .stateKind = StateKind::Check, .apply = Operation<&Modelling::ExtrudeSubObject>,
     .enabled = &IsEditingSubObjects,
     .undoStep = true,
     .needs = "edit the faces of a mesh and select some first"},
    {.id = cmd::kInsetFaces,
     .menu = "Modify", .label = "Inset Selected Faces", .tooltip = "Pull the selected faces out with an inset rim",
     .glyph = Glyph::Text, .art = "If",
     .button = 132, .stateKind = StateKind::Check, .apply = Operation<&Modelling::ExtrudeSubObject>,
     .enabled = &IsEditingSubObjects,
     .undoStep = true,
     .needs = "edit the faces of a mesh and select some first"},
    {.id = cmd::kCrease,
     .menu = "Modify", .label = "Crease", .tooltip = "Sharpen the selected edges",
     .glyph = Glyph::Text, .art = "Cr",
     .button = 128, .stateKind = StateKind::Check, .apply = Operation<&Modelling::CreaseSubObject>,
     .enabled = &IsEditingSubObjects,
     .undoStep = true,
     .needs = "edit the edges of a mesh and select some first"},
    {.id = cmd::kUncrease,
     .menu = "Modify", .label = "Uncrease", .tooltip = "Smooth the selected edges again",
     .glyph = Glyph::Text, .art = "Uc",
     .button = 129, .stateKind = StateKind::Check, .apply = Operation<&Modelling::CreaseSubObject>,
     .enabled = &IsEditingSubObjects,
     .undoStep = true,
     .needs = "edit the edges of a mesh and select some first"},
    {.id = cmd::kBridge,
     .menu = "Modify", .label = "Bridge", .tooltip = "Join the selected sub-objects with new faces",
     .glyph = Glyph::Text, .art = "Br",
     .button = 130, .stateKind = StateKind::Check, .apply = Operation<&Modelling::BridgeSubObject>,
     .enabled = &IsEditingSubObjects,
     .undoStep = true,
     .needs = "edit a mesh and select two borders first"},
    {.id = cmd::kCreateBone,
     .menu = "Modify", .label = "Create Bone", .tooltip = "Add a bone to the scene",
     .glyph = Glyph::Text, .art = "Bn",
     .run = &RunCreateBone,
     .undoStep = true},
    {.id = cmd::kSkinToSkeleton,
     .menu = "Modify", .label = "S&kin to Skeleton", .tooltip = "Bind the first selected mesh to the skeleton selected second",
     .glyph = Glyph::Text, .art = "Sk",
     .run = &RunSkin, .enabled = &HasSeveralSelected,
     .undoStep = true,
     .needs = "select a mesh, then a skeleton"},
    {.id = cmd::kBackToSkin,
     .menu = "Modify", .label = "Back to Skin", .tooltip = "Put the selected skin's skeleton back in its bind pose",
     .glyph = Glyph::Text, .art = "Bs",
     .run = &RunBackToSkin, .enabled = &HasOneSelected,
     .undoStep = true,
     .needs = "select a skinned mesh first"},
    // Window
    {.id = cmd::kMainToolbarShown,
     .menu = "Window", .label = "&Main Toolbar", .tooltip = "Show or hide the file and edit toolbar",
     .glyph = Glyph::Text, .check = true,
     .run = &RunToggleToolbar<kMainToolbar>, .checked = &IsToolbarChecked<kMainToolbar>},
    {.id = cmd::kToolsToolbarShown,
     .menu = "Window", .label = "&Tools Toolbar", .tooltip = "Show or hide the creation and selection toolbar",
     .glyph = Glyph::Text, .check = true,
     .run = &RunToggleToolbar<kToolsToolbar>, .checked = &IsToolbarChecked<kToolsToolbar>},
    {.id = cmd::kViewToolbarShown,
     .menu = "Window", .label = "&View Toolbar", .tooltip = "Show or hide the view toolbar",
     .glyph = Glyph::Text, .check = true,
     .run = &RunToggleToolbar<kViewToolbar>, .checked = &IsToolbarChecked<kViewToolbar>},
    {.id = cmd::kLayers,
     .menu = "Window", .label = "&Layers...", .tooltip = "Show the layers and the objects on them",
     .glyph = Glyph::Text, .art = "La",
     .button = kLayersDialog, .apply = Operation<&DialogTable::OnDialogButton>,
     .update = Predicate<&DialogTable::CanOpen>},
    {.id = cmd::kSceneTree,
     .menu = "Window", .label = "Scene T&ree...", .tooltip = "Show the scene as a tree",
     .glyph = Glyph::Text, .art = "Tr",
     .button = kSceneTreeDialog, .apply = Operation<&DialogTable::OnDialogButton>,
     .update = Predicate<&DialogTable::CanOpen>,
     .script = "OnOpenTree"},
    {.id = cmd::kAnimation,
     .menu = "Window", .label = "A&nimation...", .tooltip = "Show the key-frame bar",
     .glyph = Glyph::Text, .art = "An",
     .button = kAnimationDialog, .apply = Operation<&DialogTable::OnDialogButton>,
     .update = Predicate<&DialogTable::CanOpen>},
    {.id = cmd::kDisplay,
     .menu = "Window", .label = "&Display...", .tooltip = "Hide and unhide objects",
     .glyph = Glyph::Text, .art = "Di",
     .button = kDisplayDialog, .apply = Operation<&DialogTable::OnDialogButton>,
     .update = Predicate<&DialogTable::CanOpen>},
    {.id = cmd::kModelBuilder,
     .menu = "Window", .label = "&Parametric Model...", .tooltip = "Build or edit a parametric model of the selection",
     .glyph = Glyph::Text, .art = "Pm",
     .run = &RunOpenDialog<kModelBuilderDialog>, .enabled = &CanOpenDialog<kModelBuilderDialog>},
    {.id = cmd::kMovie,
     .menu = "Window", .label = "Mov&ie...", .tooltip = "Record the animation as a movie",
     .glyph = Glyph::Text, .art = "Mv",
     .run = &RunOpenDialog<kMovieDialog>, .enabled = &CanOpenDialog<kMovieDialog>},
    {.id = cmd::kCustomSpline,
     .menu = "Window", .label = "&Custom Spline...",
     .tooltip = "Edit the margins and wire of the selected object's spline",
     .glyph = Glyph::Text, .art = "Cs",
     .run = &RunCustomSpline, .enabled = &CanOpenDialog<kCustomDialog>},
    // Help
    {.id = cmd::kAbout,
     .menu = "Help", .label = "&About", .tooltip = "What this program is",
     .glyph = Glyph::Art, .art = "wxART_INFORMATION",
     .run = &RunAbout},
    // View
    {.id = cmd::kFullScreen,
     .menu = "View", .label = "F&ull Screen", .tooltip = "Show the view on the whole screen; close that window to come back",
     .glyph = Glyph::Text, .art = "[ ]",
     .run = &RunFullScreen, .enabled = &CanGoFullScreen},
    {.id = cmd::kLookThroughCamera,
     .menu = "View", .label = "Look Through Selected Ca&mera", .tooltip = "Look through the camera inside the selected object",
     .glyph = Glyph::Text, .art = "Cam",
     .run = &RunLookThroughCamera, .enabled = &HasSelection,
     .needs = "select an object holding a camera first"},
    // Selection
    {.id = cmd::kHighlightColour,
     .menu = "Selection", .label = "Highlight Co&lour...", .tooltip = "Choose the colour selected objects are highlighted in",
     .glyph = Glyph::Text, .art = "Hc",
     .run = &RunHighlightColour},
    // Help
    {.id = cmd::kTestPopup,
     .menu = "Help", .label = "Test &Pop-up Menu", .tooltip = "Pop up a test menu over the view",
     .glyph = Glyph::Text, .art = "Pm",
     .run = &RunTestPopup, .enabled = &HasCurrentViewer},
    {.id = cmd::kRightButtonPick,
     .menu = "Help", .label = "&Right-Button Pick", .tooltip = "Let a right click pick what lies under the cursor",
     .glyph = Glyph::Text, .art = "Rp",
     .run = &RunRightButtonPick},
    // Reached by their button only.
    {.id = cmd::kSecondCompoundTool,
     .button = 77, .stateKind = StateKind::Check, .apply = Operation<&Annotations::OnCompoundToolButton>},
    {.id = cmd::kNoCommand,
     .button = 95, .apply = Operation<&Creation::NullTool>},
    {.id = cmd::kUnofferedCommand,
     .button = kUnofferedDialog},
    // Viewer keys alone.
    {.id = cmd::kToggleFullScreen, .run = &RunToggleFullScreen, .keys = {SgVK::kEscape, 'B'}},
    {.id = cmd::kKeyTrackball, .run = &RunManipulator<1>, .keys = {'E'}},
    {.id = cmd::kKeyScale, .run = &RunManipulator<6>, .keys = {'R'}},
    {.id = cmd::kKeyMoveArrows, .run = &RunManipulator<5>, .keys = {'W'}},
    {.id = cmd::kKeyHandleBox, .run = &RunManipulator<0>, .keys = {kKeyF5}},
    {.id = cmd::kKeySelect, .run = &RunSelectKey, .keys = {'Q'}},
    {.id = cmd::kTogglePanes, .run = &RunShowPanes<-1>, .keys = {'H'}},
    {.id = cmd::kShowPanes, .run = &RunShowPanes<1>, .keys = {'S'}},
    {.id = cmd::kKeyRotateScene, .run = &RunRotateSceneKey, .keys = {kKeyF4}},
    {.id = cmd::kRefreshView, .run = &RunRefreshView, .keys = {kKeyF7}},
    {.id = cmd::kEnlargeManipulator, .run = &RunRescaleManipulator<110>, .keys = {SgVK::kOemPlus}},
    {.id = cmd::kShrinkManipulator, .run = &RunRescaleManipulator<90>, .keys = {SgVK::kOemMinus}},
};

} // namespace

const char *const *GetMenus(int &count)
{
    count = static_cast<int>(std::size(kCommandMenus));
    return kCommandMenus;
}

const CommandRecord *GetCommands(int &count)
{
    count = static_cast<int>(std::size(kCommandRecords));
    return kCommandRecords;
}

const CommandRecord *FindCommand(int id)
{
    const CommandRecord *found = nullptr;
    for (const CommandRecord &record : kCommandRecords)
        if (record.id == id)
            found = &record;
    return found;
}

bool RunCommand(int id, CDrevon &facade, CommandWindow &window)
{
    const CommandRecord *record = FindCommand(id);
    // However many objects it touches, the command is one step to undo.
    std::optional<SgKeyPoint> step;
    if (record && record->undoStep)
        step.emplace(facade.GetDocument());
    if (record && record->run)
        return record->run(facade, window);
    // Facade ids, and ids a host registered with the facade itself.
    return !IsWindowCommand(id) && facade.GetButtons().ApplyButton(id);
}

void RunFacadeRecord(const CommandRecord &record, CDrevon &facade)
{
    if (!record.apply)
        return;
    std::optional<SgKeyPoint> step;
    if (record.undoStep)
        step.emplace(facade.GetDocument());
    record.apply(facade, record.button);
}

bool RunFacadeCommand(int id, CDrevon &facade)
{
    const CommandRecord *record = FindCommand(id);
    if (!record || !record->apply || record->button == kNoButton)
        return false;
    RunFacadeRecord(*record, facade);
    return true;
}

const CommandRecord *FindButtonCommand(int button, std::string_view script)
{
    for (const CommandRecord &record : kCommandRecords)
        if (record.button == button && button != kNoButton && record.apply && record.script && script == record.script)
            return &record;
    return nullptr;
}

bool IsCommandEnabled(int id, CDrevon &facade)
{
    const CommandRecord *record = FindCommand(id);
    if (record && record->run)
        return !record->enabled || record->enabled(facade);
    if (record && record->enabled && !record->enabled(facade))
        return false;
    return !IsWindowCommand(id) && facade.GetButtons().ApplyUpdate(id);
}

bool IsCommandChecked(int id, CDrevon &facade, const CommandWindow &window)
{
    const CommandRecord *record = FindCommand(id);
    if (record && record->run)
        return record->checked && record->checked(facade, window);
    const int button = facade.GetButtons().GetButtonIndex(id);
    return button >= 0 && facade.GetButtons().GetButtonState(button) != 0;
}

std::vector<int> MenuKeys()
{
    // The engine's key codes of the plain keys an accelerator may name.
    static constexpr struct {
        const char *name;
        int key;
    } kNamed[] = {{"Delete", 46}, {"Home", 36}, {"End", 35}, {"Insert", 45}, {"Space", 32}, {"Escape", 27}};
    std::vector<int> keys;
    for (const CommandRecord &record : kCommandRecords) {
        if (!record.accelerator || !record.menu)
            continue;
        const std::string accelerator = record.accelerator;
        if (accelerator.find('+') != std::string::npos)
            continue;
        int key = 0;
        for (const auto &named : kNamed)
            if (accelerator == named.name)
                key = named.key;
        if (accelerator.size() == 1 && std::isalnum(static_cast<unsigned char>(accelerator[0])))
            key = std::toupper(static_cast<unsigned char>(accelerator[0]));
        if (accelerator.size() >= 2 && accelerator[0] == 'F' && std::isdigit(static_cast<unsigned char>(accelerator[1])))
            key = 111 + std::atoi(accelerator.c_str() + 1);
        if (key != 0)
            keys.push_back(key);
    }
    return keys;
}

bool RunKeyCommand(int key, CDrevon &facade)
{
    if (key == 0)
        return false;
    for (const CommandRecord &record : kCommandRecords) {
        if (record.keys[0] != key && record.keys[1] != key)
            continue;
        std::optional<SgKeyPoint> step;
        if (record.undoStep)
            step.emplace(facade.GetDocument());
        if (record.run) {
            KeyCommandWindow noWindow;
            record.run(facade, noWindow);
        } else if (record.apply) {
            // Straight to the operation: a facade without a host's table
            // still has its keys.
            record.apply(facade, record.button);
        }
        return true;
    }
    return false;
}

int CreationCommand(const std::string &kind)
{
    if (kind == "sphere")
        return cmd::kSphere;
    if (kind == "box")
        return cmd::kBox;
    if (kind == "cylinder")
        return cmd::kCylinder;
    return 0;
}

} // namespace drevon
