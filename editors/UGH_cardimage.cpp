#include "UGH_cardimage.h"

#include "DDSImage.h"
#include "FileUtils.h"
#include "JPEG.h"
#include "PngImage.h"
#include "Streams.h"
#include "TGA.h"
#include "UGH_data.h"
#include "UGH_main.h"

#include <array>
#include <tuple>

namespace {

// The dashes that set the bonus block and the costs apart.
constexpr const char* cCardRule = "-------------";

// Reads the picture file relativePath into a new graphic of class T; anything that goes wrong names the file.
template <class T> std::unique_ptr<T> ReadPicture(const std::string& relativePath)
{
    auto picture = std::make_unique<T>();
    try {
        picture->LoadFromFile(GamePath(relativePath));
    } catch (const Exception& e) {
        throw ECardImage("The card picture \"" + relativePath + "\" cannot be read: " + e.Message());
    }
    return picture;
}

std::unique_ptr<TBitmap> ReadJpeg(const std::string& relativePath)
{
    const std::unique_ptr<TJPEGImage> jpeg = ReadPicture<TJPEGImage>(relativePath);
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->Assign(jpeg.get());
    return bitmap;
}

// The name of the item a card consumes: its override in the language, else the item table's; an id outside the
// table is its number.
std::string ConsumedItemName(int32_t id, const std::string& language)
{
    if (id < items.Low() || id > items.High()) return IntToStr(id);
    const std::string name = extractitemoverridename(language, id);
    return name == "-nil-" ? items[id].overridename : name;
}

} // namespace

void SetDefaultCardFonts(TFont& title, TFont& text)
{
    for (TFont* font : {&title, &text}) font->SetName("Bookman Old Style");
    title.SetHeight(-13);
    title.SetStyle(fsBold);
    text.SetHeight(-12);
    text.SetStyle(0);
}

TColor CardPassColor(int32_t pass)
{
    static constexpr std::array<TColor, 3> cColors = {clWhite, clYellow, clLime};
    return pass >= 0 && pass <= 2 ? cColors[pass] : clWhite;
}

std::string CardPngPath(const std::string& language, int32_t id, int32_t pass)
{
    return "\\textures\\cards\\" + language + "\\" + IntToStr(id) + "_" + IntToStr(pass) + ".png";
}

TCardImage::TCardImage(const card& crd, int32_t id, const TCardStyle& style)
    : FRecord(crd), FId(id), FStyle(style), FCard(std::make_unique<TBitmap>())
{
    FBackground = ReadJpeg("\\textures\\cards\\b" + IntToStr(crd.govskill) + "_" + IntToStr(crd.element) + ".jpg");
    try {
        FPicture = ReadJpeg("\\textures\\cards\\h" + IntToStr(id) + ".jpg");
    } catch (const ECardImage&) {
        FPicture = ReadJpeg("\\textures\\cards\\noimg.jpg");
    }
    if (crd.addeffect > 0) {
        const std::string icon = "\\textures\\" + qualitydir + "\\effect_" + IntToStr(crd.addeffect);
        if (DataFileExists(GamePath(icon + ".tga")))
            FIcon = ReadPicture<TTGAImage>(icon + ".tga");
        else
            FIcon = ReadPicture<TDDSImage>(icon + ".dds");
    }
}

TCardImage::~TCardImage() = default;

TCardPass TCardImage::Draw(int32_t pass)
{
    const card& c = FRecord;
    const auto str = [this](int32_t n) -> const std::string& { return (*FStyle.Strings)[n]; };
    FCard->Assign(FBackground.get());
    TCanvas& canvas = *FCard->Canvas();
    canvas.CopyRect(cCardPictureRect, FPicture->Canvas(), TRect{0, 0, FPicture->Width() - 1, FPicture->Height() - 1});
    canvas.Brush()->SetStyle(bsClear);

    TCardPass drawn;
    drawn.Pass = pass;
    const TColor color = CardPassColor(pass);
    canvas.Font()->Assign(FStyle.TitleFont);
    canvas.Font()->SetColor(color);
    drawn.Title = {c.name, color, cCardTitleX, cCardTitleY};
    canvas.TextOut(cCardTitleX, cCardTitleY, c.name);

    canvas.Font()->Assign(FStyle.TextFont);
    canvas.Font()->SetColor(color);
    const int32_t points = canvas.Font()->Size();
    int32_t y = cCardTextTop;
    const auto line = [&](int32_t x, const std::string& text) {
        canvas.TextOut(x, y, text);
        drawn.Lines.push_back({text, canvas.Font()->Color(), x, y});
        y += points + 2;
    };
    if (c.dmgph > 0)
        line(cCardTextX, str(50) + ": " + (c.dmgph == c.mindam ? "" : IntToStr(c.mindam) + "-") + IntToStr(c.dmgph) +
                             (c.AOE ? " " + str(397) : ""));
    if (c.dmgperc > 0) line(cCardTextX, str(50) + ": " + IntToStr(c.dmgperc) + "% " + str(48));
    if (c.addhp > 0) line(cCardTextX, "+" + IntToStr(c.addhp) + " " + str(48));
    if (c.addmp > 0) line(cCardTextX, "+" + IntToStr(c.addmp) + " " + str(49));
    if (c.addeffect > 0) {
        const TRect icon{cCardTextX, y, cCardTextX + 2 * points, y + 2 * points};
        canvas.StretchDraw(icon, FIcon.get());
        drawn.Icon = icon;
        line(2 * points + 26, " " + (c.effstrgth >= 1 ? IntToStr(c.effstrgth) + "/" : std::string()) +
                                  IntToStr(c.efflgth) + " " + str(199) + " " + (c.effdir != 0 ? ">" : "<"));
    }
    if (c.consumes != -1) line(cCardTextX, "-1 " + ConsumedItemName(c.consumes, FStyle.Language));
    if (c.bonam != 0) {
        line(cCardTextX, cCardRule);
        line(cCardTextX, TForm1::GetEClassName(c.bont, *FStyle.Strings));
        line(cCardTextX, str(96) + ": " + IntToStr(c.bonam) + "%");
    }
    line(cCardTextX, cCardRule);
    // The costs stand out in their own colours; the text goes on in white after each.
    for (const auto& [cost, colour, label] : {std::tuple{c.mc, clAqua, 49}, std::tuple{c.hpc, clRed, 48}}) {
        if (cost <= 0) continue;
        canvas.Font()->SetColor(colour);
        line(cCardTextX, str(52) + ": " + IntToStr(cost) + " " + str(label));
        canvas.Font()->SetColor(clWhite);
    }
    return drawn;
}

std::string CardPng(TBitmap& bitmap)
{
    TPngImage png;
    png.Assign(&bitmap);
    TStringStream stream;
    png.SaveToStream(stream);
    return stream.DataString();
}

std::vector<TCardPass> RenderCard(const card& crd, int32_t id, bool save, const TCardStyle& style,
                                  const std::function<void(TBitmap&)>& shown)
{
    TCardImage image(crd, id, style);
    std::vector<TCardPass> passes;
    for (int32_t pass = 2; pass >= 0; --pass) {
        passes.push_back(image.Draw(pass));
        if (shown) shown(image.Bitmap());
        if (!save) continue;
        const std::string folder = GamePath("\\textures\\cards\\" + style.Language);
        if (!ForceDirectories(folder)) throw ECardImage("The folder \"" + folder + "\" cannot be made");
        const std::string file = GamePath(CardPngPath(style.Language, id, pass));
        try {
            ReplaceFileAtomically(file, CardPng(image.Bitmap()));
        } catch (const Exception& e) {
            throw ECardImage("The card picture \"" + file + "\" cannot be written: " + e.Message());
        }
    }
    return passes;
}
