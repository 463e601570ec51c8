#include "platform/SgDiagnostics.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <utility>

#include "platform/Notifier.h"
#include "platform/SgDiagHandler.h"

namespace {

// The handler and the hook in use. Made once and never freed, so that code
// running in the destructors of statics at exit can still report.
struct Slots {
    std::mutex mutex;
    SgDiagHandler handler;
    SgDiagLogHook logHook;
};

Slots &GetSlots()
{
    static Slots *const s_slots = new Slots;
    return *s_slots;
}

// Whether this thread is inside the log hook or the handler: a diagnostic
// reported from there must not start the same call again.
thread_local int t_logDepth = 0;
thread_local int t_handlerDepth = 0;

struct DepthScope {
    explicit DepthScope(int &depth) : m_depth(depth) { ++m_depth; }
    ~DepthScope() { --m_depth; }
    DepthScope(const DepthScope &) = delete;
    DepthScope &operator=(const DepthScope &) = delete;
    int &m_depth;
};

// The platform sink proper: one line, written at once so that lines of
// several threads do not mix.
void WriteLine(const std::string &line)
{
    std::string out = line;
    out += '\n';
    std::fwrite(out.data(), 1, out.size(), stderr);
    std::fflush(stderr);
}

std::string Format(const char *format, va_list args)
{
    if (format == nullptr)
        return std::string();
    va_list again;
    va_copy(again, args);
    char small[256];
    const int length = std::vsnprintf(small, sizeof small, format, args);
    std::string text;
    if (length < 0) {
        text = format; // a broken format still says where it came from
    } else if (static_cast<size_t>(length) < sizeof small) {
        text.assign(small, static_cast<size_t>(length));
    } else {
        text.resize(static_cast<size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        text.resize(static_cast<size_t>(length));
    }
    va_end(again);
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

void PostFormatted(SgDiagLevel level, const char *package, const char *format, va_list args)
{
    SgDiagnostic diagnostic;
    diagnostic.level = level;
    diagnostic.package = package ? package : "";
    diagnostic.text = Format(format, args);
    SgDiagPost(diagnostic);
}

Notifier::Icon IconOf(SgDiagLevel level)
{
    switch (level) {
    case SgDiagLevel::Error:
        return Notifier::Icon::Error;
    case SgDiagLevel::Warning:
        return Notifier::Icon::Warning;
    case SgDiagLevel::Info:
        break;
    }
    return Notifier::Icon::Information;
}

} // namespace

const char *SgDiagLevelName(SgDiagLevel level)
{
    switch (level) {
    case SgDiagLevel::Error:
        return "ERROR";
    case SgDiagLevel::Warning:
        return "WARN";
    case SgDiagLevel::Info:
        break;
    }
    return "INFO";
}

std::string SgDiagnostic::Line() const
{
    if (forUser && !caption.empty())
        return caption + ": " + text;
    return text;
}

void SgDiagPost(const SgDiagnostic &diagnostic)
{
    Slots &slots = GetSlots();
    if (t_logDepth == 0) {
        SgDiagLogHook hook;
        {
            std::lock_guard<std::mutex> lock(slots.mutex);
            hook = slots.logHook;
        }
        if (hook) {
            DepthScope scope(t_logDepth);
            hook(diagnostic);
        }
    }
    if (t_handlerDepth > 0) {
        // Reported by the handler itself (or by the notifier it shows a text
        // with): calling either again could go on for ever.
        WriteLine(diagnostic.Line());
        return;
    }
    // A copy, so that a handler that replaces itself does not pull the
    // function out from under its own call.
    SgDiagHandler handler;
    {
        std::lock_guard<std::mutex> lock(slots.mutex);
        handler = slots.handler;
    }
    DepthScope scope(t_handlerDepth);
    if (handler)
        handler(diagnostic);
    else
        SgDiagDefaultHandler(diagnostic);
}

void SgDiagReport(SgDiagLevel level, const char *package, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    PostFormatted(level, package, format, args);
    va_end(args);
}

void SgDiagInfo(const char *package, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    PostFormatted(SgDiagLevel::Info, package, format, args);
    va_end(args);
}

void SgDiagWarning(const char *package, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    PostFormatted(SgDiagLevel::Warning, package, format, args);
    va_end(args);
}

void SgDiagError(const char *package, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    PostFormatted(SgDiagLevel::Error, package, format, args);
    va_end(args);
}

void SgDiagTellUser(SgDiagLevel level, const char *package, const std::string &text, const std::string &caption)
{
    SgDiagnostic diagnostic;
    diagnostic.level = level;
    diagnostic.package = package ? package : "";
    diagnostic.text = text;
    diagnostic.forUser = true;
    diagnostic.caption = caption;
    SgDiagPost(diagnostic);
}

SgDiagHandler SgDiagSetHandler(SgDiagHandler handler)
{
    Slots &slots = GetSlots();
    std::lock_guard<std::mutex> lock(slots.mutex);
    SgDiagHandler previous = std::move(slots.handler);
    slots.handler = std::move(handler);
    return previous;
}

void SgDiagDefaultHandler(const SgDiagnostic &diagnostic)
{
    if (diagnostic.forUser) {
        GetNotifier().Message(diagnostic.text, diagnostic.caption, Notifier::Buttons::Ok, IconOf(diagnostic.level));
        return;
    }
    WriteLine(diagnostic.text);
}

SgDiagLogHook SgDiagSetLogHook(SgDiagLogHook hook)
{
    Slots &slots = GetSlots();
    std::lock_guard<std::mutex> lock(slots.mutex);
    SgDiagLogHook previous = std::move(slots.logHook);
    slots.logHook = std::move(hook);
    return previous;
}

// ---- SgDiagCapture (platform/SgDiagHandler.h) ----------------------------------------------------------

struct SgDiagCapture::Kept {
    std::mutex mutex;
    std::vector<SgDiagnostic> diagnostics;
};

SgDiagCapture::SgDiagCapture()
    : m_kept(std::make_shared<Kept>())
{
    std::shared_ptr<Kept> kept = m_kept;
    m_previous = SgDiagSetHandler([kept](const SgDiagnostic &diagnostic) {
        std::lock_guard<std::mutex> lock(kept->mutex);
        kept->diagnostics.push_back(diagnostic);
    });
}

SgDiagCapture::~SgDiagCapture()
{
    SgDiagSetHandler(std::move(m_previous));
}

std::vector<SgDiagnostic> SgDiagCapture::GetDiagnostics() const
{
    std::lock_guard<std::mutex> lock(m_kept->mutex);
    return m_kept->diagnostics;
}

int SgDiagCapture::Count() const
{
    std::lock_guard<std::mutex> lock(m_kept->mutex);
    return static_cast<int>(m_kept->diagnostics.size());
}

int SgDiagCapture::Count(std::string_view package) const
{
    std::lock_guard<std::mutex> lock(m_kept->mutex);
    int count = 0;
    for (const SgDiagnostic &diagnostic : m_kept->diagnostics)
        count += diagnostic.package == package ? 1 : 0;
    return count;
}

std::string SgDiagCapture::GetText() const
{
    std::lock_guard<std::mutex> lock(m_kept->mutex);
    std::string text;
    for (const SgDiagnostic &diagnostic : m_kept->diagnostics) {
        text += diagnostic.Line();
        text += '\n';
    }
    return text;
}

bool SgDiagCapture::Contains(std::string_view part) const
{
    std::lock_guard<std::mutex> lock(m_kept->mutex);
    for (const SgDiagnostic &diagnostic : m_kept->diagnostics) {
        if (diagnostic.Line().find(part) != std::string::npos)
            return true;
    }
    return false;
}

void SgDiagCapture::Clear()
{
    std::lock_guard<std::mutex> lock(m_kept->mutex);
    m_kept->diagnostics.clear();
}
