#pragma once
// Path handling and the search for texture and image files.
//
// Paths come in with '\' or '/' (scene files written on Windows carry
// backslashes) and go out with '/'. A drive-letter path ("C:\tex\wood.bmp")
// counts as absolute, but no such file exists here, so the searches look its
// file name up where local textures live instead. Where an exact name is
// missing, a name that differs only in letter case in the same folder is taken.
// "http://" and "https://" names count as absolute and are fetched through the
// URL downloader.
//
// Folders searched: the start-up folder (the current directory at the first
// call of GetCurrentWorkingDir), the texture library folder (setting
// "Texture_path"), and the folders listed one per line in "tex_path.txt" in
// the start-up folder.
#include <string>
#include <vector>
#include "utilities/BrannicExport.h"

class BRANNIC_API FileUtil {
public:
    virtual ~FileUtil();

    // The coded form of a path below the texture library folder begins so.
    static constexpr const char *kLibraryPathPrefix = "$TEXTURE_LIB_PATH$";
    static constexpr const char *kFolderListName = "tex_path.txt";

    // The path with every backslash turned into '/', as this system names files.
    static std::string NativePath(std::string path);

    // The folder part without the drive, with its trailing '/'; empty when the
    // path has none.
    static std::string ExtractDirName(const char *path);
    // A drive letter and its colon ("C:"); empty when there is none.
    static std::string ExtractDriveName(const char *path);
    // The extension with its dot; empty when there is none.
    static std::string ExtractExtName(const char *path);
    // The file name without folders, with its extension when `withExtension`.
    static std::string ExtractFileName(const char *path, bool withExtension);

    // A path inside the texture library folder (in any letter case) becomes
    // "$TEXTURE_LIB_PATH$" and the rest below the folder; any other path is
    // copied unchanged.
    static void CodePath(const std::string &path, std::string &coded);

    // Finds the file a stored path means: absolute paths and URLs as they
    // stand, coded paths below the library folder, then the start-up folder,
    // the library folder, the folder of `referencePath` (may be null) and the
    // folders of "tex_path.txt"; when all miss and "tex_path.txt" exists the
    // user is asked through the file chooser. When nothing is found the output
    // is the path itself.
    static void DecodePath(std::string path, std::string &decoded, const char *referencePath);

    // Looks for `name` as an absolute path or URL, then below each of the
    // `count` folders in order (local folders, relative ones below the start-up
    // folder, and URL folders). Returns 1 with the file in `found`, or 0; on 0
    // `found` holds the absolute name when there was one and is unchanged
    // otherwise.
    static int FindFileInDirList(int count, const std::string *folders, const std::string &name, std::string &found);
    static int FindFileInDirList(const std::vector<std::string> &folders, const std::string &name, std::string &found);

    // The texture library folder; empty when it is not set.
    static std::string GetLibraryRegPath();

    // The start-up folder, fixed at the first call for the whole process.
    static void GetCurrentWorkingDir(std::string &folder);

    // Splits a folder list at ';' and ',' into `items` (replacing what it
    // held) and returns the number of items. Empty items are kept, except that
    // a separator at the very end adds none.
    static int SetTexturePathes(const char *list, std::vector<std::string> &items);
};
