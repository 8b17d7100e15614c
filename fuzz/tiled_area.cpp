// Reads arbitrary bytes as the archive of a tiled area (its rows inside). Any outcome but an Exception is a
// fault, and so is an area that does not write back what it read.
#include "GLTilePlane.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        TGLTiledArea area;
        area.LoadFromString(bytes);
        const std::string saved = area.SaveToString();
        TGLTiledArea again;
        again.LoadFromString(saved);
        if (again.SaveToString() != saved) __builtin_trap();
        area.Pack();
        if (const TGLTiledAreaRow* row = area.Row(area.RowMin())) area.SetTile(row->ColMax(), area.RowMax(), 1);
    } catch (const Exception&) {
    }
    return 0;
}
