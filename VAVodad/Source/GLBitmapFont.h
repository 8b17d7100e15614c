// Bitmap fonts: a picture of glyph cells, character ranges that map characters to the cells (tiles), each
// tile's width and place in the picture, and the textures cut from the picture, at most 512 x 512 each. A
// string is drawn as one textured quad per glyph. TGLFlatText draws a string inside the scene; the HUD texts
// draw theirs on the screen. Text arrives as UTF-8 and is taken character by character (code points).
#pragma once

#include "GLBaseClasses.h"
#include "GLTexture.h"
#include "VAVodad.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TPicture;
class TGLTextureHandle;

// The unit name that the assertion texts of this unit carry.
inline constexpr const char* cGLBitmapFontUnit = "VAVodad\\Source\\GLBitmapFont";

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TGLTextLayout { tlTop, tlCenter, tlBottom };

class TGLBitmapFontRanges;

// The characters StartASCII..StopASCII on the tiles StartGlyphIdx..StopGlyphIdx. Start <= Stop always.
class TGLBitmapFontRange : public TPersistent {
public:
    explicit TGLBitmapFontRange(TGLBitmapFontRanges* ACollection);

    // Copies the two characters and the first tile.
    void Assign(TPersistent* Source) override;
    // "ASCII [#start, #stop] -> Glyphs [first, last]".
    std::string GetDisplayName() const;
    TPersistent* GetOwner() const override;
    // Unique within the collection, kept for the range's life.
    int32_t ID() const { return FID; }
    int32_t Index() const;

    char16_t StartASCII() const { return FStartASCII; }
    // The first UTF-16 unit of the text; an empty text changes nothing. A start above the stop raises the stop.
    void SetStartASCII(const std::string& Value);
    void SetStartASCII(char16_t Value);
    char16_t StopASCII() const { return FStopASCII; }
    // Likewise; a stop below the start lowers the start.
    void SetStopASCII(const std::string& Value);
    void SetStopASCII(char16_t Value);
    int32_t StartGlyphIdx() const { return FStartGlyphIdx; }
    // Negative values become 0.
    void SetStartGlyphIdx(int32_t Value);
    int32_t StopGlyphIdx() const { return FStopGlyphIdx; }
    int32_t CharCount() const { return FCharCount; }

    // Recomputes the count and the last tile, then tells the collection.
    void NotifyChange();

private:
    friend class TGLBitmapFontRanges;
    void Recompute();

    char16_t FStartASCII = 0;
    char16_t FStopASCII = 0;
    int32_t FStartGlyphIdx = 0;
    int32_t FStopGlyphIdx = 0;
    int32_t FCharCount = 1;
    TGLBitmapFontRanges* FCollection;
    int32_t FID;
};

// The ranges of a font (or of a scene object that maps characters itself), in order: the first range holding
// a character decides its tile.
class TGLBitmapFontRanges : public TPersistent {
public:
    // AOwner: a bitmap font or a scene object, told of every change.
    explicit TGLBitmapFontRanges(TPersistent* AOwner);
    ~TGLBitmapFontRanges() override;

    TPersistent* GetOwner() const override { return FOwner; }
    // The same ranges as another collection.
    void Assign(TPersistent* Source) override;

    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    // A new range at the end (' '..' ' style: both characters 0, first tile 0).
    TGLBitmapFontRange* Add();
    // A new range whose start, then stop, are set through the setters.
    TGLBitmapFontRange* Add(char16_t StartASCII, char16_t StopASCII);
    // 8-bit characters, read in the Western code page.
    TGLBitmapFontRange* Add(char StartASCII, char StopASCII);
    void Delete(int32_t Index);
    void Clear();
    TGLBitmapFontRange* FindItemID(int32_t ID) const;
    // Raises EListError for an index outside the list.
    TGLBitmapFontRange* GetItems(int32_t Index) const;
    void SetItems(int32_t Index, TGLBitmapFontRange* Value);

    // Changes inside are told once, at the outermost EndUpdate.
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();

    // The tile of a character, -1 when no range holds it.
    int32_t CharacterToTileIndex(char32_t aChar) const;
    // The character of a tile, 0 when no range holds it.
    char16_t TileIndexToChar(int32_t aIndex) const;
    int32_t CharacterCount() const { return FCharCount; }
    // The sum of the ranges' counts; then the owner hears of it (a font's NotifyChange, a scene object's
    // StructureChanged).
    void NotifyChange();

    // The "Ranges" value of a component stream: a list of (start code, stop code, first tile).
    void WriteRanges(TWriter& Writer) const;
    void ReadRanges(TReader& Reader);

private:
    friend class TGLBitmapFontRange;
    friend class TGLWindowsBitmapFont; // renumbers the tiles

    void Changed();
    // Consecutive tiles in collection order, each range starting where the ones before it end; nobody is told.
    void Renumber();

    std::vector<std::unique_ptr<TGLBitmapFontRange>> FItems;
    TPersistent* FOwner;
    int32_t FCharCount = 0;
    int32_t FUpdateCount = 0;
    int32_t FNextID = 0;
};

// Where a tile sits in the glyph picture: its left and top pixel and its width.
struct TCharInfo {
    uint16_t l, t, w;
};

// The glyph quads of one string as a vertex array (texture point and position per corner), cut into runs
// that each come from one texture. A text object keeps its string's batch from frame to frame and the font
// rebuilds it only when the string, its placement or the font itself has changed.
struct TGLBitmapTextBatch {
    struct TRun {
        size_t Texture; // index in the font's textures
        int32_t First, Count;
    };
    std::vector<float> Corners; // S, T, X, Y, Z
    std::vector<TRun> Runs;
    // What the batch was built for.
    uint64_t Revision = 0;
    std::string Text;
    TAlignment Alignment = taLeftJustify;
    TGLTextLayout Layout = tlTop;
};

// The base of bitmap fonts: the ranges, the glyph picture and the textures, string widths and drawing. The
// scene objects that draw with the font register as its users and hear of its changes.
class TGLCustomBitmapFont : public TGLUpdateAbleComponent {
public:
    explicit TGLCustomBitmapFont(TComponent* AOwner);
    // Free notification first (users drop the font); a user that did not ask for it is told now, as if it had,
    // and the case is logged. Then the textures go.
    void BeforeDestruction() override;
    ~TGLCustomBitmapFont() override;

    // A change of the ranges lays the tiles out again.
    void NotifyChange(TObject* Sender) override;

    // Registering an object twice fails an assertion; unregistering one that is not there does nothing.
    void RegisterUser(TGLBaseSceneObject* anObject);
    void UnRegisterUser(TGLBaseSceneObject* anObject);
    const std::vector<TGLBaseSceneObject*>& Users() const { return FUsers; }
    // Forgets the tile layout and the textures and tells every user, the last first.
    void InvalidateUsers();

    // Draws the text from aPosition (the origin when none), line by line at each carriage return: each line
    // placed by aAlignment about the pen, the block by aLayout. y grows upwards; with aReverseY the glyphs
    // hang downwards from the pen instead.
    void RenderString(TGLRenderContextInfo& ARci, std::string_view aText, TAlignment aAlignment, TGLTextLayout aLayout,
                      const TVector4f& aColor, const TVector4f* aPosition = nullptr, bool aReverseY = false);
    // The same at the origin, from the quads of batch, built again only when they no longer fit the text,
    // alignment, layout and font.
    void RenderString(TGLRenderContextInfo& ARci, TGLBitmapTextBatch& batch, std::string_view aText,
                      TAlignment aAlignment, TGLTextLayout aLayout, const TVector4f& aColor);
    // Left-justified, top layout, from (X, Y) downwards.
    void TextOut(TGLRenderContextInfo& rci, float X, float Y, std::string_view Text, const TVector4f& Color);
    void TextOut(TGLRenderContextInfo& rci, float X, float Y, std::string_view Text, TColor Color);

    int32_t CharacterToTileIndex(char32_t aChar) const { return FRanges->CharacterToTileIndex(aChar); }
    char16_t TileIndexToChar(int32_t aIndex) const { return FRanges->TileIndexToChar(aIndex); }
    int32_t CharacterCount() const { return FRanges->CharacterCount(); }
    // 0 for a character without a tile.
    int32_t GetCharWidth(char32_t Ch);
    // The width in pixels of one line of text: 0 when empty, else every character's width plus HSpace +
    // HSpaceFix between characters. Right before the first render too.
    int32_t CalcStringWidth(std::string_view aText);
    int32_t TextWidth(std::string_view aText) { return CalcStringWidth(aText); }
    // Every tile's width becomes w, or CharWidth when w < 0; the layout counts as not loaded.
    void ResetCharWidths(int32_t w = -1);
    // Ignored for a negative index.
    void SetCharWidths(int32_t index, int32_t value);

    TGLBitmapFontRanges* Ranges() const { return FRanges.get(); }
    void SetRanges(TGLBitmapFontRanges* Value);
    TPicture* Glyphs() const { return FGlyphs.get(); }
    void SetGlyphs(TPicture* Value);
    int32_t CharWidth() const { return FCharWidth; }
    // Values below 1 become 1.
    void SetCharWidth(int32_t Value);
    int32_t CharHeight() const { return FCharHeight; }
    void SetCharHeight(int32_t Value);
    int32_t GlyphsIntervalX() const { return FGlyphsIntervalX; }
    // Negative values become 0.
    void SetGlyphsIntervalX(int32_t Value);
    int32_t GlyphsIntervalY() const { return FGlyphsIntervalY; }
    void SetGlyphsIntervalY(int32_t Value);
    int32_t HSpace() const { return FHSpace; }
    void SetHSpace(int32_t Value);
    int32_t VSpace() const { return FVSpace; }
    void SetVSpace(int32_t Value);
    int32_t HSpaceFix() const { return FHSpaceFix; }
    TGLMinFilter MinFilter() const { return FMinFilter; }
    void SetMinFilter(TGLMinFilter Value);
    TGLMagFilter MagFilter() const { return FMagFilter; }
    void SetMagFilter(TGLMagFilter Value);
    TGLTextureImageAlpha GlyphsAlpha() const { return FGlyphsAlpha; }
    void SetGlyphsAlpha(TGLTextureImageAlpha Value) { FGlyphsAlpha = Value; }
    // 0: decided when the textures are built.
    int32_t TextureWidth() const { return FTextureWidth; }
    void SetTextureWidth(int32_t Value)
    {
        FTextureWidth = Value;
        Revise();
    }
    int32_t TextureHeight() const { return FTextureHeight; }
    void SetTextureHeight(int32_t Value)
    {
        FTextureHeight = Value;
        Revise();
    }
    int32_t TextRows() const { return FTextRows; }
    int32_t TextCols() const { return FTextCols; }
    int32_t TextureCount() const { return static_cast<int32_t>(FTextures.size()); }
    bool CharsLoaded() const { return FCharsLoaded; }
    bool TextureModified() const { return FTextureModified; }
    // The tile table (index = tile).
    const std::vector<TCharInfo>& Chars() const { return FChars; }

    // Frees the textures; the next render builds them again.
    virtual void FreeTextures();
    // The internal format of the textures.
    virtual GLenum TextureFormat() const { return GL_RGBA; }
    // Builds the textures when a change or a new context asks for it.
    void CheckTexture(TGLRenderContextInfo& rci);
    // Whole cells across the picture; 0 for an empty picture.
    int32_t CharsPerRow() const;

protected:
    // Cuts the picture into textures of TextureWidth x TextureHeight, uploaded in the current context.
    virtual void BuildTextures(TGLRenderContextInfo& rci);
    // Makes the width table right for the font before widths are read: here the tiles are laid out on the
    // picture's grid, each CharWidth wide.
    virtual void PrepareCharWidths();
    void TextureChanged() { FTextureModified = true; }
    void SetHSpaceFix(int32_t Value)
    {
        FHSpaceFix = Value;
        Revise();
    }
    // Direct writes for fonts that measure their glyphs: no user hears of them.
    void StoreCellSize(int32_t charWidth, int32_t charHeight, int32_t intervalX, int32_t intervalY);
    void SetCharsLoaded(bool Value) { FCharsLoaded = Value; }
    TCharInfo& CharInfo(int32_t tile)
    {
        Revise();
        return FChars[tile];
    }
    // The picture's change event is held back while a font redraws its own picture.
    void DetachGlyphsEvent();
    void AttachGlyphsEvent();
    // Streamed properties the font classes share: HSpace, VSpace and the filters; the ranges when store.
    void DefineSpacingProperties(TFiler& Filer);
    void DefineRangesProperty(TFiler& Filer, bool store);

private:
    // Users still registered hear of the font's removal as if they had asked for free notification.
    void DetachUsers();
    // Stores a changed value and invalidates the users.
    void StoreAndInvalidate(int32_t& field, int32_t Value);
    void OnGlyphsChanged(TObject* Sender);
    // The width of a tile (0 outside the table).
    int32_t TileWidth(int32_t tile) const;
    // The width of the text as CalcStringWidth gives it, with the table already prepared.
    int32_t MeasureLine(std::string_view aText) const;
    // The grid layout of a hand-made picture: tile i in cell (i mod cols, i div cols); false when the picture
    // holds no whole cell.
    bool LayOutTiles();
    // The texture of a tile (its index in the list) and the corners of the tile's glyph in it; false when the
    // tile has no texture to come from.
    bool GetICharTexCoords(int32_t tile, size_t& texture, TTexPoint& topLeft, TTexPoint& bottomRight) const;
    // The quads of the text as RenderString places them, into batch.
    void BuildQuads(std::string_view aText, TAlignment aAlignment, TGLTextLayout aLayout, const TVector4f* aPosition,
                    bool aReverseY, TGLBitmapTextBatch& batch);
    // Draws the quads of batch in aColor, one draw per texture run.
    void DrawQuads(TGLRenderContextInfo& rci, const TGLBitmapTextBatch& batch, const TVector4f& aColor);
    // Anything that moves or measures glyphs has changed: batches built before are built again.
    void Revise();
    void PrepareParams(TGLRenderContextInfo& rci);

    struct TFreeHandle {
        void operator()(TGLTextureHandle* handle) const;
    };

    std::unique_ptr<TGLBitmapFontRanges> FRanges;
    std::unique_ptr<TPicture> FGlyphs;
    int32_t FCharWidth = 16;
    int32_t FCharHeight = 16;
    int32_t FGlyphsIntervalX = 0;
    int32_t FGlyphsIntervalY = 0;
    int32_t FHSpace = 1;
    int32_t FVSpace = 1;
    int32_t FHSpaceFix = 0;
    std::vector<TGLBaseSceneObject*> FUsers;
    TGLMinFilter FMinFilter = miLinear;
    TGLMagFilter FMagFilter = maLinear;
    int32_t FTextureWidth = 0;
    int32_t FTextureHeight = 0;
    // The pixel size of the textures themselves (powers of two at least TextureWidth x TextureHeight).
    int32_t FPageWidth = 0;
    int32_t FPageHeight = 0;
    int32_t FTextRows = 0;
    int32_t FTextCols = 0;
    TGLTextureImageAlpha FGlyphsAlpha = tiaDefault;
    std::vector<std::unique_ptr<TGLTextureHandle, TFreeHandle>> FTextures;
    bool FTextureModified = true;
    TGLTextureHandle* FLastTexture = nullptr;
    std::vector<TCharInfo> FChars;
    bool FCharsLoaded = false;
    uint64_t FRevision = 0;
    TGLBitmapTextBatch FScratch; // the quads of strings drawn without a batch of their own
};

// A bitmap font whose glyph picture is made by hand: cells of CharWidth x CharHeight with gaps of
// GlyphsIntervalX and GlyphsIntervalY, row by row.
class TGLBitmapFont : public TGLCustomBitmapFont {
public:
    using TGLCustomBitmapFont::TGLCustomBitmapFont;
    void DefineProperties(TFiler& Filer) override;
};

// The base of the scene objects that draw a string of a bitmap font: the flat text in the scene, the HUD texts
// on the screen. The object is a user of its font from the moment BitmapFont is set until it is cleared, the
// font goes or the object dies; a font named in a stream is found among the owner's components when loading
// ends.
class TGLCustomBitmapText : public TGLImmaterialSceneObject {
public:
    explicit TGLCustomBitmapText(TComponent* AOwner);
    void BeforeDestruction() override;
    ~TGLCustomBitmapText() override;

    TGLCustomBitmapFont* BitmapFont() const { return FBitmapFont; }
    // Leaves the old font's users and joins the new one's.
    void SetBitmapFont(TGLCustomBitmapFont* Value);
    const std::string& Text() const { return FText; }
    void SetText(const std::string& Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TGLTextLayout Layout() const { return FLayout; }
    void SetLayout(TGLTextLayout Value);
    TGLColor* ModulateColor() const { return FModulateColor.get(); }
    void SetModulateColor(TGLColor* Value);

    void Notification(TComponent* AComponent, TOperation Operation) override;
    // BitmapFont (by its name), Text, Alignment, Layout and ModulateColor.
    void DefineProperties(TFiler& Filer) override;
    void Loaded() override;

protected:
    // The string's quads, kept between frames.
    TGLBitmapTextBatch& Batch() { return FBatch; }

private:
    TGLBitmapTextBatch FBatch;
    TGLCustomBitmapFont* FBitmapFont = nullptr;
    std::string FBitmapFontName; // read from a stream, found in Loaded
    std::string FText;
    TAlignment FAlignment = taLeftJustify;
    TGLTextLayout FLayout = tlTop;
    std::unique_ptr<TGLColor> FModulateColor;
};

enum TGLFlatTextOption { ftoTwoSided };
using TGLFlatTextOptions = TSet<TGLFlatTextOption, uint8_t>;

// A string drawn in the object's local XY plane, one unit per pixel of the font's picture.
class TGLFlatText : public TGLCustomBitmapText {
public:
    using TGLCustomBitmapText::TGLCustomBitmapText;

    TGLFlatTextOptions Options() const { return FOptions; }
    void SetOptions(TGLFlatTextOptions Value);

    // The six properties of another flat text.
    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;

private:
    TGLFlatTextOptions FOptions;
};

// Registers the module's streamable classes (start-up).
void RegisterGLBitmapFontClasses();
