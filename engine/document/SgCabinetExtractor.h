#pragma once
// Unpacks the one scene file of a cabinet archive ("MSCF") in process, into a
// folder of its own that only this user can read and that goes when the
// extractor does.
//
// A cabinet may come from anywhere (a download, a mail), so it is treated as
// hostile: no outside program runs, the cabinet must hold exactly one member
// and no part of a cabinet set, the member is written under a fixed name of
// ours (never the name the archive suggests), and its size and the time
// spent unpacking are capped. The cabinet itself is only read: it is never
// renamed, moved or written.
#include <cstdint>
#include <filesystem>
#include <string>
#include "engine/core/NodaraExport.h"

class NODARA_API SgCabinetExtractor {
public:
    static constexpr int64_t kMaxMemberBytes = int64_t(256) * 1024 * 1024;
    static constexpr int64_t kMaxMilliseconds = 60 * 1000;
    // The name the member is written under inside the private folder.
    static constexpr const char *kMemberName = "scene.kvrx";

    struct Result {
        bool ok = false;
        std::filesystem::path file; // the unpacked member when ok
        std::string error;          // one line saying why, when not ok
        explicit operator bool() const { return ok; }
    };

    SgCabinetExtractor() = default;
    SgCabinetExtractor(const SgCabinetExtractor &) = delete;
    SgCabinetExtractor &operator=(const SgCabinetExtractor &) = delete;
    // Removes the private folder and everything unpacked into it.
    ~SgCabinetExtractor();

    // Unpacks the cabinet's one member. Never throws. One extractor unpacks
    // once; a second call is refused.
    Result Extract(const std::filesystem::path &cabinet);
    Result Extract(const std::filesystem::path &cabinet, int64_t maxBytes, int64_t maxMilliseconds);

    // The private folder; empty before Extract made it and after it was removed.
    const std::filesystem::path &GetFolder() const { return m_folder; }

private:
    bool MakeFolder(std::string &error);
    void RemoveFolder();

    std::filesystem::path m_folder;
    bool m_bUsed = false;
};
