#pragma once
// Reads an STL file, binary or ASCII, into an indexed face set with its own
// coordinates: one face per facet, corners closer than the tolerance shared.
#include <string>
#include "facade/DrevonExport.h"

class SgNode;

namespace drevon {

// Files with more facets than this are refused rather than read into memory.
inline constexpr int kMaxStlFacets = 50'000'000;

// A new face set (no reference held), or null with a message when the file
// is missing, no STL, or empty. A tolerance of 0 or less shares only equal
// corners.
DREVON_API SgNode *ReadStlFile(const char *path, double tolerance);

// The facet count of a file as the STL library reads it, or -1 when it
// cannot; `error` says why.
DREVON_API int CountStlFacets(const std::string &path, std::string *error = nullptr);

} // namespace drevon
