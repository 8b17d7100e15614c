// The standard controls on their Qt widgets: memo (its lines and change event), button (its click and font),
// picture, panel and progress bar, and how controls align in a form.
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "JPEG.h"
#include "NativeWindows.h"
#include "Raises.h"
#include "StdCtrls.h"

#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtGui/QImage>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QWindow>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QWidget>

#include <string>
#include <vector>

namespace {

// A shown form of that client size.
struct TShownForm {
    explicit TShownForm(int32_t Width = 200, int32_t Height = 150)
    {
        Form.SetBounds(0, 0, Width, Height);
        Form.Show();
        Application->ProcessMessages();
    }
    template <class C> C* Add(TWinControl* Parent = nullptr)
    {
        auto* control = new C(&Form);
        control->SetParent(Parent ? Parent : &Form);
        return control;
    }
    QWidget* Widget() { return QWidget::find(NativeWindow(Form.Handle())->winId()); }
    // The one Qt widget of that class on the form.
    template <class W> W* Find() { return Widget()->findChild<W*>(); }

    TForm Form{nullptr};
};

void Type(QWidget* Box, const QString& Keys)
{
    for (QChar ch : Keys) {
        const int key = ch == '\n' ? int(Qt::Key_Return) : int(ch.toUpper().unicode());
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, ch == '\n' ? QStringLiteral("\r") : QString(ch));
        QCoreApplication::sendEvent(Box, &press);
    }
}

std::vector<std::string> LinesOf(const TMemo& Memo)
{
    std::vector<std::string> lines;
    for (int i = 0; i < Memo.Lines()->Count(); ++i) lines.push_back(Memo.Lines()->Strings(i));
    return lines;
}

using TLines = std::vector<std::string>;

// A 2 x 2 bitmap: red, green / blue, white.
void FillQuadrants(TBitmap& Bitmap)
{
    Bitmap.SetSize(2, 2);
    const uint8_t bgr[4][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {255, 255, 255}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            std::copy(bgr[2 * y + x], bgr[2 * y + x] + 3, Bitmap.ScanLine(y) + 3 * x);
}

QRgb PixelAt(QWidget* Widget, int X, int Y) { return Widget->grab().toImage().pixel(X, Y) & 0xFFFFFF; }

} // namespace

TEST(Memo, LinesAndTheBoxStayInStepBothWays)
{
    TShownForm shown;
    TMemo* memo = shown.Add<TMemo>();
    memo->Lines()->Add("before");
    memo->Lines()->Add("its window");
    memo->HandleNeeded();
    auto* box = shown.Find<QPlainTextEdit>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->toPlainText(), "before\nits window");

    struct TCase {
        const char* Name;
        std::function<void()> Change;
        TLines Lines;
        QString Shown;
    };
    const TCase cases[] = {
        {"add", [&] { memo->Lines()->Add("third"); }, {"before", "its window", "third"}, "before\nits window\nthird"},
        {"insert", [&] { memo->Lines()->Insert(0, "first"); }, {"first", "before", "its window", "third"},
         "first\nbefore\nits window\nthird"},
        {"put and delete", [&] { memo->Lines()->SetStrings(1, "B"); memo->Lines()->Delete(2); },
         {"first", "B", "third"}, "first\nB\nthird"},
        {"set text", [&] { memo->SetText("x\r\ny\rz\n"); }, {"x", "y", "z"}, "x\ny\nz"},
        {"clear", [&] { memo->Clear(); }, {}, ""},
        // The box shows a lone empty line as nothing: the line added after it must not take its place.
        {"after an empty line", [&] { memo->Lines()->Add(""); memo->Lines()->Add("z"); }, {"", "z"}, "\nz"},
        {"update bracket", [&] {
             memo->Lines()->BeginUpdate();
             memo->Clear();
             for (const char* s : {"1", "2", "3"}) memo->Lines()->Add(s);
             memo->Lines()->EndUpdate();
         }, {"1", "2", "3"}, "1\n2\n3"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        c.Change();
        EXPECT_EQ(LinesOf(*memo), c.Lines);
        EXPECT_EQ(box->toPlainText(), c.Shown);
    }
    EXPECT_EQ(memo->Text(), "1\r\n2\r\n3");

    // A line added to an empty box is its first.
    memo->Clear();
    memo->Lines()->Add("only");
    EXPECT_EQ(box->toPlainText(), "only");

    // What is typed comes back into the lines, the empty line after a final break too.
    memo->Clear();
    Type(box, "hi\nyou\n");
    EXPECT_EQ(LinesOf(*memo), (TLines{"hi", "you", ""}));
    memo->Lines()->Add("added");
    EXPECT_EQ(box->toPlainText(), "hi\nyou\n\nadded");
    EXPECT_EQ(memo->Text(), "hi\r\nyou\r\n\r\nadded");
}

TEST(Memo, ReadOnlyRefusesTypingAndScrollBarsAreShownAsAsked)
{
    TShownForm shown;
    TMemo* memo = shown.Add<TMemo>();
    memo->SetReadOnly(true);
    memo->SetScrollBars(ssVertical);
    memo->SetText("log");
    memo->HandleNeeded();
    auto* box = shown.Find<QPlainTextEdit>();
    ASSERT_NE(box, nullptr);
    Type(box, "x\n");
    EXPECT_EQ(LinesOf(*memo), TLines{"log"});
    EXPECT_EQ(box->toPlainText(), "log");
    EXPECT_EQ(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(box->lineWrapMode(), QPlainTextEdit::WidgetWidth);

    memo->SetReadOnly(false);
    memo->SetScrollBars(ssBoth);
    box->moveCursor(QTextCursor::End);
    Type(box, "!");
    EXPECT_EQ(LinesOf(*memo), TLines{"log!"});
    EXPECT_EQ(box->lineWrapMode(), QPlainTextEdit::NoWrap);
}

// A memo keeps its lines when its window goes and shows them again in the new one.
TEST(Memo, LinesOutliveTheWindow)
{
    TShownForm shown;
    TMemo* memo = shown.Add<TMemo>();
    memo->SetText("kept");
    memo->HandleNeeded();
    memo->RecreateWnd();
    memo->Lines()->Add("more");
    ASSERT_NE(shown.Find<QPlainTextEdit>(), nullptr);
    EXPECT_EQ(shown.Find<QPlainTextEdit>()->toPlainText(), "kept\nmore");
}

// OnChange follows the edit box's rule: once per real change, by code (a bracket counting as one) or by typing.
TEST(Memo, OnChangeRunsOncePerRealChange)
{
    TShownForm shown;
    auto* memo = new TMemo(&shown.Form); // no parent yet: a model without a window
    int changes = 0;
    memo->OnChange = [&](TObject* Sender) {
        EXPECT_EQ(Sender, memo);
        ++changes;
    };
    TStrings& lines = *memo->Lines();
    const auto bracket = [&](const TLines& Lines) {
        lines.BeginUpdate();
        lines.Clear();
        for (const std::string& line : Lines) lines.Add(line);
        lines.EndUpdate();
    };
    struct TCase {
        const char* Name;
        std::function<void()> Change;
        int Runs;
    };
    const TCase cases[] = {
        {"add", [&] { lines.Add("a"); }, 1},
        {"set text", [&] { memo->SetText("a\r\nb"); }, 1},
        {"the same text", [&] { memo->SetText("a\nb\n"); }, 0},
        {"put the same line", [&] { lines.SetStrings(1, "b"); }, 0},
        {"put another line", [&] { lines.SetStrings(1, "B"); }, 1},
        {"bracket of many", [&] { bracket({"1", "2", "3"}); }, 1},
        {"bracket giving the same lines", [&] { bracket({"1", "2", "3"}); }, 0},
        {"delete", [&] { lines.Delete(0); }, 1},
        {"clear", [&] { memo->Clear(); }, 1},
        {"clear an empty memo", [&] { memo->Clear(); }, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        changes = 0;
        c.Change();
        EXPECT_EQ(changes, c.Runs);
    }

    // Shown: code's changes are not echoed by the box, and every key typed is one change.
    memo->SetParent(&shown.Form);
    memo->SetText("shown");
    memo->HandleNeeded();
    auto* box = shown.Find<QPlainTextEdit>();
    ASSERT_NE(box, nullptr);
    changes = 0;
    memo->Lines()->Add("more");
    memo->SetText("x");
    EXPECT_EQ(changes, 2);
    box->moveCursor(QTextCursor::End);
    int seen = -1;
    memo->OnChange = [&](TObject*) { seen = memo->Lines()->Count(); ++changes; };
    Type(box, "y\nz");
    EXPECT_EQ(changes, 5);
    EXPECT_EQ(seen, 2); // the lines are the typed ones when it runs
    EXPECT_EQ(LinesOf(*memo), (TLines{"xy", "z"}));
}

TEST(ProgressBar, PositionStaysBetweenTheBounds)
{
    TShownForm shown;
    TProgressBar* bar = shown.Add<TProgressBar>();
    bar->SetMax(15);
    bar->HandleNeeded();
    auto* qbar = shown.Find<QProgressBar>();
    ASSERT_NE(qbar, nullptr);
    struct TCase {
        std::function<void()> Change;
        int32_t Min, Max, Position;
    };
    const TCase cases[] = {
        {[&] { bar->SetPosition(7); }, 0, 15, 7},
        {[&] { bar->SetPosition(16); }, 0, 15, 15},
        {[&] { bar->SetPosition(-1); }, 0, 15, 0},
        {[&] { bar->SetMin(5); }, 5, 15, 5},
        {[&] { bar->SetMin(20); }, 20, 20, 20}, // the maximum moves along
        {[&] { bar->SetMax(10); }, 10, 10, 10},  // and so does the minimum
        {[&] { bar->SetMax(100); bar->SetPosition(40); }, 10, 100, 40},
    };
    for (const TCase& c : cases) {
        c.Change();
        EXPECT_EQ(bar->Min(), c.Min);
        EXPECT_EQ(bar->Max(), c.Max);
        EXPECT_EQ(bar->Position(), c.Position);
    }
    EXPECT_EQ(qbar->minimum(), 10);
    EXPECT_EQ(qbar->maximum(), 100);
    EXPECT_EQ(qbar->value(), 40);
}

// A bar in blocks shows gaps inside its filled part; a smooth one does not.
TEST(ProgressBar, BlocksUnlessSmooth)
{
    TShownForm shown;
    TProgressBar* bar = shown.Add<TProgressBar>();
    bar->SetBounds(0, 0, 120, 16);
    bar->SetPosition(100);
    bar->HandleNeeded();
    auto* qbar = shown.Find<QProgressBar>();
    const auto colours = [&] {
        const QImage image = qbar->grab().toImage();
        std::vector<QRgb> seen;
        for (int x = 10; x < 110; ++x)
            if (std::find(seen.begin(), seen.end(), image.pixel(x, 8)) == seen.end()) seen.push_back(image.pixel(x, 8));
        return seen.size();
    };
    EXPECT_GT(colours(), 1u);
    bar->SetSmooth(true);
    EXPECT_EQ(colours(), 1u);
}

TEST(Button, AClickRunsOnClickOnceAndItsExceptionGoesToTheDisplay)
{
    TShownForm shown;
    TButton* button = shown.Add<TButton>();
    button->SetCaption("&Clear");
    button->HandleNeeded();
    auto* push = shown.Find<QPushButton>();
    ASSERT_NE(push, nullptr);
    EXPECT_EQ(push->text(), "&Clear");
    int clicks = 0;
    button->OnClick = [&](TObject* Sender) {
        EXPECT_EQ(Sender, button);
        ++clicks;
    };
    const QPointF centre(push->width() / 2.0, push->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, centre, push->mapToGlobal(centre), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, push->mapToGlobal(centre), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(push, &press);
    QCoreApplication::sendEvent(push, &release);
    EXPECT_EQ(clicks, 1);
    button->Click();
    EXPECT_EQ(clicks, 2);

    std::vector<std::string> errors;
    Application->OnException = [&](TObject*, const Exception& E) { errors.push_back(E.Message()); };
    button->OnClick = [](TObject*) { throw Exception("clear failed"); };
    push->click();
    Application->OnException = nullptr;
    EXPECT_EQ(errors, std::vector<std::string>{"clear failed"});
}

// The hint set before the window is its tooltip once the window is made, and a later one replaces it.
TEST(Button, ItsHintIsTheTooltip)
{
    TShownForm shown;
    TButton* button = shown.Add<TButton>();
    button->SetHint("jump to specified cell");
    button->HandleNeeded();
    auto* push = shown.Find<QPushButton>();
    ASSERT_NE(push, nullptr);
    // The button's own widget holds the tip; the push button inside shows it as its parent's.
    EXPECT_EQ(push->parentWidget()->toolTip(), "jump to specified cell");
    button->SetHint("");
    EXPECT_EQ(push->parentWidget()->toolTip(), "");
    EXPECT_EQ(button->Hint(), "");
}

// The style set before the window shows in it; a face and size of its own replace the form's, and the colour
// goes to the caption.
TEST(Button, ItsFontShowsOnTheButton)
{
    TShownForm shown;
    TButton* button = shown.Add<TButton>();
    button->SetCaption("mode");
    button->Font()->SetStyle(fsBold);
    button->HandleNeeded();
    auto* push = shown.Find<QPushButton>();
    ASSERT_NE(push, nullptr);
    const QFont formFont = QApplication::font(push);
    EXPECT_TRUE(push->font().bold());
    EXPECT_FALSE(push->font().italic());
    EXPECT_EQ(push->font().family(), formFont.family());
    EXPECT_EQ(push->font().pointSizeF(), formFont.pointSizeF());

    button->Font()->SetStyle(fsItalic);
    EXPECT_FALSE(push->font().bold());
    EXPECT_TRUE(push->font().italic());

    button->Font()->SetName("Arial");
    button->Font()->SetHeight(-16);
    button->Font()->SetColor(clRed);
    EXPECT_EQ(push->font().family(), "Liberation Sans");
    EXPECT_EQ(push->font().pixelSize(), 16);
    EXPECT_TRUE(push->font().italic());
    EXPECT_EQ(push->palette().color(QPalette::ButtonText), QColor(255, 0, 0));

    // Kept by the control: a new window shows it again.
    button->RecreateWnd();
    push = shown.Find<QPushButton>();
    ASSERT_NE(push, nullptr);
    EXPECT_EQ(push->font().pixelSize(), 16);
    EXPECT_TRUE(push->font().italic());
}

TEST(Image, ShowsItsPictureAtItsSizeOrStretched)
{
    TShownForm shown;
    TImage* image = shown.Add<TImage>();
    image->SetBounds(0, 0, 40, 20);
    TBitmap quadrants;
    FillQuadrants(quadrants);
    image->Picture()->SetGraphic(&quadrants);
    image->HandleNeeded();
    auto* label = shown.Find<QLabel>();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(PixelAt(label, 0, 0), 0xFF0000u);
    EXPECT_EQ(PixelAt(label, 1, 1), 0xFFFFFFu);
    EXPECT_NE(PixelAt(label, 30, 15), 0xFFFFFFu); // outside the picture

    // Stretched smoothly: the middle of each quarter keeps its colour.
    image->SetStretch(true);
    const QRgb expected[2][2] = {{0xFF0000, 0x00FF00}, {0x0000FF, 0xFFFFFF}};
    const QImage stretched = label->grab().toImage();
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) {
            const QRgb seen = stretched.pixel(10 + 20 * x, 5 + 10 * y);
            for (int shift : {0, 8, 16}) EXPECT_NEAR(int(seen >> shift & 0xFF), int(expected[y][x] >> shift & 0xFF), 40);
        }

    // A new picture shows at the next paint.
    TBitmap black;
    black.SetSize(1, 1);
    image->Picture()->SetGraphic(&black);
    EXPECT_EQ(PixelAt(label, 30, 15), 0x000000u);
}

// The splash's way: the bitmap sized to a JPEG picture, the picture drawn stretched into the client area on
// the image's canvas, then more drawing; every change shows.
TEST(Image, DrawingOnItsCanvasShows)
{
    TShownForm shown;
    TImage* image = shown.Add<TImage>();
    image->SetAlign(alClient);
    image->HandleNeeded();
    auto* label = shown.Find<QLabel>();
    ASSERT_NE(label, nullptr);

    TBitmap quadrants;
    FillQuadrants(quadrants);
    TBitmap large;
    large.SetSize(400, 300);
    large.Canvas()->StretchDraw(TRect{0, 0, 400, 300}, &quadrants);
    TJPEGImage jpeg;
    jpeg.Assign(&large);
    image->Picture()->Bitmap()->SetSize(jpeg.Width(), jpeg.Height());
    image->Canvas()->StretchDraw(image->ClientRect(), &jpeg);
    EXPECT_EQ(image->Picture()->Width(), 400);
    const QImage drawn = label->grab().toImage();
    EXPECT_GT(qRed(drawn.pixel(50, 37)), 220);
    EXPECT_LT(qGreen(drawn.pixel(50, 37)), 30);
    EXPECT_GT(qGreen(drawn.pixel(150, 37)), 220);
    EXPECT_GT(qBlue(drawn.pixel(50, 112)), 220);

    image->Canvas()->Brush()->SetColor(clLime);
    image->Canvas()->FillRect(TRect{0, 0, 10, 10});
    EXPECT_EQ(PixelAt(label, 5, 5), 0x00FF00u);
}

TEST(Image, AnEmptyPictureBecomesABitmapOfTheImageAndOtherKindsRefuseTheCanvas)
{
    TImage image(nullptr);
    image.SetBounds(0, 0, 30, 12);
    image.Canvas()->FillRect(TRect{0, 0, 30, 12});
    EXPECT_EQ(image.Picture()->Width(), 30);
    EXPECT_EQ(image.Picture()->Height(), 12);

    TBitmap pixel;
    pixel.SetSize(1, 1);
    TJPEGImage jpeg;
    jpeg.Assign(&pixel);
    image.Picture()->SetGraphic(&jpeg);
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { image.Canvas(); }), "Can only modify an image if it contains a bitmap");
}

// The battle log's layout: a panel with a button on top, a memo under it, a status panel at the bottom; they
// follow the form, a panel's new height and a hidden panel.
TEST(Align, TopBottomAndClientShareTheForm)
{
    TShownForm shown(246, 560);
    TMemo* memo = shown.Add<TMemo>();
    memo->SetAlign(alClient);
    TPanel* top = shown.Add<TPanel>();
    top->SetHeight(41);
    top->SetAlign(alTop);
    top->SetCaption("log");
    TButton* button = shown.Add<TButton>(top);
    button->SetBounds(8, 8, 75, 25);
    TPanel* bottom = shown.Add<TPanel>();
    bottom->SetHeight(20);
    bottom->SetAlign(alBottom);

    const auto bounds = [](const TWinControl* c) { return std::vector<int>{c->Left(), c->Top(), c->Width(), c->Height()}; };
    EXPECT_EQ(bounds(top), (std::vector<int>{0, 0, 246, 41}));
    EXPECT_EQ(bounds(memo), (std::vector<int>{0, 41, 246, 499}));
    EXPECT_EQ(bounds(bottom), (std::vector<int>{0, 540, 246, 20}));
    EXPECT_EQ(bounds(button), (std::vector<int>{8, 8, 75, 25}));

    shown.Form.SetBounds(0, 0, 300, 400);
    EXPECT_EQ(bounds(memo), (std::vector<int>{0, 41, 300, 339}));
    EXPECT_EQ(bounds(bottom), (std::vector<int>{0, 380, 300, 20}));
    top->SetHeight(60);
    EXPECT_EQ(bounds(memo), (std::vector<int>{0, 60, 300, 320}));
    bottom->Hide();
    EXPECT_EQ(bounds(memo), (std::vector<int>{0, 60, 300, 340}));

    // The Qt widgets are where the controls say, the button over its panel's face.
    auto* box = shown.Find<QPlainTextEdit>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(QRect(box->mapTo(shown.Widget(), QPoint(0, 0)), box->size()), QRect(0, 60, 300, 340));
    auto* push = shown.Find<QPushButton>();
    ASSERT_NE(push, nullptr);
    EXPECT_EQ(push->mapTo(shown.Widget(), QPoint(0, 0)), QPoint(8, 8));
    EXPECT_EQ(shown.Widget()->childAt(20, 20), push);
}

// Before its window exists (and while it is hidden) a form gets no size message: its children follow anyway.
TEST(Align, ChildrenFollowAFormWithoutAWindow)
{
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetAlign(alClient);
    form.SetClientWidth(1024);
    form.SetClientHeight(768);
    EXPECT_FALSE(form.HandleAllocated());
    EXPECT_EQ(panel->Width(), 1024);
    EXPECT_EQ(panel->Height(), 768);
    form.HandleNeeded();
    form.SetBounds(0, 0, 800, 600);
    EXPECT_EQ(panel->Width(), 800);
    EXPECT_EQ(panel->Height(), 600);
}
