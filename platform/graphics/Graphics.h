// The graphics layer: colours, fonts, pens and brushes, bitmaps with their canvas and the BMP file format,
// graphics and pictures with the picture-format registry. Drawing is done on Qt inside the .cpp files.
#pragma once

#include "Components.h"
#include "ImageCodecs.h"
#include "Types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Prepares the graphics layer once per program: the application object that fonts and text need (made when
// the program has none yet, so a program with windows makes its own first) and the picture formats bmp,
// png, jpg and jpeg. Drawing without text works before it; text raises EInvalidGraphic until it has run.
// Without any display the fonts are served off screen.
void InitializeGraphics();

// ---------------------------------------------------------------------------------------------------------
// Colours

// 0x00BBGGRR: red in the low byte. A value with the high byte 0xFF is a system colour code (clBtnFace ...).
using TColor = int32_t;

constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF,
                 clMoneyGreen = 0xC0DCC0, clSkyBlue = 0xF0CAA6, clCream = 0xF0FBFF, clMedGray = 0xA4A0A0,
                 clNone = 0x1FFFFFFF, clDefault = 0x20000000;

constexpr TColor SystemColor(int index) { return static_cast<TColor>(0xFF000000u | static_cast<uint32_t>(index)); }
constexpr TColor clScrollBar = SystemColor(0), clBackground = SystemColor(1), clActiveCaption = SystemColor(2),
                 clInactiveCaption = SystemColor(3), clMenu = SystemColor(4), clWindow = SystemColor(5),
                 clWindowFrame = SystemColor(6), clMenuText = SystemColor(7), clWindowText = SystemColor(8),
                 clCaptionText = SystemColor(9), clActiveBorder = SystemColor(10),
                 clInactiveBorder = SystemColor(11), clAppWorkSpace = SystemColor(12),
                 clHighlight = SystemColor(13), clHighlightText = SystemColor(14), clBtnFace = SystemColor(15),
                 clBtnShadow = SystemColor(16), clGrayText = SystemColor(17), clBtnText = SystemColor(18),
                 clInactiveCaptionText = SystemColor(19), clBtnHighlight = SystemColor(20),
                 cl3DDkShadow = SystemColor(21), cl3DLight = SystemColor(22), clInfoText = SystemColor(23),
                 clInfoBk = SystemColor(24), clHotLight = SystemColor(26),
                 clGradientActiveCaption = SystemColor(27), clGradientInactiveCaption = SystemColor(28),
                 clMenuHighlight = SystemColor(29), clMenuBar = SystemColor(30);

// A system colour code becomes its fixed RGB value (black for an unknown code); other values are returned
// as they are.
TColor ColorToRGB(TColor color);

// ---------------------------------------------------------------------------------------------------------
// Fonts, pens and brushes

using TFontStyles = uint8_t;
constexpr TFontStyles fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8;

// The installed face that stands for a face name of the system.
struct TFontFace {
    std::string Family;
    bool Bold; // the face is a heavy one drawn with the bold weight
};
// Bookman Old Style: URW Bookman; Arial and Tahoma: Liberation Sans; Arial Black: Liberation Sans bold; Arial
// Narrow: Nimbus Sans Narrow; anything else: DejaVu Sans. Names are compared without regard to letter case.
TFontFace ResolveFontFace(const std::string& name);
// The face names the table above knows, in its order (what a font dialog offers).
std::vector<std::string> FontFaceNames();

// A font by face name, size and style. Height is in pixels at 96 pixels per inch: negative for the height
// of the characters (Size in points = -Height x 72 / 96), positive for the height of the whole cell.
class TFont : public TPersistent {
public:
    TFont();
    void Assign(TPersistent* Source) override;

    const std::string& Name() const { return FName; }
    void SetName(const std::string& value);
    int32_t Size() const;
    void SetSize(int32_t value);
    int32_t Height() const { return FHeight; }
    void SetHeight(int32_t value);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);

    TNotifyEvent OnChange;

private:
    void Changed();

    std::string FName = "Tahoma";
    int32_t FHeight = -11;
    TFontStyles FStyle = 0;
    TColor FColor = clWindowText;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

class TPen : public TPersistent {
public:
    void Assign(TPersistent* Source) override;

    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    int32_t Width() const { return FWidth; }
    void SetWidth(int32_t value);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle value);

    TNotifyEvent OnChange;

private:
    void Changed();

    TColor FColor = clBlack;
    int32_t FWidth = 1;
    TPenStyle FStyle = psSolid;
};

// The hatches are lines in the brush colour over what is already there, eight pixels apart.
enum TBrushStyle { bsSolid, bsClear, bsFDiagonal, bsDiagCross };

class TBrush : public TPersistent {
public:
    void Assign(TPersistent* Source) override;

    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle value);

    TNotifyEvent OnChange;

private:
    void Changed();

    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
};

// ---------------------------------------------------------------------------------------------------------
// Graphics and bitmaps

class TCanvas;
class TBitmap;

// A picture of some kind: its size, its file format (streams and files) and how it draws itself.
class TGraphic : public TPersistent {
public:
    virtual int32_t Width() const = 0;
    virtual int32_t Height() const = 0;
    virtual bool Empty() const { return Width() == 0 || Height() == 0; }
    // Whether drawing lets the picture's alpha show what lies below it.
    bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool value);

    virtual void LoadFromStream(TStream& Stream) = 0;
    virtual void SaveToStream(TStream& Stream) = 0;
    // Opens the file (names resolved as the file layer does); saving replaces the file only once it is
    // completely written.
    void LoadFromFile(const std::string& FileName);
    void SaveToFile(const std::string& FileName);

    // Called after every change of the picture.
    TNotifyEvent OnChange;

protected:
    friend class TCanvas;
    // Draws the picture stretched over Rect of the canvas.
    virtual void Draw(TCanvas& ACanvas, const TRect& Rect) = 0;
    virtual void Changed();
    // Into a bitmap: the bitmap takes the graphic's size, 32 bits when the graphic is transparent, else 24,
    // and the graphic is drawn on it. Classes with pixels of their own copy them instead.
    void AssignTo(TPersistent* Dest) override;

    bool FTransparent = false;
};

// A graphic class chosen at run time (by file extension): its name and how to make one.
using TGraphicClass = const TPersistentClass*;
template <class T> TGraphicClass GraphicClass()
{
    static_assert(std::is_base_of_v<TGraphic, T>, "a graphic class makes graphics");
    static const TPersistentClass cls(ClassNameOf<T>(), typeid(T), false,
                                      [](TComponent*) -> TPersistent* { return new T(); });
    return &cls;
}
TGraphic* CreateGraphic(TGraphicClass graphicClass);

enum TPixelFormat { pf24bit, pf32bit };

// Pixels in memory, top row first: 3 bytes B, G, R or 4 bytes B, G, R, A per pixel, each row padded to a
// multiple of 4 bytes. Its file format is BMP.
class TBitmap : public TGraphic {
public:
    TBitmap();
    ~TBitmap() override;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    // A bitmap copies another bitmap; any other graphic is drawn into a 24-bit bitmap of its size (32-bit,
    // alpha kept, when the graphic has alpha).
    void Assign(TPersistent* Source) override;
    void SetTransparent(bool value) override;

    int32_t Width() const override { return FWidth; }
    int32_t Height() const override { return FHeight; }
    void SetWidth(int32_t value) { SetSize(value, FHeight); }
    void SetHeight(int32_t value) { SetSize(FWidth, value); }
    // Keeps the pixels that stay inside; new ones are black (alpha 0). Negative sizes count as 0.
    void SetSize(int32_t width, int32_t height);
    TPixelFormat PixelFormat() const { return FPixelFormat; }
    // Converts the pixels; a 24-bit picture becoming 32-bit gets alpha 255.
    void SetPixelFormat(TPixelFormat value);
    int BytesPerPixel() const { return FPixelFormat == pf32bit ? 4 : 3; }
    // Bytes from one row to the next.
    int32_t RowStride() const { return FStride; }

    // Row 0 is the top; a row outside the picture raises EInvalidGraphic "Scan line index out of range".
    uint8_t* ScanLine(int32_t Row);
    const uint8_t* ScanLine(int32_t Row) const;

    TCanvas* Canvas();

    // BMP: reads 1, 4 and 8 bits with a palette (RLE too), 16 bits (5-5-5 or bit fields), 24 bits and 32 bits
    // (plain or bit fields), rows stored from the bottom or from the top; 32-bit files give a 32-bit bitmap,
    // all others 24 bits. Writes 24 or 32 bits as the bitmap is. Bad files raise EInvalidGraphic and leave
    // the bitmap as it was.
    void LoadFromStream(TStream& Stream) override;
    void SaveToStream(TStream& Stream) override;

protected:
    void Draw(TCanvas& ACanvas, const TRect& Rect) override;

private:
    friend class TCanvas;
    // A zeroed buffer of that size; nothing changes when the size is refused.
    void Reallocate(int32_t width, int32_t height, TPixelFormat format);
    // Takes the other bitmap's pixels and size.
    void TakePixels(TBitmap& other);
    // Ends the canvas's painting before the pixels are read or replaced, so they are complete and its painter
    // never outlives them.
    void EndPainting() const;

    int32_t FWidth = 0, FHeight = 0, FStride = 0;
    TPixelFormat FPixelFormat = pf24bit;
    std::vector<uint8_t> FPixels;
    std::unique_ptr<TCanvas> FCanvas;
};

// ---------------------------------------------------------------------------------------------------------
// Canvas

// Draws on a bitmap with its pen (lines, outlines), brush (fills) and font (text). Coordinates are pixels
// from the top-left corner; rectangles exclude their right and bottom edges.
// A run of drawing calls shares one painting of the bitmap, begun by the first call and ended as soon as the
// bitmap's pixels, size or format are read or changed, or the bitmap goes away.
class TCanvas : public TPersistent {
public:
    explicit TCanvas(TBitmap& Bitmap);
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TFont* Font() { return &FFont; }
    TPen* Pen() { return &FPen; }
    TBrush* Brush() { return &FBrush; }
    const TPoint& PenPos() const { return FPenPos; }
    void SetPenPos(const TPoint& value) { FPenPos = value; }

    void MoveTo(int32_t X, int32_t Y);
    // A line from the pen position to (X, Y), the end point itself not drawn; the pen moves there.
    void LineTo(int32_t X, int32_t Y);
    // Outline with the pen, inside filled with the brush.
    void Rectangle(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);
    void Rectangle(const TRect& Rect) { Rectangle(Rect.Left, Rect.Top, Rect.Right, Rect.Bottom); }
    void Ellipse(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);
    // The brush only.
    void FillRect(const TRect& Rect);
    // A one-pixel frame in the brush colour.
    void FrameRect(const TRect& Rect);

    // Text with its top-left corner at (X, Y) in the font's colour, over a box in the brush colour unless
    // the brush style is bsClear. TextRect clips it to Rect.
    void TextOut(int32_t X, int32_t Y, const std::string& Text);
    void TextRect(const TRect& Rect, int32_t X, int32_t Y, const std::string& Text);
    int32_t TextWidth(const std::string& Text);
    int32_t TextHeight(const std::string& Text);

    // Whether the font's own face has a glyph for the character; a face that would stand in for it does not
    // count.
    bool HasGlyph(char32_t Char);
    // The advance of one character in pixels.
    int32_t CharWidth(char32_t Char);
    // One character placed by GlyphsOut: its top-left corner at (X, Y), nothing drawn outside Clip.
    struct TGlyphPlacement {
        char32_t Char;
        int32_t X, Y;
        TRect Clip;
    };
    // Many single characters in the font's colour at once, the background left as it is: what TextRect with a
    // clear brush does for each, without setting the painting up again per character. Only the font's own
    // face draws them (no other face stands in, see HasGlyph).
    void GlyphsOut(const std::vector<TGlyphPlacement>& Glyphs);

    // The graphic at (X, Y) at its own size, or stretched over Rect (nearest pixel, no smoothing).
    void Draw(int32_t X, int32_t Y, TGraphic* Graphic);
    void StretchDraw(const TRect& Rect, TGraphic* Graphic);
    // Copies the Source rectangle of another canvas onto Dest of this one, stretched as needed (nearest
    // pixel). A rectangle whose right edge lies left of its left edge (or bottom above top) mirrors the
    // copy in that direction.
    void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source);

    TBitmap& Bitmap() { return FBitmap; }

private:
    friend class TBitmap;
    // The toolkit's font for FFont, made again only when the name, height or style changed.
    struct TResolvedFont;
    TResolvedFont& ResolvedFont();
    // The open painting with the canvas's pen and brush in place (begun when there is none), or nullptr for an
    // empty bitmap.
    struct TPainting;
    TPainting* Painting();
    void EndPainting();

    TBitmap& FBitmap;
    std::unique_ptr<TResolvedFont> FResolvedFont;
    std::unique_ptr<TPainting> FPainting;
    TFont FFont;
    TPen FPen;
    TBrush FBrush;
    TPoint FPenPos{0, 0};
};

// ---------------------------------------------------------------------------------------------------------
// Pictures

struct TPictureFileFormat {
    std::string Extension; // lower case, without the dot
    std::string Description;
    TGraphicClass GraphicClass;

    // "ext=description"
    std::string Entry() const { return Extension + "=" + Description; }
};

// Holds one graphic of any registered kind; files are read by the class registered for their extension.
class TPicture : public TPersistent {
public:
    TPicture();
    ~TPicture() override;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    // The graphic, or nullptr when the picture is empty.
    TGraphic* Graphic() const { return FGraphic.get(); }
    // The picture takes a copy of value (a new graphic of its class); nullptr empties it.
    void SetGraphic(TGraphic* value);
    // The graphic as a bitmap; a picture holding something else is first replaced by an empty bitmap.
    TBitmap* Bitmap();
    int32_t Width() const { return FGraphic ? FGraphic->Width() : 0; }
    int32_t Height() const { return FGraphic ? FGraphic->Height() : 0; }

    // The class registered for the file's extension reads it; an unknown extension raises EInvalidGraphic
    // "Unknown picture file extension (.ext)". On a failure the picture keeps what it held.
    void LoadFromFile(const std::string& FileName);
    // The graphic writes itself in its own format; an empty picture writes nothing.
    void SaveToFile(const std::string& FileName);
    // From a picture, a graphic or nullptr (empties).
    void Assign(TPersistent* Source) override;

    TNotifyEvent OnChange;

    // The picture-format registry. A later registration of an extension hides an earlier one; registering
    // the same extension and class again changes nothing.
    static void RegisterFileFormat(const std::string& Extension, const std::string& Description,
                                   TGraphicClass GraphicClass);
    // Removes every format of that class.
    static void UnregisterGraphicClass(TGraphicClass GraphicClass);
    // In registration order.
    static const std::vector<TPictureFileFormat>& FileFormats();
    // The class for an extension (with or without its dot, any letter case), or nullptr.
    static TGraphicClass GraphicClassForExtension(const std::string& Extension);

private:
    void Changed();
    void TakeGraphic(std::unique_ptr<TGraphic> graphic);

    std::unique_ptr<TGraphic> FGraphic;
};
