#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "platform/SgDiagHandler.h"
#include "platform/SgError.h"
#include "platform/Settings.h"

namespace fs = std::filesystem;

namespace {

// Points XDG_CONFIG_HOME and HOME at a private temporary folder for the test
// and puts both back afterwards.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedConfig = Saved("XDG_CONFIG_HOME");
        m_savedHome = Saved("HOME");
        std::string pattern = (fs::temp_directory_path() / "settings-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_root = pattern;
        ::setenv("XDG_CONFIG_HOME", (m_root / "config").c_str(), 1);
        ::setenv("HOME", (m_root / "home").c_str(), 1);
    }

    void TearDown() override
    {
        Restore("XDG_CONFIG_HOME", m_savedConfig);
        Restore("HOME", m_savedHome);
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }

    fs::path SettingsFile() const { return m_root / "config" / "3RUruver" / "settings.ini"; }

    static std::string ReadFile(const fs::path &file)
    {
        std::ifstream in(file);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static void WriteFile(const fs::path &file, const std::string &text)
    {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text;
    }

    fs::path m_root;

private:
    static std::optional<std::string> Saved(const char *name)
    {
        const char *value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    }
    static void Restore(const char *name, const std::optional<std::string> &value)
    {
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }

    std::optional<std::string> m_savedConfig, m_savedHome;
};

} // namespace

TEST_F(SettingsTest, MissingFileGivesTheDefault)
{
    EXPECT_EQ(Settings::Get("Texture_path", "none"), "none");
    EXPECT_FALSE(fs::exists(SettingsFile())) << "reading must not create the file";
}

TEST_F(SettingsTest, SetCreatesTheFolderAndTheValueReadsBack)
{
    ASSERT_TRUE(Settings::Set("Texture_path", "/home/u/textures;C:\\tex=old"));
    EXPECT_EQ(Settings::FilePath(), SettingsFile());
    EXPECT_EQ(ReadFile(SettingsFile()), "Texture_path=/home/u/textures;C:\\tex=old\n");
    EXPECT_EQ(Settings::Get("Texture_path"), "/home/u/textures;C:\\tex=old");
}

TEST_F(SettingsTest, SetReplacesItsKeyAndKeepsEveryOtherLine)
{
    WriteFile(SettingsFile(), "; written by hand\r\n[3RUruver]\r\nOther=1\r\nTexture_path = /old\r\nTexture_path=/older\r\n");
    ASSERT_TRUE(Settings::Set("Texture_path", "/new"));
    EXPECT_EQ(ReadFile(SettingsFile()), "; written by hand\n[3RUruver]\nOther=1\nTexture_path=/new\n");
    EXPECT_EQ(Settings::Get("Other"), "1");

    for (const auto &entry : fs::directory_iterator(SettingsFile().parent_path()))
        EXPECT_EQ(entry.path().filename(), "settings.ini") << "left behind: " << entry.path();
}

TEST_F(SettingsTest, KeysAreExactAndAnEmptyValueIsAValue)
{
    ASSERT_TRUE(Settings::Set("Texture_path", ""));
    EXPECT_EQ(Settings::Get("Texture_path", "default"), "");
    EXPECT_EQ(Settings::Get("texture_path", "default"), "default");
}

TEST_F(SettingsTest, HomeConfigIsUsedWithoutAnAbsoluteXdgConfigHome)
{
    for (const char *config : {static_cast<const char *>(nullptr), "relative/config"}) {
        if (config)
            ::setenv("XDG_CONFIG_HOME", config, 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
        EXPECT_EQ(Settings::FilePath(), m_root / "home" / ".config" / "3RUruver" / "settings.ini")
            << "XDG_CONFIG_HOME=" << (config ? config : "(unset)");
    }
}

TEST_F(SettingsTest, UnstorableKeysAndValuesAreRefusedAndNothingIsWritten)
{
    const std::pair<const char *, const char *> cases[] = {
        {"", "x"}, {"a=b", "x"}, {"line\nbreak", "x"}, {" padded", "x"}, {"Texture_path", "two\nlines"},
    };
    for (const auto &[key, value] : cases)
        EXPECT_THROW(Settings::Set(key, value), SgInvalidArgument) << "key \"" << key << "\"";
    EXPECT_FALSE(fs::exists(SettingsFile()));
}

TEST_F(SettingsTest, UnwritableFolderIsAFailureNotACrash)
{
    // A file where the folder should be.
    WriteFile(m_root / "config" / "3RUruver", "not a folder");
    SgDiagCapture capture;
    EXPECT_FALSE(Settings::Set("Texture_path", "/x"));
    EXPECT_EQ(capture.Count("Settings"), 1);
    EXPECT_TRUE(capture.Contains("Settings: cannot write")) << capture.GetText();
    EXPECT_EQ(Settings::Get("Texture_path", "default"), "default");
}
