// The file family: opening paths and addresses, importing STL, saving,
// exporting the selection.
#include "facade/SceneFiles.h"

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "engine/actions/SgFindAction.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgPathList.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgDocumentFiles.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgTexture2D.h"
#include "engine/viewer/BmpUtils.h"
#include "engine/viewer/SgViewer.h"
#include "facade/CDrevon.h"
#include "facade/StlReader.h"
#include "platform/Notifier.h"
#include "platform/SgClock.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgProgress.h"
#include "platform/UrlDownloader.h"
#include "platform/window/SgPlatformWindow.h"
#include "solids/SgExportStlAction.h"
#include "facade/FacadePackage.h"

namespace drevon {

namespace {

constexpr const char *kOpenFilter = "KVRX Files (*.kvrx)|*.kvrx|VRML1 Files (*.wrl)|*.wrl|All Files (*.*)|*.*||";
constexpr const char *kSaveFilter = "KVRX Files (*.kvrx)|*.kvrx| VRML Files (*.wrl)|*.wrl| Open Inventor Files "
                                    "(*.iv)|*.iv| BMP Files (*.bmp)|*.bmp| All Files (*.*)|*.*||";
constexpr const char *kLayoutFilter = "Layout Files (*.lay)|*.lay| All Files (*.*)|*.*||";
constexpr const char *kImportFilter = "STL Files (*.stl)|*.stl|VRML1 Files (*.wrl)|*.wrl|All Files (*.*)|*.*||";
constexpr const char *kDownloadTitle = "Downloading External File";

std::string LowerExtension(const std::string &path)
{
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    std::string extension = path.substr(dot + 1);
    for (char &c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

// The value of `key` ("g=") in the address's query up to the next "&"; the
// whole remainder when no "&" follows, "" when the key is missing.
std::string QueryValue(const std::string &url, const char *key)
{
    const size_t at = url.find(key);
    if (at == std::string::npos)
        return std::string();
    const size_t start = at + std::strlen(key);
    const size_t end = url.find('&', start);
    return url.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool IsRead(int result)
{
    return result == SgDocumentFiles::kReadDone || result == SgDocumentFiles::kIncomplete;
}

} // namespace

SceneFiles::SceneFiles(CDrevon &facade) : m_facade(facade) {}

SgDocument *SceneFiles::Document() const
{
    return m_facade.GetDocument();
}

bool SceneFiles::IsModified() const
{
    SgDocument *document = Document();
    return document &&
           (document->GetUndoCursor() != m_savedUndoCursor || document->GetUndoCount() != m_savedUndoCount);
}

void SceneFiles::MarkSaved()
{
    SgDocument *document = Document();
    if (!document)
        return;
    m_savedUndoCursor = document->GetUndoCursor();
    m_savedUndoCount = document->GetUndoCount();
}

// ---- Opening ---------------------------------------------------------------------------------

std::string SceneFiles::RequestAddress(const std::string &url) const
{
    return SgDocumentFiles::BypassCache(url, GetClock().Milliseconds());
}

std::string SceneFiles::FallbackAddress(const std::string &url)
{
    const size_t script = url.find("get_url.php");
    if (script == std::string::npos)
        return std::string();
    return url.substr(0, script) + "Models/Model" + QueryValue(url, "g=") + "_" + QueryValue(url, "s=") + ".kvrx";
}

bool SceneFiles::DownloadTo(const std::string &url, bool withProgress, std::string &file, bool &failed)
{
    UrlDownloader::Options options;
    options.useCached = m_urlCache;
    std::shared_ptr<DownloadProgress> progress;
    if (withProgress) {
        progress = std::make_shared<DownloadProgress>(kDownloadTitle);
        SgReportProgress(kDownloadTitle, kDownloadTitle, 0.01);
        options.progress = [progress](int64_t received, int64_t total) {
            const uint64_t maximum = total < 0 ? uint64_t(received) : uint64_t(total);
            if (!progress->OnProgress(uint64_t(received), maximum))
                return false;
            return SgReportProgress(kDownloadTitle, progress->GetText(), progress->GetFraction());
        };
    }
    const UrlDownloader::Result result = UrlDownloader::Download(url, options);
    if (withProgress)
        SgEndProgress(kDownloadTitle);
    failed = !result;
    if (!result)
        return false;
    file = result.file.string();
    return true;
}

int SceneFiles::OpenFile(const char *name, bool deleteScene, SgNode *root)
{
    SgDocument *document = Document();
    if (!document || !name || !*name)
        return SgDocumentFiles::kNothingRead;
    const std::string given = name;
    if (!UrlDownloader::IsUrl(given)) {
        const int result = document->OpenFile(name, deleteScene, root);
        if (deleteScene && IsRead(result))
            MarkSaved();
        return result;
    }

    const std::string address = m_urlCache ? given : RequestAddress(given);
    std::string local;
    bool failed = false;
    if (!DownloadTo(address, false, local, failed)) {
        // A server-side model script that fails leaves the model itself,
        // which lies in a fixed place beside the script.
        const std::string fallback = FallbackAddress(given);
        if (fallback.empty() || !DownloadTo(fallback, true, local, failed)) {
            SgDiagTellUser(SgDiagLevel::Error, kPackage, "Cannot download " + given, "Error");
            return SgDocumentFiles::kNothingRead;
        }
    }
    const std::string previousName = document->GetFileName();
    const int result = document->OpenFile(local.c_str(), deleteScene, root);
    // The download cache is no file of the user's: a later save asks where.
    if (deleteScene)
        document->SetFileName(IsRead(result) ? std::string() : previousName);
    if (deleteScene && IsRead(result))
        MarkSaved();
    return result;
}

void SceneFiles::OpenChosenFile(const char *title, const char *extension, const char *filter, bool deleteScene)
{
    if (m_facade.GetCreation().GetActiveTool())
        m_facade.GetCreation().DeleteActiveTool();
    FileRequest request;
    request.title = title;
    request.defaultExtension = extension;
    request.filter = filter;
    if (const std::optional<std::string> path = ChooseFile(request))
        OpenFile(path->c_str(), deleteScene, nullptr);
}

void SceneFiles::OnOpenFile(bool deleteScene)
{
    OpenChosenFile("Open", "kvrx", kOpenFilter, deleteScene);
}

void SceneFiles::OnFile(int button)
{
    switch (button) {
    case 105:
        OnSaveFile(0);
        break;
    case 106:
        OnSaveFile(1);
        break;
    case 107:
        OnOpenFile(true);
        break;
    case 108:
        OnOpenFile(false);
        break;
    default:
        break;
    }
}

int SceneFiles::ReadFileStream(std::istream &in, bool deleteScene, const char *name)
{
    return Document() ? Document()->ReadFileStream(in, name ? name : "", deleteScene, nullptr)
                       : SgDocumentFiles::kNothingRead;
}

void SceneFiles::OnLoadLayout()
{
    // A layout is read into the scene, not in its place.
    OpenChosenFile("Load Layout", "lay", kLayoutFilter, false);
}

// ---- Importing --------------------------------------------------------------------------------

bool SceneFiles::ImportStl(const char *path)
{
    SgSeparator *root = m_facade.GetRoot();
    if (!root)
        return false;
    SgRef<SgNode> shape(ReadStlFile(path, kStlTolerance));
    if (!shape)
        return false;
    auto *object = new SgObject(true, true);
    object->AddChild(shape.get());
    root->AddChild(object);
    return true;
}

void SceneFiles::ImportFile(bool)
{
    if (!Document())
        return;
    if (m_facade.GetCreation().GetActiveTool())
        m_facade.GetCreation().DeleteActiveTool();
    FileRequest request;
    request.title = "Import";
    request.defaultExtension = "stl";
    request.filter = kImportFilter;
    const std::optional<std::string> path = ChooseFile(request);
    // Only STL is imported; a chooser cannot say which filter was used, so
    // the name says it.
    if (!path || LowerExtension(*path) != "stl")
        return;
    {
        SgKeyPoint keyPoint(Document());
        ImportStl(path->c_str());
    }
    m_facade.Redraw();
}

// ---- Saving ---------------------------------------------------------------------------------------

int SceneFiles::Save(const char *path)
{
    const int result = Document() ? Document()->Save(path, "") : 0;
    if (result)
        MarkSaved();
    return result;
}

int SceneFiles::SaveStream(SgNode *root, std::ostream *out, const char *format)
{
    return Document() ? Document()->SaveStream(root, out, format) : 0;
}

size_t SceneFiles::StrayBytesAfterLastBlock(const std::string &text)
{
    // Only texts long enough to hold a scene are looked at.
    constexpr size_t kShortest = 100;
    if (text.size() < kShortest)
        return 0;
    for (size_t p = text.size() - 1; p >= kShortest; --p) {
        if (text[p] != '\n' || text[p - 1] != '}')
            continue;
        const size_t stray = text.size() - p - 1;
        if (stray > 0)
            SgDiagWarning(kPackage, "Corupted EOF at %zu: %zu bytes after the last block", p, stray);
        return stray;
    }
    return 0;
}

std::string SceneFiles::SaveToStringFix()
{
    std::ostringstream text;
    if (!SaveStream(nullptr, &text, "kvrx"))
        return std::string();
    // The text is returned whole: what follows the last block (the layout
    // and the views) belongs to it. Bytes after a closing line that end
    // the text are only reported.
    std::string whole = text.str();
    StrayBytesAfterLastBlock(whole);
    return whole;
}

int SceneFiles::SaveToUrl(const char *url, const char *)
{
    SgDiagTellUser(SgDiagLevel::Warning, kPackage,
                   std::string("Saving to an address is not supported: ") + (url ? url : ""), "Save");
    return 0;
}

bool SceneFiles::OnSaveFile(int mode)
{
    SgDocument *document = Document();
    if (!document)
        return false;
    FileRequest request;
    request.save = true;
    if (mode >= 2) {
        request.title = "Save Layout";
        request.defaultExtension = "lay";
        request.initialName = "Layout";
        request.filter = kLayoutFilter;
        const std::optional<std::string> path = ChooseFile(request);
        return path && document->Save(path->c_str(), "lay");
    }
    std::string name = document->GetFileName();
    if (name.empty())
        name = "Untitled";
    const std::string extension = LowerExtension(name);
    // Scene text written into a ".wrl" name would no longer be what the
    // name says: such a document is saved as a new "kvrx" file.
    if (mode == 0 && name != "Untitled" && extension != "wrl") {
        if (document->Save(name.c_str(), "kvrx")) {
            MarkSaved();
            return true;
        }
        SgDiagTellUser(SgDiagLevel::Error, kPackage, "Cannot save " + name, "Save");
        return false;
    }
    if (extension == "wrl")
        name = name.substr(0, name.size() - 3) + "kvrx";
    request.title = "Save As";
    request.defaultExtension = "kvrx";
    request.initialName = name;
    request.filter = kSaveFilter;
    std::optional<std::string> path = ChooseFile(request);
    if (!path)
        return false;
    std::string chosen = *path;
    std::string kind = LowerExtension(chosen);
    if (kind.empty()) {
        chosen += ".kvrx";
        kind = "kvrx";
    }
    if (kind == "bmp") {
        SgViewer *viewer = m_facade.GetCurrentViewer();
        std::ofstream picture(chosen, std::ios::binary);
        const SgRect client = viewer && viewer->GetWindow()
                                  ? static_cast<SgPlatformWindow *>(viewer->GetWindow())->GetClientRect()
                                  : SgRect{};
        if (!viewer || !picture || client.IsEmpty() ||
            !BmpUtils::SaveBmp(viewer, client.Width(), client.Height(), picture)) {
            SgDiagTellUser(SgDiagLevel::Error, kPackage, "Cannot write the picture " + chosen, "Save");
            return false;
        }
        return true;
    }
    if (document->Save(chosen.c_str(), kind.c_str())) {
        document->SetFileName(chosen);
        MarkSaved();
        return true;
    }
    SgDiagTellUser(SgDiagLevel::Error, kPackage, "Cannot save " + chosen, "Save");
    return false;
}

// ---- Reports and export ------------------------------------------------------------------------------

std::string SceneFiles::ModelInfo(int what, SgNode *root)
{
    if (what != 1)
        return std::string();
    SgNode *start = root ? root : m_facade.GetRoot();
    if (!start)
        return std::string();
    FindNodeByClassID textures(SgTexture2D::ClassID());
    SgFindAction find(&textures);
    find.m_bFirstOnly = false;
    find.Apply(start);
    std::string info;
    for (SgNode *node : find.m_Found)
        if (auto *texture = dynamic_cast<SgTexture2D *>(node))
            info += texture->m_filename.Get().GetPath() + ";";
    return info;
}

bool SceneFiles::CreateThumbnail(int width, int height, std::ostream &out)
{
    SgViewer *viewer = m_facade.GetDefaultViewer();
    return viewer && width > 0 && height > 0 && BmpUtils::SaveBmp(viewer, width, height, out);
}

bool SceneFiles::ExportSelection(const char *path, const char *)
{
    SgSelectionHandler *selection = m_facade.Selection();
    if (!selection || !path || !*path)
        return false;
    std::string error;
    if (!SgExportStlAction::ExportPaths(path, selection->GetPathList(), &error)) {
        SgDiagTellUser(SgDiagLevel::Error, kPackage, std::string("Cannot export to ") + path + ": " + error,
                       "Export");
        return false;
    }
    return true;
}

} // namespace drevon
