// What the viewers share: the swap interval (vertical sync) of the current context.
#pragma once

#include "GLContext.h"

// Sets the current context's swap interval to 1 for vsmSync or 0 for vsmNoSync unless it already is; nothing
// without the swap-control extension. Another value is an assertion failure.
void SetupVSync(TVSyncMode AVSyncMode);
