// Building the glyph picture of a game font (the 8,213 codes U+0000..U+2014 and one more: every code measured,
// the face's glyphs laid out and drawn) beside plain Qt asking the same questions of the face and drawing the
// same glyphs into one image; and the width of a 100-character line beside summing a flat table of widths.
#include "BenchBaseline.h"
#include "GLWindowsFont.h"
#include "Graphics.h"
#include "TextEncoding.h"

#include <benchmark/benchmark.h>

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRawFont>

#include <array>
#include <memory>
#include <string>

namespace {

constexpr int32_t kHeight = -20; // the game's first font
constexpr char16_t kLastCode = u'\u2014';

struct TFontFree {
    void operator()(TObject* obj) const { Free(obj); }
};

// As the game sets its first font up.
std::unique_ptr<TGLWindowsBitmapFont, TFontFree> GameFont()
{
    std::unique_ptr<TGLWindowsBitmapFont, TFontFree> font(new TGLWindowsBitmapFont(nullptr));
    font->Font()->SetName("Bookman Old Style");
    font->Font()->SetHeight(kHeight);
    TGLBitmapFontRanges& ranges = *font->Ranges();
    ranges.Clear();
    ranges.Add(u'\0', kLastCode);
    ranges.Add(u'\u044F', u'\u044F');
    return font;
}

// The toolkit keeps the glyphs it has drawn for each font size, so each timed build takes a size of its own:
// the font itself at even heights from 10 to 40 pixels, the baseline at the odd ones between, both cold.
constexpr int kSizes = 16;
int32_t SizeOf(int64_t iteration, int offset)
{
    return 10 + 2 * int32_t(iteration % kSizes) + offset;
}

void BM_GameFontGlyphPicture(benchmark::State& state)
{
    auto font = GameFont();
    font->Font()->SetHeight(-100); // the face's file read once, as at start-up
    font->BuildGlyphs();
    int64_t iteration = 0;
    for (auto _ : state) {
        font->Font()->SetHeight(-SizeOf(iteration++, 0));
        font->BuildGlyphs();
        benchmark::DoNotOptimize(font->Glyphs()->Height());
    }
}
BENCHMARK(BM_GameFontGlyphPicture)->Iterations(kSizes)->Unit(benchmark::kMillisecond);

// The same face, questions and glyphs, straight on Qt: one painter on one image, cells in rows.
void DrawPlainGlyphPicture(int pixelSize)
{
    QFont font(QString::fromStdString(ResolveFontFace("Bookman Old Style").Family));
    font.setPixelSize(pixelSize);
    const QFontMetrics metrics(font);
    const QRawFont raw = QRawFont::fromFont(font);
    const int cell = metrics.height() + 1;
    QImage image(512, 512, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::white);
    int x = 0, y = 0;
    for (char32_t code = 32; code <= kLastCode; ++code) {
        if (!raw.supportsCharacter(uint(code))) continue;
        const int width = metrics.horizontalAdvance(QChar(char16_t(code))) + 1;
        if (x + width > image.width()) x = 0, y += cell;
        painter.setClipRect(x, y, width, cell);
        painter.drawText(x, y + metrics.ascent(), QString::fromUcs4(&code, 1));
        x += width;
    }
    benchmark::DoNotOptimize(image.constBits());
}

void BM_PlainQtGlyphPicture(benchmark::State& state)
{
    DrawPlainGlyphPicture(101);
    int64_t iteration = 0;
    for (auto _ : state) DrawPlainGlyphPicture(SizeOf(iteration++, 1));
}
BENCHMARK(BM_PlainQtGlyphPicture)->Iterations(kSizes)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_GameFontGlyphPicture, BM_PlainQtGlyphPicture);

// A line of the game's texts: Latin and Cyrillic with spaces and a dash.
const std::string& Line()
{
    static const std::string line = [] {
        const std::string words = "Mirefall \u043F\u043E\u0434\u0437\u0435\u043C\u0435\u043B\u044C\u0435 \u2014 dungeon ";
        std::string text;
        for (size_t pos = 0, count = 0; count < 100; ++count) {
            if (pos == words.size()) pos = 0;
            AppendUtf8(text, NextUtf8CodePoint(words, pos));
        }
        return text;
    }();
    return line;
}

void BM_CalcStringWidth100(benchmark::State& state)
{
    auto font = GameFont();
    font->CalcStringWidth("M"); // measured once, as after the first use
    const std::string& line = Line();
    for (auto _ : state) benchmark::DoNotOptimize(font->CalcStringWidth(line));
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_CalcStringWidth100);

// The same line summed from a table indexed by code, after decoding.
void BM_PlainWidthTable100(benchmark::State& state)
{
    auto font = GameFont();
    static std::array<uint16_t, kLastCode + 1> widths;
    for (char32_t code = 0; code <= kLastCode; ++code) widths[code] = uint16_t(font->GetCharWidth(code));
    const std::string& line = Line();
    for (auto _ : state) {
        int32_t sum = 0, count = 0;
        for (size_t pos = 0; pos < line.size(); ++count) {
            const char32_t code = NextUtf8CodePoint(line, pos);
            sum += code <= kLastCode ? widths[code] : 0;
        }
        benchmark::DoNotOptimize(sum + count);
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_PlainWidthTable100);
BENCHMARK_BASELINE(BM_CalcStringWidth100, BM_PlainWidthTable100);

} // namespace
