// The configuration applied to the main window: the game-data reader fills the settings, then the window takes
// its anti-aliasing, ambient light, view depth, fog and VSync from them.
#include "UGH_main.h"

#include "GLWin32Viewer.h"
#include "UGH_data.h"
#include "VAVodad.h"

void TForm1::ReadConfig()
{
    ::ReadConfig();
    // The reader gives 0 for a bad anti-aliasing line.
    SwitchAA(aaindex);
    TVAVodadBuffer* buffer = VAVodadViewer1->Buffer();
    const float ambient = brightness / 200.0f;
    buffer->AmbientColor()->SetColor(ambient, ambient, ambient, buffer->AmbientColor()->Alpha());
    // Cells are 20 units wide; the first frame's camera step replaces both with camdist and fogdist.
    const float viewDepth = 20.0f * viewdist;
    if (mcam->DepthOfView() != viewDepth) mcam->SetDepthOfView(viewDepth);
    if (mcam->FocalLength() != 100) mcam->SetFocalLength(100);
    if (buffer->FogEnvironment()->FogEnd() != viewDepth) buffer->FogEnvironment()->SetFogEnd(viewDepth);
    const TVSyncMode vsync = vsyncon ? vsmSync : vsmNoSync;
    if (VAVodadViewer1->VSync() != vsync) VAVodadViewer1->SetVSync(vsync);
}
