// Shared entry point of every test program: it starts what the program links the way the program does (the
// application first, then the engine's one start-up routine), never through static initialisers.
#include <gtest/gtest.h>

// Programs that link the forms layer run with the application made, as the program does.
#if __has_include("Forms.h")
#include "Dialogs.h"
#include "Forms.h"
#define MIREFALL_FORMS 1
#endif

#if __has_include("VAVodadInit.h")
#include "VAVodadInit.h"
#define MIREFALL_ENGINE 1
#elif __has_include("Graphics.h")
#include "Graphics.h"
#define MIREFALL_GRAPHICS 1
#endif

#if __has_include("Graphics.h")
// fontconfig leaves a few bytes of its parsed configuration unreachable when Qt loads the font list; the
// leak checker is told so here, where it holds whatever environment the test runs in.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
#endif

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests starts nothing.
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
#ifdef MIREFALL_FORMS
    // The forms' application comes first: the graphics layer then finds it instead of making its own.
    TApplication application;
    application.Initialize(&argc, argv);
    // Tests answer dialogs themselves: nothing may wait for a user.
    SetMessageBoxHook(nullptr);
    SetSavePictureDialogHook(nullptr);
    SetFileDialogHook(nullptr);
    SetFontDialogHook(nullptr);
#endif
#ifdef MIREFALL_ENGINE
    InitVAVodad();
#elif defined(MIREFALL_GRAPHICS)
    InitializeGraphics();
#endif
    const int result = RUN_ALL_TESTS();
#ifdef MIREFALL_ENGINE
    DoneVAVodad();
#endif
    return result;
}
