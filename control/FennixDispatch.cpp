#include "control/FennixDispatch.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <sstream>

#include <nlohmann/json.hpp>

#include "control/FennixBase64.h"
#include "control/FennixControl.h"
#include "engine/core/SgNode.h"
#include "engine/nodes/object/SgObject.h"
#include "facade/CDrevon.h"

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

R NotYet(const char *name)
{
    return R::Error(kErrNotAvailable, std::string(name) + " is not available yet");
}

#define FACADE                                  \
    drevon::CDrevon *f = c.GetFacade();         \
    if (!f)                                     \
        return NoWindow();

// Handlers whose facade operation is not connected yet.
#define NOT_YET(name) [](C &, const A &) -> R { return NotYet(name); }

int I(const A &a, std::size_t k)
{
    return static_cast<int>(a[k].integer);
}
const std::string &S(const A &a, std::size_t k)
{
    return a[k].text;
}

// ---- properties -----------------------------------------------------------------

R FileNameProp(C &c, const A &a)
{
    if (a.empty())
        return R::Ok(DispValue::Str(c.Properties().fileName));
    c.Properties().fileName = S(a, 0);
    c.SetModified();
    FACADE
    f->OpenFile(c.Properties().fileName.c_str(), true, nullptr);
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
        f->SetViewerBGColor(f->GetDefaultViewer(), rgb);
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

R FileProp(C &c, const A &a)
{
    if (a.empty())
        return R::Ok(DispValue::Str(c.Properties().fileText));
    c.Properties().fileText = S(a, 0);
    c.SetModified();
    FACADE
    std::istringstream in(c.Properties().fileText);
    f->ReadFileStream(in, true, c.Properties().fileText.c_str());
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
    f->SetLoadedUrlCache(c.Properties().cacheLoadedUrl != 0);
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
    if (!S(a, 0).empty())
        f->OpenFile(S(a, 0).c_str(), deleteScene, root);
    else
        f->OnOpenFile(deleteScene);
    if (deleteScene)
        c.Properties().fileName = f->GetCurrentFile();
    return R::Ok();
}

R OpenDialog(C &c, const A &a)
{
    FACADE
    const int dialog = I(a, 0);
    if ((dialog >= 20 && dialog <= 24) || (dialog >= 80 && dialog <= 86) || dialog == 90 || dialog == 95)
        return NotYet("OpenDialog");
    return R::Ok();  // other values do nothing
}

R ActivateViewTool(C &c, const A &a)
{
    FACADE
    switch (I(a, 0)) {
    case 1: f->OnRotateScene(1); break;
    case 2: f->OnZoom(); break;
    case 3: f->OnPan(); break;
    case 4: f->OnFlyThrough(); break;
    default: break;
    }
    return R::Ok();
}

R GetThumbnail(C &c, const A &a)
{
    FACADE
    std::ostringstream out;
    if (!f->CreateThumbnail(I(a, 0), I(a, 1), out))
        return R::Error(kErrFailed, "no thumbnail could be made");
    return R::Ok(DispValue::Str(Base64Encode(out.str())));
}

R MaterialDialog(C &c, const A &a)
{
    FACADE
    if (I(a, 0) == 0 || I(a, 0) == 1)
        return NotYet("MaterialDialog");
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
    if (tool < 80 || tool > 97)
        return R::Ok(DispValue::Int(0));
    FACADE
    return NotYet("GetToolState");
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
    return R::Ok(DispValue::Int(f->AttachToGroup(asObject(group), asObject(object), a[2].integer != 0)));
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
    return R::Ok(DispValue::Str(f->ModelInfo(static_cast<int>(what.integer), root)));
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
        {10, "RotateSceneTool", false, {}, T::Empty, [](C &c, const A &) -> R { FACADE f->OnRotateScene(1); return R::Ok(); }},
        {11, "FlyThroughTool", false, {}, T::Empty, [](C &c, const A &) -> R { FACADE f->OnFlyThrough(); return R::Ok(); }},
        {12, "SelectionHandlebox", false, {T::I4}, T::Empty, [](C &c, const A &a) -> R { FACADE f->AddSelectionManip(I(a, 0)); return R::Ok(); }},
        {13, "BooleanOperation", false, {T::I4}, T::Empty, NOT_YET("BooleanOperation")},
        {14, "DeleteOperation", false, {}, T::Empty, [](C &c, const A &) -> R { FACADE f->OnDeleteSelection(); return R::Ok(); }},
        {15, "CreatePolyline", false, {T::I2}, T::Empty, [](C &c, const A &a) -> R { FACADE f->OnCreatePolyline(I(a, 0)); return R::Ok(); }},
        {16, "EditPolyline", false, {}, T::Empty, NOT_YET("EditPolyline")},
        {17, "Extrude", false, {}, T::Empty, NOT_YET("Extrude")},
        {18, "Clone", false, {}, T::Empty, [](C &c, const A &) -> R { FACADE f->OnClone(false); return R::Ok(); }},
        {19, "PasteClone", false, {}, T::Empty, [](C &c, const A &) -> R { FACADE f->OnPasteClone(); return R::Ok(); }},
        {20, "LoadFile", false, {T::Bstr, T::Bool, T::R8}, T::Empty, &LoadFile},
        {21, "OpenTree", false, {}, T::Empty, [](C &, const A &) -> R { return R::Ok(); }},
        {22, "Redraw", false, {}, T::Empty, [](C &c, const A &) -> R { FACADE f->Redraw(); return R::Ok(); }},
        {23, "OnCreateTool", false, {T::I4}, T::Empty, [](C &c, const A &a) -> R { FACADE f->OnCreateTool(I(a, 0)); return R::Ok(); }},
        {24, "OnExtrude", false, {}, T::Empty, NOT_YET("OnExtrude")},
        {25, "GroupSelection", false, {T::Bool}, T::Empty, [](C &c, const A &a) -> R { FACADE if (a[0].boolean) f->GroupSelection(); else f->UnGroupSelection(); return R::Ok(); }},
        {26, "Undo", false, {T::Bool}, T::Empty, [](C &c, const A &a) -> R { FACADE f->Undo(a[0].boolean); return R::Ok(); }},
        {27, "SelectByFence", false, {}, T::Empty, [](C &c, const A &) -> R { FACADE f->OnSelectByFence(); return R::Ok(); }},
        {28, "Scatter", false, {}, T::Empty, NOT_YET("Scatter")},
        {29, "TogleStyle", false, {T::I4}, T::Empty, [](C &c, const A &a) -> R { FACADE f->ToggleStyle(I(a, 0)); return R::Ok(); }},
        {30, "Save", false, {T::I2}, T::Empty, [](C &c, const A &a) -> R { FACADE f->OnSaveFile(I(a, 0)); return R::Ok(); }},
        {31, "ToggleGrid", false, {}, T::Empty, [](C &c, const A &) -> R { FACADE f->OnCreateGrid(0); return R::Ok(); }},
        {32, "Play", false, {}, T::Empty, [](C &c, const A &) -> R { FACADE f->Play(0); return R::Ok(); }},
        {33, "Navigate", false, {T::I2}, T::Empty, [](C &c, const A &a) -> R { FACADE f->Navigate(I(a, 0)); return R::Ok(); }},
        {34, "SetFieldVal", false, {T::Bstr, T::Bstr, T::Bstr}, T::Empty, NOT_YET("SetFieldVal")},
        {35, "GetFieldValue", false, {T::Bstr, T::Bstr}, T::Bstr, NOT_YET("GetFieldValue")},
        {36, "WrapAlongSpline", false, {}, T::Empty, NOT_YET("WrapAlongSpline")},
        {37, "EnableEvent", false, {T::I2}, T::Empty, NOT_YET("EnableEvent")},
        {38, "OnOpenTree", false, {}, T::Empty, NOT_YET("OnOpenTree")},
        {39, "CreateViewer", false, {T::Bstr, T::I2, T::I2}, T::I4, NOT_YET("CreateViewer")},
        {40, "ChangeView", false, {T::I2}, T::Empty, [](C &c, const A &a) -> R { FACADE f->ChangeView(I(a, 0)); return R::Ok(); }},
        {41, "CameraMode", false, {T::I2}, T::Empty, [](C &c, const A &a) -> R { FACADE f->ViewPerspective(I(a, 0)); return R::Ok(); }},
        {42, "ZoomTool", false, {}, T::Empty, [](C &c, const A &) -> R { FACADE f->OnZoom(); return R::Ok(); }},
        {43, "AnimationOp", false, {T::I2}, T::Empty, [](C &, const A &) -> R { return R::Ok(); }},
        {44, "OpenDialog", false, {T::I2, T::Bstr}, T::Empty, &OpenDialog},
        {45, "ActivateViewTool", false, {T::I2}, T::Empty, &ActivateViewTool},
        {46, "GetStateInt", false, {T::I2}, T::I4, [](C &, const A &) -> R { return R::Ok(DispValue::Int(0)); }},
        {47, "TestFunc", false, {T::I4, T::Bstr}, T::Bstr, NOT_YET("TestFunc")},
        {48, "SetHtmlDocument", false, {T::Unknown}, T::Empty, [](C &, const A &) -> R { return R::Ok(); }},
        {49, "SaveToString", false, {}, T::Bstr, [](C &c, const A &) -> R { FACADE return R::Ok(DispValue::Str(f->SaveToStringFix())); }},
        {50, "TextureDialog", false, {}, T::Empty, NOT_YET("TextureDialog")},
        {51, "GetThumbnail", false, {T::I2, T::I2}, T::Bstr, &GetThumbnail},
        {52, "Select", false, {T::I2}, T::Empty, [](C &c, const A &) -> R { FACADE f->OnSelect(); return R::Ok(); }},
        {53, "MaterialDialog", false, {T::I2}, T::Empty, &MaterialDialog},
        {54, "UndoOp", false, {T::I2}, T::Empty, [](C &c, const A &a) -> R { FACADE f->UndoOp(I(a, 0)); return R::Ok(); }},
        {55, "CreateNode", false, {T::Bstr}, T::R8, NOT_YET("CreateNode")},
        {56, "InsertNode", false, {T::R8, T::R8, T::I2, T::R8}, T::I4, NOT_YET("InsertNode")},
        {57, "SetVal", false, {T::Variant, T::Bstr, T::Bstr}, T::I2, NOT_YET("SetVal")},
        {58, "SetAppParam", false, {T::Bstr, T::Variant}, T::Empty, &SetAppParam},
        {59, "GetAppParam", false, {T::Bstr}, T::Variant, [](C &c, const A &a) -> R { return R::Ok(c.GetAppParam(S(a, 0))); }},
        {60, "FindNode", false, {T::R8, T::Bstr}, T::R8, NOT_YET("FindNode")},
        {61, "RemoveChild", false, {T::R8, T::R8}, T::I2, NOT_YET("RemoveChild")},
        {62, "SaveToUrl", false, {T::Bstr, T::Bstr}, T::I4, [](C &c, const A &a) -> R { FACADE return R::Ok(DispValue::Int(f->SaveToUrl(S(a, 0).c_str(), S(a, 1).c_str()))); }},
        {-552, "AboutBox", false, {}, T::Empty, NOT_YET("AboutBox")},
        {63, "SetCurrentLayer", false, {T::I4}, T::Empty, NOT_YET("SetCurrentLayer")},
        {64, "GetCurrentLayer", false, {}, T::I4, NOT_YET("GetCurrentLayer")},
        {65, "AddLayer", false, {T::Bstr, T::I4}, T::I4, NOT_YET("AddLayer")},
        {66, "SetLayerMode", false, {T::I4, T::I4}, T::Empty, NOT_YET("SetLayerMode")},
        {67, "Refresh", false, {T::I4}, T::Empty, [](C &c, const A &a) -> R { FACADE f->Refresh(I(a, 0)); return R::Ok(); }},
        {68, "ModifyView", false, {T::I4, T::R8, T::R8}, T::Empty, [](C &c, const A &a) -> R { FACADE f->ModifyView(I(a, 0), a[1].real, a[2].real); return R::Ok(); }},
        {69, "PlugTo", false, {T::I8, T::Bstr, T::I8, T::Bstr}, T::Empty, NOT_YET("PlugTo")},
        {70, "GetVal", false, {T::Variant, T::Bstr}, T::Bstr, NOT_YET("GetVal")},
        {71, "AddRef", false, {T::I4}, T::Empty, NOT_YET("AddRef")},
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
    nlohmann::ordered_json all;
    all["methods"] = methods;
    all["events"] = events;
    return all.dump(2) + "\n";
}

} // namespace fennix
