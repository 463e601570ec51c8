// The document's files: opening a scene from disk, from an address or from a
// cabinet, inserting one into the scene, and saving the scene with the
// sections that follow it ("Scenario", "Layout", "View"; "Layers" is only
// read, from older files).
//
// A read changes the scene only once the scene part of the file has been read
// whole: a file that breaks off inside it leaves the document as it was. The
// sections after the scene cannot take it back again; when one of them breaks
// off, the result says so.
#include "engine/document/SgDocumentFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cctype>
#include <filesystem>
#include <set>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <unordered_set>
#include <vector>

#include "engine/engines/SgEngine.h"
#include "engine/actions/SgOpenAction.h"
#include "engine/engines/lisp/Lisp.h"
#include "engine/core/SgPathList.h"
#include "engine/actions/SgSaveAction.h"
#include "engine/document/SgDocumentViewTrees.h"
#include "engine/actions/Vrml1Format.h"
#include "engine/actions/Vrml1InStream.h"
#include "engine/actions/Vrml1Stream.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgAnimationMngr.h"
#include "engine/document/SgCabinetExtractor.h"
#include "engine/document/SgDocument.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/document/SgLayoutNode.h"
#include "engine/nodes/properties/SgLayers.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgClock.h"
#include "platform/SgProgress.h"
#include "platform/UrlDownloader.h"
#include "engine/document/SgExternalFileLoader.h"

using namespace SgDocumentFiles;

namespace {

const char *const kRootName = "ROOT";
const char *const kLayersName = "Layers";
const char *const kFirstLayer = "Layer0";
const char *const kLayoutOnly = "lay";

void ShowError(const std::string &text)
{
    SgDiagTellUser(SgDiagLevel::Error, "Document", text, "Error");
}

bool IsSeparatorNode(SgNode *node)
{
    return node && node->IsSeparator() && dynamic_cast<SgSeparator *>(node);
}

// Visits every node below `top` once (a shared node once), parents before
// children, without recursion: a file decides how deep its graph is.
void ForEachBelow(SgNode *top, const std::function<void(SgNode *)> &visit)
{
    std::unordered_set<SgNode *> seen;
    std::vector<SgNode *> stack;
    for (int i = top->GetNumChildren() - 1; i >= 0; --i)
        stack.push_back(top->GetChild(i));
    while (!stack.empty()) {
        SgNode *node = stack.back();
        stack.pop_back();
        if (!node || !seen.insert(node).second)
            continue;
        visit(node);
        for (int i = node->GetNumChildren() - 1; i >= 0; --i)
            stack.push_back(node->GetChild(i));
    }
}

// The reader calls the installed scenario reader in the middle of the file;
// the scene read so far must be in place by then, because replacing the scene
// clears the scenario that the section is about to fill. For the life of one
// read this puts a step in front of the installed reader.
class ScenarioHookScope {
public:
    explicit ScenarioHookScope(std::function<void()> before) : m_saved(Vrml1InStream::GetScenarioReader())
    {
        Vrml1InStream::ScenarioReader saved = m_saved;
        Vrml1InStream::SetScenarioReader([saved, before = std::move(before)](Vrml1InStream &stream) {
            before();
            if (saved) {
                saved(stream);
                return;
            }
            stream.Report("The Scenario section is skipped: no scenario reader is installed", "Warning");
            if (!stream.SkipBracketed())
                stream.Fail("The file ends inside the Scenario section");
        });
    }
    ~ScenarioHookScope() { Vrml1InStream::SetScenarioReader(m_saved); }
    ScenarioHookScope(const ScenarioHookScope &) = delete;
    ScenarioHookScope &operator=(const ScenarioHookScope &) = delete;

private:
    Vrml1InStream::ScenarioReader m_saved;
};

// ---- Layout text ------------------------------------------------------------------

void WriteLayout(Vrml1Stream &out, const SgLayoutNode &node)
{
    out << "\n{ " << node.m_iKind << " " << node.m_dScale * 100.0 << " " << node.GetChildCount();
    for (int i = 0; i < node.GetChildCount(); ++i)
        if (const SgLayoutNode *child = node.GetChild(i))
            WriteLayout(out, *child);
    out << " }";
}

template <class T>
bool ParseNumber(const std::string &word, T &value)
{
    const char *end = word.data() + word.size();
    const auto parsed = std::from_chars(word.data(), end, value);
    return parsed.ec == std::errc() && parsed.ptr == end;
}

class LayoutReader {
public:
    explicit LayoutReader(Vrml1InStream &stream) : m_stream(stream) {}

    // False (and the stream failed) when the text is no layout tree.
    bool Read(SgLayoutNode &node, int depth)
    {
        if (depth > kMaxLayoutDepth || ++m_nodes > kMaxLayoutNodes)
            return Damaged("it nests too deeply or holds too many nodes");
        std::string open;
        if (!Word(open))
            return false;
        if (open != "{")
            return Damaged("a { is missing");
        int kind = 0;
        double scale = 0;
        int count = 0;
        std::string word;
        if (!Word(word))
            return false;
        if (!ParseNumber(word, kind))
            return Damaged("the kind " + Vrml1InStream::Echo(word) + " is no number");
        if (!Word(word))
            return false;
        if (!ParseNumber(word, scale) || !std::isfinite(scale))
            return Damaged("the scale " + Vrml1InStream::Echo(word) + " is no number");
        if (!Word(word))
            return false;
        if (!ParseNumber(word, count) || count < 0 || count > SgLayoutNode::kMaxChildren)
            return Damaged("the child count " + Vrml1InStream::Echo(word) + " is not between 0 and " +
                           std::to_string(SgLayoutNode::kMaxChildren));
        node.m_iKind = kind;
        node.m_dScale = scale / 100.0;
        for (int i = 0; i < count; ++i) {
            SgLayoutNode *child = node.AddChild();
            if (!child || !Read(*child, depth + 1))
                return child ? false : Damaged("a node holds too many children");
        }
        if (!Word(word))
            return false;
        if (word != "}")
            return Damaged("a } is missing");
        return true;
    }

private:
    bool Word(std::string &word)
    {
        if (m_stream.ReadWord(word))
            return true;
        if (!m_stream.HasFailed())
            m_stream.Fail("The file ends inside the Layout section");
        return false;
    }
    bool Damaged(const std::string &why)
    {
        m_stream.Fail("The Layout section is damaged: " + why);
        return false;
    }

    Vrml1InStream &m_stream;
    int m_nodes = 0;
};

void CopyLayout(const SgLayoutNode &from, SgLayoutNode &to)
{
    to.m_iKind = from.m_iKind;
    to.m_dScale = from.m_dScale;
    for (int i = 0; i < from.GetChildCount(); ++i) {
        const SgLayoutNode *child = from.GetChild(i);
        SgLayoutNode *copy = child ? to.AddChild() : nullptr;
        if (copy)
            CopyLayout(*child, *copy);
    }
}

// ---- Reading ----------------------------------------------------------------------

// One read of scene text into a document.
class SceneRead {
public:
    SceneRead(SgDocument &document, Vrml1InStream &stream, bool replace, SgSeparator &target)
        : m_document(document), m_stream(stream), m_bReplace(replace), m_target(target)
    {
    }

    int Run()
    {
        m_document.GetLayerMap().clear();
        if (!SgOpenAction::IsValidFile(m_stream))
            return kNothingRead;
        if (!m_bReplace)
            AssignIds();

        ScenarioHookScope hook([this] { Commit(); });
        while (!m_stream.HasFailed() && !m_stream.AtEnd()) {
            if (AtLayersSection()) {
                Commit();
                ReadLayersSection();
                continue;
            }
            if (SgFieldMngr *container = SgOpenAction::CreateObject(m_stream)) {
                Take(container);
                continue;
            }
            if (m_stream.HasFailed())
                break;
            const std::string word = m_stream.m_szWord;
            if (word.empty())
                continue; // a comment, or a section the reader handed on
            if (SgOpenAction::IsDocumentSection(word)) {
                Commit();
                ReadSection(word);
                continue;
            }
            m_stream.Report("Unknown node type: " + Vrml1InStream::Echo(word) + " (the block is skipped)", "Warning");
            if (!m_stream.SkipBracketed())
                m_stream.Fail("The file ends inside the " + Vrml1InStream::Echo(word) + " block");
        }

        const bool failed = m_stream.HasFailed();
        if (failed && !m_bCommitted) {
            m_pending.clear();
            m_readLayers.clear();
            m_document.GetLayerMap().clear();
            ShowError(m_stream.m_strFileName + " could not be read; the scene is unchanged");
            return kNothingRead;
        }
        Finish();
        m_stream.m_pLayerTable = nullptr;
        m_document.GetLayerMap().clear();
        if (failed)
            ShowError("The end of " + m_stream.m_strFileName + " could not be read; the scene before it was read");
        return failed ? kIncomplete : kReadDone;
    }

    // Whether the scene has taken what was read (a failure then can no
    // longer leave it as it was).
    bool HasChangedScene() const { return m_bCommitted; }

private:
    // Persistent ids of the scene already there are made new, so that those
    // of the inserted file (which may be this very scene again) do not clash.
    void AssignIds()
    {
        // The engines that feed the scene's fields are written with ids too.
        std::set<SgFieldMngr *> engines;
        ForEachBelow(&m_target, [&engines](SgNode *node) {
            node->AssignID();
            ForEachConnectedEngine(
                node,
                [](SgFieldMngr *container, void *data) {
                    if (!container->IsNode())
                        static_cast<std::set<SgFieldMngr *> *>(data)->insert(container);
                    return 0;
                },
                &engines);
        });
        for (SgFieldMngr *engine : engines)
            engine->AssignID();
    }

    void Take(SgFieldMngr *container)
    {
        SgRef<SgFieldMngr> hold(container);
        if (!container->IsNode()) {
            m_stream.Report(std::string("A ") + container->GetClassName() + " outside every connection is not kept",
                            "Warning");
            return;
        }
        auto *node = static_cast<SgNode *>(container);
        if (node->IsObject() || !node->IsGroup() || node->GetName() != kRootName) {
            // A layer table beside the root is as much the file's as one
            // inside it.
            if (auto *layers = dynamic_cast<SgLayers *>(node); layers && m_bReplace)
                TakeLayersNode(*layers);
            m_pending.emplace_back(node);
            m_bReceived = true;
            return;
        }
        // The scene root of the file: its children are what the file holds.
        auto *root = static_cast<SgGroup *>(node);
        const std::vector<SgNode *> children = root->GetChildList();
        std::vector<SgRef<SgNode>> held(children.begin(), children.end());
        root->Clear();
        for (SgRef<SgNode> &child : held) {
            auto *layers = dynamic_cast<SgLayers *>(child.get());
            if (m_bReplace) {
                if (layers)
                    TakeLayersNode(*layers);
                m_pending.push_back(child);
            } else if (layers) {
                m_readLayers.emplace_back(layers);
            } else if (!child->IsPropertyNode()) {
                // The inserted file's own materials, hints and environment
                // would change the look of the whole scene.
                m_pending.push_back(child);
                m_bReceived = true;
            }
        }
    }

    // The first layer table of a replacing file becomes the document's; any
    // further ones stay in the scene as the nodes they are, so that a save
    // writes back what was read.
    void TakeLayersNode(SgLayers &layers)
    {
        if (m_bLayersTaken)
            return;
        m_bLayersTaken = true;
        if (layers.GetName().empty())
            layers.SetName(kLayersName);
    }

    // Puts what was read so far into the scene; the first time, a replacing
    // read first clears the scene.
    void Commit()
    {
        if (!m_bCommitted) {
            m_bCommitted = true;
            if (m_bReplace) {
                m_document.DeselectAll();
                m_document.ClearScene(false);
            }
        }
        if (!m_readLayers.empty()) {
            for (SgRef<SgLayers> &layers : m_readLayers)
                MergeLayers(*layers);
            m_readLayers.clear();
            Renumber();
            // Objects that follow in the file are renumbered as they are read.
            m_stream.m_pLayerTable = &m_document.GetLayerMap();
        }
        for (SgRef<SgNode> &node : m_pending) {
            if (!m_target.AddChild(node.get()))
                m_stream.Report(std::string("A ") + node->GetClassName() + " could not be added to the scene",
                                "Warning");
        }
        m_pending.clear();
        if (&m_target == m_document.GetRoot())
            m_target.SetDocument(&m_document);
    }

    // The document's table is found (or made) once the whole file is in:
    // a default made at an earlier commit would stand beside the file's own.
    void Finish()
    {
        Commit();
        if (&m_target == m_document.GetRoot())
            m_document.EnsureLayersNode();
    }

    // Maps each layer of the file to the document's layer of that name, or to
    // a new layer appended with the file's flags.
    void MergeLayers(SgLayers &read)
    {
        SgLayers *layers = m_document.GetLayers();
        if (!layers)
            layers = m_document.EnsureLayersNode();
        std::vector<int> &map = m_document.GetLayerMap();
        map.clear();
        if (!layers)
            return;
        std::map<std::string, int> existing;
        for (int i = 0; i < layers->GetLayerCount(); ++i)
            existing[layers->GetLayerName(i)] = i;
        for (int i = 0; i < read.GetLayerCount(); ++i) {
            const std::string name = read.GetLayerName(i);
            auto found = existing.find(name);
            if (found != existing.end()) {
                map.push_back(found->second);
                continue;
            }
            const int index = layers->m_names.AddVal(name);
            layers->m_flags.SetValue(index, read.GetLayerFlags(i));
            map.push_back(index);
        }
    }

    void Renumber()
    {
        const std::vector<int> &map = m_document.GetLayerMap();
        for (SgRef<SgNode> &top : m_pending) {
            auto renumber = [&map](SgNode *node) {
                auto *object = node->IsObject() ? dynamic_cast<SgObject *>(node) : nullptr;
                if (!object)
                    return;
                const int layer = object->m_layer.Get(false);
                if (layer >= 0 && layer < static_cast<int>(map.size()))
                    object->m_layer = map[static_cast<size_t>(layer)];
            };
            renumber(top.get());
            ForEachBelow(top.get(), renumber);
        }
    }

    void ReadSection(const std::string &word)
    {
        if (word == "View")
            ReadViewSection();
        else if (word == "Layers")
            ReadLayersSection();
        else if (word == "Layout")
            ReadLayoutSection();
    }

    void ReadViewSection()
    {
        SgRef<SgSeparator> read[kMaxViewTrees];
        const int count = m_document.ReadView(m_stream, read, false);
        std::vector<SgRef<SgSeparator>> trees;
        for (int i = 0; i < count; ++i)
            trees.push_back(std::move(read[i]));
        if (m_stream.HasFailed() || trees.empty() || (!m_bReplace && m_bReceived))
            return;
        if (m_document.GetViewerCount() == 0 && !m_document.GetActiveViewer()) {
            m_document.KeepUnviewedTrees(std::vector<SgRef<SgNode>>(trees.begin(), trees.end()));
            return;
        }
        const int version = m_stream.m_nVersion;
        SgDocument::LayoutFn before = m_document.GetLayoutBefore();
        SgDocument::LayoutFn after = m_document.GetLayoutAfter();
        if (before || after) {
            if (before)
                before(m_document.GetLayoutContext());
            const SgLayoutNode *layout = m_document.GetLayoutRoot();
            int shown = std::min(layout ? layout->GetLeafCount() : 1, static_cast<int>(trees.size()));
            shown = std::min(shown, m_document.GetViewerCount());
            for (int i = 0; i < shown; ++i)
                m_document.ReplaceViewTree(trees[i].get(), m_document.GetViewer(i), version);
            if (after)
                after(m_document.GetLayoutContext());
        } else {
            m_document.ReplaceViewTree(trees.front().get(), nullptr, version);
        }
    }

    // "Layers" is also the keyword of the layer-table node, which the reader
    // would take it for; at the top of a document file, where the writer puts
    // no such node (it stands inside "ROOT"), it is the old section. The word
    // is looked at letter by letter and given back when it is another one:
    // no more than its six letters are ever taken back.
    bool AtLayersSection()
    {
        static const char kWord[] = "Layers";
        if (m_stream.PeekNonBlank() != kWord[0])
            return false;
        std::streambuf &text = *m_stream.m_pStream->rdbuf();
        size_t taken = 0;
        for (; kWord[taken]; ++taken) {
            if (m_stream.Peek() != kWord[taken])
                break;
            m_stream.Get();
        }
        if (!kWord[taken]) {
            const int next = m_stream.Peek();
            if (next == EOF || next == '{' || std::isspace(next))
                return true;
        }
        while (taken-- > 0)
            text.sungetc();
        return false;
    }

    // Older files list their layers in a section of their own.
    void ReadLayersSection()
    {
        SgLayers *layers = m_document.GetLayers();
        if (!layers)
            layers = m_document.EnsureLayersNode();
        if (!layers)
            return;
        layers->m_names.SetCount(0);
        layers->m_flags.SetCount(0);
        std::string word;
        for (;;) {
            if (!m_stream.ReadWord(word)) {
                if (!m_stream.HasFailed())
                    m_stream.Fail("The file ends inside the Layers section");
                break;
            }
            if (word[0] == '}')
                break;
            CLayer layer;
            if (!SgOpenAction::ReadQuotedString(m_stream, layer.name)) {
                if (!m_stream.HasFailed())
                    m_stream.Fail("The Layers section is damaged: a layer name is missing");
                break;
            }
            int flag = 0;
            if (!m_stream.ReadWord(word) || !ParseNumber(word, flag)) {
                if (!m_stream.HasFailed())
                    m_stream.Fail("The Layers section is damaged: the flag of " + Vrml1InStream::Echo(layer.name) +
                                  " is no number");
                break;
            }
            layer.flags = flag ? 1 : 0;
            m_document.AddLayer(layer);
        }
        if (m_document.GetLayerCount() == 0)
            m_document.AddLayer(CLayer{0, kFirstLayer});
    }

    // The layout is read aside and only installed when it is whole.
    void ReadLayoutSection()
    {
        SgLayoutNode read;
        LayoutReader reader(m_stream);
        if (!reader.Read(read, 0))
            return;
        m_document.ResetLayout();
        if (SgLayoutNode *layout = m_document.GetLayoutRoot())
            CopyLayout(read, *layout);
    }

    SgDocument &m_document;
    Vrml1InStream &m_stream;
    const bool m_bReplace;
    SgSeparator &m_target;
    std::vector<SgRef<SgNode>> m_pending;
    std::vector<SgRef<SgLayers>> m_readLayers;
    bool m_bCommitted = false;
    bool m_bReceived = false;
    bool m_bLayersTaken = false;
};

// Where the first bytes of a stream say it is no scene text.
int SniffContainer(std::istream &stream, const char *name)
{
    const std::istream::pos_type start = stream.tellg();
    unsigned char head[4] = {};
    std::streamsize got = 0;
    if (start != std::istream::pos_type(-1)) {
        stream.read(reinterpret_cast<char *>(head), sizeof head);
        got = stream.gcount();
        stream.clear();
        stream.seekg(start);
    } else if (stream.peek() != std::char_traits<char>::eof()) {
        // Cannot be rewound: one byte tells gzip, and a cabinet, which starts
        // with the same letter as no scene text, fails as text.
        head[0] = static_cast<unsigned char>(stream.peek());
        got = 1;
    }
    if (got >= 4 && std::memcmp(head, "MSCF", 4) == 0)
        return kCabinet;
    if ((got >= 2 && head[0] == 0x1F && head[1] == 0x8B) || (got == 1 && head[0] == 0x1F)) {
        ShowError(std::string(name ? name : "The file") +
                  " is compressed with gzip; unpack it and open the scene file inside");
        return kCompressed;
    }
    return kReadDone;
}

// The whole text goes to a new file beside the old one, which it replaces
// only once it is complete: a save that fails leaves the old file as it was.
// Hands what a stream is given straight on to a file, a block at a time, so
// that saving a scene never holds the whole text in memory.
class FileWriteBuffer : public std::streambuf {
public:
    explicit FileWriteBuffer(int fd) : m_fd(fd), m_block(kBlock) { setp(m_block.data(), m_block.data() + kBlock); }
    // 0 when every byte reached the file, else the errno of the failed write.
    int GetError() const { return m_error; }

protected:
    int_type overflow(int_type c) override
    {
        if (!Flush())
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return Flush() ? 0 : -1; }

private:
    static constexpr size_t kBlock = 64 * 1024;

    bool Flush()
    {
        const char *next = pbase();
        while (m_error == 0 && next < pptr()) {
            const ssize_t put = ::write(m_fd, next, static_cast<size_t>(pptr() - next));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                m_error = put < 0 ? errno : EIO;
            else
                next += put;
        }
        setp(m_block.data(), m_block.data() + kBlock);
        return m_error == 0;
    }

    int m_fd;
    std::vector<char> m_block;
    int m_error = 0;
};

// Writes a new file beside `path` through `write` and puts it in place of
// the old one only when everything was written: a failed save leaves the
// old file as it was.
bool WriteFileReplacing(const std::string &path, const std::function<bool(std::ostream &)> &write)
{
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = path + ".saving-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        ShowError("Cannot write " + path + ": " + std::strerror(errno));
        return false;
    }
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0)
        ::fchmod(fd, existing.st_mode & 07777);
    FileWriteBuffer buffer(fd);
    std::ostream out(&buffer);
    const bool written = write(out) && out.flush().good();
    const int error = buffer.GetError();
    const bool closed = ::close(fd) == 0;
    if (!written) {
        // The writer has told what went wrong with the scene itself; a
        // failure of the file is said here.
        if (error != 0)
            ShowError("Cannot write " + path + ": " + std::strerror(error));
        ::unlink(temporary.c_str());
        return false;
    }
    if (!closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        ShowError("Cannot write " + path + ": " + std::strerror(errno));
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool IsLayoutOnly(const char *kind)
{
    return kind && std::strcmp(kind, kLayoutOnly) == 0;
}

} // namespace

// ---- SgDocumentFiles ------------------------------------------------------------------

const char *SgDocumentFiles::Describe(int result)
{
    switch (result) {
    case kReadDone:
        return "read";
    case kNothingRead:
        return "could not be read";
    case kCabinet:
        return "is a cabinet archive, not scene text";
    case kCompressed:
        return "is compressed with gzip";
    case kIncomplete:
        return "breaks off after the scene";
    default:
        return "could not be read";
    }
}

std::string SgDocumentFiles::BypassCache(const std::string &url, int64_t count)
{
    const bool hasQuery = url.size() > 1 && url.find('?', 1) != std::string::npos;
    return url + (hasQuery ? "" : "?") + "&abc=" + std::to_string(count);
}

// ---- Opening ---------------------------------------------------------------------------

int SgDocument::OpenFile(const char *name, bool replace, SgNode *parent)
{
    if (!name || !*name)
        return kNothingRead;
    if (std::strlen(name) > kMaxNameLength) {
        ShowError("The name is too long to be opened (more than " + std::to_string(kMaxNameLength) +
                  " characters)");
        return kNothingRead;
    }

    // A scene that came from an address or out of a cabinet has no file of
    // the user's behind it: a later Save must ask where to go, never write
    // into the download cache or a folder that is gone.
    bool fromElsewhere = false;
    std::string local = name;
    if (UrlDownloader::IsUrl(local)) {
        std::string address = local;
        if (m_bCachedDownload == 0)
            address = BypassCache(address, GetClock().Milliseconds());
        UrlDownloader::Options options;
        options.useCached = m_bCachedDownload != 0;
        const UrlDownloader::Result download = UrlDownloader::Download(address, options);
        if (!download) {
            ShowError("Cannot download " + std::string(name) + ": " +
                      (download.reason.empty() ? download.error : download.reason));
            return kNothingRead;
        }
        local = download.file.string();
        fromElsewhere = true;
    }

    int result = kNothingRead;
    {
        SgKeyPoint keyPoint(this);
        const std::string previousName = m_fileName;
        result = ReadFile(local.c_str(), replace, parent);
        if (result == kCabinet) {
            SgCabinetExtractor extractor;
            const SgCabinetExtractor::Result unpacked = extractor.Extract(local);
            if (!unpacked) {
                ShowError("Cannot open the cabinet " + unpacked.error);
                result = kNothingRead;
            } else {
                m_cabinetPath = unpacked.file.string();
                result = ReadFile(m_cabinetPath.c_str(), replace, parent);
                m_cabinetPath.clear();
                if (result == kCabinet) {
                    ShowError(std::string(name) + " holds another cabinet, which is not opened");
                    result = kNothingRead;
                }
            }
            fromElsewhere = true;
        }
        if (replace && fromElsewhere)
            m_fileName = result == kReadDone || result == kIncomplete ? std::string() : previousName;
    }
    Refresh(1);
    return result;
}

int SgDocument::ReadFile(const char *path, bool replace, SgNode *parent)
{
    if (!path || !*path)
        return kNothingRead;
    if (parent && !IsSeparatorNode(parent)) {
        ShowError(std::string("A scene can only be inserted into a separator, not into a ") + parent->GetClassName());
        return kNothingRead;
    }
    // A folder opens as a stream here and fails only at the first read,
    // with the library's wording.
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        ShowError(std::string("Cannot open ") + path + ": it is a folder, not a scene file");
        return kNothingRead;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        ShowError(std::string("Cannot open ") + path + ": " + std::strerror(errno));
        return kNothingRead;
    }
    const int result = ReadFileStream(file, path, replace, static_cast<SgSeparator *>(parent));
    if (replace && (result == kReadDone || result == kIncomplete))
        m_fileName = path;
    return result;
}

namespace {

// Reads of at least this many bytes say how far they got (a window shows it
// on its status line); a smaller scene is read before anyone could look.
constexpr uint64_t kSceneReadProgressFromBytes = 1 << 20;

// The bytes left in a stream that can tell its size; 0 for one that cannot.
uint64_t SceneStreamBytesLeft(std::istream &stream)
{
    const std::istream::pos_type start = stream.tellg();
    if (start == std::istream::pos_type(-1))
        return 0;
    stream.seekg(0, std::ios::end);
    const std::istream::pos_type end = stream.tellg();
    stream.clear();
    stream.seekg(start);
    return end > start ? static_cast<uint64_t>(end - start) : 0;
}

} // namespace

int SgDocument::ReadFileStream(std::istream &stream, const char *name, bool replace, SgSeparator *target)
{
    // Replacing puts the file's scene under the root, whatever the target.
    SgSeparator *into = replace || !target ? m_root.get() : target;
    if (!into)
        return kNothingRead;
    const int kind = SniffContainer(stream, name);
    if (kind != kReadDone)
        return kind;

    // Loading is no edit: nothing of it goes on the undo list. Formulas read
    // now belong to this document's interpreter, and a load is a unit of
    // work of its own.
    SgUndoRecordingPause pause(this);
    LispContextScope lisp(GetLispContext());
    LispStartWorkUnit(m_lispContext);
    SgRef<SgSeparator> keepTarget(into);
    std::optional<SgWorkProgress> progress;
    if (const uint64_t bytes = SceneStreamBytesLeft(stream); bytes >= kSceneReadProgressFromBytes)
        progress.emplace("Reading scene", bytes);
    Vrml1InStream in(stream, name ? name : "", this);
    if (progress)
        in.SetProgress(&*progress);
    SceneRead read(*this, in, replace, *into);
    int result = kNothingRead;
    try {
        result = read.Run();
    } catch (const std::exception &error) {
        ShowError(std::string(name ? name : "The scene") + " could not be read: " + error.what());
        result = read.HasChangedScene() ? kIncomplete : kNothingRead;
    }
    m_layerMap.clear();
    if (result == kReadDone || result == kIncomplete) {
        // External files are found (and fetched) now, never while drawing.
        SgExternalFileLoader::Prepare(*this, into, name ? name : "");
        RedrawAllViewers(nullptr);
        // The undo list of a replaced scene names nodes that are gone.
        if (replace)
            ResetUndo();
    }
    return result;
}

void SgDocument::KeepUnviewedTrees(std::vector<SgRef<SgNode>> trees)
{
    m_unviewedTrees = std::move(trees);
}

// `trees` has room for kMaxViewTrees entries.
int SgDocument::ReadView(Vrml1InStream &stream, SgRef<SgSeparator> *trees, bool keyword)
{
    std::string word;
    if (keyword && (!stream.ReadWord(word) || word != "View"))
        return 0;
    if (!stream.ReadWord(word)) {
        if (!stream.HasFailed())
            stream.Fail("The file ends inside the View section");
        return 0;
    }
    if (word != "{") {
        stream.Fail("The View section is damaged: a { is missing");
        return 0;
    }
    int count = 0;
    while (!stream.HasFailed()) {
        const int next = stream.PeekNonBlank();
        if (next == EOF) {
            stream.Fail("The file ends inside the View section");
            break;
        }
        if (next == '}') {
            stream.Get();
            break;
        }
        SgFieldMngr *container = SgOpenAction::CreateObject(stream);
        if (!container) {
            if (stream.HasFailed() || stream.m_szWord.empty())
                continue;
            stream.Report("Unknown node type: " + Vrml1InStream::Echo(stream.m_szWord) + " (the block is skipped)", "Warning");
            if (!stream.SkipBracketed())
                stream.Fail("The file ends inside the " + Vrml1InStream::Echo(stream.m_szWord) + " block");
            continue;
        }
        SgRef<SgFieldMngr> hold(container);
        auto *node = container->IsNode() ? static_cast<SgNode *>(container) : nullptr;
        if (!IsSeparatorNode(node)) {
            stream.Report(std::string("A ") + container->GetClassName() + " in the View section is no view scene",
                          "Warning");
            continue;
        }
        if (count >= kMaxViewTrees)
            continue; // more views than a layout shows
        trees[count] = static_cast<SgSeparator *>(node);
        ++count;
    }
    return count;
}

// ---- Saving -----------------------------------------------------------------------------

int SgDocument::Save(const char *path, const char *kind)
{
    if (!path || !*path)
        return 0;
    if (UrlDownloader::IsUrl(path)) {
        ShowError(std::string("Cannot save to an address: ") + path);
        return 0;
    }
    return WriteFileReplacing(path, [&](std::ostream &out) { return SaveStream(nullptr, &out, kind) != 0; }) ? 1 : 0;
}

int SgDocument::SaveStream(SgNode *root, std::ostream *stream, const char *kind)
{
    if (!stream)
        return 0;
    Vrml1Stream out(*stream);
    std::unique_ptr<SgSaveAction> sceneAction;
    if (!IsLayoutOnly(kind)) {
        SgNode *scene = root ? root : m_root.get();
        if (!scene)
            return 0;
        sceneAction = std::make_unique<SgSaveAction>(false);
        SgSaveAction &action = *sceneAction;
        action.SetStream(&out);
        action.WriteHeader(Vrml1Format::kWriterVersion);
        // The view section follows in the same text: what its trees share
        // with the scene is named there.
        std::vector<SgNode *> trees = SgViewerTreesToWrite(*this, true);
        if (trees.empty())
            for (const SgRef<SgNode> &tree : m_unviewedTrees)
                trees.push_back(tree.get());
        for (SgNode *tree : trees)
            action.AlsoWrites(tree);
        if (!action.Apply(scene)) {
            ShowError("The scene could not be written: " + action.GetError());
            return 0;
        }
        // After the scene, by the same action: the tracks name their nodes by
        // the ids the scene was written under.
        if (m_animationMngr)
            SgAnimationMngr::SaveScenario(&action, m_animationMngr.get());
    }
    out << "Layout\n";
    if (m_layout)
        WriteLayout(out, *m_layout);
    else
        WriteLayout(out, SgLayoutNode());
    SaveView(out, true, sceneAction.get());
    return stream->good() ? 1 : 0;
}

int SgDocument::SaveSelection(SgSelectionHandler *handler, const char *path)
{
    if (!handler || !path || !*path)
        return 0;
    const auto write = [&](std::ostream &text) {
        Vrml1Stream out(text);
        SgSaveAction action(false);
        action.SetStream(&out);
        action.WriteHeader(Vrml1Format::kWriterVersion);
        const SgPathList &selection = handler->GetPathList();
        for (POSITION position = selection.GetFirst(); position;) {
            SgPath selected = selection.GetNext(position);
            SgNode *last = selected.IsEmpty() ? nullptr : selected.GetLastElement();
            if (last && !action.Apply(last)) {
                ShowError("The selection could not be written: " + action.GetError());
                return false;
            }
        }
        return true;
    };
    return WriteFileReplacing(path, write) ? 1 : 0;
}
