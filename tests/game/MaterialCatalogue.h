// An unshown main window over a data folder of the test's own, with pictures made to measure: the fixture of the
// start-up catalogue's tests.
#pragma once

#include "UGH_main.h"

#include "GameDataFolder.h"

#include "GLMaterial.h"
#include "GLTexture.h"
#include "Graphics.h"
#include "TGA.h"

#include <filesystem>
#include <memory>
#include <string>

class MaterialCatalogue : public GameDataFolder {
protected:
    void SetUp() override
    {
        GameDataFolder::SetUp();
        qualitydir = "hq";
        ResetCatalogue();
        // The catalogue ends with the sounds, which have tests of their own.
        fullmute = true;
        form.reset(new TForm1(nullptr));
        // The pictures every folder of these tests has: a missing one shows this 16-pixel square.
        Picture<TTGAImage>("textures/hq/empty.tga", 16);
        Picture<TTGAImage>("textures/pq/empty.tga", 16);
    }
    void TearDown() override
    {
        form.reset();
        ResetCatalogue();
        qualitydir = "hq";
        fullmute = false;
        GameDataFolder::TearDown();
    }
    static void ResetCatalogue()
    {
        matnames.assign(1, std::string());
        lastmat.clear();
        loadscrcount = cardcount = itemcount = 0;
        for (auto& sex : armorlayers)
            for (auto& armor : sex) armor.Fill(0);
        loadstage = 0;
        loadstatus.clear();
        envcount = 0;
    }

    // A square picture of side pixels in the format of its class (TTGAImage, TDDSImage, TPngImage), so that
    // the texture that loads it tells by its width which file it read.
    template <class TPicture> void Picture(const std::string& name, int32_t side) const
    {
        TBitmap bitmap;
        bitmap.SetPixelFormat(pf32bit);
        bitmap.SetSize(side, side);
        TPicture picture;
        picture.Assign(&bitmap);
        std::filesystem::create_directories((folder.path / name).parent_path());
        picture.SaveToFile(folder / name);
    }

    void Add(const std::string& fn, const std::string& mn, const std::string& qs = "hq", double emit = 1.0,
             int32_t mode = 0, bool uselm = false)
    {
        form->FastAddMaterial(fn, mn, qs, emit, mode, uselm, form->matlib);
    }
    TGLLibMaterial* Material(const std::string& mn) const { return form->matlib->LibMaterialByName(mn); }
    TGLTexture* Texture(const std::string& mn) const { return Material(mn)->Material()->Texture(); }
    // The width of the picture the material's texture holds; 0 when it holds none.
    int32_t PictureWidth(const std::string& mn) const { return Texture(mn)->Image()->Width(); }

    // The strings of the catalogue's status lines.
    static void CatalogueStrings()
    {
        strarr[149] = "Loading";
        for (int32_t i = 150; i <= 159; ++i) strarr[i] = "stage " + std::to_string(i);
    }

    std::unique_ptr<TForm1, TFreeDeleter> form;
};

// A small data folder: two load screens (a third after a gap), wall set 0 named by its arid.txt and set 1 with
// a short one, two sprites and two interface pictures.
class CatalogueFolder : public MaterialCatalogue {
protected:
    void SetUp() override
    {
        MaterialCatalogue::SetUp();
        CatalogueStrings();
        for (int n : {0, 1, 3}) Picture<TTGAImage>("textures/hq/loadscr/" + std::to_string(n) + ".tga", 2);
        for (int k = 0; k <= 9; ++k) {
            Picture<TTGAImage>("textures/hq/0/tex_" + std::to_string(k) + ".tga", 2);
            Picture<TTGAImage>("textures/hq/1/tex_" + std::to_string(k) + ".tga", 2);
        }
        WriteLines("textures/hq/0/arid.txt", {"Stone halls", "-1"});
        WriteLines("textures/hq/1/arid.txt", {"Half a set"});
        WriteLines("textures/spritelist.txt", {"spr_table,2,10,15", "altar1"});
        Picture<TTGAImage>("textures/hq/spr_table.tga", 2);
        WriteLines("textures/uilist.txt", {"ui_bg", "ui_tooltip"});
        Picture<TTGAImage>("textures/hq/ui_bg.tga", 2);
        Picture<TTGAImage>("textures/hq/port_glow.tga", 4);
    }
};
