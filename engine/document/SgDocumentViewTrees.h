#pragma once
// The view trees of a document's viewers that a save writes in its view
// section, in its order (the shown layout's viewers, each's first
// viewport's tree). Declared here for the writer of the scene, which names
// what those trees share with it; the viewer layer implements it beside
// SgDocument::SaveView.
#include <vector>
#include "engine/core/NodaraExport.h"

class SgDocument;
class SgNode;

NODARA_API std::vector<SgNode *> SgViewerTreesToWrite(const SgDocument &document, bool allViewers);
