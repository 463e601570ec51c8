#pragma once
// The commands of the modeller: one record per command, from which the menu
// bar, the toolbars, the facade's button table, the viewer's keys and the
// scripting names are all read. A command is either a facade command (it has
// a button of the facade's table and runs through ButtonTable::ApplyButton, its
// enable and check states asked of the facade) or a window command (it runs
// through its own function with the window's CommandWindow). Adding a
// command is one record in facade/CommandRecord.cpp and one function (a
// facade member taking the button index, or a window function there).
#include <array>
#include <string>
#include <string_view>
#include <vector>
#include "facade/DrevonExport.h"

namespace drevon {

class CDrevon;

// Command ids: the menu and toolbar ids hosts use. Facade commands keep the
// ids the embedding hosts know; window commands count on from kFirstWindowCommand.
namespace cmd {
inline constexpr int kNoCommand = -1;
inline constexpr int kTransformTarget = 32768;
inline constexpr int kBezier = 32769;
inline constexpr int kOpen = 32770;
inline constexpr int kPolyline = 32771;
inline constexpr int kSphere = 32772;
inline constexpr int kSelect = 32773;
inline constexpr int kFlyView = 32774;
inline constexpr int kSaveAs = 32775;
inline constexpr int kBox = 32776;
inline constexpr int kCylinder = 32777;
inline constexpr int kEditCurve = 32778;
inline constexpr int kPlane = 32779;
inline constexpr int kCubicSpline = 32781;
inline constexpr int kSave = 32783;
inline constexpr int kPerspective = 32790;
inline constexpr int kRotateView = 32793;
inline constexpr int kDrawStyle = 32794;
inline constexpr int kPolygon = 32795;
inline constexpr int kGroup = 32796;
inline constexpr int kDelete = 32797;
inline constexpr int kUngroup = 32798;
inline constexpr int kGrid = 32799;
inline constexpr int kTextAlongPath = 32802;
inline constexpr int kZoomView = 32804;
inline constexpr int kViewBottom = 32807;
inline constexpr int kViewTop = 32808;
inline constexpr int kViewLeft = 32809;
inline constexpr int kViewRight = 32810;
inline constexpr int kViewBack = 32811;
inline constexpr int kViewFront = 32812;
inline constexpr int kSceneTree = 32813;
inline constexpr int kInsertScene = 32817;
inline constexpr int kSnapToAngle = 32818;
inline constexpr int kMaterial = 32820;
inline constexpr int kUndo = 32821;
inline constexpr int kRedo = 32822;
inline constexpr int kTexture = 32823;
inline constexpr int kUnion = 32827;
inline constexpr int kIntersection = 32828;
inline constexpr int kDifference = 32829;
inline constexpr int kDifferenceFromLast = 32830;
inline constexpr int kCopy = 32832;
inline constexpr int kPaste = 32833;
inline constexpr int kCone = 32838;
inline constexpr int kAlign = 32846;
inline constexpr int kNextSibling = 32852;
inline constexpr int kPreviousSibling = 32853;
inline constexpr int kFirstChild = 32854;
inline constexpr int kParent = 32855;
inline constexpr int kExtrudeOrRevolve = 32857;
inline constexpr int kAxis = 32864;
inline constexpr int kExtrudeFaces = 32872;
inline constexpr int kEditVertices = 32873;
inline constexpr int kEditEdges = 32874;
inline constexpr int kEditFaces = 32875;
inline constexpr int kLight = 32876;
inline constexpr int kCircle = 32882;
inline constexpr int kUnofferedCommand = 32883;
inline constexpr int kSelectByFence = 32885;
inline constexpr int kBSpline = 32888;
inline constexpr int kPlay = 32891;
inline constexpr int kAnimation = 32893;
inline constexpr int kWrapAlongCurve = 32894;
inline constexpr int kNgon = 32903;
inline constexpr int kStar = 32904;
inline constexpr int kMetaballBooleans = 32907;
inline constexpr int kScatter = 32908;
inline constexpr int kArc = 32912;
inline constexpr int kLighting = 32913;
inline constexpr int kHelix = 32918;
inline constexpr int kLayers = 32919;
inline constexpr int kTorus = 32922;
inline constexpr int kRoof = 32923;
inline constexpr int kHandleBox = 32924;
inline constexpr int kRotateTool = 32925;
inline constexpr int kHighlightOnly = 32927;
inline constexpr int kPanView = 32928;
inline constexpr int kBoundingBox = 32929;
inline constexpr int kDisplay = 32932;
inline constexpr int kMoveTool = 32933;
inline constexpr int kScaleTool = 32934;
inline constexpr int kFont = 32938;
inline constexpr int kParameters = 32943;
inline constexpr int kConvertToMesh = 32952;
inline constexpr int kCrease = 32954;
inline constexpr int kBridge = 32956;
inline constexpr int kUncrease = 32957;
inline constexpr int kInsetFaces = 32958;
inline constexpr int kTorusKnot = 32980;
inline constexpr int kFilletPolyline = 32981;
inline constexpr int kGeoSphere = 32982;
inline constexpr int kPrism = 32983;
inline constexpr int kMeasureTape = 32984;
inline constexpr int kSecondCompoundTool = 32985;
inline constexpr int kCameraObject = 32986;
inline constexpr int kParticleEmitter = 32987;
inline constexpr int kParticleAttractor = 32988;
inline constexpr int kParticleDeflector = 32989;
inline constexpr int kParticlePointAttractor = 32990;
inline constexpr int kParticleWind = 32991;
inline constexpr int kParticleFriction = 32992;
inline constexpr int kParticleRotation = 32993;
inline constexpr int kParticleDestructor = 32995;
inline constexpr int kAnnotation = 32996;
inline constexpr int kRubberLine = 32997;// Reserved in the button table for a dialog this system does not offer.

inline constexpr int kFirstWindowCommand = 33000;
inline constexpr int kImportStl = 33000;
inline constexpr int kExportStl = 33001;
inline constexpr int kPrint = 33002;
inline constexpr int kExit = 33003;
inline constexpr int kSelectAll = 33004;
inline constexpr int kSelectNone = 33005;
inline constexpr int kInvertSelection = 33006;
inline constexpr int kShowAll = 33007;
inline constexpr int kShowSelection = 33008;
inline constexpr int kMainToolbarShown = 33009;
inline constexpr int kToolsToolbarShown = 33010;
inline constexpr int kViewToolbarShown = 33011;
inline constexpr int kAbout = 33012;
inline constexpr int kFullScreen = 33013;
inline constexpr int kHighlightColour = 33014;
inline constexpr int kLookThroughCamera = 33015;
inline constexpr int kTestPopup = 33016;
inline constexpr int kRightButtonPick = 33017;
inline constexpr int kOffset = 33018;
inline constexpr int kCappedExtrusion = 33019;
inline constexpr int kConform = 33020;
inline constexpr int kAddSmooth = 33021;
inline constexpr int kAddSimplify = 33022;
inline constexpr int kAddMelt = 33023;
inline constexpr int kAddWave = 33024;
inline constexpr int kAddTwist = 33025;
inline constexpr int kAddBend = 33026;
inline constexpr int kAddFreeFormBox = 33027;
inline constexpr int kAddSlice = 33028;
inline constexpr int kAddTriangulate = 33029;
inline constexpr int kCreateBone = 33030;
inline constexpr int kSkinToSkeleton = 33031;
inline constexpr int kBackToSkin = 33032;
inline constexpr int kModelBuilder = 33033;
inline constexpr int kMovie = 33034;
inline constexpr int kSceneTreePane = 33035;
// Commands of the viewer's keys alone (no menu entry does just this).
inline constexpr int kToggleFullScreen = 33036;
inline constexpr int kKeyTrackball = 33037;
inline constexpr int kKeyScale = 33038;
inline constexpr int kKeyMoveArrows = 33039;
inline constexpr int kKeyHandleBox = 33040;
inline constexpr int kKeySelect = 33041;
inline constexpr int kTogglePanes = 33042;
inline constexpr int kShowPanes = 33043;
inline constexpr int kKeyRotateScene = 33044;
inline constexpr int kRefreshView = 33045;
inline constexpr int kEnlargeManipulator = 33046;
inline constexpr int kShrinkManipulator = 33047;
// File, view and manipulator commands the modeller's menus offer besides.
inline constexpr int kNewScene = 33048;
inline constexpr int kLoadLayout = 33049;
inline constexpr int kSaveLayout = 33050;
inline constexpr int kSaveAsBmp = 33051;
inline constexpr int kSnapToSurface = 33052;
inline constexpr int kFrameLocal = 33053;
inline constexpr int kFrameParent = 33054;
inline constexpr int kFrameParentPlus = 33055;
inline constexpr int kFrameWorld = 33056;
inline constexpr int kFrameScreen = 33057;
inline constexpr int kFlipViewDirection = 33058;
inline constexpr int kStraightenUp = 33059;
inline constexpr int kOverrideColour = 33060;
inline constexpr int kCustomSpline = 33061;
inline constexpr int kPasteLinked = 33062;
inline constexpr int kLastWindowCommand = kPasteLinked;
} // namespace cmd

// The buttons that open dialogs: OpenDialog, IsDialogOpen, the dialog
// factory's table and the script's OpenDialog and GetToolState take these.
enum DialogButton : int {
    kColorDialog = 80,
    kTextureDialog = 81,
    kLightDialog = 82,
    kAlignDialog = 83,
    kSceneTreeDialog = 84,
    kAnimationDialog = 85,
    kUnofferedDialog = 86,
    kDisplayDialog = 87,
    kFontDialog = 88,
    kTextWrapperDialog = 89,
    kLayersDialog = 90,
    kMovieDialog = 91,
    // Second buttons of two dialogs: the same window, a slot of its own.
    kTextWrapperDialog2 = 92,
    kSceneTreeDialog2 = 93,
    kModelBuilderDialog = 94,
    kCustomDialog = 95,
    // What a script may ask GetToolState about.
    kLastToolStateButton = 97,
};
// The button that ends any tool (it shares its number with the custom dialog's).
inline constexpr int kNullToolButton = 95;

enum Toolbar : int { kNoToolbar = -1, kMainToolbar = 0, kToolsToolbar = 1, kViewToolbar = 2, kToolbarCount = 3 };

// How an icon is made: an image of the toolkit's art provider, one drawn
// of a shape or tool, or (menus only) a short text.
enum class Glyph {
    Art, Sphere, Box, Cylinder, Cone, Curve, Arrow, Fence, Rotate, Move, Scale, Pan, Zoom, Fly, View, Text,
    // The object or its pivot, a view's frustum, a measuring tape, the whole
    // scene framed, a cube seen from above and from the front.
    Pivot, Perspective, Tape, FrameAll, ViewTop, ViewFront
};

// How a facade button reports its state to a host's toolbar: not at all,
// on/off, or as one image of several.
enum class StateKind { None, Check, Image };

// What a window command needs of the window it runs in.
class DREVON_API CommandWindow {
public:
    virtual ~CommandWindow() = default;
    virtual void Print() = 0;
    virtual void Exit() = 0;
    virtual void ShowToolbar(Toolbar toolbar, bool show) = 0;
    virtual bool IsToolbarShown(Toolbar toolbar) const = 0;
    virtual void About() = 0;
    // The scene-tree pane beside the view; a window without one has none.
    virtual void ShowSceneTree(bool) {}
    virtual bool IsSceneTreeShown() const { return false; }
};

// A facade operation and its predicate take the button index, never the id.
// They are functions of the facade's command families: a record names one as
// Operation<&Family::Function> (Predicate<...> for the enabled state;
// facade/CommandOperation.h), which finds the family on the facade it runs on.
using CommandApply = void (*)(CDrevon &facade, int button);
using CommandUpdate = bool (*)(CDrevon &facade, int button);

using WindowRun = bool (*)(CDrevon &facade, CommandWindow &window);
using WindowEnabled = bool (*)(CDrevon &facade);
using WindowChecked = bool (*)(CDrevon &facade, const CommandWindow &window);

inline constexpr int kNoButton = -1;

struct DREVON_API CommandRecord {
    int id = cmd::kNoCommand;
    // Where it shows: null menu for a command reached only by its button,
    // key or script name.
    const char *menu = nullptr;     // "File", "Edit", ...
    const char *label = nullptr;    // with its mnemonic ("&Open...")
    const char *tooltip = nullptr;
    Glyph glyph = Glyph::Text;
    const char *art = "";           // the art id for Glyph::Art, the text for drawn glyphs
    const char *accelerator = nullptr;  // "Ctrl+Z", "Delete", or null
    Toolbar toolbar = kNoToolbar;
    bool check = false;             // the menu item shows an on/off state
    // A facade command: its entry in the facade's button table.
    int button = kNoButton;
    int states = 1;
    StateKind stateKind = StateKind::None;
    CommandApply apply = nullptr;   // null: listed but not offered (disabled)
    CommandUpdate update = nullptr; // null: always enabled
    // A window command.
    WindowRun run = nullptr;
    // Null: always enabled. A facade command with one is enabled only when
    // both this and the facade's own predicate allow it.
    WindowEnabled enabled = nullptr;
    WindowChecked checked = nullptr;
    // Whether running it changes the scene as one undo step.
    bool undoStep = false;
    // The control's dispatch method that does the same from a script, if any.
    const char *script = nullptr;
    // Viewer keys (engine key codes, no Ctrl or Alt) that run it; 0: none.
    std::array<int, 2> keys{};
    // The submenu of its menu the entry sits in, or null for the menu itself.
    const char *submenu = nullptr;
    // What the command needs that is missing when it cannot act ("Select a
    // closed curve first"): the status bar's answer to a refused command.
    const char *needs = nullptr;
};

// The menus in the order of the menu bar.
DREVON_API const char *const *GetMenus(int &count);
// Every record; menus and toolbars take their entries in this order, the
// facade registers its buttons in it (a later record of one id takes the id).
DREVON_API const CommandRecord *GetCommands(int &count);
// The record that runs the id (the last one of that id), or null.
DREVON_API const CommandRecord *FindCommand(int id);
inline bool IsWindowCommand(int id)
{
    return id >= cmd::kFirstWindowCommand && id <= cmd::kLastWindowCommand;
}

// Runs a command: window commands through their function, every other id
// through the facade's button table (ApplyButton). False for an id nothing routes.
DREVON_API bool RunCommand(int id, CDrevon &facade, CommandWindow &window);
// Runs a facade command without a window (a script's call): its operation
// on its button, one undo step where the record says so. False for an id
// without a facade record.
DREVON_API bool RunFacadeCommand(int id, CDrevon &facade);
// The facade record whose button is `button` and whose script form is
// `script`, or null: a script method taking a button index runs the command
// of that button through its record when there is one. (By name, not by the
// operation's address: each library has its own copy of an operation's
// template, so addresses taken in two libraries differ.)
DREVON_API const CommandRecord *FindButtonCommand(int button, std::string_view script);
// Runs that record's operation on its button as RunFacadeCommand does.
DREVON_API void RunFacadeRecord(const CommandRecord &record, CDrevon &facade);
// Whether the command can run now.
DREVON_API bool IsCommandEnabled(int id, CDrevon &facade);
// The on/off state a check entry shows.
DREVON_API bool IsCommandChecked(int id, CDrevon &facade, const CommandWindow &window);

// The engine key codes of the accelerators without Ctrl, Alt or Shift
// (Delete, Home): the menus run those keys, so the facade's shortcuts leave them.
DREVON_API std::vector<int> MenuKeys();

// Runs the command of a viewer key (its record's keys); false when no
// record has the key.
DREVON_API bool RunKeyCommand(int key, CDrevon &facade);

// The facade command that --create KIND chooses ("sphere", "box",
// "cylinder"), or 0 for an unknown kind.
DREVON_API int CreationCommand(const std::string &kind);

} // namespace drevon
