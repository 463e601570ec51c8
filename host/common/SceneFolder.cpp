#include "host/common/SceneFolder.h"

#include <filesystem>
#include <string>
#include <system_error>

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
