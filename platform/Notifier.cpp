#include "platform/Notifier.h"

#include <iostream>

namespace {

HeadlessNotifier::LogHook &LogHookSlot()
{
    static HeadlessNotifier::LogHook s_hook;
    return s_hook;
}

HeadlessNotifier &DefaultNotifier()
{
    static HeadlessNotifier s_default;
    return s_default;
}

Notifier *s_current = nullptr;

std::optional<std::string> NoFile(const FileRequest &)
{
    return std::nullopt;
}

FileChooser &ChooserSlot()
{
    static FileChooser s_chooser = NoFile;
    return s_chooser;
}

} // namespace

int Notifier::DefaultAnswer(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok:
        return Ok;
    case Buttons::YesNo:
        return No;
    case Buttons::OkCancel:
    case Buttons::YesNoCancel:
        break;
    }
    return Cancel;
}

HeadlessNotifier::HeadlessNotifier(std::ostream *out)
    : m_out(out)
{
}

int HeadlessNotifier::Message(const std::string &text, const std::string &caption,
                              Buttons buttons, Icon icon)
{
    std::ostream &out = m_out ? *m_out : std::cerr;
    if (caption.empty())
        out << text << '\n';
    else
        out << caption << ": " << text << '\n';
    out.flush();

    // A copy, so that a hook that replaces itself does not pull the function
    // out from under its own call.
    LogHook hook = LogHookSlot();
    if (hook)
        hook(text, caption, icon);
    return DefaultAnswer(buttons);
}

void HeadlessNotifier::SetLogHook(LogHook hook)
{
    LogHookSlot() = std::move(hook);
}

Notifier &GetNotifier()
{
    return s_current ? *s_current : DefaultNotifier();
}

Notifier *SetNotifier(Notifier *notifier)
{
    Notifier *previous = &GetNotifier();
    s_current = notifier;
    return previous;
}

const FileChooser &GetFileChooser()
{
    return ChooserSlot();
}

FileChooser SetFileChooser(FileChooser chooser)
{
    FileChooser previous = std::move(ChooserSlot());
    ChooserSlot() = chooser ? std::move(chooser) : FileChooser(NoFile);
    return previous;
}

std::optional<std::string> ChooseFile(const FileRequest &request)
{
    // A copy, for the same reason as the log hook's.
    FileChooser chooser = GetFileChooser();
    return chooser(request);
}
