#include "DemoLevelPictures.h"

#include "DemoPaint.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

constexpr int cSprite = 64;

QPainter& Smooth(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    return painter;
}

// A soft round light of the colour around centre.
void Glow(QPainter& painter, QPointF centre, double radius, const QColor& colour)
{
    QRadialGradient glow(centre, radius);
    glow.setColorAt(0, colour);
    QColor clear = colour;
    clear.setAlpha(0);
    glow.setColorAt(1, clear);
    painter.fillRect(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), glow);
}

// A stone block cut from the wall's picture, standing on the sprite's foot: the base of shrines and altars.
void Pedestal(QPainter& painter, const QImage& wall, double width, double height, double shade)
{
    const QRectF block((cSprite - width) / 2, cSprite - height, width, height);
    painter.drawImage(block, wall, QRectF(0, 0, width * 2, height * 2));
    painter.fillRect(block, QColor(0, 0, 0, static_cast<int>(255 * (1 - shade))));
    painter.fillRect(QRectF(block.left() - 3, block.top() - 4, width + 6, 5), QColor(92, 86, 78));
}

QImage Grass()
{
    QImage image = Blank(cSprite, cSprite);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Blades from the foot, each leaning its own way, darker at the root.
    for (int blade = 0; blade < 26; ++blade) {
        const double root = 6 + 52 * Unit(blade, 0, 77), lean = (Unit(blade, 1, 77) - 0.5) * 30;
        const double height = 24 + 36 * Unit(blade, 2, 77);
        QPainterPath path;
        path.moveTo(root - 2, cSprite);
        path.quadTo(root, cSprite - height * 0.6, root + lean, cSprite - height);
        path.quadTo(root + 1, cSprite - height * 0.5, root + 2, cSprite);
        QLinearGradient shade(0, cSprite, 0, cSprite - height);
        shade.setColorAt(0, QColor(34, 64, 22));
        shade.setColorAt(1, QColor::fromHsv(80 + blade * 7 % 30, 170, 150 + blade * 13 % 70));
        painter.fillPath(path, shade);
    }
    return image;
}

// A key shrine: a pedestal with the key floating in its light, or the bare pedestal once taken.
QImage KeyShrine(const QImage& wall, const TMetal* metal)
{
    QImage image = Blank(cSprite, cSprite);
    QPainter painter(&image);
    Smooth(painter);
    Pedestal(painter, wall, 24, 26, metal ? 0.9 : 0.6);
    if (!metal) return image;
    Glow(painter, QPointF(32, 22), 18, ColorOf(metal->light, 170));
    painter.setBrush(ColorOf(metal->light));
    painter.setPen(QPen(ColorOf(metal->dark), 1.5));
    painter.drawEllipse(QPointF(32, 13), 5, 5);
    painter.drawRect(QRectF(30.5, 17, 3, 14));
    painter.drawRect(QRectF(33.5, 25, 5, 2.5));
    painter.drawRect(QRectF(33.5, 29, 4, 2.5));
    return image;
}

// An altar: a pedestal and a light above it of the altar's colour; a symbol drawn in it when given.
QImage Altar(const QImage& wall, const QColor& light, double shade, const std::function<void(QPainter&)>& symbol)
{
    QImage image = Blank(cSprite, cSprite);
    QPainter painter(&image);
    Smooth(painter);
    Glow(painter, QPointF(32, 20), 22, light);
    Pedestal(painter, wall, 40, 28, shade);
    if (symbol) symbol(painter);
    return image;
}

// A rune of the element's colour carved in the altar's stone.
void Rune(QPainter& painter, int element, const QColor& colour)
{
    painter.setPen(QPen(colour, 2.5, Qt::SolidLine, Qt::RoundCap));
    const double x = 32, y = 50;
    painter.drawLine(QPointF(x, y - 10), QPointF(x, y + 10));
    for (int stroke = 0; stroke <= element; ++stroke) {
        const double at = y - 8 + stroke * 4;
        painter.drawLine(QPointF(x, at), QPointF(x + (stroke % 2 ? -7 : 7), at + 4));
    }
}

QImage Orb()
{
    QImage image = Blank(cSprite, cSprite);
    QPainter painter(&image);
    Smooth(painter);
    painter.setBrush(QColor(70, 60, 50));
    painter.drawPolygon(QPolygonF({QPointF(24, 64), QPointF(40, 64), QPointF(35, 40), QPointF(29, 40)}));
    Glow(painter, QPointF(32, 26), 26, QColor(120, 180, 255, 160));
    QRadialGradient orb(QPointF(28, 22), 16);
    orb.setColorAt(0, QColor(235, 245, 255));
    orb.setColorAt(0.5, QColor(90, 150, 240));
    orb.setColorAt(1, QColor(20, 40, 120));
    painter.setBrush(orb);
    painter.drawEllipse(QPointF(32, 26), 13, 13);
    return image;
}

// A lectern holding a card, or empty once the card is taken.
QImage CardStand(bool holding)
{
    QImage image = Blank(cSprite, cSprite);
    QPainter painter(&image);
    Smooth(painter);
    painter.setBrush(QColor(96, 64, 36));
    painter.drawRect(QRectF(29, 34, 6, 30));
    painter.drawPolygon(QPolygonF({QPointF(16, 36), QPointF(48, 36), QPointF(44, 28), QPointF(20, 28)}));
    if (holding) {
        Glow(painter, QPointF(32, 18), 16, QColor(255, 230, 150, 150));
        painter.setBrush(QColor(226, 206, 160));
        painter.setPen(QPen(QColor(120, 30, 30), 1.5));
        painter.drawRect(QRectF(25, 8, 14, 21));
    }
    return image;
}

QImage Signpost()
{
    QImage image = Blank(cSprite, cSprite);
    QPainter painter(&image);
    Smooth(painter);
    painter.setBrush(QColor(90, 60, 34));
    painter.drawRect(QRectF(29, 20, 6, 44));
    painter.setBrush(QColor(150, 108, 64));
    painter.drawPolygon(QPolygonF({QPointF(10, 10), QPointF(50, 10), QPointF(58, 18), QPointF(50, 26), QPointF(10, 26)}));
    painter.setPen(QPen(QColor(50, 30, 16), 2));
    for (const double y : {15.0, 21.0}) painter.drawLine(QPointF(16, y), QPointF(46, y));
    return image;
}

// A hanging banner for a generated level's walls: red cloth on a rod with a golden emblem, its foot cut in a swallowtail.
QImage Banner()
{
    QImage image = Blank(cSprite, cSprite);
    QPainter painter(&image);
    Smooth(painter);
    painter.setBrush(QColor(70, 50, 30));
    painter.drawRect(QRectF(10, 2, 44, 4));
    QLinearGradient cloth(14, 0, 50, 0);
    cloth.setColorAt(0, QColor(110, 20, 24));
    cloth.setColorAt(0.5, QColor(170, 34, 36));
    cloth.setColorAt(1, QColor(110, 20, 24));
    painter.setBrush(cloth);
    painter.drawPolygon(QPolygonF({QPointF(14, 6), QPointF(50, 6), QPointF(50, 62), QPointF(32, 50), QPointF(14, 62)}));
    painter.setBrush(QColor(230, 190, 80));
    painter.drawPolygon(QPolygonF({QPointF(32, 16), QPointF(40, 27), QPointF(32, 38), QPointF(24, 27)}));
    return image;
}

// A round shield hung on a wall: planks in an iron rim around a boss.
QImage Shield()
{
    QImage image = Blank(cSprite, cSprite);
    QPainter painter(&image);
    Smooth(painter);
    painter.setBrush(QColor(80, 80, 88));
    painter.drawEllipse(QPointF(32, 32), 29, 29);
    painter.setBrush(QColor(120, 80, 44));
    painter.drawEllipse(QPointF(32, 32), 25, 25);
    painter.setPen(QPen(QColor(70, 44, 22), 2));
    for (const double x : {20.0, 32.0, 44.0}) painter.drawLine(QPointF(x, 9), QPointF(x, 55));
    painter.setPen(Qt::NoPen);
    QRadialGradient boss(QPointF(30, 30), 8);
    boss.setColorAt(0, QColor(220, 220, 228));
    boss.setColorAt(1, QColor(90, 90, 100));
    painter.setBrush(boss);
    painter.drawEllipse(QPointF(32, 32), 7, 7);
    return image;
}

// The marks of a generated level's start (green) and exit (red): a glowing ring on the floor.
QImage FloorMark(const QColor& colour)
{
    QImage image = Blank(cSprite, cSprite);
    QPainter painter(&image);
    Smooth(painter);
    Glow(painter, QPointF(32, 54), 20, colour);
    painter.setPen(QPen(colour.lighter(140), 3));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(32, 56), 22, 6);
    return image;
}

// The wall's stone with runes cut into it, glowing faintly.
QImage CarvedWall(const QImage& wall)
{
    QImage image = wall.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(24, 24, 80, 80), QColor(40, 36, 30, 120));
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            const QPointF at(36 + column * 19, 34 + row * 19);
            const int shape = static_cast<int>(Hash(row, column, 515) % 4);
            painter.setPen(QPen(QColor(255, 200, 120, 200), 2.5, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(at + QPointF(0, -6), at + QPointF(0, 6));
            painter.drawLine(at + QPointF(shape % 2 ? -5 : 5, -6 + shape * 3), at + QPointF(0, -2 + shape * 2));
        }
    return image;
}

// Veined marble.
QImage Marble()
{
    return PixelImage(cTextureSize, cTextureSize, [](int x, int y) {
        const double vein = std::abs(std::sin((x + y * 0.4) / 9.0 + Fbm(x, y, 4, 4, 616) * 9));
        return Mix({238, 234, 226}, {120, 116, 124}, std::pow(1 - vein, 6));
    });
}

// A metal surface: the colour with a grain of noise.
QImage Metal(TRgb colour, uint32_t seed)
{
    return PixelImage(cTextureSize, cTextureSize, [=](int x, int y) {
        return Scaled(colour, 0.7 + 0.5 * Fbm(x, y * 4, 8, 3, seed));
    });
}

} // namespace

std::vector<TLevelPicture> LevelPictures(const QImage& wall)
{
    std::vector<TLevelPicture> pictures = {
        {"spr_grass", true, Grass()},
        {"spr_keyshrines", true, KeyShrine(wall, &cSilver)},
        {"spr_keyshrineg", true, KeyShrine(wall, &cGold)},
        {"spr_keyshrinee", true, KeyShrine(wall, nullptr)},
        {"spr_ang_alt", true, Altar(wall, QColor(255, 250, 220, 200), 0.95, {})},
        {"spr_altarsilence", true, Altar(wall, QColor(120, 60, 160, 170), 0.45, {})},
        {"spr_wisdom_orb", true, Orb()},
        {"spr_stand", true, CardStand(true)},
        {"spr_stand_e", true, CardStand(false)},
        {"spr_sign", true, Signpost()},
        {"mark_enter", true, FloorMark(QColor(90, 230, 120, 190))},
        {"mark_exit", true, FloorMark(QColor(240, 80, 60, 190))},
        {"dec_banner", true, Banner(), cWallDecoration, 8, 14},
        {"dec_shield", true, Shield(), cWallDecoration, 9, 9},
        {"wall_runes", false, CarvedWall(wall)},
        {"fm_marble", false, Marble()},
        {"tex_fs_pillar", false, wall},
        {"tex_fs_gate", false, Metal({70, 70, 78}, 717)},
        {"tex_fs_brazier", false, Metal({150, 100, 50}, 818)},
        {"tex_fs_obelisk", false, Metal({60, 64, 58}, 919)},
    };
    // The runic altars, one of each element, as the random levels name them: "spr_ralt0" is the first.
    const QColor elements[] = {QColor(220, 220, 220), QColor(170, 120, 60), QColor(180, 230, 255),
                               QColor(80, 140, 255), QColor(255, 110, 40)};
    for (int element = 0; element < 5; ++element) {
        QColor light = elements[element];
        light.setAlpha(150);
        pictures.push_back({"spr_ralt" + std::to_string(element), true,
                            Altar(wall, light, 0.8, [&](QPainter& p) { Rune(p, element, elements[element]); })});
    }
    return pictures;
}
