#pragma once
// A document with one windowless viewer drawing into an offscreen context of
// its own: the way the host draws a scene, from the document's default view
// (camera 5 units up the z axis looking at the origin, head light, default
// background) down to the shapes.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgDocumentFiles.h"
#include "engine/render/SgTextureManager.h"
#include "engine/viewer/SgViewer.h"
#include "engine/render/SgViewport.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/properties/SgBackground.h"
#include "engine/nodes/properties/SgLightModel.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "platform/gl/OffscreenGLContext.h"

namespace viewertest {

// Red, green, blue bytes; a type of this namespace so that test messages can print it.
struct Pixel : std::array<int, 3> {};

inline std::ostream &operator<<(std::ostream &out, const Pixel &p)
{
    return out << "(" << p[0] << ", " << p[1] << ", " << p[2] << ")";
}

// Software rasterisers round colours: a few steps of slack.
inline ::testing::AssertionResult Near(const Pixel &got, const Pixel &want, int tolerance = 6)
{
    for (int i = 0; i < 3; ++i) {
        if (std::abs(got[i] - want[i]) > tolerance)
            return ::testing::AssertionFailure() << "got " << got << " instead of " << want;
    }
    return ::testing::AssertionSuccess();
}

template <int Width, int Height>
class ViewerFixtureT : public ::testing::Test {
protected:
    static constexpr int kWidth = Width;
    static constexpr int kHeight = Height;

    void SetUp() override
    {
        ASSERT_TRUE(m_context.MakeCurrent());
        m_document = SgDocument::Create();
        ASSERT_NE(m_document, nullptr);
        m_document->SetTextureMngrFactory(&SgTextureManager::DocumentFactory);
        m_viewer = m_document->CreateDefaultViewer(nullptr, nullptr);
        ASSERT_NE(m_viewer, nullptr);
        m_viewer->SetSize(kWidth, kHeight);
    }

    void TearDown() override
    {
        delete m_viewer;
        SgDocument::Destroy(m_document);
    }

    SgViewport *Viewport() { return m_viewer->GetViewport(0); }
    SgSeparator *Root() { return m_document->GetRoot(); }

    // Draws without shading: shapes show their material's diffuse colour.
    void Unlit() { Viewport()->GetLightModel()->m_model.Set(0); }

    // An object of the document with a material of the colour and a cube.
    SgObject *AddCube(const Color &colour, double size = 2.0)
    {
        auto *object = new SgObject(true, true);
        auto *material = new SgMaterial;
        material->m_diffuseColor.SetVals(1, &colour);
        object->AddPropertyNode(material, false);
        auto *cube = new SgCube;
        cube->m_width.Set(size);
        cube->m_height.Set(size);
        cube->m_depth.Set(size);
        object->AddChild(cube);
        Root()->AddChild(object);
        return object;
    }

    // Opens a scene file with the text (after the header) as the document's
    // whole scene, as the host does: the file's root replaces the document's.
    void OpenScene(const std::string &text)
    {
        const std::filesystem::path file =
            std::filesystem::temp_directory_path() /
            ("viewer-scene-" + std::to_string(::getpid()) + "-" +
             std::to_string(reinterpret_cast<std::uintptr_t>(this)) + ".kvrx");
        {
            std::ofstream out(file);
            out << "#VRML V1.0 ascii\n" << text << "\n";
        }
        const int read = m_document->OpenFile(file.string().c_str(), true);
        std::filesystem::remove(file);
        ASSERT_EQ(read, SgDocumentFiles::kReadDone);
    }

    // The first pass of a frame, shown in the front image.
    void Render() { m_viewer->Render(false); }

    // A pixel of the front image, x and y from the bottom left.
    Pixel At(int x, int y)
    {
        const std::vector<unsigned char> &image = m_context.ReadFrontPixels();
        const size_t at = (static_cast<size_t>(y) * kWidth + x) * 4;
        return {image[at], image[at + 1], image[at + 2]};
    }
    Pixel Centre() { return At(kWidth / 2, kHeight / 2); }
    // A pixel of the colour buffer as GL holds it (the accumulated picture of
    // a printed frame is returned there).
    Pixel AtGL(int x, int y)
    {
        unsigned char p[4] = {};
        glFinish();
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return {p[0], p[1], p[2]};
    }

    Pixel BackgroundColour()
    {
        const Color c = Viewport()->GetBackground()->m_color1.Get(true);
        return {static_cast<int>(c[0] * 255.0f + 0.5f), static_cast<int>(c[1] * 255.0f + 0.5f),
                static_cast<int>(c[2] * 255.0f + 0.5f)};
    }

    OffscreenGLContext m_context{kWidth, kHeight};
    SgDocument *m_document = nullptr;
    SgViewer *m_viewer = nullptr;
};

} // namespace viewertest
