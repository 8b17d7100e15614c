// Card pictures from any bytes: the input's first file is read as card 5 and drawn in its three variants, written
// as PNG files, on a data folder with a background of every skill and element but the fire ones, "noimg.jpg" and
// the effect icons 1 and 2; the second file (when there is one) is the card's illustration "h5.jpg", the third
// effect icon 1. Only the card's reader (a bad line) and the routine (a missing or unreadable picture) may raise,
// each with its own error; a card drawn has three variants whose lines go down the card.
#include "UGH_cardimage.h"
#include "UGH_data.h"

#include "GameFuzzFiles.h"
#include "JPEG.h"
#include "TGA.h"

#include <cstdint>
#include <memory>
#include <string>

// The cards' text loads Qt's font list, and fontconfig leaves a few bytes of its parsed configuration unreachable.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

namespace {

void WritePicture(TGraphic& picture, int32_t w, int32_t h, TColor colour, const std::filesystem::path& path)
{
    TBitmap bitmap;
    bitmap.SetSize(w, h);
    bitmap.Canvas()->Brush()->SetColor(colour);
    bitmap.Canvas()->FillRect(TRect{0, 0, w, h});
    picture.Assign(&bitmap);
    std::filesystem::create_directories(path.parent_path());
    picture.SaveToFile(path.string());
}

// The folder's lasting pictures, made once.
void MakeFolder(const std::filesystem::path& folder)
{
    static bool made = false;
    if (made) return;
    made = true;
    for (int skill = 0; skill <= 3; ++skill)
        for (int element = 0; element <= 3; ++element) {
            TJPEGImage jpeg;
            WritePicture(jpeg, 140, 220, 0x203040 + skill * 16 + element, folder / "textures" / "cards" /
                         ("b" + std::to_string(skill) + "_" + std::to_string(element) + ".jpg"));
        }
    TJPEGImage noimg;
    WritePicture(noimg, 32, 24, clGray, folder / "textures" / "cards" / "noimg.jpg");
    TTGAImage icon;
    WritePicture(icon, 8, 8, clRed, folder / "textures" / "hq" / "effect_2.tga");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string_view> parts = FuzzParts(data, size);
    const std::filesystem::path folder = FuzzFolder();
    MakeFolder(folder);
    std::filesystem::remove(folder / "textures" / "cards" / "h5.jpg");
    std::filesystem::remove(folder / "textures" / "hq" / "effect_1.tga");
    WriteFuzzFile(folder / "cards" / "5.crd", parts[0]);
    if (parts.size() > 1) WriteFuzzFile(folder / "textures" / "cards" / "h5.jpg", parts[1]);
    if (parts.size() > 2) WriteFuzzFile(folder / "textures" / "hq" / "effect_1.tga", parts[2]);
    gamedir = folder.string();
    qualitydir = "hq";

    static auto strings = std::make_unique<TBoundedTable<std::string, 0, 10000>>();
    static TFont title, text;
    SetDefaultCardFonts(title, text);
    const TCardStyle style{&title, &text, strings.get(), "en"};
    card c;
    try {
        c = LoadCard(GamePath("\\cards\\5.crd"), "en");
    } catch (const EGameDataError&) {
        return 0;
    }
    try {
        const std::vector<TCardPass> passes = RenderCard(c, 5, true, style);
        Check(passes.size() == 3);
        for (const TCardPass& pass : passes)
            for (std::size_t line = 1; line < pass.Lines.size(); ++line)
                Check(pass.Lines[line].Y > pass.Lines[line - 1].Y);
    } catch (const ECardImage&) {
    }
    return 0;
}
