// The memory viewer the frame benchmarks render through: width x height pixels on a black background, looking
// through camera, its first frame rendered (which makes the context).
#pragma once

#include "VAVodad.h"

#include <cstdint>

// Nil when no OpenGL context could be made: the benchmark skips.
inline TGLMemoryViewer* NewBenchViewer(TGLCamera* camera, int32_t width, int32_t height)
{
    auto* viewer = new TGLMemoryViewer(nullptr);
    viewer->SetWidth(width);
    viewer->SetHeight(height);
    viewer->SetCamera(camera);
    viewer->Buffer()->SetBackgroundColor(clBlack);
    try {
        viewer->Render();
        return viewer;
    } catch (const Exception&) {
        Free(viewer);
        return nullptr;
    }
}
