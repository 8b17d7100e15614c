// The monster list: which monster types random encounters on the current level may bring (mapmonsters), read from
// and saved to the level's "monsterlist.txt".
#pragma once

#include "Forms.h"
#include "StdCtrls.h"

#include <array>

class TForm13 : public TForm {
public:
    explicit TForm13(TComponent* AOwner);

    // The list anew: one line per monster 0..100 ("<i>) <name>", or "<i>" for a monster without a name), ticked
    // where mapmonsters allows it.
    void FillList();

    // Read: the level's list, then the lines anew.
    void Button1Click(TObject* Sender);
    // Save: the level's list from mapmonsters.
    void Button2Click(TObject* Sender);
    // sel all / clr all: every monster allowed / none, then the lines anew.
    void Button3Click(TObject* Sender);
    void Button4Click(TObject* Sender);
    // The line the user ticked or unticked sets its monster's flag; the others keep theirs.
    void CheckListBox1ClickCheck(TObject* Sender);

    // Empty until the first Read.
    TCheckListBox* CheckListBox1 = nullptr;
    TButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr;

private:
    // The ticks as last shown or taken, to tell the line the user changed.
    std::array<bool, 101> FShown{};
};

extern TForm13* Form13;
