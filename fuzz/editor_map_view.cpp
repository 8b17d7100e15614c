// Maps from any bytes through the map editor: the input's first file is the map, the next ones (when there are any)
// the side files "1_1_w.txt", "1_1_f.txt", "1_1_c.txt" and "1_1_mo.txt" of its folder. Once the map reader takes
// the map, the editor shows three cells in its panels (which changes none of them), shows and sets the enabled free
// sprites, draws the map (NaN and huge reals reach the rounding) and pastes cell (1, 1) over the top right corner.
#include "UGHmapedit.h"
#include "UGH_data.h"
#include "UGH_tables.h"

#include "Dialogs.h"

#include "GameFuzzFiles.h"

#include <algorithm>
#include <cstdint>
#include <string>

// The light groups' numbers load Qt's font list, and fontconfig leaves a few bytes of its parsed configuration
// unreachable.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

namespace {

const char* const cSideFiles[] = {"1_1_w.txt", "1_1_f.txt", "1_1_c.txt", "1_1_mo.txt"};

// Shows cell (x, y) in the panels: the boxes show its values and it stays as it was.
void ShowCell(TForm2& editor, int32_t x, int32_t y)
{
    edcurx = edselx = x;
    edcury = edsely = y;
    const lcell before = levelgrid[x][y];
    editor.showcelldata();
    Check(levelgrid[x][y] == before);
    Check(editor.Edit3->Text() == IntToStr(before.traptype) && editor.Edit7->Text() == IntToStr(before.textid));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string_view> parts = FuzzParts(data, size);
    const std::filesystem::path levels = FuzzFolder() / "levels";
    std::filesystem::remove_all(levels);
    WriteFuzzFile(levels / "in.map", parts[0]);
    ResetGameTables();
    gamedir = FuzzFolder().string();
    lng = "en";
    SetMessageBoxHook([](const TMessageBoxRequest& request) { return request.Default; });
    try {
        LoadMap((levels / "in.map").string());
    } catch (const EGameDataError&) {
        return 0;
    }
    // The side files go to the map's own folder when its id can name one.
    if (!mapid.empty() && mapid.size() <= 200 && mapid.find('\0') == std::string::npos)
        for (size_t i = 1; i < parts.size() && i <= std::size(cSideFiles); ++i)
            WriteFuzzFile(levels / mapid / cSideFiles[i - 1], parts[i]);

    static TForm2* const editor = new TForm2(nullptr);
    editor->FormShow(editor);
    for (const auto [x, y] : {std::pair{std::min(1, mapmaxx), std::min(1, mapmaxy)}, std::pair{0, 0},
                              std::pair{mapmaxx, mapmaxy}})
        ShowCell(*editor, x, y);

    for (int32_t i = freesprites.Low(); i <= freesprites.High(); ++i) {
        if (!freesprites[i].enabled) continue;
        const freesprite before = freesprites[i];
        editor->displayfspritedata(i);
        editor->Button7->Click();
        // Reals may come back rounded to the 15 digits the boxes show (or refused, as NaN is); the rest is exact.
        const freesprite& after = freesprites[i];
        Check(after.x == before.x && after.y == before.y && after.z == before.z && after.w == before.w &&
              after.h == before.h && after.name == before.name && after.enabled && after.fixed == before.fixed);
    }

    editor->RenderMap();
    Check(edmapbmp->Width() == (mapmaxx + 1) * 20 && edmapbmp->Height() == (mapmaxy + 1) * 20);

    edcurx = std::min(1, mapmaxx);
    edcury = std::min(1, mapmaxy);
    editor->Copy1Click(editor);
    edcurx = mapmaxx;
    edcury = mapmaxy;
    edselx = std::max(0, mapmaxx - 2);
    edsely = std::max(0, mapmaxy - 2);
    editor->PasteToArea();
    lcell pasted = edcellbuf;
    pasted.x = edselx;
    pasted.y = edsely;
    Check(levelgrid[edselx][edsely] == pasted);
    return 0;
}
