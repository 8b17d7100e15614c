// The debug console: switches the frame's blocks, sets the level and the player's experience threshold, edits the
// body-part placement files, the sprite list and the random map's object names, drives the global scripts, sets
// the map editor's refresh interval and watches the script contexts and the player light. Every control acts at
// once on the game; its constructor touches nothing of the game, so it may be made before the main window.
#pragma once

#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

#include <string>

class TForm14 : public TForm {
public:
    explicit TForm14(TComponent* AOwner);

    // The controls from the game: frame blocks, level steps and number, the script list, the map editor's interval.
    void FormShow(TObject* Sender);
    // Refills ListBox2 with the id of every global script, in order.
    void buildgslist();
    // The watch labels: the script-context count and the player light.
    void Timer1Timer(TObject* Sender);

    // The file of the body part chosen by sex, part and id: "\bodypartdata\<sex>\<prefix><id>.txt".
    std::string BodyPartFile() const;

    // "cadencer 1 control blocks": CheckBox[k] is cadblocks[k].
    TGroupBox* GroupBox1 = nullptr;
    TCheckBox *CheckBox1 = nullptr, *CheckBox2 = nullptr, *CheckBox3 = nullptr, *CheckBox4 = nullptr,
              *CheckBox5 = nullptr, *CheckBox6 = nullptr, *CheckBox7 = nullptr, *CheckBox8 = nullptr;
    // "gamestate"
    TGroupBox* GroupBox2 = nullptr;
    TLabeledEdit* LabeledEdit1 = nullptr; // "level steps"
    TLabeledEdit* LabeledEdit2 = nullptr; // "level no"
    TButton* Button1 = nullptr;           // "set"
    // "bodypartdata config"
    TGroupBox* GroupBox3 = nullptr;
    TComboBox* ComboBox1 = nullptr; // sex
    TComboBox* ComboBox2 = nullptr; // part
    TEdit* Edit3 = nullptr;         // id
    TEdit *Edit1 = nullptr, *Edit2 = nullptr, *Edit4 = nullptr, *Edit5 = nullptr; // w, h, x, y
    TCheckBox* CheckBox9 = nullptr;  // "haseb"
    TCheckBox* CheckBox10 = nullptr; // "hasbrd"
    TButton *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr, *Button5 = nullptr; // read, set, set all, cc
    // "spritelist"
    TGroupBox* GroupBox4 = nullptr;
    TListBox* ListBox1 = nullptr;
    TEdit *Edit6 = nullptr, *Edit7 = nullptr, *Edit8 = nullptr, *Edit9 = nullptr; // name, purpose, size, size2
    TButton *Button6 = nullptr, *Button7 = nullptr, *Button8 = nullptr;           // load, save, add
    // "global scripts"
    TGroupBox* GroupBox5 = nullptr;
    TListBox* ListBox2 = nullptr;
    TMemo* Memo1 = nullptr;
    TCheckBox* CheckBox11 = nullptr; // the chosen script's active flag, shown only
    TEdit* Edit10 = nullptr;         // the name "add" loads
    TButton *stop = nullptr, *add = nullptr, *Button9 = nullptr, *Button10 = nullptr; // stop/run, add, remove, refr.
    // "script array control", "playerlight"
    TGroupBox *GroupBox6 = nullptr, *GroupBox7 = nullptr;
    TLabel *Label12 = nullptr, *Label13 = nullptr;
    // "editor refresh rate"
    TGroupBox* GroupBox8 = nullptr;
    TEdit* Edit11 = nullptr;
    TButton* Button11 = nullptr;
    // "random map gen stand. obj.": item k is rndons[k]
    TGroupBox* GroupBox9 = nullptr;
    TComboBox* ComboBox3 = nullptr;
    TEdit* Edit12 = nullptr;
    TButton *Button12 = nullptr, *Button13 = nullptr; // set, to default
    // "texlist"
    TGroupBox* GroupBox10 = nullptr;
    TMemo* Memo2 = nullptr;
    TButton* Button14 = nullptr; // "showtexlist"
    // "levelup"
    TGroupBox* GroupBox11 = nullptr;
    TEdit* Edit13 = nullptr;                          // xpreq
    TButton *Button15 = nullptr, *Button16 = nullptr; // get, set

    TTimer* Timer1 = nullptr; // the watch, only while shown

private:
    void Button1Click(TObject* Sender);
    void Button2Click(TObject* Sender);
    void Button3Click(TObject* Sender);
    void Button4Click(TObject* Sender);
    void Button5Click(TObject* Sender);
    void Button6Click(TObject* Sender);
    void Button7Click(TObject* Sender);
    void Button8Click(TObject* Sender);
    void Button9Click(TObject* Sender);
    void Button11Click(TObject* Sender);
    void Button12Click(TObject* Sender);
    void Button13Click(TObject* Sender);
    void Button14Click(TObject* Sender);
    void Button15Click(TObject* Sender);
    void Button16Click(TObject* Sender);
    void addClick(TObject* Sender);
    void stopClick(TObject* Sender);
    void ListBox1Click(TObject* Sender);
    void ListBox2Click(TObject* Sender);
    void ComboBox3Change(TObject* Sender);

    // The body part's boxes checked as its reader reads them, then written as the chosen file.
    void WriteBodyPart();
    // The global script whose name is chosen in ListBox2, or -1 when none is (a removed one before "refr.").
    int32_t ChosenScript() const;
};

extern TForm14* Form14;
