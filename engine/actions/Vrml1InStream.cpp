#include "engine/actions/Vrml1InStream.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "engine/core/SgFieldMngr.h"
#include "engine/core/SgSceneText.h"
#include "platform/Notifier.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgProgress.h"
#include "engine/core/SgState.h"

// Whatever the reader accepts, traversal holds: a nested block costs at most
// two state levels (an object and its inner group, a shape and its internal
// separator), and a traversal's own levels above the scene need a few more.
static_assert(SgState::kMaxFrames >= 2 * Vrml1InStream::kMaxNesting + 64,
              "traversal state too shallow for the deepest scene the reader accepts");

// --- Vrml1LineBuffer -------------------------------------------------------------

Vrml1LineBuffer::Vrml1LineBuffer(std::streambuf *source) : m_pSource(source), m_buffer(kPutBack + kBlock)
{
    char *start = m_buffer.data() + kPutBack;
    setg(start, start, start);
}

namespace {

long long CountLineEnds(const char *first, const char *last)
{
    long long count = 0;
    while (first < last) {
        const void *end = std::memchr(first, '\n', static_cast<size_t>(last - first));
        if (!end)
            break;
        ++count;
        first = static_cast<const char *>(end) + 1;
    }
    return count;
}

} // namespace

long long Vrml1LineBuffer::GetLine() const
{
    // Counting goes on from where the last question left it, and the block
    // refill takes over what was counted, so the text is counted once.
    if (!m_pCounted || m_pCounted > gptr()) {
        m_pCounted = eback();
        m_linesCounted = 0;
    }
    m_linesCounted += CountLineEnds(m_pCounted, gptr());
    m_pCounted = gptr();
    return m_linesBefore + m_linesCounted + 1;
}

long long Vrml1LineBuffer::GetOffset() const
{
    return m_offsetBefore + (gptr() - eback());
}

Vrml1LineBuffer::int_type Vrml1LineBuffer::underflow()
{
    if (gptr() < egptr())
        return traits_type::to_int_type(*gptr());
    if (!m_pSource)
        return traits_type::eof();
    // Keep the last few characters in front of the new block for put-back;
    // the line ends of everything else leave the buffer now.
    const size_t keep = std::min(kPutBack, static_cast<size_t>(gptr() - eback()));
    const char *dropEnd = gptr() - keep;
    if (m_pCounted && m_pCounted <= dropEnd)
        m_linesBefore += m_linesCounted + CountLineEnds(m_pCounted, dropEnd);
    else
        m_linesBefore += CountLineEnds(eback(), dropEnd);
    m_offsetBefore += dropEnd - eback();
    std::memmove(m_buffer.data() + kPutBack - keep, dropEnd, keep);
    m_pCounted = nullptr;
    if (m_pProgress)
        m_pProgress->Step(static_cast<uint64_t>(m_offsetBefore + keep));
    char *start = m_buffer.data() + kPutBack;
    const std::streamsize got = m_pSource->sgetn(start, static_cast<std::streamsize>(kBlock));
    setg(start - keep, start, start + std::max<std::streamsize>(got, 0));
    if (got <= 0)
        return traits_type::eof();
    TranslateLoneReturns(start, start + got);
    return traits_type::to_int_type(*gptr());
}

void Vrml1LineBuffer::TranslateLoneReturns(char *first, char *last)
{
    // Files from old systems end their lines with a carriage return alone;
    // every reader of the text (comments, values, line numbers) knows one
    // line end, so such a return becomes that one. A return before a line
    // feed stays, as a blank.
    for (char *p = static_cast<char *>(std::memchr(first, '\r', static_cast<size_t>(last - first))); p;
         p = static_cast<char *>(std::memchr(p + 1, '\r', static_cast<size_t>(last - p - 1)))) {
        const int next = p + 1 < last ? static_cast<unsigned char>(p[1]) : m_pSource->sgetc();
        if (next != '\n')
            *p = '\n';
        if (p + 1 >= last)
            break;
    }
}

// --- Vrml1InStream ---------------------------------------------------------------

namespace {

Vrml1InStream::ScenarioReader &ScenarioReaderSlot()
{
    static Vrml1InStream::ScenarioReader reader;
    return reader;
}

bool IsBlank(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool IsBracket(int c)
{
    return c == '{' || c == '}' || c == SgSceneText::kListOpen || c == SgSceneText::kListClose ||
           c == SgSceneText::kListSeparator;
}

// Characters that never stand in scene text: what makes a file binary.
bool IsControl(int c)
{
    return (c >= 0 && c < 0x20 && !IsBlank(c)) || c == 0x7f;
}

// True when the bytes of 0x80 and above in the word form UTF-8 sequences;
// anything else is no text of any encoding the format knows.
bool IsUtf8(const std::string &word)
{
    size_t i = 0;
    while (i < word.size()) {
        const auto c = static_cast<unsigned char>(word[i]);
        size_t follow = 0;
        if (c < 0x80)
            follow = 0;
        else if (c >= 0xC2 && c <= 0xDF)
            follow = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            follow = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            follow = 3;
        else
            return false;
        if (follow && i + follow >= word.size())
            return false;
        for (size_t k = 1; k <= follow; ++k) {
            if ((static_cast<unsigned char>(word[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += follow + 1;
    }
    return true;
}

// A word of Latin-1 text, as older systems wrote names: letters or digits
// of ASCII among the high bytes, and none of the bytes 0x80..0x9F, which are
// control characters there and stand in no text.
bool IsLatin1Text(const std::string &word)
{
    bool ascii = false;
    for (char c : word) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 && byte <= 0x9F)
            return false;
        ascii = ascii || std::isalnum(byte);
    }
    return ascii;
}

} // namespace

std::string Vrml1InStream::Echo(const std::string &word)
{
    constexpr size_t kShown = 64;
    if (word.size() <= kShown)
        return word;
    // Cut before a UTF-8 continuation byte never falls inside a character.
    size_t cut = kShown;
    while (cut > 0 && (static_cast<unsigned char>(word[cut]) & 0xC0) == 0x80)
        --cut;
    return word.substr(0, cut) + "... (" + std::to_string(word.size()) + " characters)";
}

Vrml1InStream::Vrml1InStream(std::istream &source, std::string fileName, SgDocument *document)
    : m_strFileName(std::move(fileName)), m_pDocument(document), m_buffer(source.rdbuf()), m_input(&m_buffer)
{
    m_pStream = &m_input;
}

// Out of line: the held containers are released where their class is known.
Vrml1InStream::~Vrml1InStream() = default;

void Vrml1InStream::RecordName(const std::string &name, SgFieldMngr *container)
{
    if (!container)
        return;
    auto [it, inserted] = m_mapNames.try_emplace(name, container);
    if (!inserted) {
        // The container a name leaves may still be under construction (a
        // "NodeID" line inside the block of a node that an enclosing block
        // named the same): its reference goes only when the read ends.
        m_replaced.push_back(std::move(it->second));
        it->second = container;
    }
}

bool Vrml1InStream::IsOpenBlock(const SgFieldMngr *container) const
{
    return std::find(m_openBlocks.begin(), m_openBlocks.end(), container) != m_openBlocks.end();
}

SgFieldMngr *Vrml1InStream::FindName(const std::string &name) const
{
    auto it = m_mapNames.find(name);
    return it == m_mapNames.end() ? nullptr : it->second.get();
}

int Vrml1InStream::Peek()
{
    return m_buffer.sgetc();
}

int Vrml1InStream::Get()
{
    return m_buffer.sbumpc();
}

int Vrml1InStream::PeekNonBlank()
{
    // A comment is a blank between any two words.
    int c = m_buffer.sgetc();
    while (c != EOF && (IsBlank(c) || c == SgSceneText::kComment)) {
        if (c == SgSceneText::kComment)
            SkipCommentText();
        c = m_buffer.snextc();
    }
    return c;
}

int Vrml1InStream::PeekOnLine()
{
    int c = m_buffer.sgetc();
    while (c != EOF && c != '\n' && IsBlank(c))
        c = m_buffer.snextc();
    if (c == SgSceneText::kComment) {
        SkipCommentText();
        c = m_buffer.sgetc();
    }
    return c;
}

void Vrml1InStream::SkipCommentText()
{
    int c = m_buffer.sgetc();
    while (c != EOF && c != '\n')
        c = m_buffer.snextc();
}

bool Vrml1InStream::AtEnd()
{
    return PeekNonBlank() == EOF;
}

bool Vrml1InStream::ReadWord(std::string &word)
{
    word.clear();
    int c = PeekNonBlank();
    if (c == EOF)
        return false;
    if (IsBracket(c)) {
        word.push_back(static_cast<char>(m_buffer.sbumpc()));
        return true;
    }
    bool binary = false;
    bool high = false;
    // Files written by hand and by other programs glue brackets and comments
    // to words ("Separator{", "0]", "Sphere#"): they end the word as a blank does.
    while (c != EOF && !IsBlank(c) && !IsBracket(c) && c != SgSceneText::kComment) {
        binary = binary || IsControl(c);
        high = high || c >= 0x80;
        word.push_back(static_cast<char>(c));
        c = m_buffer.snextc();
    }
    if (binary || (high && !IsUtf8(word) && !IsLatin1Text(word))) {
        Fail("The file holds binary data, not scene text");
        return false;
    }
    if (high && !IsUtf8(word)) {
        // Files from older systems write names in Latin-1: each byte is the
        // character of that number, kept as the same character in UTF-8.
        std::string converted;
        converted.reserve(word.size() * 2);
        for (char c : word) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x80) {
                converted.push_back(c);
            } else {
                converted.push_back(static_cast<char>(0xC0 | (byte >> 6)));
                converted.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
            }
        }
        word = std::move(converted);
        if (!m_bLatin1Reported) {
            m_bLatin1Reported = true;
            Report("The word " + Echo(word) + " is not UTF-8; it and any like it are read as Latin-1", "Warning");
        }
    }
    return true;
}

void Vrml1InStream::SkipLine()
{
    SgSceneText::SkipComment(m_buffer);
}

namespace {

// Takes a quoted text whose opening quote is already taken; a doubled or an
// escaped quote stays inside. False at the end of the text.
bool SkipQuoted(std::streambuf &buffer)
{
    for (;;) {
        const int c = buffer.sbumpc();
        if (c == EOF)
            return false;
        if (c == '"') {
            if (buffer.sgetc() != '"')
                return true;
            buffer.sbumpc();
        } else if (c == '\\' && (buffer.sgetc() == '"' || buffer.sgetc() == '\\')) {
            buffer.sbumpc();
        }
    }
}

} // namespace

bool Vrml1InStream::SkipBracketed()
{
    const int first = PeekNonBlank();
    if (first != '{' && first != '[')
        return true;
    // Any mix of both kinds counts as one depth: a skipped part only has to
    // end where it closes, and a mismatch inside it is not ours to judge.
    long long depth = 0;
    for (;;) {
        const int c = m_buffer.sbumpc();
        switch (c) {
        case EOF:
            return false;
        case '{':
        case '[':
            ++depth;
            break;
        case '}':
        case ']':
            if (--depth == 0)
                return true;
            break;
        case '"':
            if (!SkipQuoted(m_buffer))
                return false;
            break;
        case SgSceneText::kComment:
            SkipLine();
            break;
        default:
            break;
        }
    }
}

void Vrml1InStream::SkipValue()
{
    long long depth = 0;
    for (;;) {
        const int c = m_buffer.sgetc();
        switch (c) {
        case EOF:
            return;
        case '\n':
            if (depth == 0) {
                m_buffer.sbumpc();
                return;
            }
            break;
        case '{':
        case '[':
            ++depth;
            break;
        case '}':
        case ']':
            // A close that this value did not open belongs to the block around it.
            if (depth == 0)
                return;
            --depth;
            break;
        case '"':
            m_buffer.sbumpc();
            if (!SkipQuoted(m_buffer))
                return;
            continue;
        case SgSceneText::kComment:
            // Its brackets are no part of the value; the line end still ends it.
            SkipCommentText();
            continue;
        default:
            break;
        }
        m_buffer.sbumpc();
    }
}

bool Vrml1InStream::EnterLevel()
{
    if (m_nDepth >= kMaxNesting) {
        if (!m_bFailed)
            Fail("Nodes are nested deeper than " + std::to_string(kMaxNesting) + " levels");
        return false;
    }
    ++m_nDepth;
    return true;
}

void Vrml1InStream::Report(const std::string &text, const std::string &caption, bool error)
{
    ReportAtLine(text, caption, GetLine(), error);
}

void Vrml1InStream::ReportAtLine(const std::string &text, const std::string &caption, long long line, bool error)
{
    if (m_messages.size() >= kMaxMessages) {
        ++m_nDropped;
        return;
    }
    m_messages.push_back(Message{text, caption, line, error});
    if (!m_bNotifyUser)
        return;
    if (m_nNotified < kMaxNotified) {
        // The user sees where: the file and the line, unless the text names
        // the file itself (the header's verdict).
        std::string shown = text;
        if (m_strFileName.empty() || text.find(m_strFileName) == std::string::npos) {
            shown = (m_strFileName.empty() ? std::string("<scene>") : m_strFileName) +
                    (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + text;
        }
        SgDiagTellUser(error ? SgDiagLevel::Error : SgDiagLevel::Warning, "Reader", shown, caption);
    } else if (m_nNotified == kMaxNotified) {
        SgDiagTellUser(SgDiagLevel::Warning, "Reader", "Further messages about " + m_strFileName + " are not shown",
                       caption);
    }
    ++m_nNotified;
}

void Vrml1InStream::Fail(const std::string &text)
{
    if (m_bFailed)
        return;
    m_bFailed = true;
    Report(text, "Error", true);
}

std::string Vrml1InStream::FormatMessages() const
{
    std::string text;
    for (const Message &message : m_messages) {
        text += m_strFileName.empty() ? std::string("<scene>") : m_strFileName;
        if (message.line > 0)
            text += ":" + std::to_string(message.line);
        text += ": ";
        text += message.text;
        text += '\n';
    }
    if (m_nDropped > 0)
        text += std::to_string(m_nDropped) + " more messages\n";
    return text;
}

void Vrml1InStream::SetScenarioReader(ScenarioReader reader)
{
    ScenarioReaderSlot() = std::move(reader);
}

const Vrml1InStream::ScenarioReader &Vrml1InStream::GetScenarioReader()
{
    return ScenarioReaderSlot();
}
