#include "control/HostCommandTable.h"

#include <cctype>
#include <cstdlib>
#include <iterator>
#include <optional>

#include "facade/CDrevon.h"
#include "platform/Notifier.h"

namespace modeller {

namespace {

const char *const kMenus[] = {"File", "Edit", "View", "Create", "Modify", "Selection", "Window", "Help"};

constexpr Glyph A = Glyph::Art;
// The facade's button of the parametric-model builder.
constexpr int kModelBuilderButton = 94;
constexpr int kMovieButton = 91;
constexpr Glyph T = Glyph::Text;

// Menu order follows the table; toolbars take their entries in table order.
const CommandEntry kCommands[] = {
    // File
    {32770, "File", "&Open...", "Open a scene, replacing this one", A, "wxART_FILE_OPEN", "Ctrl+O", kMainToolbar, false},
    {32817, "File", "&Insert Scene...", "Read a scene into this one", T, "+", nullptr, kNoToolbar, false},
    {kHostImportStl, "File", "I&mport STL...", "Add the triangles of an STL file as an object", T, "STL", nullptr, kNoToolbar, false},
    {kHostExportStl, "File", "&Export Selection as STL...", "Write the selected objects as a binary STL file", T, "STL", nullptr, kNoToolbar, false},
    {32783, "File", "&Save", "Save the scene", A, "wxART_FILE_SAVE", "Ctrl+S", kMainToolbar, false},
    {32775, "File", "Save &As...", "Save the scene under another name", A, "wxART_FILE_SAVE_AS", "Ctrl+Shift+S", kNoToolbar, false},
    {kHostPrint, "File", "&Print...", "Print the view", A, "wxART_PRINT", "Ctrl+P", kNoToolbar, false},
    {kHostExit, "File", "E&xit", "Close the window", A, "wxART_QUIT", "Ctrl+Q", kNoToolbar, false},
    // Edit
    {32821, "Edit", "&Undo", "Undo the last change", A, "wxART_UNDO", "Ctrl+Z", kMainToolbar, false},
    {32822, "Edit", "&Redo", "Redo the change undone last", A, "wxART_REDO", "Ctrl+Y", kMainToolbar, false},
    {32832, "Edit", "&Copy", "Copy the selected objects", A, "wxART_COPY", "Ctrl+C", kMainToolbar, false},
    {32833, "Edit", "&Paste", "Paste the copied objects", A, "wxART_PASTE", "Ctrl+V", kMainToolbar, false},
    {32797, "Edit", "&Delete", "Delete the selected objects", A, "wxART_DELETE", "Delete", kMainToolbar, false},
    {32796, "Edit", "&Group", "Group the selected objects", T, "G", "Ctrl+G", kNoToolbar, false},
    {32798, "Edit", "U&ngroup", "Take the selected groups apart", T, "U", "Ctrl+Shift+G", kNoToolbar, false},
    {32768, "Edit", "Transform &Target", "Switch what a drag moves: the object or its pivot", T, "P", nullptr, kToolsToolbar, false},
    {32820, "Edit", "&Material...", "Edit the material of the selection", T, "M", nullptr, kNoToolbar, false},
    {32876, "Edit", "L&ight...", "Edit the light of the selected object or of the view", T, "Lt", nullptr, kNoToolbar, false},
    {32846, "Edit", "&Align...", "Align the selected objects to the last selected one", T, "Al", nullptr, kNoToolbar, false},
    {32938, "Edit", "&Font...", "Choose the font of the selected text", T, "F", nullptr, kNoToolbar, false},
    {32823, "Edit", "Te&xture...", "Choose the texture of the selection", T, "Tx", nullptr, kNoToolbar, false},
    {32802, "Edit", "Text Along a Pat&h...", "Place a text along a curve", T, "Tp", nullptr, kNoToolbar, false},
    {32891, "Edit", "P&lay Animation", "Play or stop the animation", A, "wxART_GO_FORWARD", nullptr, kMainToolbar, false},
    // View
    {32793, "View", "&Rotate", "Turn the scene with the left button", Glyph::Rotate, "", nullptr, kViewToolbar, true},
    {32928, "View", "&Pan", "Move the view with the left button", Glyph::Pan, "", nullptr, kViewToolbar, true},
    {32804, "View", "&Zoom", "Zoom with the left button", Glyph::Zoom, "", nullptr, kViewToolbar, true},
    {32774, "View", "&Fly", "Fly through the scene with the left button", Glyph::Fly, "", nullptr, kViewToolbar, true},
    {kHostShowAll, "View", "Show &All", "Frame the whole scene", Glyph::View, "A", "Home", kViewToolbar, false},
    {kHostFocusSelection, "View", "Show &Selection", "Frame the selected objects", Glyph::View, "S", "Ctrl+Home", kNoToolbar, false},
    {32807, "View", "&Bottom", "Look from below", Glyph::View, "Bo", nullptr, kNoToolbar, false},
    {32808, "View", "&Top", "Look from above", Glyph::View, "T", nullptr, kViewToolbar, false},
    {32809, "View", "&Left", "Look from the left", Glyph::View, "L", nullptr, kNoToolbar, false},
    {32810, "View", "R&ight", "Look from the right", Glyph::View, "R", nullptr, kNoToolbar, false},
    {32811, "View", "Bac&k", "Look from behind", Glyph::View, "Ba", nullptr, kNoToolbar, false},
    {32812, "View", "Fr&ont", "Look from the front", Glyph::View, "F", nullptr, kViewToolbar, false},
    {32790, "View", "P&erspective", "Switch between perspective and parallel projection", T, "Pe", nullptr, kViewToolbar, true},
    {32794, "View", "&Draw Style", "Cycle filled, wire frame and points", T, "W", nullptr, kNoToolbar, false},
    {32913, "View", "Lig&hting", "Switch lighting on or off", T, "Li", nullptr, kNoToolbar, false},
    {32799, "View", "&Grid", "Show or hide the grid", T, "#", nullptr, kNoToolbar, true},
    {32864, "View", "A&xis", "Show or hide the axis", T, "xyz", nullptr, kNoToolbar, true},
    {kHostSceneTree, "View", "S&cene Tree", "Show or hide the scene tree beside the view", T, "", "Ctrl+T", kNoToolbar, true},
    // Create
    {32772, "Create", "&Sphere", "Create a sphere: click, drag the radius, click", Glyph::Sphere, "", nullptr, kToolsToolbar, true},
    {32776, "Create", "&Box", "Create a box: drag the base, click, drag the height, click", Glyph::Box, "", nullptr, kToolsToolbar, true},
    {32777, "Create", "C&ylinder", "Create a cylinder", Glyph::Cylinder, "", nullptr, kToolsToolbar, true},
    {32838, "Create", "C&one", "Create a cone", Glyph::Cone, "", nullptr, kNoToolbar, true},
    {32922, "Create", "&Torus", "Create a torus", T, "O", nullptr, kNoToolbar, true},
    {32779, "Create", "P&lane", "Create a plane", T, "Pl", nullptr, kNoToolbar, true},
    {32903, "Create", "&N-gon", "Create a regular polygon", T, "N", nullptr, kNoToolbar, true},
    {32904, "Create", "St&ar", "Create a star", T, "*", nullptr, kNoToolbar, true},
    {32882, "Create", "&Circle", "Create a circle", T, "C", nullptr, kNoToolbar, true},
    {32912, "Create", "A&rc", "Create an arc", T, "(", nullptr, kNoToolbar, true},
    {32918, "Create", "&Helix", "Create a helix", T, "@", nullptr, kNoToolbar, true},
    {32771, "Create", "&Polyline", "Draw a polyline", Glyph::Curve, "", nullptr, kToolsToolbar, true},
    {32795, "Create", "Poly&gon", "Draw a polygon", T, "Pg", nullptr, kNoToolbar, true},
    {32888, "Create", "B-Spline", "Draw a B-spline", T, "Bs", nullptr, kNoToolbar, true},
    {32781, "Create", "Cubic Spline", "Draw a cubic B-spline", T, "Cs", nullptr, kNoToolbar, true},
    {32769, "Create", "B&ezier", "Draw a Bezier curve", T, "Bz", nullptr, kNoToolbar, true},
    {32980, "Create", "Torus &Knot", "Create a torus knot", T, "Kn", nullptr, kNoToolbar, true},
    {32982, "Create", "GeoSphere", "Create a sphere of triangles", T, "Gs", nullptr, kNoToolbar, true},
    {32983, "Create", "Prism", "Raise a prism on a curve: click the curve, drag the height, click", T, "Pr", nullptr, kNoToolbar, true},
    {32981, "Create", "&Fillet Polyline", "Draw a polyline with rounded corners", T, "Fp", nullptr, kNoToolbar, true},
    {32778, "Create", "Edit Cur&ve", "Move, insert and delete the points of a curve", T, "Ec", nullptr, kNoToolbar, false},
    {32984, "Create", "Measure Tape", "Measure a distance: click the first point, drag to the second, click", T, "Mt", nullptr, kToolsToolbar, true},
    {32986, "Create", "Camera Ob&ject", "Add a camera body that looks at a target it is joined to", T, "Ca", nullptr, kNoToolbar, false},
    {32996, "Create", "Annotation", "Tie a text label to the selected object", T, "An", nullptr, kNoToolbar, false},
    {32997, "Create", "Rubber Line", "Join the two selected objects by a line that follows them", T, "Rl", nullptr, kNoToolbar, false},
    {32987, "Create", "Particle Emitter", "Add a particle emitter", T, "Pe", nullptr, kNoToolbar, false},
    {32988, "Create", "Particle Attractor", "Add an attractor of particles", T, "Pa", nullptr, kNoToolbar, false},
    {32989, "Create", "Particle Deflector", "Add a deflector of particles", T, "Pd", nullptr, kNoToolbar, false},
    {32990, "Create", "Particle Point Attractor", "Add a point attractor of particles", T, "Pp", nullptr, kNoToolbar, false},
    {32991, "Create", "Particle Wind", "Add wind for particles", T, "Pw", nullptr, kNoToolbar, false},
    {32992, "Create", "Particle Friction", "Add friction for particles", T, "Pf", nullptr, kNoToolbar, false},
    {32993, "Create", "Particle Rotation", "Add a rotation for particles", T, "Pr", nullptr, kNoToolbar, false},
    {32995, "Create", "Particle Destructor", "Add a destructor of particles", T, "Px", nullptr, kNoToolbar, false},
    {32827, "Create", "&Union", "Unite the selected objects", T, "U", nullptr, kNoToolbar, false},
    {32828, "Create", "&Intersection", "Intersect the selected objects", T, "I", nullptr, kNoToolbar, false},
    {32829, "Create", "&Difference", "Subtract the later selected objects from the first", T, "D", nullptr, kNoToolbar, false},
    {32830, "Create", "Difference from the Last", "Subtract the earlier selected objects from the last", T, "DL", nullptr, kNoToolbar, false},
    {32907, "Create", "&Metaball Booleans", "New Boolean objects blend as metaballs", T, "Mb", nullptr, kNoToolbar, true},
    {32818, "Create", "Snap to Angle", "Snap directions of new curves to angle steps", T, "<", nullptr, kNoToolbar, true},
    // Selection
    {32773, "Selection", "&Select", "Select with the mouse", Glyph::Arrow, "", nullptr, kToolsToolbar, false},
    {32885, "Selection", "Select by &Fence", "Select the objects inside a dragged rectangle", Glyph::Fence, "", nullptr, kToolsToolbar, false},
    {32933, "Selection", "&Move", "Move the selection with arrows", Glyph::Move, "", nullptr, kToolsToolbar, true},
    {32925, "Selection", "&Rotate", "Turn the selection with a trackball", Glyph::Rotate, "", nullptr, kToolsToolbar, true},
    {32934, "Selection", "S&cale", "Scale the selection", Glyph::Scale, "", nullptr, kToolsToolbar, true},
    {32924, "Selection", "&Handle Box", "Move and scale the selection with a handle box", T, "H", nullptr, kNoToolbar, true},
    {32929, "Selection", "&Bounding Box", "Show the selection's bounding box", T, "[]", nullptr, kNoToolbar, true},
    {32927, "Selection", "Highlight &Only", "Only highlight the selection", T, "Hi", nullptr, kNoToolbar, true},
    {32943, "Selection", "&Parameters", "Edit the selection's parameters with handles", T, "Pa", nullptr, kNoToolbar, true},
    {kHostSelectAll, "Selection", "Select &All", "Select every object", T, "*", "Ctrl+A", kNoToolbar, false},
    {kHostSelectNone, "Selection", "Select &None", "Deselect everything", T, "-", "Ctrl+Shift+A", kNoToolbar, false},
    {kHostSelectInvert, "Selection", "&Invert Selection", "Select what is not selected", T, "~", "Ctrl+I", kNoToolbar, false},
    {32852, "Selection", "Ne&xt Sibling", "Select the next object beside the selected one", T, ">", nullptr, kNoToolbar, false},
    {32853, "Selection", "Pre&vious Sibling", "Select the previous object beside the selected one", T, "<", nullptr, kNoToolbar, false},
    {32854, "Selection", "First Chil&d", "Select the first object inside the selected group", T, "v", nullptr, kNoToolbar, false},
    {32855, "Selection", "Par&ent", "Select the group holding the selected object", T, "^", nullptr, kNoToolbar, false},
    // Modify
    {32857, "Modify", "E&xtrude or Revolve", "Revolve one selected profile, or extrude the first along the others", T, "Ex", nullptr, kNoToolbar, false},
    {32923, "Modify", "&Roof", "Build a roof over the selected outlines", T, "Rf", nullptr, kNoToolbar, false},
    {kHostOffset, "Modify", "&Offset", "Draw a curve at a distance from the selected curve", T, "Of", nullptr, kNoToolbar, false},
    {kHostCappedExtrude, "Modify", "&Capped Extrusion", "Extrude the selected profiles with rounded caps", T, "Ec", nullptr, kNoToolbar, false},
    {32894, "Modify", "&Wrap Along Curve", "Lay the first selected object along the curve selected second", T, "Wr", nullptr, kNoToolbar, false},
    {32908, "Modify", "Sc&atter", "Place copies of the first selected object at the points of the second", T, "Sc", nullptr, kNoToolbar, false},
    {kHostConform, "Modify", "Con&form", "Drape a surface over the points of the second selected object", T, "Cf", nullptr, kNoToolbar, false},
    {kHostSmoothModifier, "Modify", "Add &Smooth", "Smooth the selected object's mesh", T, "Sm", nullptr, kNoToolbar, false},
    {kHostSimplifyModifier, "Modify", "Add Sim&plify", "Simplify the selected object's mesh", T, "Si", nullptr, kNoToolbar, false},
    {kHostMeltModifier, "Modify", "Add Me&lt", "Melt the selected object", T, "Me", nullptr, kNoToolbar, false},
    {kHostWaveModifier, "Modify", "Add Wa&ve", "Ripple the selected object", T, "Wa", nullptr, kNoToolbar, false},
    {kHostTwistModifier, "Modify", "Add &Twist", "Twist the selected object", T, "Tw", nullptr, kNoToolbar, false},
    {kHostBendModifier, "Modify", "Add &Bend", "Bend the selected object", T, "Be", nullptr, kNoToolbar, false},
    {kHostFreeFormModifier, "Modify", "Add Fr&ee-Form Box", "Deform the selected object with a lattice", T, "FF", nullptr, kNoToolbar, false},
    {kHostSliceModifier, "Modify", "Add Sl&ice", "Cut the selected object with a plane", T, "Sl", nullptr, kNoToolbar, false},
    {kHostTriangulateModifier, "Modify", "Add Tria&ngulate", "Cut the selected object's faces into triangles", T, "Tr", nullptr, kNoToolbar, false},
    {32952, "Modify", "Convert to &Mesh", "Add a mesh made of what the selected object shows", T, "Ms", nullptr, kNoToolbar, false},
    {32873, "Modify", "E&dit Vertices", "Select and move the vertices of the selected mesh", T, "V", nullptr, kNoToolbar, true},
    {32874, "Modify", "Edit Ed&ges", "Select and move the edges of the selected mesh", T, "E", nullptr, kNoToolbar, true},
    {32875, "Modify", "Edit Faces", "Select and move the faces of the selected mesh", T, "F", nullptr, kNoToolbar, true},
    {32872, "Modify", "Extrude Selected Faces", "Pull the selected faces out", T, "Xf", nullptr, kNoToolbar, false},
    {32958, "Modify", "Inset Selected Faces", "Pull the selected faces out with an inset rim", T, "If", nullptr, kNoToolbar, false},
    {32954, "Modify", "Crease", "Sharpen the selected edges", T, "Cr", nullptr, kNoToolbar, false},
    {32957, "Modify", "Uncrease", "Smooth the selected edges again", T, "Uc", nullptr, kNoToolbar, false},
    {32956, "Modify", "Bridge", "Join the selected sub-objects with new faces", T, "Br", nullptr, kNoToolbar, false},
    {kHostCreateBone, "Modify", "Create Bone", "Add a bone to the scene", T, "Bn", nullptr, kNoToolbar, false},
    {kHostSkin, "Modify", "S&kin to Skeleton", "Bind the first selected mesh to the skeleton selected second", T, "Sk", nullptr, kNoToolbar, false},
    {kHostBackToSkin, "Modify", "Back to Skin", "Put the selected skin's skeleton back in its bind pose", T, "Bs", nullptr, kNoToolbar, false},
    // Window
    {kHostMainToolbar, "Window", "&Main Toolbar", "Show or hide the file and edit toolbar", T, "", nullptr, kNoToolbar, true},
    {kHostToolsToolbar, "Window", "&Tools Toolbar", "Show or hide the creation and selection toolbar", T, "", nullptr, kNoToolbar, true},
    {kHostViewToolbar, "Window", "&View Toolbar", "Show or hide the view toolbar", T, "", nullptr, kNoToolbar, true},
    {32919, "Window", "&Layers...", "Show the layers and the objects on them", T, "La", nullptr, kNoToolbar, false},
    {32813, "Window", "Scene T&ree...", "Show the scene as a tree", T, "Tr", nullptr, kNoToolbar, false},
    {32893, "Window", "A&nimation...", "Show the key-frame bar", T, "An", nullptr, kNoToolbar, false},
    {32932, "Window", "&Display...", "Hide and unhide objects", T, "Di", nullptr, kNoToolbar, false},
    {kHostModelBuilder, "Window", "&Parametric Model...", "Build or edit a parametric model of the selection", T, "Pm", nullptr, kNoToolbar, false},
    {kHostMovie, "Window", "Mov&ie...", "Record the animation as a movie", T, "Mv", nullptr, kNoToolbar, false},
    // Help
    {kHostAbout, "Help", "&About", "What this program is", A, "wxART_INFORMATION", nullptr, kNoToolbar, false},
    {kHostFullScreen, "View", "F&ull Screen", "Show the view on the whole screen; close that window to come back", T, "[ ]", nullptr, kNoToolbar, false},
    {kHostAttachCamera, "View", "Look Through Selected Ca&mera", "Look through the camera inside the selected object", T, "Cam", nullptr, kNoToolbar, false},
    {kHostSelectionColor, "Selection", "Highlight Co&lour...", "Choose the colour selected objects are highlighted in", T, "Hc", nullptr, kNoToolbar, false},
    {kHostTestPopup, "Help", "Test &Pop-up Menu", "Pop up a test menu over the view", T, "Pm", nullptr, kNoToolbar, false},
    {kHostRightMouseMenu, "Help", "&Right-Button Pick", "Let a right click pick what lies under the cursor", T, "Rp", nullptr, kNoToolbar, false},
};

Toolbar ToolbarOf(int id)
{
    switch (id) {
    case kHostMainToolbar:
        return kMainToolbar;
    case kHostToolsToolbar:
        return kToolsToolbar;
    case kHostViewToolbar:
        return kViewToolbar;
    default:
        return kNoToolbar;
    }
}

bool HasSelection(drevon::CDrevon &facade)
{
    return facade.NonemptySelection(0);
}

bool ExportSelection(drevon::CDrevon &facade)
{
    FileRequest request;
    request.title = "Export Selection";
    request.defaultExtension = "stl";
    request.initialName = "selection.stl";
    request.filter = "STL Files (*.stl)|*.stl|All Files (*.*)|*.*||";
    request.save = true;
    if (const std::optional<std::string> path = ChooseFile(request))
        facade.ExportSelection(path->c_str(), "stl");
    return true;
}

} // namespace

const char *const *GetMenus(int &count)
{
    count = static_cast<int>(std::size(kMenus));
    return kMenus;
}

const CommandEntry *GetCommands(int &count)
{
    count = static_cast<int>(std::size(kCommands));
    return kCommands;
}

const CommandEntry *FindCommand(int id)
{
    for (const CommandEntry &entry : kCommands)
        if (entry.id == id)
            return &entry;
    return nullptr;
}

bool RunCommand(int id, drevon::CDrevon &facade, HostActions &actions)
{
    if (!IsHostCommand(id))
        return facade.ApplyButton(id);
    switch (id) {
    case kHostImportStl:
        facade.ImportFile(true);
        return true;
    case kHostExportStl:
        return ExportSelection(facade);
    case kHostPrint:
        actions.Print();
        return true;
    case kHostExit:
        actions.Exit();
        return true;
    case kHostSelectAll:
        facade.ChangeSelection(0);
        return true;
    case kHostSelectNone:
        facade.ChangeSelection(1);
        return true;
    case kHostSelectInvert:
        facade.ChangeSelection(2);
        return true;
    case kHostShowAll:
        facade.Focus(false);
        return true;
    case kHostFocusSelection:
        facade.Focus(true);
        return true;
    case kHostMainToolbar:
    case kHostToolsToolbar:
    case kHostViewToolbar:
        actions.ShowToolbar(ToolbarOf(id), !actions.IsToolbarShown(ToolbarOf(id)));
        return true;
    case kHostAbout:
        actions.About();
        return true;
    case kHostModelBuilder:
        facade.OpenDialog(kModelBuilderButton);
        return true;
    case kHostMovie:
        facade.OpenDialog(kMovieButton);
        return true;
    case kHostFullScreen:
        return facade.CreateWinViewer("FullScreen", 200, 500) != nullptr;
    case kHostSelectionColor:
        facade.OnChangeSelectionColor();
        return true;
    case kHostAttachCamera:
        facade.AttachCameraToCurrView();
        return true;
    case kHostTestPopup:
        facade.TestPopup();
        return true;
    case kHostRightMouseMenu:
        facade.ActivateRightMouseMenu();
        return true;
    case kHostOffset:
        facade.OnExtrude(115);
        return true;
    case kHostCappedExtrude:
        facade.OnExtrude(117);
        return true;
    case kHostConform:
        facade.Conform(0);
        return true;
    case kHostCreateBone:
        facade.CreateBone();
        return true;
    case kHostSkin:
        facade.SkinSkeleton(0);
        return true;
    case kHostBackToSkin:
        facade.BackToSkin(0);
        return true;
    case kHostSceneTree:
        actions.ShowSceneTree(!actions.IsSceneTreeShown());
        return true;
    default:
        if (id >= kHostSmoothModifier && id <= kHostTriangulateModifier) {
            facade.OnAddModifier(id - kHostSmoothModifier + 1);
            return true;
        }
        return false;
    }
}

bool IsCommandEnabled(int id, drevon::CDrevon &facade)
{
    if (!IsHostCommand(id))
        return facade.ApplyUpdate(id);
    switch (id) {
    case kHostExportStl:
    case kHostFocusSelection:
    case kHostAttachCamera:
        return HasSelection(facade);
    case kHostFullScreen:
        return facade.GetCurrentViewer() != nullptr && !facade.IsFullScreen();
    case kHostTestPopup:
        return facade.GetCurrentViewer() != nullptr;
    case kHostShowAll:
    case kHostPrint:
        return facade.GetCurrentViewer() != nullptr;
    case kHostOffset:
    case kHostCappedExtrude:
        return facade.UpdateExtrude(0);
    case kHostConform:
    case kHostSkin:
        return facade.MoreThanOneSelected(0);
    case kHostBackToSkin:
        return facade.UpdateSelectedOne(0);
    case kHostModelBuilder:
        return facade.UpdateDialog(kModelBuilderButton);
    case kHostMovie:
        return facade.UpdateDialog(kMovieButton);
    default:
        if (id >= kHostSmoothModifier && id <= kHostTriangulateModifier)
            return facade.UpdateSelectedOne(0);
        return true;
    }
}

bool IsCommandChecked(int id, drevon::CDrevon &facade, const HostActions &actions)
{
    if (id == kHostSceneTree)
        return actions.IsSceneTreeShown();
    if (IsHostCommand(id)) {
        const Toolbar toolbar = ToolbarOf(id);
        return toolbar != kNoToolbar && actions.IsToolbarShown(toolbar);
    }
    const int button = facade.GetButtonIndex(id);
    return button >= 0 && facade.GetButtonState(button) != 0;
}

std::vector<int> MenuKeys()
{
    // The engine's key codes of the plain keys an accelerator may name.
    static constexpr struct {
        const char *name;
        int key;
    } kNamed[] = {{"Delete", 46}, {"Home", 36}, {"End", 35}, {"Insert", 45}, {"Space", 32}, {"Escape", 27}};
    std::vector<int> keys;
    for (const CommandEntry &entry : kCommands) {
        if (!entry.accelerator)
            continue;
        const std::string accelerator = entry.accelerator;
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

int CreationCommand(const std::string &kind)
{
    if (kind == "sphere")
        return 32772;
    if (kind == "box")
        return 32776;
    if (kind == "cylinder")
        return 32777;
    return 0;
}

} // namespace modeller
