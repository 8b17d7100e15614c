// The script interpreter on an unshown main window over a data folder of its own: arguments and variables, If
// and Else, the end of the text, nested runs and the character budget, the global-script list, the log line of a
// refused step, and the places that start scripts.
#include "UGH_main.h"

#include "UGH_data.h"
#include "ZODLog.h"

#include "MainWindowLevel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class Scripts : public MainWindowLevel {
protected:
    void SetUp() override
    {
        MainWindowLevel::SetUp();
        OpenLevel(9, 9);
        levelbusy = false;
        mapid = "lv";
    }

    void Run(const std::string& text) { form->readscript(TForm1::preparescript(text, "test")); }
    void Global(const std::string& name, const std::string& text)
    {
        folder.Write("scripts/" + name + ".txt", text);
        form->addglobscript(name);
    }
    static std::vector<std::string> GlobalIds()
    {
        std::vector<std::string> ids;
        for (const globscript& g : gslist) ids.push_back(g.id);
        return ids;
    }
};

TEST_F(Scripts, AVariableArgumentNamesTheVariableThatHoldsTheNumber)
{
    Run("SetInt 1,5;SetInt &1,7;");
    EXPECT_EQ(intvars[1], 5);
    EXPECT_EQ(intvars[5], 7);
}

TEST_F(Scripts, IfRunsOneBranchAndAnUnknownOperatorIsFalse)
{
    struct TCase {
        const char* condition;
        int32_t result;
    };
    for (const TCase& c : {TCase{"If 2,<,1;", 2}, TCase{"If 1,<,2;", 1}, TCase{"If 1,<=,1;", 1},
                           TCase{"If 1,>=,2;", 2}, TCase{"If 1,<>,2;", 1}, TCase{"If 3,=,3;", 1},
                           TCase{"If 3,>,3;", 2}, TCase{"If 1,=<,2;", 2}, TCase{"If &5000,=,0;", 2}}) {
        SCOPED_TRACE(c.condition);
        intvars[1] = 0;
        intvars[3] = 0;
        Run(std::string(c.condition) + " SetInt 1,1; Else; SetInt 1,2; EndIf; SetInt 3,3;");
        EXPECT_EQ(intvars[1], c.result);
        EXPECT_EQ(intvars[3], 3);
    }
}

TEST_F(Scripts, TheLastCharacterIsNeverReadAndTheEndOfTheTextEndsAnArgumentOrASkip)
{
    struct TCase {
        const char* text;
        int32_t v1, v2;
        bool nosearch;
    };
    const TCase cases[] = {
        {"SetInt 1,5", 5, 0, false},             // the argument ends with the text
        {"SetInt 1,5;NoSearch", 5, 0, false},    // its "h" is the last character
        {"SetInt 1,5;NoSearch;", 5, 0, true},
        {"SetInt 1", 0, 0, false},               // the text ends inside the arguments
        {"If 1,<", 0, 0, false},
        {"If 1,=,2;SetInt 1,5;SetInt 2,6;", 0, 0, false}, // no EndIf: the skip ends the script
        {"SetInt 2,6;If 1,=,1;Else;SetInt 1,5;", 0, 6, false},
        {"Whatever 1,2;SetInt 2,6;", 0, 6, false}, // no word: the ";" clears it
        {"SetInt 1,2SetInt 2,6;", 1, 0, false},    // "2SetInt2" is no number: the one read last stays
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.text);
        intvars.Fill(0);
        nosearch = false;
        Run(c.text);
        EXPECT_EQ(intvars[1], c.v1);
        EXPECT_EQ(intvars[2], c.v2);
        EXPECT_EQ(nosearch, c.nosearch);
        EXPECT_EQ(ScriptDepth(), 0);
    }
}

TEST_F(Scripts, SpecialValuesGiveAnIntegerAndAText)
{
    player.name = "Aldo";
    lookside = 3;
    choicevalue = 4;
    for (int32_t k = 0; k < 8; ++k) cardvalues[k] = 10 + k;
    items[7].name = "rope";
    items[7].overridename = "Seil";
    selitem = 7;
    struct TCase {
        const char* token;
        bool crafting;
        int32_t integer;
        const char* text;
    };
    const TCase cases[] = {
        {"^aa", true, 7, "Seil"}, {"^aa", false, -1, "^"}, {"^sw", false, 10, "^"}, {"^bw", false, 11, "^"},
        {"^mg", false, 12, "^"},  {"^ar", false, 13, "^"}, {"^tsw", false, 14, "^"}, {"^tbw", false, 15, "^"},
        {"^tmg", false, 16, "^"}, {"^tar", false, 17, "^"}, {"^lookside", false, 3, "^"}, {"^pn", false, 0, "Aldo"},
        {"^choice", false, 4, "^"}, {"^nothing", false, 99, "kept"}, {"42", false, 42, "42"},
        {"word", false, 99, "word"}, {"99999999999", false, 99, "99999999999"}, {"&12", false, -1, "@"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.token);
        craftmode = c.crafting;
        evalints[0] = 99;
        evaltexts[0] = "kept";
        evalscriptarg(c.token, 1, 0);
        EXPECT_EQ(evalints[0], c.integer);
        EXPECT_EQ(evaltexts[0], c.text);
    }
    items[7].overridename.clear();
    craftmode = true;
    evalscriptarg("^aa", 1, 0);
    EXPECT_EQ(evaltexts[0], "rope");
}

TEST_F(Scripts, TheReadingsOfAnArgument)
{
    intvars[4] = 9;
    intvars[9] = 2;
    strvars[4] = "four";
    const std::string text = ",&4,&4,&4,&4,7,&4,wolf,&1001;";
    scripttexts[0] = text;
    cparray.assign(1, 1);
    EXPECT_EQ(readnum(0, 1), 9);
    EXPECT_EQ(readtext(0, 2), "four");
    EXPECT_EQ(readraw(0, 3), "4");
    EXPECT_EQ(readvar(0, 4), 4);
    EXPECT_EQ(readref(0, 5), 7);
    EXPECT_EQ(readref(0, 6), 9);
    EXPECT_EQ(readname(0, 7), "wolf");
    EXPECT_THROW(readnum(0, 8), EScriptError);
}

TEST_F(Scripts, ASelfStartingScriptStopsAtTheDepthLimitAndTwoStartsStopAtTheBudget)
{
    folder.Write("scripts/deep.txt", "Math 1,&1,+,1;\r\nStartScript 0,deep;\r\n");
    TGLLogCapture log;
    Run("StartScript 0,deep;");
    EXPECT_EQ(intvars[1], cScriptDepth - 1);
    EXPECT_TRUE(log.Contains("deep.txt, line 2"));
    EXPECT_EQ(ScriptDepth(), 0);

    // Each run starts two more: only the budget ends the tree, long before its 2^63 runs.
    std::string twice = "Math 2,&2,+,1;";
    for (int32_t k = 0; k < 200; ++k) twice += "SetInt 3,3;";
    folder.Write("scripts/twice.txt", twice + "StartScript 0,twice;StartScript 0,twice;");
    Run("StartScript 0,twice;");
    EXPECT_TRUE(log.Contains("characters handled in one run"));
    EXPECT_GT(intvars[2], 200);
    // The next top-level run has its budget again.
    Run("SetInt 3,1;");
    EXPECT_EQ(intvars[3], 1);
}

TEST_F(Scripts, AFailingStepIsLoggedOnceWithItsFileAndSourceLine)
{
    folder.Write("scripts/fails.txt", "SetInt 1,1;\r\n\r\nSetInt &2000,1;\nSetInt 2,2;\r\n");
    TGLLogCapture log;
    form->RunScriptFile("\\scripts\\fails.txt");
    form->RunScriptFile("\\scripts\\fails.txt");
    EXPECT_EQ(intvars[1], 1);
    EXPECT_EQ(intvars[2], 2);
    int32_t lines = 0;
    for (const std::string& text : log.Texts()) lines += text.find("fails.txt, line 3") != std::string::npos;
    EXPECT_EQ(lines, 1);
}

TEST_F(Scripts, GlobalScriptsRunInOrderEveryPassWhileActive)
{
    Global("a", "Math 1,&1,*,10;Math 1,&1,+,1;");
    Global("b", "Math 1,&1,*,10;Math 1,&1,+,2;");
    EXPECT_EQ(form->findgsid("b"), 1);
    EXPECT_EQ(form->findgsid("c"), -1);
    EXPECT_EQ(gslist[1].a, 1);
    form->processglobscripts();
    EXPECT_EQ(intvars[1], 12);

    form->stopglobscript("a");
    intvars[1] = 0;
    form->processglobscripts();
    EXPECT_EQ(intvars[1], 2);
    form->runglobscript("a");
    intvars[1] = 0;
    form->processglobscripts();
    EXPECT_EQ(intvars[1], 12);

    form->removeglobscript("b"); // the last entry
    form->removeglobscript("c");
    EXPECT_EQ(GlobalIds(), std::vector<std::string>{"a"});
    exiting = true;
    form->processglobscripts();
    EXPECT_EQ(intvars[1], 12);
    exiting = false;
    form->cleargslist();
    EXPECT_TRUE(gslist.empty());
    EXPECT_THROW(form->addglobscript("missing"), EGameDataError);
}

TEST_F(Scripts, AScriptRemovingEntriesEndsThePassAtTheNewEnd)
{
    Global("first", "SetInt 1,1;RemoveScript second;RemoveScript third;");
    Global("second", "SetInt 2,1;");
    Global("third", "SetInt 3,1;");
    form->processglobscripts();
    EXPECT_EQ(intvars[1], 1);
    EXPECT_EQ(intvars[2], 0);
    EXPECT_EQ(intvars[3], 0);
    EXPECT_EQ(GlobalIds(), std::vector<std::string>{"first"});
}

TEST_F(Scripts, TheGlobalListHoldsAThousandEntries)
{
    folder.Write("scripts/g.txt", "SetInt 1,1;");
    for (int32_t k = 0; k < cGlobalScripts; ++k) form->addglobscript("g");
    EXPECT_THROW(form->addglobscript("g"), EScriptError);
    EXPECT_EQ(gslist.size(), static_cast<std::size_t>(cGlobalScripts));
}

TEST_F(Scripts, CellsSearchesChoicesAndTheNewGameStartTheirScripts)
{
    folder.Write("levels/lv/script_3_4.txt", "SetInt 1,1;");
    folder.Write("levels/lv/sscript_3_4.txt", "SetInt 2,1;NoSearch;");
    folder.Write("scripts/pick.txt", "SetInt 3,^choice;");
    folder.Write("scripts/startscript.txt", "SetInt 4,1;");
    for (rqftp& request : rfqueue) request.active = false;

    form->ActivateCell(3, 4);
    EXPECT_EQ(intvars[1], 1);
    form->PlayerSearch(3, 4);
    EXPECT_EQ(intvars[2], 1);
    EXPECT_FALSE(rfqueue[1].active); // the script's NoSearch keeps the standard texts back
    EXPECT_FALSE(nosearch);
    choicescript = "pick";
    form->RequestFormChoice(2);
    EXPECT_EQ(intvars[3], 2);
    form->NGLaunch(); // a new game empties the variables before its script
    EXPECT_EQ(intvars[4], 1);
    EXPECT_EQ(intvars[1], 0);
}

} // namespace
