// The editors' controls: the scroll bar, the main menu with its shortcuts and its place above the client area,
// the picture control.
#include "Buttons.h"
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "KeyState.h"
#include "Menus.h"
#include "NativeWindows.h"
#include "StdCtrls.h"
#include "VirtualKeys.h"

#include <gtest/gtest.h>

#include <QtGui/QWindow>
#include <QtCore/QCoreApplication>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QWidget>

namespace {

QWidget* FormWidget(TForm& Form) { return QWidget::find(NativeWindow(Form.Handle())->winId()); }

void PressKey(QWidget* Widget, int Key, Qt::KeyboardModifiers Modifiers)
{
    QKeyEvent press(QEvent::KeyPress, Key, Modifiers);
    QCoreApplication::sendEvent(Widget, &press);
}

} // namespace

TEST(EditorControls, ShortCutText)
{
    const struct {
        uint16_t Key;
        TShiftState Shift;
        const char* Text;
    } cases[] = {
        {'S', TShiftState{ssCtrl}, "Ctrl+S"},
        {VK_F1 + 4, TShiftState{ssShift}, "Shift+F5"},
        {VK_DELETE, TShiftState{}, "Del"},
        {'Z', TShiftState{ssCtrl, ssShift, ssAlt}, "Shift+Ctrl+Alt+Z"},
        {0xBA, TShiftState{ssCtrl}, ""}, // a key without a name makes no shortcut text
    };
    for (const auto& c : cases) EXPECT_EQ(ShortCutToText(ShortCut(c.Key, c.Shift)), c.Text) << c.Text;
}

// The menu bar shows the items; a click and the shortcut run the item, a disabled item runs nothing, and the
// shortcut reaches the menu before the focused edit box takes the key.
TEST(EditorControls, MainMenuClicksAndShortCuts)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto* menu = new TMainMenu(&form);
    auto* file = new TMenuItem(&form);
    file->SetCaption("&File");
    auto* save = new TMenuItem(&form);
    save->SetCaption("&Save");
    save->SetShortCut(ShortCut('S', TShiftState{ssCtrl}));
    auto* line = new TMenuItem(&form);
    line->SetCaption("-");
    auto* quit = new TMenuItem(&form);
    quit->SetCaption("&Quit");
    quit->SetShortCut(ShortCut('Q', TShiftState{ssCtrl}));
    quit->SetEnabled(false);
    file->Add(save);
    file->Add(line);
    file->Add(quit);
    menu->Items()->Add(file);
    int saves = 0, quits = 0;
    save->OnClick = [&](TObject* Sender) {
        EXPECT_EQ(Sender, save);
        ++saves;
    };
    quit->OnClick = [&](TObject*) { ++quits; };
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 40, 100, 23);
    form.SetMenu(menu);

    save->Click();
    quit->Click();
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(quits, 0);

    form.Show();
    Application->ProcessMessages();
    QWidget* window = FormWidget(form);
    auto* bar = window->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->actions().size(), 1);
    QMenu* fileMenu = bar->actions()[0]->menu();
    ASSERT_NE(fileMenu, nullptr);
    ASSERT_EQ(fileMenu->actions().size(), 3);
    EXPECT_EQ(fileMenu->actions()[0]->text(), QStringLiteral("&Save\tCtrl+S"));
    EXPECT_TRUE(fileMenu->actions()[1]->isSeparator());
    EXPECT_FALSE(fileMenu->actions()[2]->isEnabled());
    fileMenu->actions()[0]->trigger();
    EXPECT_EQ(saves, 2);

    auto* box = window->findChild<QLineEdit*>();
    ASSERT_NE(box, nullptr);
    PressKey(box, Qt::Key_S, Qt::ControlModifier);
    PressKey(box, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(saves, 3);
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(edit->Text(), "");

    save->SetCaption("Save &as"); // the bar shows the change
    Application->ProcessMessages();
    bar = window->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->actions()[0]->menu()->actions()[0]->text(), QStringLiteral("Save &as\tCtrl+S"));
}

// Code and the user move the bar alike: one OnChange per real change, none for the bar's echo of code.
TEST(EditorControls, ScrollBarChangesOncePerRealChange)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto* bar = new TScrollBar(&form);
    bar->SetParent(&form);
    int changes = 0;
    bar->OnChange = [&](TObject*) { ++changes; };

    bar->SetPosition(30);
    bar->SetPosition(30);
    bar->SetPosition(-5); // held at Min
    EXPECT_EQ(bar->Position(), 0);
    EXPECT_EQ(changes, 2);
    bar->SetPosition(90);
    bar->SetMax(60); // the bound pushes the position along
    EXPECT_EQ(bar->Position(), 60);
    EXPECT_EQ(changes, 4);

    bar->SetKind(sbVertical);
    EXPECT_EQ(bar->Width(), 17);
    bar->SetLargeChange(10);
    form.Show();
    Application->ProcessMessages();
    auto* qbar = FormWidget(form)->findChild<QScrollBar*>();
    ASSERT_NE(qbar, nullptr);
    EXPECT_EQ(qbar->orientation(), Qt::Vertical);
    EXPECT_EQ(qbar->value(), 60);
    EXPECT_EQ(changes, 4); // showing the state is no change
    qbar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(bar->Position(), 50);
    EXPECT_EQ(changes, 5);
}

// A double click on a group box, its frame or its caption, runs its OnDblClick; the active control set before
// the form shows has the keyboard once it shows, and follows the focus.
TEST(EditorControls, GroupDoubleClickAndActiveControl)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto* group = new TGroupBox(&form);
    group->SetParent(&form);
    group->SetBounds(0, 0, 300, 200);
    auto* first = new TEdit(&form);
    first->SetParent(group);
    first->SetBounds(10, 30, 100, 23);
    auto* second = new TEdit(&form);
    second->SetParent(group);
    second->SetBounds(10, 60, 100, 23);
    int doubles = 0;
    group->OnDblClick = [&](TObject*) { ++doubles; };
    form.SetActiveControl(second);
    EXPECT_EQ(form.ActiveControl(), second);

    form.Show();
    Application->ProcessMessages();
    EXPECT_EQ(form.ActiveControl(), second);
    form.SetActiveControl(first);
    EXPECT_EQ(form.ActiveControl(), first);

    auto* box = FormWidget(form)->findChild<QGroupBox*>();
    ASSERT_NE(box, nullptr);
    const QPointF at(150, 150);
    QMouseEvent click(QEvent::MouseButtonDblClick, at, box->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(box, &click);
    EXPECT_EQ(doubles, 1);

    delete first; // a freed active control is none
    form.Hide();
    EXPECT_EQ(form.ActiveControl(), nullptr);
}

// A key or button is down from its press to its release, whichever widget takes it; a repeat changes nothing
// and leaving the application releases everything.
TEST(EditorControls, AsyncKeyState)
{
    TForm form(nullptr);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    form.Show();
    Application->ProcessMessages();
    auto* box = FormWidget(form)->findChild<QLineEdit*>();
    ASSERT_NE(box, nullptr);
    TrackKeyState();
    const auto send = [&](QEvent::Type Type, int Key, bool Repeat = false) {
        QKeyEvent event(Type, Key, Qt::NoModifier, QString(), Repeat);
        QCoreApplication::sendEvent(box, &event);
    };

    EXPECT_EQ(GetAsyncKeyState(VK_LEFT), 0);
    send(QEvent::KeyPress, Qt::Key_Left);
    EXPECT_LT(GetAsyncKeyState(VK_LEFT), 0);
    send(QEvent::KeyRelease, Qt::Key_Left, true); // the repeat's release
    EXPECT_LT(GetAsyncKeyState(VK_LEFT), 0);
    send(QEvent::KeyRelease, Qt::Key_Left);
    EXPECT_EQ(GetAsyncKeyState(VK_LEFT), 0);

    const QPointF at(5, 5);
    QMouseEvent press(QEvent::MouseButtonPress, at, box->mapToGlobal(at), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(box, &press);
    send(QEvent::KeyPress, Qt::Key_A);
    EXPECT_LT(GetAsyncKeyState(VK_RBUTTON), 0);
    EXPECT_LT(GetAsyncKeyState('A'), 0);
    QEvent leave(QEvent::ApplicationDeactivate);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &leave);
    EXPECT_EQ(GetAsyncKeyState(VK_RBUTTON), 0);
    EXPECT_EQ(GetAsyncKeyState('A'), 0);
    EXPECT_EQ(GetAsyncKeyState(0x1FF), 0);
}

// A grouped speed button stays down once clicked and puts the others of its group up; a plain one never stays
// down; the user's click runs the same as Click.
TEST(EditorControls, SpeedButtonGroups)
{
    TForm form(nullptr);
    TSpeedButton* buttons[3];
    int clicks = 0;
    for (int i = 0; i < 3; ++i) {
        buttons[i] = new TSpeedButton(&form);
        buttons[i]->SetParent(&form);
        buttons[i]->SetBounds(i * 30, 0, 25, 25);
        buttons[i]->SetGroupIndex(i < 2 ? 1 : 0);
        buttons[i]->OnClick = [&](TObject*) { ++clicks; };
    }
    buttons[0]->Click();
    EXPECT_TRUE(buttons[0]->Down());
    buttons[2]->SetDown(true);
    EXPECT_FALSE(buttons[2]->Down());

    form.Show();
    Application->ProcessMessages();
    const auto tools = FormWidget(form)->findChildren<QToolButton*>();
    ASSERT_EQ(tools.size(), 3);
    EXPECT_TRUE(tools[0]->isChecked());
    tools[1]->click();
    EXPECT_FALSE(buttons[0]->Down());
    EXPECT_TRUE(buttons[1]->Down());
    EXPECT_FALSE(tools[0]->isChecked());
    EXPECT_TRUE(tools[1]->isChecked());
    tools[2]->click();
    EXPECT_FALSE(buttons[2]->Down());
    EXPECT_EQ(clicks, 3);
}

// Dragging a splitter sizes the control aligned before it, not below its least size, and the controls aligned
// after it follow; the drag's end runs OnMoved.
TEST(EditorControls, SplitterSizesTheControlBeforeIt)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto* left = new TPanel(&form);
    left->SetParent(&form);
    left->SetBounds(0, 0, 100, 200);
    left->SetAlign(alLeft);
    auto* splitter = new TSplitter(&form);
    splitter->SetParent(&form);
    splitter->SetBounds(100, 0, 3, 200);
    splitter->SetMinSize(40);
    auto* rest = new TPanel(&form);
    rest->SetParent(&form);
    rest->SetAlign(alClient);
    int moves = 0;
    splitter->OnMoved = [&](TObject*) { ++moves; };
    EXPECT_EQ(splitter->Left(), 100);
    EXPECT_EQ(rest->Left(), 103);
    EXPECT_EQ(rest->Width(), 197);

    form.Show();
    Application->ProcessMessages();
    const auto mouse = [&](QEvent::Type Type, int X, Qt::MouseButtons Buttons) {
        QWidget* bar = FormWidget(form)->childAt(splitter->Left() + 1, 50);
        ASSERT_NE(bar, nullptr);
        const QPointF at(X, 50);
        QMouseEvent event(Type, at, bar->mapToGlobal(at), Type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          Buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(bar, &event);
    };
    mouse(QEvent::MouseButtonPress, 1, Qt::LeftButton);
    mouse(QEvent::MouseMove, 21, Qt::LeftButton);
    EXPECT_EQ(left->Width(), 120);
    EXPECT_EQ(splitter->Left(), 120);
    EXPECT_EQ(rest->Left(), 123);
    mouse(QEvent::MouseMove, -200, Qt::LeftButton);
    EXPECT_EQ(left->Width(), 40);
    EXPECT_EQ(moves, 0);
    mouse(QEvent::MouseButtonRelease, 1, Qt::NoButton);
    EXPECT_EQ(moves, 1);
    mouse(QEvent::MouseMove, 30, Qt::NoButton); // no drag without the button
    EXPECT_EQ(left->Width(), 40);
}

// The menu bar takes its own height above the client area: the window is that much taller, a control at the
// client's top shows below the bar, and positions, the screen origin and the form's picture are the client area's.
TEST(EditorControls, TheMenuBarLiesAboveTheClientArea)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(0, 0, 100, 23);
    auto* menu = new TMainMenu(&form);
    auto* file = new TMenuItem(&form);
    file->SetCaption("File");
    menu->Items()->Add(file);
    form.SetMenu(menu);
    form.Show();
    Application->ProcessMessages();
    QWidget* window = FormWidget(form);
    auto* bar = window->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    const int barHeight = bar->height();
    ASSERT_GT(barHeight, 0);
    EXPECT_EQ(window->size(), QSize(300, 200 + barHeight));
    EXPECT_EQ(std::make_pair(form.ClientWidth(), form.ClientHeight()), std::make_pair(300, 200));
    auto* box = window->findChild<QLineEdit*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->mapTo(window, QPoint(0, 0)), QPoint(0, barHeight));
    EXPECT_EQ(std::make_pair(edit->Left(), edit->Top()), std::make_pair(0, 0));
    EXPECT_EQ(form.ClientOrigin().Y, window->mapToGlobal(QPoint(0, barHeight)).y());
    const auto picture = form.GetFormImage();
    EXPECT_EQ(std::make_pair(picture->Width(), picture->Height()), std::make_pair(300, 200));

    // The user's resize keeps the bar out of the client area; a form without its menu takes the whole window.
    window->resize(320, 260);
    EXPECT_EQ(std::make_pair(form.ClientWidth(), form.ClientHeight()), std::make_pair(320, 260 - barHeight));
    form.SetMenu(nullptr);
    EXPECT_EQ(window->size(), QSize(320, 260 - barHeight));
    EXPECT_EQ(box->mapTo(window, QPoint(0, 0)), QPoint(0, 0));
}

// What is drawn on an image's picture shows once the image is invalidated, without a resize; a pointer moving
// over it without a button held reaches its OnMouseMove.
TEST(EditorControls, AnImageShowsItsDrawingAndFollowsThePointer)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 100, 100);
    auto* image = new TImage(&form);
    image->SetParent(&form);
    image->SetBounds(0, 0, 100, 100);
    TBitmap* bitmap = image->Picture()->Bitmap();
    bitmap->SetSize(100, 100);
    bitmap->Canvas()->Brush()->SetColor(clRed);
    bitmap->Canvas()->FillRect(TRect{0, 0, 100, 100});
    std::vector<std::pair<int32_t, int32_t>> moves;
    image->OnMouseMove = [&](TObject*, TShiftState, int32_t X, int32_t Y) { moves.emplace_back(X, Y); };
    form.Show();
    Application->ProcessMessages();
    const auto pixel = [&form] {
        const auto picture = form.GetFormImage();
        const uint8_t* at = picture->ScanLine(50) + 3 * 50;
        return std::vector<int>(at, at + 3);
    };
    EXPECT_EQ(pixel(), (std::vector<int>{0, 0, 255}));
    bitmap->Canvas()->Brush()->SetColor(clBlue);
    bitmap->Canvas()->FillRect(TRect{0, 0, 100, 100});
    image->Invalidate();
    Application->ProcessMessages();
    EXPECT_EQ(pixel(), (std::vector<int>{255, 0, 0}));

    QWidget* label = FormWidget(form)->findChild<QLabel*>(QStringLiteral("content"));
    ASSERT_NE(label, nullptr);
    const QPointF at(30, 40);
    QMouseEvent move(QEvent::MouseMove, at, label->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(label, &move);
    EXPECT_EQ(moves, (std::vector<std::pair<int32_t, int32_t>>{{30, 40}}));
}
