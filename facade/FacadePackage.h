#pragma once

namespace drevon {
// The package name the facade's diagnostics carry.
inline constexpr const char *kPackage = "Facade";
} // namespace drevon
