#include "VAVodadInit.h"

#include "DDSImage.h"
#include "GLAnimatedSprite.h"
#include "GLBitmapFont.h"
#include "GLCadencer.h"
#include "GLCompositeImage.h"
#include "GLContext.h"
#include "GLCoordinates.h"
#include "GLCustomShader.h"
#include "GLFile3DS.h"
#include "GLFile3DSSceneObjects.h"
#include "GLFileDDS.h"
#include "GLFileJPEG.h"
#include "GLFileMP3.h"
#include "GLFileOBJ.h"
#include "GLFilePNG.h"
#include "GLFileTGA.h"
#include "GLFileWAV.h"
#include "GLFireFX.h"
#include "GLGeomObjects.h"
#include "GLHUDObjects.h"
#include "GLJoystick.h"
#include "GLMaterial.h"
#include "GLMesh.h"
#include "GLObjects.h"
#include "GLPersistentClasses.h"
#include "GLPostEffects.h"
#include "GLSLShader.h"
#include "GLSMOpenAL.h"
#include "GLSMWaveOut.h"
#include "GLScreen.h"
#include "GLShadowPlane.h"
#include "GLShadowVolume.h"
#include "GLSound.h"
#include "GLSkyBox.h"
#include "GLTexCombineShader.h"
#include "GLTexture.h"
#include "GLTilePlane.h"
#include "GLVectorFileObjects.h"
#include "GLVectorLists.h"
#include "GLWindowsFont.h"
#include "GLWin32Context.h"
#include "GLWin32Viewer.h"
#include "Graphics.h"
#include "TGA.h"
#include "VAVodad.h"
#include "XOpenGL.h"

namespace {

bool vRegistered = false;
bool vWindows = false;

void RegisterEverything()
{
    // The graphics layer's picture formats first: the engine's TGA and DDS pictures join them.
    InitializeGraphics();
    RegisterGLPersistentClasses();
    RegisterGLVectorListsClasses();
    RegisterGLCoordinatesClasses();
    RegisterVAVodadClasses();
    RegisterGLObjectsClasses();
    RegisterGLShadowPlaneClasses();
    RegisterGLTilePlaneClasses();
    RegisterGLGeomObjectsClasses();
    RegisterGLHUDObjectsClasses();
    RegisterGLAnimatedSpriteClasses();
    RegisterGLMeshClasses();
    RegisterGLVectorFileObjects();
    RegisterGLFileOBJ();
    RegisterGLFile3DSSceneObjects();
    RegisterGLFile3DS();
    RegisterGLBitmapFontClasses();
    RegisterGLWindowsFontClasses();
    RegisterGLSkyBoxClasses();
    RegisterGLShadowVolumeClasses();
    // Raster formats in the program's order: the last registration of an extension wins.
    RegisterGLFilePNG();
    RegisterGLFileTGA();
    RegisterGLFileJPEG();
    RegisterGLFileDDS();
    RegisterTGAPicture();
    RegisterDDSPicture();
    RegisterGLTextureImageClasses();
    RegisterGLCompositeImage();
    RegisterGLMultitextureCoordinator();
    RegisterGLMaterialClasses();
    RegisterGLTexCombineShaderClasses();
    RegisterGLCadencer();
    RegisterGLFireFXClasses();
    RegisterGLCustomShaderClasses();
    RegisterGLSLShaderClasses();
    RegisterGLPostEffectsClasses();
    RegisterGLFileWAV();
    RegisterGLFileMP3();
    RegisterGLSMWaveOutClasses();
    RegisterGLSoundClasses();
    RegisterGLSMOpenALClasses();
    RegisterGLJoystickClasses();
}

} // namespace

void InitVAVodad()
{
    if (!vRegistered) {
        vRegistered = true;
        RegisterEverything();
    }
    InitContextModule();
}

void InitVAVodadWindows()
{
    if (vWindows) return;
    vWindows = true;
    InitGLWin32Viewer();
    RegisterGLWin32Context();
    // A context module started without a context class has no service context: start it again.
    if (vGLContextManager) {
        DoneContextModule();
        RegisterGLWin32Context();
        InitContextModule();
    }
}

void DoneVAVodad()
{
    DoneGLScreen();
    DoneContextModule();
    // DoneContextModule forgot the context class.
    vWindows = false;
}
