#include "engine/render/SgTextureManager.h"

#include <GL/gl.h>

#include <cstdlib>
#include <cstring>

#include "engine/core/SgGroup.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/document/SgDocument.h"
#include "engine/nodes/properties/SgTexture2D.h"
#include "platform/SgDiagnostics.h"
#include "platform/UrlDownloader.h"
#include "platform/gl/GLContext.h"
#include "utilities/FileUtil.h"
#include "utilities/StringUtil.h"
#include "utilities/image/ImageRead.h"

namespace {

// The process's manager and every manager a renewal replaced. Never
// destroyed: texture nodes with static storage may still ask for their
// textures while the other statics go away, and a replaced manager's images
// may still be in use.
struct ManagerRegistry {
    SgTextureManager *current = nullptr;
    std::vector<SgTextureManager *> all;
};

ManagerRegistry &Registry()
{
    static ManagerRegistry *s_registry = new ManagerRegistry();
    return *s_registry;
}

// Fills `image` with the named texture as the document's manager loads it.
bool LoadTextureImage(SgDocument *document, const char *name, Image2 &image)
{
    if (!name || !*name)
        return false;
    SgTextureManager *manager = SgTextureManager::ForDocument(document);
    if (!manager)
        return false;
    std::string file(name);
    Image2 *loaded = manager->GetImage(file, nullptr, nullptr, nullptr);
    if (!loaded || !loaded->GetData())
        return false;
    image = *loaded;
    return true;
}

void DeleteTextureOfNode(int glName)
{
    SgTextureManager::DeleteGLTexture(glName);
}

// The buffer size of width x height 4-byte pixels; 0 when the size is not
// one a picture may have.
std::size_t PixelBytes(int width, int height)
{
    if (width <= 0 || height <= 0)
        return 0;
    const long long pixels = static_cast<long long>(width) * height;
    if (pixels > IMAGE_MAX_PIXELS)
        return 0;
    return static_cast<std::size_t>(pixels) * 4;
}

// The readers hand out array-new'd buffers; an Image2 frees its pixels with
// free(), so they move to the C heap.
unsigned char *ToCHeap(unsigned char *pixels, int width, int height)
{
    const std::size_t bytes = PixelBytes(width, height);
    unsigned char *copy = bytes ? static_cast<unsigned char *>(std::malloc(bytes)) : nullptr;
    if (copy)
        std::memcpy(copy, pixels, bytes);
    ImageFree(pixels);
    return copy;
}

int ColorByte(float component)
{
    const int value = static_cast<int>(component * 255.0f);
    return value < 0 ? 0 : (value > 255 ? 255 : value);
}

} // namespace

CTextureObj::CTextureObj(const std::string &name)
    : m_pImage(std::make_unique<Image2>(0, 0, 4, Image2::UNSIGNED_BYTE, nullptr, name.c_str()))
{
}

namespace {

// The serial of the current context; 0 stands for none of ours.
std::uint64_t CurrentContextSerial()
{
    const GLContext *context = GLContext::GetCurrent();
    return context ? context->GetSerial() : 0;
}

} // namespace

int CTextureObj::GetGLName() const
{
    const std::uint64_t serial = CurrentContextSerial();
    for (const auto &[context, name] : m_glNames)
        if (context == serial)
            return name;
    return -1;
}

void CTextureObj::SetGLName(int name)
{
    const std::uint64_t serial = CurrentContextSerial();
    for (auto &entry : m_glNames) {
        if (entry.first == serial) {
            entry.second = name;
            return;
        }
    }
    m_glNames.emplace_back(serial, name);
}

void KeyTransparentColors(unsigned char *pixels, int width, int height, const std::vector<Color> &colors,
                          const std::vector<float> &tolerances)
{
    const std::size_t bytes = PixelBytes(width, height);
    if (!pixels || !bytes || tolerances.empty())
        return;
    for (std::size_t k = 0; k < colors.size(); ++k) {
        const int r = ColorByte(colors[k].r);
        const int g = ColorByte(colors[k].g);
        const int b = ColorByte(colors[k].b);
        const double radius = tolerances[k % tolerances.size()] * (SgTextureManager::kMaxColorDistance / 100.0);
        const double limit = radius * radius;
        for (std::size_t i = 0; i < bytes; i += 4) {
            const int db = pixels[i] - b;
            const int dg = pixels[i + 1] - g;
            const int dr = pixels[i + 2] - r;
            if (static_cast<double>(dr * dr + dg * dg + db * db) < limit)
                pixels[i + 3] = 0;
        }
    }
}

SgTextureManager *SgTextureManager::CTextureManagerFactory(int renew)
{
    ManagerRegistry &registry = Registry();
    if (renew == 0 && registry.current)
        return registry.current;
    registry.current = new SgTextureManager();
    registry.all.push_back(registry.current);
    return registry.current;
}

SgTextureManager *SgTextureManager::DocumentFactory(void *, int)
{
    return CTextureManagerFactory(0);
}

SgTextureManager *SgTextureManager::ForDocument(SgDocument *document)
{
    if (document) {
        if (SgTextureManager *manager = document->GetTextureMngr())
            return manager;
    }
    return CTextureManagerFactory(0);
}

void SgTextureManager::InstallHooks()
{
    SgTexture2D::SetDeleteTextureFunction(&DeleteTextureOfNode);
    SgObject::SetTextureImageLoader(&LoadTextureImage);
}

void SgTextureManager::DeleteGLTexture(int glName)
{
    // A name means nothing outside the context that made it; with none of
    // ours current there is nothing it could be deleted from.
    if (glName < 0 || !GLContext::GetCurrent())
        return;
    const GLuint name = static_cast<GLuint>(glName);
    glDeleteTextures(1, &name);
}

SgTextureManager::SgTextureManager() : m_holder(new SgGroup)
{
    m_holder->SetDocument(nullptr);
}

SgTextureManager::~SgTextureManager() = default;

int SgTextureManager::FindTexture(const std::string &name) const
{
    for (std::size_t i = 0; i < m_textures.size(); ++i) {
        if (SgIEquals(m_textures[i]->m_pImage->GetPath(), name))
            return static_cast<int>(i);
    }
    return -1;
}

int SgTextureManager::GetTextureID(const std::string &name) const
{
    const int index = FindTexture(name);
    return index < 0 ? -1 : m_textures[index]->GetGLName();
}

void SgTextureManager::SetTextureID(const std::string &name, int glName)
{
    const int index = FindTexture(name);
    if (index >= 0)
        m_textures[index]->SetGLName(glName);
}

int SgTextureManager::AddTexture(const std::string &name)
{
    m_textures.push_back(std::make_unique<CTextureObj>(name));
    m_textures.back()->m_nRef++;
    return static_cast<int>(m_textures.size()) - 1;
}

CTextureObj *SgTextureManager::GetTextureObj(int index) const
{
    if (index < 0 || index >= GetTextureCount())
        return nullptr;
    return m_textures[index].get();
}

const std::string &SgTextureManager::GetSearchFolder(int i) const
{
    static const std::string s_none;
    return i >= 0 && i < m_nSearchFolders ? m_searchFolders[i] : s_none;
}

Image2 *SgTextureManager::GetImage(std::string &name, int *width, int *height, SgTexture2D *node)
{
    int index = FindTexture(name);
    const bool added = index < 0;
    if (added)
        index = AddTexture(name);
    CTextureObj *texture = m_textures[index].get();
    if (added || (!node && !texture->m_bLoaded))
        Load(index, node);

    Image2 *image = texture->m_pImage.get();
    if (width && image->GetWidth() > 0)
        *width = image->GetWidth();
    if (height && image->GetHeight() > 0)
        *height = image->GetHeight();
    if (!image->GetData())
        Hold(node);
    return image;
}

unsigned char *SgTextureManager::LoadPixels(const std::string &name, int *width, int *height, bool remote) const
{
    // The search folders (the scene's own first) come before the folder the
    // program runs in: a name in a scene means the file beside the scene.
    unsigned char *pixels = nullptr;
    if (remote || !UrlDownloader::IsUrl(name)) {
        std::vector<std::string> folders;
        for (int i = 0; i < m_nSearchFolders; ++i)
            if (remote || !UrlDownloader::IsUrl(m_searchFolders[i]))
                folders.push_back(m_searchFolders[i]);
        std::string found;
        if (FileUtil::FindFileInDirList(folders, name, found))
            pixels = ReadImagePow2(found.c_str(), width, height);
    }
    if (!pixels)
        pixels = ReadImagePow2(name.c_str(), width, height);
    if (!pixels)
        return nullptr;
    if (!PixelBytes(*width, *height)) {
        ImageFree(pixels);
        return nullptr;
    }
    return ToCHeap(pixels, *width, *height);
}

void SgTextureManager::Load(int index, SgTexture2D *node)
{
    const std::string name = m_textures[index]->m_pImage->GetPath();
    int width = 0;
    int height = 0;
    // Scene content is untrusted: it reaches the network only when the host
    // allowed it for the document the texture belongs to.
    SgDocument *document = node ? node->GetDocument() : nullptr;
    const bool remote = document && document->IsRemoteContentAllowed();
    unsigned char *pixels = LoadPixels(name, &width, &height, remote);
    // Led by where the file gave the texture node, as the reader's messages are.
    const std::string place = node ? node->GetReadPlacePrefix() : std::string();
    if (!pixels && !remote && UrlDownloader::IsUrl(name))
        SgDiagWarning("Texture", "%sSgTextureManager: the texture %s is not downloaded: remote content is off",
                      place.c_str(), name.c_str());
    else if (!pixels)
        SgDiagWarning("Texture", "%sSgTextureManager: the texture \"%s\" could not be read", place.c_str(),
                      name.c_str());
    StoreImage(index, width, height, pixels, node);
}

void SgTextureManager::StoreImage(int index, int width, int height, unsigned char *pixels, SgTexture2D *node)
{
    CTextureObj *texture = GetTextureObj(index);
    if (!texture) {
        std::free(pixels);
        return;
    }
    Image2 &image = *texture->m_pImage;
    image.SetWidth(width);
    image.SetHeight(height);
    image.SetDepth(4);
    if (!pixels)
        return;
    const std::size_t bytes = PixelBytes(width, height);
    if (!bytes) {
        std::free(pixels);
        return;
    }
    texture->m_bLoaded = 1;
    for (std::size_t i = 3; i < bytes; i += 4)
        pixels[i] = 255;
    if (node && node->m_genAlpha.Get(true) == 1)
        KeyTransparentColors(pixels, width, height, node->m_transpColors.GetValues(),
                             node->m_transpColorsTolerance.GetValues());
    image.SetData(pixels);
}

void SgTextureManager::Hold(SgTexture2D *node)
{
    if (!node || m_holder->IndexOf(node) >= 0)
        return;
    m_holder->AddChild(node);
}

int SgTextureManager::SetTexturePathesList(const char *list)
{
    std::vector<std::string> folders;
    int count = FileUtil::SetTexturePathes(list, folders);
    if (count > kMaxSearchFolders) {
        SgDiagWarning("Texture", "SgTextureManager: %d texture folders given; only the first %d are searched", count,
                      kMaxSearchFolders);
        count = kMaxSearchFolders;
    }
    for (int i = 0; i < kMaxSearchFolders; ++i)
        m_searchFolders[i] = i < count ? folders[i] : std::string();
    m_nSearchFolders = count;
    return count;
}

void SgTextureManager::DropLargeTextures(int maxWidth)
{
    for (std::size_t i = 0; i < m_textures.size();) {
        CTextureObj &texture = *m_textures[i];
        if (texture.m_pImage->GetWidth() > maxWidth) {
            texture.m_pImage->DeleteData();
            DeleteGLTexture(texture.GetGLName());
            m_textures.erase(m_textures.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
}

void SgTextureManager::ForgetGLTextures()
{
    for (auto &texture : m_textures)
        texture->ForgetGLNames();
}
