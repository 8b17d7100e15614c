// What the record readers of the 3DS files share.
#include "Utils3DS.h"

#include "Utils3DS_chunks.h"

#include "Components.h"

#include <algorithm>

void Raise3DSIndexError(int32_t Index)
{
    RaiseListError("List index out of bounds (%d)", Index);
}

void CheckDatabase3DS(TFile3DS& File, std::initializer_list<uint16_t> Kinds)
{
    const TChunk3DS* top = File.Database().TopChunk.get();
    if (!top) Raise3DSError(c3DSErrNoDatabase);
    if (std::find(Kinds.begin(), Kinds.end(), top->Tag) == Kinds.end()) Raise3DSError(c3DSErrWrongDatabase);
}

TFColor3DS ColorOf3DS(const TColor24& Color)
{
    return {Color.Red / 255.0f, Color.Green / 255.0f, Color.Blue / 255.0f};
}

TFColor3DS ColorOf3DS(const TColorF& Color)
{
    return {Color.Red, Color.Green, Color.Blue};
}
