#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "platform/Notifier.h"

namespace {

struct DefaultAnswerCase {
    Notifier::Buttons buttons;
    int answer;
    const char *name;
};

// Records what a hook is handed, and removes the hook when done.
class HookRecorder {
public:
    struct Call {
        std::string text, caption;
        Notifier::Icon icon;
    };
    HookRecorder()
    {
        HeadlessNotifier::SetLogHook([this](const std::string &text, const std::string &caption, Notifier::Icon icon) {
            m_calls.push_back({text, caption, icon});
        });
    }
    ~HookRecorder() { HeadlessNotifier::SetLogHook(nullptr); }
    const std::vector<Call> &Calls() const { return m_calls; }

private:
    std::vector<Call> m_calls;
};

class AnsweringNotifier : public Notifier {
public:
    int Message(const std::string &text, const std::string &, Buttons, Icon) override
    {
        m_last = text;
        return Yes;
    }
    std::string m_last;
};

} // namespace

TEST(HeadlessNotifier, AnswersAsAUserWhoDismissesTheBox)
{
    const DefaultAnswerCase cases[] = {
        {Notifier::Buttons::Ok, 1, "OK"},
        {Notifier::Buttons::OkCancel, 2, "OK/Cancel"},
        {Notifier::Buttons::YesNo, 7, "Yes/No"},
        {Notifier::Buttons::YesNoCancel, 2, "Yes/No/Cancel"},
    };
    std::ostringstream out;
    HeadlessNotifier notifier(&out);
    for (const DefaultAnswerCase &c : cases)
        EXPECT_EQ(notifier.Message("Save changes?", "Fennix", c.buttons), c.answer) << "buttons " << c.name;
}

TEST(HeadlessNotifier, PrintsTheMessageAndHandsItToTheLogHook)
{
    HookRecorder hook;
    std::ostringstream out;
    HeadlessNotifier notifier(&out);

    notifier.Message("Cannot open file 100%.kvrx", "Error", Notifier::Buttons::Ok, Notifier::Icon::Error);
    notifier.Message("No caption", "");

    EXPECT_EQ(out.str(), "Error: Cannot open file 100%.kvrx\nNo caption\n");
    ASSERT_EQ(hook.Calls().size(), 2u);
    EXPECT_EQ(hook.Calls()[0].text, "Cannot open file 100%.kvrx");
    EXPECT_EQ(hook.Calls()[0].caption, "Error");
    EXPECT_EQ(hook.Calls()[0].icon, Notifier::Icon::Error);
    EXPECT_EQ(hook.Calls()[1].caption, "");
}

TEST(Notifier, InstalledNotifierReceivesEveryMessageUntilRemoved)
{
    AnsweringNotifier answering;
    Notifier *previous = SetNotifier(&answering);
    EXPECT_EQ(GetNotifier().Message("Overwrite?", "Save", Notifier::Buttons::YesNo), Notifier::Yes);
    EXPECT_EQ(answering.m_last, "Overwrite?");

    EXPECT_EQ(SetNotifier(nullptr), &answering);
    EXPECT_NE(dynamic_cast<HeadlessNotifier *>(&GetNotifier()), nullptr)
        << "null must bring back the headless notifier";
    SetNotifier(previous);
}

TEST(FileChooser, DefaultAnswersNoFileAndAnInstalledChooserIsAsked)
{
    FileRequest request;
    request.title = "Where is your missing file?";
    request.initialName = "brick.bmp";
    EXPECT_FALSE(ChooseFile(request).has_value()) << "headless runs pick no file";

    std::string askedTitle;
    FileChooser previous = SetFileChooser([&askedTitle](const FileRequest &r) -> std::optional<std::string> {
        askedTitle = r.title;
        return "/textures/" + r.initialName;
    });
    EXPECT_EQ(ChooseFile(request).value_or("<none>"), "/textures/brick.bmp");
    EXPECT_EQ(askedTitle, "Where is your missing file?");

    SetFileChooser(nullptr);
    EXPECT_FALSE(ChooseFile(request).has_value()) << "an empty chooser must bring back the default";
    SetFileChooser(previous);
}
