#include "dialogs/MovieDlg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <strings.h>

#include "engine/viewer/BmpUtils.h"
#include "platform/Notifier.h"
#include "platform/controls/SgNumSpinModel.h"

const MovieDlg::Format MovieDlg::kFormats[MovieDlg::kFormatCount] = {
    {"AVI", 1}, {"3GP", 2}, {"MPG", 3}, {"FLV", 4}, {"WMV", 5}, {"MOV", 6}, {"GIF", 7},
};

namespace {
constexpr const char *kDefaultName = "Movie.avi";
}

MovieDlg::MovieDlg(SgDocument *document, void *parent) : CCadDlg(document, kDialogId, parent)
{
    file = DefaultFile();
}

std::string MovieDlg::DefaultFile()
{
    // The videos folder the desktop names, else ~/Videos when it exists.
    namespace fs = std::filesystem;
    std::error_code error;
    if (const char *home = std::getenv("HOME"); home && *home) {
        const fs::path videos = fs::path(home) / "Videos";
        if (fs::is_directory(videos, error))
            return (videos / kDefaultName).string();
    }
    return kDefaultName;
}

const char *MovieDlg::BoxName(Box box)
{
    switch (box) {
    case Box::kClipStart: return "Clip start";
    case Box::kClipEnd: return "Clip end";
    case Box::kWidth: return "Width";
    case Box::kHeight: return "Height";
    case Box::kFrameRate: return "Frame rate";
    case Box::kDuration: return "Duration";
    case Box::kQuality: return "Quality";
    }
    return "";
}

void MovieDlg::BoxRange(Box box, double &minimum, double &maximum)
{
    minimum = 0.0;
    maximum = 100.0;
    switch (box) {
    case Box::kWidth:
    case Box::kHeight: minimum = 1.0, maximum = MaxSide(); break;
    // The movie maker takes at most a million frames.
    case Box::kFrameRate: minimum = 1.0, maximum = 1000.0; break;
    case Box::kDuration: maximum = 1000.0; break;
    default: break;
    }
}

namespace {

// The value behind a movie box and whether it holds whole numbers.
struct MovieBoxValue {
    float *real = nullptr;
    int *whole = nullptr;
};

MovieBoxValue MovieBoxOf(MovieDlg &dialog, MovieDlg::Box box)
{
    switch (box) {
    case MovieDlg::Box::kClipStart: return {&dialog.clipStart, nullptr};
    case MovieDlg::Box::kClipEnd: return {&dialog.clipEnd, nullptr};
    case MovieDlg::Box::kWidth: return {nullptr, &dialog.width};
    case MovieDlg::Box::kHeight: return {nullptr, &dialog.height};
    case MovieDlg::Box::kFrameRate: return {&dialog.frameRate, nullptr};
    case MovieDlg::Box::kDuration: return {&dialog.duration, nullptr};
    case MovieDlg::Box::kQuality: return {nullptr, &dialog.quality};
    }
    return {nullptr, &dialog.quality};
}

} // namespace

bool MovieDlg::TakeText(Box box, const std::string &text)
{
    const MovieBoxValue value = MovieBoxOf(*this, box);
    double minimum = 0.0, maximum = 0.0;
    BoxRange(box, minimum, maximum);
    SgNumSpinModel model;
    model.SetRangeAndDelta(minimum, maximum, value.whole ? 1.0 : 0.0);
    model.SetDecimalPlaces(value.whole ? 0 : -1);
    const auto refuse = [&](const std::string &message) {
        GetNotifier().Message(std::string(BoxName(box)) + ": " + message, "Movie", Notifier::Buttons::Ok,
                              Notifier::Icon::Warning);
        return false;
    };
    double typed = 0.0;
    if (!model.ReadNumber(text, typed) || std::isnan(typed))
        return refuse(model.RangeMessage());
    if (value.whole && (box == Box::kWidth || box == Box::kHeight) && !(typed >= minimum && typed <= maximum))
        return refuse(SizeRangeMessage());
    const double taken = std::clamp(typed, minimum, maximum);
    if (value.real)
        *value.real = float(taken);
    else
        *value.whole = int(std::lround(taken));
    return true;
}

std::string MovieDlg::BoxText(Box box) const
{
    const MovieBoxValue value = MovieBoxOf(const_cast<MovieDlg &>(*this), box);
    char text[64];
    if (value.real)
        std::snprintf(text, sizeof text, "%g", double(*value.real));
    else
        std::snprintf(text, sizeof text, "%d", *value.whole);
    return text;
}

int MovieDlg::GetFormatValue() const
{
    return formatIndex >= 0 && formatIndex < kFormatCount ? kFormats[formatIndex].value : kFormats[0].value;
}

MovieDlg::Request MovieDlg::MakeRequest()
{
    Request request;
    request.document = GetDocument();
    request.file = file.empty() ? DefaultFile() : file;
    request.format = GetFormatValue();
    request.width = width;
    request.height = height;
    request.duration = duration;
    request.framesPerSecond = std::isfinite(frameRate) && frameRate < 1e6f ? int(frameRate) : 0;
    request.movieLength = 0.0;
    request.clipRange[0] = clipStart;
    request.clipRange[1] = clipEnd;
    request.quality = std::clamp(quality, 0, 100);
    request.progress = &MovieDlg::SetProgress;
    request.data = this;
    return request;
}

int MovieDlg::MaxSide()
{
    return BmpUtils::MaxSide();
}

std::string MovieDlg::SizeRangeMessage()
{
    return "The movie's width and height must each be from 1 to " + std::to_string(MaxSide()) + " pixels.";
}

int MovieDlg::OnCreate()
{
    if (m_bRecording)
        return 0;
    if (width < 1 || height < 1 || width > MaxSide() || height > MaxSide()) {
        GetNotifier().Message(SizeRangeMessage(), "Movie", Notifier::Buttons::Ok, Notifier::Icon::Warning);
        return 0;
    }
    m_iProgress = 0;
    m_bAbort = false;
    if (file.empty())
        file = DefaultFile();
    if (m_progressView)
        m_progressView(0);
    if (!m_movieFunction)
        return 0;
    m_bRecording = true;
    const int result = m_movieFunction(MakeRequest());
    m_bRecording = false;
    return result;
}

int MovieDlg::SetProgress(void *dialog, int position)
{
    auto *self = static_cast<MovieDlg *>(dialog);
    if (!self)
        return 0;
    self->m_iProgress = std::clamp(position, 0, 100);
    if (self->m_progressView)
        self->m_progressView(self->m_iProgress);
    if (self->m_bAbort) {
        self->m_iProgress = 0;
        if (self->m_progressView)
            self->m_progressView(0);
        return 0;
    }
    return 1;
}

bool MovieDlg::SelectFormatByExtension(const std::string &extension)
{
    for (int i = 0; i < kFormatCount; ++i)
        if (strcasecmp(kFormats[i].name, extension.c_str()) == 0) {
            formatIndex = i;
            return true;
        }
    return false;
}

bool MovieDlg::OnBrowse()
{
    FileRequest request;
    request.title = "Movie File";
    request.initialName = file;
    request.defaultExtension = kFormats[std::clamp(formatIndex, 0, kFormatCount - 1)].name;
    request.filter = kBrowseFilter;
    request.save = true;
    std::optional<std::string> chosen = ChooseFile(request);
    if (!chosen)
        return false;
    file = *chosen;
    std::string extension = std::filesystem::path(file).extension().string();
    if (!extension.empty())
        SelectFormatByExtension(extension.substr(1));
    return true;
}
