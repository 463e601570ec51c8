#include "platform/Settings.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"

namespace fs = std::filesystem;

namespace {

const char *const kFolderName = "3RUruver";
const char *const kFileName = "settings.ini";

std::string Trim(const std::string &text)
{
    const char *blanks = " \t";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

// The key of a "key=value" line, or nothing for blank lines, comments and
// section headers, which are kept as they stand.
std::optional<std::string> KeyOf(const std::string &line)
{
    std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == '#' || trimmed[0] == ';' || trimmed[0] == '[')
        return std::nullopt;
    size_t equals = line.find('=');
    if (equals == std::string::npos)
        return std::nullopt;
    return Trim(line.substr(0, equals));
}

// The lines of the file without their line ends; an empty list when the file
// does not exist.
std::vector<std::string> ReadLines(const fs::path &file)
{
    std::vector<std::string> lines;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        // Files edited on Windows end their lines with CR LF.
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool Fail(const fs::path &file, const std::string &what)
{
    SgDiagError("Settings", "Settings: cannot write %s: %s", file.c_str(), what.c_str());
    return false;
}

bool WriteAll(int fd, const std::string &text)
{
    const char *data = text.data();
    size_t left = text.size();
    while (left > 0) {
        ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
    return true;
}

} // namespace

fs::path Settings::FilePath()
{
    // Relative values of XDG_CONFIG_HOME are ignored, as the base-directory
    // convention asks.
    const char *config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/')
        return fs::path(config) / kFolderName / kFileName;
    const char *home = std::getenv("HOME");
    if (home && home[0] != '\0')
        return fs::path(home) / ".config" / kFolderName / kFileName;
    return fs::path();
}

std::string Settings::Get(const std::string &key, const std::string &defaultValue)
{
    fs::path file = FilePath();
    if (file.empty())
        return defaultValue;
    for (const std::string &line : ReadLines(file)) {
        std::optional<std::string> lineKey = KeyOf(line);
        if (lineKey && *lineKey == key)
            return line.substr(line.find('=') + 1);
    }
    return defaultValue;
}

bool Settings::Set(const std::string &key, const std::string &value)
{
    if (key.empty() || Trim(key) != key || key.find_first_of("=\r\n") != std::string::npos)
        throw SgInvalidArgument("Settings: invalid key \"" + key + "\"");
    if (value.find_first_of("\r\n") != std::string::npos)
        throw SgInvalidArgument("Settings: the value of \"" + key + "\" holds a line break");

    fs::path file = FilePath();
    if (file.empty())
        return Fail("settings.ini", "neither XDG_CONFIG_HOME nor HOME is set");

    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    if (error)
        return Fail(file, error.message());

    // Replace the first line of the key, drop later duplicates (they were
    // never read), keep everything else.
    std::ostringstream text;
    bool stored = false;
    for (const std::string &line : ReadLines(file)) {
        std::optional<std::string> lineKey = KeyOf(line);
        if (lineKey && *lineKey == key) {
            if (!stored)
                text << key << '=' << value << '\n';
            stored = true;
            continue;
        }
        text << line << '\n';
    }
    if (!stored)
        text << key << '=' << value << '\n';

    std::string temporary = (file.parent_path() / (std::string(kFileName) + ".XXXXXX")).string();
    int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return Fail(file, std::strerror(errno));
    bool written = WriteAll(fd, text.str()) && ::fsync(fd) == 0;
    int savedErrno = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        savedErrno = errno;
    }
    if (!written || ::rename(temporary.c_str(), file.c_str()) != 0) {
        if (written)
            savedErrno = errno;
        ::unlink(temporary.c_str());
        return Fail(file, std::strerror(savedErrno));
    }
    return true;
}
