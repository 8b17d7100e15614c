// Runtime library: the program's modal dialogs behind replaceable hooks. The forms layer installs hooks that
// show real dialogs; until one is installed (tools, tests, start-up) the default writes the text to stderr and
// answers the caller's default, so nothing ever waits for a user who is not there.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgButtons { mbsOK, mbsYesNo, mbsYesCancel };
enum TModalResult { mrOk, mrYes, mrNo, mrCancel };

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

enum TFileDialogKind { fdOpen, fdSave };

// An open or save dialog. Filter is "description|patterns|description|patterns...", the patterns of one entry
// separated by ';' ("Map files (*.map)|*.map|All files (*.*)|*.*"); a chosen name without an extension gets
// DefaultExt (without its dot).
struct TFileDialogRequest {
    TFileDialogKind Kind = fdOpen;
    std::string Title;              // empty: the dialog's own title
    std::string Filter;
    std::string DefaultExt;
    std::string FileName;           // the initial name
};

struct TDialogFilterEntry {
    std::string Description;
    std::vector<std::string> Patterns;
};

// The entries of a dialog filter; an entry without patterns takes every file ("*").
std::vector<TDialogFilterEntry> ParseDialogFilter(const std::string& Filter);

// A font as the font dialog shows and answers it: the face name the program uses, Height in pixels as fonts
// keep it (negative: the height of the characters), the styles (1 bold, 2 italic, 4 underline, 8 strike-out)
// and the colour ($00BBGGRR).
struct TDialogFont {
    std::string Name;
    int32_t Height = -11;
    uint8_t Style = 0;
    int32_t Color = 0;

    bool operator==(const TDialogFont&) const = default;
};

using TMessageBoxHook = std::function<TModalResult(const TMessageBoxRequest&)>;
// Answers true with the chosen name on OK, false on cancel.
using TSavePictureDialogHook = std::function<bool(const TSavePictureRequest&, std::string& chosenName)>;
// Answers true with the chosen name on OK, false on cancel.
using TFileDialogHook = std::function<bool(const TFileDialogRequest&, std::string& chosenName)>;
// Shows the font and answers true with the chosen one on OK, false on cancel.
using TFontDialogHook = std::function<bool(const TDialogFont& font, TDialogFont& chosen)>;

// An empty hook restores the default.
void SetMessageBoxHook(TMessageBoxHook hook);
void SetSavePictureDialogHook(TSavePictureDialogHook hook);
void SetFileDialogHook(TFileDialogHook hook);
void SetFontDialogHook(TFontDialogHook hook);

TModalResult ShowMessageBox(const TMessageBoxRequest& request);
bool ShowSavePictureDialog(const TSavePictureRequest& request, std::string& chosenName);
// True with the chosen name (the default extension added) on OK; false, chosenName untouched, on cancel.
bool ShowFileDialog(const TFileDialogRequest& request, std::string& chosenName);
// True with the chosen font in font on OK; false, font untouched, on cancel.
bool ShowFontDialog(TDialogFont& font);
