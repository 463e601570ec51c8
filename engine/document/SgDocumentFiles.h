#pragma once
// What the document's file operations (SgDocument::OpenFile, ReadFile,
// ReadFileStream, Save; engine/document/SgDocumentFiles.cpp) answer, and the
// limits and address rule they share.
#include <cstddef>
#include <cstdint>
#include <string>
#include "engine/core/NodaraExport.h"

namespace SgDocumentFiles {

// The read results. A caller tests for kReadDone; every other value is a
// failure whose messages the user has been shown.
enum Result : int {
    kReadDone = -1,    // the whole file was read
    kNothingRead = 0,  // missing, unreadable, no scene text, a failed download: the scene is unchanged
    kCabinet = -2,     // ReadFile met a cabinet; OpenFile unpacks it first
    kCompressed = -3,  // gzip-compressed: nothing was read
    kIncomplete = -4,  // the scene was read, but a section after it broke off
};

// One line for a result, for callers that print a single error.
NODARA_API const char *Describe(int result);

// Longer names are not opened (the local-name buffer of the format holds 512
// characters with its terminator).
inline constexpr size_t kMaxNameLength = 511;
// View trees kept per View section; further ones are read and let go.
inline constexpr int kMaxViewTrees = 16;
// A layout tree deeper or larger than this is damaged, not a screen layout.
inline constexpr int kMaxLayoutDepth = 16;
inline constexpr int kMaxLayoutNodes = 1024;

// The address with the query that makes every download a fresh one: "?"
// unless the address already holds one after its first character, then
// "&abc=" and the count.
NODARA_API std::string BypassCache(const std::string &url, int64_t count);

} // namespace SgDocumentFiles
