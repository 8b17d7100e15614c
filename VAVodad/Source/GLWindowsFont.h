// A bitmap font whose glyph picture is drawn at run time from an installed font: every character of its ranges
// is measured, and the glyphs are laid out in rows on pages and drawn white on black. Characters below 32 and
// characters the face has no glyph for have width 0: they take no room and draw nothing.
#pragma once

#include "GLBitmapFont.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class TBitmap;
class TFont;

struct TGlyphPageSize {
    int32_t Width, Height;
};

// The glyph pages for cells totalWidth pixels wide in all, in rows cellHeight high, the widest cell
// widestCell: about square, the cells' area plus ten per cent, in powers of two, at least one cell high and
// wide, and at most 512 and maxTextureSize (0: not known) a side.
TGlyphPageSize GlyphPageSize(int64_t totalWidth, int32_t cellHeight, int32_t widestCell, int32_t maxTextureSize);

class TGLWindowsBitmapFont : public TGLCustomBitmapFont {
public:
    // White, alpha from intensity, the characters ' '..'}'.
    explicit TGLWindowsBitmapFont(TComponent* AOwner);
    ~TGLWindowsBitmapFont() override;

    // The tiles are numbered again and everything is rebuilt at the next use.
    void NotifyChange(TObject* Sender) override;

    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* Value);
    // Merges the codes AStart..AEnd (or those of the text) into the ranges.
    void EnsureChars(char32_t AStart, char32_t AEnd);
    void EnsureString(std::string_view s);
    // The glyph picture's size.
    int32_t FontTextureWidth() const;
    int32_t FontTextureHeight() const;

    GLenum TextureFormat() const override { return GL_ALPHA; }
    void DefineProperties(TFiler& Filer) override;

    // Measures the glyphs (when the font changed) and draws the glyph picture in pages of at most
    // maxTextureSize (and 512) a side. No OpenGL is needed.
    void BuildGlyphs(int32_t maxTextureSize = 0);

protected:
    void BuildTextures(TGLRenderContextInfo& rci) override;
    // Measures the glyphs when the font or the ranges changed since they were measured.
    void PrepareCharWidths() override;

private:
    // CharWidth, CharHeight, HSpaceFix and every tile's width, from the font. A character the typeface lacks
    // advances like a space and shows a blank cell, which all such characters share.
    void MeasureGlyphs();
    // Whether the tile has a cell of its own on the picture (the first blank one stands for all of them).
    bool HasOwnCell(int32_t tile) const;
    // The ranges' codes and codes together, sorted, without duplicates and codes below 32, as consecutive runs.
    void RebuildRanges(std::vector<char32_t> codes);
    // Gives every glyph its cell on the picture, rows never straddling two pages, and draws them.
    void ComputeCharRects(TBitmap& bitmap);

    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TBitmap> FMeasuring; // its canvas measures without touching the glyph picture
    bool FMeasured = false;
    std::vector<bool> FBlank;    // per tile: the typeface lacks its character
    int32_t FFirstBlank = -1;    // the tile whose cell the blank ones share
};

// Registers the module's streamable classes (start-up).
void RegisterGLWindowsFontClasses();
