// The document's side of its viewers: making the default viewer, redrawing,
// passing changes to the scene managers, and the view trees that the "View"
// section of a scene file keeps.
#include <algorithm>
#include <functional>
#include <vector>

#include "engine/core/SgPath.h"
#include "engine/core/SgPathList.h"
#include "engine/actions/SgSaveAction.h"
#include "engine/actions/Vrml1Stream.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgDocumentViewTrees.h"
#include "engine/document/SgLayoutNode.h"
#include "engine/viewer/SgViewer.h"
#include "engine/render/SgViewport.h"
#include "engine/nodes/properties/SgBackground.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgLight.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "utilities/math/Color.h"

namespace {

// The direction a head light read from an old file carries, and the one the
// default view gives it.
const Vec3 kOldHeadLightDirection(0.0, 0.0, 1.0);

void ForEachBelow(SgNode *node, const std::function<void(SgNode *)> &visit)
{
    if (!node)
        return;
    visit(node);
    for (int i = 0; i < node->GetNumChildren(); ++i)
        ForEachBelow(node->GetChild(i), visit);
}

} // namespace

SgViewer *SgDocument::CreateDefaultViewer(void *window, SgSeparator *scene)
{
    auto *viewer = new SgViewer(window ? SgViewer::kWindow : SgViewer::kWindowless);
    AddViewer(viewer);
    viewer->SetScene(scene ? scene : GetRoot());
    viewer->SetDocument(this);
    viewer->BuildDefaultView();
    if (window)
        viewer->AttachWindow(window);
    return viewer;
}

void SgDocument::DetachViewers()
{
    const std::vector<SgViewer *> viewers = m_viewers;
    m_viewers.clear();
    for (SgViewer *viewer : viewers)
        viewer->SetDocument(nullptr);
}

void SgDocument::RedrawAllViewers(SgViewer *viewer)
{
    if (viewer) {
        viewer->Redraw(false);
        return;
    }
    const std::vector<SgViewer *> viewers = m_viewers;
    for (SgViewer *each : viewers)
        each->Redraw(false);
}

void SgDocument::UpdateSceneManager(SgNode *node)
{
    if (!node)
        return;
    NotifySceneChanged(node);
    if (m_viewers.empty())
        return;
    SgPathList changed;
    SgPath path;
    path.Append(node);
    changed.Add(path);
    const std::vector<SgViewer *> viewers = m_viewers;
    for (SgViewer *viewer : viewers)
        viewer->UpdateSceneManager(changed);
}

void SgDocument::ReplaceViewTree(SgSeparator *tree, SgViewer *viewer, int version)
{
    // Taken over: whatever happens below, the handle decides its fate.
    SgRef<SgSeparator> taken(tree);
    SgViewer *target = viewer ? viewer : m_pActiveViewer;
    if (!tree || !target || target->GetViewportCount() == 0)
        return;
    SgViewport *viewport = target->GetViewport(0);

    // A head light written by an old file shines along the view axis.
    ForEachBelow(tree, [](SgNode *node) {
        if (node->GetClassID() == SgDirLight::ClassID()) {
            auto *light = static_cast<SgDirLight *>(node);
            const Vec3 &direction = light->m_direction.Get(true);
            if (direction[0] == kOldHeadLightDirection[0] && direction[1] == kOldHeadLightDirection[1] &&
                direction[2] == kOldHeadLightDirection[2])
                light->m_direction.Set(SgViewer::HeadLightDirection());
        }
    });

    // Views of files older than the current arrangement are taken as they
    // stand: the conversion of their transforms is not carried out.
    (void)version;

    SgSeparator *scene = target->GetScene();
    if (scene) {
        // Into the new tree first: the scene must never be left without a holder.
        if (tree->IndexOf(scene) < 0)
            tree->AddChild(scene);
        SgSeparator *previous = viewport->GetNodara();
        if (previous && previous != tree && previous->IndexOf(scene) >= 0)
            previous->DeleteChild(scene);
    }
    viewport->SetNodara(tree);
    viewport->AdoptViewNodes();

    if (!viewport->GetBackground()) {
        auto *background = new SgBackground;
        if (tree->GetNumChildren() > 0)
            tree->AddChildBefore(background, tree->GetChild(0));
        else
            tree->AddChild(background);
    }
    if (!viewport->GetMaterial()) {
        auto *material = new SgMaterial;
        const Color unset(-1.0f, 0.0f, 0.0f, 1.0f);
        material->m_diffuseColor.SetVals(1, &unset);
        // Inert where it stands: before the scene, every material of the
        // scene replaces it; the view's draw modes override with it.
        SgNode *camera = viewport->GetCamera();
        SgNode *holder = nullptr;
        for (int i = 0; camera && i < tree->GetNumChildren(); ++i) {
            SgNode *child = tree->GetChild(i);
            if (child && child->IsGroup() && static_cast<SgGroup *>(child)->IndexOf(camera) >= 0)
                holder = child;
        }
        if (holder)
            static_cast<SgGroup *>(holder)->AddChild(material);
        else if (scene)
            tree->AddChildBefore(material, scene);
        else
            tree->AddChild(material);
    }
    viewport->AdoptViewNodes();
}

std::vector<SgNode *> SgViewerTreesToWrite(const SgDocument &document, bool allViewers)
{
    std::vector<SgViewer *> shown;
    if (allViewers) {
        const SgLayoutNode *layout = document.GetLayoutRoot();
        const int leaves = layout ? layout->GetLeafCount() : 1;
        const int count = std::min(leaves, document.GetViewerCount());
        for (int i = 0; i < count; ++i)
            shown.push_back(document.GetViewer(i));
    } else if (document.GetActiveViewer()) {
        shown.push_back(document.GetActiveViewer());
    }
    std::vector<SgNode *> trees;
    for (SgViewer *viewer : shown) {
        if (!viewer || viewer->GetViewportCount() == 0)
            continue;
        if (SgSeparator *tree = viewer->GetViewport(0)->GetNodara())
            trees.push_back(tree);
    }
    return trees;
}

void SgDocument::SaveView(Vrml1Stream &stream, bool allViewers, const SgSaveAction *scene)
{
    stream << "\nView {\n";
    // One file, one set of names: each tree goes on from the names the scene
    // and the trees before it were written under. The scene is written once,
    // before the sections: its root is left out of the view trees.
    SgSaveAction names(true);
    if (scene)
        names.ContinueNamesOf(*scene);
    std::vector<SgNode *> trees = SgViewerTreesToWrite(*this, allViewers);
    if (trees.empty())
        for (const SgRef<SgNode> &tree : m_unviewedTrees)
            trees.push_back(tree.get());
    for (SgNode *tree : trees) {
        SgSaveAction action(true);
        action.SetStream(&stream);
        action.ContinueNamesOf(names);
        action.Apply(tree);
        names.ContinueNamesOf(action);
    }
    stream << "}\n";
}
