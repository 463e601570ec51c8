#pragma once
// What the tests of the document's files share: a private folder per test, a
// notifier that keeps the messages instead of printing them, documents that
// go away on their own, and cabinets built byte by byte.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/document/SgDocument.h"
#include "platform/Notifier.h"

namespace DocumentFileTest {

namespace fs = std::filesystem;

struct DocumentDeleter {
    void operator()(SgDocument *document) const { SgDocument::Destroy(document); }
};
using DocumentPtr = std::unique_ptr<SgDocument, DocumentDeleter>;

inline DocumentPtr NewDocument()
{
    return DocumentPtr(SgDocument::Create());
}

// Keeps every message the code under test shows and answers with the default.
class RecordingNotifier : public Notifier {
public:
    RecordingNotifier() : m_previous(SetNotifier(this)) {}
    ~RecordingNotifier() override { SetNotifier(m_previous); }
    RecordingNotifier(const RecordingNotifier &) = delete;
    RecordingNotifier &operator=(const RecordingNotifier &) = delete;

    int Message(const std::string &text, const std::string &, Buttons buttons, Icon) override
    {
        m_messages.push_back(text);
        return DefaultAnswer(buttons);
    }

    const std::vector<std::string> &Messages() const { return m_messages; }
    std::string All() const
    {
        std::string all;
        for (const std::string &message : m_messages)
            all += message + "\n";
        return all;
    }

private:
    Notifier *m_previous;
    std::vector<std::string> m_messages;
};

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const std::string &value) : m_name(name)
    {
        if (const char *saved = std::getenv(name))
            m_saved = saved;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (m_saved)
            ::setenv(m_name, m_saved->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    const char *m_name;
    std::optional<std::string> m_saved;
};

// A folder of the test's own, also used as TMPDIR so that whatever the code
// unpacks can be seen and must be gone afterwards.
class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "document-files-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        if (!m_path.empty())
            fs::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    const fs::path &Path() const { return m_path; }
    fs::path operator/(const std::string &name) const { return m_path / name; }

    // Names of everything in the folder (one level), sorted.
    std::vector<std::string> Entries(const fs::path &sub = {}) const
    {
        std::vector<std::string> names;
        std::error_code ignored;
        for (const auto &entry : fs::directory_iterator(m_path / sub, ignored))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    fs::path m_path;
};

inline std::string ReadAll(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteAll(const fs::path &file, const std::string &bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The document's scene as the writer gives it (scene and sections).
inline std::string SavedText(SgDocument &document, const char *kind = "kvrx")
{
    std::ostringstream out;
    EXPECT_EQ(document.SaveStream(nullptr, &out, kind), 1);
    return out.str();
}

// An uncompressed cabinet ("MSCF", format 1.3) with one folder that holds the
// members one after the other, in data blocks of at most 32768 bytes.
inline std::string MakeCabinet(const std::vector<std::pair<std::string, std::string>> &members)
{
    auto u16 = [](std::string &out, uint32_t v) {
        out.push_back(static_cast<char>(v & 0xFF));
        out.push_back(static_cast<char>((v >> 8) & 0xFF));
    };
    auto u32 = [&u16](std::string &out, uint32_t v) {
        u16(out, v & 0xFFFF);
        u16(out, v >> 16);
    };
    const size_t kBlock = 32768;
    std::string data;
    std::string files;
    for (const auto &[name, bytes] : members) {
        u32(files, static_cast<uint32_t>(bytes.size()));
        u32(files, static_cast<uint32_t>(data.size()));
        u16(files, 0);      // folder
        u16(files, 0x5821); // 2024-01-01
        u16(files, 0);      // midnight
        u16(files, 0x20);   // archive attribute
        files += name;
        files.push_back('\0');
        data += bytes;
    }
    std::string blocks;
    uint32_t blockCount = 0;
    for (size_t at = 0; at < data.size(); at += kBlock) {
        const size_t size = std::min(kBlock, data.size() - at);
        u32(blocks, 0); // no checksum
        u16(blocks, static_cast<uint32_t>(size));
        u16(blocks, static_cast<uint32_t>(size));
        blocks.append(data, at, size);
        ++blockCount;
    }
    const uint32_t headerSize = 36;
    const uint32_t folderSize = 8;
    const uint32_t filesAt = headerSize + folderSize;
    const uint32_t blocksAt = filesAt + static_cast<uint32_t>(files.size());
    const uint32_t total = blocksAt + static_cast<uint32_t>(blocks.size());
    std::string cab = "MSCF";
    u32(cab, 0);
    u32(cab, total);
    u32(cab, 0);
    u32(cab, filesAt);
    u32(cab, 0);
    cab.push_back(3); // minor version
    cab.push_back(1); // major version
    u16(cab, 1);      // folders
    u16(cab, static_cast<uint32_t>(members.size()));
    u16(cab, 0); // flags
    u16(cab, 0); // set id
    u16(cab, 0); // index in the set
    u32(cab, blocksAt);
    u16(cab, blockCount);
    u16(cab, 0); // stored, not compressed
    return cab + files + blocks;
}

} // namespace DocumentFileTest
