#include "GLVectorTypes.h"
