#include "utilities/FileUtil.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "platform/Notifier.h"
#include "platform/Settings.h"
#include "platform/UrlDownloader.h"
#include "utilities/StringUtil.h"

namespace fs = std::filesystem;

namespace {

const char *const kLibrarySettingKey = "Texture_path";
const char *const kMissingFileTitle = "Where is your missing file?";
const char *const kMissingFileFilter = "Bitmap files(*.bmp)|*.bmp|Jpeg files(*.jpg)|*.jpg|All Files (*.*)|*.*||";

// The last file the user picked for a missing one. Asking once per file name
// is enough: a scene that uses one texture many times names it many times.
std::string s_rememberedAnswer;

std::string ToSlashes(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool HasDrive(const std::string &path)
{
    return path.size() >= 2 && IsLetter(path[0]) && path[1] == ':';
}

// "C:\..." from a Windows machine: absolute there, meaningless here.
bool IsDrivePath(const std::string &path)
{
    return path.size() > 2 && HasDrive(path);
}

bool IsAbsoluteName(const std::string &path)
{
    return !path.empty() && (IsDrivePath(path) || path[0] == '\\' || path[0] == '/' || UrlDownloader::IsUrl(path));
}

bool IsCoded(const std::string &path)
{
    return !path.empty() && path[0] == '$';
}

// `name` below `folder` with exactly one '/' between them, whatever separators
// either side brings.
std::string Join(const std::string &folder, const std::string &name)
{
    size_t folderEnd = folder.find_last_not_of('/');
    size_t nameStart = name.find_first_not_of('/');
    std::string rest = nameStart == std::string::npos ? std::string() : name.substr(nameStart);
    if (folderEnd == std::string::npos)
        return folder.empty() ? rest : "/" + rest;
    return folder.substr(0, folderEnd + 1) + "/" + rest;
}

bool IsFileEntry(const fs::path &path)
{
    std::error_code error;
    fs::file_status status = fs::status(path, error);
    return !error && fs::exists(status) && !fs::is_directory(status);
}

// The file `candidate` names: the exact name when it exists, else the one
// entry of the same folder whose name differs only in letter case (the first
// in byte order when several do, so that the choice does not depend on the
// order the file system lists them in). Folders are no answer: what is looked
// for here is always a file.
std::optional<std::string> Locate(const std::string &candidate)
{
    if (candidate.empty() || candidate.back() == '/' || candidate.find('\0') != std::string::npos)
        return std::nullopt;
    if (IsFileEntry(candidate))
        return candidate;

    size_t slash = candidate.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : candidate.substr(0, slash + 1);
    std::string name = candidate.substr(slash == std::string::npos ? 0 : slash + 1);
    std::error_code error;
    fs::directory_iterator entries(folder.empty() ? fs::path(".") : fs::path(folder), error);
    if (error)
        return std::nullopt;
    std::optional<std::string> best;
    for (const fs::directory_entry &entry : entries) {
        std::string entryName = entry.path().filename().string();
        if (!SgIEquals(entryName, name) || (best && entryName >= *best))
            continue;
        if (IsFileEntry(entry.path()))
            best = entryName;
    }
    if (!best)
        return std::nullopt;
    return folder + *best;
}

std::string StartupFolder()
{
    std::string folder;
    FileUtil::GetCurrentWorkingDir(folder);
    return folder;
}

std::string FolderListFile()
{
    return Join(StartupFolder(), FileUtil::kFolderListName);
}

// `name` below each folder listed in "tex_path.txt", in the order of the lines.
std::optional<std::string> SearchFolderList(const std::string &name)
{
    if (name.empty())
        return std::nullopt;
    std::ifstream list(FolderListFile());
    std::string line;
    while (std::getline(list, line)) {
        // Lists edited on Windows end their lines with CR LF.
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string folder = ToSlashes(line);
        // A blank line would otherwise stand for the root folder.
        if (folder.empty() || IsDrivePath(folder) || UrlDownloader::IsUrl(folder))
            continue;
        // Relative folders are read below the start-up folder, as the
        // caller's folders are, not below whatever the current directory is.
        if (!IsAbsoluteName(folder))
            folder = Join(StartupFolder(), folder);
        if (std::optional<std::string> found = Locate(Join(folder, name)))
            return found;
    }
    return std::nullopt;
}

// The local search for a relative path: the start-up folder, the library
// folder, the folder of the reference file and the folders of "tex_path.txt".
// `relative` keeps its folders for the first two; the last two look for its
// file name only.
std::optional<std::string> SearchLocal(const std::string &relative, const char *referencePath)
{
    if (relative.empty())
        return std::nullopt;
    if (std::optional<std::string> found = Locate(Join(StartupFolder(), relative)))
        return found;

    std::string library = FileUtil::GetLibraryRegPath();
    if (!library.empty()) {
        if (std::optional<std::string> found = Locate(Join(library, relative)))
            return found;
    }

    std::string fileName = FileUtil::ExtractFileName(relative.c_str(), true);
    if (referencePath != nullptr && !HasDrive(ToSlashes(referencePath))) {
        std::string folder = FileUtil::ExtractDirName(referencePath);
        if (std::optional<std::string> found = Locate(folder + fileName))
            return found;
    }
    return SearchFolderList(fileName);
}

// The part of a coded name below the library folder: what follows the '$'
// that closes the variable's name. A '$' later on belongs to a folder or file
// name. Empty when the name is not closed.
std::string CodedPart(const std::string &coded)
{
    size_t close = coded.find('$', 1);
    return close == std::string::npos ? std::string() : coded.substr(close + 1);
}

// The file name part of a URL, without its query and fragment.
std::string UrlFileName(const std::string &url)
{
    std::string path = url.substr(0, url.find_first_of("?#"));
    return path.substr(path.rfind('/') + 1);
}

// A local relative name as a URL path: bytes that a URL path cannot carry as
// they stand are percent-encoded.
std::string UrlPath(const std::string &name)
{
    static const char kDigits[] = "0123456789ABCDEF";
    static const std::string kKept = "-._~!$&'()*+,;=:@/";
    std::string encoded;
    for (char c : name) {
        if (IsLetter(c) || (c >= '0' && c <= '9') || kKept.find(c) != std::string::npos) {
            encoded += c;
        } else {
            unsigned char byte = static_cast<unsigned char>(c);
            encoded += '%';
            encoded += kDigits[byte >> 4];
            encoded += kDigits[byte & 15];
        }
    }
    return encoded;
}

std::optional<std::string> Fetch(const std::string &url)
{
    UrlDownloader::Result result = UrlDownloader::Download(url);
    if (!result)
        return std::nullopt;
    return result.file.string();
}

// The parts the C run-time path splitter gives: drive, folder (with its
// trailing separator), file name and extension (from the last dot of the
// file name on).
struct PathParts {
    std::string drive, dir, name, ext;
};

PathParts Split(const char *path)
{
    PathParts parts;
    if (path == nullptr)
        return parts;
    std::string rest = ToSlashes(path);
    if (HasDrive(rest)) {
        parts.drive = rest.substr(0, 2);
        rest.erase(0, 2);
    }
    size_t slash = rest.rfind('/');
    if (slash != std::string::npos) {
        parts.dir = rest.substr(0, slash + 1);
        rest.erase(0, slash + 1);
    }
    size_t dot = rest.rfind('.');
    if (dot != std::string::npos) {
        parts.ext = rest.substr(dot);
        rest.erase(dot);
    }
    parts.name = rest;
    return parts;
}

} // namespace

FileUtil::~FileUtil() = default;

std::string FileUtil::NativePath(std::string path)
{
    return ToSlashes(std::move(path));
}

std::string FileUtil::ExtractDirName(const char *path)
{
    return Split(path).dir;
}

std::string FileUtil::ExtractDriveName(const char *path)
{
    return Split(path).drive;
}

std::string FileUtil::ExtractExtName(const char *path)
{
    return Split(path).ext;
}

std::string FileUtil::ExtractFileName(const char *path, bool withExtension)
{
    PathParts parts = Split(path);
    return withExtension ? parts.name + parts.ext : parts.name;
}

void FileUtil::CodePath(const std::string &path, std::string &coded)
{
    std::string target = UrlDownloader::IsUrl(path) ? path : ToSlashes(path);
    std::string library = GetLibraryRegPath();
    if (library.empty()) {
        coded = target;
        return;
    }
    // The match must end at a folder boundary: with the library in "/tex" the
    // file "/texture/a.bmp" is not inside it.
    size_t end = library.find_last_not_of('/');
    library.erase(end == std::string::npos ? 0 : end + 1);
    if (target.size() > library.size() && target[library.size()] == '/' &&
        SgIEquals(std::string_view(target).substr(0, library.size()), library)) {
        coded = kLibraryPathPrefix + target.substr(library.size());
    } else {
        coded = target;
    }
}

void FileUtil::DecodePath(std::string path, std::string &decoded, const char *referencePath)
{
    // Nothing to look for; and an empty name must not come back as a folder.
    if (path.empty() || UrlDownloader::IsUrl(path)) {
        decoded = path;
        return;
    }
    path = ToSlashes(path);

    std::string relative = path;
    if (IsDrivePath(path)) {
        relative = ExtractFileName(path.c_str(), true);
    } else if (IsAbsoluteName(path)) {
        decoded = Locate(path).value_or(path);
        return;
    } else if (IsCoded(path)) {
        std::string part = CodedPart(path);
        std::string library = GetLibraryRegPath();
        if (!part.empty() && !library.empty()) {
            if (std::optional<std::string> found = Locate(Join(library, part))) {
                decoded = *found;
                return;
            }
        }
    }

    if (std::optional<std::string> found = SearchLocal(relative, referencePath)) {
        decoded = *found;
        return;
    }

    // The user is asked only where a folder list shows that textures are
    // expected to be found locally.
    std::error_code error;
    if (!fs::is_regular_file(FolderListFile(), error)) {
        decoded = path;
        return;
    }
    std::string fileName = ExtractFileName(path.c_str(), true);
    if (!s_rememberedAnswer.empty() && ExtractFileName(s_rememberedAnswer.c_str(), true) == fileName) {
        decoded = s_rememberedAnswer;
        return;
    }
    FileRequest request;
    request.title = kMissingFileTitle;
    request.initialName = fileName;
    std::string extension = ExtractExtName(path.c_str());
    request.defaultExtension = extension.empty() ? extension : extension.substr(1);
    request.filter = kMissingFileFilter;
    std::optional<std::string> chosen = ChooseFile(request);
    if (chosen && !chosen->empty()) {
        decoded = ToSlashes(*chosen);
        s_rememberedAnswer = decoded;
    } else {
        decoded = path;
    }
}

int FileUtil::FindFileInDirList(int count, const std::string *folders, const std::string &name, std::string &found)
{
    if (name.empty())
        return 0;
    bool isUrl = UrlDownloader::IsUrl(name);
    std::string target = isUrl ? name : ToSlashes(name);
    bool absolute = IsAbsoluteName(target);

    if (absolute) {
        found = target;
        std::optional<std::string> file;
        if (isUrl)
            file = Fetch(target);
        else if (IsDrivePath(target))
            file = SearchLocal(ExtractFileName(target.c_str(), true), nullptr);
        else
            file = Locate(target);
        if (file) {
            found = *file;
            return 1;
        }
    }

    std::string base = !absolute ? target : isUrl ? UrlFileName(target) : ExtractFileName(target.c_str(), true);
    if (base.empty() || folders == nullptr)
        return 0;
    for (int i = 0; i < count; ++i) {
        const std::string &folder = folders[i];
        std::optional<std::string> file;
        if (UrlDownloader::IsUrl(folder)) {
            file = Fetch(Join(folder, UrlPath(base)));
        } else {
            std::string local = ToSlashes(folder);
            // A folder of another machine's drive names nothing here.
            if (IsDrivePath(local) || (local.size() == 2 && HasDrive(local)))
                continue;
            if (!IsAbsoluteName(local))
                local = Join(StartupFolder(), local);
            file = Locate(Join(local, base));
        }
        if (file) {
            found = *file;
            return 1;
        }
    }
    return 0;
}

int FileUtil::FindFileInDirList(const std::vector<std::string> &folders, const std::string &name, std::string &found)
{
    return FindFileInDirList(static_cast<int>(folders.size()), folders.data(), name, found);
}

std::string FileUtil::GetLibraryRegPath()
{
    return ToSlashes(Settings::Get(kLibrarySettingKey));
}

void FileUtil::GetCurrentWorkingDir(std::string &folder)
{
    static const std::string s_startupFolder = [] {
        std::error_code error;
        fs::path current = fs::current_path(error);
        return error ? std::string() : current.string();
    }();
    folder = s_startupFolder;
}

int FileUtil::SetTexturePathes(const char *list, std::vector<std::string> &items)
{
    items.clear();
    if (list == nullptr)
        return 0;
    std::string text(list);
    size_t position = 0;
    while (position < text.size()) {
        size_t separator = text.find_first_of(";,", position);
        items.push_back(text.substr(position, separator == std::string::npos ? std::string::npos : separator - position));
        if (separator == std::string::npos)
            break;
        position = separator + 1;
    }
    return static_cast<int>(items.size());
}
