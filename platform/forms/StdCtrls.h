// Standard controls: the multi-line edit box, the push button, the label, the one-line edit box, the check box,
// the radio button, the combo box, the list box, the check list box and the group box, each shown by its Qt widget. A control keeps its value in itself and has no
// widget until its form is shown, so an unshown form is a widget-free model of itself: code drives its controls
// and their events as a user would.
#pragma once

#include "Controls.h"
#include "Graphics.h"
#include "StringLists.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TMemoLines;
class TChoiceItems;
// What changed in a combo or list box's items.
enum class TItemChange : uint8_t;

// A multi-line edit box. Its lines are Lines(): changing them changes the text shown, and what the user types
// comes back into them (a break typed last starts an empty line). OnChange runs once for each real change of the
// lines, whether the user typed it or code made it (once for a whole update bracket); setting the lines it
// already holds runs nothing.
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

    TNotifyEvent OnChange;

protected:
    void CreateWnd() override;
    virtual void Change();

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
    // The caption's font, shown as it changes. A face and size left at the font's defaults stand for the
    // form's: the caption then keeps the look of the other controls and shows the font's style and colour.
    TFont* Font() { return &FFont; }
    // Runs OnClick as a click of the user does.
    void Click() override;

protected:
    void CreateWnd() override;

private:
    void ShowFont();

    std::string FCaption;
    TFont FFont;
};

// A text on the form; "&" marks no key letter here, it shows as it is. Setting the caption sizes the label's width
// to the text unless the label is aligned.
class TLabel : public TWinControl {
public:
    explicit TLabel(TComponent* AOwner);

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);

protected:
    void CreateWnd() override;

private:
    std::string FCaption;
};

// A one-line edit box. OnChange runs once for each real change of the text, whether the user typed it or code
// set it; setting the text it already holds runs nothing.
class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* AOwner);

    const std::string& Text() const { return FText; }
    void SetText(const std::string& Value);

    // Marks the text as refused: it shows in red with Hint (what the box accepts) as its tooltip, until the
    // text changes again. The program's one way to refuse typed input.
    void SetInvalid(const std::string& Hint);
    bool Invalid() const { return FInvalid; }
    // The hint of the refusal; "" while the text is not marked.
    const std::string& InvalidHint() const { return FInvalidHint; }

    TNotifyEvent OnChange;

protected:
    void CreateWnd() override;
    virtual void Change();

private:
    // Takes a new text (from code or the user): clears a refusal, then runs OnChange.
    void TakeText(const std::string& Value);
    void ShowValidity();

    std::string FText;
    std::string FInvalidHint;
    bool FInvalid = false;
};

// A caption beside a check mark the user clicks: the check box and the radio button.
class TButtonControl : public TWinControl {
public:
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    bool Checked() const { return FChecked; }
    virtual void SetChecked(bool Value) = 0;

protected:
    explicit TButtonControl(TComponent* AOwner) : TWinControl(AOwner) { SetBounds(0, 0, 97, 17); }
    // Makes the window with the button's widget in it, a radio button or a check box.
    void CreateButton(bool Radio);
    // The user's click left the button's mark as Checked.
    virtual void UserClicked(bool Checked) = 0;
    // Shows the check state (no echo: the button reports only the user's clicks).
    void ShowChecked();

    bool FChecked = false;

private:
    std::string FCaption;
};

// A check box. OnClick runs once for each real change of Checked, by the user's click or by code.
class TCheckBox : public TButtonControl {
public:
    explicit TCheckBox(TComponent* AOwner) : TButtonControl(AOwner) {}

    void SetChecked(bool Value) override;

protected:
    void CreateWnd() override;
    void UserClicked(bool Checked) override;
};

// A radio button. The radio buttons on one parent form a group: checking one unchecks the others. OnClick runs
// once each time the button becomes checked, by the user's click or by code; unchecking runs nothing.
class TRadioButton : public TButtonControl {
public:
    explicit TRadioButton(TComponent* AOwner);

    void SetChecked(bool Value) override;

protected:
    void CreateWnd() override;
    // A click on the checked button leaves it checked.
    void UserClicked(bool Checked) override;
};

// csDropDown: the text can be typed and need not be an item; csDropDownList: the text is the chosen item's.
enum TComboBoxStyle { csDropDown, csDropDownList };

// A combo box. OnChange runs only when the user chooses an item (or types, in a csDropDown box); code that
// fills it, selects an item or sets its text runs nothing.
class TComboBox : public TWinControl {
public:
    explicit TComboBox(TComponent* AOwner);
    ~TComboBox() override;

    TStrings* Items() const;
    TComboBoxStyle Style() const { return FStyle; }
    void SetStyle(TComboBoxStyle Value);
    // -1 for none. An index outside the items selects none.
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int Value);
    // The chosen item's text, or what was typed into a csDropDown box.
    std::string Text() const;
    // Selects the item of that text (case-insensitively); a csDropDown box also shows a text that is no item,
    // a csDropDownList box then selects none.
    void SetText(const std::string& Value);

    TNotifyEvent OnChange;

protected:
    void CreateWnd() override;
    virtual void Change();

private:
    friend class TChoiceItems;

    void ShowItemChange(TItemChange Change, int Index);
    void ShowSelection();

    std::unique_ptr<TChoiceItems> FItems;
    TComboBoxStyle FStyle = csDropDown;
    int FItemIndex = -1;
    std::string FText;
    // The box is being told the items or the selection: its signals are not the user's.
    bool FShowing = false;
};

// A list of lines to choose one from. OnClick runs when the user chooses a line: a click on a line (again on the
// chosen one too), or a key that moves the choice; code that fills the list or sets ItemIndex runs nothing.
class TListBox : public TWinControl {
public:
    explicit TListBox(TComponent* AOwner);
    ~TListBox() override;

    TStrings* Items() const;
    void Clear();
    // -1 for none. An index outside the items selects none. The choice follows its line as lines come and go
    // before it, and goes with it.
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int Value);

protected:
    void CreateWnd() override;
    // Lines with a tick box (the check list box).
    virtual bool Checkable() const { return false; }
    // The user ticked or unticked a line.
    virtual void ClickCheck() {}
    // Raises EStringListError "List index out of bounds (Index)".
    [[noreturn]] static void IndexError(int Index);
    // Shows line Index's tick.
    void ShowCheck(int Index);

    // A tick per line, following its line.
    std::vector<uint8_t> FChecks;

private:
    friend class TChoiceItems;

    void ShowItemChange(TItemChange Change, int Index);
    void ShowSelection();
    // The user's click or key; the widget's selected line is already taken.
    void UserChose();

    std::unique_ptr<TChoiceItems> FItems;
    int FItemIndex = -1;
    // The box is being told the items or the choice: its signals are not the user's.
    bool FShowing = false;
};

// A list box with a tick box on every line. The ticks live in the control (a thousand lines set and read fast
// without a widget). OnClickCheck runs when the user ticks or unticks a line, before the click's OnClick; code
// that sets a tick runs nothing.
class TCheckListBox : public TListBox {
public:
    explicit TCheckListBox(TComponent* AOwner);

    bool Checked(int Index) const
    {
        if (static_cast<size_t>(Index) >= FChecks.size()) IndexError(Index);
        return FChecks[static_cast<size_t>(Index)] != 0;
    }
    void SetChecked(int Index, bool Value);

    TNotifyEvent OnClickCheck;

protected:
    bool Checkable() const override { return true; }
    void ClickCheck() override;
};

// A framed group of controls with its caption on the frame.
class TGroupBox : public TWinControl {
public:
    explicit TGroupBox(TComponent* AOwner);

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);

protected:
    void CreateWnd() override;
    // Aligned controls start below the caption, which the box draws over its top edge.
    void AdjustClientRect(TRect& Rect) const override;

private:
    std::string FCaption;
};
