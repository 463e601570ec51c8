#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "engine/core/SgAttributeManager.h"
#include "engine/nodes/geometry/SgExtrude.h"
#include "platform/SgError.h"

namespace {

struct DefinitionCase {
    int type;
    const char *defaultText;
    const char *typeText;
    const char *readBack;
    unsigned int size;
};

} // namespace

TEST(SgAttributeManager, DefaultsAreStoredByTypeAndReadBackInTheirTextForm)
{
    const DefinitionCase cases[] = {
        {0, "1.5", "float", "1.500000", 4},
        {0, "not a number", "float", "0.000000", 4},
        {0, "1e300", "float", "inf", 4}, // beyond a float: infinity, never undefined narrowing
        {1, "-42", "int", "-42", 4},
        {1, "4294967297", "int", "1", 4}, // only 32 bits are kept
        {2, "123456", "long", "123456", 4},
        {3, "70000", "short", "4464", 2}, // low 16 bits
        {3, "40000", "short", "-25536", 2}, // sign-extended on the way back
        {4, "Path 1", "string", "Path 1", 7},
        {4, "", "string", "", 1},
        {5, "12", "", "", 0},
        {-1, "12", "", "", 0},
    };
    SgAttributeManager manager;
    for (const DefinitionCase &c : cases) {
        std::string name = "attr" + std::to_string(manager.GetCount());
        int index = manager.AddAttribute(name, c.type, c.defaultText);
        std::string what = "type " + std::to_string(c.type) + ", default \"" + c.defaultText + "\"";
        EXPECT_EQ(manager.GetAttributeName(index), name) << what;
        EXPECT_EQ(manager.GetAttributeType(index), c.type) << what;
        EXPECT_EQ(manager.GetAttributeTypeAsString(index), c.typeText) << what;
        EXPECT_EQ(manager.GetAttributedefaultValueAsString(index), c.readBack) << what;
        EXPECT_EQ(manager.GetAttributeSize(index), c.size) << what;
    }
}

TEST(SgAttributeManager, BinaryDefaultsHoldTheStoredValues)
{
    SgAttributeManager manager;
    int f = manager.AddAttribute("f", 0, "2.25");
    int s = manager.AddAttribute("s", 3, "70000");
    int text = manager.AddAttribute("LoftCurve", 4, "curve");

    float fValue;
    std::memcpy(&fValue, manager.GetAttributeDefaultValue(f), sizeof fValue);
    EXPECT_EQ(fValue, 2.25f);
    int16_t sValue;
    std::memcpy(&sValue, manager.GetAttributeDefaultValue(s), sizeof sValue);
    EXPECT_EQ(sValue, 4464);
    EXPECT_STREQ(static_cast<const char *>(manager.GetAttributeDefaultValue(text)), "curve");
}

TEST(SgAttributeManager, AddingAKnownNameReturnsItsIndexAndChangesNothing)
{
    SgAttributeManager manager;
    int first = manager.AddAttribute("LoftCurve", 4, "");
    int second = manager.AddAttribute("LoftCurve", 1, "7");
    EXPECT_EQ(second, first);
    EXPECT_EQ(manager.GetCount(), 1);
    EXPECT_EQ(manager.GetAttributeType(first), 4) << "the first definition must stay";

    EXPECT_EQ(manager.AddAttribute("loftcurve", 4, ""), 1) << "names keep their letter case";
}

TEST(SgAttributeManager, IndicesPastTheEndGiveEmptyAnswersAndNegativeOnesThrow)
{
    SgAttributeManager manager;
    manager.AddAttribute("Weight", 0, "1");
    const int past = manager.GetCount();

    EXPECT_TRUE(manager.IsExist(0));
    EXPECT_FALSE(manager.IsExist(past));
    EXPECT_FALSE(manager.IsExist(-1)) << "a negative index never names a definition";

    EXPECT_EQ(manager.GetAttributeName(past), "");
    EXPECT_EQ(manager.GetAttributeType(past), -1);
    EXPECT_EQ(manager.GetAttributeSize(past), SgAttributeManager::kNoSize);
    EXPECT_EQ(manager.GetAttributeTypeAsString(past), "");
    EXPECT_EQ(manager.GetAttributedefaultValueAsString(past), "");
    EXPECT_STREQ(static_cast<const char *>(manager.GetAttributeDefaultValue(past)), "");

    EXPECT_THROW(manager.GetAttributeName(-1), SgInvalidArgument);
    EXPECT_THROW(manager.GetAttributeType(-1), SgInvalidArgument);
    EXPECT_THROW(manager.GetAttributeSize(-1), SgInvalidArgument);
    EXPECT_THROW(manager.GetAttributeTypeAsString(-1), SgInvalidArgument);
    EXPECT_THROW(manager.GetAttributedefaultValueAsString(-1), SgInvalidArgument);
    EXPECT_THROW(manager.GetAttributeDefaultValue(-1), SgInvalidArgument);
}

TEST(SgAttributeManager, SingletonIsRemadeAfterItIsDeleted)
{
    SgAttributeManager *manager = SgAttributeManager::GetAttributeManager();
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(SgAttributeManager::GetAttributeManager(), manager);
    int index = manager->AddAttribute("SingletonTestOnly", 1, "3");
    EXPECT_EQ(manager->GetAttributedefaultValueAsString(index), "3");

    SgAttributeManager::DeleteAttributeManager();
    SgAttributeManager *renewed = SgAttributeManager::GetAttributeManager();
    ASSERT_NE(renewed, nullptr);
    EXPECT_EQ(renewed->GetCount(), 0) << "a deleted table must not be handed out again";
    // The start-up's attributes went with the deleted table: put them back
    // for the tests that run after this one in the same process.
    SgExtrude::RegisterLoftCurveAttribute();
}
