// The plain printer and the indenting printer. Output is cut at a limit and
// nesting at a depth, so cyclic structures print a bounded text.
#include "engine/engines/lisp/LispPrinter.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "engine/engines/lisp/LispState.h"

namespace {

// Deeper nesting prints as "..." in place of the sublist.
constexpr int kMaxPrintDepth = 1000;

// Printed identities are numbers of the interpreter's own (a record's serial,
// a cell's index): the same in every run of the same program, and no address.
unsigned HeapIdentity(const LispHeapObject *object)
{
    return object ? object->m_serial : 0;
}

unsigned CellIdentity(value_t v)
{
    const LispState &s = Lisp();
    const LispCell *cell = v.Cell();
    const LispCell *first = s.m_cells.get();
    return cell && first && cell >= first ? static_cast<unsigned>(cell - first) : 0;
}

class LispPrinter {
public:
    LispPrinter(std::string &out, size_t limit) : m_out(out), m_limit(limit < 3 ? 3 : limit) {}

    void Print(value_t v, int depth);
    void Pretty(value_t v, int indent, int depth);
    void Finish()
    {
        if (m_truncated) {
            m_out.resize(m_limit - 3);
            m_out += "...";
        }
    }

private:
    void Put(std::string_view text)
    {
        if (m_truncated)
            return;
        if (m_out.size() + text.size() > m_limit) {
            m_out.append(text.substr(0, m_limit - m_out.size()));
            m_truncated = true;
            return;
        }
        m_out.append(text);
    }
    void PutFormatted(const char *format, int a, int b = 0)
    {
        char text[64];
        int length = std::snprintf(text, sizeof text, format, a, b);
        Put(std::string_view(text, static_cast<size_t>(length)));
    }
    void Blanks(int count) { Put(std::string(static_cast<size_t>(count < 0 ? 0 : count), ' ')); }

    std::string &m_out;
    size_t m_limit;
    bool m_truncated = false;
};

void LispPrinter::Print(value_t v, int depth)
{
    if (m_truncated)
        return;
    switch (v.tag) {
    case LispNil:
        Put("NIL");
        break;
    case LispSymbol:
        Put(LispSymbolName(v.u.i));
        break;
    case LispCons: {
        if (depth >= kMaxPrintDepth) {
            Put("...");
            break;
        }
        Put("(");
        value_t x = v;
        for (;;) {
            Print(x.Cell()->car, depth + 1);
            x = x.Cell()->cdr;
            if (m_truncated)
                return;
            if (!x.IsCons())
                break;
            Put(" ");
        }
        if (!x.IsNil()) {
            Put(" . ");
            Print(x, depth + 1);
        }
        Put(")");
        break;
    }
    case LispInteger:
        PutFormatted("%d", v.u.i);
        break;
    case LispDouble: {
        // Six decimals, as "%f" writes them, whatever the host's locale.
        char text[400];
        auto result = std::to_chars(text, text + sizeof text, v.u.d, std::chars_format::fixed, 6);
        Put(std::string_view(text, static_cast<size_t>(result.ptr - text)));
        break;
    }
    case LispString:
        Put("\"");
        Put(static_cast<const char *>(v.u.p));
        Put("\"");
        break;
    case LispLexClosure: {
        auto *lambda = static_cast<LispLambda *>(v.u.p);
        PutFormatted("<LEX-CLOSURE-%u (%d) ", HeapIdentity(lambda), lambda->m_paramCount);
        Print(lambda->m_body, depth + 1);
        Put(">");
        break;
    }
    case LispClosure: {
        auto *closure = static_cast<LispClosureRecord *>(v.u.p);
        PutFormatted("<CLOSURE-%u-%u>", HeapIdentity(closure), HeapIdentity(closure->m_lambda));
        break;
    }
    case LispStackVar:
        PutFormatted("V%d", -v.u.i);
        break;
    case LispArray:
        PutFormatted("<ARRAY-%dELM-%u>", LispArrayCount(v), CellIdentity(v));
        break;
    case LispError:
        Put("ERROR");
        break;
    default:
        PutFormatted("<ILLEGAL-OBJECT-%d-%d>", static_cast<int>(v.tag), v.u.i);
        break;
    }
}

void LispPrinter::Pretty(value_t v, int indent, int depth)
{
    if (m_truncated)
        return;
    if (!v.IsCons()) {
        Print(v, depth);
        return;
    }
    if (depth >= kMaxPrintDepth) {
        Put("...");
        return;
    }
    // Only whether the plain form is short matters here: a cut print will do.
    std::string plain = LispPrintToString(v, 100);
    if (plain.size() < 30 && plain.size() + static_cast<size_t>(indent) < 80) {
        Put(plain);
        return;
    }
    value_t head = v.Cell()->car;
    if (head.tag != LispSymbol && head.tag != LispNil) {
        Put("(");
        for (value_t x = v; x.IsCons() && !m_truncated; x = x.Cell()->cdr) {
            Pretty(x.Cell()->car, indent + 1, depth + 1);
            if (x.Cell()->cdr.IsCons()) {
                Put("\n");
                Blanks(indent + 1);
            }
        }
        Put(")");
        return;
    }
    std::string headText = LispPrintToString(head, m_limit);
    int length = static_cast<int>(headText.size());
    Put("(");
    Put(headText);
    Put(" ");
    bool firstOnHeadLine = length < 6 && length + indent + 4 < 70;
    int column = firstOnHeadLine ? length + indent + 2 : indent + 4;
    bool first = true;
    for (value_t x = v.Cell()->cdr; x.IsCons() && !m_truncated; x = x.Cell()->cdr) {
        if (!(first && firstOnHeadLine)) {
            Put("\n");
            Blanks(column);
        }
        Pretty(x.Cell()->car, column, depth + 1);
        first = false;
    }
    Put(")");
}

char *CopyOut(char *buffer, size_t size, const std::string &text)
{
    if (!buffer || size == 0)
        return buffer;
    size_t length = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return buffer + length;
}

} // namespace

std::string LispPrintToString(value_t v, size_t limit)
{
    std::string out;
    LispPrinter printer(out, limit);
    printer.Print(v, 0);
    printer.Finish();
    return out;
}

char *LispPrint(char *buffer, size_t size, value_t v)
{
    return CopyOut(buffer, size, LispPrintToString(v, size > 1 ? size - 1 : 1));
}

std::string LispPrettyPrintToString(value_t v, int indent, size_t limit)
{
    std::string out;
    LispPrinter printer(out, limit);
    printer.Pretty(v, indent, 0);
    printer.Finish();
    return out;
}

char *LispPrettyPrint(char *buffer, size_t size, value_t v, int indent)
{
    return CopyOut(buffer, size, LispPrettyPrintToString(v, indent, size > 1 ? size - 1 : 1));
}
