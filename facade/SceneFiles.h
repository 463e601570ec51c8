#pragma once
// The file commands of the facade: scene files opened from paths and
// addresses, STL imported, the scene saved and the selection exported, and
// whether the scene changed since it was last read or written. It owns the
// URL-cache flag and the undo position of the last save.
#include <cstddef>
#include <iosfwd>
#include <string>
#include "facade/DrevonExport.h"

class SgDocument;
class SgNode;

namespace drevon {

class CDrevon;

class DREVON_API SceneFiles {
public:
    static constexpr double kStlTolerance = 0.0003;

    explicit SceneFiles(CDrevon &facade);
    SceneFiles(const SceneFiles &) = delete;
    SceneFiles &operator=(const SceneFiles &) = delete;

    // Whether an address is read from the download cache (else fetched
    // with a cache-bypassing query).
    void SetUrlCache(bool on) { m_urlCache = on; }
    bool GetUrlCache() const { return m_urlCache; }
    // Whether the scene changed since it was last read or written (the undo
    // list is elsewhere than it was then); MarkSaved says it is saved now.
    bool IsModified() const;
    void MarkSaved();

    // A path or an "http://" address; a failed download of a server-side
    // model script ("get_url.php?g=G&s=S") falls back to Models/ModelG_S.kvrx
    // beside it. The reader's result (SgDocumentFiles::Result).
    int OpenFile(const char *name, bool deleteScene, SgNode *root = nullptr);
    // The address OpenFile asks for, without the URL cache: the address with
    // the cache-bypassing query.
    std::string RequestAddress(const std::string &url) const;
    // The fallback address of a model script, or "" when the address is none.
    static std::string FallbackAddress(const std::string &url);
    void OnOpenFile(bool deleteScene);
    // Buttons 105 save, 106 save as, 107 open, 108 insert.
    void OnFile(int button);
    int ReadFileStream(std::istream &in, bool deleteScene, const char *name);
    void ImportFile(bool);
    // Adds the STL file as a new object under the root; false when nothing
    // could be read.
    bool ImportStl(const char *path);
    int Save(const char *path);
    int SaveStream(SgNode *root, std::ostream *out, const char *format);
    std::string SaveToStringFix();
    // The bytes after the last line that closes a block (reported when
    // there are any); 0 for texts under 100 characters.
    static size_t StrayBytesAfterLastBlock(const std::string &text);
    // Saving to an address is not offered: 0 with a message.
    int SaveToUrl(const char *url, const char *id);
    // 0 save, 1 save as, 2 and above the layout.
    // Whether the scene (or the layout, or the picture) was written: a name
    // the user did not give or a failed write answers false.
    bool OnSaveFile(int mode);
    void OnLoadLayout();
    // 1: the texture files below the root (null: the scene's), each ended
    // by ";"; other values "".
    std::string ModelInfo(int what, SgNode *root);
    // A BMP of the default viewer's picture at that size; false (with a
    // message) without a viewer or when it cannot be drawn.
    bool CreateThumbnail(int width, int height, std::ostream &out);
    // False (with a message) when the file cannot be written.
    bool ExportSelection(const char *path, const char *format);

private:
    SgDocument *Document() const;
    // Asks for a file and opens it; a cancelled request opens nothing.
    void OpenChosenFile(const char *title, const char *extension, const char *filter, bool deleteScene);
    bool DownloadTo(const std::string &url, bool withProgress, std::string &file, bool &failed);

    CDrevon &m_facade;
    bool m_urlCache = false;
    int m_savedUndoCursor = 0;
    int m_savedUndoCount = 0;
};

} // namespace drevon
