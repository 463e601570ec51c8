#pragma once
#include "facade/DrevonExport.h"

class SgObject;
class SgTransformSensor;

namespace drevon {
// The package name the facade's diagnostics carry.
inline constexpr const char *kPackage = "Facade";

// The object's transform sensor, made when it has none. A sensor records
// none of its own outputs, but its coming into a user's object is an edit
// that the command's undo takes back. Null when none could be added.
DREVON_API SgTransformSensor *TransformSensorOf(SgObject *object);
} // namespace drevon
