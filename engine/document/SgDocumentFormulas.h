#pragma once
#include "engine/core/NodaraExport.h"
// Formulas follow the document that holds them: a parametric model that
// joins a document, and the LISP scripts upstream of a node that joins one,
// run in the document's interpreter from then on, whoever made them (a file
// read, which made them there already, a copy, the facade or a tool).
class SgDocument;
class SgNode;

NODARA_API void SgBindFormulasToDocument(SgDocument *document, SgNode *node);
