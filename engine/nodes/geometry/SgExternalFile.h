#pragma once
// A shape whose geometry comes from a file in a foreign format: the importer
// registered for the format (by the file's extension, or the "type" field)
// reads the file and its node becomes the shape's result, cached like any
// built result. A failed or missing import gives an empty indexed face set.
//
// Addresses ("http://", "https://", "www.") are fetched when the scene is
// loaded (FetchRemote, called by the document), only when the host allows
// remote content, never while the scene is drawn: drawing uses the file the
// load left, or nothing.
#include <string>

#include "engine/core/SgTField.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/core/NodaraExport.h"

class SgDocument;

class NODARA_API SgExternalFile : public SgGeometricShape {
    SG_CLASS_HEADER(SgExternalFile, SgFieldMngr)

    // The importer table's room: entries, and characters of a key.
    static constexpr int kMaxFormats = 10;
    static constexpr int kMaxKeyLength = 9;
    // The scale every import is asked for (files in millimetres).
    static constexpr double kImportScale = 0.001;

    // Reads the file at the path into a new node (or null) for the document,
    // scaled by the factor.
    using Importer = SgNode *(*)(const char *path, SgDocument *document, double scale);

    // Registers the importer of a format key (exact, case-sensitive); an
    // existing key has its importer replaced. A key longer than
    // kMaxKeyLength, an empty one, or an eleventh key is refused with a
    // message (false).
    static bool AddFormat(const char *key, Importer importer);
    static int GetFormatCount();
    // Empties the table (for tests and for a host that starts again).
    static void ClearFormats();
    // The table index of the importer a file name and type choose: the last
    // entry whose key equals the type or the name's lower-case extension,
    // else the first entry; -1 when the table is empty.
    static int ChooseFormat(const std::string &filename, const std::string &type);
    // The format a file names: its type when given, else its lower-case
    // extension.
    static std::string FormatOf(const std::string &filename, const std::string &type);

    // Whether a name is an address to download rather than a local path.
    static bool IsRemoteName(const std::string &name);

    SgExternalFile();

    // The traversal: the cached result, or the import of the local file.
    void DoAction(SgAction *action) override;
    void OnChange(SgField *field) override;

    // The file the load found for "filename": the download of an address,
    // or a relative name found beside the scene file. Empty: an address
    // gives nothing, a local name is read as it stands.
    const std::string &GetLocalFile() const { return m_localFile; }
    void SetLocalFile(const std::string &path);

    SgFStr m_filename;
    SgFStr m_type;

protected:
    ~SgExternalFile() override = default;

private:
    // The file the import reads.
    std::string ResolveLocal() const;

    std::string m_localFile;
};
