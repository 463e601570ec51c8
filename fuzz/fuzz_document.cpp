// Reads arbitrary bytes as a whole document (scene, Scenario, Layout, Layers
// and View sections), saves it, reads the saved text into a second document
// and saves that: the two saved texts must be equal. Undo and redo run on
// the read document in between and must leave it as it was.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "engine/SgNodara.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgDocumentFiles.h"
#include "platform/Notifier.h"

namespace {

class SilentNotifier : public Notifier {
public:
    int Message(const std::string &, const std::string &, Buttons buttons, Icon) override
    {
        return DefaultAnswer(buttons);
    }
};

struct DocumentDeleter {
    void operator()(SgDocument *document) const { SgDocument::Destroy(document); }
};
using DocumentPtr = std::unique_ptr<SgDocument, DocumentDeleter>;

bool Start()
{
    static SilentNotifier notifier;
    SetNotifier(&notifier);
    SgNodara::Init();
    return true;
}

bool Save(SgDocument &document, std::string &text)
{
    std::ostringstream out;
    if (!document.SaveStream(nullptr, &out, "kvrx"))
        return false;
    text = out.str();
    return true;
}

[[noreturn]] void Abort(const char *what, const std::string &first, const std::string &second)
{
    std::fprintf(stderr, "%s\n--- first\n%s\n--- second\n%s\n", what, first.c_str(), second.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool started = Start();
    (void)started;

    DocumentPtr first(SgDocument::Create());
    if (!first)
        return 0;
    std::istringstream in(std::string(reinterpret_cast<const char *>(data), size));
    if (first->ReadFileStream(in, "fuzz.kvrx", true) != SgDocumentFiles::kReadDone)
        return 0;
    std::string firstText;
    if (!Save(*first, firstText))
        return 0;
    first->Undo();
    first->Redo();
    std::string afterUndo;
    if (!Save(*first, afterUndo))
        Abort("the document did not save after undo and redo", firstText, "");
    if (afterUndo != firstText)
        Abort("undo and redo changed the document", firstText, afterUndo);

    DocumentPtr second(SgDocument::Create());
    std::istringstream again(firstText);
    if (second->ReadFileStream(again, "fuzz.kvrx", true) != SgDocumentFiles::kReadDone)
        Abort("the saved document did not read back", firstText, "");
    std::string secondText;
    if (!Save(*second, secondText))
        Abort("what was read back did not save", firstText, "");
    if (secondText != firstText)
        Abort("the second save differs from the first", firstText, secondText);
    return 0;
}
