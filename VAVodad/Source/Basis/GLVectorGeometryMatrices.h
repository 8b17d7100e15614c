// Matrices, quaternions, projections and frustum extraction: the second half of the vector-geometry unit.
#pragma once

#include "GLVectorTypes.h"
