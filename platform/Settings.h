#pragma once
// The user's settings, one "key=value" line each, in
// $XDG_CONFIG_HOME/3RUruver/settings.ini (~/.config/3RUruver/settings.ini when
// XDG_CONFIG_HOME is not set). The file is read on every call, so a change made
// by another process or a test that moves XDG_CONFIG_HOME is seen at once.
#include <filesystem>
#include <string>
#include "platform/PlatformExport.h"

class PLATFORM_API Settings {
public:
    // The file the settings live in; empty when neither XDG_CONFIG_HOME nor
    // HOME gives a folder.
    static std::filesystem::path FilePath();

    // The value of `key`, or `defaultValue` when the key or the file is missing.
    static std::string Get(const std::string &key, const std::string &defaultValue = std::string());

    // Stores `value` under `key`, keeping every other line of the file. The
    // file is replaced atomically, so a crash leaves either the old or the new
    // settings. Returns false (with a "Settings" error diagnostic) when the
    // file cannot be written. A key that is empty or holds '=' or a line break,
    // or a value with a line break, cannot be stored in the file's form and
    // throws SgInvalidArgument.
    static bool Set(const std::string &key, const std::string &value);
};
