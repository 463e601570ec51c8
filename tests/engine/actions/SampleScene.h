#pragma once
// The scene that tests/data/sample_scene.kvrx holds, built in code: a light,
// a camera and three objects with transforms and materials. One material and
// one coordinate node are shared by two objects, and the second object's
// rotation follows the first one's through a connection.
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"

// The document's scene root: a separator named "ROOT".
SgRef<SgSeparator> BuildSampleScene();

// Where the sample file lives in the source tree.
const char *SampleScenePath();
