// A scene generator driven by the fuzzer's bytes: each byte is a choice
// (which node, which field, which value, DEF or USE, a comment, a string),
// so that a byte mutation becomes a change of the scene's structure rather
// than a broken token. What the generator knows of the language comes from
// the writer itself: at start every registered node class is written once
// with its defaults for its keyword, and its fields are asked for their
// names and the text of their values; both are kept as templates.
#include <cctype>
#include <cstring>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/actions/SgSaveAction.h"
#include "engine/actions/Vrml1Format.h"
#include "engine/actions/Vrml1Stream.h"
#include "engine/core/SgField.h"
#include "engine/core/SgFieldMngr.h"
#include "engine/core/SgNode.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgDocumentFiles.h"
#include "fuzz/FuzzEntries.h"

namespace {

struct GrammarField {
    std::string name;
    std::string value;
};

struct GrammarNode {
    std::string keyword;
    std::vector<GrammarField> fields;
};

// Every field of the node by name, with its value as the field writes it
// (the writer leaves default values out of a block, so they are asked for).
void HarvestFields(SgNode &node, GrammarNode &grammar)
{
    for (int i = 0; i < node.GetFieldsCount(); ++i) {
        SgField *field = node.GetFieldAddress(i);
        const char *name = node.GetFieldName(i);
        if (!field || !name || !*name || field->IsIgnored())
            continue;
        std::ostringstream value;
        field->WriteToStream(value);
        std::string text = value.str();
        if (text.find('\n') != std::string::npos || text.size() > 400)
            continue;
        grammar.fields.push_back({name, text});
    }
}

// Every node class written once, as the writer spells it.
std::vector<GrammarNode> HarvestTemplates()
{
    std::vector<GrammarNode> nodes;
    for (int offset = 0; offset < SgFieldMngr::GetClassCount(); ++offset) {
        SgRef<SgFieldMngr> made(SgFieldMngr::Create(offset + SgFieldMngr::GetBase()));
        auto *node = dynamic_cast<SgNode *>(made.get());
        if (!node)
            continue;
        SgRef<SgSeparator> root(new SgSeparator);
        root->SetName("ROOT");
        root->AddChild(node);
        std::ostringstream out;
        Vrml1Stream stream(out);
        SgSaveAction action(false);
        action.SetStream(&stream);
        action.WriteHeader(Vrml1Format::kWriterVersion);
        if (!action.Apply(root.get()))
            continue;
        const std::string text = out.str();
        // The child's block starts on the line after the root's name.
        size_t at = text.find("\"ROOT\"");
        at = at == std::string::npos ? std::string::npos : text.find('\n', at);
        if (at == std::string::npos)
            continue;
        std::istringstream words(text.substr(at + 1));
        GrammarNode grammar;
        words >> grammar.keyword;
        if (grammar.keyword == "DEF")
            words >> grammar.keyword >> grammar.keyword;
        grammar.keyword = grammar.keyword.substr(0, grammar.keyword.find('{'));
        if (grammar.keyword.empty() || !std::isalpha(uint8_t(grammar.keyword[0])))
            continue;
        HarvestFields(*node, grammar);
        nodes.push_back(std::move(grammar));
    }
    return nodes;
}

// The fuzzer's bytes read as choices; past the end every choice is the first.
class GrammarChoices {
public:
    GrammarChoices(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}
    bool Exhausted() const { return m_at >= m_size; }
    size_t Pick(size_t count)
    {
        if (count <= 1 || Exhausted())
            return 0;
        size_t value = m_data[m_at++];
        if (count > 256 && !Exhausted())
            value = value << 8 | m_data[m_at++];
        return value % count;
    }
    bool Chance(int outOf) { return Pick(size_t(outOf)) == 0; }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_at = 0;
};

const char *const kGrammarNumbers[] = {"0",    "-1",   "1",           "2147483647", "-2147483648", "4294967296",
                                       "1e308", "-1e308", "1e-320",    "nan",        "inf",         "-0",
                                       "0.5",  "65535", "99999999999", "1e",         "-",           "3."};
const char *const kGrammarStringPieces[] = {"a", "\"\"", "\\", "\\\"", "{", "}", "#", "\n", "\t", "\xc3\xa9", "\xff", "USE", "DEF", " "};
const char *const kGrammarPunctuation[] = {"[", "]", "(", ")", ",", "{", "}", "=", ".", "USE", "DEF", "\"", "#"};

class SceneGenerator {
public:
    SceneGenerator(const std::vector<GrammarNode> &nodes, GrammarChoices &choices) : m_nodes(nodes), m_in(choices) {}

    std::string Scene()
    {
        const char *headers[] = {"#VRML V1.0 ascii 102\n", "#VRML V1.0 ascii\n", "#VRML V2.0 utf8\n", "#VRML V1.0 ascii 999999\n"};
        m_out = m_in.Chance(8) ? headers[m_in.Pick(4)] : headers[0];
        m_out += "Separator {\nNodeName\t\"ROOT\"\n";
        while (!m_in.Exhausted() && m_out.size() < kMaxText)
            Child(1);
        m_out += "}\n";
        if (m_in.Chance(4))
            Trailer();
        return m_out;
    }

private:
    static constexpr size_t kMaxText = 1 << 16;
    static constexpr int kMaxDepth = 12;

    std::string Id() { return std::to_string(m_in.Pick(40)) + "_" + std::to_string(m_in.Pick(8)); }

    std::string Number() { return kGrammarNumbers[m_in.Pick(std::size(kGrammarNumbers))]; }

    std::string String()
    {
        std::string text = "\"";
        for (size_t n = m_in.Pick(6); n > 0; --n)
            text += kGrammarStringPieces[m_in.Pick(std::size(kGrammarStringPieces))];
        return text + (m_in.Chance(16) ? "" : "\"");
    }

    // The written default, or the same with its numbers, strings or
    // brackets changed, or a connection to another node's field.
    std::string Value(const GrammarField &field)
    {
        switch (m_in.Pick(6)) {
        case 0:
        case 1:
            return field.value;
        case 2: {
            std::string changed;
            for (size_t i = 0; i < field.value.size(); ++i) {
                const char c = field.value[i];
                const bool starts = (std::isdigit(uint8_t(c)) || c == '-') &&
                                    (i == 0 || !std::isalnum(uint8_t(field.value[i - 1])));
                if (starts && m_in.Chance(2)) {
                    while (i + 1 < field.value.size() &&
                           (std::isalnum(uint8_t(field.value[i + 1])) || std::strchr(".-+", field.value[i + 1])))
                        ++i;
                    changed += Number();
                } else {
                    changed += c;
                }
            }
            return changed;
        }
        case 3: {
            // A longer array: the bracketed list repeated.
            std::string list = field.value;
            const size_t open = list.find('['), close = list.rfind(']');
            if (open == std::string::npos || close == std::string::npos || close <= open + 1)
                return list;
            const std::string items = list.substr(open + 1, close - open - 1);
            std::string grown = items;
            for (size_t n = m_in.Pick(6); n > 0; --n)
                grown += " , " + items;
            return list.substr(0, open + 1) + grown + list.substr(close);
        }
        case 4:
            return " = USE " + Id() + " . " + (m_in.Chance(2) ? field.name : std::string("translation"));
        default: {
            std::string junk;
            for (size_t n = m_in.Pick(5) + 1; n > 0; --n)
                junk += std::string(kGrammarPunctuation[m_in.Pick(std::size(kGrammarPunctuation))]) + " " + Number() + " ";
            return m_in.Chance(2) ? junk : String();
        }
        }
    }

    void Comment() { m_out += "# " + std::string(m_in.Chance(2) ? "a comment { [ \"" : "") + "\n"; }

    void Block(int depth)
    {
        const GrammarNode &node = m_nodes[m_in.Pick(m_nodes.size())];
        if (m_in.Chance(3))
            m_out += "DEF " + Id() + " ";
        m_out += (m_in.Chance(30) ? std::string("UnknownNode") : node.keyword) + (m_in.Chance(4) ? "\t{" : " {\n");
        if (m_in.Chance(3))
            m_out += "NodeName\t" + String() + "\n";
        if (m_in.Chance(20))
            m_out += "NodeID\t" + Number() + "\n";
        for (size_t n = node.fields.empty() ? 0 : m_in.Pick(5); n > 0; --n) {
            const GrammarField &field = node.fields[m_in.Pick(node.fields.size())];
            m_out += "\t" + field.name + " " + Value(field) + "\n";
            if (m_in.Chance(10))
                Comment();
        }
        if (depth < kMaxDepth)
            for (size_t n = m_in.Pick(4); n > 0 && m_out.size() < kMaxText; --n)
                Child(depth + 1);
        if (!m_in.Chance(50))
            m_out += "}\n";
    }

    void Child(int depth)
    {
        switch (m_in.Pick(8)) {
        case 0:
            m_out += "USE " + Id() + "\n";
            break;
        case 1:
            Comment();
            break;
        default:
            Block(depth);
        }
    }

    // The document's own sections after the scene.
    void Trailer()
    {
        const char *sections[] = {"Scenario {\nTrack { ", "Layout {\n", "Layers {\n", "View {\n"};
        const size_t which = m_in.Pick(4);
        m_out += sections[which];
        if (which == 0) {
            m_out += Id() + " translation\n";
            for (size_t n = m_in.Pick(6); n > 0; --n)
                m_out += Number() + " " + Number() + " " + Number() + " " + Number() + "\n";
            m_out += "}\n";
        } else if (!m_nodes.empty()) {
            Block(1);
        }
        m_out += "}\n";
    }

    const std::vector<GrammarNode> &m_nodes;
    GrammarChoices &m_in;
    std::string m_out;
};

struct GrammarDocumentDeleter {
    void operator()(SgDocument *document) const { SgDocument::Destroy(document); }
};
using GrammarDocument = std::unique_ptr<SgDocument, GrammarDocumentDeleter>;

std::string SaveGrammarDocument(SgDocument &document)
{
    std::ostringstream out;
    return document.SaveStream(nullptr, &out, "kvrx") ? out.str() : std::string();
}

} // namespace

namespace fuzzentry {

std::string SceneGrammarText(const uint8_t *data, size_t size)
{
    Start();
    static const std::vector<GrammarNode> nodes = HarvestTemplates();
    if (nodes.empty())
        return std::string();
    GrammarChoices choices(data, size);
    return SceneGenerator(nodes, choices).Scene();
}

int SceneGrammar(const uint8_t *data, size_t size)
{
    const std::string text = SceneGrammarText(data, size);
    if (text.empty())
        return 0;

    GrammarDocument first(SgDocument::Create());
    std::istringstream in(text);
    if (first->ReadFileStream(in, "fuzz.kvrx", true) != SgDocumentFiles::kReadDone)
        return 0;
    const std::string saved = SaveGrammarDocument(*first);
    first->Undo();
    first->Redo();
    SaveGrammarDocument(*first);
    // What the writer made of it must read again, whatever it holds.
    GrammarDocument second(SgDocument::Create());
    std::istringstream again(saved);
    second->ReadFileStream(again, "fuzz.kvrx", true);
    SaveGrammarDocument(*second);
    return 0;
}

} // namespace fuzzentry
