#pragma once
// One client's conversation with the control over JSON lines, without the
// transport: bytes come in through Feed, reply and event lines go out
// through the writer (each line without its "\n"; the writer adds it).
//
//   request  {"id": 7, "method": "SetFieldVal", "params": ["box", "translation", "(1,2,3)"]}
//   reply    {"id": 7, "result": ...}  or  {"id": 7, "error": {"code": ..., "message": ...}}
//   event    {"event": "ClickEvent", "params": ["box"]}
//
// A line that is no JSON, no request, or longer than the cap gets an error
// reply and is forgotten; the next line is read as usual. While a request
// runs nobody is asked anything (questions get the default answer, choosers
// "cancel"), and a warning or an error meant for the user becomes the
// request's error reply. A channel made after StartSession fired starts
// with that event.
#include <cstddef>
#include <functional>
#include <string>

#include "control/FennixEvents.h"
#include "control/FennixExport.h"

namespace fennix {

class FennixControl;

class FENNIX_API FennixChannel {
public:
    static constexpr std::size_t kMaxLine = 1u << 20;
    // {"method": "Release", "params": [handle, ...]}: the channel's own verb
    // (no dispatch id), which lets go of handles this control gave; the
    // result is how many went (a handle named twice goes once). A handle not
    // given by this control, or let go before, is an error and nothing goes.
    static constexpr const char *kReleaseVerb = "Release";
    using Writer = std::function<void(const std::string &line)>;

    // Subscribes to the control's events for as long as the channel lives.
    FennixChannel(FennixControl &control, Writer writer);

    void Feed(const char *data, std::size_t size);
    // The reply to one request line (no "\n").
    std::string Handle(const std::string &line);
    static std::string EventLine(const FennixEvent &event);

private:
    FennixControl &m_control;
    Writer m_writer;
    std::string m_buffer;
    bool m_discarding = false;  // inside a line over the cap
    FennixEventList::Token m_events;
};

} // namespace fennix
