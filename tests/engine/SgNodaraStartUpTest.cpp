// The checked start-up: it prints nothing, every visitor an action writes by
// class name found its class or waits for a class known to be still missing,
// every class comes after its parent, and each fixed capacity of the class
// registry keeps room for the subsystems still to come.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <sstream>
#include <string>
#include <vector>

#include "engine/SgNodara.h"
#include "engine/core/RxFunc.h"
#include "engine/core/SgAction.h"
#include "engine/core/SgElement.h"
#include "engine/core/SgField.h"
#include "engine/core/SgFieldMngr.h"
#include "engine/core/SgNamedClass.h"
#include "engine/core/SgState.h"
#include "tests/engine/EngineTestEnvironment.h"
#include "tests/engine/actions/ActionTestNodes.h"
#include "tests/engine/core/TestNodes.h"

namespace {

// Node classes that the standard actions already give visitors by name and
// that later work adds. When one of them is built, its visitor resolves and
// it comes off this list.
// Empty now: every class the actions name is built.
constexpr std::array<const char *, 0> kClassesNotBuiltYet{};

bool IsNotBuiltYet(const std::string &name)
{
    return std::any_of(std::begin(kClassesNotBuiltYet), std::end(kClassesNotBuiltYet),
                       [&](const char *listed) { return name == listed; });
}

// What the subsystems still to come register, estimated generously: tools,
// the solid kernel (about 30 node and engine classes), modifiers (about 20),
// dialogs, the facade and the control make about 120 classes, all counted
// here as field containers; about 10 more actions; and the elements they
// read, which the render action may enable every one of.
constexpr int kNodeClassesToCome = 120;
constexpr int kActionClassesToCome = 10;
constexpr int kElementClassesToCome = 20;
// A class of the solid kernel or a modifier with a few more fields than the
// largest class so far.
constexpr int kFieldsToComeOnTheLargestClass = 8;
constexpr int kFieldClassesToCome = 10;
constexpr int kFunctionClassesToCome = 10;

// The node classes the engine's start-up registered: the test classes follow
// them, TestShape first.
int EngineNodeClassCount()
{
    return TestShape::ClassID() - SgFieldMngr::GetBase();
}

// The field count of the largest class the engine can create, and its name.
std::pair<int, std::string> LargestFieldTable()
{
    std::pair<int, std::string> largest{0, ""};
    for (int offset = 0; offset < EngineNodeClassCount(); ++offset) {
        SgFieldMngr *object = SgFieldMngr::Create(offset + SgFieldMngr::GetBase());
        if (!object)
            continue;
        // Built twice: the second construction closes the class's field table.
        SgFieldMngr *second = SgFieldMngr::Create(offset + SgFieldMngr::GetBase());
        if (object->GetFieldsCount() > largest.first)
            largest = {object->GetFieldsCount(), object->GetClassName()};
        SgFieldMngr::Destroy(second);
        SgFieldMngr::Destroy(object);
    }
    return largest;
}

int MostElementsEnabledByOneAction()
{
    int most = 0;
    for (int id = SgAction::kFirstClassID; id < SgAction::ClassIDCounter; ++id) {
        SgAction *action = SgAction::Create(id);
        if (!action)
            continue;
        most = std::max(most, action->GetEnabledElementCount());
        SgAction::Destroy(action);
    }
    return most;
}

TEST(SgNodaraStartUpTest, StartUpPrintsNothing)
{
    EXPECT_EQ(EngineStartUpOutput(), "") << "the engine's start-up wrote to stdout or stderr";
    EXPECT_EQ(TestClassRegistrationOutput(), "") << "registering the test classes wrote to stdout or stderr";
}

TEST(SgNodaraStartUpTest, EveryVisitorByNameResolvedOrAwaitsAClassNotBuiltYet)
{
    for (const std::string &name : StartUpUnresolvedVisitorNames())
        EXPECT_TRUE(IsNotBuiltYet(name)) << "an action gives a visitor to node class \"" << name
                                         << "\", which is not registered and not on the list of classes "
                                            "not built yet: a misspelt name, or a class the start-up misses";
    for (const char *name : kClassesNotBuiltYet) {
        EXPECT_EQ(SgFieldMngr::GetClassIDFromName(name), 0)
            << name << " is registered now: take it off the list of classes not built yet";
        EXPECT_NE(std::find(StartUpUnresolvedVisitorNames().begin(), StartUpUnresolvedVisitorNames().end(), name),
                  StartUpUnresolvedVisitorNames().end())
            << "no action asks for " << name << " by name any more: take it off the list";
    }
}

// Code that names a class of a higher layer by its string declares the name
// (SgNamedClass): once the engine has started, each names a registered class
// of its family, so no lookup answers 0 for a misspelt or missing class.
TEST(SgNodaraStartUpTest, EveryClassNamedByStringIsRegistered)
{
    ASSERT_FALSE(SgNamedClass::All().empty());
    for (const SgNamedClass *named : SgNamedClass::All())
        EXPECT_NE(named->ClassID(), 0) << (named->GetFamily() == SgNamedClass::kNode ? "node" : "action")
                                       << " class \"" << named->GetName()
                                       << "\" is named by string but not registered: misspelt, or the "
                                          "start-up misses it";
    // What the check would catch: a misspelt name is listed, and finds nothing.
    {
        const SgNamedClass misspelt(SgNamedClass::kNode, "SgMoveToool");
        EXPECT_EQ(misspelt.ClassID(), 0);
        EXPECT_EQ(SgNamedClass::All().back(), &misspelt);
    }
    for (const SgNamedClass *named : SgNamedClass::All())
        EXPECT_STRNE(named->GetName(), "SgMoveToool") << "a name leaves the list with its declaration";
}

// Visitor tables and kind tests walk the parent links from low offsets to
// high: a class registered before its parent would inherit nothing.
TEST(SgNodaraStartUpTest, EveryClassRegistersAfterItsParent)
{
    struct Family {
        const char *name;
        int count;
        int (*parent)(int offset);
    } families[] = {
        {"field containers", SgFieldMngr::GetClassCount(), [](int offset) { return SgFieldMngr::GetParent(offset); }},
        {"state elements", SgElement::GetClassCount(),
         [](int offset) { return SgElement::Family().GetParent(offset); }},
    };
    for (const Family &family : families) {
        ASSERT_GT(family.count, 0) << family.name;
        EXPECT_EQ(family.parent(0), 0) << "the root of the " << family.name << " is its own parent";
        for (int offset = 1; offset < family.count; ++offset)
            EXPECT_LT(family.parent(offset), offset) << family.name << ": class at offset " << offset
                                                     << " registered before its parent";
    }
}

TEST(SgNodaraStartUpTest, EveryCapacityKeepsRoomForTheClassesStillToCome)
{
    // The whole test binary's classes count: the engine's, the tests' and
    // LateProbe, which its own test registers later.
    const int nodeClasses = SgFieldMngr::GetClassCount() + (LateProbe::ClassID() ? 0 : 1);
    const auto [largestFieldCount, largestClass] = LargestFieldTable();
    const struct Capacity {
        std::string what;
        int used;
        int toCome;
        int capacity;
    } capacities[] = {
        {"field-container classes", nodeClasses, kNodeClassesToCome, SgFieldMngr::kMaxClasses},
        {"field-container names and creators", nodeClasses, kNodeClassesToCome, SgFieldMngr::Family().Capacity()},
        {"node classes in a visitor table", nodeClasses, kNodeClassesToCome, SgAction::kVisitorTableSize},
        {"fields of one class (" + largestClass + ")", largestFieldCount, kFieldsToComeOnTheLargestClass,
         SgFieldMngr::kMaxFields},
        {"action classes with a visitor table", SgAction::GetClassCount(), kActionClassesToCome,
         SgAction::kMaxClasses},
        {"action class names and creators", SgAction::GetClassCount(), kActionClassesToCome,
         SgAction::kMaxNamedClasses},
        {"state element classes", SgElement::GetClassCount(), kElementClassesToCome, SgElement::kMaxClasses},
        {"element slots of a state", SgElement::GetClassCount(), kElementClassesToCome, SgState::kMaxSlots},
        {"elements one action enables", MostElementsEnabledByOneAction(), kElementClassesToCome,
         SgAction::kMaxEnabledElements},
        {"field classes", SgField::GetClassCount(), kFieldClassesToCome, SgField::Family().Capacity()},
        {"function-object classes", RxFunc::GetClassCount(), kFunctionClassesToCome, RxFunc::Family().Capacity()},
    };
    std::ostringstream table;
    for (const Capacity &c : capacities)
        table << c.what << ": " << c.used << " used + " << c.toCome << " to come of " << c.capacity << "\n";
    for (const Capacity &c : capacities) {
        EXPECT_GT(c.used, 0) << c.what << " counts nothing: the check has lost its subject";
        EXPECT_LE(c.used + c.toCome, c.capacity) << c.what << " leaves no room for what is still to come\n"
                                                 << table.str();
    }
}

} // namespace
