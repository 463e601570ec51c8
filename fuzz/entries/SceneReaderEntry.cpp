// Runs the scene reader over arbitrary bytes, the way a document reads a
// file: the header, the scene, then whatever follows the scene part. Nothing
// the text holds may crash the reader, leak, or make it loop.
#include <sstream>
#include <string>

#include "engine/actions/SgOpenAction.h"
#include "engine/actions/Vrml1InStream.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "fuzz/FuzzEntries.h"

namespace fuzzentry {

int SceneReader(const uint8_t *data, size_t size)
{
    Start();
    std::istringstream in(std::string(reinterpret_cast<const char *>(data), size));
    Vrml1InStream stream(in, "fuzz.kvrx");
    stream.SetNotifyUser(false);
    SgRef<SgSeparator> root(new SgSeparator);
    if (!SgOpenAction::ReadScene(stream, *root))
        return 0;
    // The document's trailing sections read their blocks with the same call.
    while (!stream.HasFailed() && !stream.AtEnd()) {
        SgRef<SgFieldMngr> container(SgOpenAction::CreateObject(stream));
        if (!container && stream.m_szWord.empty() && !stream.HasFailed())
            continue;
        if (!container && !stream.m_szWord.empty() && !stream.SkipBracketed())
            break;
    }
    return 0;
}

} // namespace fuzzentry
