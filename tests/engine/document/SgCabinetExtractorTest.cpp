// Cabinet scenes: unpacked in process into a private folder that goes away,
// one member only, within caps, and the user's cabinet is never touched.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgCabinetExtractor.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgDocumentFiles.h"
#include "tests/engine/document/DocumentFileTestSupport.h"

using namespace DocumentFileTest;

namespace {

// Every test gets its own folder, with TMPDIR below it so that whatever is
// unpacked can be checked and must be gone afterwards.
class CabinetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_folder.Path().empty());
        fs::create_directory(m_folder / "tmp");
        m_tmp.emplace("TMPDIR", (m_folder / "tmp").string());
    }

    std::string Scene(const char *objectName)
    {
        DocumentPtr source = NewDocument();
        SgRef<SgObject> object(new SgObject(true, true));
        object->SetName(objectName);
        source->GetRoot()->AddChild(object.get());
        return SavedText(*source);
    }

    fs::path Put(const std::string &name, const std::string &bytes)
    {
        const fs::path file = m_folder / name;
        WriteAll(file, bytes);
        return file;
    }

    std::vector<std::string> Unpacked() const { return m_folder.Entries("tmp"); }

    TempFolder m_folder;
    std::optional<ScopedEnv> m_tmp;
    RecordingNotifier m_notifier;
};

} // namespace

TEST_F(CabinetTest, ACabinetSceneOpensAndTheCabinetIsLeftUntouched)
{
    const std::string cabinet = MakeCabinet({{"whatever name.kvrx", Scene("from cabinet")}});
    const fs::path file = Put("scene.cab", cabinet);
    DocumentPtr document = NewDocument();

    ASSERT_EQ(document->OpenFile(file.c_str(), true), SgDocumentFiles::kReadDone) << m_notifier.All();
    EXPECT_NE(document->FindNode("from cabinet"), nullptr);
    EXPECT_EQ(ReadAll(file), cabinet) << "the user's cabinet was changed";
    EXPECT_EQ(m_folder.Entries(), (std::vector<std::string>{"scene.cab", "tmp"}))
        << "files were renamed or left beside the cabinet";
    EXPECT_TRUE(Unpacked().empty()) << "the unpacked scene was left behind";
    EXPECT_EQ(document->GetFileName(), "") << "a later Save would write to " << document->GetFileName();
    EXPECT_EQ(document->GetCabinetPath(), "");
}

TEST_F(CabinetTest, CabinetsThatAreNotOneSceneAreRefusedAndChangeNothing)
{
    const std::string scene = Scene("never");
    struct Case {
        const char *what;
        std::string bytes;
    };
    const Case cases[] = {
        {"two members", MakeCabinet({{"a.kvrx", scene}, {"b.kvrx", scene}})},
        {"no member", MakeCabinet({})},
        {"a cabinet inside the cabinet", MakeCabinet({{"inner.cab", MakeCabinet({{"s.kvrx", scene}})}})},
        {"a cabinet cut short", MakeCabinet({{"a.kvrx", scene}}).substr(0, 60)},
        {"a member that is no scene", MakeCabinet({{"a.kvrx", "not a scene\n"}})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path file = Put("bad.cab", c.bytes);
        DocumentPtr document = NewDocument();
        document->SetFileName("mine.kvrx");
        const std::string before = SavedText(*document);
        EXPECT_EQ(document->OpenFile(file.c_str(), true), SgDocumentFiles::kNothingRead);
        EXPECT_EQ(SavedText(*document), before);
        EXPECT_EQ(document->GetFileName(), "mine.kvrx");
        EXPECT_EQ(ReadAll(file), c.bytes);
        EXPECT_TRUE(Unpacked().empty());
    }
}

TEST_F(CabinetTest, ExtractorKeepsToItsSizeAndTimeCaps)
{
    const fs::path file = Put("big.cab", MakeCabinet({{"a.kvrx", std::string(100, 'x')}}));
    {
        SgCabinetExtractor extractor;
        const SgCabinetExtractor::Result result = extractor.Extract(file, 99, SgCabinetExtractor::kMaxMilliseconds);
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.error.find("larger"), std::string::npos) << result.error;
    }
    {
        SgCabinetExtractor extractor;
        const SgCabinetExtractor::Result result = extractor.Extract(file, SgCabinetExtractor::kMaxMemberBytes, -1);
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.error.find("too long"), std::string::npos) << result.error;
    }
    {
        SgCabinetExtractor extractor;
        const SgCabinetExtractor::Result result = extractor.Extract(file);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(ReadAll(result.file), std::string(100, 'x'));
        EXPECT_EQ(result.file.filename(), SgCabinetExtractor::kMemberName)
            << "the member was written under the name the archive chose";
        EXPECT_EQ(fs::status(result.file.parent_path()).permissions() & fs::perms::all, fs::perms::owner_all)
            << "the folder is not private";
        EXPECT_FALSE(extractor.Extract(file).ok) << "one extractor unpacked twice";
    }
    EXPECT_TRUE(Unpacked().empty());
}

TEST_F(CabinetTest, LargeSceneSpanningManyDataBlocksIsUnpackedWhole)
{
    std::string big;
    while (big.size() < 100000)
        big += "line " + std::to_string(big.size()) + "\n";
    const fs::path file = Put("many.cab", MakeCabinet({{"a.kvrx", big}}));
    SgCabinetExtractor extractor;
    const SgCabinetExtractor::Result result = extractor.Extract(file);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(ReadAll(result.file), big);
}
