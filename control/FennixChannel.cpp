#include "control/FennixChannel.h"

#include <limits>

#include <nlohmann/json.hpp>

#include "control/FennixControl.h"

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

} // namespace

FennixChannel::FennixChannel(FennixControl &control, Writer writer) : m_control(control), m_writer(std::move(writer))
{
    m_events = m_control.Events().Subscribe([this](const FennixEvent &event) {
        if (m_writer)
            m_writer(EventLine(event));
    });
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
    const DispResult result = m_control.Call(method->get<std::string>(), args);
    if (!result.ok)
        return ErrorLine(id, result.code, result.message);
    Json reply;
    reply["id"] = id;
    reply["result"] = ToJson(result.value);
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
