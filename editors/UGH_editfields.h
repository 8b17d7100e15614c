// What the content editors share: commands that end with a message when a box is refused or a data file cannot be
// read or written, boxes read as numbers within their table or as plain file-name parts, memos moved to and from
// data files, and the bindings between a working record's fields and the controls that show them.
#pragma once

#include "StdCtrls.h"
#include "SysUtils.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TForm;
class TStrings;
class TTimer;

// A control of the form owner on parent, at (x, y) with size w x h.
template <class T> T* MakeControl(TComponent* owner, TWinControl* parent, int32_t x, int32_t y, int32_t w, int32_t h)
{
    auto* control = new T(owner);
    control->SetParent(parent);
    control->SetBounds(x, y, w, h);
    return control;
}

// The form's timer that runs every interval milliseconds only while the form is shown: the form's OnShow starts it,
// after onShow when one is given, and its OnHide stops it.
TTimer* MakeShownTimer(TForm& form, uint32_t interval, TNotifyEvent onTimer, TNotifyEvent onShow = {});

// A box whose text a command refuses; the message names the box and what it accepts.
class EEditorInput : public Exception {
public:
    using Exception::Exception;
};

// Runs an editor command. A refused box, a data file that cannot be read or written, or any other error the
// command raises ends it with an error message box; what it changed before stays changed.
void EditorCommand(const std::function<void()>& command);

// The box's whole number within lo..hi. Otherwise the box is marked with what it accepts and EEditorInput names it:
// "<name>: a whole number from <lo> to <hi>".
int32_t BoxNumber(TEdit& box, const std::string& name, int32_t lo, int32_t hi);

// The box's whole number; otherwise as above with "<name>: a whole number".
int32_t BoxNumber(TEdit& box, const std::string& name);

// The box's real number, "." or "," as the decimal separator; otherwise as above with "<name>: a number".
double BoxReal(TEdit& box, const std::string& name);

// A line of a list of table entries: "<i>) <name>", or "<i>" alone for an entry without a name.
std::string NumberedLine(int32_t i, const std::string& name);

// A name that may become part of a file name: not empty, no "/", "\" or control character, not "." or "..".
bool IsPlainName(std::string_view name);
// The box's text when it is a plain name; otherwise the box is marked and EEditorInput names it.
std::string BoxPlainName(TEdit& box, const std::string& name);
// The text when it is a plain name; otherwise EEditorInput names the box.
std::string PlainNameOf(const std::string& text, const std::string& name);

// The lines of data file gamedir + relativePath, read in the legacy code page of language when they are not
// UTF-8. A missing or unreadable file raises EGameDataError naming it.
std::vector<std::string> ReadDataLines(const std::string& relativePath, const std::string& language);
// Replaces the lines at once.
void AssignLines(TStrings& lines, const std::vector<std::string>& text);
// Replaces lines with those of the data file; a failed read leaves them as they were.
void LoadDataLines(TStrings& lines, const std::string& relativePath, const std::string& language);
// Writes the lines (CR LF each) to gamedir + relativePath, replacing it only by a complete new file; a failed write
// raises EGameDataError naming it.
void SaveDataLines(const TStrings& lines, const std::string& relativePath);

// Writes text as the only line of gamedir + relativePath (a name override), as SaveDataLines.
void SaveDataLine(const std::string& text, const std::string& relativePath);

// The length in characters of the longest line: the description gauges.
int32_t LongestLineLength(const TStrings& lines);

// The box's whole number into value; false, with the box marked and value unchanged, when it holds none.
bool TakeBoxNumber(TEdit& box, int32_t& value);
// Selects item value of the list, or none when there is no such item.
void ShowItemIndex(TComboBox& box, int32_t value);

// The fields of a working record R and the controls that show them, in one order: Show fills the controls; Copy
// takes them back in that order and stops at the first control whose text is no whole number, which it marks.
template <class R> class TFieldBindings {
public:
    TFieldBindings& Text(TEdit* box, std::string R::*field);
    TFieldBindings& Number(TEdit* box, int32_t R::*field);
    // The item index of the list (-1 for none); a value that is no item shows as none.
    TFieldBindings& Index(TComboBox* box, int32_t R::*field);
    TFieldBindings& Check(TCheckBox* box, bool R::*field);

    void Show(const R& record) const
    {
        for (const TBinding& b : FBindings) b.show(record);
    }
    // False when a box stopped the copy.
    bool Copy(R& record) const
    {
        for (const TBinding& b : FBindings)
            if (!b.copy(record)) return false;
        return true;
    }

private:
    struct TBinding {
        std::function<void(const R&)> show;
        std::function<bool(R&)> copy;
    };
    std::vector<TBinding> FBindings;
};

template <class R> TFieldBindings<R>& TFieldBindings<R>::Text(TEdit* box, std::string R::*field)
{
    FBindings.push_back({[box, field](const R& r) { box->SetText(r.*field); },
                         [box, field](R& r) {
                             r.*field = box->Text();
                             return true;
                         }});
    return *this;
}

template <class R> TFieldBindings<R>& TFieldBindings<R>::Number(TEdit* box, int32_t R::*field)
{
    FBindings.push_back({[box, field](const R& r) { box->SetText(IntToStr(r.*field)); },
                         [box, field](R& r) { return TakeBoxNumber(*box, r.*field); }});
    return *this;
}

template <class R> TFieldBindings<R>& TFieldBindings<R>::Index(TComboBox* box, int32_t R::*field)
{
    FBindings.push_back({[box, field](const R& r) { ShowItemIndex(*box, r.*field); },
                         [box, field](R& r) {
                             r.*field = box->ItemIndex();
                             return true;
                         }});
    return *this;
}

template <class R> TFieldBindings<R>& TFieldBindings<R>::Check(TCheckBox* box, bool R::*field)
{
    FBindings.push_back({[box, field](const R& r) { box->SetChecked(r.*field); },
                         [box, field](R& r) {
                             r.*field = box->Checked();
                             return true;
                         }});
    return *this;
}
