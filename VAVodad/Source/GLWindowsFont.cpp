#include "GLWindowsFont.h"

#include "GLState.h"
#include "GLUtilities.h"
#include "Graphics.h"
#include "TextEncoding.h"
#include "VAVodad_streaming.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int32_t cMaxPageSize = 512;
constexpr char16_t cDefaultFirstChar = ' ', cDefaultLastChar = '}';

} // namespace

TGlyphPageSize GlyphPageSize(int64_t totalWidth, int32_t cellHeight, int32_t widestCell, int32_t maxTextureSize)
{
    const int32_t cap = maxTextureSize > 0 ? std::min(cMaxPageSize, maxTextureSize) : cMaxPageSize;
    const int64_t area = std::max<int64_t>(totalWidth, 0) * std::max(cellHeight, 0) * 11 / 10;
    const auto side = static_cast<int32_t>(std::min<int64_t>(std::llrint(std::sqrt(double(area))), cap));
    int32_t width = std::min(NextPowerOfTwo(side), cap);
    width = std::max(width, std::min(NextPowerOfTwo(std::min(widestCell, cap)), cap));
    const auto rows = static_cast<int32_t>(std::min<int64_t>(area / width, cap));
    int32_t height = std::min(NextPowerOfTwo(rows), cap);
    height = std::max(height, std::min(NextPowerOfTwo(std::min(cellHeight, cap)), cap));
    return {width, height};
}

TGLWindowsBitmapFont::TGLWindowsBitmapFont(TComponent* AOwner)
    : TGLCustomBitmapFont(AOwner), FFont(std::make_unique<TFont>()), FMeasuring(std::make_unique<TBitmap>())
{
    FFont->SetColor(clWhite);
    FFont->OnChange = [this](TObject* Sender) { NotifyChange(Sender); };
    SetGlyphsAlpha(tiaAlphaFromIntensity);
    EnsureChars(cDefaultFirstChar, cDefaultLastChar);
}

TGLWindowsBitmapFont::~TGLWindowsBitmapFont() = default;

void TGLWindowsBitmapFont::NotifyChange(TObject* Sender)
{
    FMeasured = false;
    Ranges()->Renumber();
    FreeTextures();
    InvalidateUsers();
    // The base's own reaction to a range change is the invalidation just done.
    TGLUpdateAbleComponent::NotifyChange(Sender);
}

void TGLWindowsBitmapFont::SetFont(TFont* Value)
{
    FFont->Assign(Value);
}

int32_t TGLWindowsBitmapFont::FontTextureWidth() const
{
    return Glyphs()->Width();
}

int32_t TGLWindowsBitmapFont::FontTextureHeight() const
{
    return Glyphs()->Height();
}

void TGLWindowsBitmapFont::EnsureChars(char32_t AStart, char32_t AEnd)
{
    std::vector<char32_t> codes;
    for (char32_t code = AStart; code <= AEnd && code <= 0xFFFF; ++code) codes.push_back(code);
    RebuildRanges(std::move(codes));
}

void TGLWindowsBitmapFont::EnsureString(std::string_view s)
{
    std::vector<char32_t> codes;
    for (size_t pos = 0; pos < s.size();) codes.push_back(NextUtf8CodePoint(s, pos));
    RebuildRanges(std::move(codes));
}

void TGLWindowsBitmapFont::RebuildRanges(std::vector<char32_t> codes)
{
    TGLBitmapFontRanges& ranges = *Ranges();
    for (int32_t i = 0; i < ranges.Count(); ++i)
        for (int32_t k = 0; k < ranges.GetItems(i)->CharCount(); ++k)
            codes.push_back(ranges.GetItems(i)->StartASCII() + char32_t(k));
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    // Ranges hold 16-bit characters from 32 on.
    std::erase_if(codes, [](char32_t code) { return code < 32 || code > 0xFFFF; });
    ranges.BeginUpdate();
    TryFinally(
        [&] {
            ranges.Clear();
            int32_t built = 0;
            for (size_t first = 0; first < codes.size();) {
                size_t last = first;
                while (last + 1 < codes.size() && codes[last + 1] == codes[last] + 1) ++last;
                TGLBitmapFontRange* range = ranges.Add(char16_t(codes[first]), char16_t(codes[last]));
                range->SetStartGlyphIdx(built);
                built += range->CharCount();
                first = last + 1;
            }
        },
        [&] { ranges.EndUpdate(); });
    TextureChanged();
    InvalidateUsers();
}

void TGLWindowsBitmapFont::PrepareCharWidths()
{
    if (!FMeasured) MeasureGlyphs();
}

void TGLWindowsBitmapFont::MeasureGlyphs()
{
    TCanvas& canvas = *FMeasuring->Canvas();
    canvas.Font()->Assign(FFont.get());
    int32_t charWidth = std::max({canvas.TextWidth("M"), canvas.TextWidth("W"), canvas.TextWidth("_")});
    const int32_t charHeight = canvas.TextHeight("\"_pI|,");
    // An italic glyph leans out of its advance: the cell takes a third more and the pen steps back by it.
    int32_t hSpaceFix = 0;
    if (FFont->Style() & fsItalic) {
        hSpaceFix = -(charWidth / 3);
        charWidth += charWidth / 3;
    }
    StoreCellSize(charWidth, charHeight, 1, 1);
    SetHSpaceFix(hSpaceFix);
    ResetCharWidths(0);
    const int32_t blankWidth = canvas.CharWidth(' ') - hSpaceFix;
    FBlank.assign(size_t(CharacterCount()), false);
    FFirstBlank = -1;
    for (int32_t tile = 0; tile < CharacterCount(); ++tile) {
        const char32_t ch = TileIndexToChar(tile);
        if (ch < 32) continue;
        if (canvas.HasGlyph(ch)) {
            SetCharWidths(tile, canvas.CharWidth(ch) - hSpaceFix);
        } else {
            SetCharWidths(tile, blankWidth);
            FBlank[tile] = true;
            if (FFirstBlank < 0) FFirstBlank = tile;
        }
    }
    FMeasured = true;
}

bool TGLWindowsBitmapFont::HasOwnCell(int32_t tile) const
{
    return Chars()[tile].w > 0 && (size_t(tile) >= FBlank.size() || !FBlank[tile] || tile == FFirstBlank);
}

void TGLWindowsBitmapFont::BuildGlyphs(int32_t maxTextureSize)
{
    InvalidateUsers();
    DetachGlyphsEvent();
    TryFinally(
        [&] {
            TBitmap& bitmap = *Glyphs()->Bitmap();
            bitmap.SetPixelFormat(pf32bit);
            bitmap.SetHeight(0);
            if (!FMeasured) MeasureGlyphs();
            const int32_t cellHeight = CharHeight() + GlyphsIntervalY();
            int64_t total = 0;
            int32_t widest = 0;
            for (int32_t tile = 0; tile < static_cast<int32_t>(Chars().size()); ++tile)
                if (HasOwnCell(tile)) {
                    const int32_t cellWidth = Chars()[tile].w + GlyphsIntervalX();
                    total += cellWidth;
                    widest = std::max(widest, cellWidth);
                }
            const TGlyphPageSize page = GlyphPageSize(total, cellHeight, widest, maxTextureSize);
            SetTextureWidth(page.Width);
            SetTextureHeight(page.Height);
            bitmap.SetWidth(page.Width);
            ComputeCharRects(bitmap);
            SetCharsLoaded(true);
        },
        [&] { AttachGlyphsEvent(); });
}

void TGLWindowsBitmapFont::ComputeCharRects(TBitmap& bitmap)
{
    const int32_t cellHeight = CharHeight() + GlyphsIntervalY();
    const int32_t width = TextureWidth(), band = TextureHeight();
    std::vector<TCanvas::TGlyphPlacement> glyphs;
    int32_t x = 0, y = 0, height = 0;
    for (int32_t tile = 0; tile < static_cast<int32_t>(Chars().size()); ++tile) {
        TCharInfo& info = CharInfo(tile);
        if (!HasOwnCell(tile)) {
            info.l = info.t = 0;
            continue;
        }
        const int32_t cellWidth = info.w + GlyphsIntervalX();
        if (x + cellWidth > width) {
            x = 0;
            y += cellHeight;
        }
        // A row that would not fit opens a new page; the first glyph opens the first.
        if (y + cellHeight > height) {
            y = height;
            height += band;
        }
        info.l = static_cast<uint16_t>(x);
        info.t = static_cast<uint16_t>(y);
        // The shared blank cell stays black.
        if (tile != FFirstBlank)
            glyphs.push_back({TileIndexToChar(tile), x, y, TRect{x, y, x + cellWidth, y + cellHeight}});
        x += cellWidth;
    }
    for (int32_t tile = 0; tile < static_cast<int32_t>(Chars().size()); ++tile)
        if (size_t(tile) < FBlank.size() && FBlank[tile]) {
            CharInfo(tile).l = Chars()[FFirstBlank].l;
            CharInfo(tile).t = Chars()[FFirstBlank].t;
        }
    // New pages are black.
    bitmap.SetHeight(height);
    TCanvas& canvas = *bitmap.Canvas();
    canvas.Font()->Assign(FFont.get());
    canvas.Font()->SetColor(clWhite);
    canvas.GlyphsOut(glyphs);
}

void TGLWindowsBitmapFont::BuildTextures(TGLRenderContextInfo& rci)
{
    BuildGlyphs(static_cast<int32_t>(rci.GLStates->MaxTextureSize()));
    TGLCustomBitmapFont::BuildTextures(rci);
}

void TGLWindowsBitmapFont::DefineProperties(TFiler& Filer)
{
    TGLCustomBitmapFont::DefineProperties(Filer);
    TFont& font = *FFont;
    Filer.DefineProperty(
        "Font.Name", [&font](TReader& reader) { font.SetName(reader.ReadString()); },
        [&font](TWriter& writer) { writer.WriteString(font.Name()); }, font.Name() != TFont().Name());
    DefineIntegerProperty(Filer, "Font.Height", font.Height(), TFont().Height(),
                          [&font](int32_t v) { font.SetHeight(v); });
    DefineIntegerProperty(Filer, "Font.Style", font.Style(), 0,
                          [&font](int32_t v) { font.SetStyle(static_cast<TFontStyles>(v)); });
    DefineIntegerProperty(Filer, "Font.Color", font.Color(), clWhite, [&font](int32_t v) { font.SetColor(v); });
    DefineSpacingProperties(Filer);
    // Only ranges other than the one default range ' '..'}' are written.
    const TGLBitmapFontRanges& ranges = *Ranges();
    const bool defaultRanges = ranges.Count() == 1 && ranges.GetItems(0)->StartASCII() == cDefaultFirstChar &&
                               ranges.GetItems(0)->StopASCII() == cDefaultLastChar &&
                               ranges.GetItems(0)->StartGlyphIdx() == 0;
    DefineRangesProperty(Filer, !defaultRanges);
}

void RegisterGLWindowsFontClasses()
{
    RegisterClass<TGLWindowsBitmapFont>();
}
