#include "engine/document/SgExternalFileLoader.h"

#include <filesystem>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "engine/core/SgNode.h"
#include "engine/document/SgDocument.h"
#include "engine/nodes/geometry/SgExternalFile.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgProgress.h"
#include "platform/UrlDownloader.h"

namespace {

void Collect(SgNode *root, std::vector<SgExternalFile *> &found)
{
    std::vector<SgNode *> pending{root};
    std::unordered_set<SgNode *> seen;
    while (!pending.empty()) {
        SgNode *node = pending.back();
        pending.pop_back();
        if (!node || !seen.insert(node).second)
            continue;
        if (auto *external = dynamic_cast<SgExternalFile *>(node))
            found.push_back(external);
        for (int i = 0; i < node->GetNumChildren(); ++i)
            pending.push_back(node->GetChild(i));
    }
}

std::string Fetch(SgDocument &document, const std::string &name)
{
    if (!document.IsRemoteContentAllowed()) {
        SgDiagInfo("ExternalFile", "%s is not downloaded: remote content is off", name.c_str());
        return {};
    }
    const std::string address = name.rfind("www.", 0) == 0 ? "http://" + name : name;
    DownloadProgress progress("Downloading External File");
    UrlDownloader::Options options;
    options.useCached = document.GetCachedDownload() != 0;
    options.progress = [&progress](int64_t received, int64_t total) {
        const uint64_t got = received > 0 ? uint64_t(received) : 0;
        return progress.OnProgress(got, total < 0 ? got : uint64_t(total));
    };
    const UrlDownloader::Result result = UrlDownloader::Download(address, options);
    if (result) {
        std::error_code error;
        const auto bytes = std::filesystem::file_size(result.file, error);
        progress.Finish(error ? 0 : uint64_t(bytes));
    }
    SgEndProgress("Downloading External File");
    if (!result) {
        // A wait the progress gave up on comes back from the transfer as a cancel.
        const std::string why =
            progress.Stalled() && !progress.Cancelled()
                ? "timed out: nothing received for " +
                      std::to_string(DownloadProgress::kMaxStallMilliseconds / 1000) + " seconds"
                : (result.reason.empty() ? result.error : result.reason);
        SgDiagWarning("ExternalFile", "%s could not be downloaded: %s", name.c_str(), why.c_str());
        return {};
    }
    return result.file.string();
}

} // namespace

int SgExternalFileLoader::Prepare(SgDocument &document, SgNode *root, const std::string &sceneFile)
{
    std::vector<SgExternalFile *> nodes;
    Collect(root, nodes);
    int given = 0;
    for (SgExternalFile *node : nodes) {
        const std::string name = node->m_filename.Get(true);
        std::string local;
        if (SgExternalFile::IsRemoteName(name)) {
            local = Fetch(document, name);
        } else if (!name.empty() && !sceneFile.empty() && std::filesystem::path(name).is_relative()) {
            const std::filesystem::path beside = std::filesystem::path(sceneFile).parent_path() / name;
            std::error_code error;
            if (std::filesystem::is_regular_file(beside, error))
                local = beside.string();
        }
        node->SetLocalFile(local);
        given += local.empty() ? 0 : 1;
        // One message for each file that will show nothing; a failed download
        // has told its own.
        if (SgExternalFile::IsRemoteName(name))
            continue;
        const std::string read = local.empty() ? name : local;
        std::error_code error;
        if (read.empty() || !std::filesystem::is_regular_file(read, error))
            SgDiagWarning("ExternalFile", "%s: file not found", name.c_str());
        else if (SgExternalFile::GetFormatCount() == 0)
            SgDiagWarning("ExternalFile", "%s: no importer for %s", name.c_str(),
                          SgExternalFile::FormatOf(name, node->m_type.Get(true)).c_str());
    }
    return given;
}
