// A sparse grid of unit tiles in the object's XY plane, each textured with the library material chosen by the
// integer stored for its cell; the cells live in a tiled area of rows, archived with the tagged archive.
#pragma once

#include "GLPersistentClasses.h"
#include "VAVodad.h"

#include <cstdint>
#include <memory>

class TGLMaterialLibrary;
class TIntegerList;

// One row of cells, ColMin to ColMax (empty when ColMax < ColMin).
class TGLTiledAreaRow : public TPersistentObject {
public:
    TGLTiledAreaRow();
    ~TGLTiledAreaRow() override;

    int32_t ColMin() const { return FColMin; }
    // Above ColMax empties the row; lower adds zero cells at the front, higher drops cells from the front.
    void SetColMin(int32_t Value);
    int32_t ColMax() const { return FColMax; }
    // Below ColMin empties the row; otherwise cells are added (zero) or dropped at the end.
    void SetColMax(int32_t Value);
    // 0 outside the stored columns.
    int32_t Cell(int32_t col) const;
    // Grows the stored columns to include col.
    void SetCell(int32_t col, int32_t val);
    // Data[i] is the cell of column ColMin + i.
    TIntegerList* Data() const { return FData.get(); }

    // Drops the zero cells at both ends (all zero: the row is emptied, ColMax = ColMin - 1).
    void Pack();
    bool Empty() const;
    // Each cell v becomes remapList[v], or 0 when v (taken unsigned) is not an index of remapList.
    void RemapTiles(TIntegerList* remapList);

    // Version 0, ColMin, then the cells as an integer list. Another version is refused.
    void WriteToFiler(TVirtualWriter* writer) override;
    void ReadFromFiler(TVirtualReader* reader) override;

private:
    int32_t FColMin = 0;
    int32_t FColMax = -1;
    std::unique_ptr<TIntegerList> FData;
};

// Rows RowMin to RowMax of cells, a row slot possibly empty (nil).
class TGLTiledArea : public TPersistentObject {
public:
    TGLTiledArea();
    ~TGLTiledArea() override;

    int32_t RowMin() const { return FRowMin; }
    // Above RowMax frees every row; lower adds empty slots at the front, higher frees rows at the front.
    void SetRowMin(int32_t Value);
    int32_t RowMax() const { return FRowMax; }
    // Below RowMin frees every row; higher adds empty slots, lower frees the rows beyond.
    void SetRowMax(int32_t Value);
    // 0 outside the stored rows and cells.
    int32_t Tile(int32_t col, int32_t row) const;
    // Grows the stored rows to include row and makes the row when needed.
    void SetTile(int32_t col, int32_t row, int32_t val);
    // nullptr outside the stored rows or for an empty slot.
    TGLTiledAreaRow* Row(int32_t index) const;

    // Packs every row, frees the rows left empty and drops empty slots at both ends.
    void Pack();
    // Frees every row: RowMin 0, RowMax -1.
    void Clear();
    bool Empty() const;
    void RemapTiles(TIntegerList* remapList);

    // Version 0, RowMin, then the rows as an object list (empty slots as nil). Another version is refused.
    void WriteToFiler(TVirtualWriter* writer) override;
    void ReadFromFiler(TVirtualReader* reader) override;

private:
    int32_t FRowMin = 0;
    int32_t FRowMax = -1;
    // Owns its rows: entry i is row RowMin + i.
    std::unique_ptr<TPersistentObjectList> FRows;
};

// Draws the tiles of its area: tile (col, row) is the unit square from (col, row) to (col + 1, row + 1),
// textured with the library material whose index is the low 16 bits of its cell (cells naming no material of
// the library are left out). With SortByMaterials the tiles of one material are drawn together.
class TGLTilePlane : public TGLImmaterialSceneObject {
public:
    explicit TGLTilePlane(TComponent* AOwner);
    ~TGLTilePlane() override;

    bool NoZWrite() const { return FNoZWrite; }
    void SetNoZWrite(bool Value);
    TGLTiledArea* Tiles() const { return FTiles.get(); }
    // Copies the given area.
    void SetTiles(TGLTiledArea* Value);
    // Not owned: cleared when it dies. Nothing is drawn without one.
    TGLMaterialLibrary* MaterialLibrary() const { return FMaterialLibrary; }
    void SetMaterialLibrary(TGLMaterialLibrary* Value);
    bool SortByMaterials() const { return FSortByMaterials; }
    void SetSortByMaterials(bool Value);

    void DefineProperties(TFiler& Filer) override;
    // Finds the components named in the stream.
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // The library's materials are made ready before the tiles are compiled into the display list.
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
    void BuildList(TGLRenderContextInfo& rci) override;

private:
    bool FNoZWrite = false;
    std::unique_ptr<TGLTiledArea> FTiles;
    TGLMaterialLibrary* FMaterialLibrary = nullptr;
    std::string FMaterialLibraryName; // read from a stream, until Loaded
    bool FSortByMaterials = true;
};

// Registers the module's streamable classes (start-up).
void RegisterGLTilePlaneClasses();
