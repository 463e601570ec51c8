#include "control/FennixControl.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "engine/core/SgNode.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/object/SgObject.h"
#include "facade/CDrevon.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"
#include "platform/Settings.h"

namespace fennix {

namespace {

bool SameName(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string UserDataHome()
{
    if (const char *xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')
        return xdg;
    if (const char *home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.local/share";
    return "/tmp";
}

} // namespace

FennixControl::FennixControl() = default;

FennixControl::~FennixControl()
{
    Destroy();
}

bool FennixControl::Create(SgPlatformWindow *canvas)
{
    if (m_pFacade)
        return true;
    m_ownedFacade = std::make_unique<drevon::CDrevon>();
    m_pFacade = m_ownedFacade.get();
    if (!m_pFacade->CreateDocument()) {
        m_ownedFacade.reset();
        m_pFacade = nullptr;
        return false;
    }
    ListenToFacade();
    m_props.texturePath = CompleteTexturePath(m_props.texturePath);
    if (canvas)
        m_pFacade->CreateViewer(canvas);
    float rgb[3];
    ColorToRgb(m_props.bgColor, rgb);
    // Asked silently first: the facade tells the user when it has no viewer.
    if (m_pFacade->GetCurrentViewer())
        m_pFacade->GetViewing().SetViewerBGColor(m_pFacade->GetDefaultViewer(), rgb);
    m_pFacade->GetFiles().SetUrlCache(m_props.cacheLoadedUrl != 0);
    m_pFacade->SetTexturePathes(m_props.texturePath.c_str());
    if (!m_props.fileName.empty()) {
        m_pFacade->GetFiles().OpenFile(m_props.fileName.c_str(), true, nullptr);
    } else {
        // Not hosted by a page (there is none here): the user picks a scene,
        // as LoadFile with an empty name does.
        m_pFacade->GetFiles().OnOpenFile(true);
        m_props.fileName = m_pFacade->GetCurrentFile();
    }
    // The rotate tool turns a view; headless there is none to turn.
    if (m_pFacade->GetCurrentViewer())
        m_pFacade->GetViewing().OnRotateScene(1);
    return true;
}

void FennixControl::Attach(drevon::CDrevon *facade)
{
    Destroy();
    if (!facade)
        return;
    m_pFacade = facade;
    m_attached = true;
    ListenToFacade();
}

void FennixControl::Destroy()
{
    // The handles first: the nodes they hold may belong to the document.
    for (SgHandleTable::Handle handle : m_held)
        SgHandleTable::Drop(handle);
    m_held.clear();
    for (SgHandleTable::ViewerHandle handle : m_heldViewers)
        SgHandleTable::DropViewer(handle);
    m_heldViewers.clear();
    // Only this control's listeners go: a host's own stay subscribed.
    m_customEvents.Reset();
    m_buttonStateListener.Reset();
    m_toolEvents.Reset();
    if (m_pFacade) {
        m_clicks.Reset();
        m_viewerFrames.Reset();
        m_ownedFacade.reset();
        m_pFacade = nullptr;
    }
    m_attached = false;
    m_buttonStates.clear();
    m_sessionStarted = false;
    m_clickEvents = false;
}

void FennixControl::Defer(std::function<void()> work)
{
    if (!m_deferrer) {
        work();
        return;
    }
    std::weak_ptr<int> alive = m_alive;
    m_deferrer([alive, work = std::move(work)] {
        if (alive.lock())
            work();
    });
}

DispResult FennixControl::Call(const std::string &name, const DispArgs &args)
{
    const DispEntry *entry = FindEntry(name);
    if (!entry)
        return DispResult::Error(kErrUnknownMethod, "unknown method \"" + name + "\"");
    return Call(*entry, args);
}

DispResult FennixControl::Call(int dispid, const DispArgs &args)
{
    const DispEntry *entry = FindEntry(dispid);
    if (!entry)
        return DispResult::Error(kErrUnknownMethod, "unknown dispatch id " + std::to_string(dispid));
    return Call(*entry, args);
}

DispResult FennixControl::Call(const DispEntry &entry, const DispArgs &args)
{
    // Texts travel on as C strings: one with a NUL inside would be read as
    // its part before the NUL (a name addressing another node).
    for (std::size_t k = 0; k < args.size(); ++k)
        if (args[k].kind == DispValue::Kind::String && args[k].text.find('\0') != std::string::npos)
            return DispResult::Error(kErrParams, std::string(entry.name) + ": parameter " + std::to_string(k + 1) +
                                                     " holds a NUL character");
    DispArgs converted;
    DispResult checked = CheckArgs(entry, args, converted);
    if (!checked.ok)
        return checked;
    // Exceptions stop here: a caller hears a failure, never an unwinding.
    try {
        return entry.handler(*this, converted);
    } catch (const std::exception &e) {
        return DispResult::Error(kErrFailed, std::string(entry.name) + " failed: " + e.what());
    } catch (...) {
        return DispResult::Error(kErrFailed, std::string(entry.name) + " failed");
    }
}

void FennixControl::Fire(const char *name, DispArgs params)
{
    const EventEntry *event = FindEvent(name);
    if (!event)
        return;
    FennixEvent e;
    e.dispid = event->dispid;
    e.name = event->name;
    e.params = std::move(params);
    m_events.Fire(e);
}

void FennixControl::FireStartSession(const std::string &text)
{
    if (m_sessionStarted || !m_pFacade)
        return;
    m_sessionStarted = true;
    m_sessionText = text;
    Fire("StartSession", {DispValue::Str(text)});
}

std::vector<std::string> FennixControl::DefaultTextureFolders()
{
    // The user's folder, two system folders, then the one beside the scene.
    return {UserDataHome() + "/fennix/textures", "/usr/local/share/fennix/textures",
            "/usr/share/fennix/textures", "./textures"};
}

std::string FennixControl::CompleteTexturePath(const std::string &path)
{
    std::string result = path;
    if (!result.empty() && result.back() != ';')
        result += ';';
    for (const std::string &folder : DefaultTextureFolders()) {
        // Whole entries only: "/a/textures" is not inside "/b/a/textures;".
        const std::string entry = folder + ";";
        const bool present = (";" + result).find(";" + entry) != std::string::npos;
        if (!present)
            result += entry;
    }
    return result;
}

void FennixControl::ColorToRgb(std::uint32_t color, float rgb[3])
{
    rgb[0] = static_cast<float>(color & 0xFF) / 255.0f;
    rgb[1] = static_cast<float>((color >> 8) & 0xFF) / 255.0f;
    rgb[2] = static_cast<float>((color >> 16) & 0xFF) / 255.0f;
}

namespace {

const char *const kSection = "FennixCtrl.";

// The whole text as a number within [lo, hi], else the old value.
template <class N>
void ReadNumber(const char *name, long long lo, long long hi, N &value)
{
    const std::string text = Settings::Get(std::string(kSection) + name);
    if (text.empty())
        return;
    char *end = nullptr;
    errno = 0;
    const long long n = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || n < lo || n > hi)
        return;
    value = static_cast<N>(n);
}

} // namespace

bool FennixControl::SaveProperties()
{
    if (m_pFacade) {
        const std::string current = m_pFacade->GetCurrentFile();
        if (!current.empty() && current != m_props.fileName)
            m_props.fileName = current;
    }
    const std::vector<std::pair<const char *, std::string>> values = {
        {"FileName", m_props.fileName},
        {"Cookies", m_props.cookies},
        {"TexturePath", m_props.texturePath},
        {"BGColor", std::to_string(m_props.bgColor)},
        {"ClientFrame", std::to_string(m_props.clientFrame)},
        {"ToolBarConfig", std::to_string(m_props.toolBarConfig)},
        {"CacheLoadedUrl", std::to_string(m_props.cacheLoadedUrl)},
    };
    // All or nothing: a value the file cannot hold stops the save before a line is written.
    for (const auto &v : values)
        if (v.second.find_first_of("\r\n") != std::string::npos) {
            SgDiagError("Fennix", "The property %s holds a line break and cannot be saved; nothing was saved", v.first);
            return false;
        }
    bool saved = true;
    try {
        for (const auto &v : values)
            saved = Settings::Set(std::string(kSection) + v.first, v.second) && saved;
    } catch (const SgError &) {
        return false;
    }
    return saved;
}

void FennixControl::LoadProperties()
{
    m_props.fileName = Settings::Get(std::string(kSection) + "FileName", m_props.fileName);
    m_props.cookies = Settings::Get(std::string(kSection) + "Cookies", m_props.cookies);
    m_props.texturePath = Settings::Get(std::string(kSection) + "TexturePath", m_props.texturePath);
    ReadNumber("BGColor", 0, UINT32_MAX, m_props.bgColor);
    ReadNumber("ClientFrame", INT16_MIN, INT16_MAX, m_props.clientFrame);
    ReadNumber("ToolBarConfig", INT32_MIN, INT32_MAX, m_props.toolBarConfig);
    ReadNumber("CacheLoadedUrl", INT16_MIN, INT16_MAX, m_props.cacheLoadedUrl);
}

bool FennixControl::SetAppParam(const std::string &name, const DispValue &value)
{
    for (auto &entry : m_appParams)
        if (SameName(entry.first, name)) {
            entry.second = value;
            return true;
        }
    if (static_cast<int>(m_appParams.size()) >= kMaxAppParams)
        return false;
    m_appParams.emplace_back(name, value);
    return true;
}

DispValue FennixControl::GetAppParam(const std::string &name) const
{
    for (const auto &entry : m_appParams)
        if (SameName(entry.first, name))
            return entry.second;
    return DispValue();
}

SgHandleTable::Handle FennixControl::HandleFor(SgFieldMngr *container)
{
    if (!container)
        return SgHandleTable::kNoHandle;
    const SgHandleTable::Handle handle = SgHandleTable::Hold(container);
    if (handle != SgHandleTable::kNoHandle)
        m_held.insert(handle);
    return handle;
}

SgHandleTable::Handle FennixControl::HeldHandleFor(SgFieldMngr *container)
{
    const SgHandleTable::Handle known = SgHandleTable::Find(container);
    if (known != SgHandleTable::kNoHandle && m_held.count(known))
        return known;
    return HandleFor(container);
}

SgFieldMngr *FennixControl::ContainerOf(const DispValue &value, DispResult &error) const
{
    // A handle is a whole number, whichever way a script's language carries
    // it; anything else is refused, never read as some other handle.
    SgHandleTable::Handle handle = 0;
    if (value.kind == DispValue::Kind::Integer && value.integer >= 0) {
        handle = static_cast<SgHandleTable::Handle>(value.integer);
    } else if (value.kind == DispValue::Kind::Real && std::isfinite(value.real) && value.real >= 0 &&
               value.real < 18446744073709551616.0 && std::floor(value.real) == value.real) {
        handle = static_cast<SgHandleTable::Handle>(value.real);
    } else {
        error = DispResult::Error(kErrBadHandle, "a handle is a whole number of at least 0");
        return nullptr;
    }
    if (handle == SgHandleTable::kNoHandle)
        return nullptr;
    SgFieldMngr *container = SgHandleTable::Lookup(handle);
    if (!container) {
        error = DispResult::Error(kErrBadHandle, "stale or unknown handle " + std::to_string(handle));
        return nullptr;
    }
    // Handles are per control: one that another control gave out (or that
    // this one let go) names nothing here.
    if (!m_held.count(handle)) {
        error = DispResult::Error(kErrBadHandle, "handle " + std::to_string(handle) + " was not given by this control");
        return nullptr;
    }
    return container;
}

SgNode *FennixControl::NodeOf(const DispValue &value, DispResult &error) const
{
    SgFieldMngr *container = ContainerOf(value, error);
    if (!container)
        return nullptr;
    if (!container->IsNode()) {
        error = DispResult::Error(kErrBadHandle, "the handle names no node");
        return nullptr;
    }
    return static_cast<SgNode *>(container);
}

bool FennixControl::Release(const DispValue &value, DispResult &error)
{
    if (!ContainerOf(value, error))
        return false;
    const auto handle = static_cast<SgHandleTable::Handle>(
        value.kind == DispValue::Kind::Integer ? static_cast<SgHandleTable::Handle>(value.integer)
                                               : static_cast<SgHandleTable::Handle>(value.real));
    // Every hold this control took on it goes: the handle is the script's
    // one name for the node, however often it was handed out.
    auto range = m_held.equal_range(handle);
    for (auto it = range.first; it != range.second; ++it)
        SgHandleTable::Drop(handle);
    m_held.erase(range.first, range.second);
    return true;
}

bool FennixControl::EnableClickEvent()
{
    // Kind 1: any kind but the viewer's frames (3) reports clicks.
    if (!m_pFacade)
        return false;
    SgSubscription clicks = m_pFacade->GetHostEvents().SubscribeClicks(&FennixControl::OnClick, this);
    if (!clicks.IsActive())
        return false;
    m_clicks = std::move(clicks);
    m_clickEvents = true;
    return true;
}

bool FennixControl::EnableViewerEvent()
{
    if (!m_pFacade)
        return false;
    // The script has no event for frames: the control only follows them.
    SgSubscription frames = m_pFacade->GetHostEvents().SubscribeFrames([](std::int64_t) {});
    if (!frames.IsActive())
        return false;
    m_viewerFrames = std::move(frames);
    return true;
}

SgHandleTable::ViewerHandle FennixControl::HoldViewer(SgViewer *viewer)
{
    const SgHandleTable::ViewerHandle handle = SgHandleTable::HoldViewer(viewer);
    if (handle != SgHandleTable::kNoViewer)
        m_heldViewers.insert(handle);
    return handle;
}

void FennixControl::OnCustomEvent(const char *text, void *data)
{
    static_cast<FennixControl *>(data)->Fire("CustomEvent1", {DispValue::Str(text ? text : "")});
}

void FennixControl::OnClick(SgPath *, char *name, unsigned long long, void *data)
{
    static_cast<FennixControl *>(data)->Fire("ClickEvent", {DispValue::Str(name ? name : "")});
}

void FennixControl::ListenToFacade()
{
    // Creation tools tell a plugged-in facade's listeners when they start and finish.
    m_pFacade->GetHostEvents().SetPlugedIn();
    m_buttonStateListener = m_pFacade->GetHostEvents().SubscribeButtonState([this](int button, int state) {
        // Scripts hear changes only: the facade tells every state again on
        // its periodic updates.
        const auto known = m_buttonStates.find(button);
        if (known != m_buttonStates.end() && known->second == state)
            return;
        m_buttonStates[button] = state;
        Fire("ChangeButtonState", {DispValue::Int(button), DispValue::Int(state)});
    });
    m_toolEvents = m_pFacade->GetHostEvents().SubscribeToolEvents([this](bool started, int code, void *object) {
        const auto handle = static_cast<std::int64_t>(HandleFor(static_cast<SgObject *>(object)));
        Fire(started ? "CreateToolStart" : "CreateToolFinish", {DispValue::Int(code), DispValue::Int(handle)});
    });
    m_customEvents = m_pFacade->GetHostEvents().SubscribeCustomEvent(&FennixControl::OnCustomEvent, this);
}

} // namespace fennix
