// Vectors, scalars, planes and rays; the matrix, quaternion and frustum half of this unit is declared in
// GLVectorGeometryMatrices.h, included at the end so one include serves.
#pragma once

#include "GLVectorTypes.h"

#include "GLVectorGeometryMatrices.h"
