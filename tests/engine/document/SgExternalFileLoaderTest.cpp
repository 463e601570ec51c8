// External files at load time: a relative name is found beside the scene
// file, an address is not fetched while remote content is off (the default),
// and nothing is fetched when the shape is drawn.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "engine/SgNodara.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgDocumentFiles.h"
#include "engine/nodes/geometry/SgExternalFile.h"
#include "platform/SgDiagHandler.h"
#include "tests/engine/document/DocumentFileTestSupport.h"

namespace {

using namespace DocumentFileTest;

SgExternalFile *FindExternal(SgNode *node)
{
    if (auto *external = dynamic_cast<SgExternalFile *>(node))
        return external;
    for (int i = 0; node && i < node->GetNumChildren(); ++i)
        if (SgExternalFile *found = FindExternal(node->GetChild(i)))
            return found;
    return nullptr;
}

void WriteFile(const fs::path &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace

TEST(ExternalFileLoader, RelativeNamesAreFoundBesideTheSceneAndAddressesWaitForPermission)
{
    SgNodara::Init();
    TempFolder folder;
    WriteFile(folder / "part.stl", "solid part\nendsolid part\n");
    struct Case {
        const char *filename;
        bool allowRemote;
        std::string expected;
    };
    const Case cases[] = {
        {"part.stl", false, (folder / "part.stl").string()},
        {"missing.stl", false, ""},
        {"http://127.0.0.1:9/part.stl", false, ""},
        {"www.example.invalid/part.stl", false, ""},
    };
    for (const Case &c : cases) {
        const fs::path scene = folder / "scene.kvrx";
        WriteFile(scene, std::string("#VRML V1.0 ascii 102\nSeparator {\nExternalFile {\n\tfilename \"") + c.filename +
                             "\"\n}\n}\n");
        DocumentPtr document(SgDocument::Create());
        document->SetRemoteContentAllowed(c.allowRemote);
        SgDiagCapture capture;
        ASSERT_EQ(document->OpenFile(scene.string().c_str(), true), SgDocumentFiles::kReadDone) << c.filename;
        SgExternalFile *external = FindExternal(document->GetRoot());
        ASSERT_NE(external, nullptr) << c.filename;
        EXPECT_EQ(external->GetLocalFile(), c.expected) << c.filename;
        if (SgExternalFile::IsRemoteName(c.filename)) {
            EXPECT_TRUE(capture.Contains("remote content is off")) << capture.GetText();
        }
    }
    DocumentPtr fresh(SgDocument::Create());
    EXPECT_FALSE(fresh->IsRemoteContentAllowed()) << "remote content is off by default";
}

namespace {
SgNode *ImportNothing(const char *, SgDocument *, double)
{
    return nullptr;
}
} // namespace

// A file that cannot be shown says so once, naming the file: missing, or of
// a format no importer reads. A file an importer takes says nothing here.
TEST(ExternalFileLoader, EachFileThatCannotBeShownGivesOneMessageNamingIt)
{
    SgNodara::Init();
    TempFolder folder;
    WriteFile(folder / "part.stl", "solid part\nendsolid part\n");
    struct Case {
        const char *filename;
        bool withImporter;
        const char *message; // null: none
    };
    const Case cases[] = {
        {"part.stl", false, "part.stl: no importer for stl"},
        {"missing.stl", false, "missing.stl: file not found"},
        {"missing.stl", true, "missing.stl: file not found"},
        {"part.stl", true, nullptr},
    };
    for (const Case &c : cases) {
        SgExternalFile::ClearFormats();
        if (c.withImporter)
            SgExternalFile::AddFormat("stl", &ImportNothing);
        const fs::path scene = folder / "scene.kvrx";
        WriteFile(scene, std::string("#VRML V1.0 ascii 102\nSeparator {\nExternalFile {\n\tfilename \"") + c.filename +
                             "\"\n}\n}\n");
        DocumentPtr document(SgDocument::Create());
        SgDiagCapture capture;
        ASSERT_EQ(document->OpenFile(scene.string().c_str(), true), SgDocumentFiles::kReadDone) << c.filename;
        if (c.message) {
            EXPECT_EQ(capture.Count("ExternalFile"), 1) << c.filename << ": " << capture.GetText();
            EXPECT_TRUE(capture.Contains(c.message)) << capture.GetText();
        } else {
            EXPECT_EQ(capture.Count("ExternalFile"), 0) << capture.GetText();
        }
    }
    SgExternalFile::ClearFormats();
}
