// demogen: writes the demo adventure's data folder. Usage: demogen <sources folder> <output folder>.
#include "DemoData.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

// fontconfig leaves a few bytes of its parsed configuration unreachable once the card pictures' text has been
// drawn; the leak checker of a sanitized build is told so.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
extern "C" const char* __lsan_default_options()
{
    return "print_suppressions=0";
}

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: demogen <sources folder> <output folder>\n", stderr);
        return 2;
    }
    // The card pictures' text is drawn off screen, whatever display the build has.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    try {
        const TDemoWriteCount count = WriteDemoData(argv[1], argv[2]);
        std::printf("demogen: %d files written, %d unchanged\n", count.written, count.unchanged);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "demogen: %s\n", error.what());
        return 1;
    }
}
