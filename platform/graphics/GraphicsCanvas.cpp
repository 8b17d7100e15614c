// Drawing on bitmaps with Qt's raster painter: every operation paints straight into the bitmap's memory
// through a QImage that wraps it. Setting a painter up costs more than most shapes, so one painting serves a
// run of calls and the bitmap ends it before its pixels are touched otherwise. Shapes and copies are aliased,
// as the system's drawing is.
#include "BitmapImage.h"
#include "Graphics.h"

#include <QFont>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRawFont>

#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>
#include <utility>

QColor ToQColor(TColor color)
{
    const uint32_t rgb = static_cast<uint32_t>(ColorToRGB(color));
    return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

namespace {

QRect NormalRect(const TRect& r)
{
    return QRect(QPoint(std::min(r.Left, r.Right), std::min(r.Top, r.Bottom)),
                 QSize(std::abs(r.Width()), std::abs(r.Height())));
}

void RequireTextSupport()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        throw EInvalidGraphic("Text needs the graphics layer initialised (InitializeGraphics)");
}

Qt::PenStyle ToQtPenStyle(TPenStyle style)
{
    switch (style) {
    case psDash: return Qt::DashLine;
    case psDot: return Qt::DotLine;
    case psDashDot: return Qt::DashDotLine;
    case psDashDotDot: return Qt::DashDotDotLine;
    case psClear: return Qt::NoPen;
    default: return Qt::SolidLine;
    }
}

// The brush's fill; a hatch's pattern starts at the bitmap's top-left corner.
QBrush FillOf(const TBrush& brush)
{
    switch (brush.Style()) {
    case bsClear: return QBrush(Qt::NoBrush);
    case bsFDiagonal: return QBrush(ToQColor(brush.Color()), Qt::FDiagPattern);
    case bsDiagCross: return QBrush(ToQColor(brush.Color()), Qt::DiagCrossPattern);
    case bsSolid: break;
    }
    return QBrush(ToQColor(brush.Color()));
}

QPen PenOf(const TPen& pen)
{
    QPen qpen(ToQColor(pen.Color()));
    qpen.setWidth(pen.Width());
    qpen.setStyle(ToQtPenStyle(pen.Style()));
    qpen.setCapStyle(Qt::FlatCap); // a line leaves out its end point
    return qpen;
}

// The outline rectangle whose pixels span x1 .. x2 - 1 and y1 .. y2 - 1.
QRect OutlineRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    const QRect r = NormalRect(TRect{x1, y1, x2, y2});
    return QRect(r.left(), r.top(), r.width() - 1, r.height() - 1);
}

// The rectangle's pixels of a source bitmap as an image of their own, mirrored as asked.
QImage SourcePixels(TBitmap& source, const QRect& rect, bool mirrorX, bool mirrorY)
{
    QImage image = WrapBitmap(source).copy(rect);
    if (mirrorX || mirrorY) image = image.mirrored(mirrorX, mirrorY);
    return image;
}

} // namespace

QFont ToQFont(const TFont& font)
{
    RequireTextSupport();
    const TFontFace face = ResolveFontFace(font.Name());
    QFont result(QString::fromStdString(face.Family));
    result.setBold(face.Bold || (font.Style() & fsBold));
    result.setItalic(font.Style() & fsItalic);
    result.setUnderline(font.Style() & fsUnderline);
    result.setStrikeOut(font.Style() & fsStrikeOut);
    const int32_t height = font.Height() != 0 ? font.Height() : -11;
    result.setPixelSize(std::max(1, std::abs(height)));
    if (height > 0) { // the height of the whole cell: scale the character size to fit it
        const int cell = QFontMetrics(result).height();
        if (cell > 0) result.setPixelSize(std::max(1, int(std::lround(double(height) * height / cell))));
    }
    return result;
}

// The painter open on the bitmap, and which of the canvas's pen and brush it holds: they are set again only
// when they changed or a call put something else in their place.
struct TCanvas::TPainting {
    QImage image;
    QPainter painter;
    std::optional<std::tuple<TColor, int32_t, TPenStyle>> pen;
    std::optional<std::pair<TColor, TBrushStyle>> brush;
    QBrush fill;
    // A call clipped or changed how pixels combine.
    bool altered = false;

    explicit TPainting(QImage wrapped) : image(std::move(wrapped)) { painter.begin(&image); }
    // A call that put a pen or brush of its own in place: the next call sets the canvas's again.
    void ForgetPen() { pen.reset(); }
    void ForgetBrush() { brush.reset(); }
};

TCanvas::TPainting* TCanvas::Painting()
{
    if (!FPainting) {
        QImage image = WrapBitmap(FBitmap);
        if (image.isNull()) return nullptr;
        FPainting = std::make_unique<TPainting>(std::move(image));
        if (!FPainting->painter.isActive()) {
            FPainting.reset();
            return nullptr;
        }
    }
    TPainting& p = *FPainting;
    if (p.altered) {
        p.painter.setClipping(false);
        p.painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.altered = false;
    }
    const auto pen = std::make_tuple(FPen.Color(), FPen.Width(), FPen.Style());
    if (p.pen != pen) {
        p.painter.setPen(PenOf(FPen));
        p.pen = pen;
    }
    const auto brush = std::make_pair(FBrush.Color(), FBrush.Style());
    if (p.brush != brush) {
        p.fill = FillOf(FBrush);
        p.painter.setBrush(p.fill);
        p.brush = brush;
    }
    return &p;
}

void TCanvas::EndPainting()
{
    FPainting.reset();
}

struct TCanvas::TResolvedFont {
    std::string Name;
    int32_t Height;
    TFontStyles Style;
    QFont Font;
    QFontMetrics Metrics;
    // Made on the first glyph question.
    std::optional<QRawFont> Face;

    explicit TResolvedFont(const TFont& font)
        : Name(font.Name()), Height(font.Height()), Style(font.Style()), Font(ToQFont(font)), Metrics(Font)
    {
    }
    bool Matches(const TFont& font) const
    {
        return Height == font.Height() && Style == font.Style() && Name == font.Name();
    }
};

TCanvas::TCanvas(TBitmap& Bitmap) : FBitmap(Bitmap) {}

void TBitmap::EndPainting() const
{
    if (FCanvas) FCanvas->EndPainting();
}

TCanvas::~TCanvas() = default;

void TCanvas::MoveTo(int32_t X, int32_t Y)
{
    FPenPos = {X, Y};
}

void TCanvas::LineTo(int32_t X, int32_t Y)
{
    if (TPainting* p = Painting()) p->painter.drawLine(QPoint(FPenPos.X, FPenPos.Y), QPoint(X, Y));
    FPenPos = {X, Y};
}

void TCanvas::Rectangle(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2)
{
    TPainting* p = Painting();
    if (!p) return;
    if (FBrush.Style() != bsClear) p->painter.fillRect(NormalRect(TRect{X1, Y1, X2, Y2}), p->fill);
    p->painter.setBrush(Qt::NoBrush);
    p->painter.drawRect(OutlineRect(X1, Y1, X2, Y2));
    p->painter.setBrush(p->fill);
}

void TCanvas::Ellipse(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2)
{
    if (TPainting* p = Painting()) p->painter.drawEllipse(OutlineRect(X1, Y1, X2, Y2));
}

void TCanvas::FillRect(const TRect& Rect)
{
    if (FBrush.Style() == bsClear) return;
    if (TPainting* p = Painting()) p->painter.fillRect(NormalRect(Rect), p->fill);
}

void TCanvas::FrameRect(const TRect& Rect)
{
    TPainting* p = Painting();
    if (!p) return;
    p->painter.setPen(QPen(ToQColor(FBrush.Color()), 1));
    p->painter.setBrush(Qt::NoBrush);
    p->painter.drawRect(OutlineRect(Rect.Left, Rect.Top, Rect.Right, Rect.Bottom));
    p->ForgetPen();
    p->ForgetBrush();
}

TCanvas::TResolvedFont& TCanvas::ResolvedFont()
{
    if (!FResolvedFont || !FResolvedFont->Matches(FFont)) FResolvedFont = std::make_unique<TResolvedFont>(FFont);
    return *FResolvedFont;
}

void TCanvas::TextOut(int32_t X, int32_t Y, const std::string& Text)
{
    const QFont& font = ResolvedFont().Font;
    const QFontMetrics& metrics = ResolvedFont().Metrics;
    const QString text = QString::fromUtf8(Text.data(), static_cast<int>(Text.size()));
    const int width = metrics.horizontalAdvance(text);
    if (TPainting* p = Painting()) {
        if (FBrush.Style() != bsClear) p->painter.fillRect(QRect(X, Y, width, metrics.height()), p->fill);
        p->painter.setFont(font);
        p->painter.setPen(ToQColor(FFont.Color()));
        p->painter.drawText(QPoint(X, Y + metrics.ascent()), text);
        p->ForgetPen();
    }
    FPenPos = {X + width, Y};
}

void TCanvas::TextRect(const TRect& Rect, int32_t X, int32_t Y, const std::string& Text)
{
    const QFont& font = ResolvedFont().Font;
    const QFontMetrics& metrics = ResolvedFont().Metrics;
    TPainting* p = Painting();
    if (!p) return;
    const QRect clip = NormalRect(Rect);
    if (FBrush.Style() != bsClear) p->painter.fillRect(clip, p->fill);
    p->painter.setClipRect(clip);
    p->painter.setFont(font);
    p->painter.setPen(ToQColor(FFont.Color()));
    p->painter.drawText(QPoint(X, Y + metrics.ascent()),
                        QString::fromUtf8(Text.data(), static_cast<int>(Text.size())));
    p->ForgetPen();
    p->altered = true;
}

int32_t TCanvas::TextWidth(const std::string& Text)
{
    return ResolvedFont().Metrics.horizontalAdvance(QString::fromUtf8(Text.data(), static_cast<int>(Text.size())));
}

int32_t TCanvas::TextHeight(const std::string& /*Text*/)
{
    return ResolvedFont().Metrics.height();
}

bool TCanvas::HasGlyph(char32_t Char)
{
    TResolvedFont& resolved = ResolvedFont();
    if (!resolved.Face) resolved.Face = QRawFont::fromFont(resolved.Font);
    return resolved.Face->supportsCharacter(static_cast<uint>(Char));
}

int32_t TCanvas::CharWidth(char32_t Char)
{
    const QFontMetrics& metrics = ResolvedFont().Metrics;
    if (Char <= 0xFFFF) return metrics.horizontalAdvance(QChar(static_cast<char16_t>(Char)));
    return metrics.horizontalAdvance(QString::fromUcs4(&Char, 1));
}

void TCanvas::GlyphsOut(const std::vector<TGlyphPlacement>& Glyphs)
{
    TResolvedFont& resolved = ResolvedFont();
    if (!resolved.Face) resolved.Face = QRawFont::fromFont(resolved.Font);
    TPainting* p = Painting();
    if (!p) return;
    p->painter.setPen(ToQColor(FFont.Color()));
    p->ForgetPen();
    p->altered = true;
    const int ascent = resolved.Metrics.ascent();
    // Glyph by glyph from the face itself: no text layout per character, one run reused.
    QGlyphRun run;
    run.setRawFont(*resolved.Face);
    QList<quint32> index(1);
    run.setPositions({QPointF(0, 0)});
    for (const TGlyphPlacement& glyph : Glyphs) {
        char16_t units[2];
        const int count = QChar::requiresSurrogates(glyph.Char) ? 2 : 1;
        if (count == 2) {
            units[0] = QChar::highSurrogate(glyph.Char);
            units[1] = QChar::lowSurrogate(glyph.Char);
        } else {
            units[0] = static_cast<char16_t>(glyph.Char);
        }
        int found = 1;
        if (!resolved.Face->glyphIndexesForChars(reinterpret_cast<const QChar*>(units), count, index.data(), &found))
            continue;
        run.setGlyphIndexes(index);
        p->painter.setClipRect(NormalRect(glyph.Clip));
        p->painter.drawGlyphRun(QPointF(glyph.X, glyph.Y + ascent), run);
    }
}

void TCanvas::Draw(int32_t X, int32_t Y, TGraphic* Graphic)
{
    if (Graphic && !Graphic->Empty()) Graphic->Draw(*this, TRect{X, Y, X + Graphic->Width(), Y + Graphic->Height()});
}

void TCanvas::StretchDraw(const TRect& Rect, TGraphic* Graphic)
{
    if (Graphic && !Graphic->Empty()) Graphic->Draw(*this, Rect);
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source)
{
    if (!Canvas || Canvas->FBitmap.Empty()) return;
    const bool mirrorX = (Dest.Width() < 0) != (Source.Width() < 0);
    const bool mirrorY = (Dest.Height() < 0) != (Source.Height() < 0);
    // A copy of the source pixels first, so a canvas may copy onto itself.
    const QImage pixels = SourcePixels(Canvas->FBitmap, NormalRect(Source), mirrorX, mirrorY);
    TPainting* p = Painting();
    if (!p || pixels.isNull()) return;
    p->painter.setCompositionMode(QPainter::CompositionMode_Source);
    p->altered = true;
    p->painter.drawImage(NormalRect(Dest), pixels);
}

void TBitmap::Draw(TCanvas& ACanvas, const TRect& Rect)
{
    const bool mirrorX = Rect.Width() < 0, mirrorY = Rect.Height() < 0;
    const QImage pixels = SourcePixels(*this, QRect(0, 0, FWidth, FHeight), mirrorX, mirrorY);
    TCanvas::TPainting* p = ACanvas.Painting();
    if (!p || pixels.isNull()) return;
    if (!Transparent()) p->painter.setCompositionMode(QPainter::CompositionMode_Source);
    p->altered = true;
    p->painter.drawImage(NormalRect(Rect), pixels);
}
