// The controls the editors choose with: the list box, the check list box, the radio button and the edit box with
// its label. Their values live in the control whether or not it has a widget; the user's choices run their
// events, code that sets the values runs none (except a radio button becoming checked, as a check box does).
#include "ExtCtrls.h"
#include "Forms.h"
#include "NativeWindows.h"
#include "Raises.h"
#include "StdCtrls.h"

#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtGui/QFocusEvent>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QWindow>
#include <QtWidgets/QLabel>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QStyle>
#include <QtWidgets/QStyleOptionViewItem>

#include <chrono>
#include <string>
#include <vector>

namespace {

template <class C> C* Add(TForm& Form, TWinControl* Parent)
{
    auto* control = new C(&Form);
    control->SetParent(Parent);
    return control;
}

template <class W> W* Find(TForm& Form)
{
    return QWidget::find(NativeWindow(Form.Handle())->winId())->findChild<W*>();
}

void Show(TForm& Form)
{
    Form.Show();
    Application->ProcessMessages();
}

std::vector<std::string> ItemsOf(const TListBox& Box)
{
    std::vector<std::string> items;
    for (int i = 0; i < Box.Items()->Count(); ++i) items.push_back(Box.Items()->Strings(i));
    return items;
}

std::vector<std::string> RowsOf(const QListWidget* Box)
{
    std::vector<std::string> rows;
    for (int i = 0; i < Box->count(); ++i) rows.push_back(Box->item(i)->text().toStdString());
    return rows;
}

void Click(QWidget* Widget, QPoint At)
{
    const QPointF at(At);
    QMouseEvent press(QEvent::MouseButtonPress, at, Widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, Widget->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(Widget, &press);
    QCoreApplication::sendEvent(Widget, &release);
}

void PressKey(QWidget* Widget, int Key)
{
    QKeyEvent press(QEvent::KeyPress, Key, Qt::NoModifier);
    QCoreApplication::sendEvent(Widget, &press);
}

// The middle of a line's text, and the middle of its tick box.
QPoint TextOf(QListWidget* Box, int Row) { return Box->visualItemRect(Box->item(Row)).center(); }
QPoint TickOf(QListWidget* Box, int Row)
{
    QStyleOptionViewItem option;
    option.initFrom(Box);
    option.rect = Box->visualItemRect(Box->item(Row));
    option.features |= QStyleOptionViewItem::HasCheckIndicator;
    return Box->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, Box).center();
}

using TLines = std::vector<std::string>;

} // namespace

// Without a widget the lists are their own model: the choice and the ticks follow their lines as lines come and
// go, code runs no event, and a thousand ticks are set and read without a widget being made.
TEST(ChoiceControls, ListsWithoutAWidget)
{
    TForm form(nullptr);
    auto* list = Add<TListBox>(form, &form);
    auto* checks = Add<TCheckListBox>(form, &form);
    int clicks = 0, clickChecks = 0;
    list->OnClick = checks->OnClick = [&](TObject*) { ++clicks; };
    checks->OnClickCheck = [&](TObject*) { ++clickChecks; };

    list->Items()->SetText("0) Rat\n1) Bat\n2\n");
    list->SetItemIndex(1);
    list->Items()->Insert(0, "x");
    EXPECT_EQ(list->ItemIndex(), 2);
    list->Items()->Delete(2);
    EXPECT_EQ(list->ItemIndex(), -1);
    list->SetItemIndex(2);
    list->SetItemIndex(7);
    EXPECT_EQ(list->ItemIndex(), -1);
    list->SetItemIndex(0);
    list->Clear();
    EXPECT_EQ(list->ItemIndex(), -1);
    EXPECT_EQ(ItemsOf(*list), TLines{});

    for (int i = 0; i < 4; ++i) checks->Items()->Add(std::to_string(i));
    checks->SetChecked(1, true);
    checks->SetChecked(3, true);
    checks->Items()->Insert(0, "new");
    checks->Items()->Delete(2); // the line "1"
    EXPECT_EQ(ItemsOf(*checks), (TLines{"new", "0", "2", "3"}));
    const bool expected[] = {false, false, false, true};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(checks->Checked(i), expected[i]) << i;
    EXPECT_EQ(MessageOf<EStringListError>([&] { checks->Checked(4); }), "List index out of bounds (4)");
    EXPECT_EQ(MessageOf<EStringListError>([&] { checks->SetChecked(-1, true); }), "List index out of bounds (-1)");
    checks->Items()->Put(3, "three");
    EXPECT_TRUE(checks->Checked(3)); // a renamed line keeps its tick

    checks->Clear();
    checks->Items()->BeginUpdate();
    for (int i = 0; i <= 1000; ++i) checks->Items()->Add(std::to_string(i));
    checks->Items()->EndUpdate();
    const auto start = std::chrono::steady_clock::now();
    int ticked = 0;
    for (int round = 0; round < 100; ++round) {
        for (int i = 0; i <= 1000; ++i) checks->SetChecked(i, (i + round) % 3 == 0);
        for (int i = 0; i <= 1000; ++i) ticked += checks->Checked(i);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(ticked, 34 * 334 + 33 * 333 + 33 * 334); // rounds 0, 3, ... tick 0, 3, ... 999; the others 333 or 334
    EXPECT_FALSE(checks->HandleAllocated());
    EXPECT_EQ(clicks + clickChecks, 0);
}

// Shown, the box shows the lines, ticks and choice code sets, changed line by line, and runs OnClick for the
// user's click (again on the chosen line too) and for a key that moves the choice, never for code.
TEST(ChoiceControls, AShownListBoxTakesTheUsersChoice)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 300);
    auto* list = Add<TListBox>(form, &form);
    list->SetBounds(0, 0, 200, 300);
    list->Items()->SetText("a\nb\nc\n");
    list->SetItemIndex(2);
    std::vector<int> chosen;
    list->OnClick = [&](TObject*) { chosen.push_back(list->ItemIndex()); };
    Show(form);

    auto* box = Find<QListWidget>(form);
    ASSERT_TRUE(box);
    EXPECT_EQ(RowsOf(box), (TLines{"a", "b", "c"}));
    EXPECT_EQ(box->currentRow(), 2);
    list->SetItemIndex(-1);
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason); // the view makes a line current: none is chosen
    QCoreApplication::sendEvent(box, &focus);
    EXPECT_EQ(list->ItemIndex(), -1);
    list->SetItemIndex(2);
    list->Items()->Insert(0, "z");
    list->Items()->Put(1, "A");
    list->Items()->Delete(2);
    list->Items()->Add("d");
    EXPECT_EQ(RowsOf(box), (TLines{"z", "A", "c", "d"}));
    EXPECT_EQ(box->currentRow(), 2);
    list->SetItemIndex(-1);
    EXPECT_EQ(box->currentRow(), -1);
    EXPECT_TRUE(box->selectedItems().isEmpty());
    EXPECT_EQ(chosen, std::vector<int>{});

    Click(box->viewport(), TextOf(box, 1));
    Click(box->viewport(), TextOf(box, 1));
    PressKey(box, Qt::Key_Down);
    PressKey(box, Qt::Key_Down);
    PressKey(box, Qt::Key_Down); // the last line already: no move, no choice
    EXPECT_EQ(chosen, (std::vector<int>{1, 1, 2, 3}));
    list->SetItemIndex(0);
    EXPECT_EQ(box->currentRow(), 0);
    EXPECT_EQ(chosen.size(), 4u);
}

// A click on a line's tick box runs OnClickCheck, then OnClick with the new tick already there (the monster
// list reads it from OnClick); the space bar ticks without choosing; ticks set by code show and run nothing.
TEST(ChoiceControls, AShownCheckListBoxTakesTheUsersTicks)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 300);
    auto* checks = Add<TCheckListBox>(form, &form);
    checks->SetBounds(0, 0, 200, 300);
    for (int i = 0; i <= 100; ++i) checks->Items()->Add(std::to_string(i) + ")");
    checks->SetChecked(2, true);
    std::vector<std::string> events;
    checks->OnClickCheck = [&](TObject*) { events.push_back("check"); };
    checks->OnClick = [&](TObject*) {
        const int line = checks->ItemIndex();
        events.push_back("click " + std::to_string(line) + (checks->Checked(line) ? " ticked" : " unticked"));
    };
    Show(form);

    auto* box = Find<QListWidget>(form);
    ASSERT_TRUE(box);
    ASSERT_EQ(box->count(), 101);
    EXPECT_EQ(box->item(2)->checkState(), Qt::Checked);
    EXPECT_EQ(box->item(1)->checkState(), Qt::Unchecked);

    Click(box->viewport(), TickOf(box, 1));
    Click(box->viewport(), TickOf(box, 2));
    Click(box->viewport(), TextOf(box, 3)); // the text chooses without ticking
    PressKey(box, Qt::Key_Space);
    EXPECT_EQ(events, (std::vector<std::string>{"check", "click 1 ticked", "check", "click 2 unticked",
                                                "click 3 unticked", "check"}));
    EXPECT_TRUE(checks->Checked(1));
    EXPECT_FALSE(checks->Checked(2));
    EXPECT_TRUE(checks->Checked(3));

    events.clear();
    checks->SetChecked(3, false);
    checks->SetChecked(50, true);
    EXPECT_EQ(box->item(3)->checkState(), Qt::Unchecked);
    EXPECT_EQ(box->item(50)->checkState(), Qt::Checked);
    checks->Items()->Delete(0); // the ticks move up with their lines
    EXPECT_EQ(box->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(box->item(49)->checkState(), Qt::Checked);
    checks->Items()->BeginUpdate(); // the lines rebuilt and ticked show at the end
    checks->Clear();
    for (int i = 0; i < 3; ++i) checks->Items()->Add(std::to_string(i));
    checks->SetChecked(2, true);
    checks->Items()->EndUpdate();
    ASSERT_EQ(box->count(), 3);
    EXPECT_EQ(box->item(2)->checkState(), Qt::Checked);
    EXPECT_EQ(events, std::vector<std::string>{});
}

// The radio buttons of one parent are a group; another parent's are another group. OnClick runs as a button
// becomes checked, by code or the user; a click on the checked one keeps it checked and runs nothing.
TEST(ChoiceControls, RadioButtonsOfOneParent)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto* other = Add<TPanel>(form, &form);
    other->SetBounds(150, 0, 150, 200);
    auto* intButton = Add<TRadioButton>(form, &form);
    auto* strButton = Add<TRadioButton>(form, &form);
    auto* elsewhere = Add<TRadioButton>(form, other);
    strButton->SetTop(30);
    intButton->SetCaption("int");
    strButton->SetCaption("str");
    std::vector<std::string> clicks;
    for (TRadioButton* button : {intButton, strButton, elsewhere})
        button->OnClick = [&clicks, button](TObject*) { clicks.push_back(button->Caption()); };
    elsewhere->SetCaption("elsewhere");

    intButton->SetChecked(true);
    elsewhere->SetChecked(true);
    intButton->SetChecked(true);
    strButton->SetChecked(true);
    EXPECT_FALSE(intButton->Checked());
    EXPECT_TRUE(elsewhere->Checked());
    strButton->SetChecked(false);
    EXPECT_EQ(clicks, (std::vector<std::string>{"int", "elsewhere", "str"}));

    intButton->SetChecked(true);
    clicks.clear();
    Show(form);
    std::vector<QRadioButton*> shown;
    for (QRadioButton* button : QWidget::find(NativeWindow(form.Handle())->winId())->findChildren<QRadioButton*>())
        shown.push_back(button);
    const auto widgetOf = [&](const std::string& Caption) {
        for (QRadioButton* button : shown)
            if (button->text().toStdString() == Caption) return button;
        return static_cast<QRadioButton*>(nullptr);
    };
    QRadioButton* intBox = widgetOf("int");
    QRadioButton* strBox = widgetOf("str");
    ASSERT_TRUE(intBox && strBox);
    EXPECT_TRUE(intBox->isChecked());
    Click(strBox, QPoint(6, strBox->height() / 2));
    EXPECT_TRUE(strButton->Checked());
    EXPECT_FALSE(intButton->Checked());
    EXPECT_FALSE(intBox->isChecked());
    Click(strBox, QPoint(6, strBox->height() / 2));
    EXPECT_TRUE(strBox->isChecked());
    EXPECT_TRUE(strButton->Checked());
    EXPECT_TRUE(widgetOf("elsewhere")->isChecked());
    EXPECT_EQ(clicks, std::vector<std::string>{"str"});
}

// The label sits above its box on the box's parent, follows it as it moves, is aligned or shown, and goes with it.
TEST(ChoiceControls, ALabeledEditKeepsItsLabelAboveIt)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto* panel = Add<TPanel>(form, &form);
    panel->SetBounds(0, 0, 300, 200);
    auto* edit = new TLabeledEdit(&form);
    TLabel* label = edit->EditLabel();
    ASSERT_TRUE(label);
    label->SetCaption("bonus amount (%)");
    edit->SetParent(panel);
    edit->SetBounds(40, 60, 80, 23);
    EXPECT_EQ(label->Parent(), panel);
    EXPECT_EQ(label->Left(), 40);
    EXPECT_EQ(label->Top() + label->Height() + 3, 60);
    EXPECT_GE(label->Width(), 80);
    edit->SetTop(100);
    EXPECT_EQ(label->Top() + label->Height() + 3, 100);
    label->SetCaption("two\nlines"); // taller, it stays above the box
    EXPECT_EQ(label->Top() + label->Height() + 3, 100);
    label->SetCaption("bonus amount (%)");
    edit->SetParent(&form);
    EXPECT_EQ(label->Parent(), &form);
    edit->SetAlign(alBottom); // the form aligns it, and the label follows
    EXPECT_EQ(edit->Top(), 200 - 23);
    EXPECT_EQ(label->Top() + label->Height() + 3, edit->Top());
    edit->Hide();
    EXPECT_FALSE(label->Visible());
    edit->Show();

    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    edit->SetText("25");
    Show(form);
    QLabel* shown = nullptr;
    for (QLabel* each : QWidget::find(NativeWindow(form.Handle())->winId())->findChildren<QLabel*>())
        if (each->text() == "bonus amount (%)") shown = each;
    ASSERT_TRUE(shown);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(changes, 1);

    const int before = form.ControlCount();
    Free(edit); // its label goes with it
    EXPECT_EQ(form.ControlCount(), before - 2);

    // Freed by its parent first, the label leaves the box without it.
    auto* second = new TLabeledEdit(&form);
    second->SetParent(panel);
    Free(second->EditLabel());
    EXPECT_EQ(second->EditLabel(), nullptr);
    second->SetBounds(0, 30, 50, 23);
}
