#pragma once
// The vocabulary of the scene text that the writer and the reader share, so
// that what one side spells the other side understands: header words and
// format versions, node keywords in both directions, the words of the second
// dialect and where they are redirected, symbol tables and the per-class field
// spellings, the persistent-id form of DEF names, and the quoted-text rule
// (an embedded double quote is doubled, both ways, with no length limit).
#include <iosfwd>
#include <string>
#include <string_view>

#include "engine/core/NodeID.h"
#include "engine/core/NodaraExport.h"

class SgField;
class SgFieldMngr;

namespace Vrml1Format {

// --- Header --------------------------------------------------------------------

inline constexpr const char *kHeaderMagic = "#VRML";
inline constexpr const char *kDialect1Word = "V1.0";
inline constexpr const char *kDialect2Word = "V2.0";
// The writer's own header line, up to the version number.
inline constexpr const char *kHeaderPrefix = "#VRML V1.0 ascii ";
// The version the writer puts after the prefix.
inline constexpr int kWriterVersion = 102;
// The version of a header without a number (or with 0 or no number there).
inline constexpr int kDefaultVersion = 100;
// Below this version a "Transform" stored its translation without its centre.
inline constexpr int kCentreConventionVersion = 101;

// Dialect numbers double as bit masks against the redirect table.
enum Dialect : int { kDialect1 = 1, kDialect2 = 2 };

struct NODARA_API Header {
    int dialect = kDialect1;
    int version = kDefaultVersion;
};

// Parses the first line of a file (without its line end). False when the
// line is not an accepted header; `header` is then untouched.
NODARA_API bool ParseHeader(std::string_view line, Header &header);

// --- Node keywords -------------------------------------------------------------

// How the reader builds the node a keyword names.
enum class KeywordKind {
    Plain,             // create the class and read its block
    Object,            // SgObject, read as an object block
    ParametricObject,  // SgParametricObject named "PO"
    ParametricModel,   // SgParametricModel
    Transform,         // dialect 1: SgTransform; dialect 2: an object with the fields on its transform
    OrthographicCamera,// SgCamera with "perspective" 0 after the block
    PerspectiveCamera, // SgCamera with "perspective" 1 after the block
    Scenario,          // no node: the document's scenario reader takes over
};

struct NODARA_API Keyword {
    const char *word;      // as written in a file
    bool prefix;           // matches every word that starts with `word`
    const char *className; // the registered class it creates (null for Scenario)
    KeywordKind kind;
};

// The reader's special keywords in the order they are tested; null when the
// word is none of them (then the class is "Sg" + word).
NODARA_API const Keyword *FindKeyword(std::string_view word);

// The registered class name a keyword stands for: the special table first,
// else "Sg" + keyword. Empty for "Scenario".
NODARA_API std::string ClassNameForKeyword(std::string_view word);

// The keyword the writer uses for a registered class name: the few classes
// that keep a historical keyword, else the name without a leading "Sg", else
// the whole name.
NODARA_API std::string KeywordForClassName(std::string_view className);

// The keyword for one container: as KeywordForClassName, except that a plain
// camera is written "PerspectiveCamera" or "OrthographicCamera" by its
// "perspective" field, which the reader sets back from the keyword.
NODARA_API std::string KeywordForContainer(SgFieldMngr *container);

// Words that the reader ignores inside a block, so that the nesting of the
// second dialect flattens into the node being read.
NODARA_API bool IsSkippedBlockWord(std::string_view word);

// --- Symbol tables -------------------------------------------------------------

struct NODARA_API Symbol {
    const char *word;
    int value;
};

struct NODARA_API SymbolTable {
    const char *name;
    const Symbol *symbols;
    int count;
};

extern NODARA_API const SymbolTable kBooleans;
extern NODARA_API const SymbolTable kInvertedBooleans;
extern NODARA_API const SymbolTable kTextureModes;
extern NODARA_API const SymbolTable kBindings;
extern NODARA_API const SymbolTable kVertexOrdering;
extern NODARA_API const SymbolTable kShapeType;
extern NODARA_API const SymbolTable kFaceType;

// "0" gives 0, a word that reads as a non-zero decimal number gives that
// number, else the first table entry with that word. False when the word is
// none of these (the caller reports it and keeps the field as it was).
NODARA_API bool LookupSymbol(const SymbolTable &table, std::string_view word, int &value);

// --- Field spellings -----------------------------------------------------------

// How a field of a class is spelled in a file of a dialect, and whether its
// value is read as a word from a symbol table.
struct NODARA_API FieldSpelling {
    const char *fileName;      // the name in the file
    const SymbolTable *symbols; // null: the field's own text form
};

// For a field of the container, by the field's class-side name. Classes
// without a special entry spell every field by its own name, without symbols.
NODARA_API FieldSpelling GetFileFieldSpelling(SgFieldMngr *container, const char *fieldName, int dialect);

// --- Words of the second dialect -----------------------------------------------

enum class RedirectKind {
    Property,     // read the field into a property node of the current object
    ChildOfClass, // read a node of the given class and add it to the current container
    AnyChild,     // the same without a class check
    Geometry,     // read a geometry node into the current container
    Skip,         // drop one value word
};

struct NODARA_API Redirect {
    int dialectMask;       // which dialects the word applies to
    const char *word;      // as written in the file
    const char *fieldName; // the field it is read into (null: the word itself)
    const char *className; // the property node or child class (null: none)
    RedirectKind kind;
};

// The entry for a word in a file of the dialect, or null.
NODARA_API const Redirect *FindRedirect(std::string_view word, int dialect);

// --- Persistent ids in DEF names -----------------------------------------------

// "first_second"; empty for the null id.
NODARA_API std::string FormatNodeID(const NodeID &id);
// True when the whole name is two decimal integers joined by "_".
NODARA_API bool ParseNodeID(std::string_view name, NodeID &id);

// --- Quoted text ---------------------------------------------------------------

// Writes the text between double quotes, a quote or a backslash that would
// start an escape written with a backslash before it.
NODARA_API void WriteQuoted(std::ostream &out, std::string_view text);
NODARA_API std::string Quoted(std::string_view text);

// Skips blanks and reads a quoted text written by WriteQuoted: a backslash
// before a quote or a backslash gives that character, and so does a doubled
// quote; the next single quote ends it. False (stream state
// unchanged apart from the skipped blanks, failbit set) when the next
// character is no quote or the quote never closes.
NODARA_API bool ReadQuoted(std::istream &in, std::string &text);

// --- Field values --------------------------------------------------------------

// Whether the field's value is written as quoted text (strings and image
// paths, single or arrays): these go through the quoting rule above rather
// than the field's own text form, so that any text survives a round trip.
NODARA_API bool IsQuotedField(const SgField *field);

// The value part of a field line: quoted text for string fields, the bracketed
// list of quoted texts for string and image arrays, an image path in quotes,
// and the field's own text form for everything else.
NODARA_API void WriteFieldValue(std::ostream &out, SgField *field);

// Reads what WriteFieldValue wrote (an unquoted string up to the line end is
// taken as well). False when the text is not a value of the field; the field
// then keeps its value.
NODARA_API bool ReadFieldValue(std::istream &in, SgField *field, bool undo);

} // namespace Vrml1Format
