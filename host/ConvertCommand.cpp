#include "host/ConvertCommand.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
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

namespace {

// The scene root as a document keeps it: its block is named so that a reader
// takes its children rather than the group itself.
constexpr const char *kRootName = "ROOT";

bool ReadSceneFile(const char *path, SgSeparator &root)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "fennix: cannot open %s: %s\n", path, std::strerror(errno));
        return false;
    }
    Vrml1InStream stream(file, path);
    // The messages are printed once, below, with their lines.
    stream.SetNotifyUser(false);
    const bool read = SgOpenAction::ReadScene(stream, root);
    const std::string messages = stream.FormatMessages();
    if (!messages.empty())
        std::fprintf(stderr, "%s%s", messages.c_str(), messages.back() == '\n' ? "" : "\n");
    if (!read) {
        std::fprintf(stderr, "fennix: %s could not be read as a scene\n", path);
        return false;
    }
    return true;
}

// The whole text is built in memory first, so a write that fails halfway
// leaves no half file behind.
bool WriteSceneText(SgSeparator &root, std::string &text)
{
    std::ostringstream out;
    Vrml1Stream stream(out);
    SgSaveAction action(false);
    action.SetStream(&stream);
    action.WriteHeader(Vrml1Format::kWriterVersion);
    if (!action.Apply(&root)) {
        std::fprintf(stderr, "fennix: the scene could not be written: %s\n", action.GetError().c_str());
        return false;
    }
    text = out.str();
    return true;
}

bool WriteFileReplacing(const char *path, const std::string &text)
{
    const std::string temporary = std::string(path) + ".part";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file) {
            std::fprintf(stderr, "fennix: cannot write %s: %s\n", temporary.c_str(), std::strerror(errno));
            return false;
        }
        file.write(text.data(), static_cast<std::streamsize>(text.size()));
        file.flush();
        if (!file) {
            std::fprintf(stderr, "fennix: writing %s failed\n", temporary.c_str());
            file.close();
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path) != 0) {
        std::fprintf(stderr, "fennix: cannot write %s: %s\n", path, std::strerror(errno));
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace

int RunConvertCommand(const char *inPath, const char *outPath)
{
    SgNodara::Init();
    SgRef<SgSeparator> root(new SgSeparator);
    root->SetName(kRootName);
    if (!ReadSceneFile(inPath, *root))
        return 1;
    std::string text;
    if (!WriteSceneText(*root, text))
        return 1;
    return WriteFileReplacing(outPath, text) ? 0 : 1;
}
