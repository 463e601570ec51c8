#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "control/FennixControl.h"
#include "platform/Settings.h"
#include "platform/SgDiagHandler.h"
#include "tests/control/ControlTestSupport.h"

using namespace fennix;

namespace {

// Settings in a folder of the test's own.
class PropertiesTest : public controltest::ControlTest {
protected:
    controltest::ConfigHomeOfItsOwn m_home{"fennix-props"};
};

} // namespace

TEST_F(PropertiesTest, SavedPropertiesComeBackAndNameTheOpenScene)
{
    Create();
    const std::string scene = (m_home.Folder() / "saved.kvrx").string();
    {
        std::ofstream out(scene);
        out << m_control.Call("SaveToString", {}).value.text;
    }
    // Opened the way a menu opens it: FileName does not know yet.
    m_control.GetFacade()->GetFiles().OpenFile(scene.c_str(), true);
    ASSERT_TRUE(m_control.Properties().fileName.empty());
    m_control.Properties().bgColor = 0xFFFFFF;
    m_control.Properties().toolBarConfig = 7;
    m_control.Properties().clientFrame = 3;
    ASSERT_TRUE(m_control.SaveProperties());

    FennixControl other;
    other.LoadProperties();
    EXPECT_EQ(other.Properties().fileName, m_control.GetFacade()->GetCurrentFile())
        << "the scene a method opened is the one saved";
    EXPECT_FALSE(other.Properties().fileName.empty());
    EXPECT_EQ(other.Properties().bgColor, 0xFFFFFFu);
    EXPECT_EQ(other.Properties().toolBarConfig, 7);
    EXPECT_EQ(other.Properties().clientFrame, 3);
    EXPECT_EQ(other.Properties().cacheLoadedUrl, 1);
}

TEST_F(PropertiesTest, BadStoredNumbersKeepTheDefaultsAndALineBreakSavesNothing)
{
    ASSERT_TRUE(Settings::Set("FennixCtrl.BGColor", "white"));
    ASSERT_TRUE(Settings::Set("FennixCtrl.ClientFrame", "70000"));
    ASSERT_TRUE(Settings::Set("FennixCtrl.ToolBarConfig", "12abc"));
    FennixControl other;
    other.LoadProperties();
    EXPECT_EQ(other.Properties().bgColor, 0xFFFFu);
    EXPECT_EQ(other.Properties().clientFrame, -1);
    EXPECT_EQ(other.Properties().toolBarConfig, 0);

    SgDiagCapture capture;
    other.Properties().cookies = "a\nb";
    other.Properties().bgColor = 5;
    EXPECT_FALSE(other.SaveProperties());
    EXPECT_EQ(Settings::Get("FennixCtrl.BGColor"), "white") << "nothing half-saved";
}
