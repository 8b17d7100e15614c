// What the record readers of the 3DS files share: finding chunks, taking their decoded data, the checks of
// the database and the conversions of colours.
#pragma once

#include "File3DS.h"

#include <initializer_list>
#include <utility>

// The first direct child of Parent with Tag; nullptr when none.
inline TChunk3DS* FindChild3DS(TChunk3DS* Parent, uint16_t Tag)
{
    return Parent ? FindChunkInSiblings(Parent->Children.get(), Tag) : nullptr;
}

// The decoded data of Chunk, moved out of it; the chunk's data is then freed. A missing chunk, or one whose
// tag decodes to nothing, gives the zero value.
template <class T> T TakeChunkValue3DS(TFile3DS& File, TChunk3DS* Chunk)
{
    if (!Chunk) return T{};
    File.ReadChunkData(Chunk);
    T* data = Chunk->DataAs<T>();
    T value = data ? std::move(*data) : T{};
    FreeChunkData(Chunk);
    return value;
}

// The decoded data of Chunk, left on it for the next reader; nullptr when it decodes to something else.
template <class T> const T* ChunkValue3DS(TFile3DS& File, TChunk3DS* Chunk)
{
    File.ReadChunkData(Chunk);
    return Chunk->DataAs<T>();
}

// The entry of Tag in a table of entries that each have a Tag; nullptr when none has it.
template <class TEntry, size_t N> const TEntry* FindEntry3DS(const TEntry (&Table)[N], uint16_t Tag)
{
    for (const TEntry& entry : Table)
        if (entry.Tag == Tag) return &entry;
    return nullptr;
}

// Raises "has not be created yet" without a tree, "wrong kind of database" when the top chunk is not one of
// Kinds.
void CheckDatabase3DS(TFile3DS& File, std::initializer_list<uint16_t> Kinds);

// Colours stored as bytes become 0..1.
TFColor3DS ColorOf3DS(const TColor24& Color);
TFColor3DS ColorOf3DS(const TColorF& Color);

// Rebuilds a name index of the database: one entry per chunk that Collect adds.
template <class TCollect> void RebuildChunkList3DS(std::unique_ptr<TChunkList3DS>& List, TCollect&& Collect)
{
    auto list = std::make_unique<TChunkList3DS>();
    Collect(*list); // a read that raises leaves the old index as it was
    List = std::move(list);
}
