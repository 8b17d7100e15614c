#include "DemoPictures.h"

#include "DemoLevelPictures.h"
#include "DemoPaint.h"
#include "UGH_data.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace {

// ---- Materials ----

// Blocks of stone in mortar, in rows shifted by half a block when offset.
struct TStoneStyle {
    int blockWidth, blockHeight;
    bool offset;
    TRgb stone;
    double moss; // 0..1: how much of the lower block edges is green
    uint32_t seed;
};

QImage Stone(const TStoneStyle& style)
{
    const TRgb mortar = Scaled(style.stone, 0.45);
    const TRgb green = {58, 84, 40};
    return PixelImage(cTextureSize, cTextureSize, [&](int x, int y) {
        const int row = y / style.blockHeight;
        const int shifted = x + (style.offset && row % 2 ? style.blockWidth / 2 : 0);
        const int column = (shifted % cTextureSize) / style.blockWidth;
        const int lx = shifted % style.blockWidth, ly = y % style.blockHeight;
        const double grain = Fbm(x, y, 8, 4, style.seed);
        if (lx < 2 || ly < 2) return Scaled(mortar, 0.8 + 0.4 * grain);
        // Each block its own shade; edges worn darker.
        const double shade = 0.75 + 0.35 * Unit(row, column, style.seed + 17);
        const int edge = std::min({lx - 2, ly - 2, style.blockWidth - 1 - lx, style.blockHeight - 1 - ly});
        const double wear = edge < 3 ? 0.8 + 0.065 * edge : 1.0;
        TRgb colour = Scaled(style.stone, shade * wear * (0.7 + 0.6 * grain));
        const double damp = double(ly) / style.blockHeight * Fbm(x, y, 4, 3, style.seed + 5);
        if (damp > 1 - style.moss * 0.6) colour = Mix(colour, green, 0.55);
        return colour;
    });
}

// Planks of wood with their grain running along them: vertical planks, or horizontal ones.
QImage Wood(bool vertical, uint32_t seed)
{
    const TRgb light = {150, 104, 62}, dark = {84, 54, 30};
    constexpr int cPlank = 32;
    return PixelImage(cTextureSize, cTextureSize, [&](int px, int py) {
        const int across = vertical ? px : py, along = vertical ? py : px;
        const int plank = across / cPlank, inPlank = across % cPlank;
        if (inPlank == 0 || inPlank == cPlank - 1) return Scaled(dark, 0.55);
        const double warp = Fbm(vertical ? px : py, vertical ? py : px, 4, 3, seed + plank);
        const double rings = std::fmod(inPlank * 0.22 + warp * 7 + plank * 1.7, 1.0);
        const double streak = 0.85 + 0.3 * Noise(inPlank / 3.0, along / 24.0, 64, seed + 31);
        return Scaled(Mix(light, dark, std::pow(rings, 2.5)), streak * (0.85 + 0.3 * Unit(plank, 0, seed)));
    });
}

// A wall set's stones: its walls, floor and ceiling.
struct TStoneSet {
    TStoneStyle wall, floor, ceiling;
};
// Set 0, the old halls: dressed stone; set 1, the grotto: small mossy stones.
const TStoneSet cStoneSets[] = {
    {{64, 32, true, {124, 114, 98}, 0.35, 101}, {64, 64, true, {96, 90, 82}, 0.15, 202},
     {128, 32, true, {72, 68, 62}, 0.0, 303}},
    {{32, 16, true, {98, 108, 92}, 0.9, 505}, {32, 32, false, {86, 90, 74}, 0.6, 606},
     {64, 32, true, {66, 72, 62}, 0.4, 707}},
};
const char* const cWallSetNames[] = {"Old Halls", "Green Grotto"};

// The surfaces every picture is made of, each computed once.
struct TSurfaces {
    QImage wall, floor, ceiling;
    QImage planks; // vertical: doors and barrels
    QImage boards; // horizontal: chests and beams
};

QImage Ceiling(const TStoneStyle& stone, const QImage& beams)
{
    QImage image = Stone(stone);
    QPainter painter(&image);
    for (const int y : {0, 64})
        painter.drawImage(QRect(0, y + 24, cTextureSize, 16), beams, QRect(0, y, cTextureSize, 16));
    return image;
}

// The surfaces of a wall set: its stones, and the wood every set shares.
TSurfaces Surfaces(const TStoneSet& stones, const TSurfaces* wood = nullptr)
{
    TSurfaces surfaces{Stone(stones.wall), Stone(stones.floor), {}, wood ? wood->planks : Wood(true, 7),
                       wood ? wood->boards : Wood(false, 23)};
    surfaces.ceiling = Ceiling(stones.ceiling, surfaces.boards);
    return surfaces;
}

// A lock plate with its keyhole.
void LockPlate(QPainter& painter, const QPointF& centre, const TMetal& metal)
{
    const QRectF plate(centre.x() - 8, centre.y() - 11, 16, 22);
    MetalBand(painter, plate, metal);
    painter.setBrush(QColor(12, 10, 8));
    painter.drawEllipse(QPointF(centre.x(), centre.y() - 3), 2.6, 2.6);
    painter.drawRect(QRectF(centre.x() - 1.2, centre.y() - 2, 2.4, 8));
}

// A door of vertical planks with two bands: set in a stone wall when framed (a wall block with a door), the bare
// leaf otherwise (the open door's mesh). Locked doors show a lock of their key's metal, others an iron ring.
QImage Door(const TSurfaces& surfaces, const TMetal& metal, bool locked, bool framed)
{
    QImage image = framed ? surfaces.wall.copy() : Blank(cTextureSize, cTextureSize);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF leaf = framed ? QRectF(22, 12, 84, 116) : QRectF(0, 0, cTextureSize, cTextureSize);
    if (framed) {
        painter.setPen(QPen(QColor(20, 18, 16), 4));
        painter.drawRect(leaf.adjusted(-2, -2, 2, 2));
    }
    painter.drawImage(leaf, surfaces.planks, QRectF(0, 0, leaf.width(), leaf.height()));
    for (const double at : {0.18, 0.74})
        MetalBand(painter, QRectF(leaf.left(), leaf.top() + leaf.height() * at, leaf.width(), 9), metal);
    const QPointF handle(leaf.right() - 16, leaf.center().y());
    if (locked) {
        LockPlate(painter, handle, metal);
    } else {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(ColorOf(metal.dark), 3));
        painter.drawEllipse(handle, 6, 6);
    }
    return image;
}

// The front of a chest: horizontal planks, a lid seam, corner bands and a lock or hasp.
QImage Chest(const TSurfaces& surfaces, const TMetal& metal, bool locked)
{
    QImage image = surfaces.boards.copy();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(0, 44, cTextureSize, 4), QColor(30, 20, 12));
    for (const double x : {10.0, 108.0}) MetalBand(painter, QRectF(x, 0, 10, cTextureSize), metal);
    MetalBand(painter, QRectF(0, 0, cTextureSize, 8), metal);
    MetalBand(painter, QRectF(0, cTextureSize - 8, cTextureSize, 8), metal);
    if (locked) LockPlate(painter, QPointF(64, 54), metal);
    else MetalBand(painter, QRectF(58, 40, 12, 18), metal);
    return image;
}

// ---- Objects with transparent surroundings ----

QImage Barrel(const TSurfaces& surfaces)
{
    QImage image = Blank(64, 64);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath body;
    body.moveTo(18, 6);
    body.cubicTo(8, 22, 8, 42, 18, 60);
    body.lineTo(46, 60);
    body.cubicTo(56, 42, 56, 22, 46, 6);
    body.closeSubpath();
    painter.setClipPath(body);
    painter.drawImage(QRect(8, 4, 48, 58), surfaces.planks.scaled(64, 64));
    // Shade the staves' curve.
    QLinearGradient round(8, 0, 56, 0);
    round.setColorAt(0, QColor(0, 0, 0, 150));
    round.setColorAt(0.45, QColor(0, 0, 0, 0));
    round.setColorAt(1, QColor(0, 0, 0, 170));
    painter.fillRect(QRect(0, 0, 64, 64), round);
    painter.setClipping(false);
    for (const double y : {14.0, 50.0}) MetalBand(painter, QRectF(10, y, 44, 4), cIron);
    painter.setPen(QPen(QColor(40, 26, 14), 2));
    painter.setBrush(QColor(70, 46, 26));
    painter.drawEllipse(QRectF(18, 3, 28, 6));
    return image;
}

QImage Altar(const TSurfaces& surfaces)
{
    QImage image = Blank(64, 64);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawImage(QRect(12, 34, 40, 28), surfaces.wall, QRect(0, 0, 80, 56));
    painter.drawImage(QRect(6, 28, 52, 8), surfaces.floor, QRect(0, 0, 104, 16));
    // A candle and its light.
    QRadialGradient glow(QPointF(32, 14), 16);
    glow.setColorAt(0, QColor(255, 220, 130, 220));
    glow.setColorAt(1, QColor(255, 160, 40, 0));
    painter.fillRect(QRect(12, 0, 40, 30), glow);
    painter.fillRect(QRectF(29, 16, 6, 12), QColor(232, 222, 196));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 236, 160));
    painter.drawEllipse(QRectF(30, 9, 4, 7));
    return image;
}

QImage PortGlow()
{
    QImage image = Blank(64, 64);
    QPainter painter(&image);
    QRadialGradient glow(QPointF(32, 32), 32);
    glow.setColorAt(0, QColor(230, 250, 255, 255));
    glow.setColorAt(0.35, QColor(110, 200, 255, 200));
    glow.setColorAt(0.7, QColor(60, 120, 255, 70));
    glow.setColorAt(1, QColor(40, 80, 255, 0));
    painter.fillRect(image.rect(), glow);
    return image;
}

QImage Parchment()
{
    const TRgb paper = {226, 206, 160}, stain = {168, 128, 78};
    return PixelImage(128, 64, [&](int x, int y) {
        const double edge = std::min({x, y, 127 - x, 63 - y}) / 10.0;
        const double blotch = Fbm(x, y * 2, 4, 4, 404);
        return Scaled(Mix(paper, stain, std::clamp(blotch * 1.6 - 0.6, 0.0, 1.0)), 0.7 + 0.3 * std::min(edge, 1.0));
    });
}

QImage Frame()
{
    QImage image = Blank(64, 64);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const QRectF& side : {QRectF(0, 0, 64, 6), QRectF(0, 58, 64, 6), QRectF(0, 0, 6, 64), QRectF(58, 0, 6, 64)})
        MetalBand(painter, side, cIron);
    return image;
}

// ---- Scenes ----

// A corridor of the halls seen from inside, lit by a torch on the left, ending in darkness or a door.
QImage Corridor(const TSurfaces& surfaces, int width, int height, const QColor& torch, bool doorAtEnd)
{
    QImage image = Blank(width, height);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF vanish(width * 0.5, height * 0.46);
    const auto frame = [&](double depth) {
        const double k = std::pow(0.62, depth);
        return QRectF(vanish.x() - k * width * 0.5, vanish.y() - k * height * 0.46, k * width, k * height);
    };
    const QBrush walls(surfaces.wall), floor(surfaces.floor), ceiling(surfaces.ceiling);
    constexpr int cSegments = 6;
    for (int segment = 0; segment < cSegments; ++segment) {
        const QRectF outer = frame(segment), inner = frame(segment + 1);
        const auto quad = [](QPointF a, QPointF b, QPointF c, QPointF d) { return QPolygonF({a, b, c, d}); };
        painter.setPen(Qt::NoPen);
        painter.setBrush(walls);
        painter.drawPolygon(quad(outer.topLeft(), inner.topLeft(), inner.bottomLeft(), outer.bottomLeft()));
        painter.drawPolygon(quad(outer.topRight(), inner.topRight(), inner.bottomRight(), outer.bottomRight()));
        painter.setBrush(ceiling);
        painter.drawPolygon(quad(outer.topLeft(), outer.topRight(), inner.topRight(), inner.topLeft()));
        painter.setBrush(floor);
        painter.drawPolygon(quad(outer.bottomLeft(), outer.bottomRight(), inner.bottomRight(), inner.bottomLeft()));
        // Farther is darker; the floor and ceiling catch less of the torch than the walls.
        const int dark = std::min(235, 70 + segment * 33);
        painter.setBrush(QColor(0, 0, 0, dark));
        painter.drawPolygon(QPolygonF(outer).subtracted(QPolygonF(inner)));
        painter.setBrush(QColor(0, 0, 0, (255 - dark) / 3));
        painter.drawPolygon(quad(outer.topLeft(), outer.topRight(), inner.topRight(), inner.topLeft()));
        painter.drawPolygon(quad(outer.bottomLeft(), outer.bottomRight(), inner.bottomRight(), inner.bottomLeft()));
    }
    const QRectF end = frame(cSegments);
    if (doorAtEnd) {
        painter.drawImage(end, Door(surfaces, cGold, true, false));
        painter.fillRect(end, QColor(0, 0, 0, 150));
    }
    // The torch on the left wall of the nearest segment and its light.
    const QRectF near = frame(0.6);
    const QPointF flame(near.left() * 0.55 + frame(1.2).left() * 0.45, near.top() + near.height() * 0.32);
    QRadialGradient light(flame, height * 0.55);
    QColor glow = torch;
    glow.setAlpha(120);
    light.setColorAt(0, glow);
    glow.setAlpha(0);
    light.setColorAt(1, glow);
    painter.setCompositionMode(QPainter::CompositionMode_Plus);
    painter.fillRect(image.rect(), light);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.fillRect(QRectF(flame.x() - 2, flame.y(), 4, height * 0.08), QColor(60, 40, 24));
    painter.setBrush(QColor(255, 230, 150));
    painter.drawEllipse(flame, width * 0.008, height * 0.02);
    return image;
}

// The game's name as strokes: each letter a path in a box one unit high, with its advance.
struct TLetter {
    double advance;
    std::function<void(QPainterPath&)> draw;
};

QPainterPath Title()
{
    const TLetter m = {1.0, [](QPainterPath& p) {
                           p.moveTo(0, 1);
                           p.lineTo(0, 0);
                           p.lineTo(0.4, 0.62);
                           p.lineTo(0.8, 0);
                           p.lineTo(0.8, 1);
                       }};
    const TLetter i = {0.3, [](QPainterPath& p) {
                           p.moveTo(0.05, 0.38);
                           p.lineTo(0.05, 1);
                           p.addEllipse(QPointF(0.05, 0.18), 0.03, 0.03);
                       }};
    const TLetter r = {0.5, [](QPainterPath& p) {
                           p.moveTo(0, 1);
                           p.lineTo(0, 0.38);
                           p.moveTo(0, 0.6);
                           p.quadTo(0.12, 0.36, 0.42, 0.4);
                       }};
    const TLetter e = {0.62, [](QPainterPath& p) {
                           p.moveTo(0, 0.68);
                           p.lineTo(0.48, 0.68);
                           p.cubicTo(0.48, 0.3, 0, 0.3, 0, 0.68);
                           p.cubicTo(0, 1.06, 0.4, 1.06, 0.48, 0.9);
                       }};
    const TLetter f = {0.45, [](QPainterPath& p) {
                           p.moveTo(0.42, 0.04);
                           p.cubicTo(0.2, -0.04, 0.12, 0.1, 0.12, 0.3);
                           p.lineTo(0.12, 1);
                           p.moveTo(0, 0.42);
                           p.lineTo(0.36, 0.42);
                       }};
    const TLetter a = {0.62, [](QPainterPath& p) {
                           p.addEllipse(QPointF(0.24, 0.72), 0.24, 0.28);
                           p.moveTo(0.48, 0.4);
                           p.lineTo(0.48, 1);
                       }};
    const TLetter l = {0.3, [](QPainterPath& p) {
                           p.moveTo(0.05, 0);
                           p.lineTo(0.05, 1);
                       }};
    QPainterPath title;
    double x = 0;
    for (const TLetter* letter : {&m, &i, &r, &e, &f, &a, &l, &l}) {
        QPainterPath path;
        letter->draw(path);
        title.addPath(path.translated(x, 0));
        x += letter->advance + 0.12;
    }
    return title;
}

// The game's name in gold strokes with a dark outline, letters letterHeight high, centred across width, top at y.
void DrawName(QPainter& painter, double width, double y, double letterHeight)
{
    const QPainterPath title = Title();
    const QRectF box = title.boundingRect();
    QTransform place;
    place.translate((width - box.width() * letterHeight) / 2 - box.left() * letterHeight, y);
    place.scale(letterHeight, letterHeight);
    const QPainterPath placed = place.map(title);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0, 0, 0, 200), letterHeight / 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(placed);
    QLinearGradient gold(0, y, 0, y + letterHeight);
    gold.setColorAt(0, QColor(255, 236, 150));
    gold.setColorAt(1, QColor(190, 120, 30));
    painter.setPen(QPen(QBrush(gold), letterHeight / 9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(placed);
}

// The torch-lit corridor with the game's name across it.
QImage NamedCorridor(const TSurfaces& surfaces, int width, int height, bool doorAtEnd, double nameTop,
                     double letterHeight)
{
    QImage image = Corridor(surfaces, width, height, QColor(255, 150, 60), doorAtEnd);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawName(painter, width, nameTop, letterHeight);
    return image;
}

QImage Splash(const TSurfaces& surfaces)
{
    return NamedCorridor(surfaces, 512, 320, true, 28, 64);
}

// The settings window's picture, shown 244 x 128.
QImage SettingsPicture(const TSurfaces& surfaces)
{
    return NamedCorridor(surfaces, 244, 128, true, 30, 36);
}

// The main menu's title in a gold frame (shown 400 x 200).
QImage TitleCard(const TSurfaces& surfaces)
{
    constexpr int cWidth = 256, cHeight = 128;
    QImage image = NamedCorridor(surfaces, cWidth, cHeight, false, 34, 44);
    QPainter painter(&image);
    for (const QRectF& side : {QRectF(0, 0, cWidth, 5), QRectF(0, cHeight - 5, cWidth, 5), QRectF(0, 0, 5, cHeight),
                               QRectF(cWidth - 5, 0, 5, cHeight)})
        MetalBand(painter, side, cGold);
    return image;
}

// A picture of every quality folder: its name there (without ".tga") and whether it keeps its alpha.
struct TTexture {
    std::string name;
    bool alpha;
    std::function<QImage(const TSurfaces&)> draw;
};

// A wall set in the order of its roles: wall, floor, ceiling, door, chest, silver door, gold door, silver
// chest, gold chest, the open door's leaf. Drawn from the set's own surfaces.
std::vector<TTexture> WallSet(int number)
{
    const std::function<QImage(const TSurfaces&)> roles[] = {
        [](const TSurfaces& s) { return s.wall; },
        [](const TSurfaces& s) { return s.floor; },
        [](const TSurfaces& s) { return s.ceiling; },
        [](const TSurfaces& s) { return Door(s, cIron, false, true); },
        [](const TSurfaces& s) { return Chest(s, cIron, false); },
        [](const TSurfaces& s) { return Door(s, cSilver, true, true); },
        [](const TSurfaces& s) { return Door(s, cGold, true, true); },
        [](const TSurfaces& s) { return Chest(s, cSilver, true); },
        [](const TSurfaces& s) { return Chest(s, cGold, true); },
        [](const TSurfaces& s) { return Door(s, cIron, false, false); },
    };
    std::vector<TTexture> set;
    for (std::size_t role = 0; role < std::size(roles); ++role)
        set.push_back({std::to_string(number) + "/tex_" + std::to_string(role), false, roles[role]});
    return set;
}

const char* const cSprites[] = {"spr_barrel1", "altar1"};
const char* const cInterfacePictures[] = {"ui_parchment", "ui_frame"};

std::vector<TTexture> Textures()
{
    std::vector<TTexture> textures = WallSet(0);
    const std::vector<TTexture> others = {
        {"empty", true, [](const TSurfaces&) { return Blank(16, 16); }},
        {"loadscr/0", false, [](const TSurfaces& s) { return Corridor(s, 256, 192, QColor(255, 150, 60), false); }},
        {"loadscr/1", false, [](const TSurfaces& s) { return Corridor(s, 256, 192, QColor(90, 160, 255), true); }},
        {"port_glow", true, [](const TSurfaces&) { return PortGlow(); }},
        {"title", false, TitleCard},
        {cSprites[0], true, Barrel},
        {cSprites[1], true, Altar},
        {cInterfacePictures[0], true, [](const TSurfaces&) { return Parchment(); }},
        {cInterfacePictures[1], true, [](const TSurfaces&) { return Frame(); }},
    };
    textures.insert(textures.end(), others.begin(), others.end());
    return textures;
}

} // namespace

void WritePictures(TDemoOutput& output)
{
    const TSurfaces surfaces = Surfaces(cStoneSets[0]);
    output.Publish("textures/splashscreen.jpg", JpegFile(Splash(surfaces)));
    output.Publish("textures/settings_img.bmp", BmpFile(SettingsPicture(surfaces)));
    for (const TTexture& texture : Textures())
        PublishTexture(output, texture.name, texture.draw(surfaces), texture.alpha);
    const TSurfaces grotto = Surfaces(cStoneSets[1], &surfaces);
    for (const TTexture& texture : WallSet(1))
        PublishTexture(output, texture.name, texture.draw(grotto), texture.alpha);
    for (int set = 0; set < static_cast<int>(std::size(cWallSetNames)); ++set)
        for (const char* quality : cQualities)
            output.Publish(std::string("textures/") + quality + "/" + std::to_string(set) + "/arid.txt",
                           LinesText({cWallSetNames[set], "-1"}));
    std::vector<std::string> sprites(std::begin(cSprites), std::end(cSprites));
    // The map editor offers the grass sprites for a cell's grass.
    TLineBuffer grass;
    for (const TLevelPicture& picture : LevelPictures(surfaces.wall)) {
        PublishTexture(output, picture.name, picture.picture, picture.alpha);
        if (picture.name.starts_with("spr_grass")) grass.WriteTextLine(picture.name);
        sprites.push_back(picture.purpose == 0 ? picture.name
                                               : picture.name + "," + std::to_string(picture.purpose) + "," +
                                                     std::to_string(picture.width) + "," +
                                                     std::to_string(picture.height));
    }
    TLineBuffer list;
    for (const std::string& name : sprites) list.WriteTextLine(name);
    output.Publish("textures/spritelist.txt", list.Text());
    output.Publish("textures/grasslist.txt", grass.Text());
    output.Publish("textures/uilist.txt", LinesText({cInterfacePictures[0], cInterfacePictures[1]}));
}
