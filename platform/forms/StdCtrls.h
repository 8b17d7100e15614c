// Standard controls: the multi-line edit box and the push button, each shown by its Qt widget.
#pragma once

#include "Controls.h"
#include "StringLists.h"

#include <memory>
#include <string>

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TMemoLines;

// A multi-line edit box. Its lines are Lines(): changing them changes the text shown, and what the user types
// comes back into them (a break typed last starts an empty line).
class TMemo : public TWinControl {
public:
    explicit TMemo(TComponent* AOwner);
    ~TMemo() override;

    TStrings* Lines() const;
    // The lines joined by CR LF, without a break after the last one.
    std::string Text() const;
    // Split at CR LF, LF or CR.
    void SetText(const std::string& Value);
    void Clear();

    // A read-only box still scrolls and selects, but takes no typing.
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    // Scroll bars shown always; long lines wrap unless there is a horizontal one.
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);

protected:
    void CreateWnd() override;

private:
    friend class TMemoLines;

    // The whole text into the box, or one line added at its end.
    void ShowLines();
    void ShowAddedLine(const std::string& Line);
    void ApplyStyle();

    std::unique_ptr<TMemoLines> FLines;
    TScrollStyle FScrollBars = ssNone;
    bool FReadOnly = false;
    // The box is being told the lines: its change signal is not the user's typing.
    bool FShowingLines = false;
};

// A push button: a click (mouse or space bar) runs OnClick.
class TButton : public TWinControl {
public:
    explicit TButton(TComponent* AOwner);

    // "&" marks the key letter.
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    // Runs OnClick as a click of the user does.
    void Click() override;

protected:
    void CreateWnd() override;

private:
    std::string FCaption;
};
