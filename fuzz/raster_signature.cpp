// The raster format registry's signature test: any bytes, read from any position, either name a registered
// format or raise EInvalidRasterFile, and the stream's position never moves.
#include "GLFileDDS.h"
#include "GLFileJPEG.h"
#include "GLFilePNG.h"
#include "GLFileTGA.h"
#include "Streams.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TMemoryStream input;
    input.WriteBuffer(data, static_cast<int64_t>(size));
    // The first byte chooses where the test starts.
    const int64_t start = size > 0 ? data[0] % (static_cast<int64_t>(size) + 1) : 0;
    input.SetPosition(start);
    try {
        GetRasterFileFormats().FindFromStream(input);
    } catch (const EInvalidRasterFile&) {
    }
    if (input.Position() != start) std::abort();
    return 0;
}
