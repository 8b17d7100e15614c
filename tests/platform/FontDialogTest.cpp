// The font dialog component behind the dialog hook, the program's own font dialog, and the card fonts: sizes in
// points at 96 pixels per inch, drawn at their pixel heights.
#include "ControlWidget.h"
#include "Dialogs.h"
#include "FontDialog.h"
#include "Forms.h"
#include "Graphics.h"

#include <gtest/gtest.h>

#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialog>
#include <QtWidgets/QSpinBox>

#include <cstdint>
#include <functional>
#include <vector>

namespace {

// Installs a font dialog hook for one test.
struct TFontDialogHookScope {
    explicit TFontDialogHookScope(TFontDialogHook Hook) { SetFontDialogHook(std::move(Hook)); }
    ~TFontDialogHookScope() { SetFontDialogHook(nullptr); }
};

// Runs Answer on the program's font dialog once it is up, then lets the dialog show.
bool RunRealDialog(TDialogFont& Font, std::function<void(QDialog*)> Answer)
{
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            poll.stop();
            Answer(dialog);
        }
    });
    poll.start(5);
    TFontDialogHookScope hook(QtFontDialog);
    return ShowFontDialog(Font);
}

// The pixels of a word drawn in a font.
std::vector<uint8_t> Drawn(const std::function<void(TFont&)>& SetUp)
{
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(60, 30);
    TCanvas& canvas = *bitmap.Canvas();
    canvas.Brush()->SetColor(clBlack);
    canvas.FillRect(TRect{0, 0, 60, 30});
    canvas.Brush()->SetStyle(bsClear);
    canvas.Font()->SetName("Bookman Old Style");
    canvas.Font()->SetColor(clWhite);
    SetUp(*canvas.Font());
    canvas.TextOut(2, 2, "Hgj");
    std::vector<uint8_t> pixels;
    for (int y = 0; y < 30; ++y) pixels.insert(pixels.end(), bitmap.ScanLine(y), bitmap.ScanLine(y) + 3 * 60);
    return pixels;
}

} // namespace

// Execute shows the component's font and takes the answer in one change; a cancel, or no user interface at all,
// leaves the font as it was.
TEST(FontDialog, ExecuteTakesTheChosenFont)
{
    TFontDialog dialog(nullptr);
    dialog.Font()->SetName("Bookman Old Style");
    dialog.Font()->SetHeight(-13);
    dialog.Font()->SetStyle(fsBold);
    int changes = 0;
    dialog.Font()->OnChange = [&](TObject*) { ++changes; };

    EXPECT_FALSE(dialog.Execute()); // no hook: no user to ask
    std::vector<TDialogFont> shown;
    bool confirm = false;
    TFontDialogHookScope hook([&](const TDialogFont& Font, TDialogFont& Chosen) {
        shown.push_back(Font);
        Chosen = TDialogFont{"Arial", -16, fsItalic | fsUnderline, 0xFFFF00};
        return confirm;
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.Font()->Name(), "Bookman Old Style");
    EXPECT_EQ(changes, 0);

    confirm = true;
    EXPECT_TRUE(dialog.Execute());
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1], (TDialogFont{"Bookman Old Style", -13, fsBold, clWindowText}));
    EXPECT_EQ(dialog.Font()->Name(), "Arial");
    EXPECT_EQ(dialog.Font()->Size(), 12);
    EXPECT_EQ(dialog.Font()->Style(), fsItalic | fsUnderline);
    EXPECT_EQ(dialog.Font()->Color(), clAqua);
    EXPECT_EQ(changes, 1);
}

// The program's dialog gives back what the user left alone exactly (the face name the program uses rather than
// the face standing in for it, a pixel height points cannot hold, a system colour), and takes what the user set.
TEST(FontDialog, TheDialogKeepsWhatTheUserLeftAlone)
{
    TDialogFont font{"bookman old style", -14, fsBold, clWindowText};
    EXPECT_TRUE(RunRealDialog(font, [](QDialog* Dialog) { Dialog->accept(); }));
    EXPECT_EQ(font, (TDialogFont{"Bookman Old Style", -14, fsBold, clWindowText}));

    font = TDialogFont{"Courier New", -13, 0, clRed};
    EXPECT_TRUE(RunRealDialog(font, [](QDialog* Dialog) {
        EXPECT_EQ(Dialog->findChild<QComboBox*>("name")->currentText(), "Courier New");
        EXPECT_EQ(Dialog->findChild<QSpinBox*>("size")->value(), 10);
        Dialog->findChild<QComboBox*>("name")->setCurrentText("Tahoma");
        Dialog->findChild<QSpinBox*>("size")->setValue(9);
        Dialog->findChild<QCheckBox*>("italic")->setChecked(true);
        Dialog->accept();
    }));
    EXPECT_EQ(font, (TDialogFont{"Tahoma", -12, fsItalic, clRed}));

    EXPECT_FALSE(RunRealDialog(font, [](QDialog* Dialog) {
        Dialog->findChild<QCheckBox*>("bold")->setChecked(true);
        Dialog->reject();
    }));
    EXPECT_EQ(font.Style, fsItalic);
}

// The card fonts are 13 and 12 pixels high: 10 and 9 points, so text lines step 11 pixels and an icon is 18
// pixels wide. A size in points draws at its pixel height.
TEST(FontDialog, CardFontsInPointsDrawAtTheirPixelHeights)
{
    TFont title, text;
    title.SetName("Bookman Old Style");
    title.SetHeight(-13);
    text.SetName("Bookman Old Style");
    text.SetHeight(-12);
    EXPECT_EQ(title.Size(), 10);
    EXPECT_EQ(text.Size(), 9);
    EXPECT_EQ(text.Size() + 2, 11);
    EXPECT_EQ(2 * text.Size(), 18);

    const auto inPoints = Drawn([](TFont& Font) { Font.SetSize(9); });
    EXPECT_EQ(inPoints, Drawn([](TFont& Font) { Font.SetHeight(-12); }));
    EXPECT_NE(inPoints, Drawn([](TFont& Font) { Font.SetHeight(-9); }));
    EXPECT_EQ(Drawn([](TFont& Font) { Font.SetSize(10); }), Drawn([](TFont& Font) { Font.SetHeight(-13); }));
}
