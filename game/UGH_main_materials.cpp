// Pictures into materials by the game's naming convention, and the start-up catalogue that loads them.
#include "UGH_main.h"

#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "GLObjects.h"
#include "GLTexCombineShader.h"
#include "GLTexture.h"
#include "UGH_data.h"
#include "UGH_log.h"

#include <algorithm>
#include <array>
#include <cstddef>

TDynArray<std::string> matnames{std::string()};
std::string lastmat;
const bool preloadsprites = true;
TBoundedTable<TBoundedArray<TBoundedArray<int32_t, 0, 4>, 0, 1000>, 0, 1> armorlayers;
int32_t loadscrcount = 0, cardcount = 0, itemcount = 0;

namespace {

const std::string cTextures = "\\textures\\";

// A picture's path below "\textures\" as a game path.
std::string TexturePath(const std::string& fn)
{
    return GamePath(cTextures + fn);
}

// A name and its extension: only a dot four characters from the end starts one, so "a.b" or "name" have none.
struct TSplitName {
    std::string base, extension;
};
TSplitName SplitExtension(const std::string& fn)
{
    const std::size_t length = fn.size();
    if (length >= 4 && fn[length - 4] == '.') return {fn.substr(0, length - 4), fn.substr(length - 4)};
    return {fn, std::string()};
}

// Reads the picture into the texture when it exists; what went wrong, naming the file, or empty.
std::string LoadPicture(TGLTexture& texture, const std::string& fn, bool exists)
{
    if (!exists) return cTextures + fn + " is missing";
    try {
        texture.Image()->LoadFromFile(TexturePath(fn));
        return std::string();
    } catch (const Exception& e) {
        return cTextures + fn + " cannot be read: " + e.Message();
    }
}

// What a material and its light map share: transparency blending, the default image alpha, emission grey
// emit, the texture mode (0 modulate, 1 replace, 2 blend, 3 decal; another keeps the texture's own) and, for
// the poor-quality folder, nearest filtering.
void SetUpPictureMaterial(TGLLibMaterial& libMaterial, int32_t mode, double emit, bool nearest)
{
    static constexpr std::array<TGLTextureMode, 4> cModes = {tmModulate, tmReplace, tmBlend, tmDecal};
    TGLMaterial& material = *libMaterial.Material();
    TGLTexture& texture = *material.Texture();
    texture.SetDisabled(false);
    material.SetBlendingMode(bmTransparency);
    texture.SetImageAlpha(tiaDefault);
    if (mode >= 0 && mode < static_cast<int32_t>(cModes.size())) texture.SetTextureMode(cModes[mode]);
    TGLColor& emission = *material.FrontProperties()->Emission();
    const float grey = static_cast<float>(emit);
    emission.SetColor(grey, grey, grey, emission.Alpha());
    if (nearest) {
        texture.SetMinFilter(miNearest);
        texture.SetMagFilter(maNearest);
    }
}

void LogWhenEmpty(std::size_t loaded, const std::string& what)
{
    if (loaded == 0) GameLog("Start-up catalogue: " + what + " loaded nothing");
}

// The non-blank lines of a list file; a missing file raises EGameDataError naming it.
std::vector<std::string> ListLines(const std::string& fileName)
{
    TLineBuffer lines;
    lines.LoadFromFile(fileName);
    std::vector<std::string> result;
    for (int i = 0; i < lines.Count(); ++i) {
        const std::string_view line = lines.Line(i);
        if (line.find_first_not_of(" \t") != std::string_view::npos) result.emplace_back(line);
    }
    return result;
}

bool WallSetExists(int32_t set)
{
    return TextureOrDDSExists(qualitydir + "\\" + IntToStr(set) + "\\tex_0");
}

// The full-screen glow of a teleport, made anew under dcuimiddle: see-through, its picture modulated by a white
// emission, and a diffuse alpha of 0 that the frame routine raises while the glow shows.
void RecreateTeleportGlow(TForm1& form)
{
    if (form.teleport_glow) FreeAndNil(form.teleport_glow);
    TGLHUDSprite* const glow = TGLBaseSceneObject::CreateAsChild<TGLHUDSprite>(form.dcuimiddle);
    form.teleport_glow = glow;
    glow->SetName("teleport_glow");
    TGLMaterial& material = *glow->Material();
    material.SetMaterialLibrary(form.matlib);
    material.SetBlendingMode(bmTransparency);
    const std::string fn = qualitydir + "\\port_glow.tga";
    const std::string failure = LoadPicture(*material.Texture(), fn, TextureExists(fn));
    if (!failure.empty()) GameLog("The teleport glow has no picture: " + failure);
    material.Texture()->SetDisabled(false);
    material.Texture()->SetTextureMode(tmModulate);
    material.FrontProperties()->Emission()->SetColor(1, 1, 1, 1);
    material.FrontProperties()->Diffuse()->SetAlpha(0);
    glow->SetVisible(true);
}

} // namespace

bool TextureExists(const std::string& fn)
{
    return DataFileExists(TexturePath(fn));
}

bool TextureOrDDSExists(const std::string& base)
{
    return TextureExists(base + ".tga") || TextureExists(base + ".dds");
}

std::string CatalogueStatus(int32_t stageText)
{
    return strarr[149] + ": " + strarr[stageText];
}

int32_t FirstMissingId(int32_t first, int32_t limit, const std::function<bool(int32_t)>& exists,
                       const std::string& what)
{
    int32_t id = first;
    while (id < limit && exists(id)) ++id;
    if (id == limit && exists(id))
        GameLog(what + " from " + IntToStr(limit) + " on are left out: the game holds " + IntToStr(limit));
    return id;
}

std::string SpriteListField(std::string_view text, int32_t ps)
{
    static constexpr std::array<const char*, 4> cDefaults = {"", "-1", "10", "15"};
    std::string_view field;
    if (ps >= 0) {
        std::size_t start = 0;
        for (int32_t i = 0; i < ps && start != std::string_view::npos; ++i) {
            const std::size_t comma = text.find(',', start);
            start = comma == std::string_view::npos ? comma : comma + 1;
        }
        if (start != std::string_view::npos) field = text.substr(start, text.find(',', start) - start);
    }
    int32_t value = 0;
    if (ps >= 1 && ps <= 3 && !TryStrToInt(field, value)) return cDefaults[ps];
    return std::string(field);
}

TDynArray<spritelistitem> ReadSpriteList(const std::string& fileName)
{
    TDynArray<spritelistitem> list;
    for (const std::string& line : ListLines(fileName)) {
        std::string name = SpriteListField(line, 0);
        if (name.empty()) continue;
        list.push_back({std::move(name), StrToInt(SpriteListField(line, 1)), StrToInt(SpriteListField(line, 2)),
                        StrToInt(SpriteListField(line, 3))});
    }
    return list;
}

std::vector<std::string> ReadUIList(const std::string& fileName)
{
    return ListLines(fileName);
}

bool ReadWallSetInfo(const std::string& fileName, envr& set)
{
    if (!DataFileExists(fileName)) return false;
    TLineBuffer lines;
    lines.LoadFromFile(fileName);
    if (lines.Count() < 2) return false;
    set = {lines.ReadTextLine(0), lines.ReadBoolLine(1)};
    return true;
}

void TForm1::FastAddMaterial(const std::string& fn, const std::string& mn, const std::string& qs, double emit,
                             int32_t mode, bool uselm, TGLMaterialLibrary*& ml)
{
    // A DDS picture of the same name wins over the one named.
    const TSplitName named = SplitExtension(fn);
    const bool dds = TextureExists(named.base + ".dds");
    const std::string extension = dds ? ".dds" : named.extension;
    const std::string picture = named.base + extension;
    const std::string lightmap = named.base + "_2" + extension;
    const std::string empty = qs + "\\empty.tga";

    TGLInternalCompression compression = tcDefault;
    if (const TGLLibMaterial* deflm = matlib2 ? matlib2->LibMaterialByName("deflm") : nullptr)
        compression = deflm->Material()->Texture()->Compression();
    const bool nearest = qs == "pq";

    TGLLibMaterial* const libMaterial = ml->Materials()->Add();
    TGLTexture& texture = *libMaterial->Material()->Texture();
    const std::string failure = LoadPicture(texture, picture, dds || TextureExists(picture));
    const bool found = failure.empty();
    bool textured = found;
    if (!found) {
        GameLog(failure + "; \"" + mn + "\" shows " + cTextures + empty + " instead");
        const std::string emptyFailure = LoadPicture(texture, empty, TextureExists(empty));
        textured = emptyFailure.empty();
        if (!textured && !emptyreported) {
            GameLog(emptyFailure + ": materials without their picture stay untextured");
            emptyreported = true;
        }
    }
    texture.SetCompression(compression);
    SetUpPictureMaterial(*libMaterial, mode, emit, nearest);
    texture.SetDisabled(!textured);
    libMaterial->SetName(mn);
    lastmat = mn;

    if (found && uselm && TextureExists(lightmap)) {
        TGLLibMaterial* const light = ml->Materials()->Add();
        const std::string lightFailure = LoadPicture(*light->Material()->Texture(), lightmap, true);
        if (lightFailure.empty()) {
            SetUpPictureMaterial(*light, 0, 0, nearest);
            light->SetName(mn + "_2");
            libMaterial->SetTexture2Name(light->Name());
            libMaterial->SetShader(GLTexCombineShader1);
        } else {
            GameLog(lightFailure + "; \"" + mn + "\" has no light map");
            Free(light);
        }
    }
    matnames.push_back(mn);
}

void TForm1::preparematerials()
{
    // A start-up does not change its data folder: each folder the catalogue asks about is listed once.
    const TDataFolderPass pass;

    ShowStatus(CatalogueStatus(150));
    for (TGLHUDSprite* icon : icons) icon->Material()->SetMaterialLibrary(matlib);
    element_icon->Material()->SetMaterialLibrary(matlib);
    titlecard->Material()->SetMaterialLibrary(matlib);

    preparehudpictures();
    prepareitemlistgrid();
    preparebodyparts();

    // Load screens, numbered from 0 while their pictures follow one another.
    for (loadscrcount = 0;; ++loadscrcount) {
        const std::string fn = qualitydir + "\\loadscr\\" + IntToStr(loadscrcount) + ".tga";
        if (!TextureExists(fn)) break;
        FastAddMaterial(fn, "loadscr_" + IntToStr(loadscrcount), qualitydir, 1.0, 0, false, matlib);
    }
    LogWhenEmpty(loadscrcount, "load screens (" + cTextures + qualitydir + "\\loadscr\\)");
    loadscr_f->Material()->SetLibMaterialName("---");

    loadstage = 4;
    ShowStatus(CatalogueStatus(152));
    envcount = GetSets();
    for (int32_t r = 0; r < envcount; ++r) {
        const std::string folder = qualitydir + "\\" + IntToStr(r) + "\\";
        for (int32_t k = 0; k <= 9; ++k)
            FastAddMaterial(folder + "tex_" + IntToStr(k) + ".tga", "etex_" + IntToStr(r) + "_" + IntToStr(k),
                            qualitydir, 0.0, 0, true, matlib);
        try {
            envr set;
            if (ReadWallSetInfo(TexturePath(folder + "arid.txt"), set)) envrlist[r] = set;
        } catch (const EGameDataError& e) {
            GameLog(e.Message() + "; wall set " + IntToStr(r) + " keeps no name");
        }
    }
    LogWhenEmpty(envcount, "wall sets (" + cTextures + qualitydir + "\\0\\tex_0.tga)");

    loadstage = 5;
    ShowStatus(CatalogueStatus(153));
    spritelist = ReadSpriteList(GamePath(cTextures + "spritelist.txt"));
    if (preloadsprites) {
        for (const spritelistitem& sprite : spritelist) {
            FastAddMaterial(qualitydir + "\\" + sprite.name + ".tga", sprite.name, qualitydir, 0.0, 0, true, matlib);
            addtotexlist(sprite.name);
        }
    }
    LogWhenEmpty(spritelist.size(), "the sprite list (" + cTextures + "spritelist.txt)");

    loadstage = 6;
    ShowStatus(CatalogueStatus(154));
    const std::vector<std::string> uinames = ReadUIList(GamePath(cTextures + "uilist.txt"));
    for (const std::string& name : uinames)
        FastAddMaterial(qualitydir + "\\" + name + ".tga", name, qualitydir, 1.0, 0, false, matlib);
    LogWhenEmpty(uinames.size(), "the interface pictures (" + cTextures + "uilist.txt)");
    RecreateTeleportGlow(*this);
    preparecontent();

    loadstage = 11;
    ShowStatus(CatalogueStatus(159));
    GLPlane1->SetVisible(true);
    GLPlane1->Material()->SetMaterialLibrary(matlib);
    for (const std::string& name : matnames) GLPlane1->Material()->SetLibMaterialName(name);
    // One line that says what the adventure holds, for whoever wonders why something is not in the game.
    GameLog("Start-up catalogue: cards " + IntToStr(cardcount) + ", monsters " + IntToStr(monstercount - 1) +
            " (monstercount " + IntToStr(monstercount) + "), items " + IntToStr(itemcount) + ", wall sets " +
            IntToStr(envcount) + ", load screens " + IntToStr(loadscrcount) + ", materials " +
            IntToStr(static_cast<int32_t>(matnames.size()) - 1));
    LoadSounds();
}

void TForm1::preparemat(const std::string& mn)
{
    if (preloadsprites || checkitemintexlist(mn)) return;
    addtotexlist(mn);
    FastAddMaterial(qualitydir + "\\" + mn + ".tga", mn, qualitydir, 1.0, 0, true, matlib);
}

void TForm1::addtotexlist(const std::string& itm)
{
    texlist.push_back(itm);
}

bool TForm1::checkitemintexlist(const std::string& itm)
{
    return std::find(texlist.begin(), texlist.end(), itm) != texlist.end();
}

void TForm1::cleartexlist()
{
    if (!preloadsprites) texlist.clear();
}

int32_t TForm1::GetSets()
{
    // envrlist holds the sets: one beyond it is left out.
    return FirstMissingId(0, envrlist.Length(), WallSetExists, "Wall sets (" + cTextures + qualitydir + "\\)");
}

std::string TForm1::getslitem(const std::string& text, int32_t /*id*/, int32_t ps)
{
    return SpriteListField(text, ps);
}
