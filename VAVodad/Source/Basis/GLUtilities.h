// Text and file utilities of the engine: powers of two, CR LF lines, the data files' number parser, whole-file
// helpers over the hooked file access, the square-root byte table and the modal dialogs engine code asks.
#pragma once

#include <cstdint>
#include <string>

class TStream;

// The smallest power of two >= v; 1 for v <= 1. v above 2^30 has no Integer answer and raises an assertion.
int32_t NextPowerOfTwo(int32_t v);

// Reads bytes up to the next CR LF and answers them without it. At the end of the stream it answers what it
// read (the last line of a text without a final CR LF, or nothing).
std::string ReadLineUntilCRLF(TStream& stream);
void ReadLineUntilCRLF(TStream& stream, std::string& line);
void WriteLineWithCRLF(TStream& stream, const std::string& s);

// The data files' number reader: digits with "." or "," as the decimal separator, a sign only in front,
// blanks only before the first non-zero digit and at the end, an optional exponent ("E", then an optional sign
// and digits). Never raises; false for anything else (and for an empty text).
bool TryTextToFloat(const std::string& text, double& value);
double TextToFloatDef(const std::string& text, double defaultValue);

// Whole-file helpers over CreateHookedFileStream. Reading a file that is not on disk gives '' and 0.
void WriteAnsiTextFile(const std::string& fileName, const std::string& data);
void ReadAnsiTextFile(const std::string& fileName, std::string& data);
int64_t FileByteSize(const std::string& fileName);

// 256 entries, entry i = trunc(sqrt(i / 255) * 255).
const uint8_t* SqrtByteTable();

// Modal dialogs (through the program's dialog hooks).
void ShowInfoMessage(const std::string& text);
bool AskYesNo(const std::string& text);
// The picture save dialog with fileName as the initial name; on OK fileName becomes the chosen name.
bool ExecuteSavePictureDialog(std::string& fileName, const std::string& title);
