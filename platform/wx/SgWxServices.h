#pragma once
// The toolkit's message boxes, file dialogs and timers behind the platform
// interfaces (Notifier, FileChooser, SgTimerService), installed by the
// window host for the life of its window.
#include <memory>
#include <string>

class wxWindow;

class SgWxServices {
public:
    // Message boxes and file dialogs are parented to `parent` (may be null).
    explicit SgWxServices(wxWindow *parent);
    // Puts the services back that were in use before.
    ~SgWxServices();
    SgWxServices(const SgWxServices &) = delete;
    SgWxServices &operator=(const SgWxServices &) = delete;

    void SetParent(wxWindow *parent);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// The "Name|*.ext|Name|*.ext||" filter of a file request as the toolkit's
// wildcard ("Name|*.ext|Name|*.ext"), blanks around the parts dropped.
std::string SgWxWildcard(const std::string &filter);
