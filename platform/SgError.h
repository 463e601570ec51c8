#pragma once
// The one exception family of the system. Each carries the system's own text;
// actions, paint, event and dispatch boundaries catch SgError so that nothing
// escapes to the host.
#include <stdexcept>
#include <string>
#include "platform/PlatformExport.h"

class PLATFORM_API SgError : public std::runtime_error {
public:
    explicit SgError(const std::string &text) : std::runtime_error(text) {}
};

// An element index or position outside an array or list.
class PLATFORM_API SgInvalidArgument : public SgError {
public:
    explicit SgInvalidArgument(const std::string &text = "Invalid argument") : SgError(text) {}
};

// Arithmetic that cannot be carried out, such as inverting a singular matrix.
class PLATFORM_API SgMathError : public SgError {
public:
    explicit SgMathError(const std::string &text) : SgError(text) {}
};

// Push or pop of the traversal state beyond its frames.
class PLATFORM_API SgStateError : public SgError {
public:
    explicit SgStateError(const std::string &text) : SgError(text) {}
};

// A fixed capacity that callers or files rely on would be exceeded.
class PLATFORM_API SgCapacityError : public SgError {
public:
    explicit SgCapacityError(const std::string &text) : SgError(text) {}
};

class PLATFORM_API SgOutOfMemory : public SgError {
public:
    explicit SgOutOfMemory(const std::string &text) : SgError(text) {}
};
