// The card editor: one card file "\cards\<id>.crd" at a time in the working card cardwork, with its script, its
// localised name override, and the three card pictures the game shows for it, drawn in the editor's language.
#pragma once

#include "ExtCtrls.h"
#include "FontDialog.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "UGH_editfields.h"
#include "UGH_tables.h"

#include <cstdint>
#include <string>

// The card being edited; every control reads from or writes to it.
extern card cardwork;
// The language of the card's name override and of the pictures' folder and labels: the game's language when the
// window is made, then what "ok" chose.
extern std::string cardeditlng;
// The string table of cardeditlng, numbered as strarr: empty until "ok", so the pictures' labels print empty.
extern TBoundedTable<std::string, 0, 10000> cardeditstrs;
// The fonts of the title and of the text lines: the font dialogs' fonts.
extern TFont* cardtitlefont;
extern TFont* cardtextfont;

class TForm3 : public TForm {
public:
    explicit TForm3(TComponent* AOwner);

    // Draws the variants 2, 1 and 0 of crd, each shown in Image1 as it is drawn (the white one stays); with s
    // they are written to "\textures\cards\<cardeditlng>\<id>_<variant>.png" too. A missing background or icon
    // raises, naming the file.
    void MakeCard(const card& crd, int32_t id, bool s);

    // The fonts from the dialogs, the card list (card 0 on, to the first id without a file), the effect list
    // (entry k names effect type k, 0 "--none--") and "loc" from cardeditlng.
    void FormShow(TObject* Sender);
    // load: card Edit1 into cardwork and every control, its script into Memo1 (emptied without one).
    void Button1Click(TObject* Sender);
    // save: cardwork to card Edit1's file.
    void Button2Click(TObject* Sender);
    // Make card image / Save: MakeCard of cardwork and Edit1, without and with the files.
    void Button3Click(TObject* Sender);
    void Button4Click(TObject* Sender);
    // All: every card of the card list read anew into cardwork and written; the controls stay as they were.
    void Button5Click(TObject* Sender);
    // Refr.: the window hidden and shown again.
    void Button6Click(TObject* Sender);
    // title font / text font: the dialog's font, when confirmed, for the pictures.
    void Button7Click(TObject* Sender);
    void Button8Click(TObject* Sender);
    // ok: cardeditstrs from the strings of language Edit2, which becomes cardeditlng; a language without strings
    // changes neither.
    void Button9Click(TObject* Sender);
    // orr: the Name box as the card's name override in cardeditlng.
    void Button10Click(TObject* Sender);
    // save script: Memo1 as the card's script.
    void Button12Click(TObject* Sender);
    // The two check boxes write their field at once.
    void CheckBox1Click(TObject* Sender);
    void CheckBox2Click(TObject* Sender);
    // A card chosen: its id into Edit1, then load and Make card image; whatever fails is passed over.
    void ComboBox2Change(TObject* Sender);
    // The effect list and "add effect" follow each other.
    void ComboBox3Change(TObject* Sender);
    void LabeledEdit7Change(TObject* Sender);
    // The controls into cardwork in the timer's order; the first box without a whole number is marked and ends the
    // copy. Runs every second while the window is shown.
    void Timer1Timer(TObject* Sender);

    TComboBox* ComboBox2 = nullptr;  // the card list
    TEdit* Edit1 = nullptr;          // the card id
    TLabeledEdit* LabeledEdit9 = nullptr; // "Name"
    TLabeledEdit *LabeledEdit1 = nullptr, *LabeledEdit2 = nullptr; // "mc", "hpc"
    TEdit* Edit4 = nullptr;          // "dmg min"
    // "dmg max", "dmgperc", "addhp", "addmp", "add effect", "effect length"
    TLabeledEdit *LabeledEdit3 = nullptr, *LabeledEdit4 = nullptr, *LabeledEdit5 = nullptr,
                 *LabeledEdit6 = nullptr, *LabeledEdit7 = nullptr, *LabeledEdit8 = nullptr;
    TComboBox* ComboBox3 = nullptr;  // the effect names
    TLabeledEdit* LabeledEdit12 = nullptr; // "effect strgth"
    TCheckBox *CheckBox1 = nullptr, *CheckBox2 = nullptr, *CheckBox3 = nullptr; // "accum. effect", "monster only", "AOE"
    TComboBox* ComboBox4 = nullptr;  // "direction"
    TComboBox* ComboBox1 = nullptr;  // "governing skill"
    TLabeledEdit *LabeledEdit10 = nullptr, *LabeledEdit11 = nullptr; // "bonus vs", "bonus amount (%)"
    TEdit* Edit3 = nullptr;          // "consumes"
    TComboBox* ComboBox5 = nullptr;  // "element"
    TEdit* Edit5 = nullptr;          // "sound"
    TMemo* Memo1 = nullptr;          // the card's script
    TEdit* Edit2 = nullptr;          // "loc"
    TImage* Image1 = nullptr;        // the last variant drawn
    // "dmg min", "direction", "governing skill", "consumes", "element", "sound", "script", "loc"
    TLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr,
           *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr;
    // "load", "save", "Make card image", "Save", "All", "Refr.", "title font", "text font", "ok", "orr",
    // "get local name" (does nothing), "save script"
    TButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr, *Button5 = nullptr,
            *Button6 = nullptr, *Button7 = nullptr, *Button8 = nullptr, *Button9 = nullptr, *Button10 = nullptr,
            *Button11 = nullptr, *Button12 = nullptr;
    TFontDialog *FontDialog1 = nullptr, *FontDialog2 = nullptr;
    TTimer* Timer1 = nullptr;

private:
    // The card id of Edit1 (0..1000), or the box is marked and named.
    int32_t CardId();
    // load and Make card image, raising what fails.
    void LoadCardOfBox();
    void MakeCardOfBox(bool s);

    TFieldBindings<card> FBindings; // the timer's order
    TFieldBindings<card> FChecks;   // the two boxes that write at once
};

extern TForm3* Form3;
