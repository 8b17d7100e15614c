// The controls that hold a value (label, edit, check box, combo box, track bar, group box): their values live in
// the control whether or not it has a widget, their events follow the value's real changes, and the user's input
// reaches them through their Qt widgets without an echo from code.
#include "ComCtrls.h"
#include "Forms.h"
#include "NativeWindows.h"
#include "StdCtrls.h"

#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QWindow>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QSlider>
#include <QtWidgets/QWidget>

#include <string>
#include <vector>

namespace {

// A form with one control of each kind, each event counted; shown only when a test asks.
struct TValueForm {
    TValueForm()
    {
        Form.SetBounds(0, 0, 400, 300);
        Group = Add<TGroupBox>(&Form);
        Group->SetBounds(0, 0, 400, 300);
        Label = Add<TLabel>(Group);
        Edit = Add<TEdit>(Group);
        Edit->SetBounds(10, 30, 120, 23);
        Check = Add<TCheckBox>(Group);
        Check->SetBounds(10, 60, 120, 20);
        Combo = Add<TComboBox>(Group);
        Combo->SetBounds(10, 90, 120, 23);
        Track = Add<TTrackBar>(Group);
        Track->SetBounds(10, 120, 150, 30);
        Edit->OnChange = [this](TObject*) { ++EditChanges; };
        Check->OnClick = [this](TObject*) { ++CheckClicks; };
        Combo->OnChange = [this](TObject*) { ++ComboChanges; };
        Track->OnChange = [this](TObject*) { ++TrackChanges; };
    }
    template <class C> C* Add(TWinControl* Parent)
    {
        auto* control = new C(&Form);
        control->SetParent(Parent);
        return control;
    }
    void Show()
    {
        Form.Show();
        Application->ProcessMessages();
    }
    template <class W> W* Find()
    {
        return QWidget::find(NativeWindow(Form.Handle())->winId())->template findChild<W*>();
    }

    TForm Form{nullptr};
    TGroupBox* Group;
    TLabel* Label;
    TEdit* Edit;
    TCheckBox* Check;
    TComboBox* Combo;
    TTrackBar* Track;
    int EditChanges = 0, CheckClicks = 0, ComboChanges = 0, TrackChanges = 0;
};

void SendKey(QWidget* Widget, int Key, const QString& Text = {})
{
    QKeyEvent press(QEvent::KeyPress, Key, Qt::NoModifier, Text);
    QCoreApplication::sendEvent(Widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Key, Qt::NoModifier, Text);
    QCoreApplication::sendEvent(Widget, &release);
}

void ClickCentre(QWidget* Widget)
{
    const QPointF centre(8, Widget->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, centre, Widget->mapToGlobal(centre), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, Widget->mapToGlobal(centre), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Widget, &press);
    QCoreApplication::sendEvent(Widget, &release);
}

} // namespace

// Without widgets, code drives the controls as a user would: each real change runs the event once, the same
// value runs nothing, and a combo box never runs its event from code.
TEST(ValueControls, AnUnshownFormIsItsOwnModel)
{
    TValueForm f;
    ASSERT_FALSE(f.Edit->HandleAllocated());

    f.Edit->SetText("20");
    f.Edit->SetText("20");
    f.Check->SetChecked(true);
    f.Check->SetChecked(true);
    f.Track->SetMax(100);
    f.Track->SetPosition(40);
    f.Track->SetPosition(40);
    f.Track->SetPosition(500); // held at Max: one more change
    f.Track->SetPosition(100);
    EXPECT_EQ(f.Edit->Text(), "20");
    EXPECT_TRUE(f.Check->Checked());
    EXPECT_EQ(f.Track->Position(), 100);
    EXPECT_EQ(f.EditChanges, 1);
    EXPECT_EQ(f.CheckClicks, 1);
    EXPECT_EQ(f.TrackChanges, 2);
    f.Track->SetMax(50); // the bound pushes the position along
    EXPECT_EQ(f.Track->Position(), 50);
    EXPECT_EQ(f.TrackChanges, 3);

    f.Combo->Items()->Add("en");
    f.Combo->Items()->Add("ru");
    f.Combo->SetItemIndex(1);
    EXPECT_EQ(f.Combo->Text(), "ru");
    f.Combo->SetText("EN");
    EXPECT_EQ(f.Combo->ItemIndex(), 0);
    EXPECT_EQ(f.Combo->Text(), "en");
    f.Combo->SetText("de"); // a drop-down box shows a text that is no item
    EXPECT_EQ(f.Combo->ItemIndex(), -1);
    EXPECT_EQ(f.Combo->Text(), "de");
    f.Combo->SetStyle(csDropDownList);
    EXPECT_EQ(f.Combo->Text(), "");
    f.Combo->SetItemIndex(5);
    EXPECT_EQ(f.Combo->ItemIndex(), -1);
    f.Combo->SetItemIndex(1);
    f.Combo->Items()->Insert(0, "de"); // the selection follows its item
    EXPECT_EQ(f.Combo->Text(), "ru");
    f.Combo->Items()->Delete(2);
    EXPECT_EQ(f.Combo->ItemIndex(), -1);
    EXPECT_EQ(f.ComboChanges, 0);
    EXPECT_FALSE(f.Edit->HandleAllocated());
}

// A refusal marks the text until the next change, from code or typed; shown, it is red with the hint as tooltip.
TEST(ValueControls, ARefusedEditStaysMarkedUntilTheNextChange)
{
    TValueForm f;
    f.Edit->OnChange = [&](TObject*) {
        if (f.Edit->Text() == "abc") f.Edit->SetInvalid("a whole number of 1 or more");
    };
    f.Edit->SetText("abc");
    EXPECT_TRUE(f.Edit->Invalid());
    EXPECT_EQ(f.Edit->InvalidHint(), "a whole number of 1 or more");
    f.Show();
    auto* box = f.Find<QLineEdit>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "abc");
    EXPECT_TRUE(box->styleSheet().contains("red"));
    EXPECT_EQ(box->toolTip(), "a whole number of 1 or more");

    SendKey(box, Qt::Key_Backspace);
    EXPECT_EQ(f.Edit->Text(), "ab");
    EXPECT_FALSE(f.Edit->Invalid());
    EXPECT_EQ(f.Edit->InvalidHint(), "");
    EXPECT_TRUE(box->styleSheet().isEmpty());
    EXPECT_TRUE(box->toolTip().isEmpty());
}

// Values set before the form is shown appear in the widgets; the user's typing, clicks, choices and slides run
// each event once, and code that sets a shown control runs it once, with no echo from the widget.
TEST(ValueControls, AShownFormTakesTheValuesAndTheUsersInput)
{
    TValueForm f;
    f.Group->SetCaption("Sound");
    f.Label->SetCaption("Volume & more");
    f.Edit->SetText("5");
    f.Check->SetCaption("Music");
    f.Check->SetChecked(true);
    f.Combo->SetStyle(csDropDownList);
    f.Combo->Items()->SetText("0\n2\n4\n8\n16");
    f.Combo->SetItemIndex(2);
    f.Track->SetMax(100);
    f.Track->SetPosition(30);
    f.EditChanges = f.CheckClicks = f.TrackChanges = 0;
    f.Show();

    auto* group = f.Find<QGroupBox>();
    auto* label = f.Find<QLabel>();
    auto* edit = f.Find<QLineEdit>();
    auto* check = f.Find<QCheckBox>();
    auto* combo = f.Find<QComboBox>();
    auto* slider = f.Find<QSlider>();
    ASSERT_TRUE(group && label && edit && check && combo && slider);
    EXPECT_EQ(group->title(), "Sound");
    EXPECT_EQ(label->text(), "Volume & more");
    EXPECT_EQ(edit->text(), "5");
    EXPECT_TRUE(check->isChecked());
    EXPECT_EQ(check->text(), "Music");
    EXPECT_EQ(combo->count(), 5);
    EXPECT_EQ(combo->currentText(), "4");
    EXPECT_EQ(slider->maximum(), 100);
    EXPECT_EQ(slider->value(), 30);
    EXPECT_EQ(f.EditChanges + f.CheckClicks + f.ComboChanges + f.TrackChanges, 0);

    SendKey(edit, Qt::Key_0, "0");
    EXPECT_EQ(f.Edit->Text(), "50");
    EXPECT_EQ(f.EditChanges, 1);
    ClickCentre(check);
    EXPECT_FALSE(f.Check->Checked());
    EXPECT_EQ(f.CheckClicks, 1);
    SendKey(combo, Qt::Key_Down);
    EXPECT_EQ(f.Combo->ItemIndex(), 3);
    EXPECT_EQ(f.ComboChanges, 1);
    SendKey(slider, Qt::Key_Right);
    EXPECT_EQ(f.Track->Position(), 31);
    EXPECT_EQ(f.TrackChanges, 1);

    f.Edit->SetText("7");
    f.Check->SetChecked(true);
    f.Combo->SetItemIndex(0);
    f.Track->SetPosition(80);
    EXPECT_EQ(edit->text(), "7");
    EXPECT_TRUE(check->isChecked());
    EXPECT_EQ(combo->currentText(), "0");
    EXPECT_EQ(slider->value(), 80);
    EXPECT_EQ(f.EditChanges, 2);
    EXPECT_EQ(f.CheckClicks, 2);
    EXPECT_EQ(f.ComboChanges, 1);
    EXPECT_EQ(f.TrackChanges, 2);
}

// A dialog border gives a title with a close button only and a size the user cannot change, following the size
// the program sets.
TEST(ValueControls, ADialogKeepsTheSizeItIsGiven)
{
    TForm form(nullptr);
    form.SetBorderStyle(bsDialog);
    form.SetClientWidth(776);
    form.SetClientHeight(505);
    form.Show();
    Application->ProcessMessages();
    QWidget* widget = QWidget::find(NativeWindow(form.Handle())->winId());
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->minimumSize(), QSize(776, 505));
    EXPECT_EQ(widget->maximumSize(), QSize(776, 505));
    EXPECT_TRUE(widget->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(widget->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(widget->windowFlags() & Qt::WindowMinimizeButtonHint);
    form.SetClientWidth(600);
    EXPECT_EQ(widget->maximumSize(), QSize(600, 505));
    form.SetBorderStyle(bsSizeable);
    EXPECT_NE(widget->maximumSize(), QSize(600, 505));
}
