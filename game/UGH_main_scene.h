// The main window's scene as one table: every component and scene object the window is built with, in the
// order they are made. A scene object's place among its parent's children is its draw order, so the rows of one
// parent stand in the order they draw.
#pragma once

#include <span>

class TComponent;
class TForm1;

// Makes the row's object, of the row's class, under its parent (a scene object, or the window for a
// component), keeps it in the window's field and answers it.
using TSceneMake = TComponent* (*)(TForm1& form, TComponent* parent);
// The rest of an object's initial state, for the rows that need more than the columns give.
using TSceneSetup = void (*)(TForm1& form, TComponent* object);

// An object's initial state.
struct TSceneState {
    bool Visible = true;     // scene objects
    float X = 0, Y = 0;      // HUD objects: the position in pixels from the view's top-left corner
    float Width = 0;         // sprites and planes: pixels on the HUD, world units in the scene; 0 keeps the class's
    float Height = 0;
    int Font = 0;            // HUD texts: GLWindowsBitmapFont1 .. 4
    bool MatLib = false;     // the object's material is one of matlib's
    TSceneSetup Setup = nullptr;
};

struct TSceneRow {
    const char* Name;
    // The name of a row above; empty: the scene's root for a scene object, the window for a component.
    const char* Parent;
    TSceneMake Make;
    TSceneState State = {};
};

std::span<const TSceneRow> SceneTable();
