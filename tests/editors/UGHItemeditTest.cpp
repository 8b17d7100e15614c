// The item editor: the item list, load and save of an item file with its override name, the timer's copy that
// stops at the first bad box, the refused ids, "Give Player", the loot list and the description gauge.
#include "UGHItemedit.h"

#include "UGH_data.h"
#include "UGH_tables.h"

#include "Components.h"
#include "ContentEditorFixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

class ItemEditor : public ContentEditorFixture {
protected:
    void SetUp() override
    {
        ContentEditorFixture::SetUp();
        temploot = loot{};
        sword.id = 5;
        sword.name = "Sword";
        sword.lb_str = 2;
        sword.lb_int = 3;
        sword.lb_spd = 4;
        sword.lb_end = 5;
        sword.lb_mg = 6;
        sword.itmtype = 1;
        sword.crf1 = 7;
        sword.l_hat = -1;
        sword.rq_bw = 8;
        sword.rq_perk = 9;
        sword.rq_item = -1;
        sword.rq_spec = 2;
        std::filesystem::create_directories(folder.path / "items");
        SaveLoot(sword, GamePath("\\items\\5.lot"));
    }
    void TearDown() override
    {
        temploot = loot{};
        ContentEditorFixture::TearDown();
    }

    loot sword;
    std::unique_ptr<TForm7, TFreeDeleter> form{new TForm7(nullptr)};
};

TEST_F(ItemEditor, ListNamesTheNamedItems)
{
    items[5].name = "Sword";
    form->FormShow(form.get());
    TStrings& lines = *form->ListBox1->Items();
    ASSERT_EQ(lines.Count(), 1001);
    EXPECT_EQ(lines.Get(5), "5) Sword");
    EXPECT_EQ(lines.Get(6), "6");
}

TEST_F(ItemEditor, ChoosingALineLoadsTheItemAndSavingWritesOnlyTheFile)
{
    items[5] = sword;
    form->FormShow(form.get());
    form->ListBox1->SetItemIndex(5);
    form->ListBox1Click(form->ListBox1);
    ASSERT_TRUE(messages.empty()) << messages[0];
    EXPECT_EQ(form->LabeledEdit4->Text(), "5");
    EXPECT_EQ(form->LabeledEdit1->Text(), "Sword");
    // Label order: Strength, Intelligence, Speed, Endurance, Sword, Magic, Bow, ...
    EXPECT_EQ(form->LabeledEdit7->Text(), "4");
    EXPECT_EQ(form->LabeledEdit10->Text(), "6");
    EXPECT_EQ(form->ComboBox1->Text(), "Sword");
    EXPECT_EQ(form->Edit2->Text(), "7");
    EXPECT_EQ(form->LabeledEdit20->Text(), "8");  // "b"
    EXPECT_EQ(form->LabeledEdit22->Text(), "-1"); // "has item"
    EXPECT_EQ(form->LabeledEdit23->Text(), "9");  // "has perk"

    // Edited, copied by the timer and saved: the record round-trips through the file with the new values.
    form->LabeledEdit1->SetText("Sharp Sword");
    form->LabeledEdit11->SetText("12"); // Bow
    form->ComboBox1->SetItemIndex(4);
    form->CheckBox1->SetChecked(true);
    form->LabeledEdit24->SetText("3"); // "has race"
    form->Timer1Timer(form.get());
    form->Button2->Click();
    ASSERT_TRUE(messages.empty()) << messages[0];
    loot expected = sword;
    expected.name = expected.overridename = "Sharp Sword";
    expected.lb_bw = 12;
    expected.itmtype = 4;
    expected.nohair = true;
    expected.rq_spec = 3;
    EXPECT_EQ(LoadLoot(GamePath("\\items\\5.lot")), expected);
    EXPECT_EQ(items[5], sword);
}

TEST_F(ItemEditor, TheTimersCopyStopsAtTheFirstBadBox)
{
    form->LabeledEdit4->SetText("5");
    form->Button1->Click();
    form->LabeledEdit1->SetText("Axe");
    form->LabeledEdit5->SetText("20");
    form->LabeledEdit6->SetText("30");
    form->LabeledEdit7->SetText("x"); // Speed
    form->LabeledEdit8->SetText("50");
    form->LabeledEdit14->SetText("60");
    form->Timer1Timer(form.get());
    EXPECT_EQ(temploot.name, "Axe");
    EXPECT_EQ(temploot.lb_str, 20);
    EXPECT_EQ(temploot.lb_int, 30);
    EXPECT_EQ(temploot.lb_spd, 4);
    EXPECT_EQ(temploot.lb_end, 5);
    EXPECT_EQ(temploot.rq_str, 0);
    EXPECT_TRUE(form->LabeledEdit7->Invalid());

    form->LabeledEdit7->SetText("40");
    form->Timer1Timer(form.get());
    EXPECT_EQ(temploot.lb_spd, 40);
    EXPECT_EQ(temploot.lb_end, 50);
    EXPECT_EQ(temploot.rq_str, 60);
}

TEST_F(ItemEditor, TheOverrideNameFollowsTheItem)
{
    WriteLines("text/ru/overrides/items/5.txt", {"Mech"});
    loot axe;
    axe.id = 6;
    SaveLoot(axe, GamePath("\\items\\6.lot"));
    form->LabeledEdit4->SetText("5");
    form->Button1->Click();
    EXPECT_EQ(form->LabeledEdit3->Text(), "Mech");
    // Item 6 has no override: the box empties rather than carry item 5's name over to it.
    form->LabeledEdit4->SetText("6");
    form->Button1->Click();
    EXPECT_EQ(form->LabeledEdit3->Text(), "");
    form->Button2->Click();
    EXPECT_FALSE(std::filesystem::exists(folder.path / "text/ru/overrides/items/6.txt"));

    form->LabeledEdit3->SetText("Topor");
    form->Button2->Click();
    ASSERT_TRUE(messages.empty()) << messages[0];
    EXPECT_EQ(ReadLines("text/ru/overrides/items/6.txt"), std::vector<std::string>{"Topor"});
    // Without a locale nothing but the item file is written.
    form->LabeledEdit2->SetText("");
    form->LabeledEdit3->SetText("Hache");
    form->Button2->Click();
    EXPECT_EQ(ReadLines("text/ru/overrides/items/6.txt"), std::vector<std::string>{"Topor"});
    ASSERT_TRUE(messages.empty()) << messages[0];
}

TEST_F(ItemEditor, IdsOutsideTheTableAreRefused)
{
    items[5].count = 1;
    temploot = sword;
    for (const char* id : {"1001", "-1", "five"}) {
        form->LabeledEdit4->SetText(id);
        for (TButton* command : {form->Button1, form->Button2, form->Button3}) {
            messages.clear();
            command->Click();
            ASSERT_EQ(messages.size(), 1u) << id;
            EXPECT_EQ(messages[0], "Id: a whole number from 0 to 1000");
            EXPECT_TRUE(form->LabeledEdit4->Invalid());
        }
    }
    EXPECT_EQ(temploot, sword);
    EXPECT_EQ(items[5].count, 1);
    EXPECT_FALSE(std::filesystem::exists(folder.path / "items/1001.lot"));

    form->LabeledEdit4->SetText("5");
    form->Button3->Click();
    form->Button3->Click();
    EXPECT_EQ(items[5].count, 3);
}

// An item file whose id line names another item, or no item at all, is edited and saved as the item of its file.
TEST_F(ItemEditor, AnItemIsSavedToTheFileItWasLoadedFromWhateverItsIdLineSays)
{
    loot other = sword;
    other.name = "Axe";
    SaveLoot(other, GamePath("\\items\\7.lot"));
    const std::string axe = folder.Read("items/7.lot");
    for (const int32_t stored : {7, 5000}) {
        SCOPED_TRACE(stored);
        loot strayed = sword;
        strayed.id = stored;
        SaveLoot(strayed, GamePath("\\items\\5.lot"));
        form->LabeledEdit4->SetText("5");
        form->Button1->Click();
        EXPECT_EQ(form->LabeledEdit4->Text(), "5");
        form->LabeledEdit1->SetText("Sharp Sword");
        form->Timer1Timer(form.get());
        form->Button2->Click();
        ASSERT_TRUE(messages.empty()) << messages[0];
        const loot saved = LoadLoot(GamePath("\\items\\5.lot"));
        EXPECT_EQ(saved.id, 5);
        EXPECT_EQ(saved.name, "Sharp Sword");
        EXPECT_EQ(folder.Read("items/7.lot"), axe);
    }
}

TEST_F(ItemEditor, AFailedReadOrWriteNamesTheFileAndKeepsTheRecord)
{
    temploot = sword;
    form->LabeledEdit4->SetText("7");
    form->Button1->Click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("7.lot"), std::string::npos) << messages[0];
    EXPECT_EQ(temploot, sword);

    std::filesystem::remove_all(folder.path / "items");
    form->Button2->Click();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(messages[1].find("7.lot"), std::string::npos) << messages[1];
}

TEST_F(ItemEditor, LootListAndDescription)
{
    WriteLines("items/lootlist.txt", {"5", "6"});
    form->Button4->Click();
    form->Memo1->Lines()->Add("7");
    form->Button5->Click();
    EXPECT_EQ(folder.Read("items/lootlist.txt"), "5\r\n6\r\n7\r\n");

    const std::string forty(40, 'a');
    WriteLines("text/ru/desc/item_5.txt", {"short", forty, "end"});
    form->LabeledEdit4->SetText("5");
    form->ComboBox2->SetItemIndex(1);
    form->Button7->Click();
    EXPECT_EQ(form->Memo2->Lines()->Count(), 3);
    EXPECT_EQ(form->Label5->Caption(), "40/20");
    form->ComboBox2->SetItemIndex(0);
    std::filesystem::create_directories(folder.path / "text/en/desc");
    form->Button6->Click();
    EXPECT_EQ(ReadLines("text/en/desc/item_5.txt"), (std::vector<std::string>{"short", forty, "end"}));
    ASSERT_TRUE(messages.empty()) << messages[0];
}

// The gauge follows every change of the description, as typing makes it, without a load.
TEST_F(ItemEditor, TheDescriptionGaugeFollowsTheText)
{
    TStrings& lines = *form->Memo2->Lines();
    struct TCase {
        const char* Name;
        std::function<void()> Change;
        const char* Gauge;
    };
    const TCase cases[] = {
        {"typed", [&] { form->Memo2->SetText("four"); }, "4/20"},
        {"a longer line", [&] { lines.Add(std::string(25, 'x')); }, "25/20"},
        {"the long line shortened", [&] { lines.SetStrings(1, "ab"); }, "4/20"},
        {"emptied", [&] { form->Memo2->Clear(); }, "0/20"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        c.Change();
        EXPECT_EQ(form->Label5->Caption(), c.Gauge);
    }
}

} // namespace
