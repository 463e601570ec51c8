#include "control/FennixRegistration.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fennix {

namespace fs = std::filesystem;

namespace {

// Written whole or not at all: a half-written entry would confuse the desktop.
bool WriteFile(const std::string &path, const std::string &text)
{
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    if (error)
        return false;
    const std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            fs::remove(temporary, error);
            return false;
        }
    }
    fs::rename(temporary, path, error);
    if (error) {
        fs::remove(temporary, error);
        return false;
    }
    return true;
}

// True when the file is gone (or never was).
bool RemoveFile(const std::string &path)
{
    std::error_code error;
    fs::remove(path, error);
    return !error && !fs::exists(path, error);
}

// Desktop entries quote arguments of Exec with double quotes, escaping "`$\.
std::string QuoteExec(const std::string &program)
{
    std::string out = "\"";
    for (char c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            out += "\\\\";
        out += c;
    }
    return out + "\"";
}

} // namespace

std::string DataHome()
{
    if (const char *xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')
        return xdg;
    if (const char *home = std::getenv("HOME"); home && *home == '/')
        return std::string(home) + "/.local/share";
    return std::string();
}

std::string DesktopEntryPath()
{
    const std::string home = DataHome();
    return home.empty() ? home : home + "/applications/fennix.desktop";
}

std::string MimeTypePath()
{
    const std::string home = DataHome();
    return home.empty() ? home : home + "/mime/packages/fennix-kvrx.xml";
}

int Register(const std::string &program, std::string &message)
{
    const std::string mime =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"" + std::string(kSceneMimeType) + "\">\n"
        "    <comment>Fennix scene</comment>\n"
        "    <glob pattern=\"*.kvrx\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n";
    if (MimeTypePath().empty() || !WriteFile(MimeTypePath(), mime)) {
        message = "Register Failed: SELFREG_E_TYPELIB";
        return kRegisterTypeFailed;
    }
    const std::string entry = "[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=Fennix\n"
                              "Comment=View and model 3D scenes\n"
                              "Exec=" + QuoteExec(program) + " %f\n"
                              "MimeType=" + std::string(kSceneMimeType) + ";\n"
                              "Terminal=false\n"
                              "Categories=Graphics;3DGraphics;\n";
    if (!WriteFile(DesktopEntryPath(), entry)) {
        message = "Register Failed: SELFREG_E_CLASS";
        return kRegisterClassFailed;
    }
    message.clear();
    return kRegisterOk;
}

int Unregister(std::string &message)
{
    if (MimeTypePath().empty() || !RemoveFile(MimeTypePath())) {
        message = "UnRegister Failed: SELFREG_E_TYPELIB";
        return kRegisterTypeFailed;
    }
    if (!RemoveFile(DesktopEntryPath())) {
        message = "UnRegister Failed: SELFREG_E_CLASS";
        return kRegisterClassFailed;
    }
    message.clear();
    return kRegisterOk;
}

} // namespace fennix
