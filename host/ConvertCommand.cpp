#include "host/ConvertCommand.h"

#include <cstdio>
#include <memory>

#include "engine/SgNodara.h"
#include "solids/Solvane.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgDocumentFiles.h"

namespace {

// The document goes with the command on every way out.
struct DocumentDeleter {
    void operator()(SgDocument *document) const { SgDocument::Destroy(document); }
};

} // namespace

int RunConvertCommand(const char *inPath, const char *outPath)
{
    SgNodara::Init();
    solvane::Solvane::Init();  // the solid classes, so scenes with solids read and draw
    std::unique_ptr<SgDocument, DocumentDeleter> document(SgDocument::Create());
    if (!document) {
        std::fprintf(stderr, "fennix: no document could be made\n");
        return 1;
    }
    // The reader's own messages have gone to standard error already; this is
    // the one line that says the conversion failed.
    const int read = document->OpenFile(inPath, true);
    if (read != SgDocumentFiles::kReadDone) {
        std::fprintf(stderr, "fennix: %s %s\n", inPath, SgDocumentFiles::Describe(read));
        return 1;
    }
    if (!document->Save(outPath, "kvrx")) {
        std::fprintf(stderr, "fennix: %s could not be written\n", outPath);
        return 1;
    }
    return 0;
}
