// Every editor window as a person sees it beside the running game, on the 1280 x 1024 screen the tests run on:
// the whole window on the screen, every control inside its parent and clear of the menu bar and of its
// neighbours, every caption whole. A picture of each window goes to the test artefacts.
#include "FormLayout.h"
#include "GameWindow.h"
#include "UFreeMeshEd.h"
#include "UGHDebug.h"
#include "UGHItemedit.h"
#include "UGHLSourc.h"
#include "UGHMonsterlist.h"
#include "UGHPerkEdit.h"
#include "UGHcardedit.h"
#include "UGHcharedit.h"
#include "UGHmapedit.h"
#include "UGHtextedit.h"
#include "Utalismanedit.h"
#include "VirtualKeys.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class GameEditorWindows : public GameWindow {};

TEST_F(GameEditorWindows, EveryEditorWindowShowsEveryControlWhole)
{
    PressKey(VK_F1 + 3); // F4
    ASSERT_TRUE(Form2->Visible());
    Form2->Timer1Timer(Form2->Timer1); // the map view drawn, as the editor's timer draws it
    const auto laidOutWhole = [](TForm& window, const std::string& name) {
        Application->ProcessMessages(); // the window shown and laid out
        SavePicture(*window.GetFormImage(), "editor-" + name + ".png");
        std::string faults;
        for (const std::string& fault : CheckFormLayout(window)) faults += fault + "\n";
        EXPECT_EQ(faults, "") << name;
    };
    const struct {
        TForm* Window;
        const char* Name;
    } windows[] = {{Form2, "map"},           {Form3, "card"},        {Form4, "character"},   {Form6, "variable"},
                   {Form7, "item"},          {Form8, "text"},        {Form11, "perk"},       {Form13, "monster-list"},
                   {Form14, "debug-console"}, {Form16, "free-mesh"}, {Form17, "light-source"}};
    for (const auto& [window, name] : windows) {
        ASSERT_NE(window, nullptr) << name;
        window->Show();
        laidOutWhole(*window, name);
        if (window != Form2) window->Hide();
    }
    // The perk editor's other mode: its boxes in the place of the first mode's, its button's caption in bold.
    Form11->Show();
    Form11->Button4->Click();
    laidOutWhole(*Form11, "perk-requirements");
    Form11->Hide();
    Form2->Hide();
}

} // namespace
