#pragma once
// The load-time half of external file nodes: after a scene is read, each
// SgExternalFile under it gets the file its import will read. A relative
// name is looked up beside the scene file; an address is downloaded (with
// the progress display, through the document's cache rule) only when the
// document allows remote content, which it does not unless its host says
// so. Nothing is fetched while the scene is drawn.
#include <string>
#include "engine/core/NodaraExport.h"

class SgDocument;
class SgNode;

namespace SgExternalFileLoader {

// Returns the number of external file nodes given a file.
NODARA_API int Prepare(SgDocument &document, SgNode *root, const std::string &sceneFile);

} // namespace SgExternalFileLoader
