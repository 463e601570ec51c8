// Reads arbitrary bytes as a scene, writes what was read, reads that text
// back and writes it again: the two written texts must be the same byte for
// byte. Whatever the reader makes of bad input, the writer's own text has to
// survive the next read unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "engine/SgNodara.h"
#include "engine/actions/SgOpenAction.h"
#include "engine/actions/SgSaveAction.h"
#include "engine/actions/Vrml1Format.h"
#include "engine/actions/Vrml1InStream.h"
#include "engine/actions/Vrml1Stream.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "platform/Notifier.h"

namespace {

class SilentNotifier : public Notifier {
public:
    int Message(const std::string &, const std::string &, Buttons buttons, Icon) override
    {
        return DefaultAnswer(buttons);
    }
};

bool Start()
{
    static SilentNotifier notifier;
    SetNotifier(&notifier);
    SgNodara::Init();
    return true;
}

bool Read(const std::string &text, SgRef<SgSeparator> &root, std::string &messages)
{
    std::istringstream in(text);
    Vrml1InStream stream(in, "fuzz.kvrx");
    stream.SetNotifyUser(false);
    root = new SgSeparator;
    // Named as the document names its root, so the text nests the same way.
    root->SetName("ROOT");
    const bool read = SgOpenAction::ReadScene(stream, *root);
    messages = stream.FormatMessages();
    return read;
}

bool Write(SgSeparator *root, std::string &text)
{
    std::ostringstream out;
    Vrml1Stream stream(out);
    SgSaveAction action(false);
    action.SetStream(&stream);
    action.WriteHeader(Vrml1Format::kWriterVersion);
    if (!action.Apply(root))
        return false;
    text = out.str();
    return true;
}

[[noreturn]] void Abort(const char *what, const std::string &first, const std::string &second,
                        const std::string &messages)
{
    std::fprintf(stderr, "%s\n--- first\n%s\n--- second\n%s\n--- messages\n%s\n", what, first.c_str(),
                 second.c_str(), messages.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool started = Start();
    (void)started;

    std::string messages;
    SgRef<SgSeparator> first;
    std::string firstText;
    if (!Read(std::string(reinterpret_cast<const char *>(data), size), first, messages) ||
        !Write(first, firstText))
        return 0;
    SgRef<SgSeparator> second;
    if (!Read(firstText, second, messages))
        Abort("the written text did not read back", firstText, "", messages);
    std::string secondText;
    if (!Write(second, secondText))
        Abort("what was read back did not write", firstText, "", messages);
    if (secondText != firstText)
        Abort("the second write differs from the first", firstText, secondText, messages);
    return 0;
}
