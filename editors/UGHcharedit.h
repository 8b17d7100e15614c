// The character editor "Character Editor": one monster type "\monsters\<id>.mon" (or the running game's player)
// at a time in the working record tempchar, with its localised name override and description; the level's
// wanderer slots one at a time in tempwanderer; and test commands for the running game (a fight with the monster,
// a perk point, a level-up). Saving writes the files only: the game's monsters table keeps its records.
#pragma once

#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "UGH_editfields.h"
#include "UGH_tables.h"

#include <cstdint>
#include <string>

class TGLCamera;
class TGLLightSource;
class TGLPlane;
class TVAVodad;
class TVAVodadViewer;

// The character and the wanderer slot being edited; they live for the whole run.
extern character tempchar;
extern wanderer tempwanderer;

class TForm4 : public TForm {
public:
    explicit TForm4(TComponent* AOwner);

    // The monster list (one line per monster 0..100, "<i>) <name>" or "<i>" for one without a name), the wanderer
    // slots "0".."200" and the preview's viewer.
    void FormShow(TObject* Sender);
    void FormHide(TObject* Sender);
    // A line chosen: its monster's number into "id", then "load".
    void ListBox1Click(TObject* Sender);
    // Every control from tempchar and tempwanderer (the check lists rebuilt and ticked from the flags), then the
    // override name of monster "id" in locale "override" (empty when it has none).
    void DisplayTempcharData();

    // load: monster "id" read into tempchar (unchanged when the read fails), shown, and its picture "mon_<id>" on
    // the preview.
    void Button1Click(TObject* Sender);
    // save: tempchar to monster "id"'s file, then the override name (when both it and its locale are given).
    void Button2Click(TObject* Sender);
    // fight: monster "id" queued for the running game's next battle.
    void Button3Click(TObject* Sender);
    // read player: tempchar := player with the attribute and skill fields holding the player's base values.
    void Button4Click(TObject* Sender);
    // apply to player: player := tempchar with the base values taken from the attribute and skill fields.
    void Button5Click(TObject* Sender);
    // add perk pnt: one more perk point.
    void Button6Click(TObject* Sender);
    // "...": a journal of "-1" or "0" becomes the first free journal number; then the text editor opens that
    // journal page.
    void Button7Click(TObject* Sender);
    // The wanderer slot: load (also on every choice of a slot, silently), save, "acc" (position := the map
    // editor's cursor cell), ">>>" (monster := "id").
    void Button8Click(TObject* Sender);
    void Button9Click(TObject* Sender);
    void Button10Click(TObject* Sender);
    void Button11Click(TObject* Sender);
    // The description "\text\<locale>\desc\monster_<id>.txt": load and save Memo2.
    void Button12Click(TObject* Sender);
    void Button13Click(TObject* Sender);
    // "^": the player gets one point more than the experience still missing for the next level.
    void Button14Click(TObject* Sender);
    // The description gauge: the longest line's length, then "/35".
    void Memo2Change(TObject* Sender);
    // Every 200 ms while shown, two blocks, each ending at its first box that holds no number (which is marked):
    // the character's boxes, its spellbook and perk ticks, then "species"; the wanderer's boxes.
    void Timer1Timer(TObject* Sender);

    TListBox* ListBox1 = nullptr;
    TEdit* Edit1 = nullptr; // "id"
    TLabeledEdit* LabeledEdit1 = nullptr; // "name"
    // "strength", "intelligence", "speed", "endurance", "sword", "bow", "magic", "armor", "level", "species"
    TLabeledEdit *LabeledEdit2 = nullptr, *LabeledEdit3 = nullptr, *LabeledEdit4 = nullptr,
                 *LabeledEdit5 = nullptr, *LabeledEdit6 = nullptr, *LabeledEdit7 = nullptr,
                 *LabeledEdit8 = nullptr, *LabeledEdit9 = nullptr, *LabeledEdit10 = nullptr,
                 *LabeledEdit11 = nullptr;
    TCheckBox* CheckBox1 = nullptr;  // "boss"
    TComboBox* ComboBox1 = nullptr;  // "sex"
    TComboBox* ComboBox5 = nullptr;  // "element"
    TCheckListBox* CheckListBox1 = nullptr; // spellbook, cards 0..1000
    TCheckListBox* CheckListBox2 = nullptr; // perks 0..100
    TEdit *Edit4 = nullptr, *Edit5 = nullptr, *Edit6 = nullptr; // "loot", "chance", "journal"
    TEdit *Edit10 = nullptr, *Edit11 = nullptr, *Edit12 = nullptr; // wanderer attributes "w", "h", "z shift"
    TEdit *Edit2 = nullptr, *Edit3 = nullptr; // override locale and name
    // The wanderer group: slot, "monster", "behaviour", "position" x and y, "enabled", "script name".
    TComboBox* ComboBox2 = nullptr;
    TEdit* Edit7 = nullptr;
    TComboBox* ComboBox3 = nullptr;
    TEdit *Edit8 = nullptr, *Edit9 = nullptr;
    TCheckBox* CheckBox2 = nullptr;
    TEdit* Edit13 = nullptr;
    // The description group.
    TComboBox* ComboBox4 = nullptr;
    TMemo* Memo2 = nullptr;
    TLabel* Label17 = nullptr;
    TGroupBox *GroupBox1 = nullptr, *GroupBox2 = nullptr, *GroupBox3 = nullptr, *GroupBox4 = nullptr;
    TButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr, *Button5 = nullptr,
            *Button6 = nullptr, *Button7 = nullptr, *Button8 = nullptr, *Button9 = nullptr, *Button10 = nullptr,
            *Button11 = nullptr, *Button12 = nullptr, *Button13 = nullptr, *Button14 = nullptr;
    TTimer* Timer1 = nullptr;

    // The preview scene: the monster's picture on a plane.
    TVAVodad* VAVodad1 = nullptr;
    TGLCamera* GLCamera1 = nullptr;
    TGLPlane* GLPlane1 = nullptr;
    TGLLightSource* GLLightSource1 = nullptr;
    TVAVodadViewer* VAVodadViewer1 = nullptr;

private:
    int32_t MonsterId();
    int32_t WandererSlot() const;
    std::string DescriptionFile();

    TFieldBindings<character> FCharacterBoxes;
    TFieldBindings<wanderer> FWandererBoxes;
};

extern TForm4* Form4;
