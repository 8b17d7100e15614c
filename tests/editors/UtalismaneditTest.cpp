// The variable editor: reading and setting integer and text variables, and the refused ids and numbers.
#include "Utalismanedit.h"

#include "UGH_tables.h"

#include "Components.h"
#include "ContentEditorFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class VariableEditor : public ContentEditorFixture {
protected:
    std::unique_ptr<TForm6, TFreeDeleter> form{new TForm6(nullptr)};
};

TEST_F(VariableEditor, ReadsAndSetsBothKinds)
{
    EXPECT_TRUE(form->RadioButton1->Checked());
    intvars[1000] = -42;
    strvars[1000] = "gate open";
    form->Edit1->SetText("1000");
    form->Button1->Click();
    EXPECT_EQ(form->Edit2->Text(), "-42");
    form->Edit2->SetText("17");
    form->Button2->Click();
    EXPECT_EQ(intvars[1000], 17);

    form->RadioButton2->SetChecked(true);
    EXPECT_FALSE(form->RadioButton1->Checked());
    form->Button1->Click();
    EXPECT_EQ(form->Edit2->Text(), "gate open");
    form->Edit2->SetText("gate shut");
    form->Button2->Click();
    EXPECT_EQ(strvars[1000], "gate shut");
    EXPECT_EQ(intvars[1000], 17);
    EXPECT_TRUE(messages.empty());
}

TEST_F(VariableEditor, BadIdsAndNumbersChangeNothing)
{
    form->Edit2->SetText("5");
    for (const char* id : {"1001", "-1", "x"}) {
        messages.clear();
        form->Edit1->SetText(id);
        form->Button1->Click();
        form->Button2->Click();
        EXPECT_EQ(messages, std::vector<std::string>(2, "var id: a whole number from 0 to 1000")) << id;
        EXPECT_TRUE(form->Edit1->Invalid());
        EXPECT_EQ(form->Edit2->Text(), "5");
    }
    messages.clear();
    form->Edit1->SetText("3");
    intvars[3] = 8;
    form->Edit2->SetText("eight");
    form->Button2->Click();
    EXPECT_EQ(messages, std::vector<std::string>{"value: a whole number"});
    EXPECT_EQ(intvars[3], 8);
}

} // namespace
