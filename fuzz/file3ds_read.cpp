// Reads arbitrary bytes as a 3DS file, then the data of every chunk of the tree it loaded. Any outcome but
// E3DSError is a fault; so is a chunk whose data, once read, is read again from the stream, or a copy of the tree
// that differs from it.
#include "File3DS.h"
#include "Streams.h"

#include <cstdint>

namespace {

void ReadEveryChunk(TFile3DS& file, TChunk3DS* chunk)
{
    for (; chunk; chunk = chunk->Sibling.get()) {
        try {
            file.ReadChunkData(chunk);
            const TChunkData* data = chunk->Data.get();
            file.ReadChunkData(chunk);
            if (chunk->Data.get() != data) __builtin_trap();
        } catch (const E3DSError&) {
            if (chunk->Data) __builtin_trap(); // a failed read leaves nothing half decoded
        }
        ReadEveryChunk(file, chunk->Children.get());
    }
}

bool SameTree(const TChunk3DS* a, const TChunk3DS* b)
{
    for (; a && b; a = a->Sibling.get(), b = b->Sibling.get())
        if (a->Tag != b->Tag || a->Size != b->Size || a->Position != b->Position ||
            !SameTree(a->Children.get(), b->Children.get()))
            return false;
    return !a && !b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TMemoryStream stream;
    stream.WriteBuffer(data, static_cast<int64_t>(size));
    TFile3DS file;
    try {
        file.LoadFromStream(stream);
        file.DatabaseRelease();
        file.MeshRelease();
    } catch (const E3DSError&) {
        return 0;
    }
    TChunk3DS* top = file.Database().TopChunk.get();
    ReadEveryChunk(file, top);
    const std::unique_ptr<TChunk3DS> copy = CopyChunkTree(top);
    if (!SameTree(top, copy.get())) __builtin_trap();
    return 0;
}
