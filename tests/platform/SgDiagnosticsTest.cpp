#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/Notifier.h"
#include "platform/SgDiagHandler.h"

namespace {

// Shows nothing; keeps what it was asked to show.
class RecordingNotifier : public Notifier {
public:
    struct Shown {
        std::string text, caption;
        Buttons buttons;
        Icon icon;
    };
    RecordingNotifier() : m_previous(SetNotifier(this)) {}
    ~RecordingNotifier() override { SetNotifier(m_previous); }
    int Message(const std::string &text, const std::string &caption, Buttons buttons, Icon icon) override
    {
        m_shown.push_back({text, caption, buttons, icon});
        return DefaultAnswer(buttons);
    }
    std::vector<Shown> m_shown;

private:
    Notifier *m_previous;
};

// Installs a log hook for the test's span and removes it after.
class HookScope {
public:
    explicit HookScope(SgDiagLogHook hook) : m_previous(SgDiagSetLogHook(std::move(hook))) {}
    ~HookScope() { SgDiagSetLogHook(std::move(m_previous)); }

private:
    SgDiagLogHook m_previous;
};

} // namespace

TEST(SgDiagnostics, TheDefaultPrintsADevelopersTextOnStandardErrorAsOneLine)
{
    testing::internal::CaptureStderr();
    SgDiagWarning("Geometry", "%s: \"segments\" %d is below %d; %d is used\n", "SgBox", 0, 1, 1);
    SgDiagError("Fields", "no room for field %d", 33);
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed, "SgBox: \"segments\" 0 is below 1; 1 is used\nno room for field 33\n")
        << "the final newline of a format is not doubled";
}

TEST(SgDiagnostics, TheDefaultShowsAUserTextThroughTheNotifier)
{
    RecordingNotifier notifier;
    testing::internal::CaptureStderr();
    SgDiagTellUser(SgDiagLevel::Error, "Reader", "File: a.kvrx Not a valid KVRX file!", "Warning");
    SgDiagTellUser(SgDiagLevel::Warning, "Reader", "Further messages are not shown");
    SgDiagTellUser(SgDiagLevel::Info, "Document", "Done");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "a user text goes to the notifier alone";

    ASSERT_EQ(notifier.m_shown.size(), 3u);
    EXPECT_EQ(notifier.m_shown[0].text, "File: a.kvrx Not a valid KVRX file!");
    EXPECT_EQ(notifier.m_shown[0].caption, "Warning");
    EXPECT_EQ(notifier.m_shown[0].buttons, Notifier::Buttons::Ok);
    EXPECT_EQ(notifier.m_shown[0].icon, Notifier::Icon::Error);
    EXPECT_EQ(notifier.m_shown[1].caption, "");
    EXPECT_EQ(notifier.m_shown[1].icon, Notifier::Icon::Warning);
    EXPECT_EQ(notifier.m_shown[2].icon, Notifier::Icon::Information);
}

TEST(SgDiagnostics, TheHeadlessNotifierPrintsAUserTextAsBefore)
{
    testing::internal::CaptureStderr();
    SgDiagTellUser(SgDiagLevel::Error, "Document", "Cannot open 100%.kvrx", "Error");
    SgDiagTellUser(SgDiagLevel::Warning, "Document", "No caption");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Cannot open 100%.kvrx\nNo caption\n");
}

TEST(SgDiagnostics, ACaptureKeepsEveryDiagnosticAndPrintsNothing)
{
    RecordingNotifier notifier;
    testing::internal::CaptureStderr();
    std::vector<SgDiagnostic> kept;
    std::string text;
    {
        SgDiagCapture capture;
        SgDiagWarning("GLRenderAction", "SgFaceSet %s not drawn: %s", "broken", "no sizes");
        SgDiagError("BoundingBoxAction", "bad index");
        SgDiagInfo("GLExtensions", "%d texture units", 4);
        SgDiagTellUser(SgDiagLevel::Error, "Reader", "Not a valid file", "Error");
        kept = capture.GetDiagnostics();
        text = capture.GetText();
        EXPECT_EQ(capture.Count(), 4);
        EXPECT_EQ(capture.Count("Reader"), 1);
        EXPECT_EQ(capture.Count("Lisp"), 0);
        EXPECT_TRUE(capture.Contains("not drawn"));
        EXPECT_TRUE(capture.Contains("Error: Not a valid"));
        EXPECT_FALSE(capture.Contains("GC FAIL"));
        capture.Clear();
        EXPECT_EQ(capture.Count(), 0);
        EXPECT_EQ(capture.GetText(), "");
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(notifier.m_shown.empty()) << "the capture took the user text too";

    ASSERT_EQ(kept.size(), 4u);
    EXPECT_EQ(kept[0].level, SgDiagLevel::Warning);
    EXPECT_EQ(kept[0].package, "GLRenderAction");
    EXPECT_EQ(kept[0].text, "SgFaceSet broken not drawn: no sizes");
    EXPECT_FALSE(kept[0].forUser);
    EXPECT_EQ(kept[1].level, SgDiagLevel::Error);
    EXPECT_EQ(kept[1].package, "BoundingBoxAction");
    EXPECT_EQ(kept[2].level, SgDiagLevel::Info);
    EXPECT_EQ(kept[3].package, "Reader");
    EXPECT_TRUE(kept[3].forUser);
    EXPECT_EQ(kept[3].caption, "Error");
    EXPECT_EQ(text, "SgFaceSet broken not drawn: no sizes\nbad index\n4 texture units\nError: Not a valid file\n");

    // Gone with its scope: the default prints again.
    testing::internal::CaptureStderr();
    SgDiagWarning("Geometry", "after the capture");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "after the capture\n");
}

TEST(SgDiagnostics, CapturesNestAndTheInnermostReceives)
{
    SgDiagCapture outer;
    {
        SgDiagCapture inner;
        SgDiagWarning("A", "inner");
        EXPECT_EQ(inner.Count(), 1);
    }
    SgDiagWarning("A", "outer");
    ASSERT_EQ(outer.Count(), 1);
    EXPECT_EQ(outer.GetDiagnostics()[0].text, "outer");
}

TEST(SgDiagnostics, AnInstalledHandlerReplacesTheDefaultUntilRemoved)
{
    std::vector<std::string> seen;
    SgDiagHandler previous =
        SgDiagSetHandler([&seen](const SgDiagnostic &d) { seen.push_back(d.package + ": " + d.text); });
    testing::internal::CaptureStderr();
    SgDiagWarning("Settings", "cannot write %s", "/x");
    SgDiagHandler mine = SgDiagSetHandler(nullptr);
    SgDiagWarning("Settings", "back to the default");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "back to the default\n");
    EXPECT_EQ(seen, std::vector<std::string>{"Settings: cannot write /x"});
    EXPECT_TRUE(static_cast<bool>(mine)) << "the replaced handler is handed back";
    SgDiagSetHandler(std::move(previous));
}

TEST(SgDiagnostics, ASilencingHandlerSilences)
{
    SgDiagHandler previous = SgDiagSetHandler([](const SgDiagnostic &) {});
    testing::internal::CaptureStderr();
    SgDiagError("Geometry", "not shown");
    SgDiagTellUser(SgDiagLevel::Error, "Document", "not shown either");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    SgDiagSetHandler(std::move(previous));
}

TEST(SgDiagnostics, TheLogHookSeesEveryDiagnosticWhateverTheHandler)
{
    std::vector<std::string> logged;
    HookScope hook([&logged](const SgDiagnostic &d) {
        logged.push_back(std::string(SgDiagLevelName(d.level)) + " " + d.package + " " + d.Line());
    });
    SgDiagCapture capture;
    SgDiagWarning("Geometry", "adjusted");
    SgDiagError("Pick", "refused");
    SgDiagInfo("GLExtensions", "noted");
    SgDiagTellUser(SgDiagLevel::Error, "Document", "Cannot open a.kvrx", "Error");
    const std::vector<std::string> expected = {"WARN Geometry adjusted", "ERROR Pick refused",
                                               "INFO GLExtensions noted", "ERROR Document Error: Cannot open a.kvrx"};
    EXPECT_EQ(logged, expected);
    EXPECT_EQ(capture.Count(), 4) << "logging takes nothing from the handler";
}

TEST(SgDiagnostics, ADiagnosticReportedByTheLogHookReachesTheHandlerButNotTheHookAgain)
{
    int hookCalls = 0;
    HookScope hook([&hookCalls](const SgDiagnostic &d) {
        ++hookCalls;
        if (d.package != "Log")
            SgDiagError("Log", "the log refused %s", d.package.c_str());
    });
    SgDiagCapture capture;
    SgDiagWarning("Geometry", "adjusted");
    EXPECT_EQ(hookCalls, 1);
    ASSERT_EQ(capture.Count(), 2);
    EXPECT_EQ(capture.GetText(), "the log refused Geometry\nadjusted\n");
}

TEST(SgDiagnostics, AHandlerThatReportsAgainHasThatOnePrintedOnStandardError)
{
    int calls = 0;
    SgDiagHandler previous = SgDiagSetHandler([&calls](const SgDiagnostic &d) {
        ++calls;
        SgDiagError("Handler", "while handling \"%s\"", d.text.c_str());
    });
    testing::internal::CaptureStderr();
    SgDiagWarning("Geometry", "first");
    const std::string printed = testing::internal::GetCapturedStderr();
    SgDiagSetHandler(std::move(previous));
    EXPECT_EQ(calls, 1) << "the handler was called again from itself";
    EXPECT_EQ(printed, "while handling \"first\"\n");
}

TEST(SgDiagnostics, ANotifierThatReportsWhileShowingDoesNotLoop)
{
    // A notifier that reports a user text of its own for every text it shows.
    class ReportingNotifier : public Notifier {
    public:
        ReportingNotifier() : m_previous(SetNotifier(this)) {}
        ~ReportingNotifier() override { SetNotifier(m_previous); }
        int Message(const std::string &text, const std::string &, Buttons buttons, Icon) override
        {
            ++m_calls;
            SgDiagTellUser(SgDiagLevel::Warning, "Notifier", "could not show \"" + text + "\"", "Notifier");
            return DefaultAnswer(buttons);
        }
        int m_calls = 0;

    private:
        Notifier *m_previous;
    } notifier;
    testing::internal::CaptureStderr();
    SgDiagTellUser(SgDiagLevel::Error, "Document", "Cannot open a.kvrx", "Error");
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(notifier.m_calls, 1);
    EXPECT_EQ(printed, "Notifier: could not show \"Cannot open a.kvrx\"\n");
}

TEST(SgDiagnostics, LongTextsAndTextsWithPercentSignsArriveWhole)
{
    SgDiagCapture capture;
    const std::string longName(1000, 'x');
    SgDiagWarning("Texture", "the texture \"%s\" could not be read", longName.c_str());
    SgDiagTellUser(SgDiagLevel::Error, "Document", "Cannot open 100%s.kvrx");
    const std::vector<SgDiagnostic> kept = capture.GetDiagnostics();
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].text, "the texture \"" + longName + "\" could not be read");
    EXPECT_EQ(kept[1].text, "Cannot open 100%s.kvrx") << "a user text is never a format";
}

TEST(SgDiagnostics, DiagnosticsOfSeveralThreadsAreAllKept)
{
    SgDiagCapture capture;
    std::vector<std::thread> threads;
    constexpr int kThreads = 4;
    constexpr int kEach = 200;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kEach; ++i)
                SgDiagWarning("Threads", "thread %d message %d", t, i);
        });
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(capture.Count("Threads"), kThreads * kEach);
}

TEST(SgDiagnostics, LevelNamesMatchTheReportManagers)
{
    EXPECT_STREQ(SgDiagLevelName(SgDiagLevel::Info), "INFO");
    EXPECT_STREQ(SgDiagLevelName(SgDiagLevel::Warning), "WARN");
    EXPECT_STREQ(SgDiagLevelName(SgDiagLevel::Error), "ERROR");
}
