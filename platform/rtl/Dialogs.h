// Runtime library: the program's modal dialogs behind replaceable hooks. The forms layer installs hooks that
// show real dialogs; until one is installed (tools, tests, start-up) the default writes the text to stderr and
// answers the caller's default, so nothing ever waits for a user who is not there.
#pragma once

#include <functional>
#include <string>

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgButtons { mbsOK, mbsYesNo };
enum TModalResult { mrOk, mrYes, mrNo };

struct TMessageBoxRequest {
    TMsgDlgType Kind = mtInformation;
    std::string Caption;
    std::string Text;
    TMsgDlgButtons Buttons = mbsOK;
    // The focused button, and the answer when no user interface exists.
    TModalResult Default = mrOk;
};

// A save dialog for picture files; read-only files are neither offered nor accepted as the answer.
struct TSavePictureRequest {
    std::string Title;              // empty: the dialog's own title
    std::string FileName;           // the initial name
};

using TMessageBoxHook = std::function<TModalResult(const TMessageBoxRequest&)>;
// Answers true with the chosen name on OK, false on cancel.
using TSavePictureDialogHook = std::function<bool(const TSavePictureRequest&, std::string& chosenName)>;

// An empty hook restores the default.
void SetMessageBoxHook(TMessageBoxHook hook);
void SetSavePictureDialogHook(TSavePictureDialogHook hook);

TModalResult ShowMessageBox(const TMessageBoxRequest& request);
bool ShowSavePictureDialog(const TSavePictureRequest& request, std::string& chosenName);
