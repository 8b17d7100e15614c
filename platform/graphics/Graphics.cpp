// Colours, fonts, pens, brushes, the graphic base, pictures with their format registry, and the layer's
// start-up. Bitmaps are in GraphicsBitmap.cpp, drawing in GraphicsCanvas.cpp.
#include "Graphics.h"

#include "FileUtils.h"
#include "JPEG.h"
#include "PngImage.h"
#include "Streams.h"

#include <QGuiApplication>

#include <algorithm>
#include <array>
#include <cstdlib>

void InitializeGraphics()
{
    if (!QCoreApplication::instance()) {
        // Without any display (test discovery, tools run from a console) fonts still work off screen.
        if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
            setenv("QT_QPA_PLATFORM", "offscreen", 0);
        // Qt keeps argc by reference: both live as long as the program.
        static int argc = 1;
        static char name[] = "mirefall";
        static char* argv[] = {name, nullptr};
        static QGuiApplication* application = new QGuiApplication(argc, argv);
        (void)application;
    }
    static bool formatsRegistered = false;
    if (!formatsRegistered) {
        formatsRegistered = true;
        TPicture::RegisterFileFormat("bmp", "Bitmaps", GraphicClass<TBitmap>());
        TPicture::RegisterFileFormat("png", "Portable Network Graphics", GraphicClass<TPngImage>());
        TPicture::RegisterFileFormat("jpg", "JPEG Image File", GraphicClass<TJPEGImage>());
        TPicture::RegisterFileFormat("jpeg", "JPEG Image File", GraphicClass<TJPEGImage>());
    }
}

// ---------------------------------------------------------------------------------------------------------
// Colours

TColor ColorToRGB(TColor color)
{
    // The system colours of a light desktop theme, as 0x00BBGGRR.
    static constexpr std::array<TColor, 31> systemColors = {
        0xC8C8C8, // scroll bar
        0x000000, // desktop
        0xD1B499, // active caption
        0xDBCDBF, // inactive caption
        0xF0F0F0, // menu
        0xFFFFFF, // window
        0x646464, // window frame
        0x000000, // menu text
        0x000000, // window text
        0x000000, // caption text
        0xB4B4B4, // active border
        0xFCF7F4, // inactive border
        0xABABAB, // application work space
        0xD77800, // highlight
        0xFFFFFF, // highlight text
        0xF0F0F0, // button face
        0xA0A0A0, // button shadow
        0x6D6D6D, // grey text
        0x000000, // button text
        0x000000, // inactive caption text
        0xFFFFFF, // button highlight
        0x696969, // 3-D dark shadow
        0xE3E3E3, // 3-D light
        0x000000, // tool-tip text
        0xE1FFFF, // tool-tip background
        0x000000, // (unused code)
        0xCC6600, // hot light
        0xEAD1B9, // gradient active caption
        0xF2E4D7, // gradient inactive caption
        0xFF9933, // menu highlight
        0xF0F0F0, // menu bar
    };
    if ((static_cast<uint32_t>(color) & 0xFF000000u) != 0xFF000000u) return color;
    const uint32_t index = static_cast<uint32_t>(color) & 0xFFFFFFu;
    return index < systemColors.size() ? systemColors[index] : clBlack;
}

// ---------------------------------------------------------------------------------------------------------
// Fonts, pens and brushes

namespace {

struct TFontAlias {
    const char* name;
    TFontFace face;
};
const TFontAlias fontAliases[] = {
    {"Bookman Old Style", {"URW Bookman", false}},
    {"Arial", {"Liberation Sans", false}},
    {"Arial Black", {"Liberation Sans", true}},
    {"Arial Narrow", {"Nimbus Sans Narrow", false}},
    {"Tahoma", {"Liberation Sans", false}},
};

} // namespace

TFontFace ResolveFontFace(const std::string& name)
{
    for (const TFontAlias& alias : fontAliases)
        if (SameText(name, alias.name)) return alias.face;
    return {"DejaVu Sans", false};
}

std::vector<std::string> FontFaceNames()
{
    std::vector<std::string> names;
    for (const TFontAlias& alias : fontAliases) names.emplace_back(alias.name);
    return names;
}

namespace {

// a x b / c rounded half away from zero, as the system's font arithmetic does.
int32_t MulDiv(int32_t a, int32_t b, int32_t c)
{
    const int64_t product = int64_t(a) * b;
    const int64_t half = c / 2;
    return static_cast<int32_t>(product >= 0 ? (product + half) / c : (product - half) / c);
}

constexpr int32_t FontPixelsPerInch = 96;

// Stores a changed value and reports the change; an equal value changes nothing.
template <class T, class V, class F> void StoreAndNotify(T& field, const V& value, F changed)
{
    if (field == value) return;
    field = value;
    changed();
}

} // namespace

TFont::TFont() = default;

void TFont::Assign(TPersistent* Source)
{
    if (auto* font = dynamic_cast<TFont*>(Source)) {
        FName = font->FName;
        FHeight = font->FHeight;
        FStyle = font->FStyle;
        FColor = font->FColor;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TFont::SetName(const std::string& value)
{
    StoreAndNotify(FName, value, [this] { Changed(); });
}

int32_t TFont::Size() const
{
    return -MulDiv(FHeight, 72, FontPixelsPerInch);
}

void TFont::SetSize(int32_t value)
{
    SetHeight(-MulDiv(value, FontPixelsPerInch, 72));
}

void TFont::SetHeight(int32_t value)
{
    StoreAndNotify(FHeight, value, [this] { Changed(); });
}

void TFont::SetStyle(TFontStyles value)
{
    StoreAndNotify(FStyle, value, [this] { Changed(); });
}

void TFont::SetColor(TColor value)
{
    StoreAndNotify(FColor, value, [this] { Changed(); });
}

void TFont::Changed()
{
    if (OnChange) OnChange(this);
}

void TPen::Assign(TPersistent* Source)
{
    if (auto* pen = dynamic_cast<TPen*>(Source)) {
        FColor = pen->FColor;
        FWidth = pen->FWidth;
        FStyle = pen->FStyle;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TPen::SetColor(TColor value)
{
    StoreAndNotify(FColor, value, [this] { Changed(); });
}

void TPen::SetWidth(int32_t value)
{
    StoreAndNotify(FWidth, std::max(value, 0), [this] { Changed(); });
}

void TPen::SetStyle(TPenStyle value)
{
    StoreAndNotify(FStyle, value, [this] { Changed(); });
}

void TPen::Changed()
{
    if (OnChange) OnChange(this);
}

void TBrush::Assign(TPersistent* Source)
{
    if (auto* brush = dynamic_cast<TBrush*>(Source)) {
        FColor = brush->FColor;
        FStyle = brush->FStyle;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TBrush::SetColor(TColor value)
{
    StoreAndNotify(FColor, value, [this] { Changed(); });
}

void TBrush::SetStyle(TBrushStyle value)
{
    StoreAndNotify(FStyle, value, [this] { Changed(); });
}

void TBrush::Changed()
{
    if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------------------------------------------------
// Graphics

void TGraphic::SetTransparent(bool value)
{
    if (FTransparent == value) return;
    FTransparent = value;
    Changed();
}

void TGraphic::LoadFromFile(const std::string& FileName)
{
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& FileName)
{
    ReplaceFileAtomically(FileName, [this](TStream& stream) { SaveToStream(stream); });
}

void TGraphic::Changed()
{
    if (OnChange) OnChange(this);
}

void TGraphic::AssignTo(TPersistent* Dest)
{
    auto* bitmap = dynamic_cast<TBitmap*>(Dest);
    if (!bitmap) {
        TPersistent::AssignTo(Dest);
        return;
    }
    bitmap->SetSize(0, 0);
    bitmap->SetPixelFormat(Transparent() ? pf32bit : pf24bit);
    bitmap->SetSize(Width(), Height());
    bitmap->SetTransparent(Transparent());
    bitmap->Canvas()->Draw(0, 0, this);
}

TGraphic* CreateGraphic(TGraphicClass graphicClass)
{
    return static_cast<TGraphic*>(graphicClass->Create());
}

// ---------------------------------------------------------------------------------------------------------
// Pictures

namespace {

std::vector<TPictureFileFormat>& Formats()
{
    static std::vector<TPictureFileFormat> formats;
    return formats;
}

} // namespace

TPicture::TPicture() = default;

TPicture::~TPicture() = default;

void TPicture::TakeGraphic(std::unique_ptr<TGraphic> graphic)
{
    FGraphic = std::move(graphic);
    if (FGraphic) FGraphic->OnChange = [this](TObject*) { Changed(); };
    Changed();
}

void TPicture::SetGraphic(TGraphic* value)
{
    if (!value) {
        TakeGraphic(nullptr);
        return;
    }
    // A copy of the same class when the class is a registered one; any other graphic is kept as a bitmap
    // drawn from it.
    TGraphicClass graphicClass = nullptr;
    for (const TPictureFileFormat& format : Formats())
        if (format.GraphicClass->Type() == typeid(*value)) graphicClass = format.GraphicClass;
    std::unique_ptr<TGraphic> copy(graphicClass ? CreateGraphic(graphicClass) : new TBitmap());
    copy->Assign(value);
    TakeGraphic(std::move(copy));
}

TBitmap* TPicture::Bitmap()
{
    if (!dynamic_cast<TBitmap*>(FGraphic.get())) TakeGraphic(std::make_unique<TBitmap>());
    return static_cast<TBitmap*>(FGraphic.get());
}

void TPicture::LoadFromFile(const std::string& FileName)
{
    std::string extension = ExtractFileExt(FileName);
    TGraphicClass graphicClass = GraphicClassForExtension(extension);
    if (!graphicClass) {
        if (!extension.empty()) extension.erase(0, 1);
        throw EInvalidGraphic(Format("Unknown picture file extension (.%s)", {extension}));
    }
    std::unique_ptr<TGraphic> graphic(CreateGraphic(graphicClass));
    graphic->LoadFromFile(FileName);
    TakeGraphic(std::move(graphic));
}

void TPicture::SaveToFile(const std::string& FileName)
{
    if (FGraphic) FGraphic->SaveToFile(FileName);
}

void TPicture::Assign(TPersistent* Source)
{
    if (!Source)
        SetGraphic(nullptr);
    else if (auto* picture = dynamic_cast<TPicture*>(Source))
        SetGraphic(picture->Graphic());
    else if (auto* graphic = dynamic_cast<TGraphic*>(Source))
        SetGraphic(graphic);
    else
        TPersistent::Assign(Source);
}

void TPicture::Changed()
{
    if (OnChange) OnChange(this);
}

void TPicture::RegisterFileFormat(const std::string& Extension, const std::string& Description,
                                  TGraphicClass GraphicClass)
{
    const std::string extension = LowerCase(Extension);
    auto& formats = Formats();
    const bool known = std::any_of(formats.begin(), formats.end(), [&](const TPictureFileFormat& f) {
        return f.Extension == extension && f.GraphicClass == GraphicClass;
    });
    if (!known) formats.push_back({extension, Description, GraphicClass});
}

void TPicture::UnregisterGraphicClass(TGraphicClass GraphicClass)
{
    std::erase_if(Formats(), [&](const TPictureFileFormat& f) { return f.GraphicClass == GraphicClass; });
}

const std::vector<TPictureFileFormat>& TPicture::FileFormats()
{
    return Formats();
}

TGraphicClass TPicture::GraphicClassForExtension(const std::string& Extension)
{
    const std::string extension = LowerCase(Extension.starts_with('.') ? Extension.substr(1) : Extension);
    const auto& formats = Formats();
    for (auto it = formats.rbegin(); it != formats.rend(); ++it)
        if (it->Extension == extension) return it->GraphicClass;
    return nullptr;
}
