#include "engine/actions/Vrml1Format.h"
#include "engine/nodes/properties/SgCamera.h"

#include <cctype>
#include <charconv>
#include <cstring>
#include <istream>
#include <ostream>
#include <sstream>
#include <vector>

#include "engine/core/Image2.h"
#include "engine/core/SgField.h"
#include "engine/core/SgFieldMngr.h"
#include "engine/core/SgFieldValue.h"
#include "engine/core/SgSceneText.h"
#include "engine/core/SgTField.h"
#include "engine/core/SgVecField.h"
#include "utilities/math/NumberText.h"

namespace Vrml1Format {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// Splits off the next blank-separated word of a line.
std::string_view NextWord(std::string_view &line)
{
    size_t start = 0;
    while (start < line.size() && IsBlank(line[start]))
        ++start;
    size_t end = start;
    while (end < line.size() && !IsBlank(line[end]))
        ++end;
    std::string_view word = line.substr(start, end - start);
    line.remove_prefix(end);
    return word;
}

// atoi's reading of a word: optional blanks and sign, then the leading digits;
// 0 when there are none. Saturates instead of overflowing.
long long LeadingInteger(std::string_view word)
{
    size_t i = 0;
    while (i < word.size() && IsBlank(word[i]))
        ++i;
    bool negative = false;
    if (i < word.size() && (word[i] == '+' || word[i] == '-')) {
        negative = word[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < word.size() && word[i] >= '0' && word[i] <= '9'; ++i) {
        if (value < 1'000'000'000'000LL)
            value = value * 10 + (word[i] - '0');
    }
    return negative ? -value : value;
}

int ClampToInt(long long value)
{
    if (value > 2147483647LL)
        return 2147483647;
    if (value < -2147483647LL - 1)
        return -2147483647 - 1;
    return static_cast<int>(value);
}

} // namespace

// --- Header --------------------------------------------------------------------

bool ParseHeader(std::string_view line, Header &header)
{
    const std::string_view magic = NextWord(line);
    const std::string_view dialectWord = NextWord(line);
    const std::string_view encoding = NextWord(line);
    const std::string_view versionWord = NextWord(line);
    if (magic != kHeaderMagic)
        return false;
    int dialect = 0;
    if (dialectWord == kDialect1Word) {
        dialect = kDialect1;
        if (encoding != "ascii" && encoding != "utf8")
            return false;
    } else if (dialectWord == kDialect2Word) {
        dialect = kDialect2;
    } else {
        return false;
    }
    int version = ClampToInt(LeadingInteger(versionWord));
    if (version == 0)
        version = kDefaultVersion;
    header.dialect = dialect;
    header.version = version;
    return true;
}

// --- Node keywords -------------------------------------------------------------

namespace {

const Keyword kKeywords[] = {
    {"Object", false, "SgObject", KeywordKind::Object},
    {"AsciiText", false, "SgText", KeywordKind::Plain},
    {"Coordinate", true, "SgCoordinate3", KeywordKind::Plain},
    {"ParametricObject", false, "SgParametricObject", KeywordKind::ParametricObject},
    {"TextureCoordinate", true, "SgTextureCoordinate2", KeywordKind::Plain},
    {"TextureTransform", false, "SgTexture2Transform", KeywordKind::Plain},
    {"Wrapper", false, "SgWrapper", KeywordKind::Plain},
    {"Transform", false, "SgTransform", KeywordKind::Transform},
    {"OrthographicCamera", false, "SgCamera", KeywordKind::OrthographicCamera},
    {"PerspectiveCamera", false, "SgCamera", KeywordKind::PerspectiveCamera},
    {"Scenario", false, nullptr, KeywordKind::Scenario},
    {"ParametricModel", false, "SgParametricModel", KeywordKind::ParametricModel},
    {"Collision", false, "SgGroup", KeywordKind::Plain},
    {"Texture2", false, "SgTexture2D", KeywordKind::Plain},
    {"ImageTexture", false, "SgTexture2D", KeywordKind::Plain},
    {"DirectionalLight", false, "SgDirLight", KeywordKind::Plain},
    {"Background", false, "SgBackground", KeywordKind::Plain},
    {"Grid", false, "SgGrid", KeywordKind::Plain},
};

// Classes whose keyword is not their name without "Sg".
struct WrittenKeyword {
    const char *className;
    const char *word;
};
const WrittenKeyword kWrittenKeywords[] = {
    {"SgTexture2D", "Texture2"},
    {"SgDirLight", "DirectionalLight"},
    {"SgText", "AsciiText"},
};

const char *const kSkippedBlockWords[] = {"children", "choice", "Shape", "appearance", "Appearance"};

} // namespace

const Keyword *FindKeyword(std::string_view word)
{
    for (const Keyword &keyword : kKeywords) {
        const std::string_view text = keyword.word;
        if (keyword.prefix ? word.substr(0, text.size()) == text : word == text)
            return &keyword;
    }
    return nullptr;
}

std::string ClassNameForKeyword(std::string_view word)
{
    if (const Keyword *keyword = FindKeyword(word))
        return keyword->className ? keyword->className : "";
    std::string name = "Sg";
    name.append(word);
    return name;
}

std::string KeywordForClassName(std::string_view className)
{
    for (const WrittenKeyword &entry : kWrittenKeywords) {
        if (className == entry.className)
            return entry.word;
    }
    if (className.substr(0, 2) == "Sg" && className.size() > 2)
        return std::string(className.substr(2));
    return std::string(className);
}

std::string KeywordForContainer(SgFieldMngr *container)
{
    if (!container)
        return {};
    const int cameraId = SgCamera::ClassID();
    if (cameraId && container->GetClassID() == cameraId) {
        auto *perspective = dynamic_cast<SgFUShort *>(container->GetFieldAddressByName("perspective"));
        if (perspective)
            return perspective->Get(true) != 0 ? "PerspectiveCamera" : "OrthographicCamera";
    }
    return KeywordForClassName(container->GetClassName());
}

bool IsSkippedBlockWord(std::string_view word)
{
    for (const char *skipped : kSkippedBlockWords) {
        if (word == skipped)
            return true;
    }
    return false;
}

// --- Symbol tables -------------------------------------------------------------

namespace {

const Symbol kBooleanSymbols[] = {
    {"FALSE", 0}, {"TRUE", 1},    {"REPEAT", 0},  {"CLAMP", 1},  {"MODULATE", 0},
    {"DECAL", 1}, {"BLEND", 2},   {"NEAREST", 0}, {"LINEAR", 1},
};
const Symbol kInvertedBooleanSymbols[] = {
    {"TRUE", 0},         {"FALSE", 1},    {"DEFAULT", 0},          {"OVERALL", 1},
    {"PER_PART", 2},     {"PER_PART_INDEXED", 3}, {"PER_FACE", 4}, {"PER_FACE_INDEXED", 5},
    {"PER_VERTEX", 6},   {"PER_VERTEX_INDEXED", 7},
};
const Symbol kTextureModeSymbols[] = {
    {"REPEAT", 0}, {"CLAMP", 1},  {"MODULATE", 0}, {"DECAL", 1}, {"BLEND", 2},
    {"NEAREST", 0}, {"LINEAR", 1}, {"FALSE", 0},   {"TRUE", 1},
};
const Symbol kBindingSymbols[] = {
    {"DEFAULT", 0},  {"OVERALL", 1},          {"PER_PART", 2},   {"PER_PART_INDEXED", 3},
    {"PER_FACE", 4}, {"PER_FACE_INDEXED", 5}, {"PER_VERTEX", 6}, {"PER_VERTEX_INDEXED", 7},
};
const Symbol kVertexOrderingSymbols[] = {
    {"UNKNOWN_ORDERING", 0}, {"CLOCKWISE", 1}, {"COUNTERCLOCKWISE", 2}, {"FALSE", 1}, {"TRUE", 2},
};
const Symbol kShapeTypeSymbols[] = {
    {"UNKNOWN_SHAPE_TYPE", 0}, {"SOLID", 1}, {"OPEN", 2}, {"FALSE", 2}, {"TRUE", 1},
};
const Symbol kFaceTypeSymbols[] = {
    {"UNKNOWN_FACE_TYPE", 0}, {"CONVEX", 1}, {"FALSE", 0}, {"TRUE", 1},
};

template <size_t N>
constexpr int CountOf(const Symbol (&)[N])
{
    return static_cast<int>(N);
}

} // namespace

const SymbolTable kBooleans{"booleans", kBooleanSymbols, CountOf(kBooleanSymbols)};
const SymbolTable kInvertedBooleans{"inverted booleans", kInvertedBooleanSymbols,
                                    CountOf(kInvertedBooleanSymbols)};
const SymbolTable kTextureModes{"texture modes", kTextureModeSymbols, CountOf(kTextureModeSymbols)};
const SymbolTable kBindings{"bindings", kBindingSymbols, CountOf(kBindingSymbols)};
const SymbolTable kVertexOrdering{"vertex ordering", kVertexOrderingSymbols,
                                  CountOf(kVertexOrderingSymbols)};
const SymbolTable kShapeType{"shape type", kShapeTypeSymbols, CountOf(kShapeTypeSymbols)};
const SymbolTable kFaceType{"face type", kFaceTypeSymbols, CountOf(kFaceTypeSymbols)};

bool LookupSymbol(const SymbolTable &table, std::string_view word, int &value)
{
    if (word == "0") {
        value = 0;
        return true;
    }
    const long long number = LeadingInteger(word);
    if (number != 0) {
        value = ClampToInt(number);
        return true;
    }
    for (int i = 0; i < table.count; ++i) {
        if (word == table.symbols[i].word) {
            value = table.symbols[i].value;
            return true;
        }
    }
    return false;
}

// --- Field spellings -----------------------------------------------------------

namespace {

struct SpellingEntry {
    const char *className;
    const char *field;
    const char *dialect1Name; // null: the field's own name
    const SymbolTable *dialect1Symbols;
    const char *dialect2Name;
    const SymbolTable *dialect2Symbols;
};

const SpellingEntry kSpellings[] = {
    {"SgTexture2D", "wrapS", nullptr, &kTextureModes, "repeatS", &kInvertedBooleans},
    {"SgTexture2D", "wrapT", nullptr, &kTextureModes, "repeatT", &kInvertedBooleans},
    {"SgTexture2D", "sample", nullptr, &kTextureModes, nullptr, &kTextureModes},
    {"SgTexture2D", "model", nullptr, &kTextureModes, nullptr, &kTextureModes},
    {"SgDirLight", "on", nullptr, &kBooleans, nullptr, &kBooleans},
    {"SgPointLight", "on", nullptr, &kBooleans, nullptr, &kBooleans},
    {"SgSpotLight", "on", nullptr, &kBooleans, nullptr, &kBooleans},
    {"SgIndexedLineSet", "colorPerVertex", nullptr, &kBooleans, nullptr, &kBooleans},
    {"SgMaterialBinding", "value", nullptr, &kBindings, nullptr, &kBindings},
    // The binding node names its one field "binding" in this system.
    {"SgMaterialBinding", "binding", nullptr, &kBindings, nullptr, &kBindings},
    {"SgShapeHints", "vertexOrdering", nullptr, &kVertexOrdering, nullptr, &kVertexOrdering},
    {"SgShapeHints", "shapeType", nullptr, &kShapeType, nullptr, &kShapeType},
    {"SgShapeHints", "faceType", nullptr, &kFaceType, nullptr, &kFaceType},
    {"SgIndexedFaceSet", "convex", nullptr, &kBooleans, nullptr, &kBooleans},
    {"SgIndexedFaceSet", "solid", nullptr, &kBooleans, nullptr, &kBooleans},
    {"SgIndexedFaceSet", "textureCoordIndex", nullptr, nullptr, "texCoordIndex", nullptr},
};

} // namespace

FieldSpelling GetFileFieldSpelling(SgFieldMngr *container, const char *fieldName, int dialect)
{
    FieldSpelling spelling{fieldName, nullptr};
    if (!container || !fieldName)
        return spelling;
    for (const SpellingEntry &entry : kSpellings) {
        if (std::strcmp(entry.field, fieldName) != 0)
            continue;
        // Classes derived from the listed one spell the field the same way.
        const int classId = SgFieldMngr::GetClassIDFromName(entry.className);
        if (!classId || !container->IsDerivedFrom(classId))
            continue;
        if (dialect == kDialect2) {
            if (entry.dialect2Name)
                spelling.fileName = entry.dialect2Name;
            spelling.symbols = entry.dialect2Symbols;
        } else {
            if (entry.dialect1Name)
                spelling.fileName = entry.dialect1Name;
            spelling.symbols = entry.dialect1Symbols;
        }
        return spelling;
    }
    return spelling;
}

// --- Words of the second dialect -----------------------------------------------

namespace {

const Redirect kRedirects[] = {
    {kDialect2, "scale", "scaleFactor", "SgTransform", RedirectKind::Property},
    {kDialect2, "scaleOrientation", nullptr, "SgTransform", RedirectKind::Property},
    {kDialect2, "translation", nullptr, "SgTransform", RedirectKind::Property},
    {kDialect2, "rotation", nullptr, "SgTransform", RedirectKind::Property},
    {kDialect2, "center", nullptr, "SgTransform", RedirectKind::Property},
    {kDialect2, "solid", "shapeType", "SgShapeHints", RedirectKind::Property},
    {kDialect1, "focalDistance", "targetDistance", "SgCamera", RedirectKind::Property},
    {kDialect2, "ccw", "vertexOrdering", "SgShapeHints", RedirectKind::Property},
    {kDialect2, "creaseAngle", nullptr, "SgShapeHints", RedirectKind::Property},
    {kDialect2, "convex", "faceType", "SgShapeHints", RedirectKind::Property},
    {kDialect2, "whichChoice", "whichChild", "SgSwitch", RedirectKind::Property},
    {kDialect2, "url", "filename", "SgTexture2D", RedirectKind::Property},
    {kDialect2, "repeatS", "wrapS", "SgTexture2D", RedirectKind::Property},
    {kDialect2, "repeatT", "wrapT", "SgTexture2D", RedirectKind::Property},
    {kDialect2, "texture", nullptr, "SgTexture2D", RedirectKind::ChildOfClass},
    {kDialect2, "material", nullptr, "SgMaterial", RedirectKind::ChildOfClass},
    {kDialect2, "normal", nullptr, "SgNormal", RedirectKind::ChildOfClass},
    {kDialect2, "texCoord", nullptr, "SgTextureCoordinate2", RedirectKind::ChildOfClass},
    {kDialect2, "coordIndex", nullptr, "SgIndexedFaceSet", RedirectKind::ChildOfClass},
    {kDialect2, "textureTransform", nullptr, nullptr, RedirectKind::AnyChild},
    {kDialect2, "geometry", nullptr, nullptr, RedirectKind::Geometry},
    {kDialect2, "normalPerVertex", nullptr, nullptr, RedirectKind::Skip},
};

} // namespace

const Redirect *FindRedirect(std::string_view word, int dialect)
{
    for (const Redirect &entry : kRedirects) {
        if ((entry.dialectMask & dialect) && word == entry.word)
            return &entry;
    }
    return nullptr;
}

// --- Persistent ids in DEF names -----------------------------------------------

std::string FormatNodeID(const NodeID &id)
{
    if (id.IsNull())
        return {};
    return std::to_string(id.first) + "_" + std::to_string(id.second);
}

bool ParseNodeID(std::string_view name, NodeID &id)
{
    const size_t underscore = name.find('_');
    if (underscore == std::string_view::npos)
        return false;
    auto parsePart = [](std::string_view text, int32_t &value) {
        if (text.empty())
            return false;
        const char *first = text.data();
        const char *last = text.data() + text.size();
        if (*first == '+')
            ++first;
        const auto result = std::from_chars(first, last, value);
        return result.ec == std::errc() && result.ptr == last;
    };
    NodeID parsed;
    if (!parsePart(name.substr(0, underscore), parsed.first) ||
        !parsePart(name.substr(underscore + 1), parsed.second))
        return false;
    id = parsed;
    return true;
}

// --- Quoted text ---------------------------------------------------------------

void WriteQuoted(std::ostream &out, std::string_view text)
{
    SgFieldValue::WriteQuotedText(out, text);
}

std::string Quoted(std::string_view text)
{
    std::ostringstream out;
    WriteQuoted(out, text);
    return out.str();
}

bool ReadQuoted(std::istream &in, std::string &text)
{
    return SgFieldValue::ReadQuotedText(in, text);
}

// --- Field values --------------------------------------------------------------

namespace {

// A quoted text, or the rest of the line: the grammar of string fields.
bool ReadStringValue(std::istream &in, std::string &text)
{
    return SgFieldValue::Read(in, text);
}

// A quoted text, or a text without blanks written bare (other programs
// write names of files so): it ends at a blank or at the punctuation of a
// list or block.
bool ReadQuotedOrBare(std::istream &in, std::string &text)
{
    in >> std::ws;
    const int first = in.peek();
    if (first == '"')
        return ReadQuoted(in, text);
    std::streambuf *buffer = in.rdbuf();
    std::string word;
    for (int c = buffer->sgetc(); c != std::char_traits<char>::eof(); c = buffer->snextc()) {
        if (std::isspace(c) || c == '{' || c == '}' || c == SgSceneText::kListOpen ||
            c == SgSceneText::kListClose || c == SgSceneText::kListSeparator || c == SgSceneText::kComment)
            break;
        word.push_back(static_cast<char>(c));
    }
    if (word.empty()) {
        in.setstate(std::ios::failbit);
        return false;
    }
    text = std::move(word);
    return true;
}

// "[" texts separated by "," "]", or one text alone; each quoted or bare.
bool ReadQuotedList(std::istream &in, std::vector<std::string> &texts)
{
    auto readOne = [](std::istream &text, void *data) {
        std::string value;
        if (!ReadQuotedOrBare(text, value))
            return false;
        static_cast<std::vector<std::string> *>(data)->push_back(std::move(value));
        return true;
    };
    return SgSceneText::ReadList(in, readOne, &texts, false);
}

template <class Texts>
void WriteQuotedList(std::ostream &out, const Texts &texts)
{
    SgSceneText::WriteListOpen(out);
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i > 0)
            SgSceneText::WriteListSeparator(out);
        WriteQuoted(out, texts[i]);
    }
    SgSceneText::WriteListClose(out);
}

} // namespace

bool IsQuotedField(const SgField *field)
{
    if (!field)
        return false;
    const int type = field->GetTypeId();
    return type == SgFieldString || type == SgFieldImage;
}

void WriteFieldValue(std::ostream &out, SgField *field)
{
    if (!field)
        return;
    if (auto *text = dynamic_cast<SgFStr *>(field)) {
        WriteQuoted(out, text->Get(true));
    } else if (auto *image = dynamic_cast<SgFImage *>(field)) {
        WriteQuoted(out, image->Get(true).GetPath());
    } else if (auto *texts = dynamic_cast<SgVFStr *>(field)) {
        WriteQuotedList(out, texts->GetValues());
    } else if (auto *images = dynamic_cast<SgVFImage *>(field)) {
        std::vector<std::string> paths;
        paths.reserve(images->GetValues().size());
        for (const Image2 &value : images->GetValues())
            paths.push_back(value.GetPath());
        WriteQuotedList(out, paths);
    } else {
        field->WriteToStream(out, 0, field->GetCount() - 1);
    }
}

bool ReadFieldValue(std::istream &in, SgField *field, bool undo)
{
    if (!field)
        return false;
    if (auto *text = dynamic_cast<SgFStr *>(field)) {
        std::string value;
        if (!ReadStringValue(in, value))
            return false;
        text->SetValuePtr(&value, -1, undo, false);
        return true;
    }
    if (auto *image = dynamic_cast<SgFImage *>(field)) {
        std::string path;
        if (!ReadQuotedOrBare(in, path))
            return false;
        Image2 value;
        value.SetImagePath(path);
        image->SetValuePtr(&value, -1, undo, false);
        return true;
    }
    if (auto *texts = dynamic_cast<SgVFStr *>(field)) {
        std::vector<std::string> values;
        if (!ReadQuotedList(in, values))
            return false;
        texts->SetValuePtr(&values, -1, undo, false);
        return true;
    }
    if (auto *images = dynamic_cast<SgVFImage *>(field)) {
        std::vector<std::string> paths;
        if (!ReadQuotedList(in, paths))
            return false;
        std::vector<Image2> values(paths.size());
        for (size_t i = 0; i < paths.size(); ++i)
            values[i].SetImagePath(paths[i]);
        images->SetValuePtr(&values, -1, undo, false);
        return true;
    }
    field->ReadFromStream(in, undo);
    return !in.fail();
}

} // namespace Vrml1Format
