#pragma once
// The input state of one read of scene text: the text itself (read through a
// buffer that knows the line of every position, so that every message can
// name it), the names recorded by "DEF", the dialect and format version of
// the header, the container that words of the second dialect add to, and the
// messages the read produced.
//
// The state holds one reference to every container recorded under a name, so
// that a later "USE" never meets a container that was let go in between;
// the references go when the state does. A caller that keeps what the reader
// returned takes its own reference before the state ends.
#include <functional>
#include <istream>
#include <memory>
#include <set>
#include <streambuf>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/core/NodaraExport.h"

class SgDocument;
class SgFieldMngr;
class SgWorkProgress;
class SgGroup;

// Reads the caller's buffer in large blocks and counts the line ends of each
// block it leaves behind, so the current line is known without a pass from
// the start. Keeps a few characters before the read position for put-back.
class NODARA_API Vrml1LineBuffer : public std::streambuf {
public:
    explicit Vrml1LineBuffer(std::streambuf *source);

    // 1 for the first line.
    long long GetLine() const;
    // Characters taken so far.
    long long GetOffset() const;
    // Told the characters taken before each block is read; null: nobody.
    void SetProgress(SgWorkProgress *progress) { m_pProgress = progress; }

protected:
    int_type underflow() override;

private:
    void TranslateLoneReturns(char *first, char *last);

    static constexpr size_t kBlock = 64 * 1024;
    static constexpr size_t kPutBack = 16;

    std::streambuf *m_pSource;
    SgWorkProgress *m_pProgress = nullptr;
    std::vector<char> m_buffer;
    long long m_linesBefore = 0;  // line ends before eback()
    long long m_offsetBefore = 0; // characters before eback()
    // Line ends counted in [eback(), m_pCounted).
    mutable const char *m_pCounted = nullptr;
    mutable long long m_linesCounted = 0;
};

class NODARA_API Vrml1InStream {
public:
    struct Message {
        std::string text;
        std::string caption;
        long long line = 0; // 0: not tied to a line (the header)
        bool error = false;
    };

    // Reads the "Scenario" section from the stream into the document; the
    // document installs it. Called right after the word "Scenario".
    using ScenarioReader = std::function<void(Vrml1InStream &)>;

    // Nesting of blocks, node-pointer fields and connections together.
    static constexpr int kMaxNesting = 256;
    // Messages kept per read, and how many of them are shown to the user.
    static constexpr size_t kMaxMessages = 1000;
    static constexpr size_t kMaxNotified = 20;

    Vrml1InStream(std::istream &source, std::string fileName = {}, SgDocument *document = nullptr);
    Vrml1InStream(const Vrml1InStream &) = delete;
    Vrml1InStream &operator=(const Vrml1InStream &) = delete;
    ~Vrml1InStream();

    // --- Input state -----------------------------------------------------------

    // The container that words of the second dialect add to.
    SgGroup *m_pCurrent = nullptr;
    // The keyword that named no node class in the last CreateObject.
    std::string m_szWord;
    std::string m_strFileName;
    // The text, read through the line-counting buffer.
    std::istream *m_pStream = nullptr;
    // Containers read with "DEF", by name.
    std::unordered_map<std::string, SgRef<SgFieldMngr>> m_mapNames;
    SgDocument *m_pDocument = nullptr;
    int m_nDialect = 1;
    int m_nVersion = 100;
    // The document's layer renumbering table: entry i is the layer that layer
    // i of the file becomes. Null when none; not owned.
    const std::vector<int> *m_pLayerTable = nullptr;

    // A word of the file as a message shows it: cut to a readable length.
    static std::string Echo(const std::string &word);

    // Kinds of unknown nodes reported so far, and how many blocks of unknown
    // nodes are being read around the current position.
    std::set<std::string> m_unknownKinds;
    int m_unknownDepth = 0;

    // Containers whose blocks are being read, outermost first. A name can
    // reach one of them early (its "NodeID" line comes first); a node-pointer
    // field or a child given such a container would hold it from inside
    // itself, a loop of references that nothing frees.
    std::vector<const SgFieldMngr *> m_openBlocks;
    bool IsOpenBlock(const SgFieldMngr *container) const;

    // Records (or replaces) a name; takes a reference to the container.
    void RecordName(const std::string &name, SgFieldMngr *container);
    SgFieldMngr *FindName(const std::string &name) const;

    // --- Reading ---------------------------------------------------------------

    // The next character without taking it; EOF at the end.
    int Peek();
    int Get();
    // Skips blanks (line ends and comments too) and peeks.
    int PeekNonBlank();
    // Skips blanks up to the line end and peeks: '\n' when the line holds
    // nothing more (a comment included).
    int PeekOnLine();
    // Takes a comment's text up to (not including) its line end.
    void SkipCommentText();
    // The next word: a run of characters up to a blank or one of { } [ ] ,
    // and each of those characters is a word of its own. False at the end of
    // the text (and the word is empty). A word holding control characters
    // marks the text as binary and fails the read; one that is no UTF-8 is
    // taken as Latin-1 (once with a message).
    bool ReadWord(std::string &word);
    // Takes everything up to and including the next line end.
    void SkipLine();
    // Skips a bracketed value or block starting at the next "{" or "[" up to
    // its matching close, quoted texts included; nothing when the next
    // character opens neither. False when the text ends first.
    bool SkipBracketed();
    // Skips the rest of a value: to the line end, or past a bracketed part
    // that starts on this line and continues on later ones.
    void SkipValue();
    bool AtEnd();

    long long GetLine() const { return m_buffer.GetLine(); }
    long long GetOffset() const { return m_buffer.GetOffset(); }
    // Long reads say how far they got, a block at a time.
    void SetProgress(SgWorkProgress *progress) { m_buffer.SetProgress(progress); }

    // --- Nesting ---------------------------------------------------------------

    // False (and the read failed) when one more level would pass the limit.
    bool EnterLevel();
    void LeaveLevel() { --m_nDepth; }
    int GetDepth() const { return m_nDepth; }

    // --- Messages --------------------------------------------------------------

    // Records the message at the current line and shows it to the user
    // through the notifier (unless switched off).
    void Report(const std::string &text, const std::string &caption, bool error = false);
    void ReportAtLine(const std::string &text, const std::string &caption, long long line, bool error);
    // An error after which nothing more is read: truncated, binary or too
    // deeply nested text. Everything read so far is discarded by the reader.
    void Fail(const std::string &text);
    bool HasFailed() const { return m_bFailed; }
    const std::vector<Message> &GetMessages() const { return m_messages; }
    // Messages past kMaxMessages are counted only.
    size_t GetDroppedMessageCount() const { return m_nDropped; }
    // "file:line: text", one line per message.
    std::string FormatMessages() const;
    void SetNotifyUser(bool notify) { m_bNotifyUser = notify; }

    // --- Hooks -----------------------------------------------------------------

    static void SetScenarioReader(ScenarioReader reader);
    static const ScenarioReader &GetScenarioReader();

private:
    Vrml1LineBuffer m_buffer;
    std::istream m_input;
    // Containers whose name a later "DEF" took; still held.
    std::vector<SgRef<SgFieldMngr>> m_replaced;
    std::vector<Message> m_messages;
    size_t m_nDropped = 0;
    size_t m_nNotified = 0;
    int m_nDepth = 0;
    bool m_bFailed = false;
    bool m_bNotifyUser = true;
    bool m_bLatin1Reported = false;
};
