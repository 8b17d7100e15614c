// Shared entry point of every test program: the modules' registries are filled by explicit calls here,
// as the program's start-up does, never by static initialisers.
#include <gtest/gtest.h>

// Programs that link the engine register its archivable classes.
#if __has_include("GLVectorLists.h")
#include "GLPersistentClasses.h"
#include "GLVectorLists.h"
#define MIREFALL_ENGINE_BASIS_CLASSES 1
#endif

// Programs that link the forms layer run with the application made, as the program does.
#if __has_include("Forms.h")
#include "Dialogs.h"
#include "Forms.h"
#define MIREFALL_FORMS 1
#endif

// Programs that link the scene tree register its streamable classes.
#if __has_include("GLCoordinates.h")
#include "GLCoordinates.h"
#define MIREFALL_SCENE_CLASSES 1
#endif

// Programs that link the engine's image files register the raster formats, in the program's order.
#if __has_include("GLFileDDS.h")
#include "DDSImage.h"
#include "GLFileDDS.h"
#include "GLFileJPEG.h"
#include "GLFilePNG.h"
#include "GLFileTGA.h"
#include "TGA.h"
#define MIREFALL_RASTER_FORMATS 1
#endif

// Programs that link the graphics layer prepare it (fonts, picture formats).
#if __has_include("Graphics.h")
#include "Graphics.h"
#define MIREFALL_GRAPHICS 1

// fontconfig leaves a few bytes of its parsed configuration unreachable when Qt loads the font list; the
// leak checker is told so here, where it holds whatever environment the test runs in.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
#endif

// Programs that link the rendering contexts start the context module: its manager, and the service context
// when a context class is registered.
#if __has_include("GLContext.h")
#include "GLContext.h"
#define MIREFALL_CONTEXT_MODULE 1
#endif

// Programs that link the textures register the texture image kinds and the multitexture coordinator.
#if __has_include("GLTexture.h")
#include "GLCompositeImage.h"
#include "GLTexture.h"
#include "XOpenGL.h"
#define MIREFALL_TEXTURES 1
#endif

// Programs that link the materials register their streamable classes.
#if __has_include("GLMaterial.h")
#include "GLMaterial.h"
#define MIREFALL_MATERIALS 1
#endif

// Programs that link the frame clock register it (and its tick message).
#if __has_include("GLCadencer.h")
#include "GLCadencer.h"
#define MIREFALL_CADENCER 1
#endif

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
#ifdef MIREFALL_FORMS
    // The forms' application comes first: the graphics layer then finds it instead of making its own.
    TApplication application;
    if (!GTEST_FLAG_GET(list_tests)) {
        application.Initialize(&argc, argv);
        // Tests answer dialogs themselves: nothing may wait for a user.
        SetMessageBoxHook(nullptr);
        SetSavePictureDialogHook(nullptr);
    }
#endif
#ifdef MIREFALL_GRAPHICS
    InitializeGraphics();
#endif
#ifdef MIREFALL_ENGINE_BASIS_CLASSES
    RegisterGLPersistentClasses();
    RegisterGLVectorListsClasses();
#endif
#ifdef MIREFALL_SCENE_CLASSES
    RegisterGLCoordinatesClasses();
#endif
#ifdef MIREFALL_RASTER_FORMATS
    RegisterGLFilePNG();
    RegisterGLFileTGA();
    RegisterGLFileJPEG();
    RegisterGLFileDDS();
    RegisterTGAPicture();
    RegisterDDSPicture();
#endif
#ifdef MIREFALL_CONTEXT_MODULE
    InitContextModule();
#endif
#ifdef MIREFALL_TEXTURES
    RegisterGLTextureImageClasses();
    RegisterGLCompositeImage();
    RegisterGLMultitextureCoordinator();
#endif
#ifdef MIREFALL_MATERIALS
    RegisterGLMaterialClasses();
#endif
#ifdef MIREFALL_CADENCER
    RegisterGLCadencer();
#endif
    const int result = RUN_ALL_TESTS();
#ifdef MIREFALL_CONTEXT_MODULE
    DoneContextModule();
#endif
    return result;
}
