// JSON lines into the scripting channel of a control on a headless canvas,
// made afresh for each input so that each one replays alone. Requests name
// nodes, fields, files and handles; replies and events are dropped.
#include <memory>
#include <string>

#include "control/FennixChannel.h"
#include "control/FennixControl.h"
#include "fuzz/FuzzEntries.h"
#include "platform/window/SgHeadlessWindow.h"

namespace fuzzentry {

int Channel(const uint8_t *data, size_t size)
{
    Start();
    SgHeadlessWindow window(160, 120);
    fennix::FennixControl control;
    if (!control.Create(&window))
        return 0;
    {
        fennix::FennixChannel channel(control, [](const std::string &) {});
        channel.Feed(reinterpret_cast<const char *>(data), size);
        // A last line without its end is answered too.
        channel.Feed("\n", 1);
    }
    control.Destroy();
    window.DestroyWindow();
    return 0;
}

} // namespace fuzzentry
