// The item list on an unshown main window: which cell the pointer is over, the owned entries in their pages, the
// cells' pictures, an item's description, the panel beside the list and the pointer's picks.
#include "UGH_main.h"

#include "GLBitmapFont.h"
#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "UGH_data.h"

#include "MainWindowLevel.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

class ItemList : public MainWindowLevel {
protected:
    void SetUp() override
    {
        MainWindowLevel::SetUp();
        form->ResetStats();
        for (rqftp& request : rfqueue) request.active = false;
        itemcount = 1001;
        for (loot& it : items) it.rq_perk = it.rq_item = it.rq_spec = it.lb_crd = it.crf1 = it.crf2 = -1;
        itempage = 0;
        scriptpopups = false;
        FillItemGrid(false); // every cell empty
    }

    // The ids of page p in filling order (columns first), -1 for an empty cell; only the nine used columns and
    // rows.
    static std::vector<int32_t> Page(int32_t p)
    {
        std::vector<int32_t> ids;
        for (int32_t r = 0; r < 9; ++r)
            for (int32_t c = 0; c < 9; ++c) ids.push_back(itemgrid[c][r][p]);
        return ids;
    }
};

TEST_F(ItemList, ThePointerFindsTheCellByTheHitGrid)
{
    itemgrid[0][0][0] = 7;
    itemgrid[1][0][0] = 8;
    itemgrid[2][0][0] = 9;
    itemgrid[9][9][0] = 11;
    itemgrid[0][0][1] = 12;
    struct TCase {
        int32_t x, y, expected;
    };
    // Halves go to the even neighbour: (94 - 60) / 68 = 0.5 is column 0, (162 - 60) / 68 = 1.5 column 2.
    const TCase cases[] = {{94, 60, 7},  {95, 60, 8},  {162, 60, 9},  {26, 26, 7},   {25, 60, -1},
                           {60, 25, -1}, {705, 705, 11}, {706, 705, -1}, {705, 706, -1}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + ", " + std::to_string(c.y));
        EXPECT_EQ(form->getilundercursor(c.x, c.y), c.expected);
    }
    itempage = 1;
    EXPECT_EQ(form->getilundercursor(60, 60), 12);
}

TEST_F(ItemList, OwnedEntriesFillNineByNineCellsAPageByKindThenId)
{
    // 82 items: kind 1 for the even ids, so that they come after the odd ones of kind 0.
    for (int32_t id = 0; id < 82; ++id) {
        items[id].count = 1;
        items[id].itmtype = id % 2 == 0 ? 1 : 0;
    }
    FillItemGrid(false);
    std::vector<int32_t> expected;
    for (int32_t id = 1; id < 82; id += 2) expected.push_back(id);
    for (int32_t id = 0; id < 82; id += 2) expected.push_back(id);
    std::vector<int32_t> page0 = Page(0);
    EXPECT_EQ(page0, std::vector<int32_t>(expected.begin(), expected.begin() + 81));
    std::vector<int32_t> page1 = Page(1);
    EXPECT_EQ(page1[0], 80);
    EXPECT_EQ(std::count(page1.begin(), page1.end(), -1), 80);
    for (int32_t p = 0; p <= 9; ++p)
        for (int32_t k = 0; k <= 9; ++k) {
            EXPECT_EQ(itemgrid[9][k][p], -1);
            EXPECT_EQ(itemgrid[k][9][p], -1);
        }

    // More than ten pages hold: the rest is left out.
    for (loot& it : items) it.count = 1;
    FillItemGrid(false);
    EXPECT_NE(itemgrid[8][8][9], -1);

    // Cards by their skill: the deck's cards owned.
    for (loot& it : items) it.count = 0;
    player.spellbook[3] = player.spellbook[5] = player.spellbook[9] = true;
    cards[3].govskill = 2;
    cards[5].govskill = 0;
    cards[9].govskill = 1;
    FillItemGrid(true);
    EXPECT_EQ(Page(0)[0], 5);
    EXPECT_EQ(Page(0)[1], 9);
    EXPECT_EQ(Page(0)[2], 3);
    EXPECT_EQ(Page(0)[3], -1);
}

TEST_F(ItemList, TheCellsShowPicturesFramesKindsAndCounts)
{
    form->prepareitemlistgrid();
    items[4].count = 3;
    items[4].itmtype = 1;
    items[6].count = 1;
    items[6].itmtype = 4;
    equipped[0] = 4;
    selitem = 6;
    form->SetupItemList();
    struct TCell {
        int32_t c;
        const char* picture;
        const char* frame;
        const char* icon; // nullptr: hidden
        const char* count;
    };
    // Kind 1 (4) before kind 4 (6); an empty cell is black, in no picture of the library.
    for (const TCell& cell : {TCell{0, "itm_4", "sframe_2", "iico_sword", "3"},
                              TCell{1, "itm_6", "sframe_3", "iico_helm", "1"}, TCell{2, "", "sframe_1", nullptr, nullptr}}) {
        SCOPED_TRACE(cell.c);
        const TGLHUDSprite* picture = form->ilgrid1[cell.c][0];
        EXPECT_EQ(picture->Material()->LibMaterialName(), cell.picture);
        EXPECT_EQ(picture->Position()->X(), cell.c * 68 + 60);
        EXPECT_EQ(picture->Position()->Y(), 70);
        if (!cell.icon) {
            const TVector4f& colour = picture->Material()->FrontProperties()->Diffuse()->Color();
            EXPECT_EQ(std::make_tuple(colour.X, colour.Y, colour.Z, colour.W), std::make_tuple(0.0f, 0.0f, 0.0f, 1.0f));
            EXPECT_TRUE(picture->Material()->MaterialOptions().Contains(moNoLighting));
        }
        EXPECT_EQ(form->ilgrid2[cell.c][0]->Material()->LibMaterialName(), cell.frame);
        EXPECT_EQ(form->ilgrid3[cell.c][0]->Visible(), cell.icon != nullptr);
        if (cell.icon) EXPECT_EQ(form->ilgrid3[cell.c][0]->Material()->LibMaterialName(), cell.icon);
        EXPECT_EQ(form->ilgridtext[cell.c][0]->Visible(), cell.count != nullptr);
        if (cell.count) EXPECT_EQ(form->ilgridtext[cell.c][0]->Text(), cell.count);
    }
    EXPECT_EQ(form->ilgrid1[0][1]->Position()->Y(), 135);
    EXPECT_EQ(form->iltext1->Text(), "s191 (s192 1/10)");
    form->ClickGButton(38);
    EXPECT_EQ(itempage, 9);
    EXPECT_EQ(form->iltext1->Text(), "s191 (s192 10/10)");
}

TEST_F(ItemList, AnItemsDescriptionListsKindBonusesRequirementsAndItsFile)
{
    loot& it = items[12];
    it.itmtype = 3;
    it.count = 2;
    it.lb_str = 2;
    it.lb_ar = 4;
    it.lb_crd = 1;
    cards[1].name = "Bulwark";
    it.rq_bw = 11;
    it.rq_perk = 5;
    perks[5].name = "Archery";
    it.rq_spec = 1;
    strarr[410] = "s410";
    folder.Write("text/" + lng + "/desc/item_12.txt", "Plates of an old guard.\r\n");
    EXPECT_EQ(form->ShowItemInfo(12, true), "s200: s7\r\n\r\ns201\r\ns312: 2\r\ns36: 2\r\ns42: 4\r\ns202: Bulwark\r\n"
                                            "\r\ns172\r\ns41: 11\r\ns395: Archery\r\ns396: 1\r\n"
                                            "\r\n-- s410 --\r\nPlates of an old guard.\r\n");
    // Met requirements are ticked; an item of no kind, bonus or requirement says none of them.
    it.rq_perk = it.rq_spec = -1;
    player.bbw = 11;
    EXPECT_EQ(form->ShowItemInfo(12, false),
              "s200: s7\r\n\r\ns201\r\ns312: 2\r\ns36: 2\r\ns42: 4\r\ns202: Bulwark\r\n\r\ns172\r\ns41: 11\r\nV\r\n");
    items[13].itmtype = 9;
    EXPECT_EQ(form->ShowItemInfo(13, true), "s200: \r\n\r\ns201\r\n-\r\n\r\ns172\r\n-\r\n");
}

TEST_F(ItemList, ThePanelDescribesTheEntryUnderThePointerOnlyInTheList)
{
    items[3].count = 1;
    items[3].name = items[3].overridename = "Lantern";
    form->prepareitemlistgrid();
    form->SetupItemList();
    itemlistmode = true;
    form->GeneralMouseMove(60, 60);
    EXPECT_EQ(itemhover, 3);
    EXPECT_EQ(form->iltext2->Text(), "Lantern");
    form->FrameBlocks[2](0); // the frame's block b2
    EXPECT_TRUE(form->invitmdesctxt->Visible());
    EXPECT_EQ(form->invitmdesctxt->Text(), form->ShowItemInfo(3, true));
    EXPECT_EQ(form->invitmimage->Material()->LibMaterialName(), "itm_3");
    EXPECT_EQ(form->invhelptxt->Text(), "s334\r\ns335\r\ns336");
    form->GeneralMouseMove(600, 600);
    form->ProcessItemList();
    EXPECT_FALSE(form->invitmimage->Visible());
    itemlistmode = false;
    form->ProcessItemList();
    for (const TGLBaseSceneObject* o : std::initializer_list<const TGLBaseSceneObject*>{
             form->invitmdesc, form->invitmdesctxt, form->invitmimage, form->invhelpbg, form->invhelptxt})
        EXPECT_FALSE(o->Visible());
}

TEST_F(ItemList, ThePointerPicksWearsCraftsAndChoosesCards)
{
    items[2].count = items[3].count = 1;
    items[2].itmtype = 1;
    items[5].crf1 = 2;
    items[5].crf2 = 3;
    itemlistmode = true;
    hoverbut = -1;
    form->SetupItemList();
    itemhover = 2;
    form->GeneralMouseUp(60, 60, mbLeft);
    EXPECT_EQ(selitem, 2);
    EXPECT_EQ(equipped[0], 2);
    EXPECT_TRUE(craftmode);
    itemhover = 3;
    form->GeneralMouseUp(128, 60, mbRight);
    EXPECT_EQ(items[5].count, 1);
    EXPECT_EQ(items[2].count + items[3].count, 0);

    itemlistcards = true;
    player.spellbook[7] = true;
    form->SetupItemList();
    itemhover = 7;
    // A new character's cards are all in the deck: a left click takes the card out and puts it back.
    form->GeneralMouseUp(60, 60, mbLeft);
    EXPECT_FALSE(player.spellen[7]);
    form->GeneralMouseUp(60, 60, mbLeft);
    EXPECT_TRUE(player.spellen[7]);
    form->GeneralMouseUp(60, 60, mbRight);
    EXPECT_EQ(activecard, 7);
    activecard = 0;
    btlmode = true;
    form->GeneralMouseUp(60, 60, mbRight);
    EXPECT_EQ(activecard, 0) << "not during a battle";
    btlmode = false;
}

TEST_F(ItemList, AClickOnARequestLeavesTheEntriesUnderIt)
{
    items[2].count = 1;
    items[2].itmtype = 1;
    itemlistmode = rfmode = true;
    form->SetupItemList();
    itemhover = 2;
    form->GeneralMouseUp(60, 60, mbLeft);
    EXPECT_EQ(equipped[0], -1);
    EXPECT_FALSE(craftmode);
    itemlistcards = true;
    player.spellbook[2] = true;
    form->SetupItemList();
    form->GeneralMouseUp(60, 60, mbLeft);
    EXPECT_TRUE(player.spellen[2]);
    form->GeneralMouseUp(60, 60, mbRight);
    EXPECT_NE(activecard, 2);
    rfmode = false;
}

} // namespace
