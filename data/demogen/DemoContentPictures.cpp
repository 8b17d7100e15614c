#include "DemoContentPictures.h"

#include "DemoPaint.h"

#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>
#include <functional>
#include <map>

namespace {

constexpr double cPi = 3.14159265358979323846;

// ---- Glyphs: shapes drawn into a box, by name ----

// One pixel in the painter's units: glyphs draw in a box scaled to 0..1, their outlines are in pixels.
double Pixel(const QPainter& painter)
{
    return 1.0 / painter.transform().m11();
}

void Stroke(QPainter& painter, const QPainterPath& path, const QColor& colour, double width)
{
    painter.setBrush(Qt::NoBrush);
    painter.setPen(
        QPen(QColor(0, 0, 0, 180), width + 3 * Pixel(painter), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
}

void Fill(QPainter& painter, const QPainterPath& path, const QColor& colour)
{
    painter.setPen(QPen(QColor(0, 0, 0, 200), 1.5 * Pixel(painter)));
    painter.setBrush(colour);
    painter.drawPath(path);
}

// The glyphs draw in a box of 0..1 both ways; the painter is scaled to the box.
using TGlyph = std::function<void(QPainter& painter, const QColor& colour)>;

QPainterPath Polyline(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    bool first = true;
    for (const QPointF& point : points) {
        if (first) path.moveTo(point);
        else path.lineTo(point);
        first = false;
    }
    return path;
}

QPainterPath Star(QPointF centre, double outer, double inner, int points)
{
    QPainterPath path;
    for (int i = 0; i < 2 * points; ++i) {
        const double angle = -cPi / 2 + i * cPi / points, radius = i % 2 ? inner : outer;
        const QPointF at(centre.x() + radius * std::cos(angle), centre.y() + radius * std::sin(angle));
        if (i == 0) path.moveTo(at);
        else path.lineTo(at);
    }
    path.closeSubpath();
    return path;
}

const std::map<std::string, TGlyph>& Glyphs()
{
    static const std::map<std::string, TGlyph> glyphs = {
        {"sword", [](QPainter& p, const QColor& c) {
             Stroke(p, Polyline({{0.2, 0.8}, {0.78, 0.22}}), c, 0.07);
             Stroke(p, Polyline({{0.22, 0.58}, {0.42, 0.78}}), QColor(150, 110, 40), 0.06);
         }},
        {"thrust", [](QPainter& p, const QColor& c) {
             Stroke(p, Polyline({{0.12, 0.5}, {0.88, 0.5}}), c, 0.07);
             Stroke(p, Polyline({{0.3, 0.36}, {0.3, 0.64}}), QColor(150, 110, 40), 0.06);
             Stroke(p, Polyline({{0.72, 0.38}, {0.88, 0.5}, {0.72, 0.62}}), c, 0.03);
         }},
        {"bow", [](QPainter& p, const QColor& c) {
             QPainterPath arc;
             arc.moveTo(0.3, 0.12);
             arc.quadTo(0.85, 0.5, 0.3, 0.88);
             Stroke(p, arc, QColor(140, 90, 40), 0.06);
             Stroke(p, Polyline({{0.3, 0.12}, {0.3, 0.88}}), c, 0.02);
             Stroke(p, Polyline({{0.15, 0.5}, {0.8, 0.5}}), c, 0.03);
         }},
        {"fire", [](QPainter& p, const QColor& c) {
             QPainterPath flame;
             flame.moveTo(0.5, 0.1);
             flame.cubicTo(0.8, 0.4, 0.85, 0.9, 0.5, 0.9);
             flame.cubicTo(0.15, 0.9, 0.2, 0.45, 0.5, 0.1);
             Fill(p, flame, c);
             // The hot core: the same flame at half size, standing on the same base.
             QTransform core;
             core.translate(0.5, 0.9).scale(0.5, 0.5).translate(-0.5, -0.9);
             Fill(p, core.map(flame), QColor(255, 230, 120));
         }},
        {"heal", [](QPainter& p, const QColor& c) {
             QPainterPath cross;
             cross.addRect(0.4, 0.15, 0.2, 0.7);
             cross.addRect(0.15, 0.4, 0.7, 0.2);
             Fill(p, cross.simplified(), c);
         }},
        {"shield", [](QPainter& p, const QColor& c) {
             QPainterPath shield;
             shield.moveTo(0.2, 0.15);
             shield.lineTo(0.8, 0.15);
             shield.cubicTo(0.8, 0.6, 0.6, 0.8, 0.5, 0.9);
             shield.cubicTo(0.4, 0.8, 0.2, 0.6, 0.2, 0.15);
             Fill(p, shield, c);
         }},
        {"eye", [](QPainter& p, const QColor& c) {
             QPainterPath eye;
             eye.moveTo(0.1, 0.5);
             eye.quadTo(0.5, 0.1, 0.9, 0.5);
             eye.quadTo(0.5, 0.9, 0.1, 0.5);
             Fill(p, eye, QColor(235, 230, 210));
             QPainterPath iris;
             iris.addEllipse(QPointF(0.5, 0.5), 0.14, 0.14);
             Fill(p, iris, c);
         }},
        {"star", [](QPainter& p, const QColor& c) { Fill(p, Star({0.5, 0.52}, 0.4, 0.17, 5), c); }},
        {"rat", [](QPainter& p, const QColor& c) {
             QPainterPath body;
             body.addEllipse(QPointF(0.5, 0.62), 0.28, 0.18);
             body.addEllipse(QPointF(0.76, 0.52), 0.12, 0.1);
             body.addEllipse(QPointF(0.72, 0.4), 0.05, 0.06);
             Fill(p, body.simplified(), c);
             QPainterPath tail;
             tail.moveTo(0.24, 0.66);
             tail.cubicTo(0.05, 0.7, 0.1, 0.9, 0.3, 0.88);
             Stroke(p, tail, QColor(210, 150, 150), 0.025);
         }},
        {"skeleton", [](QPainter& p, const QColor& c) {
             QPainterPath skull;
             skull.addEllipse(QPointF(0.5, 0.22), 0.13, 0.13);
             Fill(p, skull, c);
             Stroke(p, Polyline({{0.5, 0.35}, {0.5, 0.68}}), c, 0.05);
             for (const double y : {0.42, 0.5, 0.58}) Stroke(p, Polyline({{0.38, y}, {0.62, y}}), c, 0.035);
             Stroke(p, Polyline({{0.3, 0.6}, {0.36, 0.4}, {0.64, 0.4}, {0.7, 0.6}}), c, 0.04);
             Stroke(p, Polyline({{0.4, 0.92}, {0.5, 0.68}, {0.6, 0.92}}), c, 0.045);
         }},
        {"boss", [](QPainter& p, const QColor& c) {
             QPainterPath body;
             body.moveTo(0.2, 0.92);
             body.cubicTo(0.15, 0.4, 0.3, 0.25, 0.5, 0.25);
             body.cubicTo(0.7, 0.25, 0.85, 0.4, 0.8, 0.92);
             body.closeSubpath();
             Fill(p, body, c);
             Fill(p, Polyline({{0.34, 0.3}, {0.26, 0.06}, {0.44, 0.26}}), QColor(220, 210, 190));
             Fill(p, Polyline({{0.66, 0.3}, {0.74, 0.06}, {0.56, 0.26}}), QColor(220, 210, 190));
             QPainterPath eyes;
             eyes.addEllipse(QPointF(0.42, 0.42), 0.04, 0.03);
             eyes.addEllipse(QPointF(0.58, 0.42), 0.04, 0.03);
             Fill(p, eyes, QColor(255, 80, 20));
         }},
        {"tinder", [](QPainter& p, const QColor& c) {
             QPainterPath box;
             box.addRect(0.2, 0.45, 0.6, 0.35);
             Fill(p, box, c);
             Stroke(p, Polyline({{0.5, 0.45}, {0.5, 0.2}}), QColor(255, 190, 60), 0.05);
         }},
        {"moss", [](QPainter& p, const QColor& c) {
             QPainterPath tuft;
             for (const auto& [x, y, r] : {std::array{0.35, 0.6, 0.2}, {0.6, 0.55, 0.22}, {0.5, 0.72, 0.2}})
                 tuft.addEllipse(QPointF(x, y), r, r * 0.8);
             Fill(p, tuft.simplified(), c);
         }},
        {"armour", [](QPainter& p, const QColor& c) {
             Fill(p, Polyline({{0.3, 0.15}, {0.7, 0.15}, {0.9, 0.3}, {0.78, 0.45}, {0.72, 0.4}, {0.72, 0.88},
                               {0.28, 0.88}, {0.28, 0.4}, {0.22, 0.45}, {0.1, 0.3}, {0.3, 0.15}}),
                  c);
             for (const double y : {0.5, 0.65, 0.8})
                 for (const double x : {0.4, 0.5, 0.6}) {
                     QPainterPath stud;
                     stud.addEllipse(QPointF(x, y), 0.025, 0.025);
                     Fill(p, stud, QColor(200, 200, 210));
                 }
         }},
        {"hat", [](QPainter& p, const QColor& c) {
             QPainterPath hat;
             hat.addEllipse(QPointF(0.5, 0.7), 0.4, 0.1);
             hat.moveTo(0.3, 0.7);
             hat.cubicTo(0.3, 0.2, 0.7, 0.2, 0.7, 0.7);
             Fill(p, hat.simplified(), c);
         }},
        {"coin", [](QPainter& p, const QColor& c) {
             QPainterPath coin;
             coin.addEllipse(QPointF(0.5, 0.5), 0.32, 0.32);
             Fill(p, coin, c);
         }},
        {"book", [](QPainter& p, const QColor& c) {
             QPainterPath book;
             book.addRect(0.22, 0.18, 0.56, 0.66);
             Fill(p, book, c);
             Stroke(p, Polyline({{0.3, 0.18}, {0.3, 0.84}}), QColor(230, 220, 190), 0.03);
         }},
        {"boot", [](QPainter& p, const QColor& c) {
             Fill(p, Polyline({{0.35, 0.15}, {0.6, 0.15}, {0.6, 0.65}, {0.85, 0.72}, {0.85, 0.85}, {0.3, 0.85},
                               {0.35, 0.15}}),
                  c);
         }},
        {"heart", [](QPainter& p, const QColor& c) {
             QPainterPath heart;
             heart.moveTo(0.5, 0.85);
             heart.cubicTo(0.05, 0.5, 0.2, 0.1, 0.5, 0.35);
             heart.cubicTo(0.8, 0.1, 0.95, 0.5, 0.5, 0.85);
             Fill(p, heart, c);
         }},
        {"key", [](QPainter& p, const QColor& c) {
             QPainterPath bow;
             bow.addEllipse(QPointF(0.3, 0.5), 0.14, 0.14);
             Stroke(p, bow, c, 0.06);
             Stroke(p, Polyline({{0.44, 0.5}, {0.86, 0.5}, {0.86, 0.64}}), c, 0.06);
             Stroke(p, Polyline({{0.72, 0.5}, {0.72, 0.62}}), c, 0.06);
         }},
        {"skull", [](QPainter& p, const QColor& c) {
             QPainterPath skull;
             skull.addEllipse(QPointF(0.5, 0.42), 0.28, 0.26);
             skull.addRect(0.36, 0.6, 0.28, 0.2);
             Fill(p, skull.simplified(), c);
             QPainterPath eyes;
             eyes.addEllipse(QPointF(0.4, 0.44), 0.07, 0.07);
             eyes.addEllipse(QPointF(0.6, 0.44), 0.07, 0.07);
             Fill(p, eyes, QColor(20, 16, 14));
         }},
        {"door", [](QPainter& p, const QColor& c) {
             QPainterPath door;
             door.moveTo(0.25, 0.9);
             door.lineTo(0.25, 0.3);
             door.quadTo(0.5, 0.05, 0.75, 0.3);
             door.lineTo(0.75, 0.9);
             door.closeSubpath();
             Fill(p, door, c);
         }},
        {"table", [](QPainter& p, const QColor& c) {
             Fill(p, Polyline({{0.1, 0.4}, {0.9, 0.4}, {0.9, 0.5}, {0.1, 0.5}, {0.1, 0.4}}), c);
             Stroke(p, Polyline({{0.2, 0.5}, {0.2, 0.85}}), c, 0.06);
             Stroke(p, Polyline({{0.8, 0.5}, {0.8, 0.85}}), c, 0.06);
         }},
        {"person", [](QPainter& p, const QColor& c) {
             QPainterPath person;
             person.addEllipse(QPointF(0.5, 0.25), 0.12, 0.12);
             person.moveTo(0.25, 0.9);
             person.cubicTo(0.25, 0.4, 0.75, 0.4, 0.75, 0.9);
             Fill(p, person.simplified(), c);
         }},
        {"question", [](QPainter& p, const QColor& c) {
             QPainterPath mark;
             mark.moveTo(0.32, 0.32);
             mark.cubicTo(0.32, 0.05, 0.72, 0.1, 0.68, 0.32);
             mark.cubicTo(0.65, 0.48, 0.5, 0.45, 0.5, 0.62);
             Stroke(p, mark, c, 0.08);
             QPainterPath dot;
             dot.addEllipse(QPointF(0.5, 0.8), 0.05, 0.05);
             Fill(p, dot, c);
         }},
        {"wand", [](QPainter& p, const QColor& c) {
             Stroke(p, Polyline({{0.2, 0.85}, {0.7, 0.3}}), QColor(120, 80, 40), 0.06);
             Fill(p, Star({0.72, 0.28}, 0.16, 0.07, 4), c);
         }},
        {"arrow", [](QPainter& p, const QColor& c) {
             Stroke(p, Polyline({{0.15, 0.5}, {0.85, 0.5}}), c, 0.06);
             Stroke(p, Polyline({{0.65, 0.32}, {0.85, 0.5}, {0.65, 0.68}}), c, 0.06);
         }},
        {"list", [](QPainter& p, const QColor& c) {
             for (const double y : {0.3, 0.5, 0.7}) Stroke(p, Polyline({{0.25, y}, {0.75, y}}), c, 0.07);
         }},
        {"disc", [](QPainter& p, const QColor& c) {
             QPainterPath disc;
             disc.addEllipse(QPointF(0.5, 0.5), 0.3, 0.3);
             Fill(p, disc, c);
         }},
        {"fang", [](QPainter& p, const QColor& c) {
             for (const double x : {0.3, 0.62}) {
                 QPainterPath tooth;
                 tooth.moveTo(x, 0.15);
                 tooth.cubicTo(x + 0.16, 0.15, x + 0.14, 0.55, x + 0.06, 0.88);
                 tooth.cubicTo(x + 0.02, 0.55, x - 0.04, 0.3, x, 0.15);
                 Fill(p, tooth, c);
             }
         }},
        {"wave", [](QPainter& p, const QColor& c) {
             for (const double y : {0.3, 0.5, 0.7}) {
                 QPainterPath wave;
                 wave.moveTo(0.12, y);
                 wave.cubicTo(0.3, y - 0.14, 0.4, y + 0.14, 0.5, y);
                 wave.cubicTo(0.6, y - 0.14, 0.7, y + 0.14, 0.88, y);
                 Stroke(p, wave, c, 0.05);
             }
         }},
        {"bolt", [](QPainter& p, const QColor& c) {
             Fill(p, Polyline({{0.58, 0.08}, {0.26, 0.54}, {0.46, 0.54}, {0.36, 0.92}, {0.74, 0.42}, {0.54, 0.42},
                               {0.58, 0.08}}),
                  c);
         }},
        {"drop", [](QPainter& p, const QColor& c) {
             QPainterPath drop;
             drop.moveTo(0.5, 0.1);
             drop.cubicTo(0.62, 0.35, 0.8, 0.5, 0.8, 0.64);
             drop.cubicTo(0.8, 0.82, 0.66, 0.9, 0.5, 0.9);
             drop.cubicTo(0.34, 0.9, 0.2, 0.82, 0.2, 0.64);
             drop.cubicTo(0.2, 0.5, 0.38, 0.35, 0.5, 0.1);
             Fill(p, drop, c);
         }},
        {"rock", [](QPainter& p, const QColor& c) {
             Fill(p, Polyline({{0.2, 0.78}, {0.14, 0.5}, {0.32, 0.24}, {0.62, 0.18}, {0.84, 0.4}, {0.82, 0.72},
                               {0.56, 0.84}, {0.2, 0.78}}),
                  c);
             Stroke(p, Polyline({{0.32, 0.24}, {0.44, 0.5}, {0.82, 0.72}}), c.darker(160), 0.02);
         }},
        {"spiral", [](QPainter& p, const QColor& c) {
             QPainterPath spiral;
             for (int i = 0; i <= 60; ++i) {
                 const double angle = i * 0.3, radius = 0.02 + i * 0.0065;
                 const QPointF at(0.5 + radius * std::cos(angle), 0.5 + radius * std::sin(angle));
                 if (i == 0) spiral.moveTo(at);
                 else spiral.lineTo(at);
             }
             Stroke(p, spiral, c, 0.04);
         }},
        {"chain", [](QPainter& p, const QColor& c) {
             for (int link = 0; link < 4; ++link) {
                 QPainterPath ring;
                 ring.addEllipse(QPointF(0.2 + link * 0.2, 0.3 + link * 0.13), 0.12, 0.07);
                 Stroke(p, ring, c, 0.035);
             }
         }},
        {"fist", [](QPainter& p, const QColor& c) {
             QPainterPath fist;
             fist.addRoundedRect(QRectF(0.24, 0.3, 0.5, 0.36), 0.08, 0.08);
             fist.addRect(QRectF(0.34, 0.64, 0.3, 0.26));
             Fill(p, fist.simplified(), c);
             for (const double x : {0.36, 0.48, 0.6}) Stroke(p, Polyline({{x, 0.32}, {x, 0.46}}), c.darker(170), 0.02);
         }},
        {"wisp", [](QPainter& p, const QColor& c) {
             QPainterPath glow;
             glow.addEllipse(QPointF(0.5, 0.42), 0.26, 0.26);
             Fill(p, glow, c.lighter(130));
             QPainterPath tail;
             tail.moveTo(0.36, 0.6);
             tail.cubicTo(0.3, 0.8, 0.5, 0.8, 0.44, 0.94);
             tail.moveTo(0.62, 0.6);
             tail.cubicTo(0.7, 0.78, 0.56, 0.82, 0.6, 0.92);
             Stroke(p, tail, c, 0.04);
             QPainterPath core;
             core.addEllipse(QPointF(0.5, 0.42), 0.1, 0.1);
             Fill(p, core, QColor(255, 255, 235));
         }},
        {"troll", [](QPainter& p, const QColor& c) {
             QPainterPath body;
             body.moveTo(0.16, 0.94);
             body.cubicTo(0.1, 0.5, 0.28, 0.36, 0.5, 0.36);
             body.cubicTo(0.72, 0.36, 0.9, 0.5, 0.84, 0.94);
             body.closeSubpath();
             body.addEllipse(QPointF(0.5, 0.28), 0.17, 0.15);
             Fill(p, body.simplified(), c);
             QPainterPath eyes;
             eyes.addEllipse(QPointF(0.44, 0.26), 0.03, 0.03);
             eyes.addEllipse(QPointF(0.56, 0.26), 0.03, 0.03);
             Fill(p, eyes, QColor(250, 240, 120));
             Fill(p, Polyline({{0.42, 0.36}, {0.45, 0.42}, {0.48, 0.36}}), QColor(235, 230, 210));
             Fill(p, Polyline({{0.52, 0.36}, {0.55, 0.42}, {0.58, 0.36}}), QColor(235, 230, 210));
         }},
        {"imp", [](QPainter& p, const QColor& c) {
             QPainterPath body;
             body.addEllipse(QPointF(0.5, 0.36), 0.16, 0.15);
             body.addEllipse(QPointF(0.5, 0.66), 0.14, 0.2);
             Fill(p, body.simplified(), c);
             Fill(p, Polyline({{0.38, 0.28}, {0.3, 0.1}, {0.46, 0.24}}), c.darker(140));
             Fill(p, Polyline({{0.62, 0.28}, {0.7, 0.1}, {0.54, 0.24}}), c.darker(140));
             for (const int side : {-1, 1}) {
                 Fill(p, Polyline({{0.5 + side * 0.12, 0.56}, {0.5 + side * 0.42, 0.4}, {0.5 + side * 0.34, 0.7},
                                   {0.5 + side * 0.12, 0.66}}),
                      c.darker(120));
             }
             QPainterPath eyes;
             eyes.addEllipse(QPointF(0.45, 0.35), 0.025, 0.025);
             eyes.addEllipse(QPointF(0.55, 0.35), 0.025, 0.025);
             Fill(p, eyes, QColor(255, 230, 90));
         }},
    };
    return glyphs;
}

void DrawGlyph(QPainter& painter, const std::string& name, const QRectF& box, const QColor& colour)
{
    const auto glyph = Glyphs().find(name);
    if (glyph == Glyphs().end()) throw EDemoSource("no drawing named \"" + name + "\"");
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.topLeft());
    painter.scale(box.width(), box.height());
    glyph->second(painter, colour);
    painter.restore();
}

// ---- Tiles: a background with a glyph ----

// A tile of a flat colour with a worn edge.
QImage Tile(int width, int height, TRgb base, uint32_t seed)
{
    return PixelImage(width, height, [&](int x, int y) {
        const double edge = std::min({x, y, width - 1 - x, height - 1 - y}) / 3.0;
        return Scaled(base, (0.75 + 0.4 * Fbm(x * 2, y * 2, 4, 3, seed)) * (0.6 + 0.4 * std::min(edge, 1.0)));
    });
}

QImage GlyphTile(int size, TRgb base, const std::string& glyph, const QColor& colour, uint32_t seed)
{
    QImage image = Tile(size, size, base, seed);
    QPainter painter(&image);
    DrawGlyph(painter, glyph, QRectF(size * 0.1, size * 0.1, size * 0.8, size * 0.8), colour);
    return image;
}

// A glyph on transparent surroundings.
QImage GlyphPicture(int width, int height, const std::string& glyph, const QColor& colour)
{
    QImage image = Blank(width, height);
    QPainter painter(&image);
    DrawGlyph(painter, glyph, QRectF(0, 0, width, height), colour);
    return image;
}

uint32_t Seed(const std::string& name)
{
    uint32_t seed = 2166136261u;
    for (const char c : name) seed = (seed ^ static_cast<uint8_t>(c)) * 16777619u;
    return seed;
}

// ---- Interface pictures ----

const TRgb cPanel = {60, 48, 36};
const QColor cIvory(236, 226, 200);
const QColor cElementColours[] = {QColor(200, 200, 200), QColor(150, 110, 60), QColor(170, 220, 255),
                                  QColor(60, 120, 230), QColor(240, 100, 30)};

// A button in its three states: 0 normal (iron bands), 1 hovered (lighter, gold bands, a gold glyph), 2 pressed
// (darker, sunk behind a shadow, the glyph lower). A button with a caption has no glyph and is wide; an icon is
// square.
QImage Button(const std::string& glyph, int state)
{
    const double shade[] = {1.0, 1.45, 0.6};
    const TMetal bands[] = {cIron, cGold, {{70, 70, 76}, {20, 20, 24}}};
    const QColor glyphs[] = {cIvory, QColor(255, 222, 120), cIvory.darker(140)};
    const int width = glyph.empty() ? 128 : 64, height = glyph.empty() ? 32 : 64;
    QImage image = Tile(width, height, Scaled(cPanel, shade[state]), Seed(glyph));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    MetalBand(painter, QRectF(0, 0, width, 3), bands[state]);
    MetalBand(painter, QRectF(0, height - 3, width, 3), bands[state]);
    if (state == 2) painter.fillRect(QRectF(0, 3, width, 4), QColor(0, 0, 0, 120));
    if (!glyph.empty()) DrawGlyph(painter, glyph, QRectF(10, 8 + state / 2 * 3, 44, 44), glyphs[state]);
    return image;
}

// The picture with a metal band of the given width along each edge.
QImage Framed(QImage picture, const TMetal& metal, double band = 2)
{
    QPainter painter(&picture);
    const double w = picture.width(), h = picture.height();
    for (const QRectF& side :
         {QRectF(0, 0, w, band), QRectF(0, h - band, w, band), QRectF(0, 0, band, h), QRectF(w - band, 0, band, h)})
        MetalBand(painter, side, metal);
    return picture;
}

QImage Bar(TRgb colour)
{
    return PixelImage(64, 8, [&](int, int y) { return Scaled(colour, 0.6 + 0.5 * std::sin(cPi * (y + 0.5) / 8)); });
}

QImage Corner(bool right, bool bottom)
{
    QImage image = Blank(64, 64);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double x = right ? 58 : 0, y = bottom ? 58 : 0;
    MetalBand(painter, QRectF(0, y, 64, 6), cGold);
    MetalBand(painter, QRectF(x, 0, 6, 64), cGold);
    return image;
}

// The HUD pictures of the quality folders, by name, with whether they keep alpha.
struct TNamedPicture {
    std::string name;
    bool alpha;
    QImage picture;
};

std::vector<TNamedPicture> InterfacePictures()
{
    std::vector<TNamedPicture> pictures = {
        {"ui_bg", false, Tile(64, 64, cPanel, 1)},
        // The tooltip's text is white: the box is dark.
        {"ui_tooltip", false, Framed(Tile(64, 32, {44, 36, 30}, 2), cGold)},
        {"transp", true, [] { QImage i = Blank(16, 16); i.fill(QColor(0, 0, 0, 128)); return i; }()},
        {"rf_scrollbg", false, Tile(64, 64, {200, 178, 130}, 3)},
        {"bar_bg", false, Bar({40, 34, 30})},
        {"hpbar", false, Bar({190, 30, 30})},
        {"mpbar", false, Bar({40, 70, 200})},
        {"xpbar", false, Bar({200, 160, 40})},
        {"xpindic", true, GlyphPicture(16, 16, "star", QColor(250, 214, 110))},
        {"corner_tl", true, Corner(false, false)},
        {"corner_tr", true, Corner(true, false)},
        {"corner_bl", true, Corner(false, true)},
        {"spr_door", true, GlyphPicture(64, 64, "door", QColor(120, 80, 40))},
        {"spr_table", true, GlyphPicture(64, 64, "table", QColor(130, 90, 50))},
        {"fem_char", true, GlyphPicture(64, 64, "person", QColor(180, 90, 120))},
        {"mal_char", true, GlyphPicture(64, 64, "person", QColor(80, 110, 170))},
        {"unknown", true, GlyphPicture(32, 32, "question", cIvory)},
        {"keys_silver", true, GlyphPicture(32, 32, "key", QColor(220, 224, 235))},
        {"keys_gold", true, GlyphPicture(32, 32, "key", QColor(250, 214, 110))},
        {"keys_monster", true, GlyphPicture(32, 32, "skull", cIvory)},
    };
    const std::pair<const char*, const char*> icons[] = {
        {"ico_strength", "heart"}, {"ico_intelligence", "book"}, {"ico_speed", "boot"}, {"ico_endurance", "shield"},
        {"ico_sword", "sword"},    {"ico_bow", "bow"},           {"ico_armor", "armour"}, {"ico_magic", "wand"},
        {"iico_misc", "coin"},     {"iico_bow", "bow"},          {"iico_sword", "sword"}, {"iico_shield", "shield"},
        {"iico_wand", "wand"},     {"iico_helm", "hat"},
    };
    for (const auto& [name, glyph] : icons)
        pictures.push_back({name, false, GlyphTile(32, cPanel, glyph, cIvory, Seed(name))});
    const TMetal frames[] = {cIron, cSilver, cGold};
    for (int frame = 1; frame <= 3; ++frame)
        pictures.push_back({"sframe_" + std::to_string(frame), true, Framed(Blank(64, 64), frames[frame - 1], 4)});
    for (int element = 0; element <= 4; ++element)
        pictures.push_back(
            {"element_" + std::to_string(element), true, GlyphPicture(32, 32, "disc", cElementColours[element])});
    const std::pair<const char*, const char*> buttons[] = {
        {"but", ""}, {"male", "person"}, {"female", "person"}, {"search", "eye"}, {"oui", "arrow"},
        {"use", "heal"}, {"save", "book"},   {"mnu", "list"},      {"jrn", "book"},
    };
    for (const auto& [prefix, glyph] : buttons)
        for (int state = 0; state <= 2; ++state)
            pictures.push_back({std::string(prefix) + "_" + std::to_string(state), false, Button(glyph, state)});
    return pictures;
}

// ---- The paper doll: body parts of both sexes, 64 x 128, on transparent surroundings ----

QImage BodyPart(const std::function<void(QPainter&)>& draw)
{
    QImage image = Blank(64, 128);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 0, 0, 160), 1));
    draw(painter);
    return image;
}

void Shape(QPainter& painter, const QColor& colour, const std::function<void(QPainterPath&)>& build)
{
    QPainterPath path;
    build(path);
    painter.setBrush(colour);
    painter.drawPath(path.simplified());
}

// Each part by its file name stem, for a sex (0 male, 1 female). Heads and hair come in two variants each, so that
// the character screen's face and hair buttons have something to cycle through.
std::vector<std::pair<std::string, QImage>> BodyParts(int sex)
{
    const QColor skins[] = {sex ? QColor(236, 196, 170) : QColor(214, 170, 136),
                            sex ? QColor(176, 126, 96) : QColor(150, 104, 72)};
    const QColor hairs[] = {sex ? QColor(120, 60, 30) : QColor(60, 44, 30),
                            sex ? QColor(226, 196, 120) : QColor(160, 64, 30)};
    const QColor skin = skins[0];
    const double waist = sex ? 0.8 : 1.0;
    std::vector<std::pair<std::string, QImage>> parts;
    for (int v = 0; v <= 1; ++v) {
        const std::string n = std::to_string(v);
        const QColor hair = hairs[v];
        parts.push_back({"head_" + n, BodyPart([&](QPainter& p) {
                             // The second face is broader, with a squarer chin.
                             Shape(p, skins[v], [&](QPainterPath& s) {
                                 if (v) s.addRoundedRect(QRectF(20, 5, 24, 26), 9, 9);
                                 else s.addEllipse(QPointF(32, 18), 11, 13);
                             });
                         })});
        parts.push_back({"hair_" + n, BodyPart([&](QPainter& p) {
                             Shape(p, hair, [&](QPainterPath& s) {
                                 if (v) {
                                     // Cropped short, or gathered in a bun on top.
                                     s.moveTo(20, 14);
                                     s.cubicTo(20, 2, 44, 2, 44, 14);
                                     s.closeSubpath();
                                     if (sex) s.addEllipse(QPointF(32, 2), 7, 5);
                                     return;
                                 }
                                 s.moveTo(20, 20);
                                 s.cubicTo(18, 0, 46, 0, 44, 20);
                                 // Long hair falls to the shoulders.
                                 if (sex) {
                                     s.cubicTo(48, 40, 40, 44, 40, 44);
                                     s.lineTo(24, 44);
                                     s.cubicTo(16, 40, 18, 30, 20, 20);
                                 }
                                 s.closeSubpath();
                             });
                         })});
        parts.push_back({"haireb_" + n, BodyPart([&](QPainter& p) {
                             Shape(p, hair, [](QPainterPath& s) { s.addRect(25, 13, 5, 2), s.addRect(34, 13, 5, 2); });
                         })});
        parts.push_back({"hairbrd_" + n, BodyPart([&](QPainter& p) {
                             if (sex) return;
                             Shape(p, hair, [&](QPainterPath& s) {
                                 if (v) s.addEllipse(QPointF(32, 27), 10, 7);
                                 else s.moveTo(24, 24), s.quadTo(32, 40, 40, 24), s.closeSubpath();
                             });
                         })});
        parts.push_back({"hairb_" + n, BodyPart([&](QPainter& p) {
                             Shape(p, hair.darker(130),
                                   [&](QPainterPath& s) { s.addEllipse(QPointF(32, 22), v ? 12 : 14, v ? 12 : 16); });
                         })});
    }
    const std::pair<std::string, QImage> hats[] = {
        {"hat_0", BodyPart([](QPainter& p) {
             Shape(p, QColor(90, 70, 50),
                   [](QPainterPath& s) { s.addEllipse(QPointF(32, 10), 18, 4), s.addRect(24, 0, 16, 10); });
         })},
        {"hatb_0", BodyPart([](QPainter& p) {
             Shape(p, QColor(70, 54, 40), [](QPainterPath& s) { s.addEllipse(QPointF(32, 10), 16, 3); });
         })},
    };
    parts.insert(parts.end(), std::begin(hats), std::end(hats));
    const QColor cloth[] = {QColor(150, 140, 120), QColor(90, 110, 80), QColor(120, 60, 50), QColor(70, 80, 120),
                            QColor(110, 100, 130)};
    for (int i = 0; i <= 4; ++i) {
        parts.push_back({"torso_" + std::to_string(i), BodyPart([&](QPainter& p) {
                             Shape(p, cloth[i], [&](QPainterPath& s) {
                                 s.moveTo(18, 32), s.lineTo(46, 32), s.lineTo(32 + 12 * waist, 76);
                                 s.lineTo(32 - 12 * waist, 76), s.closeSubpath();
                                 s.addRect(22, 76, 9, 48), s.addRect(33, 76, 9, 48);
                             });
                         })});
        parts.push_back(
            {"arms_" + std::to_string(i), BodyPart([&](QPainter& p) {
                 Shape(p, skin, [](QPainterPath& s) { s.addRect(10, 34, 7, 40), s.addRect(47, 34, 7, 40); });
                 Shape(p, cloth[i], [](QPainterPath& s) { s.addRect(10, 34, 7, 14), s.addRect(47, 34, 7, 14); });
             })});
    }
    // Armour 0 in a layer for each build (the doll wears the layer of its build): a studded jerkin, broader on a
    // stronger body.
    for (int build = 0; build <= 4; ++build)
        parts.push_back({"armor_0_" + std::to_string(build), BodyPart([&](QPainter& p) {
                             const int half = 13 + build;
                             Shape(p, QColor(110, 76, 44),
                                   [&](QPainterPath& s) { s.addRect(32 - half, 32, 2 * half, 46); });
                             for (int y = 38; y < 76; y += 9)
                                 for (int x = 32 - half + 5; x < 32 + half - 3; x += 10)
                                     Shape(p, QColor(200, 200, 210),
                                           [&](QPainterPath& s) { s.addEllipse(QPointF(x, y), 2, 2); });
                         })});
    return parts;
}

QImage Wings(int kind)
{
    const QColor colours[] = {QColor(240, 240, 250), QColor(60, 30, 40), QColor(120, 200, 160)};
    return BodyPart([&](QPainter& p) {
        for (const int side : {-1, 1})
            Shape(p, colours[kind - 1], [&](QPainterPath& s) {
                s.moveTo(32 + side * 6, 40);
                s.cubicTo(32 + side * 40, 10, 32 + side * 34, 70, 32 + side * 8, 70);
                s.closeSubpath();
            });
    });
}

// ---- Sky boxes: a sky, ground and a band of clouds; set 0 at dusk, set 1 by day, set 2 in the morning ----

struct TSkyColours {
    TRgb zenith, horizon, ground;
};
const TSkyColours cSkies[] = {{{30, 40, 90}, {200, 120, 90}, {50, 44, 36}},
                              {{70, 130, 215}, {200, 222, 240}, {64, 84, 44}},
                              {{100, 140, 205}, {250, 196, 140}, {70, 78, 48}}};

QImage Sky(const TSkyColours& colours, int side)
{
    const TRgb zenith = colours.zenith, horizon = colours.horizon, ground = colours.ground;
    return PixelImage(64, 64, [&](int x, int y) {
        const double cloud = Fbm(x * 2 + side * 128, y * 2, 4, 4, 909);
        switch (side) {
        case 0: return Mix(zenith, {220, 220, 230}, std::max(0.0, cloud - 0.55)); // top
        case 1: return Scaled(ground, 0.7 + 0.5 * cloud);                         // bottom
        case 6: return Mix({0, 0, 0}, {240, 236, 230}, std::clamp(cloud * 1.8 - 0.6, 0.0, 1.0)); // clouds
        default: {
            const double t = y / 63.0;
            return t < 0.6 ? Mix(zenith, horizon, t / 0.6) : Scaled(ground, 0.8 + 0.3 * cloud);
        }
        }
    });
}

// ---- Cards ----

// A card is as large as its background: the size the game shows it at by default.
constexpr int cCardWidth = 140, cCardHeight = 220;

// A card's background (the card editor's routine draws the card on it): a dark ground of the element's colour in
// a band of the skill's metal, a sunk window for the illustration at (14, 14)-(126, 92) and the skill's glyph in
// the corner, below the text.
QImage CardBackground(int skill, int element)
{
    const TMetal metals[] = {cIron, {{200, 150, 90}, {90, 56, 24}}, cSilver, cGold};
    const char* const glyphs[] = {"sword", "bow", "wand", "shield"};
    const QColor colour = cElementColours[element];
    const TRgb ground = Scaled({double(colour.red()), double(colour.green()), double(colour.blue())}, 0.3);
    QImage image = Framed(Tile(cCardWidth, cCardHeight, ground, 11 + element), metals[skill], 4);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(12, 12, 116, 82), QColor(0, 0, 0, 150));
    DrawGlyph(painter, glyphs[skill], QRectF(cCardWidth - 30, cCardHeight - 30, 22, 22), colour.lighter(120));
    return image;
}

// A card's illustration: the drawing over a dusky backdrop that all cards share.
QImage Illustration(const std::string& drawing, const QColor& colour, const QImage& backdrop)
{
    QImage image = backdrop.copy();
    QPainter painter(&image);
    DrawGlyph(painter, drawing, QRectF(6, 6, 52, 52), colour);
    return image;
}

} // namespace

void WriteContentPictures(const TDemoContent& content, TDemoOutput& output)
{
    for (const TNamedPicture& picture : InterfacePictures())
        PublishTexture(output, picture.name, picture.picture, picture.alpha);
    // The request form's dark background lies outside the quality folders.
    output.Publish("textures/trbg.tga", TgaFile(Tile(64, 64, {24, 20, 18}, 5), false));
    for (int sex = 0; sex <= 1; ++sex)
        for (const auto& [name, picture] : BodyParts(sex))
            PublishTexture(output, "bodies/" + std::to_string(sex) + "/" + name, picture, true);
    // Every part is drawn over the torso's whole frame (64 x 128: half as wide as high), so each is placed as the
    // whole torso box, 2100 x 4200 picture pixels at its middle (the doll draws them at the view's height / 4200).
    for (int sex = 0; sex <= 1; ++sex) {
        const std::string folder = "bodypartdata/" + std::to_string(sex) + "/";
        const std::string box[] = {"2100", "4200", "50", "50"};
        output.Publish(folder + "torso_0.txt", LinesText({"1", "2"}));
        output.Publish(folder + "hat_0.txt", LinesText({box[0], box[1], box[2], box[3]}));
        for (int v = 0; v <= 1; ++v) {
            const std::string n = std::to_string(v);
            output.Publish(folder + "head_" + n + ".txt", LinesText({box[0], box[1], box[2], box[3]}));
            output.Publish(folder + "hairb_" + n + ".txt", LinesText({box[0], box[1], box[2], box[3]}));
            // Eyebrows for everyone, a beard for men.
            output.Publish(folder + "hair_" + n + ".txt",
                           LinesText({box[0], box[1], box[2], box[3], "-1", sex ? "0" : "-1"}));
        }
    }
    for (int kind = 1; kind <= 3; ++kind)
        PublishTexture(output, "bodies/wings_" + std::to_string(kind), Wings(kind), true);
    const char* const sides[] = {"top", "bottom", "left", "right", "front", "back", "clouds"};
    for (int set = 0; set < static_cast<int>(std::size(cSkies)); ++set)
        for (int side = 0; side < 7; ++side)
            PublishTexture(output, "skyboxes/" + std::to_string(set) + "/" + sides[side], Sky(cSkies[set], side),
                           side == 6);
    // An icon for each of the hundred timed effect types (the catalogue reads them all), a glyph and a hue apiece.
    const char* const effectGlyphs[] = {"star",  "heart", "shield", "fire", "eye",
                                        "skull", "boot",  "wand",   "book", "disc"};
    for (int effect = 1; effect <= 100; ++effect) {
        const QColor colour = QColor::fromHsv(effect * 37 % 360, 160, 230);
        const char* glyph = effectGlyphs[(effect - 1) % std::size(effectGlyphs)];
        PublishTexture(output, "effect_" + std::to_string(effect), GlyphTile(16, {30, 30, 40}, glyph, colour, effect),
                       false);
    }
    // The cards' backgrounds for each governing skill and element, and the illustrations; a card without a
    // drawing has none and shows "noimg.jpg". The card pictures themselves are drawn from these (DemoCards).
    for (int skill = 0; skill <= 3; ++skill)
        for (int element = 0; element <= 4; ++element)
            output.Publish("textures/cards/b" + std::to_string(skill) + "_" + std::to_string(element) + ".jpg",
                           JpegFile(CardBackground(skill, element)));
    const QImage backdrop = PixelImage(64, 64, [](int x, int y) {
        return Mix({30, 26, 40}, {90, 70, 60}, Fbm(x * 2, y * 2, 4, 4, 78) * (1 - y / 128.0));
    });
    output.Publish("textures/cards/noimg.jpg", JpegFile(Illustration("question", cIvory.darker(160), backdrop)));
    for (std::size_t id = 0; id < content.cards.size(); ++id) {
        const TDemoEntry<card>& entry = content.cards[id];
        const std::string illustration = "textures/cards/h" + std::to_string(id) + ".jpg";
        if (entry.picture.empty()) {
            output.Withdraw(illustration);
            continue;
        }
        const QColor colour = cElementColours[std::clamp(entry.record.element, 0, 4)];
        output.Publish(illustration, JpegFile(Illustration(entry.picture, colour, backdrop)));
    }
    output.Publish("textures/cards/en/xp.png",
                   PngFile(GlyphTile(64, {40, 30, 22}, "star", QColor(250, 214, 110), 6), false));
    for (std::size_t id = 0; id < content.perks.size(); ++id)
        output.Publish("textures/perkicons/" + std::to_string(id) + ".tga",
                       TgaFile(GlyphTile(32, cPanel, content.perks[id].picture, QColor(250, 214, 110), id), false));
    // A hue a monster: the rat, the skeleton, the warden, the wisp, the troll and the imp, then round again.
    const QColor creature[] = {QColor(120, 100, 90), QColor(226, 220, 200), QColor(90, 40, 60),
                               QColor(170, 220, 240), QColor(80, 120, 70), QColor(230, 110, 40)};
    for (std::size_t id = 0; id < content.monsters.size(); ++id)
        PublishTexture(output, "monsters/" + std::to_string(id),
                       GlyphPicture(64, 64, content.monsters[id].picture, creature[id % std::size(creature)]), true);
    for (std::size_t id = 0; id < content.items.size(); ++id)
        PublishTexture(
            output, "items/" + std::to_string(id),
            GlyphTile(32, cPanel, content.items[id].picture, QColor(200, 170, 110), Seed(content.items[id].picture)),
            false);
}
