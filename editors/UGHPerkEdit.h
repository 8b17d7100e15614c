// The perk editor: one perk file "\perks\p_<id>.prk" at a time in the working record editperk, its bonuses or its
// requirements in the same eight boxes by the mode. Saving also puts the perk into the game's perks table.
#pragma once

#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "UGH_editfields.h"
#include "UGH_tables.h"

#include <cstdint>

// The perk being edited, and what the eight boxes show: 1 the bonuses, 2 the requirements (1 on every showing).
extern perk editperk;
extern int32_t perkeditmode;

class TForm11 : public TForm {
public:
    explicit TForm11(TComponent* AOwner);

    // Mode 1 shown, the coded-effect list filled ("<i>) <name>" for 0..100) with its first item chosen, then
    // FillList.
    void FormShow(TObject* Sender);
    // The perk list: one line per perk 0..100, its name when the perk is enabled, else "--none--".
    void FillList();
    // The name, the coded effect and the mode's boxes from editperk.
    void ShowPerkData();

    // save: perks[id] := editperk, enabled, then the perk's file from it; then ShowPerkData and FillList. A failed
    // write names the file and leaves perks[id] as it was.
    void Button1Click(TObject* Sender);
    // load: perk id read into editperk (unchanged when the read fails), then ShowPerkData.
    void Button2Click(TObject* Sender);
    // SET BONUSES / SET REQUIREMENTS: the mode, shown at once, then ShowPerkData.
    void Button3Click(TObject* Sender);
    void Button4Click(TObject* Sender);
    // add override: the name box as the only line of "\text\<locale>\overrides\perks\<id>.txt".
    void Button5Click(TObject* Sender);
    // A line chosen: its number into the id box, then load.
    void ListBox1Click(TObject* Sender);
    // The mode shown (its button bold, the other italic; "card" in mode 1, "perk" and "species" with their note
    // in mode 2), then the name, the coded effect and the mode's boxes into editperk; the first box that holds no
    // number is marked and ends the copy. Runs every 1000 ms while the window is shown.
    void Timer1Timer(TObject* Sender);

    TListBox* ListBox1 = nullptr;
    TLabeledEdit* Edit1 = nullptr;  // "id"
    TLabeledEdit* Edit2 = nullptr;  // "name"
    TLabel* Label1 = nullptr;       // "hardcoded effect"
    TComboBox* ComboBox1 = nullptr; // the coded effect
    TLabeledEdit* Edit3 = nullptr;  // the override's locale
    // "str", "agi", "int", "en", "sw", "bw", "mag", "arm": the bonuses in mode 1, the requirements in mode 2
    TLabeledEdit *Edit4 = nullptr, *Edit5 = nullptr, *Edit6 = nullptr, *Edit7 = nullptr, *Edit8 = nullptr,
                 *Edit9 = nullptr, *Edit10 = nullptr, *Edit11 = nullptr;
    TLabeledEdit* Edit14 = nullptr; // "card", mode 1
    TLabeledEdit* Edit12 = nullptr; // "perk", mode 2
    TLabeledEdit* Edit13 = nullptr; // "species", mode 2
    TLabel* Label2 = nullptr;       // the species note, mode 2
    TButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr, *Button5 = nullptr;
    TTimer* Timer1 = nullptr;

private:
    int32_t PerkId();
    // The mode's button bold, the other italic; "card" in mode 1, "perk" and "species" with their note in mode 2
    // (the two modes' boxes share a place).
    void ShowMode();
    const TFieldBindings<perk>& ModeBindings() const;

    TFieldBindings<perk> FBonuses, FRequirements;
};

extern TForm11* Form11;
