// Reads arbitrary bytes as a 3DS file, then its scene settings and its text dump at every level. Any outcome but
// E3DSError is a fault; so is a terse dump (which reads no chunk data and cannot fail) that does not give one
// line per chunk, each indented by its capped depth.
#include "Dump3DS.h"
#include "File3DS.h"
#include "StringLists.h"
#include "Streams.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

// The depth of every chunk below Top, in the dump's order, without recursion.
std::vector<int> ChunkDepths(TChunk3DS* Top)
{
    std::vector<int> depths;
    std::vector<std::pair<TChunk3DS*, int>> pending;
    if (Top) pending.emplace_back(Top, 0);
    while (!pending.empty()) {
        const auto [chunk, depth] = pending.back();
        pending.pop_back();
        depths.push_back(depth);
        std::vector<TChunk3DS*> children;
        for (TChunk3DS* child = chunk->Children.get(); child; child = child->Sibling.get()) children.push_back(child);
        for (auto child = children.rbegin(); child != children.rend(); ++child) pending.emplace_back(*child, depth + 1);
    }
    return depths;
}

template <class F> void Tolerating3DSErrors(F&& read)
{
    try {
        read();
    } catch (const E3DSError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TMemoryStream stream;
    stream.WriteBuffer(data, static_cast<int64_t>(size));
    TFile3DS file;
    try {
        file.LoadFromStream(stream);
    } catch (const E3DSError&) {
        return 0;
    }
    Tolerating3DSErrors([&] { file.MeshSettings(); });
    Tolerating3DSErrors([&] { file.Atmosphere(); });
    Tolerating3DSErrors([&] { file.Background(); });
    Tolerating3DSErrors([&] { file.Viewport(); });

    TStringList terse;
    file.DumpDataBase(terse, dlTerseDump);
    const std::vector<int> depths = ChunkDepths(file.Database().TopChunk.get());
    if (terse.Count() != static_cast<int>(depths.size())) __builtin_trap();
    for (int i = 0; i < terse.Count(); ++i)
        if (terse.Get(i).find_first_not_of('\t') != static_cast<size_t>(std::min(depths[i], 12))) __builtin_trap();

    for (TDumpLevel level : {dlMediumDump, dlMaximumDump}) {
        TStringList lines;
        Tolerating3DSErrors([&] { file.DumpDataBase(lines, level); });
    }
    return 0;
}
