#include "control/FennixChannel.h"

#include <limits>
#include <mutex>
#include <vector>

#include <nlohmann/json.hpp>

#include "control/FennixControl.h"
#include "platform/Notifier.h"
#include "platform/SgChoosers.h"
#include "platform/SgDiagHandler.h"

namespace fennix {

namespace {

using Json = nlohmann::json;

Json ToJson(const DispValue &v)
{
    switch (v.kind) {
    case DispValue::Kind::Integer: return v.integer;
    case DispValue::Kind::Real: return v.real;
    case DispValue::Kind::Boolean: return v.boolean;
    case DispValue::Kind::String: return v.text;
    case DispValue::Kind::Empty: break;
    }
    return nullptr;
}

// False for a value no parameter can take (an array or an object).
bool FromJson(const Json &j, DispValue &out)
{
    switch (j.type()) {
    case Json::value_t::null: out = DispValue(); return true;
    case Json::value_t::boolean: out = DispValue::Bool(j.get<bool>()); return true;
    case Json::value_t::number_integer: out = DispValue::Int(j.get<std::int64_t>()); return true;
    case Json::value_t::number_unsigned: {
        const auto u = j.get<std::uint64_t>();
        // Past the signed range it can only be a real (and so fit no integer type).
        out = u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
                  ? DispValue::Real(static_cast<double>(u))
                  : DispValue::Int(static_cast<std::int64_t>(u));
        return true;
    }
    case Json::value_t::number_float: out = DispValue::Real(j.get<double>()); return true;
    case Json::value_t::string: out = DispValue::Str(j.get<std::string>()); return true;
    default: return false;
    }
}

std::string ErrorLine(const Json &id, int code, const std::string &message)
{
    Json reply;
    reply["id"] = id;
    reply["error"] = {{"code", code}, {"message", message}};
    // Invalid UTF-8 from a request echoed in a message must not throw.
    return reply.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// While a script's request runs, nobody is asked anything and no box waits
// for a click: questions get the answer of a user who only dismisses them,
// choosers answer "cancel", and what would have been shown goes to the log.
// A warning or an error meant for the user is the script's to hear: the
// request's reply becomes an error that carries its text.
class FennixScriptCallScope : public Notifier {
public:
    FennixScriptCallScope()
    {
        m_previousNotifier = SetNotifier(this);
        m_previousFiles = SetFileChooser([](const FileRequest &) -> std::optional<std::string> { return std::nullopt; });
        m_previousColours = SetColorChooser([](const SgRgb8 &) -> std::optional<SgRgb8> { return std::nullopt; });
        m_previousMenus = SetPopupMenuChooser([](const std::vector<SgPopupItem> &, SgPlatformWindow *) { return 0; });
        m_previousHandler = SgDiagSetHandler([this](const SgDiagnostic &diagnostic) {
            if (!diagnostic.forUser) {
                // What the scene's formulas were refused (file access, quit,
                // the step and depth budgets) is the script's to hear too.
                if (diagnostic.level != SgDiagLevel::Info && diagnostic.package == "Lisp") {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_warnings.push_back(diagnostic.text);
                }
                Pass(diagnostic);
                return;
            }
            Told(diagnostic.level, diagnostic.text, diagnostic.caption);
        });
    }
    ~FennixScriptCallScope() override
    {
        SgDiagSetHandler(std::move(m_previousHandler));
        SetPopupMenuChooser(std::move(m_previousMenus));
        SetColorChooser(std::move(m_previousColours));
        SetFileChooser(std::move(m_previousFiles));
        SetNotifier(m_previousNotifier);
    }
    FennixScriptCallScope(const FennixScriptCallScope &) = delete;
    FennixScriptCallScope &operator=(const FennixScriptCallScope &) = delete;

    int Message(const std::string &text, const std::string &caption, Buttons buttons, Icon icon) override
    {
        const SgDiagLevel level = icon == Icon::Error     ? SgDiagLevel::Error
                                  : icon == Icon::Warning ? SgDiagLevel::Warning
                                                          : SgDiagLevel::Info;
        Told(level, text, caption);
        return DefaultAnswer(buttons);
    }

    // The refusals told while the scope stood, one per line.
    std::string Refusals() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::string text;
        for (const std::string &r : m_refusals)
            text += (text.empty() ? "" : "\n") + r;
        return text;
    }

    std::vector<std::string> Warnings() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_warnings;
    }

private:
    void Told(SgDiagLevel level, const std::string &text, const std::string &caption)
    {
        SgDiagnostic logged;
        logged.level = level;
        logged.package = "Fennix";
        logged.text = text;
        logged.caption = caption;
        // Kept in the log as a developer's line: no box.
        logged.forUser = false;
        if (level != SgDiagLevel::Info) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_refusals.push_back(text);
        }
        Pass(logged);
    }
    void Pass(const SgDiagnostic &diagnostic) const
    {
        if (m_previousHandler)
            m_previousHandler(diagnostic);
        else
            SgDiagDefaultHandler(diagnostic);
    }

    Notifier *m_previousNotifier = nullptr;
    FileChooser m_previousFiles;
    ColorChooser m_previousColours;
    PopupMenuChooser m_previousMenus;
    SgDiagHandler m_previousHandler;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_refusals;
    std::vector<std::string> m_warnings;
};

} // namespace

FennixChannel::FennixChannel(FennixControl &control, Writer writer) : m_control(control), m_writer(std::move(writer))
{
    m_events = m_control.Events().Subscribe([this](const FennixEvent &event) {
        if (m_writer)
            m_writer(EventLine(event));
    });
    // A client that comes after the start still learns that the session runs.
    if (m_writer && m_control.IsSessionStarted()) {
        FennixEvent started;
        if (const EventEntry *entry = FindEvent("StartSession"))
            started.dispid = entry->dispid;
        started.name = "StartSession";
        started.params = {DispValue::Str(m_control.GetSessionText())};
        m_writer(EventLine(started));
    }
}

void FennixChannel::Feed(const char *data, std::size_t size)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] != '\n')
            continue;
        if (m_discarding) {
            m_discarding = false;
        } else {
            m_buffer.append(data + start, i - start);
            if (!m_buffer.empty() && m_buffer.back() == '\r')
                m_buffer.pop_back();
            if (!m_buffer.empty()) {
                const std::string line = std::move(m_buffer);
                m_buffer.clear();
                const std::string reply = Handle(line);
                if (m_writer)
                    m_writer(reply);
            }
        }
        m_buffer.clear();
        start = i + 1;
    }
    if (m_discarding || start >= size)
        return;
    m_buffer.append(data + start, size - start);
    if (m_buffer.size() > kMaxLine) {
        m_buffer.clear();
        m_buffer.shrink_to_fit();
        m_discarding = true;
        if (m_writer)
            m_writer(ErrorLine(nullptr, kErrTooLong, "request line longer than 1 MB"));
    }
}

std::string FennixChannel::Handle(const std::string &line)
{
    if (line.size() > kMaxLine)
        return ErrorLine(nullptr, kErrTooLong, "request line longer than 1 MB");
    Json request = Json::parse(line, nullptr, false);
    if (request.is_discarded())
        return ErrorLine(nullptr, kErrParse, "the line is no JSON");
    if (!request.is_object())
        return ErrorLine(nullptr, kErrRequest, "a request is a JSON object");
    Json id = nullptr;
    if (auto it = request.find("id"); it != request.end()) {
        if (it->is_structured())
            return ErrorLine(nullptr, kErrRequest, "\"id\" is a number or a string");
        id = *it;
    }
    auto method = request.find("method");
    if (method == request.end() || !method->is_string())
        return ErrorLine(id, kErrRequest, "\"method\" names a method");
    DispArgs args;
    if (auto params = request.find("params"); params != request.end() && !params->is_null()) {
        if (!params->is_array())
            return ErrorLine(id, kErrParams, "\"params\" is an array");
        for (const Json &p : *params) {
            DispValue v;
            if (!FromJson(p, v))
                return ErrorLine(id, kErrParams, "a parameter is an array or an object");
            args.push_back(std::move(v));
        }
    }
    const std::string name = method->get<std::string>();
    if (name == kReleaseVerb) {
        // The channel's own verb, beside the dispatch table: it lets go of
        // the handles given (each named once), so a long script holds only
        // what it still uses. All are checked before any goes.
        DispResult error;
        for (const DispValue &handle : args)
            if (!m_control.ContainerOf(handle, error) && !error.ok)
                return ErrorLine(id, error.code, error.message);
        std::int64_t released = 0;
        for (const DispValue &handle : args)
            released += m_control.Release(handle, error) ? 1 : 0;
        Json reply;
        reply["id"] = id;
        reply["result"] = released;
        return reply.dump(-1, ' ', false, Json::error_handler_t::replace);
    }
    DispResult result;
    std::string refusals;
    std::vector<std::string> warnings;
    {
        FennixScriptCallScope scope;
        result = m_control.Call(name, args);
        refusals = scope.Refusals();
        warnings = scope.Warnings();
    }
    if (!result.ok)
        return ErrorLine(id, result.code, result.message);
    if (!refusals.empty())
        return ErrorLine(id, kErrFailed, refusals);
    Json reply;
    reply["id"] = id;
    reply["result"] = ToJson(result.value);
    if (!warnings.empty())
        reply["warnings"] = warnings;
    return reply.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string FennixChannel::EventLine(const FennixEvent &event)
{
    Json line;
    line["event"] = event.name;
    Json params = Json::array();
    for (const DispValue &v : event.params)
        params.push_back(ToJson(v));
    line["params"] = params;
    return line.dump(-1, ' ', false, Json::error_handler_t::replace);
}

} // namespace fennix
