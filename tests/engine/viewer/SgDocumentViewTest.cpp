// The document and its viewers: the default viewer, the viewer list, and the
// "View" section that keeps each viewer's camera scene in the scene file.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgDocumentFiles.h"
#include "engine/viewer/SgViewer.h"
#include "engine/render/SgViewport.h"
#include "engine/nodes/properties/SgBackground.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgLight.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/SgError.h"

namespace {

struct DocumentDeleter {
    void operator()(SgDocument *document) const { SgDocument::Destroy(document); }
};
using DocumentPtr = std::unique_ptr<SgDocument, DocumentDeleter>;

TEST(SgDocumentViewerTest, DefaultViewerShowsTheRootThroughItsCameraScene)
{
    DocumentPtr document(SgDocument::Create());
    SgViewer *viewer = document->CreateDefaultViewer(nullptr, nullptr);
    ASSERT_EQ(document->GetViewerCount(), 1);
    EXPECT_EQ(document->GetViewer(0), viewer);
    EXPECT_EQ(viewer->EnumViewer(), 0);
    EXPECT_EQ(viewer->GetDocument(), document.get());
    EXPECT_EQ(viewer->GetScene(), document->GetRoot());
    ASSERT_EQ(viewer->GetViewportCount(), 1);
    SgViewport *viewport = viewer->GetViewport(0);
    SgSeparator *view = viewport->GetNodara();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->GetChild(view->GetNumChildren() - 1), document->GetRoot()) << "the scene is the view's last child";
    EXPECT_NE(viewport->GetCamera(), nullptr);
    EXPECT_NE(viewport->GetBackground(), nullptr);
    EXPECT_NE(viewport->GetHeadLight(), nullptr);
    EXPECT_NE(viewport->GetGraphTransform1(), nullptr);
    EXPECT_NE(viewport->GetGraphTransform2(), nullptr);
    EXPECT_EQ(viewport->GetCameraTransform()->m_translation.Get(true)[2], 5.0);
    EXPECT_EQ(static_cast<SgDirLight *>(viewport->GetHeadLight())->m_direction.Get(true)[0], 1.0);
    EXPECT_THROW(viewer->GetViewport(1), SgInvalidArgument);

    delete viewer;
    EXPECT_EQ(document->GetViewerCount(), 0) << "a deleted viewer leaves the list";
}

TEST(SgDocumentViewerTest, ViewerOutlivesItsDocument)
{
    DocumentPtr document(SgDocument::Create());
    SgViewer *viewer = document->CreateDefaultViewer(nullptr, nullptr);
    document.reset();
    EXPECT_EQ(viewer->GetDocument(), nullptr);
    EXPECT_EQ(viewer->EnumViewer(), -1);
    delete viewer; // must not reach the document that is gone
}

TEST(SgDocumentViewerTest, ViewSectionKeepsTheCameraAndBackground)
{
    std::string text;
    {
        DocumentPtr document(SgDocument::Create());
        SgViewer *viewer = document->CreateDefaultViewer(nullptr, nullptr);
        SgViewport *viewport = viewer->GetViewport(0);
        viewport->GetCameraTransform()->m_translation.Set(Vec3(1, 2, 30));
        viewport->GetBackground()->m_color1.Set(Color(0.25f, 0.5f, 0.75f, 1));
        viewport->GetGraphTransform1()->m_rotation.Set(Rotation(Vec3(0, 0, 1), 0.5));
        std::ostringstream out;
        ASSERT_EQ(document->SaveStream(nullptr, &out, "kvrx"), 1);
        text = out.str();
        delete viewer;
    }
    const size_t view = text.find("\nView {\n");
    ASSERT_NE(view, std::string::npos);
    EXPECT_EQ(text.find("NodeName\t\"ROOT\"", view), std::string::npos) << "the scene is not written again";

    DocumentPtr document(SgDocument::Create());
    SgViewer *viewer = document->CreateDefaultViewer(nullptr, nullptr);
    std::istringstream in(text);
    ASSERT_EQ(document->ReadFileStream(in, "view.kvrx", true), SgDocumentFiles::kReadDone);
    SgViewport *viewport = viewer->GetViewport(0);
    const Vec3 camera = viewport->GetCameraTransform()->m_translation.Get(true);
    EXPECT_EQ(camera[2], 30.0);
    EXPECT_EQ(camera[0], 1.0);
    EXPECT_FLOAT_EQ(viewport->GetBackground()->m_color1.Get(true)[2], 0.75f);
    EXPECT_NEAR(viewport->GetGraphTransform1()->m_rotation.Get(true).GetAngle(), 0.5, 1e-9);
    SgSeparator *tree = viewport->GetNodara();
    EXPECT_EQ(tree->GetChild(tree->GetNumChildren() - 1), document->GetRoot()) << "the read view shows the scene";
    EXPECT_NE(viewport->GetMaterial(), nullptr);
    delete viewer;
}

} // namespace
