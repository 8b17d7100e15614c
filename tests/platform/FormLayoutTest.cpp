// The layout check of a shown form: each kind of fault found and named, a sound form passing; and the default font
// the layouts were made for.
#include "FormLayout.h"

#include "Buttons.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Menus.h"
#include "StdCtrls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

template <class T> T* Put(TWinControl* parent, int32_t left, int32_t top, int32_t width, int32_t height)
{
    auto* control = new T(parent->ParentForm() ? static_cast<TComponent*>(parent->ParentForm()) : parent);
    control->SetParent(parent);
    control->SetBounds(left, top, width, height);
    return control;
}

bool Mentions(const std::vector<std::string>& faults, const std::string& part1, const std::string& part2)
{
    return std::any_of(faults.begin(), faults.end(), [&](const std::string& fault) {
        return fault.find(part1) != std::string::npos && fault.find(part2) != std::string::npos;
    });
}

std::string Joined(const std::vector<std::string>& faults)
{
    std::string text;
    for (const std::string& fault : faults) text += fault + "\n";
    return text;
}

} // namespace

// Captions at the widths the editors give them fit in the default font; a form whose controls keep clear of one
// another, of their parents' edges and of the menu bar has nothing to report.
TEST(FormLayout, ASoundFormInTheDefaultFontPasses)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 400, 200);
    auto* menu = new TMainMenu(&form);
    auto* file = new TMenuItem(&form);
    file->SetCaption("File");
    menu->Items()->Add(file);
    form.SetMenu(menu);
    const struct {
        const char* Caption;
        int32_t Width;
    } labels[] = {{"Map width, height", 94}, {"cell lght group", 76}, {"Turn angle/roll angle/pitch angle", 200}};
    int32_t top = 0;
    for (const auto& label : labels) {
        Put<TLabel>(&form, 4, top, label.Width, 18)->SetCaption(label.Caption);
        top += 20;
    }
    Put<TCheckBox>(&form, 4, top, 66, 18)->SetCaption("passable");
    Put<TCheckBox>(&form, 80, top, 150, 18)->SetCaption("fixed direction (x,y)");
    Put<TButton>(&form, 240, top, 80, 22)->SetCaption("act. cell c.");
    auto* group = Put<TGroupBox>(&form, 4, 100, 240, 80);
    group->SetCaption("Free sprite");
    Put<TPanel>(group, 0, 0, 240, 16)->SetAlign(alTop); // aligned below the caption
    Put<TSpeedButton>(group, 4, 40, 46, 18)->SetCaption("select");
    form.Show();
    Application->ProcessMessages();
    EXPECT_EQ(Joined(CheckFormLayout(form)), "");
}

// Every kind of fault, each named with the control it concerns.
TEST(FormLayout, EachKindOfFaultIsNamed)
{
    TForm form(nullptr);
    EXPECT_TRUE(CheckFormLayout(form).empty()); // no window, nothing shown
    form.SetBounds(0, 0, 300, 200);
    Put<TButton>(&form, 4, 4, 30, 22)->SetCaption("a caption far too long");
    Put<TLabel>(&form, 40, 4, 30, 18)->SetCaption("a label takes its text's width");
    Put<TCheckBox>(&form, 4, 30, 30, 18)->SetCaption("passable");
    Put<TButton>(&form, 250, 60, 80, 22)->SetCaption("off"); // past the right edge
    Put<TEdit>(&form, 4, 90, 100, 20);
    Put<TEdit>(&form, 50, 100, 100, 20); // over the first box
    auto* group = Put<TGroupBox>(&form, 4, 130, 60, 60);
    group->SetCaption("a title wider than its box");
    Put<TButton>(group, 0, 0, 20, 20)->SetCaption("x"); // on the title
    auto* hidden = Put<TEdit>(&form, 0, 0, 300, 200); // hidden controls are not seen
    hidden->Hide();
    form.Show();
    Application->ProcessMessages();
    const std::vector<std::string> faults = CheckFormLayout(form);
    const struct {
        const char* First;
        const char* Second;
    } expected[] = {
        {"TButton \"a caption far too long\"", "needs"},
        {"TCheckBox \"passable\"", "needs"},
        {"TButton \"off\" (250,60 80x22)", "outside its parent"},
        {"TEdit (4,90 100x20) and TEdit (50,100 100x20)", "overlap"},
        {"TGroupBox \"a title wider than its box\"", "needs"},
        {"TButton \"x\" (0,0 20x20) in TGroupBox", "covers the group box's title"},
    };
    for (const auto& fault : expected) EXPECT_TRUE(Mentions(faults, fault.First, fault.Second)) << fault.First;
    EXPECT_EQ(faults.size(), std::size(expected)) << Joined(faults);
}

// A window larger than the screen cannot be seen whole.
TEST(FormLayout, AWindowLargerThanTheScreenIsNamed)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 5000, 4000);
    form.Show();
    Application->ProcessMessages();
    EXPECT_TRUE(Mentions(CheckFormLayout(form), "the window", "reaches outside the screen's work area"));
}
