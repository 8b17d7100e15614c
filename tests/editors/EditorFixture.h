// The editors over the demo adventure, without a display. Each test gets:
// - `folder`: a temporary copy of the demo data the build writes beside the programs (every file but the
//   programs and the sounds; of "textures" only the lists, no pictures), with `gamedir` pointing at it and the
//   language "en";
// - `main`: an unshown main window (Form1) with its seven scene lights, so that editor commands that build the
//   level, go to the start or generate a map run as in the game;
// - the start map "\levels\startmap.map" loaded into the tables;
// - `editor`: an unshown map editor window (Form2); its controls keep their values and run their handlers
//   without widgets, so a test drives it as a user would: SetText, SetChecked, Click, the view's mouse events.
// The tables, the map editor's state and the dialog hooks are reset around each test.
#pragma once

#include "UGHmapedit.h"
#include "UGH_data.h"
#include "UGH_main.h"
#include "UGH_tables.h"

#include "Dialogs.h"
#include "FileUtils.h"
#include "GLCoordinates.h"
#include "GLObjects.h"
#include "VAVodad.h"
#include "DemoDataCopy.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class EditorFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetGameTables();
        ResetEditorState();
        // Without the sounds, and of the pictures only their lists: the editors read neither.
        CopyDemoData(ProgramFolder(), folder.path, [this](const std::filesystem::directory_entry& entry,
                                                          const std::string& name) {
            if (name != "textures") return name == "sounds";
            std::filesystem::create_directories(folder.path / name);
            for (const std::filesystem::directory_entry& list : std::filesystem::directory_iterator(entry.path()))
                if (list.is_regular_file() && list.path().extension() == ".txt")
                    std::filesystem::copy_file(list.path(), folder.path / name / list.path().filename());
            return true;
        });
        gamedir = folder.path.string();
        lng = "en";
        main.reset(new TForm1(nullptr));
        for (TGLLightSource*& light : main->scenelights)
            light = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(main->dcgame);
        Form1 = main.get();
        LoadMap(GamePath("\\levels\\startmap.map"));
        editor.reset(new TForm2(nullptr));
        Form2 = editor.get();
        main->MapEditorForm = editor.get();
        SetMessageBoxHook([this](const TMessageBoxRequest& request) {
            messages.push_back(request.Text);
            return request.Default;
        });
    }
    void TearDown() override
    {
        SetMessageBoxHook(nullptr);
        SetFileDialogHook(nullptr);
        Form2 = nullptr;
        editor.reset();
        Form1 = nullptr;
        main.reset();
        ResetEditorState();
        ResetGameTables();
        gamedir.clear();
    }

    static void ResetEditorState()
    {
        edtool = 0;
        edcurx = edcury = edselx = edsely = 0;
        edfsprite = 0;
        edscrollx = edscrolly = 0;
        edcellbuf = lcell{};
        edlgroup = edvarea1 = edvarea2 = 0;
        edldown = edmdown = false;
        edlastx = edlasty = 0;
        edmapbmp.reset();
    }

    // The message boxes shown during the test, by their text.
    std::vector<std::string> messages;
    TempFolder folder;
    std::unique_ptr<TForm1, TFreeDeleter> main;
    std::unique_ptr<TForm2, TFreeDeleter> editor;

};
