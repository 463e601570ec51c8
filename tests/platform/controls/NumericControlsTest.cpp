#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/controls/SgColorButtonModel.h"
#include "platform/controls/SgNumSpinModel.h"
#include "platform/controls/SgProgressModel.h"
#include "platform/controls/SgVectorFieldModel.h"
#include "platform/SgDiagHandler.h"

namespace {

struct FormatCase {
    int decimals;
    int trim;
    double value;
    const char *text;
};

// A case names itself: printed as raw bytes, its padding would put stray
// memory into the test's name, a different name on each run.
void PrintTo(const FormatCase &c, std::ostream *out)
{
    *out << c.value << " with " << c.decimals << " decimals" << (c.trim ? ", trimmed" : "");
}

class SpinFormatTest : public testing::TestWithParam<FormatCase> {};

TEST_P(SpinFormatTest, ShowsTheValueWithItsDecimals)
{
    const FormatCase &c = GetParam();
    SgNumSpinModel spin;
    spin.SetDecimalPlaces(c.decimals);
    spin.SetTrimTrailingZeros(c.trim);
    spin.SetPos(c.value);
    EXPECT_EQ(spin.GetText(), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SpinFormatTest,
    testing::Values(FormatCase{2, 1, 1.5, "1.5"}, FormatCase{2, 1, 2.0, "2"}, FormatCase{2, 0, 1.5, "1.50"},
                    FormatCase{2, 0, 2.0, "2.00"}, FormatCase{-1, 1, 0.125, "0.125"},
                    // A value whose %g form has an exponent keeps it, with the decimals.
                    FormatCase{3, 0, 1.5e-7, "1.500e-07"}, FormatCase{3, 1, 1.5e-7, "1.5e-07"},
                    FormatCase{2, 1, 2e20, "2e+20"}, FormatCase{2, 1, -0.25, "-0.25"}));

TEST(SgNumSpinModelTest, StepsAreTheRangeOverTheDeltaAtMost32767)
{
    SgNumSpinModel spin;
    EXPECT_EQ(spin.GetSteps(), 100000);
    spin.SetRangeAndDelta(0.0, 1.0, 0.00001);
    EXPECT_EQ(spin.GetSteps(), 32767);
    spin.SetRangeAndDelta(0.0, 10.0, 0.5);
    EXPECT_EQ(spin.GetSteps(), 20);
    spin.SetRangeAndDelta(10.0, 0.0, 0.5);
    EXPECT_EQ(spin.GetSteps(), 20);
    // A delta of 0 keeps the steps there were.
    spin.SetRangeAndDelta(0.0, 1.0, 0.0);
    EXPECT_EQ(spin.GetSteps(), 20);
}

TEST(SgNumSpinModelTest, SpinPositionFollowsTheValueInTheRange)
{
    SgNumSpinModel spin;
    spin.SetRangeAndDelta(0.0, 10.0, 0.5);
    spin.SetPos(2.5);
    EXPECT_EQ(spin.GetIntPos(), 5);
    spin.SetPos(-3.0);
    EXPECT_EQ(spin.GetIntPos(), 0);
    spin.SetPos(30.0);
    EXPECT_EQ(spin.GetIntPos(), 20);
}

struct StepCase {
    bool wrap;
    double start;
    int clicks;
    double expected;
};

void PrintTo(const StepCase &c, std::ostream *out)
{
    *out << c.clicks << " from " << c.start << (c.wrap ? ", wrapping" : "");
}

class SpinStepTest : public testing::TestWithParam<StepCase> {};

TEST_P(SpinStepTest, AnArrowClickStopsOrWrapsAtTheEnds)
{
    const StepCase &c = GetParam();
    SgNumSpinModel spin;
    spin.SetRangeAndDelta(0.0, 10.0, 1.0);
    spin.SetWrap(c.wrap);
    spin.SetPos(c.start);
    spin.Step(c.clicks);
    EXPECT_DOUBLE_EQ(spin.GetPos(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, SpinStepTest,
                         testing::Values(StepCase{false, 0.0, -1, 0.0}, StepCase{true, 0.0, -1, 10.0},
                                         StepCase{false, 10.0, 1, 10.0}, StepCase{true, 10.0, 1, 0.0},
                                         StepCase{false, 4.0, 1, 5.0}, StepCase{true, 4.0, -1, 3.0},
                                         // Within rounding of the end is no step past it.
                                         StepCase{true, 1.0 - 1e-12, -1, 0.0}));

TEST(SgNumSpinModelTest, TheDeltaIsInTheShownUnit)
{
    SgNumSpinModel spin;
    spin.SetRangeAndDelta(-10.0, 10.0, 90.0);
    spin.SetUnitFactor(SgVectorFieldModel::kDegreesPerRadian);
    spin.SetDecimalPlaces(1);
    spin.SetPos(0.0);
    spin.Step(1);
    EXPECT_NEAR(spin.GetPos(), M_PI / 2, 1e-3);
    EXPECT_EQ(spin.GetText(), "90");
}

TEST(SgNumSpinModelTest, TypedTextIsTakenAndFormattedAgainWithTheAfterCallback)
{
    SgNumSpinModel spin;
    spin.SetDecimalPlaces(2);
    int before = 0;
    int after = 0;
    spin.SetBeforeChange([&](SgNumSpinModel *) { ++before; });
    spin.SetAfterChange([&](SgNumSpinModel *) { ++after; });
    spin.SetText("3.14159");
    spin.Step(0);
    EXPECT_EQ(spin.GetText(), "3.14");
    EXPECT_EQ(before, 0);
    EXPECT_EQ(after, 1);
    spin.Step(1);
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 2);
}

TEST(SgNumSpinModelTest, AFormatStringShowsTheValueAndOneWithOtherConversionsIsRefused)
{
    SgDiagCapture capture;
    SgNumSpinModel spin;
    ASSERT_TRUE(spin.SetFormatString("%.3f mm"));
    spin.SetPos(2.0);
    EXPECT_EQ(spin.GetText(), "2.000 mm");
    for (const char *bad : {"%s", "%d", "%.3f %.3f", "%n", "%*f", "100%", "%.999f", "%1000000f"}) {
        EXPECT_FALSE(spin.SetFormatString(bad)) << bad;
        EXPECT_EQ(spin.GetFormatString(), "%.3f mm");
    }
    EXPECT_GT(capture.Count(), 0);
    EXPECT_TRUE(spin.SetFormatString("%.1f%%"));
    spin.SetPos(50.0);
    EXPECT_EQ(spin.GetText(), "50.0%");
    EXPECT_TRUE(spin.SetFormatString(nullptr));
    spin.SetPos(2.0);
    EXPECT_EQ(spin.GetText(), "2");
}

TEST(SgNumSpinModelTest, DecimalsBeyondWhatADoubleHoldsAreCut)
{
    SgNumSpinModel spin;
    spin.SetDecimalPlaces(1000000);
    spin.SetTrimTrailingZeros(0);
    spin.SetPos(0.5);
    EXPECT_EQ(spin.GetText().size(), 2u + SgNumSpinModel::kMaxDecimals);
}

TEST(SgNumSpinModelTest, AZeroUnitFactorIsRefused)
{
    SgDiagCapture capture;
    SgNumSpinModel spin;
    spin.SetUnitFactor(0.0);
    EXPECT_EQ(spin.GetUnitFactor(), 1.0);
    spin.SetPos(3.0);
    EXPECT_EQ(spin.GetPos(), 3.0);
}

TEST(SgVectorFieldModelTest, TheFourthRowShowsDegreesOfAnAngleKeptInRadians)
{
    const char *names[] = {"X", "Y", "Z", "Angle"};
    SgVectorFieldModel panel(4, names);
    const double values[] = {0.0, 0.0, 1.0, M_PI / 2};
    panel.SetVector(values, 4, 0);
    EXPECT_EQ(panel.GetNumSpin(3)->GetText(), "90.000");
    EXPECT_EQ(panel.GetNumSpin(2)->GetText(), "1.000");
    double back[4] = {};
    EXPECT_EQ(panel.GetVector(back), 4);
    EXPECT_NEAR(back[3], M_PI / 2, 1e-4);
}

TEST(SgVectorFieldModelTest, RowsStartWithThreeShownAndSetVectorShowsItsRowsOnly)
{
    const char *names[] = {"A", "B", "C", "D", "E"};
    SgVectorFieldModel panel(5, names);
    std::vector<bool> shown;
    for (int i = 0; i < 5; ++i)
        shown.push_back(panel.GetRow(i)->shown);
    EXPECT_EQ(shown, (std::vector<bool>{true, true, true, false, false}));
    const double values[] = {7.0, 8.0};
    panel.SetVector(values, 2, 1);
    shown.clear();
    for (int i = 0; i < 5; ++i)
        shown.push_back(panel.GetRow(i)->shown);
    // Rows before `first` keep what they were; rows after the values hide.
    EXPECT_EQ(shown, (std::vector<bool>{true, true, true, false, false}));
    EXPECT_EQ(panel.GetNumSpin(1)->GetText(), "7.000");
    EXPECT_EQ(panel.GetNumSpin(2)->GetText(), "8.000");
}

TEST(SgVectorFieldModelTest, RowsLieSideBySideWithRoomForTheirNames)
{
    const char *names[] = {"X", "Yaw"};
    SgVectorFieldModel panel(2, names);
    const SgVectorFieldModel::Row &x = *panel.GetRow(0);
    const SgVectorFieldModel::Row &yaw = *panel.GetRow(1);
    EXPECT_EQ(x.edit.left, 100 + 12 + 2);
    EXPECT_EQ(x.edit.right, x.edit.left + 90);
    EXPECT_EQ(x.spinBox.left, x.edit.right);
    EXPECT_EQ(yaw.label.left, x.edit.right);
    EXPECT_EQ(yaw.edit.left, x.edit.right + 10 + 3 * 12 + 2);
}

TEST(SgVectorFieldModelTest, VectorsThatDoNotFitAreCutWithAMessage)
{
    SgDiagCapture capture;
    SgVectorFieldModel panel(3, nullptr);
    const double values[] = {1, 2, 3, 4, 5};
    panel.SetVector(values, 5, 1);
    EXPECT_EQ(panel.GetNumSpin(2)->GetText(), "2.000");
    EXPECT_GT(capture.Count(), 0);
    panel.SetVector(nullptr, 2, 0);
    panel.SetVector(values, 1, -1);
    EXPECT_EQ(panel.GetNumSpin(0)->GetText(), "0.000");
    EXPECT_EQ(panel.GetNumSpin(7), nullptr);
}

TEST(SgProgressModelTest, TheBarHasAThousandSteps)
{
    SgProgressModel progress;
    progress.SetProgress(0.5);
    EXPECT_EQ(progress.GetPosition(), 500);
    progress.SetProgress(2.0);
    EXPECT_EQ(progress.GetPosition(), 1000);
    progress.SetProgress(std::nan(""));
    EXPECT_EQ(progress.GetPosition(), 0);
    EXPECT_FALSE(progress.IsAborted());
    progress.Abort();
    EXPECT_TRUE(progress.IsAborted());
}

} // namespace

namespace {

using Rgb = SgColorButtonModel::Rgb;

TEST(SgColorButtonModelTest, ARaisedFrameOfOneRingIsWhiteOverGrey)
{
    SgColorButtonModel button;
    button.Attach({0, 0, 255}, {255, 255, 255}, {128, 128, 128}, 1);
    const auto rings = button.BevelRings();
    ASSERT_EQ(rings.size(), 1u);
    EXPECT_EQ(rings[0].topLeft, (Rgb{255, 255, 255}));
    EXPECT_EQ(rings[0].bottomRight, (Rgb{128, 128, 128}));
}

TEST(SgColorButtonModelTest, DeeperFramesShadeEachRingAndASunkenOneEndsNearBlack)
{
    SgColorButtonModel button;
    button.Attach({0, 0, 255}, {255, 255, 255}, {128, 128, 128}, 3);
    auto rings = button.BevelRings();
    ASSERT_EQ(rings.size(), 3u);
    // Light (63 / (i + 1) - 64) mod 256, dark 255 / (i + 2).
    EXPECT_EQ(rings[0].topLeft, (Rgb{255, 255, 255}));
    EXPECT_EQ(rings[1].topLeft, (Rgb{223, 223, 223}));
    EXPECT_EQ(rings[2].topLeft, (Rgb{213, 213, 213}));
    EXPECT_EQ(rings[0].bottomRight, (Rgb{127, 127, 127}));
    EXPECT_EQ(rings[2].bottomRight, (Rgb{63, 63, 63}));
    button.Attach({0, 0, 255}, {255, 255, 255}, {128, 128, 128}, static_cast<unsigned>(-3));
    rings = button.BevelRings();
    ASSERT_EQ(rings.size(), 3u);
    EXPECT_EQ(rings[0].topLeft, (Rgb{127, 127, 127})) << "sunken: the dark edges on top";
    EXPECT_EQ(rings[0].bottomRight, (Rgb{255, 255, 255}));
    EXPECT_EQ(rings[2].bottomRight, (Rgb{1, 1, 1}));
}

TEST(SgColorButtonModelTest, AHugeBevelDrawsABoundedFrame)
{
    SgColorButtonModel button;
    button.Attach({0, 0, 0}, {0, 0, 0}, {0, 0, 0}, 0x80000000u);
    EXPECT_LE(button.BevelRings().size(), 64u);
    EXPECT_TRUE(button.SetBGColor({1, 2, 3}, true));
    EXPECT_FALSE(button.SetFGColor({1, 2, 3}, false));
    EXPECT_EQ(button.GetBGColor(), (Rgb{1, 2, 3}));
}

} // namespace

// What the user types into a number box of 0 .. 255: a number is kept, one
// out of range is clamped and shown clamped, anything else is refused with a
// message naming the range and the last good value comes back.
TEST(SgNumSpinModelTest, TypedTextIsKeptClampedOrRefusedWithTheRange)
{
    const struct {
        const char *typed;
        SgNumSpinModel::Taken taken;
        const char *shown;
    } cases[] = {
        {"12", SgNumSpinModel::Taken::kKept, "12"},        {" 7 ", SgNumSpinModel::Taken::kKept, "7"},
        {"300", SgNumSpinModel::Taken::kClamped, "255"},   {"-5", SgNumSpinModel::Taken::kClamped, "0"},
        {"abc", SgNumSpinModel::Taken::kRefused, "40"},    {"", SgNumSpinModel::Taken::kRefused, "40"},
        {"12abc", SgNumSpinModel::Taken::kRefused, "40"},  {"0x10", SgNumSpinModel::Taken::kRefused, "40"},
        {"nan", SgNumSpinModel::Taken::kRefused, "40"},    {"inf", SgNumSpinModel::Taken::kRefused, "40"},
        {"1e400", SgNumSpinModel::Taken::kRefused, "40"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed);
        SgNumSpinModel spin;
        spin.SetRangeAndDelta(0, 255, 1);
        spin.SetPos(40);
        std::vector<std::string> messages;
        spin.SetRefused([&](SgNumSpinModel *, const std::string &message) { messages.push_back(message); });
        int after = 0;
        spin.SetAfterChange([&](SgNumSpinModel *s) {
            ++after;
            EXPECT_EQ(s->WasRefused(), c.taken == SgNumSpinModel::Taken::kRefused);
        });
        spin.SetText(c.typed);
        EXPECT_EQ(spin.Take(), c.taken);
        EXPECT_EQ(spin.GetText(), c.shown);
        if (c.taken == SgNumSpinModel::Taken::kRefused) {
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0], "Please enter a number from 0 to 255.");
            EXPECT_EQ(spin.GetPos(), 40.0);
        } else {
            EXPECT_TRUE(messages.empty());
        }
        spin.SetText(c.typed);
        spin.Step(0);
        EXPECT_EQ(after, 1) << "Enter reports once, refused or not";
    }
}

// The range is named in the shown unit, and the format's own words around
// the number are part of what the box shows, not a refusal.
TEST(SgNumSpinModelTest, RefusalNamesTheRangeInTheShownUnitAndAcceptsTheFormatsWords)
{
    SgNumSpinModel spin;
    spin.SetUnitFactor(SgVectorFieldModel::kDegreesPerRadian);
    spin.SetRangeAndDelta(-M_PI, M_PI, 1);
    spin.SetDecimalPlaces(0);
    std::string message;
    spin.SetRefused([&](SgNumSpinModel *, const std::string &text) { message = text; });
    spin.SetText("x");
    EXPECT_EQ(spin.Take(), SgNumSpinModel::Taken::kRefused);
    EXPECT_EQ(message, "Please enter a number from -180 to 180.");

    SgNumSpinModel mm;
    ASSERT_TRUE(mm.SetFormatString("%.1f mm"));
    mm.SetRangeAndDelta(0, 10, 1);
    mm.SetPos(2);
    mm.SetRefused([](SgNumSpinModel *, const std::string &) {});
    mm.SetText(mm.GetText());
    EXPECT_EQ(mm.Take(), SgNumSpinModel::Taken::kKept);
    mm.SetText("4.5 mm");
    EXPECT_EQ(mm.Take(), SgNumSpinModel::Taken::kKept);
    EXPECT_EQ(mm.GetText(), "4.5 mm");
    mm.SetText("4.5 cm");
    EXPECT_EQ(mm.Take(), SgNumSpinModel::Taken::kRefused);
    EXPECT_EQ(mm.GetText(), "4.5 mm");
}
