// Every input kept for a fuzz target, run through the target's own entry
// without libFuzzer: the corpus it starts from, and the inputs that once
// crashed it (fuzz/regressions/<target>/), so a fault mended stays mended.
// Under the sanitizer build the same run checks every access.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/FuzzEntries.h"

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> KeptInputs(const std::string &target)
{
    std::vector<fs::path> inputs;
    for (const char *kind : {"corpus", "regressions"}) {
        const fs::path folder = fs::path(FENNIX_SOURCE_DIR) / "fuzz" / kind / target;
        if (!fs::is_directory(folder))
            continue;
        for (const auto &entry : fs::directory_iterator(folder))
            if (entry.is_regular_file())
                inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

std::vector<fuzzentry::Entry> AllEntries()
{
    size_t count = 0;
    const fuzzentry::Entry *entries = fuzzentry::Entries(&count);
    return {entries, entries + count};
}

class FuzzReplay : public ::testing::TestWithParam<fuzzentry::Entry> {};

} // namespace

TEST_P(FuzzReplay, KeptInputsRunThroughTheEntry)
{
    const fuzzentry::Entry entry = GetParam();
    const std::vector<fs::path> inputs = KeptInputs(entry.name);
    EXPECT_FALSE(inputs.empty()) << "no corpus kept for " << entry.name;
    for (const fs::path &path : inputs) {
        SCOPED_TRACE(path.string());
        std::ifstream file(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        EXPECT_EQ(entry.run(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size()), 0);
    }
    // The empty input too: a fuzzer tries it first.
    EXPECT_EQ(entry.run(nullptr, 0), 0);
}

// The generator writes scenes, not bytes: from the kept choices it makes
// blocks of the registered classes with their fields, names and DEF/USE.
TEST(FuzzSceneGrammar, ChoicesMakeSceneText)
{
    std::string all;
    for (const fs::path &path : KeptInputs("scene_grammar")) {
        std::ifstream file(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        all += fuzzentry::SceneGrammarText(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    }
    for (const char *word : {"#VRML V1.0 ascii", "Separator {", "DEF ", "USE ", "NodeName", "Transform", "#"})
        EXPECT_NE(all.find(word), std::string::npos) << word << " in\n" << all.substr(0, 2000);
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::ValuesIn(AllEntries()),
                         [](const ::testing::TestParamInfo<fuzzentry::Entry> &info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '_', 'X');
                             return name;
                         });
