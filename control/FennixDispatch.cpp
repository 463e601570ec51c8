#include "control/FennixDispatch.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>
#include <sstream>

#include <nlohmann/json.hpp>

#include "control/FennixBase64.h"
#include "control/FennixControl.h"
#include "control/FennixDispatchDocs.h"
#include "engine/core/SgNode.h"
#include "engine/core/SgRef.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgDocumentFiles.h"
#include "engine/nodes/object/SgObject.h"
#include "facade/CDrevon.h"
#include "facade/CommandOperation.h"
#include "facade/CommandRecord.h"
#include "platform/Notifier.h"
#include "platform/window/SgWindowFactory.h"

namespace fennix {

const char *DispTypeName(DispType type)
{
    switch (type) {
    case DispType::Empty: return "";
    case DispType::Bstr: return "BSTR";
    case DispType::I2: return "I2";
    case DispType::I4: return "I4";
    case DispType::I8: return "I8";
    case DispType::R8: return "R8";
    case DispType::Bool: return "BOOL";
    case DispType::Variant: return "VARIANT";
    case DispType::Unknown: return "UNKNOWN";
    }
    return "";
}

namespace {

using T = DispType;
using C = FennixControl;
using A = DispArgs;
using R = DispResult;

R NoWindow()
{
    return R::Error(kErrNoWindow, "the control has no window yet");
}

#define FACADE                                  \
    drevon::CDrevon *f = c.GetFacade();         \
    if (!f)                                     \
        return NoWindow();

// A script method that does what a menu command does runs through the
// command's record: the same operation, on the same button, one undo step
// where the record says so.
R RunRecord(C &c, int id)
{
    FACADE
    drevon::RunFacadeCommand(id, *f);
    return R::Ok();
}

// A script method taking a button index: the record of that button when it
// runs this operation, the operation itself for a button without one.
R RunButton(C &c, int button, std::string_view script, drevon::CommandApply apply)
{
    FACADE
    if (const drevon::CommandRecord *record = drevon::FindButtonCommand(button, script))
        drevon::RunFacadeRecord(*record, *f);
    else
        apply(*f, button);
    return R::Ok();
}

int I(const A &a, std::size_t k)
{
    return static_cast<int>(a[k].integer);
}
const std::string &S(const A &a, std::size_t k)
{
    return a[k].text;
}

// ---- properties -----------------------------------------------------------------

// An error result naming the file and what the reader found, unless the
// scene was read (whole, or up to a broken section after it).
R OpenedOrWhy(int read, const char *what, const std::string &name)
{
    if (read == SgDocumentFiles::kReadDone || read == SgDocumentFiles::kIncomplete)
        return R::Ok();
    return R::Error(kErrFailed, std::string(what) + ": " + name + " " + SgDocumentFiles::Describe(read));
}

R FileNameProp(C &c, const A &a)
{
    if (a.empty()) {
        // A control serving a host's facade (the modeller's window) was
        // given no name: the scene the host opened is the one it names.
        if (c.Properties().fileName.empty() && c.GetFacade())
            return R::Ok(DispValue::Str(c.GetFacade()->GetCurrentFile()));
        return R::Ok(DispValue::Str(c.Properties().fileName));
    }
    if (!c.GetFacade()) {
        // Kept for the window's creation, which opens it.
        c.Properties().fileName = S(a, 0);
        c.SetModified();
        return NoWindow();
    }
    // The property names the scene that is open: a file that cannot be read
    // leaves both as they were, and the caller hears why.
    if (R refused = OpenedOrWhy(c.GetFacade()->GetFiles().OpenFile(S(a, 0).c_str(), true, nullptr), "FileName", S(a, 0));
        !refused.ok)
        return refused;
    c.Properties().fileName = S(a, 0);
    c.SetModified();
    return R::Ok();
}

R N1Prop(C &c, const A &a)
{
    if (a.empty())
        return R::Ok(DispValue::Int(c.Properties().n1));
    c.Properties().n1 = I(a, 0);
    c.SetModified();
    return R::Ok();
}

R BGColorProp(C &c, const A &a)
{
    if (a.empty())
        return R::Ok(DispValue::Int(static_cast<std::int32_t>(c.Properties().bgColor)));
    c.Properties().bgColor = static_cast<std::uint32_t>(a[0].integer);
    c.SetModified();
    FACADE
    float rgb[3];
    FennixControl::ColorToRgb(c.Properties().bgColor, rgb);
    // The colour waits in the property until there is a viewer to take it.
    if (f->GetCurrentViewer())
        f->GetViewing().SetViewerBGColor(f->GetDefaultViewer(), rgb);
    return R::Ok();
}

R CookiesProp(C &c, const A &a)
{
    if (a.empty())
        return R::Ok(DispValue::Str(c.Properties().cookies));
    c.Properties().cookies = S(a, 0);
    c.SetModified();
    return R::Ok();
}

const char *const kInlineSceneName = "(file property)";

R FileProp(C &c, const A &a)
{
    if (a.empty())
        return R::Ok(DispValue::Str(c.Properties().fileText));
    c.Properties().fileText = S(a, 0);
    c.SetModified();
    FACADE
    std::istringstream in(c.Properties().fileText);
    // The text comes from no file: its messages name the property, and the
    // scene that replaces the open one is untitled, so that a save asks for a
    // name instead of writing over the file that was open.
    const int read = f->GetFiles().ReadFileStream(in, true, kInlineSceneName);
    if (read == SgDocumentFiles::kReadDone || read == SgDocumentFiles::kIncomplete) {
        if (SgDocument *document = f->GetDocument())
            document->SetFileName("");
        c.Properties().fileName.clear();
    }
    return R::Ok();
}

R TexturePathProp(C &c, const A &a)
{
    if (a.empty())
        return R::Ok(DispValue::Str(c.Properties().texturePath));
    c.Properties().texturePath = S(a, 0);
    c.SetModified();
    FACADE
    f->SetTexturePathes(c.Properties().texturePath.c_str());
    return R::Ok();
}

R ClientFrameProp(C &c, const A &a)
{
    if (a.empty())
        return R::Ok(DispValue::Int(c.Properties().clientFrame));
    c.Properties().clientFrame = static_cast<std::int16_t>(a[0].integer);
    c.SetModified();
    return R::Ok();
}

R ToolBarConfigProp(C &c, const A &a)
{
    if (a.empty())
        return R::Ok(DispValue::Int(c.Properties().toolBarConfig));
    c.Properties().toolBarConfig = I(a, 0);
    c.SetModified();
    return R::Ok();
}

R CacheLoadedUrlProp(C &c, const A &a)
{
    if (a.empty())
        return R::Ok(DispValue::Int(c.Properties().cacheLoadedUrl));
    c.Properties().cacheLoadedUrl = static_cast<std::int16_t>(a[0].integer);
    FACADE
    f->GetFiles().SetUrlCache(c.Properties().cacheLoadedUrl != 0);
    return R::Ok();
}

// ---- methods ----------------------------------------------------------------------

R LoadFile(C &c, const A &a)
{
    FACADE
    DispResult error;
    SgNode *root = c.NodeOf(a[2], error);
    if (!error.ok)
        return error;
    const bool deleteScene = a[1].boolean;
    if (!S(a, 0).empty()) {
        if (R refused = OpenedOrWhy(f->GetFiles().OpenFile(S(a, 0).c_str(), deleteScene, root), "LoadFile", S(a, 0)); !refused.ok)
            return refused;
    } else {
        f->GetFiles().OnOpenFile(deleteScene);
    }
    if (deleteScene)
        c.Properties().fileName = f->GetCurrentFile();
    return R::Ok();
}

R OpenDialog(C &c, const A &a)
{
    FACADE
    const int dialog = I(a, 0);
    if (dialog >= 20 && dialog <= 23) {
        // The tree pane is slot 3, the toolbars 0-2; a window without panes has nothing to show.
        f->GetHostEvents().ShowDockable(dialog == 20 ? 3 : dialog - 21, -1);
        return R::Ok();
    }
    if (dialog == 24) {
        f->GetHostEvents().ShowAllDocable(-1);
        return R::Ok();
    }
    if (dialog == drevon::kUnofferedDialog)
        return R::Error(kErrFailed, "The scene configuration dialog is not part of this system");
    if ((dialog >= drevon::kColorDialog && dialog <= drevon::kUnofferedDialog) || dialog == drevon::kLayersDialog ||
        dialog == drevon::kCustomDialog) {
        // A refusal (open already, no such dialog here, no slot) is the
        // facade's to tell the user; the script hears nothing, as before.
        f->GetDialogs().Open(dialog, dialog == drevon::kCustomDialog ? S(a, 1).c_str() : nullptr);
        return R::Ok();
    }
    return R::Ok();  // other values do nothing
}

R ActivateViewTool(C &c, const A &a)
{
    FACADE
    switch (I(a, 0)) {
    case 1: f->GetViewing().OnRotateScene(1); break;
    case 2: f->GetViewing().OnZoom(); break;
    case 3: f->GetViewing().OnPan(); break;
    case 4: f->GetViewing().OnFlyThrough(); break;
    default: break;
    }
    return R::Ok();
}

R GetThumbnail(C &c, const A &a)
{
    FACADE
    std::ostringstream out;
    if (!f->GetFiles().CreateThumbnail(I(a, 0), I(a, 1), out))
        return R::Error(kErrFailed, "no thumbnail could be made");
    return R::Ok(DispValue::Str(Base64Encode(out.str())));
}

R MaterialDialog(C &c, const A &a)
{
    FACADE
    const int which = I(a, 0);
    if (which == 0 || which == 1)
        f->GetDialogs().Open(which == 0 ? drevon::kColorDialog : drevon::kTextureDialog);
    return R::Ok();
}

R SetAppParam(C &c, const A &a)
{
    if (!c.SetAppParam(S(a, 0), a[1]))
        return R::Error(kErrFailed, "SetAppParam holds at most 100 names");
    return R::Ok();
}

R GetToolState(C &c, const A &a)
{
    const int tool = I(a, 0);
    if (tool < drevon::kColorDialog || tool > drevon::kLastToolStateButton)
        return R::Ok(DispValue::Int(0));
    FACADE
    return R::Ok(DispValue::Int(f->GetDialogs().IsOpen(tool) ? 1 : 0));
}

R IsNull(C &, const A &a)
{
    // Integers only: a string or a real is never a null pointer.
    const DispValue &v = a[0];
    return R::Ok(DispValue::Int(v.kind == DispValue::Kind::Integer && v.integer == 0 ? 1 : 0));
}

R AttachToGroup(C &c, const A &a)
{
    FACADE
    DispResult error;
    SgNode *group = c.NodeOf(a[0], error);
    if (!error.ok)
        return error;
    SgNode *object = c.NodeOf(a[1], error);
    if (!error.ok)
        return error;
    auto asObject = [](SgNode *n) -> SgObject * {
        return n && n->IsDerivedFrom(SgObject::ClassID()) ? static_cast<SgObject *>(n) : nullptr;
    };
    if (!asObject(group) || !asObject(object))
        return R::Error(kErrBadHandle, "AttachToGroup takes two objects");
    return R::Ok(DispValue::Int(f->GetSelectionEditing().AttachToGroup(asObject(group), asObject(object), a[2].integer != 0)));
}

R ModelInfo(C &c, const A &a)
{
    FACADE
    DispResult error;
    DispValue what = a[0];
    if (what.kind == DispValue::Kind::Real && std::isfinite(what.real))
        what = DispValue::Int(static_cast<std::int64_t>(what.real));
    if (what.kind != DispValue::Kind::Integer || what.integer < INT32_MIN || what.integer > INT32_MAX)
        return R::Error(kErrParams, "ModelInfo: infoType is an integer");
    SgNode *root = c.NodeOf(a[1], error);
    if (!error.ok)
        return error;
    return R::Ok(DispValue::Str(f->GetFiles().ModelInfo(static_cast<int>(what.integer), root)));
}

// ---- nodes, fields and layers -------------------------------------------------------

// A handle result: a whole number (0 for none).
DispValue HandleResult(C &c, SgNode *node)
{
    return DispValue::Int(static_cast<std::int64_t>(c.HeldHandleFor(node)));
}

R CreateNode(C &c, const A &a)
{
    FACADE
    SgNode *node = drevon::SceneAccess::CreateNode(S(a, 0).c_str());
    if (!node)
        return R::Ok(DispValue::Int(0));
    // The control's handle is the node's first reference; without one (every
    // slot of the table taken) the node goes again at once.
    const SgHandleTable::Handle handle = c.HeldHandleFor(node);
    if (handle == SgHandleTable::kNoHandle) {
        SgRef<SgNode> unheld(node);
        return R::Error(kErrFailed, "CreateNode: no handle is left for the node");
    }
    return R::Ok(DispValue::Int(static_cast<std::int64_t>(handle)));
}

R InsertNode(C &c, const A &a)
{
    FACADE
    DispResult error;
    SgNode *parent = c.NodeOf(a[0], error);
    SgNode *node = error.ok ? c.NodeOf(a[1], error) : nullptr;
    SgNode *reference = error.ok ? c.NodeOf(a[3], error) : nullptr;
    if (!error.ok)
        return error;
    if (!node)
        return R::Ok(DispValue::Int(0));
    return R::Ok(DispValue::Int(f->GetSceneAccess().InsertNode(parent, node, I(a, 2), reference)));
}

R RemoveChild(C &c, const A &a)
{
    FACADE
    DispResult error;
    SgNode *parent = c.NodeOf(a[0], error);
    SgNode *child = error.ok ? c.NodeOf(a[1], error) : nullptr;
    if (!error.ok)
        return error;
    if (!child)
        return R::Ok(DispValue::Int(0));
    return R::Ok(DispValue::Int(f->GetSceneAccess().RemoveChild(parent, child)));
}

R FindNode(C &c, const A &a)
{
    FACADE
    // 0 to 9 name the special roots (the scene, the selection and its walk,
    // the rest reserved); handles are never that small.
    const double container = a[0].real;
    if (container >= 0 && container < 10) {
        const int root = static_cast<int>(container);
        if (root > static_cast<int>(drevon::SceneAccess::NodeRoot::SelectionWalk))
            return R::Ok(DispValue::Int(0));
        SgNode *found = f->GetSceneAccess().FindNode(S(a, 1).c_str(), static_cast<drevon::SceneAccess::NodeRoot>(root));
        return R::Ok(HandleResult(c, found));
    }
    DispResult error;
    SgNode *below = c.NodeOf(a[0], error);
    if (!error.ok)
        return error;
    return R::Ok(HandleResult(c, f->GetSceneAccess().FindNode(S(a, 1).c_str(), below)));
}

// The node of SetVal's and GetVal's variant: a number is a handle (a whole
// one, else an error), a string a name searched from the scene root.
// `usable` false for any other kind.
SgNode *NodeOfVariant(C &c, drevon::CDrevon *f, const DispValue &v, bool &usable, DispResult &error)
{
    usable = true;
    switch (v.kind) {
    case DispValue::Kind::Integer:
    case DispValue::Kind::Real: return c.NodeOf(v, error);
    case DispValue::Kind::String: return f->GetSceneAccess().FindNode(v.text.c_str(), static_cast<SgNode *>(nullptr));
    default: break;
    }
    usable = false;
    return nullptr;
}

R SetFieldVal(C &c, const A &a)
{
    FACADE
    // The facade leaves the field as it was; the caller hears why nothing changed.
    if (!f->GetSceneAccess().SetFieldValue(S(a, 0).c_str(), S(a, 1).c_str(), S(a, 2).c_str()))
        return R::Error(kErrFailed, "SetFieldVal: no field " + S(a, 1) + " on a node " + S(a, 0) +
                                        ", or the text is no value of it");
    return R::Ok();
}

R SetVal(C &c, const A &a)
{
    FACADE
    DispResult error;
    bool usable = false;
    SgNode *node = NodeOfVariant(c, f, a[0], usable, error);
    if (!error.ok)
        return error;
    if (!usable || !node)
        return R::Ok(DispValue::Int(0));
    return R::Ok(DispValue::Int(f->GetSceneAccess().SetFieldValue(node, S(a, 1).c_str(), S(a, 2).c_str())));
}

R GetVal(C &c, const A &a)
{
    FACADE
    DispResult error;
    bool usable = false;
    SgNode *node = NodeOfVariant(c, f, a[0], usable, error);
    if (!error.ok)
        return error;
    if (!usable || !node)
        return R::Ok(DispValue::Str(""));
    return R::Ok(DispValue::Str(drevon::SceneAccess::GetFieldStr(node, S(a, 1).c_str())));
}

R PlugTo(C &c, const A &a)
{
    FACADE
    DispResult error;
    SgFieldMngr *output = c.ContainerOf(a[0], error);
    SgFieldMngr *input = error.ok ? c.ContainerOf(a[2], error) : nullptr;
    if (!error.ok)
        return error;
    if (!drevon::SceneAccess::PlugTo(output, S(a, 1).c_str(), input, S(a, 3).c_str()))
        return R::Error(kErrFailed, "PlugTo: " + S(a, 1) + " cannot drive " + S(a, 3));
    return R::Ok();
}

R AddRef(C &c, const A &a)
{
    FACADE
    DispResult error;
    SgFieldMngr *container = c.ContainerOf(a[0], error);
    if (!error.ok)
        return error;
    if (container)
        c.HandleFor(container);  // one more reference, let go when the control goes
    return R::Ok();
}

R SetCurrentLayer(C &c, const A &a)
{
    FACADE
    if (!f->GetSceneAccess().SetLayerValue(I(a, 0), drevon::SceneAccess::kLayerCurrent, nullptr))
        return R::Error(kErrFailed, "there is no layer " + std::to_string(I(a, 0)));
    return R::Ok();
}

R AddLayer(C &c, const A &a)
{
    FACADE
    return R::Ok(DispValue::Int(f->GetSceneAccess().SetLayerValue(0, drevon::SceneAccess::kLayerAdd, S(a, 0).c_str())));
}

R SetLayerMode(C &c, const A &a)
{
    FACADE
    const int on = I(a, 1) != 0 ? 1 : 0;
    if (!f->GetSceneAccess().SetLayerValue(I(a, 0), drevon::SceneAccess::kLayerFlags, &on))
        return R::Error(kErrFailed, "there is no layer " + std::to_string(I(a, 0)));
    return R::Ok();
}

R TestFunc(C &c, const A &a)
{
    FACADE
    f->GetAnnotations().OnCreateCompoundTool(I(a, 0));
    f->Redraw();
    return R::Ok(DispValue::Str(""));
}

R EnableEvent(C &c, const A &a)
{
    if (!c.GetFacade())
        return NoWindow();
    // Kind 3 is the current viewer's frames: the control follows them beside
    // the viewer's other listeners; clicks stay as they were.
    if (I(a, 0) == 3) {
        if (!c.EnableViewerEvent())
            return R::Error(kErrFailed, "EnableEvent(3): there is no viewer");
        return R::Ok();
    }
    if (!c.EnableClickEvent())
        return R::Error(kErrFailed, "EnableEvent: the scene has no selection handler");
    return R::Ok();
}

R CreateViewer(C &c, const A &a)
{
    FACADE
    const std::string &name = S(a, 0);
    // A full-screen window takes the screen's size; any other needs one.
    const bool fullScreen = name.size() == 10 && std::equal(name.begin(), name.end(), "fullscreen", [](char x, char y) {
                                return std::tolower(static_cast<unsigned char>(x)) == y;
                            });
    if (!fullScreen && (I(a, 1) < 1 || I(a, 2) < 1))
        return R::Error(kErrParams, "CreateViewer: width and height must be at least 1");
    int largestWidth = 0;
    int largestHeight = 0;
    if (!fullScreen && GetWindowFactory().GetLargestSize(largestWidth, largestHeight) &&
        (I(a, 1) > largestWidth || I(a, 2) > largestHeight))
        return R::Error(kErrParams, "CreateViewer: " + std::to_string(I(a, 1)) + "x" + std::to_string(I(a, 2)) +
                                        " is larger than a view can be here (" + std::to_string(largestWidth) + "x" +
                                        std::to_string(largestHeight) + ")");
    // Asked before the window opens, so that a refusal leaves nothing behind.
    if (SgHandleTable::GetViewerCount() >= SgHandleTable::kMaxViewers)
        return R::Error(kErrFailed, "CreateViewer: no more than " + std::to_string(SgHandleTable::kMaxViewers) +
                                        " views can be named at a time");
    SgViewer *viewer = f->CreateWinViewer(name.c_str(), I(a, 1), I(a, 2));
    if (!viewer)
        return R::Error(kErrFailed, "CreateViewer: no window could be opened for the view");
    const SgHandleTable::ViewerHandle handle = c.HoldViewer(viewer);
    if (handle == SgHandleTable::kNoViewer)
        return R::Error(kErrFailed, "CreateViewer: the view opened, but no handle is left for it");
    return R::Ok(DispValue::Int(handle));
}

R AboutBox(C &c, const A &)
{
    FACADE
    // The box waits for a click; the caller does not.
    c.Defer([] {
        GetNotifier().Message("Fennix 3D control\nAn embeddable modeller for scenes in .kvrx files.", "About Fennix",
                              Notifier::Buttons::Ok, Notifier::Icon::Information);
    });
    return R::Ok();
}

std::vector<DispEntry> MakeTable()
{
    // clang-format off
    return {
        {1, "FileName", true, {T::Bstr}, T::Bstr, &FileNameProp},
        {2, "N1", true, {T::I4}, T::I4, &N1Prop},
        {3, "BGColor", true, {T::I4}, T::I4, &BGColorProp},
        {4, "Cookies", true, {T::Bstr}, T::Bstr, &CookiesProp},
        {5, "file", true, {T::Bstr}, T::Bstr, &FileProp},
        {6, "texturePath", true, {T::Bstr}, T::Bstr, &TexturePathProp},
        {7, "ClientFrame", true, {T::I2}, T::I2, &ClientFrameProp},
        {8, "ToolBarConfig", true, {T::I4}, T::I4, &ToolBarConfigProp},
        {9, "CacheLoadedUrl", true, {T::I2}, T::I2, &CacheLoadedUrlProp},
        {10, "RotateSceneTool", false, {}, T::Empty, [](C &c, const A &) -> R { FACADE f->GetViewing().OnRotateScene(1); return R::Ok(); }},
        {11, "FlyThroughTool", false, {}, T::Empty, [](C &c, const A &) -> R { return RunRecord(c, drevon::cmd::kFlyView); }},
        {12, "SelectionHandlebox", false, {T::I4}, T::Empty, [](C &c, const A &a) -> R { FACADE f->GetCreation().AddSelectionManip(I(a, 0)); return R::Ok(); }},
        {13, "BooleanOperation", false, {T::I4}, T::Empty, [](C &c, const A &a) -> R { return RunButton(c, I(a, 0), "BooleanOperation", &drevon::Operation<&drevon::Modelling::BooleanOperation>); }},
        {14, "DeleteOperation", false, {}, T::Empty, [](C &c, const A &) -> R { return RunRecord(c, drevon::cmd::kDelete); }},
        {15, "CreatePolyline", false, {T::I2}, T::Empty, [](C &c, const A &a) -> R { return RunButton(c, I(a, 0), "CreatePolyline", &drevon::Operation<&drevon::Creation::OnCreatePolyline>); }},
        {16, "EditPolyline", false, {}, T::Empty, [](C &c, const A &) -> R { return RunRecord(c, drevon::cmd::kEditCurve); }},
        {17, "Extrude", false, {}, T::Empty, [](C &c, const A &) -> R { return RunRecord(c, drevon::cmd::kExtrudeOrRevolve); }},
        {18, "Clone", false, {}, T::Empty, [](C &c, const A &) -> R { return RunRecord(c, drevon::cmd::kCopy); }},
        {19, "PasteClone", false, {}, T::Empty, [](C &c, const A &) -> R { return RunRecord(c, drevon::cmd::kPaste); }},
        {20, "LoadFile", false, {T::Bstr, T::Bool, T::R8}, T::Empty, &LoadFile},
        {21, "OpenTree", false, {}, T::Empty, [](C &, const A &) -> R { return R::Ok(); }},
        {22, "Redraw", false, {}, T::Empty, [](C &c, const A &) -> R { FACADE f->Redraw(); return R::Ok(); }},
        {23, "OnCreateTool", false, {T::I4}, T::Empty, [](C &c, const A &a) -> R { return RunButton(c, I(a, 0), "OnCreateTool", &drevon::Operation<&drevon::Creation::OnCreateTool>); }},
        {24, "OnExtrude", false, {}, T::Empty, [](C &c, const A &) -> R { return RunRecord(c, drevon::cmd::kExtrudeOrRevolve); }},
        {25, "GroupSelection", false, {T::Bool}, T::Empty, [](C &c, const A &a) -> R { return RunRecord(c, a[0].boolean ? drevon::cmd::kGroup : drevon::cmd::kUngroup); }},
        {26, "Undo", false, {T::Bool}, T::Empty, [](C &c, const A &a) -> R { return RunRecord(c, a[0].boolean ? drevon::cmd::kRedo : drevon::cmd::kUndo); }},
        {27, "SelectByFence", false, {}, T::Empty, [](C &c, const A &) -> R { return RunRecord(c, drevon::cmd::kSelectByFence); }},
        {28, "Scatter", false, {}, T::Empty, [](C &c, const A &) -> R { return RunRecord(c, drevon::cmd::kScatter); }},
        {29, "TogleStyle", false, {T::I4}, T::Empty, [](C &c, const A &a) -> R { FACADE f->GetViewing().ToggleStyle(I(a, 0)); return R::Ok(); }},
        {30, "Save", false, {T::I2}, T::Empty, [](C &c, const A &a) -> R {
             FACADE
             if (!f->GetFiles().OnSaveFile(I(a, 0)))
                 return R::Error(kErrFailed, "The scene was not saved");
             return R::Ok();
         }},
        {31, "ToggleGrid", false, {}, T::Empty, [](C &c, const A &) -> R { return RunRecord(c, drevon::cmd::kGrid); }},
        {32, "Play", false, {}, T::Empty, [](C &c, const A &) -> R { return RunRecord(c, drevon::cmd::kPlay); }},
        {33, "Navigate", false, {T::I2}, T::Empty, [](C &c, const A &a) -> R { return RunButton(c, I(a, 0), "Navigate", &drevon::Operation<&drevon::SelectionEditing::Navigate>); }},
        {34, "SetFieldVal", false, {T::Bstr, T::Bstr, T::Bstr}, T::Empty, &SetFieldVal},
        {35, "GetFieldValue", false, {T::Bstr, T::Bstr}, T::Bstr, [](C &c, const A &a) -> R { FACADE return R::Ok(DispValue::Str(f->GetSceneAccess().GetFieldValue(S(a, 0).c_str(), S(a, 1).c_str()))); }},
        {36, "WrapAlongSpline", false, {}, T::Empty, [](C &c, const A &) -> R { return RunRecord(c, drevon::cmd::kWrapAlongCurve); }},
        {37, "EnableEvent", false, {T::I2}, T::Empty, &EnableEvent},
        {38, "OnOpenTree", false, {}, T::Empty, [](C &c, const A &) -> R { return RunRecord(c, drevon::cmd::kSceneTree); }},
        {39, "CreateViewer", false, {T::Bstr, T::I2, T::I2}, T::I4, &CreateViewer},
        {40, "ChangeView", false, {T::I2}, T::Empty, [](C &c, const A &a) -> R { return RunButton(c, I(a, 0), "ChangeView", &drevon::Operation<&drevon::Viewing::ChangeView>); }},
        {41, "CameraMode", false, {T::I2}, T::Empty, [](C &c, const A &a) -> R { FACADE f->GetViewing().ViewPerspective(I(a, 0)); return R::Ok(); }},
        {42, "ZoomTool", false, {}, T::Empty, [](C &c, const A &) -> R { return RunRecord(c, drevon::cmd::kZoomView); }},
        {43, "AnimationOp", false, {T::I2}, T::Empty, [](C &, const A &) -> R { return R::Ok(); }},
        {44, "OpenDialog", false, {T::I2, T::Bstr}, T::Empty, &OpenDialog},
        {45, "ActivateViewTool", false, {T::I2}, T::Empty, &ActivateViewTool},
        {46, "GetStateInt", false, {T::I2}, T::I4, [](C &, const A &) -> R { return R::Ok(DispValue::Int(0)); }},
        {47, "TestFunc", false, {T::I4, T::Bstr}, T::Bstr, &TestFunc},
        {48, "SetHtmlDocument", false, {T::Unknown}, T::Empty, [](C &, const A &) -> R { return R::Ok(); }},
        {49, "SaveToString", false, {}, T::Bstr, [](C &c, const A &) -> R { FACADE return R::Ok(DispValue::Str(f->GetFiles().SaveToStringFix())); }},
        {50, "TextureDialog", false, {}, T::Empty, [](C &c, const A &) -> R { return RunRecord(c, drevon::cmd::kTexture); }},
        {51, "GetThumbnail", false, {T::I2, T::I2}, T::Bstr, &GetThumbnail},
        {52, "Select", false, {T::I2}, T::Empty, [](C &c, const A &) -> R { FACADE f->GetCreation().OnSelect(); return R::Ok(); }},
        {53, "MaterialDialog", false, {T::I2}, T::Empty, &MaterialDialog},
        {54, "UndoOp", false, {T::I2}, T::Empty, [](C &c, const A &a) -> R { FACADE f->GetSelectionEditing().UndoOp(I(a, 0)); return R::Ok(); }},
        {55, "CreateNode", false, {T::Bstr}, T::R8, &CreateNode},
        {56, "InsertNode", false, {T::R8, T::R8, T::I2, T::R8}, T::I4, &InsertNode},
        {57, "SetVal", false, {T::Variant, T::Bstr, T::Bstr}, T::I2, &SetVal},
        {58, "SetAppParam", false, {T::Bstr, T::Variant}, T::Empty, &SetAppParam},
        {59, "GetAppParam", false, {T::Bstr}, T::Variant, [](C &c, const A &a) -> R { return R::Ok(c.GetAppParam(S(a, 0))); }},
        {60, "FindNode", false, {T::R8, T::Bstr}, T::R8, &FindNode},
        {61, "RemoveChild", false, {T::R8, T::R8}, T::I2, &RemoveChild},
        {62, "SaveToUrl", false, {T::Bstr, T::Bstr}, T::I4, [](C &c, const A &a) -> R { FACADE return R::Ok(DispValue::Int(f->GetFiles().SaveToUrl(S(a, 0).c_str(), S(a, 1).c_str()))); }},
        {-552, "AboutBox", false, {}, T::Empty, &AboutBox},
        {63, "SetCurrentLayer", false, {T::I4}, T::Empty, &SetCurrentLayer},
        {64, "GetCurrentLayer", false, {}, T::I4, [](C &c, const A &) -> R { FACADE return R::Ok(DispValue::Int(f->GetSceneAccess().GetLayerValue(-1, drevon::SceneAccess::kLayerCurrent, nullptr))); }},
        {65, "AddLayer", false, {T::Bstr, T::I4}, T::I4, &AddLayer},
        {66, "SetLayerMode", false, {T::I4, T::I4}, T::Empty, &SetLayerMode},
        {67, "Refresh", false, {T::I4}, T::Empty, [](C &c, const A &a) -> R { FACADE f->Refresh(I(a, 0)); return R::Ok(); }},
        {68, "ModifyView", false, {T::I4, T::R8, T::R8}, T::Empty, [](C &c, const A &a) -> R { FACADE f->GetViewing().ModifyView(I(a, 0), a[1].real, a[2].real); return R::Ok(); }},
        {69, "PlugTo", false, {T::I8, T::Bstr, T::I8, T::Bstr}, T::Empty, &PlugTo},
        {70, "GetVal", false, {T::Variant, T::Bstr}, T::Bstr, &GetVal},
        {71, "AddRef", false, {T::I8}, T::Empty, &AddRef},
        {72, "GetToolState", false, {T::I4}, T::I4, &GetToolState},
        {73, "IsNull", false, {T::Variant}, T::I4, &IsNull},
        {74, "AttachToGroup", false, {T::I8, T::I8, T::I2}, T::I4, &AttachToGroup},
        {75, "ModelInfo", false, {T::Variant, T::Variant}, T::Variant, &ModelInfo},
    };
    // clang-format on
}

// Converts one argument to its declared type; false when it does not fit.
bool Convert(const DispValue &v, DispType type, DispValue &out, std::string &why)
{
    using K = DispValue::Kind;
    auto integral = [&](std::int64_t lo, std::int64_t hi) {
        std::int64_t n;
        if (v.kind == K::Integer) {
            n = v.integer;
        } else if (v.kind == K::Real) {
            if (!std::isfinite(v.real) || std::floor(v.real) != v.real || v.real < -9.2e18 || v.real > 9.2e18) {
                why = "is no whole number";
                return false;
            }
            n = static_cast<std::int64_t>(v.real);
        } else if (v.kind == K::Boolean) {
            n = v.boolean ? 1 : 0;
        } else {
            why = "is no number";
            return false;
        }
        if (n < lo || n > hi) {
            why = "is out of range for " + std::string(DispTypeName(type));
            return false;
        }
        out = DispValue::Int(n);
        return true;
    };
    switch (type) {
    case DispType::Bstr:
        if (v.kind != K::String) {
            why = "is no string";
            return false;
        }
        out = v;
        return true;
    case DispType::I2: return integral(INT16_MIN, INT16_MAX);
    case DispType::I4: return integral(INT32_MIN, INT32_MAX);
    case DispType::I8: return integral(INT64_MIN, INT64_MAX);
    case DispType::R8:
        if (v.kind == K::Integer) {
            out = DispValue::Real(static_cast<double>(v.integer));
            return true;
        }
        if (v.kind == K::Real && std::isfinite(v.real)) {
            out = v;
            return true;
        }
        why = "is no finite number";
        return false;
    case DispType::Bool:
        if (v.kind == K::Boolean) {
            out = v;
            return true;
        }
        if (v.kind == K::Integer) {
            out = DispValue::Bool(v.integer != 0);
            return true;
        }
        why = "is no boolean";
        return false;
    case DispType::Variant:
        out = v;
        return true;
    case DispType::Unknown:
    case DispType::Empty:
        out = DispValue();
        return true;
    }
    return false;
}

} // namespace

const std::vector<DispEntry> &DispatchTable()
{
    static const std::vector<DispEntry> table = MakeTable();
    return table;
}

const std::vector<EventEntry> &EventTable()
{
    static const std::vector<EventEntry> events = {
        {1, "ClickEvent", {T::Bstr}},       {2, "StartSession", {T::Bstr}},
        {3, "CustomEvent1", {T::Bstr}},     {4, "ChangeButtonState", {T::I4, T::I4}},
        {5, "CreateToolFinish", {T::I4, T::I8}}, {6, "CreateToolStart", {T::I4, T::I8}},
        // The modeller window's status line: what a menu command did or why it could not.
        {7, "StatusText", {T::Bstr}},
    };
    return events;
}

const DispEntry *FindEntry(const std::string &name)
{
    for (const DispEntry &e : DispatchTable())
        if (name == e.name)
            return &e;
    return nullptr;
}

const DispEntry *FindEntry(int dispid)
{
    for (const DispEntry &e : DispatchTable())
        if (e.dispid == dispid)
            return &e;
    return nullptr;
}

const EventEntry *FindEvent(const std::string &name)
{
    for (const EventEntry &e : EventTable())
        if (name == e.name)
            return &e;
    return nullptr;
}

DispResult CheckArgs(const DispEntry &entry, const DispArgs &args, DispArgs &converted)
{
    converted.clear();
    if (entry.property) {
        if (args.size() > 1)
            return DispResult::Error(kErrParams, std::string(entry.name) + " takes no value (get) or one (set)");
    } else if (args.size() != entry.params.size()) {
        return DispResult::Error(kErrParams, std::string(entry.name) + " takes " +
                                                 std::to_string(entry.params.size()) + " parameters, not " +
                                                 std::to_string(args.size()));
    }
    for (std::size_t k = 0; k < args.size(); ++k) {
        DispValue out;
        std::string why;
        if (!Convert(args[k], entry.params[k], out, why))
            return DispResult::Error(kErrParams, std::string(entry.name) + ": parameter " + std::to_string(k + 1) +
                                                     " " + why);
        converted.push_back(std::move(out));
    }
    return DispResult::Ok();
}

std::string DescribeJson()
{
    nlohmann::ordered_json methods = nlohmann::ordered_json::array();
    for (const DispEntry &e : DispatchTable()) {
        nlohmann::ordered_json m;
        m["dispid"] = e.dispid;
        m["name"] = e.name;
        m["kind"] = e.property ? "property" : "method";
        nlohmann::ordered_json params = nlohmann::ordered_json::array();
        for (DispType t : e.params)
            params.push_back(DispTypeName(t));
        m["params"] = params;
        m["result"] = DispTypeName(e.result);
        if (const DispDoc *doc = FindDoc(e.name)) {
            m["about"] = doc->about;
            nlohmann::ordered_json names = nlohmann::ordered_json::array();
            for (const auto &[name, meaning] : doc->params)
                names.push_back({{"name", name}, {"meaning", meaning}});
            m["parameters"] = names;
            if (!doc->result.empty())
                m["returns"] = doc->result;
        }
        methods.push_back(m);
    }
    nlohmann::ordered_json events = nlohmann::ordered_json::array();
    for (const EventEntry &e : EventTable()) {
        nlohmann::ordered_json ev;
        ev["dispid"] = e.dispid;
        ev["name"] = e.name;
        nlohmann::ordered_json params = nlohmann::ordered_json::array();
        for (DispType t : e.params)
            params.push_back(DispTypeName(t));
        ev["params"] = params;
        events.push_back(ev);
    }
    // What an error reply's code means, whichever method gave it.
    const std::pair<int, const char *> errors[] = {
        {kErrParse, "the request line is no JSON"},
        {kErrRequest, "the JSON is no request (an object with a \"method\" text)"},
        {kErrUnknownMethod, "no method of that name or id"},
        {kErrParams, "wrong count or type of parameters, a number out of its type's range, a text with a NUL"},
        {kErrTooLong, "the request line is longer than 1 MB"},
        {kErrNotAvailable, "the method is not available here"},
        {kErrNoWindow, "called before the control's window exists"},
        {kErrBadHandle, "a handle that is stale, made up, not a whole number, or another control's"},
        {kErrFailed, "the operation was refused or failed; the message says why"},
    };
    nlohmann::ordered_json codes = nlohmann::ordered_json::array();
    for (const auto &[code, meaning] : errors)
        codes.push_back({{"code", code}, {"meaning", meaning}});
    // The channel's own verb, outside the dispatch table.
    nlohmann::ordered_json channel = nlohmann::ordered_json::array();
    channel.push_back({{"name", "Release"},
                       {"params", "any number of handles"},
                       {"result", "how many handles were let go; their nodes go when nothing else holds them"}});
    nlohmann::ordered_json all;
    all["methods"] = methods;
    all["events"] = events;
    all["errors"] = codes;
    all["channel"] = channel;
    return all.dump(2) + "\n";
}

} // namespace fennix
