#include "platform/wx/SgWxPrinter.h"

#include <wx/bitmap.h>
#include <wx/dcscreen.h>
#include <wx/image.h>
#include <wx/printdlg.h>

SgWxPrinter::~SgWxPrinter()
{
    delete m_dc;
}

bool SgWxPrinter::BeginJob(const std::string &jobName, SgPrintPage &page)
{
    wxPrintDialogData data;
    data.EnableSelection(false);
    data.EnablePageNumbers(false);
    data.EnablePrintToFile(true);
    wxPrintDialog dialog(m_parent, &data);
    if (dialog.ShowModal() != wxID_OK)
        return false;
    m_dc = dialog.GetPrintDC();
    if (!m_dc || !m_dc->IsOk()) {
        m_error = "the printer could not be opened";
        return false;
    }
    int widthMm = 0, heightMm = 0;
    m_dc->GetSizeMM(&widthMm, &heightMm);
    int width = 0, height = 0;
    m_dc->GetSize(&width, &height);
    const wxSize ppi = m_dc->GetPPI();
    page.widthMm = widthMm;
    page.heightMm = heightMm;
    page.widthPixels = width;
    page.heightPixels = height;
    page.dpiX = ppi.x;
    page.dpiY = ppi.y;
    m_job = jobName;
    return true;
}

bool SgWxPrinter::PrintImage(int width, int height, const std::vector<std::uint8_t> &rgb)
{
    if (!m_dc || width < 1 || height < 1 || rgb.size() != size_t(width) * size_t(height) * 3)
        return false;
    if (!m_started) {
        m_started = m_dc->StartDoc(wxString::FromUTF8(m_job));
        if (!m_started) {
            m_error = "the print job could not be started";
            return false;
        }
        m_dc->StartPage();
    }
    wxImage image(width, height, false);
    std::copy(rgb.begin(), rgb.end(), image.GetData());
    m_dc->DrawBitmap(wxBitmap(image), 0, 0);
    return true;
}

bool SgWxPrinter::EndJob()
{
    if (!m_dc || !m_started)
        return false;
    m_dc->EndPage();
    m_dc->EndDoc();
    m_started = false;
    return true;
}

void SgWxPrinter::Install(wxWindow *parent)
{
    wxScreenDC screen;
    const wxSize ppi = screen.GetPPI();
    SgSetScreenDpi(ppi.x, ppi.y);
    SgSetPrinterFactory([parent]() { return std::make_unique<SgWxPrinter>(parent); });
}
