#include "engine/document/SgDocumentFormulas.h"

#include "engine/core/SgField.h"
#include "engine/core/SgNode.h"
#include "engine/document/SgDocument.h"
#include "engine/engines/SgEngine.h"
#include "engine/engines/SgLispScript.h"
#include "engine/engines/SgParametric.h"

namespace {

bool DrivenByAModule(SgNode *node)
{
    const int count = node->GetFieldsCount();
    for (int i = 0; i < count; ++i) {
        SgField *field = node->GetFieldAddress(i);
        if (field && field->GetModuleSource())
            return true;
    }
    return false;
}

int BindScript(SgFieldMngr *engine, void *data)
{
    if (auto *script = dynamic_cast<SgLispScript *>(engine))
        script->BindLispContext(*static_cast<const LispContextRef *>(data));
    return 0;
}

} // namespace

void SgBindFormulasToDocument(SgDocument *document, SgNode *node)
{
    if (!document || !node)
        return;
    auto *model = dynamic_cast<SgParametricModel *>(node);
    const bool driven = DrivenByAModule(node);
    if (!model && !driven)
        return;
    const LispContextRef &context = document->GetLispContext();
    if (model)
        model->BindLispContext(context);
    if (driven)
        ForEachConnectedEngine(node, &BindScript, const_cast<LispContextRef *>(&context));
}
