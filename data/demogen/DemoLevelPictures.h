// The pictures the levels name besides the wall sets: the sprites of cells and events (grass, key shrines,
// altars, the orb, card stands, a signpost, the generated levels' start and exit marks and wall decorations), a carved wall for a
// cell's wall material, and the free meshes' own materials ("tex_fs_" + the mesh's name, or a name a level gives
// as a mesh's texture).
#pragma once

#include <QImage>

#include <string>
#include <vector>

// The sprite list's purpose of a picture the random level generator hangs on walls.
constexpr int cWallDecoration = 1;

struct TLevelPicture {
    std::string name; // its material name: the picture is "textures/<quality>/<name>.tga", listed as a sprite
    bool alpha;
    QImage picture;
    int purpose = 0;           // listed as "name,purpose,width,height" when not 0
    int width = 0, height = 0; // the size on the wall, in world units
};

// wall: the wall set's stone, which the carved wall and the pillar's stone are made of.
std::vector<TLevelPicture> LevelPictures(const QImage& wall);
