// The program's windows and start-up, shared by the program and the end-to-end tests: the windows are made in
// their fixed order on the running application, the game starts behind the splash, and the windows are freed
// again before the engine shuts down.
#pragma once

#include <string>

class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm7;
class TForm8;
class TForm9;
class TForm10;
class TForm11;
class TForm12;
class TForm13;
class TForm14;
class TForm16;
class TForm17;

struct TGameWindows {
    TForm10* Splash = nullptr;
    TForm12* MapPicture = nullptr;
    TForm11* PerkEditor = nullptr;
    TForm13* MonsterList = nullptr;
    TForm14* DebugConsole = nullptr;
    TForm16* FreeMeshEditor = nullptr;
    TForm17* LightEditor = nullptr;
    TForm1* Main = nullptr;
    TForm2* MapEditor = nullptr;
    TForm3* CardEditor = nullptr;
    TForm4* CharacterEditor = nullptr;
    TForm5* Settings = nullptr;
    TForm6* VariableEditor = nullptr;
    TForm7* ItemEditor = nullptr;
    TForm8* TextEditor = nullptr;
    TForm9* BattleLog = nullptr;
    // The start-up ran to its end and the frame clock runs.
    bool Started = false;
};

// Sets gamedir to dataFolder (the program's folder when empty) and the application's title, then makes the splash
// window (the application's main window), the map window and the free-mesh and light-source editors (hidden) and
// shows the splash, makes the main window, runs its start-up and shows it, and makes the map editor (hidden: the
// main window shows it), the settings window and the battle-log window. A start-up that fails shows one error box
// naming its stage and the failure, and makes no more windows: the result is not Started. The windows belong to the
// application; the global form pointers are set.
TGameWindows StartGame(const std::string& dataFolder = {});

// Frees the windows StartGame made, the last made first, and clears them and their global pointers.
void FreeGameWindows(TGameWindows& windows);
