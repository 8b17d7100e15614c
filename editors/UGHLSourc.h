// The light-source editor "LightSource Editor": the level's 20 light slots levellights, one slot at a time in its
// boxes, listed with their colour, place and group; it writes a slot in place and asks the game to choose its
// scene lights again. The slot is the integer in the "id" box; nothing else is kept.
#pragma once

#include "Forms.h"
#include "StdCtrls.h"

#include <cstdint>

class TForm17 : public TForm {
public:
    explicit TForm17(TComponent* AOwner);

    // AnalyzeLights.
    void FormShow(TObject* Sender);
    // One line per slot: "3) r0.5 g0.3 b1 / x=60 y=80 z=10 lg=2 *", the diffuse colour rounded to one decimal,
    // "*" for a shining slot.
    void AnalyzeLights();
    // The chosen line's slot into "id", then "read".
    void ListBox1Click(TObject* Sender);
    // "read": the boxes from slot "id" (0..19; another number is refused and marked).
    void Button1Click(TObject* Sender);
    // "wtite": every box is read first; only when all hold numbers (and "id" a slot) is slot "id" written, then
    // the list is made again. The first refused box is named in a message and nothing is written.
    void Button2Click(TObject* Sender);
    // "process": the game chooses its scene lights from the slots again.
    void Button3Click(TObject* Sender);
    // "act cell": the position boxes := the map editor's cursor cell, 10 units over its floor.
    void Button4Click(TObject* Sender);
    // "drop to fme": the free-mesh editor's "attach light" box := "id".
    void Button5Click(TObject* Sender);

    // The slot in "id"; refused (marked, EEditorInput naming the box and the range) outside 0..19.
    int32_t SlotOfId();

    TListBox* ListBox1 = nullptr;
    // Edit0 "id"; Edit1..3 ambient, 4..6 diffuse, 7..9 specular (x 255); Edit10..12 attenuations (x 10000);
    // Edit13..15 position; Edit16..18 spot direction; Edit19 cut-off; Edit20 exponent; Edit21 light group.
    TEdit *Edit0 = nullptr, *Edit1 = nullptr, *Edit2 = nullptr, *Edit3 = nullptr, *Edit4 = nullptr, *Edit5 = nullptr,
          *Edit6 = nullptr, *Edit7 = nullptr, *Edit8 = nullptr, *Edit9 = nullptr, *Edit10 = nullptr, *Edit11 = nullptr,
          *Edit12 = nullptr, *Edit13 = nullptr, *Edit14 = nullptr, *Edit15 = nullptr, *Edit16 = nullptr,
          *Edit17 = nullptr, *Edit18 = nullptr, *Edit19 = nullptr, *Edit20 = nullptr, *Edit21 = nullptr;
    // The type: item 0 "Omni", 1 "Spot".
    TComboBox* ComboBox1 = nullptr;
    // "visible", "persists", "external".
    TCheckBox *CheckBox1 = nullptr, *CheckBox2 = nullptr, *CheckBox3 = nullptr;
    // "read", "wtite", "process", "act cell", "drop to fme".
    TButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr, *Button5 = nullptr;
    TGroupBox* GroupBox1 = nullptr; // "position"
};

extern TForm17* Form17;

// The slot the map view marks: the integer in the "id" box while the window is visible; -1 otherwise, and for a
// box that holds no integer.
int32_t SelectedLightSlot();
