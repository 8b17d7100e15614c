#include "GLTilePlane.h"

#include "GLMaterial.h"
#include "GLState.h"
#include "GLVectorLists.h"
#include "OpenGLAdapter.h"
#include "VAVodad_streaming.h"
#include "XOpenGL.h"

#include <algorithm>
#include <limits>
#include <span>
#include <utility>
#include <vector>

namespace {

// The last index of a range of count entries from first, refused when it is no Integer.
int32_t LastOfRange(int32_t first, int32_t count)
{
    const int64_t last = int64_t{first} + count - 1;
    if (last > std::numeric_limits<int32_t>::max()) throw EReadError("Broken tiled area archive");
    return static_cast<int32_t>(last);
}

// Entries between first and last, none when last < first; more than a list holds is refused.
int32_t RangeCount(int32_t first, int32_t last)
{
    const int64_t count = last < first ? 0 : int64_t{last} - first + 1;
    if (count > std::numeric_limits<int32_t>::max()) RaiseListError("List count out of bounds (%d)", last);
    return static_cast<int32_t>(count);
}

// A row's cells and an area's rows are both a list holding the entries lo..hi of a range (none when
// hi < lo); a blank entry is a zero cell or an empty row slot. These keep list and bounds in step.
void InsertBlanks(TIntegerList& list, int32_t index, int32_t n) { list.InsertNulls(index, n); }
void InsertBlanks(TPersistentObjectList& list, int32_t index, int32_t n) { list.InsertNils(index, n); }
void DropEntries(TIntegerList& list, int32_t index, int32_t n) { list.DeleteItems(index, n); }
void DropEntries(TPersistentObjectList& list, int32_t index, int32_t n) { list.DeleteAndFreeItems(index, n); }
bool IsBlank(const TIntegerList& list, int32_t index) { return list.Get(index) == 0; }
bool IsBlank(const TPersistentObjectList& list, int32_t index) { return list.Get(index) == nullptr; }

// A lower bound above hi empties the list; lower ones add blanks at the front (up to hi for an empty list),
// higher ones drop entries from the front.
template <class TList> void SetLowerBound(TList& list, int32_t& lo, int32_t hi, int32_t value)
{
    if (value > hi)
        DropEntries(list, 0, list.Count());
    else if (list.Count() == 0)
        InsertBlanks(list, 0, RangeCount(value, hi));
    else if (value < lo)
        InsertBlanks(list, 0, RangeCount(value, lo - 1));
    else
        DropEntries(list, 0, RangeCount(lo, value - 1));
    lo = value;
}

// An upper bound below lo empties the list; otherwise blanks are added or entries dropped at the end.
template <class TList> void SetUpperBound(TList& list, int32_t lo, int32_t& hi, int32_t value)
{
    const int32_t count = value < lo ? 0 : RangeCount(lo, value);
    if (count > list.Count())
        InsertBlanks(list, list.Count(), count - list.Count());
    else
        DropEntries(list, count, list.Count() - count);
    hi = value;
}

// Drops the blanks at both ends, the bounds following; all blank: the list is emptied and hi = lo - 1.
template <class TList> void TrimBlanks(TList& list, int32_t& lo, int32_t& hi)
{
    const int32_t count = list.Count();
    int32_t first = 0;
    while (first < count && IsBlank(list, first)) ++first;
    if (first == count) {
        DropEntries(list, 0, count);
        hi = lo - 1;
        return;
    }
    int32_t last = count - 1;
    while (IsBlank(list, last)) --last;
    DropEntries(list, last + 1, count - 1 - last);
    hi = lo + last;
    DropEntries(list, 0, first);
    lo += first;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TGLTiledAreaRow

TGLTiledAreaRow::TGLTiledAreaRow() : FData(std::make_unique<TIntegerList>()) {}

TGLTiledAreaRow::~TGLTiledAreaRow() = default;

void TGLTiledAreaRow::SetColMin(int32_t Value)
{
    SetLowerBound(*FData, FColMin, FColMax, Value);
}

void TGLTiledAreaRow::SetColMax(int32_t Value)
{
    SetUpperBound(*FData, FColMin, FColMax, Value);
}

int32_t TGLTiledAreaRow::Cell(int32_t col) const
{
    if (col < FColMin || col > FColMax) return 0;
    return FData->Get(col - FColMin);
}

void TGLTiledAreaRow::SetCell(int32_t col, int32_t val)
{
    if (col < FColMin || col > FColMax || Empty()) {
        if (Empty()) {
            FColMin = col;
            FColMax = col;
            FData->Flush();
            FData->Add(val);
            return;
        }
        if (col < FColMin)
            SetColMin(col);
        else
            SetColMax(col);
    }
    FData->Put(col - FColMin, val);
}

void TGLTiledAreaRow::Pack()
{
    TrimBlanks(*FData, FColMin, FColMax);
}

bool TGLTiledAreaRow::Empty() const
{
    return FData->Count() == 0;
}

void TGLTiledAreaRow::RemapTiles(TIntegerList* remapList)
{
    int32_t* cells = FData->List();
    for (int32_t i = 0; i < FData->Count(); ++i) {
        const auto v = static_cast<uint32_t>(cells[i]);
        cells[i] = v < static_cast<uint32_t>(remapList->Count()) ? remapList->Get(static_cast<int32_t>(v)) : 0;
    }
}

void TGLTiledAreaRow::WriteToFiler(TVirtualWriter* writer)
{
    TPersistentObject::WriteToFiler(writer);
    writer->WriteInteger(0); // archive version
    writer->WriteInteger(FColMin);
    FData->WriteToFiler(writer);
}

void TGLTiledAreaRow::ReadFromFiler(TVirtualReader* reader)
{
    TPersistentObject::ReadFromFiler(reader);
    const int32_t version = reader->ReadInteger();
    if (version != 0) RaiseUnknownArchiveVersion(version);
    const int32_t colMin = reader->ReadInteger();
    // Read whole before storing: a record cut short leaves the row as it was.
    auto data = std::make_unique<TIntegerList>();
    data->ReadFromFiler(reader);
    FColMax = LastOfRange(colMin, data->Count());
    FColMin = colMin;
    FData = std::move(data);
}

// ---------------------------------------------------------------------------------------------------------
// TGLTiledArea

TGLTiledArea::TGLTiledArea() : FRows(std::make_unique<TPersistentObjectList>()) {}

TGLTiledArea::~TGLTiledArea()
{
    FRows->Clean();
}

void TGLTiledArea::SetRowMin(int32_t Value)
{
    SetLowerBound(*FRows, FRowMin, FRowMax, Value);
}

void TGLTiledArea::SetRowMax(int32_t Value)
{
    SetUpperBound(*FRows, FRowMin, FRowMax, Value);
}

TGLTiledAreaRow* TGLTiledArea::Row(int32_t index) const
{
    if (index < FRowMin || index > FRowMax) return nullptr;
    return static_cast<TGLTiledAreaRow*>(FRows->Get(index - FRowMin));
}

int32_t TGLTiledArea::Tile(int32_t col, int32_t row) const
{
    const TGLTiledAreaRow* r = Row(row);
    return r ? r->Cell(col) : 0;
}

void TGLTiledArea::SetTile(int32_t col, int32_t row, int32_t val)
{
    // Both, for an empty area whose bounds lie either side of row.
    if (row < FRowMin) SetRowMin(row);
    if (row > FRowMax) SetRowMax(row);
    TGLTiledAreaRow* r = Row(row);
    if (!r) {
        r = new TGLTiledAreaRow();
        FRows->Put(row - FRowMin, r);
    }
    r->SetCell(col, val);
}

void TGLTiledArea::Pack()
{
    for (int32_t i = 0; i < FRows->Count(); ++i) {
        auto* row = static_cast<TGLTiledAreaRow*>(FRows->Get(i));
        if (!row) continue;
        row->Pack();
        if (row->Empty()) {
            Free(row);
            FRows->Put(i, nullptr);
        }
    }
    TrimBlanks(*FRows, FRowMin, FRowMax);
}

void TGLTiledArea::Clear()
{
    FRows->Clean();
    FRowMin = 0;
    FRowMax = -1;
}

bool TGLTiledArea::Empty() const
{
    return FRows->Count() == 0;
}

void TGLTiledArea::RemapTiles(TIntegerList* remapList)
{
    for (int32_t i = 0; i < FRows->Count(); ++i)
        if (auto* row = static_cast<TGLTiledAreaRow*>(FRows->Get(i))) row->RemapTiles(remapList);
}

void TGLTiledArea::WriteToFiler(TVirtualWriter* writer)
{
    TPersistentObject::WriteToFiler(writer);
    writer->WriteInteger(0); // archive version
    writer->WriteInteger(FRowMin);
    FRows->WriteToFiler(writer);
}

void TGLTiledArea::ReadFromFiler(TVirtualReader* reader)
{
    TPersistentObject::ReadFromFiler(reader);
    const int32_t version = reader->ReadInteger();
    if (version != 0) RaiseUnknownArchiveVersion(version);
    const int32_t rowMin = reader->ReadInteger();
    // Read whole before storing: an archive cut short leaves the area as it was. Only rows (and empty
    // slots) are taken; anything else is refused before its data is read.
    auto rows = std::make_unique<TPersistentObjectList>();
    int32_t rowMax;
    try {
        rows->ReadFromFilerWithEvent(reader, [](TObject* Sender) {
            if (!dynamic_cast<TGLTiledAreaRow*>(Sender)) throw EReadError("Broken tiled area archive");
        });
        rowMax = LastOfRange(rowMin, rows->Count());
    } catch (...) {
        rows->Clean();
        throw;
    }
    FRows->Clean();
    FRows = std::move(rows);
    FRowMin = rowMin;
    FRowMax = rowMax;
}

// ---------------------------------------------------------------------------------------------------------
// TGLTilePlane

TGLTilePlane::TGLTilePlane(TComponent* AOwner)
    : TGLImmaterialSceneObject(AOwner), FTiles(std::make_unique<TGLTiledArea>())
{
}

TGLTilePlane::~TGLTilePlane() = default;

void TGLTilePlane::SetNoZWrite(bool Value)
{
    if (Value == FNoZWrite) return;
    FNoZWrite = Value;
    StructureChanged();
}

void TGLTilePlane::SetTiles(TGLTiledArea* Value)
{
    if (Value == FTiles.get()) return;
    FTiles->Assign(Value);
    StructureChanged();
}

void TGLTilePlane::SetMaterialLibrary(TGLMaterialLibrary* Value)
{
    if (Value == FMaterialLibrary) return;
    if (FMaterialLibrary) {
        // The compiled tiles name the old library's materials.
        DestroyHandle();
        FMaterialLibrary->RemoveFreeNotification(this);
    }
    FMaterialLibrary = Value;
    if (FMaterialLibrary) FMaterialLibrary->FreeNotification(this);
    StructureChanged();
}

void TGLTilePlane::SetSortByMaterials(bool Value)
{
    FSortByMaterials = Value;
    StructureChanged();
}

void TGLTilePlane::DefineProperties(TFiler& Filer)
{
    TGLImmaterialSceneObject::DefineProperties(Filer);
    DefineBooleanProperty(Filer, "NoZWrite", FNoZWrite, false, [this](bool v) { SetNoZWrite(v); });
    DefineBooleanProperty(Filer, "SortByMaterials", FSortByMaterials, true,
                          [this](bool v) { SetSortByMaterials(v); });
    DefineReferenceProperty(Filer, "MaterialLibrary", FMaterialLibrary, FMaterialLibraryName);
}

void TGLTilePlane::Loaded()
{
    TGLImmaterialSceneObject::Loaded();
    ResolveReference<TGLMaterialLibrary>(this, FMaterialLibraryName, [this](auto* it) { SetMaterialLibrary(it); });
}

void TGLTilePlane::Notification(TComponent* AComponent, TOperation Operation)
{
    if (Operation == opRemove && AComponent == FMaterialLibrary) SetMaterialLibrary(nullptr);
    TGLImmaterialSceneObject::Notification(AComponent, Operation);
}

void TGLTilePlane::DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren)
{
    if (!ListHandleAllocated() && FMaterialLibrary) FMaterialLibrary->Materials()->PrepareBuildList();
    TGLImmaterialSceneObject::DoRender(rci, renderSelf, renderChildren);
}

namespace {

using TTile = std::pair<int32_t, int32_t>; // column, row

// The tiles with the material, as quads, once per pass of the material.
void DrawTiles(TGLRenderContextInfo& rci, TGLLibMaterial& material, std::span<const TTile> tiles)
{
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    TGLMultitextureCoordinator& xgl = *GetCurrentMultitextureCoordinator();
    material.Apply(rci);
    do {
        gl.Begin_(GL_QUADS);
        for (const auto& [col, row] : tiles) {
            // The texture repeats once per tile: its coordinates are the vertex's own.
            for (const auto& [dx, dy] : {TTile{0, 0}, TTile{1, 0}, TTile{1, 1}, TTile{0, 1}}) {
                const float x = static_cast<float>(col) + static_cast<float>(dx);
                const float y = static_cast<float>(row) + static_cast<float>(dy);
                xgl.TexCoord2f(x, y);
                gl.Vertex2f(x, y);
            }
        }
        gl.End_();
    } while (material.UnApply(rci));
}

} // namespace

void TGLTilePlane::BuildList(TGLRenderContextInfo& rci)
{
    if (!FMaterialLibrary) return;
    TGLLibMaterials& materials = *FMaterialLibrary->Materials();
    const int32_t materialCount = materials.Count();
    // Calls f(col, row, material index) for every tile naming a material of the library, row by row.
    const auto forEachTile = [&](auto f) {
        for (int64_t row = FTiles->RowMin(); row <= FTiles->RowMax(); ++row) {
            const TGLTiledAreaRow* r = FTiles->Row(static_cast<int32_t>(row));
            if (!r) continue;
            const int32_t* cells = r->Data()->List();
            for (int32_t i = 0; i < r->Data()->Count(); ++i) {
                const int32_t index = cells[i] & 0xFFFF;
                if (index < materialCount) f(r->ColMin() + i, static_cast<int32_t>(row), index);
            }
        }
    };
    GetCurrentGL()->Normal3f(0, 0, 1);
    if (FNoZWrite) rci.GLStates->SetDepthWriteMask(false);
    TryFinally(
        [&] {
            if (FSortByMaterials) {
                std::vector<std::vector<TTile>> tilesOf(materialCount);
                forEachTile([&](int32_t col, int32_t row, int32_t index) { tilesOf[index].emplace_back(col, row); });
                for (int32_t m = 0; m < materialCount; ++m)
                    if (!tilesOf[m].empty()) DrawTiles(rci, *materials.Items(m), tilesOf[m]);
            } else {
                forEachTile([&](int32_t col, int32_t row, int32_t index) {
                    const TTile tile{col, row};
                    DrawTiles(rci, *materials.Items(index), {&tile, 1});
                });
            }
        },
        [&] {
            if (FNoZWrite) rci.GLStates->SetDepthWriteMask(true);
        });
}

void RegisterGLTilePlaneClasses()
{
    RegisterClasses<TGLTiledAreaRow, TGLTiledArea, TGLTilePlane>();
}
