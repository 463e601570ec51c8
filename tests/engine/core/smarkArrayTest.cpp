// The system's arrays: growth by doubling, checked indices, fixed capacity
// refused rather than overrun, and owning elements copied as values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/smarkArray.h"

TEST(FlexArrayTest, AppendsDoubleTheCapacityWhenFull)
{
    struct Case {
        int initial;
        int appends;
        std::vector<int> capacities; // after each append
    };
    const Case cases[] = {
        {0, 5, {2, 2, 4, 4, 8}},
        {10, 11, {10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 20}},
    };
    for (const Case &c : cases) {
        FlexArray<double> array(c.initial);
        for (int i = 0; i < c.appends; ++i) {
            array.Append(i * 0.5);
            EXPECT_EQ(array.GetCapacity(), c.capacities[i]) << "initial " << c.initial << ", append " << i + 1;
        }
        ASSERT_EQ(array.GetSize(), c.appends);
        for (int i = 0; i < c.appends; ++i)
            EXPECT_EQ(array[i], i * 0.5) << "element " << i << " lost in growth from " << c.initial;
    }
}

TEST(FlexArrayTest, SetSizeBeyondCapacityGivesTwiceTheSize)
{
    FlexArray<int> array(10);
    array.SetSize(15);
    EXPECT_EQ(array.GetSize(), 15);
    EXPECT_EQ(array.GetCapacity(), 30);
    EXPECT_EQ(array[14], 0) << "new elements are value-initialised";
    array.SetSize(3);
    EXPECT_EQ(array.GetSize(), 3);
    EXPECT_EQ(array.GetCapacity(), 30);
    EXPECT_THROW(array.SetSize(-1), SgInvalidArgument);
}

TEST(FlexArrayTest, IndicesOutsideTheElementsAreRefused)
{
    FlexArray<int> array(4);
    array.Append(1);
    array.Append(2);
    for (int index : {-1, 2, 3, 100})
        EXPECT_THROW(array[index], SgInvalidArgument) << "index " << index;
    const FlexArray<int> &constant = array;
    EXPECT_THROW(constant[2], SgInvalidArgument);
    EXPECT_EQ(constant[1], 2);
}

TEST(FlexArrayTest, StringElementsSurviveGrowthCopyAndAssignment)
{
    FlexArray<std::string> array(1);
    // Long enough to live on the heap, where a byte copy would share buffers.
    for (int i = 0; i < 9; ++i)
        array.Append(std::string(40, static_cast<char>('a' + i)));
    FlexArray<std::string> copy(array);
    FlexArray<std::string> assigned(2);
    assigned.Append("old");
    assigned = array;
    array[0] = "changed";
    for (int i = 0; i < 9; ++i) {
        const std::string expected(40, static_cast<char>('a' + i));
        EXPECT_EQ(copy[i], expected) << "copy element " << i;
        EXPECT_EQ(assigned[i], expected) << "assigned element " << i;
    }
    EXPECT_EQ(copy.GetCapacity(), array.GetCapacity());
}

TEST(smarkArrayTest, FixedCapacityIsRefusedNotOverrun)
{
    smarkArray<int> array(2);
    array.Append(1);
    array.Append(2);
    EXPECT_THROW(array.Append(3), SgCapacityError);
    EXPECT_THROW(array.SetSize(3), SgCapacityError);
    EXPECT_EQ(array.GetSize(), 2);
    EXPECT_EQ(array.GetCapacity(), 2);

    smarkArray<int> empty(0);
    EXPECT_EQ(empty.GetData(), nullptr);
    EXPECT_THROW(empty.Append(1), SgCapacityError);
}

TEST(smarkArrayTest, BufferThatCannotBeHadThrowsOutOfMemory)
{
    struct Huge {
        char bytes[1ull << 40];
    };
    try {
        smarkArray<Huge> array(1 << 30);
        FAIL() << "no exception for an impossible buffer";
    } catch (const SgOutOfMemory &e) {
        EXPECT_STREQ(e.what(), "smarkArray::smarkArray : out of memory");
    }
}
