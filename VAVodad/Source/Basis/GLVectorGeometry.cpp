#include "GLVectorGeometry.h"
