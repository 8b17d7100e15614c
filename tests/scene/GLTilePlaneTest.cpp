// Tile planes: how the tiled area grows with SetTile and shrinks with Pack, its archive round trip and the
// refusal of an unknown version (of the area and of a row), and the tiles drawn grouped by material (or one by
// one) with cells naming no material left out.
#include "GLTilePlane.h"

#include "GLMaterial.h"
#include "Raises.h"
#include "RecordingDrawFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace {

struct TSetTileCase {
    const char* name;
    std::vector<std::array<int32_t, 3>> tiles; // col, row, value
    int32_t rowMin, rowMax;
    std::vector<int32_t> storedRows;           // rows holding a row object, the others being empty slots
};

TEST(GLTiledArea, SetTileGrowsTheStoredRows)
{
    const TSetTileCase cases[] = {
        {"below a new area", {{5, -3, 9}}, -3, -1, {-3}},
        {"above a new area", {{5, 2, 9}}, 0, 2, {2}},
        {"at the origin", {{0, 0, 9}}, 0, 0, {0}},
        {"around", {{5, 2, 9}, {-1, -4, 8}, {7, 2, 6}}, -4, 2, {-4, 2}},
    };
    for (const TSetTileCase& c : cases) {
        SCOPED_TRACE(c.name);
        TGLTiledArea area;
        for (const auto& [col, row, value] : c.tiles) area.SetTile(col, row, value);
        EXPECT_EQ(area.RowMin(), c.rowMin);
        EXPECT_EQ(area.RowMax(), c.rowMax);
        for (int32_t row = c.rowMin; row <= c.rowMax; ++row)
            EXPECT_EQ(area.Row(row) != nullptr, std::count(c.storedRows.begin(), c.storedRows.end(), row) == 1) << row;
        for (const auto& [col, row, value] : c.tiles) EXPECT_EQ(area.Tile(col, row), value);
        EXPECT_EQ(area.Tile(100, c.rowMin), 0);
        EXPECT_EQ(area.Tile(0, c.rowMax + 1), 0);
    }
    TGLTiledArea area;
    area.SetTile(5, -3, 9);
    EXPECT_EQ(area.Row(-3)->ColMin(), 5);
    EXPECT_EQ(area.Row(-3)->ColMax(), 5);
    area.SetTile(2, -3, 1);
    EXPECT_EQ(area.Row(-3)->ColMin(), 2);
    EXPECT_EQ(area.Tile(3, -3), 0);
}

TEST(GLTiledArea, PackTrimsZeroCellsAndEmptyRows)
{
    TGLTiledArea area;
    area.SetTile(1, -2, 0);
    area.SetTile(3, 0, 4);
    area.SetTile(6, 0, 0);
    area.SetTile(0, 0, 0);
    area.SetTile(2, 3, 0);
    area.Pack();
    EXPECT_EQ(area.RowMin(), 0);
    EXPECT_EQ(area.RowMax(), 0);
    EXPECT_EQ(area.Row(0)->ColMin(), 3);
    EXPECT_EQ(area.Row(0)->ColMax(), 3);
    EXPECT_EQ(area.Tile(3, 0), 4);

    // All zero: an empty area, which takes tiles again.
    area.SetTile(3, 0, 0);
    area.Pack();
    EXPECT_TRUE(area.Empty());
    EXPECT_LT(area.RowMax(), area.RowMin());
    area.SetTile(-7, 5, 2);
    EXPECT_EQ(area.Tile(-7, 5), 2);
    EXPECT_EQ(area.RowMin(), 0);
    EXPECT_EQ(area.RowMax(), 5);
}

TEST(GLTiledArea, ArchiveRoundTripsAndRefusesUnknownVersions)
{
    TGLTiledArea area;
    area.SetTile(5, -3, 7);
    area.SetTile(-2, -1, 65537);
    area.SetTile(0, -1, -5);
    const std::string archive = area.SaveToString();

    TGLTiledArea copy;
    copy.SetTile(9, 9, 9);
    copy.LoadFromString(archive);
    EXPECT_EQ(copy.RowMin(), -3);
    EXPECT_EQ(copy.RowMax(), -1);
    EXPECT_EQ(copy.Row(-2), nullptr);
    EXPECT_EQ(copy.Tile(5, -3), 7);
    EXPECT_EQ(copy.Tile(-2, -1), 65537);
    EXPECT_EQ(copy.Tile(-1, -1), 0);
    EXPECT_EQ(copy.Tile(0, -1), -5);
    EXPECT_EQ(copy.Tile(9, 9), 0);
    EXPECT_EQ(copy.SaveToString(), archive);

    // The area's version, then a row's, bumped to 1 (each the first integer of its record).
    std::string areaVersion = archive;
    ASSERT_EQ(areaVersion.substr(0, 2), std::string("\x02\x00", 2));
    areaVersion[1] = 1;
    std::string rowClass; // the row's class name as the archive stores it, in UTF-16
    for (const char c : std::string("TGLTiledAreaRow")) rowClass += {c, '\0'};
    const size_t rowAt = archive.find(rowClass);
    ASSERT_NE(rowAt, std::string::npos);
    std::string rowVersion = archive;
    rowVersion[rowAt + rowClass.size() + 1] = 1;
    for (const auto& [bytes, name] : {std::pair{areaVersion, "TGLTiledArea"}, {rowVersion, "TGLTiledAreaRow"}}) {
        TGLTiledArea target;
        target.SetTile(1, 1, 3);
        EXPECT_EQ(MessageOf<EFilerException>([&] { target.LoadFromString(bytes); }),
                  std::string(name) + " : unknown archive version 1");
        EXPECT_EQ(target.Tile(1, 1), 3) << "a refused archive leaves the area as it was";
    }
}

class GLTilePlaneDrawing : public RecordingDrawFixture {
protected:
    GLTilePlaneDrawing()
    {
        Library = new TGLMaterialLibrary(nullptr);
        Library->Materials()->Add();
        Library->Materials()->Add();
        Plane = TGLBaseSceneObject::CreateAsChild<TGLTilePlane>(Scene->Objects());
        Plane->SetMaterialLibrary(Library);
        // Material 0, material 1 (its low 16 bits), material 1, and a cell naming no material.
        Plane->Tiles()->SetTile(0, 0, 0);
        Plane->Tiles()->SetTile(1, 0, 65537);
        Plane->Tiles()->SetTile(2, 1, 1);
        Plane->Tiles()->SetTile(3, 1, 5);
    }
    ~GLTilePlaneDrawing() override { Free(Library); }

    // The x of the first corner of each tile of each primitive.
    std::vector<std::vector<double>> Primitives() const
    {
        std::vector<std::vector<double>> result;
        int corner = 0;
        for (const TGLCall& call : GL->Only({"Begin", "Vertex2f"})) {
            if (call.Name == "Begin") {
                EXPECT_EQ(call.Args[0], GL_QUADS);
                result.emplace_back();
                corner = 0;
            } else if (corner++ % 4 == 0) {
                result.back().push_back(call.Args[0]);
            }
        }
        return result;
    }

    TGLMaterialLibrary* Library;
    TGLTilePlane* Plane;
};

TEST_F(GLTilePlaneDrawing, TilesAreDrawnPerMaterialOrOneByOne)
{
    Draw(*Plane);
    EXPECT_EQ(Primitives(), (std::vector<std::vector<double>>{{0}, {1, 2}}));
    EXPECT_EQ(GL->Only({"Vertex2f"})[1], GLCall("Vertex2f", 1, 0));
    EXPECT_EQ(GL->Only({"Vertex2f"})[6], GLCall("Vertex2f", 2, 1));

    Plane->SetSortByMaterials(false);
    Draw(*Plane);
    EXPECT_EQ(Primitives(), (std::vector<std::vector<double>>{{0}, {1}, {2}}));

    // Without a library nothing is drawn; the library's death clears it.
    Free(Library);
    Library = nullptr;
    EXPECT_EQ(Plane->MaterialLibrary(), nullptr);
    Draw(*Plane);
    EXPECT_TRUE(GL->Calls.empty());
}

} // namespace
