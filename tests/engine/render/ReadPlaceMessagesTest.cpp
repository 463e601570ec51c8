// Messages about a node that come after the read (a texture that cannot be
// loaded when drawn, faces left out when normals are made) lead with the
// file and line that gave the node, as the reader's own messages do; a node
// made otherwise has no place to give.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "engine/actions/SgOpenAction.h"
#include "engine/actions/Vrml1InStream.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/geometry/SgNormalGenerator.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgTexture2D.h"
#include "engine/render/SgTextureManager.h"
#include "platform/SgDiagHandler.h"
#include "tests/engine/core/TestNodes.h"

namespace {

template <class T>
T *Find(SgGroup *group)
{
    for (SgNode *child : group->GetChildList()) {
        if (auto *match = dynamic_cast<T *>(child))
            return match;
        if (child->IsGroup())
            if (T *inner = Find<T>(static_cast<SgGroup *>(child)))
                return inner;
    }
    return nullptr;
}

void MakeNormals(SgIndexedFaceSet *mesh)
{
    SgNormalGenerator *generator = mesh->getNormalGenerator();
    SgVecField<Vec3, 7> *points = mesh->GetCoordinates(nullptr);
    ASSERT_NE(points, nullptr);
    generator->SetInput(mesh->m_coordIndex.GetCount(), mesh->m_coordIndex.GetValues().data(), points->GetCount(),
                        points->GetValues().data());
    generator->GenerateFaceNormals();
}

} // namespace

TEST(ReadPlaceMessagesTest, TextureAndNormalMessagesNameTheLineOfTheirNode)
{
    InitTestClasses();
    const std::string text = "#VRML V1.0 ascii 102\n"
                             "Separator {\n"
                             "  Texture2 { filename \"no_such_texture_here.bmp\" }\n"
                             "  Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0 ] }\n"
                             "\n"
                             "  IndexedFaceSet { coordIndex [ 0, 1, 2, -1, 0, 9, 1, -1 ] }\n"
                             "}\n";
    std::istringstream in(text);
    Vrml1InStream stream(in, "scene.kvrx");
    stream.SetNotifyUser(false);
    SgRef<SgSeparator> root = new SgSeparator;
    ASSERT_TRUE(SgOpenAction::ReadScene(stream, *root)) << stream.FormatMessages();
    auto *texture = Find<SgTexture2D>(root.get());
    auto *mesh = Find<SgIndexedFaceSet>(root.get());
    ASSERT_NE(texture, nullptr);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(texture->GetReadPlace(), "scene.kvrx:3");
    EXPECT_EQ(mesh->GetReadPlace(), "scene.kvrx:6");
    auto *points = Find<SgCoordinate3>(root.get());
    ASSERT_NE(points, nullptr);
    mesh->m_coord = NodePtr(points);

    SgDiagCapture capture;
    SgTextureManager manager;
    std::string name = "no_such_texture_here.bmp";
    manager.GetImage(name, nullptr, nullptr, texture);
    EXPECT_TRUE(capture.Contains("scene.kvrx:3: SgTextureManager: the texture")) << capture.GetText();
    capture.Clear();
    MakeNormals(mesh);
    EXPECT_TRUE(capture.Contains("scene.kvrx:6: SgNormalGenerator: 1 faces")) << capture.GetText();

    // Made by code: nothing to lead with.
    SgRef<SgIndexedFaceSet> made = new SgIndexedFaceSet;
    EXPECT_EQ(made->GetReadPlace(), "");
    EXPECT_EQ(made->GetReadPlacePrefix(), "");
}
