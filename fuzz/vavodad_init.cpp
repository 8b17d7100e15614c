// Fuzz targets that read through the engine start it as the program does, once, before the first input.
#include "VAVodadInit.h"

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/)
{
    InitVAVodad();
    return 0;
}
