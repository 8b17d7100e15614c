// demogen: writes the demo adventure's data folder. Usage: demogen <sources folder> <output folder>.
#include "DemoData.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: demogen <sources folder> <output folder>\n", stderr);
        return 2;
    }
    try {
        const TDemoWriteCount count = WriteDemoData(argv[1], argv[2]);
        std::printf("demogen: %d files written, %d unchanged\n", count.written, count.unchanged);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "demogen: %s\n", error.what());
        return 1;
    }
}
