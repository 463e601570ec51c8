#include "host/common/SceneFolder.h"

#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

#include "engine/render/SgTextureManager.h"

void FindTexturesBesideScene(SgDocument *document, const char *scenePath)
{
    SgTextureManager *textures = SgTextureManager::ForDocument(document);
    if (!textures || !scenePath)
        return;
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::absolute(scenePath, error).parent_path();
    // The list is split at ';': a folder whose name holds one is not searched.
    if (!error && folder.string().find(';') == std::string::npos)
        textures->SetTexturePathesList(folder.string().c_str());
}

bool CanWriteInFolderOf(const char *path, std::string &why)
{
    std::error_code error;
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty())
        folder = ".";
    const std::filesystem::file_status status = std::filesystem::status(folder, error);
    if (error || !std::filesystem::exists(status)) {
        why = "the folder " + folder.string() + " does not exist";
        return false;
    }
    if (!std::filesystem::is_directory(status)) {
        why = folder.string() + " is not a folder";
        return false;
    }
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        why = "the folder " + folder.string() + " may not be written in";
        return false;
    }
    if (std::filesystem::is_directory(path, error)) {
        why = std::string(path) + " is a folder";
        return false;
    }
    return true;
}
