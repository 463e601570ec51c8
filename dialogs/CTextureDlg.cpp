#include "dialogs/CTextureDlg.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <strings.h>

#include "utilities/image/ImageRead.h"

namespace fs = std::filesystem;

namespace {

std::mutex g_sharedLock;
std::string g_directory;
std::string g_type = "BMP";

// The files of the type in the folder, by name.
std::vector<fs::path> ListFiles(const std::string &directory, const std::string &type)
{
    std::vector<fs::path> files;
    std::error_code error;
    const fs::path folder = directory.empty() ? fs::path("/") : fs::path(directory);
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file(error))
            continue;
        const std::string extension = it->path().extension().string();
        if (extension.size() > 1 && strcasecmp(extension.c_str() + 1, type.c_str()) == 0)
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

const char *const CTextureDlg::kModels[6] = {"Modulate", "Decal", "Blend", "Subtruct", "Add Singed", "Interpolate"};
const char *const CTextureDlg::kFunctions[7] = {"Default", "Plane", "Reflection", "Sphere", "Cylinder", "Cube", "User"};
const char *const CTextureDlg::kBoosts[3] = {"1", "2", "4"};

CTextureDlg::CTextureDlg(SgDocument *document, void *parent) : CCadDlg(document, kDialogId, parent) {}

CTextureDlg::~CTextureDlg()
{
    TerminateThread();
}

void CTextureDlg::SetItemsDirectory(const std::string &directory)
{
    std::lock_guard<std::mutex> hold(g_sharedLock);
    g_directory = directory;
}

std::string CTextureDlg::GetItemsDirectory()
{
    std::lock_guard<std::mutex> hold(g_sharedLock);
    return g_directory;
}

void CTextureDlg::SetItemsType(const std::string &type)
{
    std::lock_guard<std::mutex> hold(g_sharedLock);
    g_type = type;
}

std::string CTextureDlg::GetItemsType()
{
    std::lock_guard<std::mutex> hold(g_sharedLock);
    return g_type;
}

int CTextureDlg::DecodeImageSize(ImageSize code)
{
    switch (code) {
    case kSmall: return 32;
    case kLarge: return 128;
    default: return 64;
    }
}

void CTextureDlg::SetImageSize(int width, int height)
{
    m_iThumbWidth = std::clamp(width, 1, 512);
    m_iThumbHeight = std::clamp(height, 1, 512);
}

void CTextureDlg::SetImageSize(ImageSize code)
{
    SetImageSize(DecodeImageSize(code), DecodeImageSize(code));
}

int CTextureDlg::GetDirCount(const std::string &directory, const std::string &type)
{
    return int(ListFiles(directory, type).size());
}

void CTextureDlg::TerminateThread()
{
    if (m_worker.joinable()) {
        m_bStop = true;
        m_worker.join();
    }
    m_bStop = false;
    m_bFilling = false;
}

void CTextureDlg::RefreshListCtrl()
{
    TerminateThread();
    const std::string directory = GetItemsDirectory();
    const std::string type = GetItemsType();
    m_iRange = GetDirCount(directory, type);
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_thumbnails.clear();
    }
    m_iAdded = 0;
    m_nItems = 0;
    m_bFilling = true;
    m_worker = std::thread(&CTextureDlg::Fill, this, directory, type, std::min(m_iThumbWidth, m_iThumbHeight));
}

void CTextureDlg::Fill(CTextureDlg *dialog, std::string directory, std::string type, int side)
{
    if (!dialog)
        return;
    for (const fs::path &path : ListFiles(directory, type)) {
        if (dialog->m_bStop)
            break;
        long fileWidth = 0, fileHeight = 0;
        unsigned char *pixels = ReadImageWithScale(side, side, path.c_str(), &fileWidth, &fileHeight, 1);
        // An unreadable picture is skipped.
        if (!pixels)
            continue;
        Thumbnail thumbnail;
        thumbnail.item.path = path.string();
        thumbnail.item.width = int(fileWidth);
        thumbnail.item.height = int(fileHeight);
        thumbnail.name = path.filename().string();
        char size[48];
        std::snprintf(size, sizeof size, "%d x %d", int(fileWidth), int(fileHeight));
        thumbnail.sizeText = size;
        thumbnail.side = side;
        thumbnail.pixels.assign(pixels, pixels + std::size_t(side) * side * 4);
        ImageFree(pixels);
        int added = 0;
        {
            std::lock_guard<std::mutex> hold(dialog->m_lock);
            dialog->m_thumbnails.push_back(std::move(thumbnail));
            added = int(dialog->m_thumbnails.size());
        }
        dialog->m_iAdded = added;
        if (dialog->m_notify)
            dialog->m_notify(Notice::Progress, added);
    }
    const int count = dialog->m_iAdded.load();
    dialog->m_bFilling = false;
    if (dialog->m_notify)
        dialog->m_notify(Notice::Finished, count);
}

bool CTextureDlg::WaitForFill(int milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (m_bFilling && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (m_bFilling)
        return false;
    if (m_worker.joinable())
        m_worker.join();
    OnFinishThread();
    return true;
}

void CTextureDlg::OnFinishThread()
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_nItems = unsigned(m_thumbnails.size());
}

std::string CTextureDlg::GetTotalText() const
{
    return "Total Image: " + std::to_string(m_nItems);
}

std::vector<CTextureDlg::Thumbnail> CTextureDlg::GetThumbnails() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_thumbnails;
}

int CTextureDlg::FindItem(const std::string &name) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    for (std::size_t i = 0; i < m_thumbnails.size(); ++i)
        if (strcasecmp(m_thumbnails[i].name.c_str(), name.c_str()) == 0)
            return int(i);
    return -1;
}

void CTextureDlg::SetRotation(double degrees)
{
    rotation = std::clamp(std::isfinite(degrees) ? degrees : 0.0, -360.0, 360.0);
}

void CTextureDlg::SetScale(double value)
{
    scale = std::clamp(std::isfinite(value) ? value : 1.0, -1000.0, 1000.0);
}

void CTextureDlg::SetMove(double x, double y)
{
    moveX = std::clamp(std::isfinite(x) ? x : 0.0, -1000.0, 1000.0);
    moveY = std::clamp(std::isfinite(y) ? y : 0.0, -1000.0, 1000.0);
}

void CTextureDlg::SetBlend(int percent)
{
    blend = std::clamp(percent, 0, 100);
}

int CTextureDlg::ScaleSliderPosition() const
{
    return int(std::lround(scale * 10.0));
}

void CTextureDlg::OnOK()
{
    TerminateThread();
    CCadDlg::OnOK();
}

void CTextureDlg::OnCancel()
{
    TerminateThread();
    CCadDlg::OnCancel();
}

void CTextureDlg::OnClose()
{
    TerminateThread();
    CCadDlg::OnClose();
}
