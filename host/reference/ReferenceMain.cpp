// fennix_reference: writes the reference pages that are generated from the
// code, so that they cannot drift from it.
//
//   fennix_reference nodes [OUT.md]   the scene text's node keywords, their fields,
//                            field types and defaults, from the class registry
//   fennix_reference lisp [OUT.md]    the LISP dialect's built-in functions, from the
//                            interpreter's table
//
// The page goes to standard output as Markdown. The build writes both into
// its reference/ folder and a test compares them with docs/reference/.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/SgNodara.h"
#include "engine/actions/SgOpenAction.h"
#include "engine/actions/Vrml1Format.h"
#include "engine/core/SgField.h"
#include "engine/core/SgFieldMngr.h"
#include "engine/core/SgRef.h"
#include "engine/engines/lisp/LispBuiltins.h"
#include "platform/SgDiagHandler.h"
#include "solids/Solvane.h"

namespace {

// Defaults longer than this are cut: a table cell is no place for an image.
constexpr std::size_t kMaxDefaultText = 60;

std::string CellText(std::string text)
{
    for (char &c : text) {
        if (c == '\n' || c == '\r' || c == '\t')
            c = ' ';
    }
    std::string cell;
    for (char c : text) {
        if (c == '|')
            cell += "\\|";
        else if (c == '`')
            cell += '\'';
        else
            cell += c;
    }
    while (!cell.empty() && cell.back() == ' ')
        cell.pop_back();
    if (cell.size() > kMaxDefaultText)
        cell = cell.substr(0, kMaxDefaultText) + " ...";
    return cell;
}

// A field's type as the registry names it, without the "Sg" of class names.
std::string TypeName(SgField *field)
{
    std::string name = field->GetClassName();
    if (name.compare(0, 2, "Sg") == 0)
        name.erase(0, 2);
    return name;
}

struct NodePage {
    std::string keyword;
    std::string className;
    std::string parent;
    std::vector<std::string> rows;
};

int WriteNodes()
{
    // The reader's messages about anything odd in a default would only be
    // noise here.
    SgDiagCapture quiet;
    SgNodara::Init();
    solvane::Solvane::Init();

    std::map<std::string, NodePage> pages;
    const int count = SgFieldMngr::GetClassCount();
    for (int offset = 0; offset < count; ++offset) {
        const int classId = SgFieldMngr::GetBase() + offset;
        if (!SgOpenAction::IsReadableClass(classId))
            continue;
        const char *className = SgFieldMngr::ClassName(offset);
        if (!className)
            continue;
        SgFieldMngr *instance = SgFieldMngr::Create(classId);
        if (!instance)
            continue;  // an abstract class: no file names it
        SgAdopt<SgFieldMngr> owned(instance);
        NodePage page;
        page.className = className;
        page.keyword = Vrml1Format::KeywordForContainer(instance);
        const int parentOffset = SgFieldMngr::GetParent(offset);
        if (parentOffset >= 0 && parentOffset != offset && SgFieldMngr::ClassName(parentOffset))
            page.parent = SgFieldMngr::ClassName(parentOffset);
        const int fields = instance->GetFieldsCount();
        for (int i = 0; i < fields; ++i) {
            SgField *field = instance->GetFieldAddress(i);
            const char *fieldName = instance->GetFieldName(i);
            if (!field || !fieldName)
                continue;
            std::ostringstream value;
            field->WriteToStream(value);
            page.rows.push_back("| `" + std::string(fieldName) + "` | " + TypeName(field) + " | " +
                                CellText(value.str()) + " |");
        }
        pages[page.keyword + "\n" + page.className] = std::move(page);
    }

    std::printf("# Scene text: node keywords and their fields\n\n");
    std::printf("Generated from the class registry by `fennix_reference nodes`; do not edit.\n");
    std::printf("Each keyword opens a block (`Keyword { field value ... }`); a field left out keeps the\n");
    std::printf("default shown. %zu keywords.\n\n", pages.size());
    for (const auto &[key, page] : pages) {
        std::printf("## %s\n\n", page.keyword.c_str());
        std::printf("Class `%s`%s%s%s.\n\n", page.className.c_str(), page.parent.empty() ? "" : ", derived from `",
                    page.parent.c_str(), page.parent.empty() ? "" : "`");
        if (page.rows.empty()) {
            std::printf("No fields.\n\n");
            continue;
        }
        std::printf("| field | type | default |\n| --- | --- | --- |\n");
        for (const std::string &row : page.rows)
            std::printf("%s\n", row.c_str());
        std::printf("\n");
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

struct BuiltinRow {
    const char *name;
    int arity;
};

int WriteLisp()
{
#define FENNIX_REFERENCE_ROW(name, handler, arity) BuiltinRow{name, arity},
    const BuiltinRow rows[] = {LISP_BUILTIN_TABLE(FENNIX_REFERENCE_ROW)};
#undef FENNIX_REFERENCE_ROW
    std::printf("# LISP: the built-in functions\n\n");
    std::printf("Generated from the interpreter's table by `fennix_reference lisp`; do not edit.\n");
    std::printf("Listed in the order the interpreter registers them, with the fewest arguments each takes.\n");
    std::printf("Formulas read from a scene file run without file access, `load` or `quit`.\n\n");
    std::printf("| function | at least |\n| --- | --- |\n");
    for (const BuiltinRow &row : rows)
        std::printf("| `%s` | %d |\n", CellText(row.name).c_str(), row.arity);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    const bool nodes = argc >= 2 && std::strcmp(argv[1], "nodes") == 0;
    const bool lisp = argc >= 2 && std::strcmp(argv[1], "lisp") == 0;
    if ((!nodes && !lisp) || argc > 3) {
        std::fprintf(stderr, "usage: fennix_reference nodes|lisp [OUT.md]\n");
        return 2;
    }
    // With a file named, the page goes there instead of standard output.
    if (argc == 3 && !std::freopen(argv[2], "w", stdout)) {
        std::fprintf(stderr, "fennix_reference: %s could not be written\n", argv[2]);
        return 1;
    }
    return nodes ? WriteNodes() : WriteLisp();
}
