#include "UGH_program.h"

#include "UFreeMeshEd.h"
#include "UGHBattlelog.h"
#include "UGHDebug.h"
#include "UGHItemedit.h"
#include "UGHLSourc.h"
#include "UGHMinimap.h"
#include "UGHMonsterlist.h"
#include "UGHPerkEdit.h"
#include "UGHSettings.h"
#include "UGHSplash.h"
#include "UGHcardedit.h"
#include "UGHcharedit.h"
#include "UGHmapedit.h"
#include "UGHtextedit.h"
#include "UGH_data.h"
#include "UGH_main.h"
#include "Utalismanedit.h"

#include "Dialogs.h"
#include "FileUtils.h"
#include "Forms.h"
#include "SysUtils.h"

#include <exception>

namespace {

void ShowStartUpError(const std::string& reason)
{
    TMessageBoxRequest request;
    request.Kind = mtError;
    request.Caption = "Mirefall";
    request.Text = Format("The game could not start at stage %d (%s): %s", {loadstage, loadstatus, reason});
    ShowMessageBox(request);
}

} // namespace

TGameWindows StartGame(const std::string& dataFolder)
{
    gamedir = dataFolder.empty() ? ProgramFolder() : dataFolder;
    Application->SetTitle("Mirefall");
    TGameWindows windows;
    Application->CreateForm(Form10);
    windows.Splash = Form10;
    Application->CreateForm(Form11);
    windows.PerkEditor = Form11;
    Application->CreateForm(Form12);
    windows.MapPicture = Form12;
    Application->CreateForm(Form13);
    windows.MonsterList = Form13;
    Application->CreateForm(Form14);
    windows.DebugConsole = Form14;
    Application->CreateForm(Form16);
    windows.FreeMeshEditor = Form16;
    Application->CreateForm(Form17);
    windows.LightEditor = Form17;
    Form10->Show();
    Application->CreateForm(Form1);
    windows.Main = Form1;
    try {
        Form1->FormCreate(Form1);
    } catch (const Exception& e) {
        ShowStartUpError(e.Message());
        return windows;
    } catch (const std::exception& e) {
        ShowStartUpError(e.what());
        return windows;
    }
    Form1->Show();
    Application->CreateForm(Form2);
    windows.MapEditor = Form2;
    Form1->MapEditorForm = Form2;
    // The random map generator tells what it does in the map editor's caption, which it gives back after.
    Form1->RandomMapProgress = [](const std::string& text) {
        if (Form1 && Form1->MapEditorForm) Form1->MapEditorForm->SetCaption(text.empty() ? "MapEd" : text);
    };
    Application->CreateForm(Form3);
    windows.CardEditor = Form3;
    Application->CreateForm(Form4);
    windows.CharacterEditor = Form4;
    Application->CreateForm(Form5);
    windows.Settings = Form5;
    Application->CreateForm(Form6);
    windows.VariableEditor = Form6;
    Application->CreateForm(Form7);
    windows.ItemEditor = Form7;
    Application->CreateForm(Form8);
    windows.TextEditor = Form8;
    Application->CreateForm(Form9);
    windows.BattleLog = Form9;
    windows.Started = true;
    return windows;
}

void FreeGameWindows(TGameWindows& windows)
{
    FreeAndNil(windows.BattleLog);
    FreeAndNil(windows.TextEditor);
    FreeAndNil(windows.ItemEditor);
    FreeAndNil(windows.VariableEditor);
    FreeAndNil(windows.Settings);
    FreeAndNil(windows.CharacterEditor);
    FreeAndNil(windows.CardEditor);
    if (windows.Main) windows.Main->MapEditorForm = nullptr;
    FreeAndNil(windows.MapEditor);
    FreeAndNil(windows.Main);
    FreeAndNil(windows.LightEditor);
    FreeAndNil(windows.FreeMeshEditor);
    FreeAndNil(windows.DebugConsole);
    FreeAndNil(windows.MonsterList);
    FreeAndNil(windows.MapPicture);
    FreeAndNil(windows.PerkEditor);
    FreeAndNil(windows.Splash);
    Form9 = nullptr;
    Form8 = nullptr;
    Form7 = nullptr;
    Form6 = nullptr;
    Form5 = nullptr;
    Form4 = nullptr;
    Form3 = nullptr;
    Form2 = nullptr;
    Form1 = nullptr;
    Form17 = nullptr;
    Form16 = nullptr;
    Form14 = nullptr;
    Form13 = nullptr;
    Form12 = nullptr;
    Form11 = nullptr;
    Form10 = nullptr;
    windows.Started = false;
}
