#include "UGH_editfields.h"

#include "Dialogs.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "StringLists.h"
#include "TextEncoding.h"
#include "UGH_data.h"

#include <algorithm>

TTimer* MakeShownTimer(TForm& form, uint32_t interval, TNotifyEvent onTimer, TNotifyEvent onShow)
{
    auto* timer = new TTimer(&form);
    timer->SetEnabled(false);
    timer->SetInterval(interval);
    timer->SetOnTimer(std::move(onTimer));
    form.OnShow = [timer, onShow = std::move(onShow)](TObject* Sender) {
        if (onShow) onShow(Sender);
        timer->SetEnabled(true);
    };
    form.OnHide = [timer](TObject*) { timer->SetEnabled(false); };
    return timer;
}

void EditorCommand(const std::function<void()>& command)
{
    try {
        command();
    } catch (const EAbort&) {
    } catch (const Exception& e) {
        TMessageBoxRequest request;
        request.Kind = mtError;
        request.Caption = Application ? Application->Title() : std::string();
        request.Text = e.Message();
        ShowMessageBox(request);
    }
}

namespace {

[[noreturn]] void RefuseBox(TEdit& box, const std::string& name, const std::string& accepts)
{
    box.SetInvalid(accepts);
    throw EEditorInput(name + ": " + accepts);
}

} // namespace

int32_t BoxNumber(TEdit& box, const std::string& name, int32_t lo, int32_t hi)
{
    int32_t value = 0;
    if (TryStrToInt(box.Text(), value) && value >= lo && value <= hi) return value;
    RefuseBox(box, name, "a whole number from " + IntToStr(lo) + " to " + IntToStr(hi));
}

int32_t BoxNumber(TEdit& box, const std::string& name)
{
    int32_t value = 0;
    if (!TryStrToInt(box.Text(), value)) RefuseBox(box, name, "a whole number");
    return value;
}

double BoxReal(TEdit& box, const std::string& name)
{
    double value = 0;
    if (!TryStrToFloat(box.Text(), value)) RefuseBox(box, name, "a number");
    return value;
}

std::string NumberedLine(int32_t i, const std::string& name)
{
    return name.empty() ? IntToStr(i) : IntToStr(i) + ") " + name;
}

bool IsPlainName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..") return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == '/' || c == '\\' || static_cast<unsigned char>(c) < ' ';
    });
}

namespace {

const char* const cPlainNameHint = "a plain name (no \"/\" or \"\\\", not \".\" or \"..\")";

} // namespace

std::string BoxPlainName(TEdit& box, const std::string& name)
{
    if (!IsPlainName(box.Text())) RefuseBox(box, name, cPlainNameHint);
    return box.Text();
}

std::string PlainNameOf(const std::string& text, const std::string& name)
{
    if (IsPlainName(text)) return text;
    throw EEditorInput(name + ": " + cPlainNameHint);
}

std::vector<std::string> ReadDataLines(const std::string& relativePath, const std::string& language)
{
    TLineBuffer buffer;
    buffer.LoadFromFile(GamePath(relativePath), LanguageCodePage(language));
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(buffer.Count()));
    for (int line = 0; line < buffer.Count(); ++line) lines.emplace_back(buffer.Line(line));
    return lines;
}

void AssignLines(TStrings& lines, const std::vector<std::string>& text)
{
    lines.BeginUpdate();
    lines.Clear();
    for (const std::string& line : text) lines.Add(line);
    lines.EndUpdate();
}

void LoadDataLines(TStrings& lines, const std::string& relativePath, const std::string& language)
{
    AssignLines(lines, ReadDataLines(relativePath, language));
}

void SaveDataLines(const TStrings& lines, const std::string& relativePath)
{
    TLineBuffer buffer;
    for (int line = 0; line < lines.Count(); ++line) buffer.WriteTextLine(lines.Get(line));
    buffer.SaveToFile(GamePath(relativePath));
}

void SaveDataLine(const std::string& text, const std::string& relativePath)
{
    TLineBuffer buffer;
    buffer.WriteTextLine(text);
    buffer.SaveToFile(GamePath(relativePath));
}

int32_t LongestLineLength(const TStrings& lines)
{
    int32_t longest = 0;
    for (int line = 0; line < lines.Count(); ++line) {
        const std::string text = lines.Get(line);
        int32_t length = 0;
        for (std::size_t pos = 0; pos < text.size(); ++length) NextUtf8CodePoint(text, pos);
        longest = std::max(longest, length);
    }
    return longest;
}

bool TakeBoxNumber(TEdit& box, int32_t& value)
{
    int32_t read = 0;
    if (TryStrToInt(box.Text(), read)) {
        value = read;
        return true;
    }
    if (!box.Invalid()) box.SetInvalid("a whole number");
    return false;
}

void ShowItemIndex(TComboBox& box, int32_t value)
{
    box.SetItemIndex(value >= 0 && value < box.Items()->Count() ? value : -1);
}
