#pragma once
// Reads scene text into nodes. The reading functions are static and work on
// a Vrml1InStream: the caller checks the header with IsValidFile, then calls
// CreateObject again and again at the top level; each call returns one
// container with everything below it, or null with the word that stopped it
// in the stream's m_szWord (the document's trailing sections start there).
//
// Bad text costs only the part that is bad: an unknown keyword, field, symbol
// or "USE" name, or a connection that cannot be made gives one message naming
// the line, its block or value is skipped whole and the field keeps its
// value. A block of an unknown kind of node keeps the nodes inside it, as a
// separator; unknown kinds are reported once each. A comment is a blank
// between any two words. Text that ends inside a block, binary data and nesting past the
// limit fail the read: CreateObject then returns null and discards what it
// built, and HasFailed() on the stream tells.
//
// Despite its name this is no action: nothing is traversed.
#include <string>
#include "engine/core/NodaraExport.h"

class SgFieldMngr;
class SgField;
class SgGroup;
class SgNode;
class SgObject;
class Vrml1InStream;
namespace Vrml1Format {
struct Keyword;
struct Redirect;
struct SymbolTable;
enum class KeywordKind;
}

class NODARA_API SgOpenAction {
public:
    SgOpenAction() = default;
    virtual ~SgOpenAction() = default;

    // Binds the reader to a stream and clears the stream's current container.
    void SetTarget(Vrml1InStream *stream);
    Vrml1InStream *GetTarget() const { return m_pStream; }

    // Reads and checks the header line; -1 (all bits set) when it is
    // accepted, with the stream's dialect and version set, else 0 after the
    // message "File: %s Not a valid KVRX file!".
    static int IsValidFile(Vrml1InStream &stream);
    // The longest first line taken for a header; a longer one is no header.
    static constexpr size_t kMaxHeaderLine = 64 * 1024;

    // Whether a file may create the class: a scene node, no tool, handler or
    // viewer.
    static bool IsReadableClass(int classId);

    // One container with everything below it, or null. The container comes
    // without a reference of the caller's (the stream holds one when it was
    // named by "DEF").
    static SgFieldMngr *CreateObject(Vrml1InStream &stream);

    // A whole scene without a document: checks the header and adds every
    // top-level node to `root` (the children of a plain "ROOT" group instead
    // of the group). Stops at the end of the text or at a section that
    // belongs to the document ("View", "Layers", "Layout"), whose word is
    // then in the stream's m_szWord; other unknown top-level blocks are
    // reported and skipped. False when the header is refused or the read
    // failed; `root` then holds nothing new.
    static bool ReadScene(Vrml1InStream &stream, SgGroup &root);

    // Symbol lookup with its message: the value, or false after "Illegal
    // Symbol: %s" (the caller keeps the field as it was).
    static bool ReadSymbolValue(Vrml1InStream &stream, const std::string &word,
                                const Vrml1Format::SymbolTable &table, int &value);

    // A quoted text (the grammar of Vrml1Format::ReadQuoted); false (after
    // a message) when none is there.
    static bool ReadQuotedString(Vrml1InStream &stream, std::string &text);

    // The words that end the scene part of a file and belong to the document.
    static bool IsDocumentSection(const std::string &word);

    // "ParametricModel" and "ParametricObject" blocks are read by the engines
    // library, which installs the reader at start-up (the keyword is taken;
    // the reader reads from the block's "{"). Without one they are unknown
    // blocks. The reader returns the container without a reference of its
    // own, or null after its messages.
    using ParametricReader = SgFieldMngr *(*)(Vrml1InStream &stream, bool model);
    static void SetParametricReader(ParametricReader reader);
    // An "Object" block into `object` (from its "{"); null when the read
    // failed (the object is then discarded).
    static SgObject *ReadObjectBlock(Vrml1InStream &stream, SgObject *object) { return ReadObject(stream, object); }

private:
    // The nested form: an unknown keyword is reported and its block skipped.
    // `used`, when given, tells whether the text named an existing node (USE)
    // rather than writing a new one.
    static SgFieldMngr *CreateNested(Vrml1InStream &stream, bool *used = nullptr);
    // Reads the node that starts with `word` (already taken from the text).
    static SgFieldMngr *CreateFromWord(Vrml1InStream &stream, std::string word, bool nested);
    // The steps of CreateFromWord: a named node, a node named before, the
    // class a keyword stands for (0 when none), a keyword of no class (an
    // unknown field or block), the node of a known kind, and what older files
    // and modifiers need once the node is read.
    static SgFieldMngr *ReadDefinition(Vrml1InStream &stream, bool nested);
    static SgFieldMngr *ReadUse(Vrml1InStream &stream);
    static int ClassIdOfKeyword(const std::string &keyword, const Vrml1Format::Keyword *special);
    static SgFieldMngr *ReadUnknownKeyword(Vrml1InStream &stream, const std::string &keyword, bool nested,
                                           bool parametric);
    static SgFieldMngr *CreateOfKind(Vrml1InStream &stream, Vrml1Format::KeywordKind kind, int classId,
                                     const std::string &keyword);
    static void FinishRead(Vrml1InStream &stream, Vrml1Format::KeywordKind kind, SgFieldMngr *result);
    static SgFieldMngr *CreateAndRead(Vrml1InStream &stream, int classId, const std::string &keyword);
    // The block of a node of an unknown kind, from its "{": a separator with
    // the nodes inside it, or null when it holds none (once reported per kind).
    static SgFieldMngr *ReadUnknownBlock(Vrml1InStream &stream, const std::string &keyword);
    // Drops the faces of a face set read from the text that cannot be drawn,
    // with one message for the node.
    static void ValidateFaces(Vrml1InStream &stream, SgNode *node);
    static SgObject *ReadObject(Vrml1InStream &stream, SgObject *object);
    // A Separator block inside a shape or modifier: the shape's operands.
    // `blocksRead` counts the blocks this node has taken so far. False when
    // the read failed.
    static bool ReadShapeSeparator(Vrml1InStream &stream, SgNode *node, const std::string &keyword,
                                   int &blocksRead);
    // False when the text ended inside the block (the read failed).
    static bool ReadBlock(Vrml1InStream &stream, SgFieldMngr *container, const std::string &keyword);
    // True when a field of the container took the word. With a redirect the
    // field is the one the redirect names.
    static bool ReadField(Vrml1InStream &stream, SgFieldMngr *container, const std::string &word,
                          const Vrml1Format::Redirect *redirect);
    static void ReadFieldValue(Vrml1InStream &stream, SgFieldMngr *container, SgField *field,
                               const char *fieldName, const Vrml1Format::SymbolTable *symbols);
    static void ReadConnection(Vrml1InStream &stream, SgFieldMngr *container, SgField *field,
                               const char *fieldName);
    // Adds a child read inside a group's block where the file put it.
    static bool AddChildInFileOrder(Vrml1InStream &stream, SgGroup *group, SgNode *child);
    static void ReadNodePointer(Vrml1InStream &stream, SgFieldMngr *holder, SgField *field, const char *fieldName);
    static void ReadNodeName(Vrml1InStream &stream, SgNode *node);
    static void ReadNodeID(Vrml1InStream &stream, SgNode *node);
    static void ShowIllegalToken(Vrml1InStream &stream, const std::string &word, SgFieldMngr *container);
    static bool ApplyRedirect(Vrml1InStream &stream, const Vrml1Format::Redirect &redirect, SgNode *nodeView,
                              const std::string &word);
    // Adds a node that dialect-2 words bring to the current container: to an
    // object as a property node when `asProperty`, else as a child.
    static void AddToCurrent(Vrml1InStream &stream, SgFieldMngr *container, const char *word, bool asProperty);
    static void ReadScenario(Vrml1InStream &stream);
    // A class that a file may not create (tools, handlers, viewers).
    static bool IsRefusedClass(int classId);
    // Frees a container that nothing holds.
    static void Discard(SgFieldMngr *container);

    Vrml1InStream *m_pStream = nullptr;
};
