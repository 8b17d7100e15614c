#include "GLViewer.h"

#include "OpenGLAdapter.h"
#include "SysUtils.h"

void SetupVSync(TVSyncMode AVSyncMode)
{
    TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
    if (!gl || !gl->W_EXT_swap_control) return;
    const int32_t interval = gl->WGetSwapIntervalEXT();
    switch (AVSyncMode) {
    case vsmSync:
        if (interval != 1) gl->WSwapIntervalEXT(1);
        break;
    case vsmNoSync:
        if (interval != 0) gl->WSwapIntervalEXT(0);
        break;
    default: Assert(false, "", "VAVodad\\Source\\GLViewer");
    }
}
