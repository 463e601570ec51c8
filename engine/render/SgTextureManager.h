#pragma once
// Texture images loaded once per file name and shared by every texture node
// of the process. Each file has one texture object: its pixels (4 bytes a
// pixel, blue, green, red, alpha, sides scaled to powers of two) and the GL
// texture name the renderer made from them. A name that is not found as
// given is looked for along up to kMaxSearchFolders texture folders.
//
//   SgTextureManager *manager = SgTextureManager::CTextureManagerFactory(0);
//   manager->SetTexturePathesList("textures;/usr/share/wood");
//   std::string name = "oak.bmp";
//   Image2 *image = manager->GetImage(name, &width, &height, textureNode);
//
// GL texture names belong to the context that was current when they were
// made: each texture object keeps one name per context, so a snapshot drawn
// in a context of its own makes its own textures and leaves the viewer's
// alone.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/Image2.h"
#include "engine/core/SgRef.h"
#include "utilities/math/Color.h"
#include "engine/core/NodaraExport.h"

class SgDocument;
class SgGroup;
class SgTexture2D;

// One texture file: its pixels and the GL texture made from them.
class NODARA_API CTextureObj {
public:
    explicit CTextureObj(const std::string &name);

    // The GL texture name in the current context; -1 when it has none.
    int GetGLName() const;
    void SetGLName(int name);
    void ForgetGLNames() { m_glNames.clear(); }

    int m_nRef = 0;
    std::unique_ptr<Image2> m_pImage;
    unsigned char m_bLoaded = 0;

private:
    // The name in each context that has one, by the context's serial.
    std::vector<std::pair<std::uint64_t, int>> m_glNames;
};

class NODARA_API SgTextureManager {
public:
    static constexpr int kMaxSearchFolders = 10;
    // The largest distance of two RGB colours (sqrt(3) x 255); a key
    // colour's tolerance is a percentage of it.
    static constexpr double kMaxColorDistance = 441.0;

    // The process's manager: the existing one when `renew` is 0 and one
    // exists; otherwise a new one, which replaces the remembered one. A
    // replaced manager stays alive (pointers handed out earlier remain
    // valid) until the process ends.
    static SgTextureManager *CTextureManagerFactory(int renew);
    // A factory for SgDocument::SetTextureMngrFactory: the process's manager
    // whatever the renewal argument, so that every document and viewer share
    // one cache.
    static SgTextureManager *DocumentFactory(void *context, int renew);
    // The document's manager, or the process's when the document has none.
    static SgTextureManager *ForDocument(SgDocument *document);

    // Installs the hooks of the node libraries that need a GL or a manager:
    // SgTexture2D's texture deletion and SgObject's texture image loader.
    static void InstallHooks();

    SgTextureManager();
    SgTextureManager(const SgTextureManager &) = delete;
    SgTextureManager &operator=(const SgTextureManager &) = delete;
    virtual ~SgTextureManager();

    // Index of the texture object of `name` (letter case ignored); -1 when none.
    int FindTexture(const std::string &name) const;
    // The GL texture name of `name`'s object in the current context; -1
    // when there is none.
    int GetTextureID(const std::string &name) const;
    // Stores the GL texture name of `name`'s object for the current
    // context; nothing when absent.
    void SetTextureID(const std::string &name, int glName);
    // Appends an empty object for `name` and returns its index.
    int AddTexture(const std::string &name);

    // The image of `name`, loaded when the name is new, or when no node is
    // given and the object is not loaded yet. The node's key colours
    // ("genAlpha", "transpColors", "transpColorsTolerance") decide which
    // pixels become transparent. A node whose image is not available waits
    // in the holder group. Width and height are reported when positive.
    Image2 *GetImage(std::string &name, int *width, int *height, SgTexture2D *node);

    // Splits a ';'- or ','-separated folder list into the search folders and
    // returns how many are in use. Folders past kMaxSearchFolders are
    // refused with a diagnostic.
    int SetTexturePathesList(const char *list);
    int GetSearchFolderCount() const { return m_nSearchFolders; }
    const std::string &GetSearchFolder(int i) const;

    // Drops every texture wider than `maxWidth`: its pixels, its GL texture
    // and its object (before printing into a context with a smaller limit).
    void DropLargeTextures(int maxWidth);
    // Forgets every GL texture name of every context without deleting it.
    void ForgetGLTextures();

    int GetTextureCount() const { return static_cast<int>(m_textures.size()); }
    CTextureObj *GetTextureObj(int index) const;
    // The texture nodes that wait for an image that could not be loaded.
    SgGroup *GetHolderGroup() const { return m_holder.get(); }

    // Gives the loaded pixels to texture object `index`: size, 4 components,
    // opaque alpha, then the node's key colours. Takes the buffer over (C
    // heap, as Image2 wants); null pixels only record the size.
    void StoreImage(int index, int width, int height, unsigned char *pixels, SgTexture2D *node);

    // Deletes a GL texture name in the current context; nothing without one.
    static void DeleteGLTexture(int glName);

private:
    // Reads `name` as given, else from the search folders; null on failure.
    // Addresses (a name or a folder) are fetched only when `remote` is set.
    unsigned char *LoadPixels(const std::string &name, int *width, int *height, bool remote) const;
    void Load(int index, SgTexture2D *node);
    void Hold(SgTexture2D *node);

    std::vector<std::unique_ptr<CTextureObj>> m_textures;
    SgRef<SgGroup> m_holder;
    std::string m_searchFolders[kMaxSearchFolders];
    int m_nSearchFolders = 0;
};

// Turns pixels close to the key colours transparent. `pixels` holds
// width x height 4-byte pixels (blue, green, red, alpha); each key colour k
// (RGB in 0..1) uses tolerance t = tolerances[k % count], a percentage of the
// largest RGB distance: a pixel nearer than that gets alpha 0. Without
// tolerances nothing is keyed.
NODARA_API void KeyTransparentColors(unsigned char *pixels, int width, int height, const std::vector<Color> &colors,
                          const std::vector<float> &tolerances);
