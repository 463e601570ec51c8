// The solid node's GL render visitor: draws the node's solid through the
// kernel's drawing routine with the render action's vertex-array builder.
#include <exception>
#include <unordered_set>

#include "engine/core/SgModifierStack.h"
#include "engine/core/SgStateAccessors.h"
#include "engine/render/SgGLRenderAction.h"
#include "engine/render/SgGLStateReads.h"
#include "platform/SgDiagnostics.h"
#include "solids/GmGeom.h"
#include "solids/SgSolvane.h"
#include "solids/render/GmDraw.h"

using namespace solvane;

namespace {
// The smooth-type value that asks for smooth shading.
constexpr int kSmoothShading = 3;

void ReportNotDrawn(SgNode *node, const char *why)
{
    static std::unordered_set<const SgNode *> reported;
    if (!reported.insert(node).second)
        return;
    SgDiagWarning("GLRenderAction", "%s%s%s not drawn: %s", node->GetClassName(), node->GetName().empty() ? "" : " ",
                  node->GetName().c_str(), why);
}
}  // namespace

void SgSolvane::VisitGLRender(SgAction *action, SgNode *node)
{
    auto *solid = static_cast<SgSolvane *>(node);
    if (SgModifierStack::TraverseModified(action, solid))
        return;
    if (action->GetClassID() != SgGLRenderAction::ClassID())
        return;
    auto *render = static_cast<SgGLRenderAction *>(action);
    if (!render->InCurrentPass())
        return;
    GmGeom *geom = solid->GetGeom();
    if (!geom || geom->faceCount() == 0)
        return;
    const int names = render->PushShapeNames(node);
    try {
        SgGLStateReads::TextureSource units[SgGLStateReads::kMaxUnits];
        GmDrawSettings settings;
        settings.textureEnabled = GetTextureEnable(action);
        settings.textureFuncType = GetTextureFuncType(action);
        settings.smooth = GetActionSmoothType(action) == kSmoothShading;
        settings.textureUnitCount = SgGLStateReads::TextureSources(action, units);
        settings.textureUnits = units;
        settings.vertexArray = render->GetVertexArray();
        GmDrawRequest request;
        request.edgeFlags = render->m_bEdgeFlags;
        GmDrawGeom(settings, request, *geom);
    } catch (const std::exception &error) {
        ReportNotDrawn(node, error.what());
    }
    render->PopNames(names);
}
