#pragma once
// The window host's printer: the toolkit's print dialog chooses the printer
// (a real one or a file), the picture is drawn on the printer's page.
#include "platform/SgPrinter.h"
#include "platform/wx/PlatformWxExport.h"

class wxDC;
class wxWindow;

class PLATFORMWX_API SgWxPrinter : public SgPrinter {
public:
    explicit SgWxPrinter(wxWindow *parent) : m_parent(parent) {}
    ~SgWxPrinter() override;

    bool BeginJob(const std::string &jobName, SgPrintPage &page) override;
    bool PrintImage(int width, int height, const std::vector<std::uint8_t> &rgb) override;
    bool EndJob() override;
    std::string GetError() const override { return m_error; }

    // Makes this the platform's printer (for windows under `parent`) and
    // tells the platform the screen's resolution.
    static void Install(wxWindow *parent);

private:
    wxWindow *m_parent;
    wxDC *m_dc = nullptr;
    std::string m_job;
    bool m_started = false;
    std::string m_error;
};
