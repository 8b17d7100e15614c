// The free-mesh editor "Freemesh Editor": the level's 201 free meshes as the map stores them (mapfreemeshes), one
// slot at a time in its boxes. "set" writes the slot, copies it into the running game's working copy and rebuilds
// its scene object. A preview scene of its own shows a mesh with a chosen material of the game's library; its
// viewer renders only while the window is shown.
#pragma once

#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

#include <cstdint>

class TGLCamera;
class TGLFreeForm;
class TGLLightSource;
class TGLPlane;
class TVAVodad;
class TVAVodadViewer;

class TForm16 : public TForm {
public:
    explicit TForm16(TComponent* AOwner);

    // Shows the preview and starts its label's timer; fills the slot list "0".."200", the texture list with the
    // sprite names and the mesh list from the meshes folder; ShowFM(0).
    void FormShow(TObject* Sender);
    // Hides the preview and stops the timer.
    void FormHide(TObject* Sender);

    // Selects slot i and fills the boxes from mapfreemeshes[i]; a slot outside 0..200 shows nothing. "attach to
    // prev" is enabled only where there is a previous slot.
    void ShowFM(int32_t i);
    // The slot chosen in the list: "aa" unticked, then ShowFM.
    void ComboBox1Change(TObject* Sender);
    // The slot of the list; refused (EEditorInput) when none is chosen.
    int32_t Slot() const;

    // "set": every box is read first; only when all hold numbers and the mesh is a plain name is the slot written
    // (rx, ry, rz and rta, rra, rpa with the home values, texture2 "0"), copied whole into freemeshes and rebuilt
    // in the running level. The first refused box is named in a message and nothing is written.
    void Button1Click(TObject* Sender);
    // "acc": the position := the map editor's cursor cell, 10 units over its floor.
    void Button2Click(TObject* Sender);
    // "create": writes "meshes\<mesh>.red" holding the "redirect" box (the material the game then gives the mesh).
    void Button3Click(TObject* Sender);
    // "preview": loads "meshes\<mesh>.obj" (else ".3ds") into the preview with the game's materials, the
    // texture box's material (or "tex_fs_<mesh>" for "0") and the rotation boxes' angles.
    void Button4Click(TObject* Sender);
    // "-" and "+": the preview camera 5 units toward -x or +x.
    void Button5Click(TObject* Sender);
    void Button6Click(TObject* Sender);
    // "attach to prev": position, rotation and scale boxes from the working copy of the previous slot.
    void Button7Click(TObject* Sender);
    // "ui" and "sl": the texture list's items := the lines of "\textures\uilist.txt" or "\textures\spritelist.txt".
    void Button8Click(TObject* Sender);
    void Button9Click(TObject* Sender);
    // "do": the light-source editor shows slot "attach light" (0..19), takes this editor's position, writes the
    // slot and chooses the scene lights again.
    void Button10Click(TObject* Sender);
    // "100": the scale boxes := "100".
    void Button11Click(TObject* Sender);
    // "afmc": the behaviour's min and max boxes := the position boxes.
    void Button12Click(TObject* Sender);
    // "clone": the slot := the whole slot of box Edit25 (0..200), then shown.
    void Button13Click(TObject* Sender);
    // The rotation boxes and track bars TrackBar4..6 stay equal (SynchTBED); with "aa" ticked each change the
    // user makes runs "set" too.
    void SynchTBED(TObject* Sender);
    // The preview's turn, roll and pitch := the rotation boxes + TrackBar1..3.
    void TrackBar1Change(TObject* Sender);
    // "dir x=..; y=..; z=..; up x=..; y=..; z=.." of the preview.
    void Timer1Timer(TObject* Sender);

    TComboBox* ComboBox1 = nullptr; // slot list
    TCheckBox* CheckBox1 = nullptr; // "enabled"
    // Position Edit1..3, rotation Edit4..6, scale Edit9..11, texture2 Edit13 (hidden), "attach light" Edit14,
    // fire offset Edit15..17, minmax Edit18..23, speed Edit24, clone source Edit25, trajectory end script Edit26,
    // "redirect" Edit8.
    TEdit *Edit1 = nullptr, *Edit2 = nullptr, *Edit3 = nullptr, *Edit4 = nullptr, *Edit5 = nullptr, *Edit6 = nullptr,
          *Edit8 = nullptr, *Edit9 = nullptr, *Edit10 = nullptr, *Edit11 = nullptr, *Edit13 = nullptr,
          *Edit14 = nullptr, *Edit15 = nullptr, *Edit16 = nullptr, *Edit17 = nullptr, *Edit18 = nullptr,
          *Edit19 = nullptr, *Edit20 = nullptr, *Edit21 = nullptr, *Edit22 = nullptr, *Edit23 = nullptr,
          *Edit24 = nullptr, *Edit25 = nullptr, *Edit26 = nullptr;
    TComboBox* Edit7 = nullptr;  // mesh names
    TComboBox* edit12 = nullptr; // texture names
    TCheckBox* CheckBox2 = nullptr; // "on fire"
    TComboBox* ComboBox2 = nullptr; // behaviour "0 - none", "1 - move", "2 - rotate"
    TCheckBox *CheckBox3 = nullptr, *CheckBox4 = nullptr, *CheckBox5 = nullptr; // "loop", "aa", "sh caster"
    TButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr, *Button5 = nullptr,
            *Button6 = nullptr, *Button7 = nullptr, *Button8 = nullptr, *Button9 = nullptr, *Button10 = nullptr,
            *Button11 = nullptr, *Button12 = nullptr, *Button13 = nullptr;
    // "-10" and "+10" beside x, y and z, and "0" beside z.
    TButton *MinusX = nullptr, *PlusX = nullptr, *MinusY = nullptr, *PlusY = nullptr, *MinusZ = nullptr,
            *PlusZ = nullptr, *ZeroZ = nullptr;
    TTrackBar *TrackBar1 = nullptr, *TrackBar2 = nullptr, *TrackBar3 = nullptr, *TrackBar4 = nullptr,
              *TrackBar5 = nullptr, *TrackBar6 = nullptr;
    TLabel* Label1 = nullptr; // the preview's direction
    TTimer* Timer1 = nullptr;

    // The preview scene.
    TVAVodad* VAVodad1 = nullptr;
    TGLCamera* GLCamera1 = nullptr;
    TGLFreeForm* preview = nullptr;
    TGLLightSource* GLLightSource1 = nullptr;
    TGLPlane* GLPlane1 = nullptr;
    TVAVodadViewer* VAVodadViewer1 = nullptr;

private:
    // A rotation box or track bar being set by its partner, which must not set it back.
    bool FSyncing = false;
    // ShowFM is filling the boxes: their changes are no changes of the user's for "aa".
    bool FShowingSlot = false;
};

extern TForm16* Form16;

// The slot the map view marks: the item chosen in the editor's slot list; -1 without one.
int32_t SelectedFreeMesh();
