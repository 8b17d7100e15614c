// The item editor: one item file "\items\<id>.lot" at a time in the working record temploot, with its localised
// name override and description, the loot list, and a test command that gives the item to the player. Saving
// writes the files only: the game's items table keeps its records.
#pragma once

#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "UGH_editfields.h"
#include "UGH_tables.h"

#include <optional>
#include <string>

// The item being edited; it lives for the whole run.
extern loot temploot;

class TForm7 : public TForm {
public:
    explicit TForm7(TComponent* AOwner);

    // The item list: one line per item 0..1000, "<i>) <name>" or "<i>" for an item without a name.
    void FormShow(TObject* Sender);
    // A line chosen: its item's id into the record and the "Id" box, then Load.
    void ListBox1Click(TObject* Sender);
    // Load: item "Id" read into temploot (unchanged when the read fails), its override name (empty without an
    // override file), then every control from the record.
    void Button1Click(TObject* Sender);
    // Save: temploot to item "Id"'s file, then the override name (when both it and "Locale" are given).
    void Button2Click(TObject* Sender);
    // Give Player: the player owns one more of item "Id".
    void Button3Click(TObject* Sender);
    // The loot list "\items\lootlist.txt": load and save Memo1.
    void Button4Click(TObject* Sender);
    void Button5Click(TObject* Sender);
    // The description "\text\<locale>\desc\item_<Id>.txt": save and load Memo2.
    void Button6Click(TObject* Sender);
    void Button7Click(TObject* Sender);
    // The description gauge: the longest line's length, then "/20". Runs on each change of Memo2 (typed or loaded).
    void Memo2Change(TObject* Sender);
    // The controls into temploot in the order of the bindings; the first box that holds no number is marked and
    // ends the copy. Runs every 100 ms while the window is shown.
    void Timer1Timer(TObject* Sender);

    TListBox* ListBox1 = nullptr;
    TLabeledEdit* LabeledEdit1 = nullptr; // "Name"
    TLabeledEdit* LabeledEdit2 = nullptr; // "Locale" of the override name
    TLabeledEdit* LabeledEdit3 = nullptr; // "Override Name"
    TLabeledEdit* LabeledEdit4 = nullptr; // "Id"
    // "Strength", "Intelligence", "Speed", "Endurance", "Sword", "Magic", "Bow", "Armor", "Card"
    TLabeledEdit *LabeledEdit5 = nullptr, *LabeledEdit6 = nullptr, *LabeledEdit7 = nullptr,
                 *LabeledEdit8 = nullptr, *LabeledEdit9 = nullptr, *LabeledEdit10 = nullptr,
                 *LabeledEdit11 = nullptr, *LabeledEdit12 = nullptr, *LabeledEdit13 = nullptr;
    // The requirements: "s", "i", "s", "e", "s", "m", "b", "a", "has item", "has perk", "has race"
    TLabeledEdit *LabeledEdit14 = nullptr, *LabeledEdit15 = nullptr, *LabeledEdit16 = nullptr,
                 *LabeledEdit17 = nullptr, *LabeledEdit18 = nullptr, *LabeledEdit19 = nullptr,
                 *LabeledEdit20 = nullptr, *LabeledEdit21 = nullptr, *LabeledEdit22 = nullptr,
                 *LabeledEdit23 = nullptr, *LabeledEdit24 = nullptr;
    TComboBox* ComboBox1 = nullptr; // "Type"
    TEdit* Edit1 = nullptr;         // "Armor" picture
    TEdit* Edit4 = nullptr;         // "Hat" picture
    TCheckBox* CheckBox1 = nullptr; // "Remove hair"
    TEdit *Edit2 = nullptr, *Edit3 = nullptr; // crafting partners
    TGroupBox *GroupBox1 = nullptr, *GroupBox2 = nullptr, *GroupBox3 = nullptr, *GroupBox4 = nullptr;
    TLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr;
    TMemo* Memo1 = nullptr;         // the loot list
    TComboBox* ComboBox2 = nullptr; // the description's locale
    TMemo* Memo2 = nullptr;         // the description
    TButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr, *Button5 = nullptr,
            *Button6 = nullptr, *Button7 = nullptr;
    TTimer* Timer1 = nullptr;

private:
    int32_t ItemId();
    // The override's language: none while "Locale" is empty.
    std::optional<std::string> OverrideLocale();
    std::string DescriptionFile();

    TFieldBindings<loot> FBindings;
};

extern TForm7* Form7;
