#pragma once
// Generated floor plans for roof runs, shared by the tests and the roof
// benchmark.
#include <vector>

#include "utilities/math/Vec3.h"

// The outline of a blob of about `cells` unit grid cells grown at random
// from one cell, without holes or cells meeting at a corner only: a floor
// plan of axis-parallel edges with many events at equal heights. Counter-
// clockwise in (x, z); about 12 corners at 8 cells, 530 at 4,000 and 1,200
// at 16,000.
std::vector<Vec3> GridBlobOutline(int cells, unsigned seed);
