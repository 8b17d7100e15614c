// The names of 3DS chunk tags and the text dump of a loaded chunk tree: one line per chunk, and at the higher
// levels the decoded data of each chunk. A diagnostic view; numbers are written with "." whatever the locale.
#pragma once

#include "Types3DS.h"

#include <cstdint>
#include <string>
#include <string_view>

class TStrings;
class TFile3DS;
struct TChunk3DS;

// The customary name of a tag, "UNKNOWN_CHUNK" for a tag without one.
std::string_view ChunkTagToName(uint16_t Tag);

// Appends the lines of Chunk and its descendants (not its siblings) to Strings, Chunk at IndentLevel. Above
// dlTerseDump the data of each chunk is read and stays on it. A chunk whose data is corrupt raises E3DSError
// after the lines before it.
void DumpChunk(TFile3DS& File3DS, TStrings& Strings, TChunk3DS* Chunk, TDumpLevel DumpLevel, int IndentLevel);
// "Chunk NAME ($TAG), Length is N ($HEX)" after the indent.
void DumpChunkHeaderLine(TStrings& Strings, const TChunk3DS& Chunk, int IndentLevel);
// "Frame N" and the spline values the key holds, after the indent.
void DumpKeyHeaderLine(TStrings& Strings, const TKeyHeader3DS& Key, int IndentLevel);
// IndentLevel tabs, at most 12.
std::string DumpIndent(int IndentLevel);
