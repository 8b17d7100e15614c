// The text editor: the per-language texts (messages with a header, plain texts, journal pages), the scripts, and
// a listing of the localised string table. Which files "load" and "save" move is chosen by three check boxes.
#pragma once

#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

#include <cstdint>
#include <string>
#include <vector>

class TForm8 : public TForm {
public:
    explicit TForm8(TComponent* AOwner);

    // A file "load" and "save" move, relative to the data folder, with the memo it fills and the language its
    // text is read in when it is not UTF-8.
    struct TTextFile {
        TMemo* Memo;
        std::string Path;
        std::string Language;
    };
    // The files by the ticks: without "Plain text" the header then the text of message <id>; with it the script,
    // then the journal page (both when both are ticked: a load leaves the journal in the memo, a save writes the
    // memo into both), or else the plain text <id>. Raises EEditorInput when the id or the language box holds
    // no plain name.
    std::vector<TTextFile> TextFiles();

    // The smallest n >= 0 with no journal page "\text\<language>\journal\jrn_<n>.txt".
    int32_t getfreejrn();
    // Shows journal page id: "Plain text" and "Journal" ticked, "Script" unticked, the id box set, the window
    // shown, then "load".
    void OpenJournal(const std::string& id);

    // save: every file of TextFiles from its memo, in order.
    void Button1Click(TObject* Sender);
    // load: every file read first; the memos change only when all are read.
    void Button2Click(TObject* Sender);
    // show strarr: Memo2 gets "<i>) <string>" for every entry of the string table.
    void Button3Click(TObject* Sender);
    // freejrn: the id box := getfreejrn.
    void Button4Click(TObject* Sender);
    // Memo2 takes the height of the window but 96 pixels.
    void FormResize(TObject* Sender);
    // With "Plain text" ticked the header is disabled and "Script" and "Journal" enabled; otherwise the opposite.
    void Timer1Timer(TObject* Sender);

    TLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr;
    TEdit* Edit1 = nullptr; // the text id
    TEdit* Edit2 = nullptr; // the language folder
    TMemo* Memo1 = nullptr; // header
    TMemo* Memo2 = nullptr; // text
    TCheckBox* CheckBox1 = nullptr; // "Plain text"
    TCheckBox* CheckBox2 = nullptr; // "Script"
    TCheckBox* CheckBox3 = nullptr; // "Journal"
    TButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr;
    TTimer* Timer1 = nullptr;
};

extern TForm8* Form8;
