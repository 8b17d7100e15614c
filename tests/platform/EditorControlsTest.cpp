// The editors' controls: the scroll bar, the main menu with its shortcuts.
#include "ComCtrls.h"
#include "Forms.h"
#include "NativeWindows.h"

#include <gtest/gtest.h>

#include <QtGui/QWindow>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QWidget>

namespace {

QWidget* FormWidget(TForm& Form) { return QWidget::find(NativeWindow(Form.Handle())->winId()); }

} // namespace

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
