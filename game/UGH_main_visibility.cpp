// Block visibility, the scene lights, the shadow casters and the minimap: which level objects show around the
// player, which seven of the level's lights light the scene, which walls and meshes cast shadows, and the map
// of the explored cells.
#include "UGH_main.h"

#include "UGHMinimap.h"
#include "UGH_data.h"
#include "UGH_log.h"

#include "Dialogs.h"
#include "GLGeomObjects.h"
#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "GLObjects.h"
#include "GLShadowVolume.h"
#include "GLSkyBox.h"
#include "GLTexture.h"
#include "GLVectorFileObjects.h"
#include "Graphics.h"
#include "VAVodad.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <numeric>
#include <string>
#include <vector>

int32_t curarea1 = 0, curarea2 = 0;
int32_t mainlight = -1;
bool lightreport = false;
int32_t glowlevel = 0;

namespace {

constexpr int32_t cMbdWrap = 32000;
constexpr int32_t cSceneLights = 7;
constexpr int32_t cCellPixels = 20;

// A refresh that failed is rebuilding the level: a second failure is only logged.
bool rebuildingAfterFailure = false;

void ShowObject(TGLBaseSceneObject* object, bool visible)
{
    if (object && object->Visible() != visible) object->SetVisible(visible);
}

// The inclusive range of cells a refresh walks along one axis: from p up to v cells the way the facing points
// along it (look > 0 up, look < 0 down), both ways when the facing runs across it, clipped to the grid in use.
void WindowRange(int32_t p, int32_t look, int32_t v, int32_t highest, int32_t& from, int32_t& to)
{
    from = look > 0 ? p : p - v;
    to = look < 0 ? p : p + v;
    from = std::max(from, 0);
    to = std::min(to, highest);
}

// Within d cells of the player in both directions, strictly.
bool Near(int32_t sx, int32_t sy, int32_t d)
{
    return playerx - d < sx && sx < playerx + d && playery - d < sy && sy < playery + d;
}

// A world point within d cells of the player's cell position, strictly, in x and in y.
bool NearWorld(double x, double y, int32_t d)
{
    const double reach = cCellPixels * d;
    return std::abs(x - cCellPixels * playerx) < reach && std::abs(y - cCellPixels * playery) < reach;
}

bool InPlayerAreas(int32_t a, int32_t b)
{
    return a == curarea1 || a == curarea2 || b == curarea1 || b == curarea2;
}

// The grid cell of a world coordinate.
int32_t CellOf(double world)
{
    return static_cast<int32_t>(Round(world / cCellPixels));
}

const lcell& PlayerCell()
{
    return levelgrid[playerx][playery];
}

void AddCaster(TGLShadowVolume* volume, TGLBaseMesh* mesh)
{
    // The connectivity of a mesh never changes once it is loaded.
    if (!mesh->Connectivity()) mesh->BuildSilhouetteConnectivityData();
    volume->Occluders()->AddCaster(mesh, 0, scmRecursivelyVisible);
}

void SetColor(TGLColor* color, double r, double g, double b)
{
    color->SetColor(static_cast<float>(r), static_cast<float>(g), static_cast<float>(b));
}

void TakeLight(TGLLightSource* light, const lightslot& slot)
{
    light->SetShining(slot.shining);
    light->SetVisible(slot.shining);
    light->SetConstAttenuation(static_cast<float>(slot.ca));
    light->SetLinearAttenuation(static_cast<float>(slot.la));
    light->SetQuadraticAttenuation(static_cast<float>(slot.qa));
    SetColor(light->Ambient(), slot.ar, slot.ag, slot.ab);
    SetColor(light->Specular(), slot.sr, slot.sg, slot.sb);
    SetColor(light->Diffuse(), slot.dr, slot.dg, slot.db);
    light->Position()->SetPoint(slot.x, slot.y, slot.z);
    light->SetSpotCutOff(static_cast<float>(slot.cutoff));
    light->SetSpotExponent(static_cast<float>(slot.exponent));
    light->SpotDirection()->SetVector(slot.sdx, slot.sdy, slot.sdz);
    light->SetLightStyle(slot.style != 0 ? lsSpot : lsOmni);
}

std::string LightReport(const std::array<int32_t, 20>& order, const std::vector<int32_t>& chosen)
{
    std::string text = "Slots:";
    for (const int32_t slot : order) text += " " + std::to_string(slot);
    text += "\nChosen:";
    for (const int32_t slot : chosen) text += " " + std::to_string(slot);
    return text + "\nTotal: " + std::to_string(chosen.size());
}

// The colour a neighbour of an explored cell is drawn in, given the colour the brush held before: the brush
// keeps its colour for a closed cell that is neither door, wall nor chest.
TColor NeighbourColour(const lcell& cell, bool explored, bool hiddenPassages, TColor brush)
{
    if (!cell.passable || cell.wall) {
        if (cell.door) brush = clPurple;
        if (cell.wall) brush = clGray;
        if (cell.chest) brush = clYellow;
    }
    if (cell.passable && !cell.wall) brush = clWhite;
    if (hiddenPassages && cell.passable && cell.wall) brush = clOlive;
    if (explored && cell.passable) brush = clWhite;
    return brush;
}

// Pixel (x, y) of a 32-bit bitmap, opaque.
void PutPixel(TBitmap& bitmap, int32_t x, int32_t y, TColor colour)
{
    uint8_t* pixel = bitmap.ScanLine(y) + 4 * x;
    pixel[0] = static_cast<uint8_t>(colour >> 16);
    pixel[1] = static_cast<uint8_t>(colour >> 8);
    pixel[2] = static_cast<uint8_t>(colour);
    pixel[3] = 255;
}

} // namespace

// ---- Block visibility ----

void TForm1::CheckAvisars(int32_t x, int32_t y)
{
    curarea1 = levelgrid[x][y].visarea;
    curarea2 = levelgrid[x][y].visarea2;
}

void TForm1::MonitorBlockVisibility(int32_t px, int32_t py, int32_t d, bool full)
{
    if (levelbusy) return;
    if (++mbdcount > cMbdWrap) mbdcount = 0;
    try {
        ShowObject(GLSkyBox1, PlayerCell().outdoors && skyboxno != 0);

        int32_t x1 = 0, x2 = mapmaxx, y1 = 0, y2 = mapmaxy;
        if (!full) {
            WindowRange(px, lookdirx, viewdist, mapmaxx, x1, x2);
            WindowRange(py, lookdiry, viewdist, mapmaxy, y1, y2);
        }
        const bool grassShown = !nograss;
        for (int32_t sx = x1; sx <= x2; ++sx) {
            for (int32_t sy = y1; sy <= y2; ++sy) {
                const lcell& cell = levelgrid[sx][sy];
                if (cell.ignored) continue;
                if (InPlayerAreas(cell.visarea, cell.visarea2)) {
                    const bool near = Near(sx, sy, d);
                    if (cell.wall || cell.fwm) ShowObject(cellwalls[sx][sy], near);
                    // An open door that is no 3D door is gone from its doorway.
                    if (cell.door) ShowObject(celldoors[sx][sy], near && (!cell.passable || cell.door3d));
                    if (cell.floor) ShowObject(cellfloors[sx][sy], near);
                    if (cell.ceil) ShowObject(cellceils[sx][sy], near);
                    if (cell.spritename != "0") ShowObject(cellsprites[sx][sy], near);
                    if (cell.grass && cell.dens > 0 && grassShown) {
                        const int32_t count = std::min(cell.dens, cellgrass[sx][sy].Length());
                        for (int32_t k = 0; k < count; ++k) ShowObject(cellgrass[sx][sy][k], near);
                    }
                    // An opened chest is passable and shows no more.
                    if (cell.chest) ShowObject(cellchests[sx][sy], near && !cell.passable);
                    OrientCSprite(sx, sy);
                } else {
                    ShowObject(cellwalls[sx][sy], false);
                    ShowObject(cellfloors[sx][sy], false);
                    ShowObject(cellceils[sx][sy], false);
                    ShowObject(cellsprites[sx][sy], false);
                    ShowObject(cellchests[sx][sy], false);
                    ShowObject(celldoors[sx][sy], false);
                }
            }
        }

        for (int32_t i = 0, last = GetLast(2); i <= last; ++i) {
            TGLPlane* plane = wandererobjs[i];
            if (!wanderers[i].enabled || !plane) continue;
            const bool shown = NearWorld(plane->Position()->X(), plane->Position()->Y(), d);
            ShowObject(plane, shown);
            if (shown) OrientWanderer(i);
        }

        for (int32_t i = 0, last = GetLast(0); i <= last; ++i) {
            freemesh& mesh = freemeshes[i];
            if (!mesh.enabled) {
                ShowObject(fmeshobjs[i], false);
                continue;
            }
            const lcell& home = levelgrid[std::clamp(CellOf(mesh.x), 0, 100)][std::clamp(CellOf(mesh.y), 0, 100)];
            mesh.va1 = home.visarea;
            mesh.va2 = home.visarea2;
            if (NearWorld(mesh.x, mesh.y, d) && InPlayerAreas(mesh.va1, mesh.va2))
                ShowObject(fmeshobjs[i], true);
            else if (d == viewdist)
                ShowObject(fmeshobjs[i], false);
        }

        for (int32_t i = 0, last = GetLast(1); i <= last; ++i) {
            const freesprite& sprite = freesprites[i];
            if (!sprite.enabled) {
                ShowObject(fspriteobjs[i], false);
            } else if (NearWorld(sprite.x, sprite.y, d)) {
                ShowObject(fspriteobjs[i], true);
                OrientFSprite(i);
            } else if (d == viewdist) {
                ShowObject(fspriteobjs[i], false);
            }
        }
    } catch (const std::exception& e) {
        if (rebuildingAfterFailure) {
            GameLog(std::string("Block visibility failed again after the level was rebuilt: ") + e.what());
            return;
        }
        GameLog(std::string("Block visibility failed, the level is rebuilt: ") + e.what());
        rebuildingAfterFailure = true;
        try {
            BuildLevel();
        } catch (const std::exception& again) {
            GameLog(std::string("The level could not be rebuilt: ") + again.what());
        }
        rebuildingAfterFailure = false;
    }
}

void TForm1::FullMBW(int32_t d)
{
    MonitorBlockVisibility(playerx, playery, d, true);
    if (minimap && minimap->Visible()) WorkOnMinimap();
}

void TForm1::AutoAdjustMbd(int32_t fps)
{
    if (!desiredfpson) return;
    // A view distance below one cell would show nothing but the player's own row.
    const int32_t lowest = std::max(minvd, 1), highest = std::max(maxvd, 1);
    if (fps < desiredfps && viewdist > lowest) --viewdist;
    if (fps > desiredfps && viewdist < highest) ++viewdist;
    viewdist = std::max(viewdist, 1);
    if (mbdcount % viewdist == 0)
        FullMBW(viewdist);
    else
        MonitorBlockVisibility(playerx, playery, viewdist, false);
}

// ---- Scene lights and shadow casters ----

double TForm1::GetDist(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    return std::hypot(static_cast<double>(x2) - x1, static_cast<double>(y2) - y1);
}

void TForm1::ProcessLights()
{
    // Before the start-up has made the scene lights there is nothing to light.
    if (nolights || !scenelights[0]) return;
    const int32_t refx = cCellPixels * playerx + cCellPixels / 2, refy = cCellPixels * playery + cCellPixels / 2;
    std::array<int32_t, 20> order;
    std::iota(order.begin(), order.end(), 0);
    std::array<double, 20> distance;
    for (const int32_t slot : order) distance[slot] = GetDist(refx, refy, levellights[slot].x, levellights[slot].y);
    std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) { return distance[a] < distance[b]; });
    std::stable_partition(order.begin(), order.end(), [](int32_t slot) { return levellights[slot].persists; });

    const lcell& cell = PlayerCell();
    std::vector<int32_t> chosen;
    for (const int32_t slot : order) {
        if (static_cast<int32_t>(chosen.size()) == cSceneLights) break;
        const lightslot& light = levellights[slot];
        if (light.external && !cell.outdoors) continue;
        if (light.lgroup != cell.lgroup || !light.shining) continue;
        chosen.push_back(slot);
    }
    if (lightreport) {
        TMessageBoxRequest request;
        request.Caption = Application ? Application->Title() : std::string();
        request.Text = LightReport(order, chosen);
        ShowMessageBox(request);
        lightreport = false;
    }

    mainlight = -1;
    for (int32_t k = 0; k < cSceneLights; ++k) {
        if (k >= static_cast<int32_t>(chosen.size())) {
            scenelights[k]->SetShining(false);
            continue;
        }
        const int32_t slot = chosen[static_cast<std::size_t>(k)];
        TakeLight(scenelights[k], levellights[slot]);
        if (k == 0 && levellights[slot].shining) mainlight = slot;
    }
    if (shadows) FormOccluderArr();
}

int32_t TForm1::getfmlgroup(int32_t fmid)
{
    const int32_t x = CellOf(freemeshes[fmid].x), y = CellOf(freemeshes[fmid].y);
    if (x < 1 || x > 99 || y < 1 || y > 99) return -1;
    return levelgrid[x][y].lgroup;
}

void TForm1::FormOccluderArr()
{
    TGLShadowVolumeCasters* occluders = shadowz->Occluders();
    occluders->Clear();
    shadowz->FlushSilhouetteCache();
    // Without a main light no wall is known to be lit.
    if (mainlight >= 0) {
        const int32_t group = levellights[mainlight].lgroup;
        const int32_t x1 = std::max(playerx - shadowradius + 1, 0), x2 = std::min(playerx + shadowradius - 1, 100);
        const int32_t y1 = std::max(playery - shadowradius + 1, 0), y2 = std::min(playery + shadowradius - 1, 100);
        for (int32_t i = x1; i <= x2; ++i) {
            for (int32_t j = y1; j <= y2; ++j) {
                const lcell& cell = levelgrid[i][j];
                if (!(cell.shcast || globalcast) || cell.lgroup != group) continue;
                if (cellwalls[i][j] && (cell.wall || cell.fwm)) AddCaster(shadowz, cellwalls[i][j]);
            }
        }
        shadowz->FlushSilhouetteCache();
    }
    const int32_t group = PlayerCell().lgroup;
    for (int32_t i = freemeshes.Low(); i <= freemeshes.High(); ++i) {
        const freemesh& mesh = freemeshes[i];
        if (!mesh.shcast || !mesh.enabled || !fmeshobjs[i] || getfmlgroup(i) != group) continue;
        if (NearWorld(mesh.x, mesh.y, shadowradius)) AddCaster(shadowz, fmeshobjs[i]);
    }
    shadowz->FlushSilhouetteCache();
}

bool TForm1::checklsvisibility(int32_t x, int32_t y, int32_t lsy, int32_t lsx)
{
    const int32_t fromx = CellOf(x), fromy = CellOf(y);
    const int32_t tox = CellOf(lsx), toy = CellOf(lsy);
    const double length = GetDist(fromx, fromy, tox, toy);
    if (length == 0) return true;
    const double stepx = (tox - fromx) / length, stepy = (toy - fromy) / length;
    // One cell length at a time until the light's cell is reached.
    for (int32_t step = 1; step < length; ++step) {
        const int32_t cx = CellOf(cCellPixels * (fromx + step * stepx));
        const int32_t cy = CellOf(cCellPixels * (fromy + step * stepy));
        if (cx < 0 || cx > mapmaxx || cy < 0 || cy > mapmaxy) return true;
        if (cx == tox && cy == toy) return true;
        const lcell& cell = levelgrid[cx][cy];
        if ((cell.wall && cell.wco.empty()) || (cell.door && !cell.passable)) return false;
    }
    return true;
}

void TForm1::HandleShadows()
{
    for (int32_t i = std::max(playerx - 1, 0); i <= std::min(playerx + 1, mapmaxx); ++i) {
        for (int32_t j = std::max(playery - 1, 0); j <= std::min(playery + 1, mapmaxy); ++j) {
            const lcell& cell = levelgrid[i][j];
            if (!(cell.wall || cell.fwm) || !cellwalls[i][j]) continue;
            try {
                shadowz->Occluders()->AddCaster(cellwalls[i][j], 0, scmRecursivelyVisible);
            } catch (const std::exception&) {
                // A wall that cannot cast simply casts nothing.
            }
        }
    }
}

void TForm1::cleanuplights()
{
    for (lightslot& light : levellights) light.shining = false;
}

// ---- Minimap ----

void TForm1::DrawMinimap(TBitmap& picture, bool hiddenPassages)
{
    const int32_t columns = mapmaxx + 1, rows = mapmaxy + 1;
    // One pixel a cell first, the picture's colours decided in the order the neighbourhoods are drawn; the
    // cells are then stretched to their 20 pixels. The map is seen from above as the view shows it: y grows
    // upward (a left turn from +x faces +y), so row 0 of the picture holds the last row of cells.
    TBitmap cells;
    cells.SetPixelFormat(pf32bit);
    cells.SetSize(columns, rows);
    TColor brush = clBlack;
    for (int32_t x = 0; x < columns; ++x) {
        for (int32_t y = 0; y < rows; ++y) {
            if (!explored[x][y]) continue;
            for (int32_t nx = std::max(x - 1, 0); nx <= std::min(x + 1, mapmaxx); ++nx) {
                for (int32_t ny = std::max(y - 1, 0); ny <= std::min(y + 1, mapmaxy); ++ny) {
                    brush = NeighbourColour(levelgrid[nx][ny], explored[nx][ny], hiddenPassages, brush);
                    PutPixel(cells, nx, mapmaxy - ny, brush);
                }
            }
        }
    }
    picture.SetPixelFormat(pf32bit);
    picture.SetSize(columns * cCellPixels, rows * cCellPixels);
    TCanvas& canvas = *picture.Canvas();
    canvas.StretchDraw(TRect{0, 0, picture.Width(), picture.Height()}, &cells);

    // The player: a red disc inside the cell and a thick stroke toward the facing.
    const int32_t left = playerx * cCellPixels, top = (mapmaxy - playery) * cCellPixels;
    const int32_t half = cCellPixels / 2;
    canvas.Pen()->SetColor(clRed);
    canvas.Pen()->SetWidth(1);
    canvas.Brush()->SetColor(clRed);
    canvas.Ellipse(left + half / 2, top + half / 2, left + half + half / 2, top + half + half / 2);
    // The facing itself: lookdirx and lookdiry follow a turn only once the camera has turned.
    int32_t dirx = 0, diry = 0;
    GetDirsFromLookside(lookside, dirx, diry);
    canvas.Pen()->SetWidth(5);
    canvas.MoveTo(left + half, top + half);
    canvas.LineTo(left + half + half * dirx, top + half - half * diry);
}

void TForm1::SquareMinimap(TBitmap& picture, TBitmap& square)
{
    const int32_t side = std::max(picture.Width(), picture.Height());
    square.SetPixelFormat(pf32bit);
    square.SetSize(side, side);
    TCanvas& canvas = *square.Canvas();
    canvas.Pen()->SetColor(clWhite);
    canvas.Pen()->SetWidth(1);
    canvas.Brush()->SetColor(clBlack);
    canvas.Rectangle(0, 0, side, side);
    canvas.Draw((side - picture.Width()) / 2, (side - picture.Height()) / 2, &picture);
}

void TForm1::WorkOnMinimap()
{
    TBitmap picture, square;
    DrawMinimap(picture, CheckCodedPerkEff(player, 9) > 0);
    SquareMinimap(picture, square);
    if (minimap) {
        auto* image = static_cast<TGLPictureImage*>(minimap->Material()->Texture()->Image());
        image->Picture()->Assign(&square);
    }
    if (Form12 && Form12->Visible()) Form12->Image1->Picture()->Assign(&picture);
}
