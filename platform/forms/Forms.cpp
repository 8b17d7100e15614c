#include "Forms.h"

#include "BitmapImage.h"
#include "ControlWidget.h"
#include "Dialogs.h"
#include "Graphics.h"
#include "KeyState.h"
#include "Menus.h"
#include "Windows.h"

#include <QtCore/QAbstractEventDispatcher>
#include <QtCore/QFileInfo>
#include <QtGui/QImage>
#include <QtGui/QPixmap>
#include <QtGui/QScreen>
#include <QtGui/QWindow>
#include <QtWidgets/QApplication>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QWidget>

#include <algorithm>
#include <exception>

TApplication* Application = nullptr;

namespace {

// Frees a form from the message loop (Release).
constexpr uint32_t CM_RELEASE = 0xB021;

TModalResult QtMessageBox(const TMessageBoxRequest& Request)
{
    static constexpr QMessageBox::Icon Icons[] = {QMessageBox::Warning, QMessageBox::Critical,
                                                  QMessageBox::Information, QMessageBox::Question,
                                                  QMessageBox::NoIcon};
    QMessageBox box(Icons[Request.Kind], ToQString(Request.Caption), ToQString(Request.Text));
    if (Request.Buttons == mbsYesNo || Request.Buttons == mbsYesCancel) {
        // Closing the box answers the second button.
        const bool cancel = Request.Buttons == mbsYesCancel;
        const QMessageBox::StandardButton second = cancel ? QMessageBox::Cancel : QMessageBox::No;
        const TModalResult secondResult = cancel ? mrCancel : mrNo;
        box.setStandardButtons(QMessageBox::Yes | second);
        box.setEscapeButton(second);
        box.setDefaultButton(Request.Default == secondResult ? second : QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? mrYes : secondResult;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return mrOk;
}

bool QtSavePictureDialog(const TSavePictureRequest& Request, std::string& ChosenName)
{
    QString name = ToQString(Request.FileName);
    for (;;) {
        // The caller asks before overwriting; a read-only file is asked for again.
        name = QFileDialog::getSaveFileName(nullptr, ToQString(Request.Title), name,
                                            QStringLiteral("Pictures (*.bmp *.png *.jpg *.jpeg *.tga);;All files (*)"),
                                            nullptr, QFileDialog::DontConfirmOverwrite);
        if (name.isEmpty()) return false;
        const QFileInfo info(name);
        if (!info.exists() || info.isWritable()) {
            ChosenName = name.toStdString();
            return true;
        }
    }
}

bool QtFileDialog(const TFileDialogRequest& Request, std::string& ChosenName)
{
    QStringList filters;
    for (const TDialogFilterEntry& entry : ParseDialogFilter(Request.Filter)) {
        QStringList patterns;
        for (const std::string& pattern : entry.Patterns) patterns << ToQString(pattern);
        // Qt reads an entry's patterns from the parentheses that end its text.
        const QString own = QLatin1Char('(') + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
        QString text = ToQString(entry.Description);
        if (!text.endsWith(own)) text += QLatin1Char(' ') + own;
        filters << text;
    }
    const QString filter = filters.join(QStringLiteral(";;"));
    const QString title = ToQString(Request.Title), start = ToQString(Request.FileName);
    // The caller asks before overwriting.
    const QString name = Request.Kind == fdSave
                             ? QFileDialog::getSaveFileName(nullptr, title, start, filter, nullptr,
                                                            QFileDialog::DontConfirmOverwrite)
                             : QFileDialog::getOpenFileName(nullptr, title, start, filter);
    if (name.isEmpty()) return false;
    ChosenName = name.toStdString();
    return true;
}

} // namespace

// TForm

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner)
{
    TWinControl::SetVisible(false);
    SetBounds(0, 0, 320, 240);
}

TForm::~TForm() = default;

void TForm::SetCaption(const std::string& Value)
{
    FCaption = Value;
    if (Widget()) Widget()->setWindowTitle(ToQString(Value));
}

void TForm::SetBorderStyle(TFormBorderStyle Value)
{
    FBorderStyle = Value;
    ApplyWindowFlags();
}

void TForm::SetFormStyle(TFormStyle Value)
{
    FFormStyle = Value;
    ApplyWindowFlags();
}

TWindowState TForm::WindowState() const
{
    if (!Widget()) return FWindowState;
    const Qt::WindowStates states = Widget()->windowState();
    if (states & Qt::WindowMinimized) return wsMinimized;
    if (states & Qt::WindowMaximized) return wsMaximized;
    return wsNormal;
}

void TForm::SetWindowState(TWindowState Value)
{
    FWindowState = Value;
    if (!Widget()) return;
    static constexpr Qt::WindowState States[] = {Qt::WindowNoState, Qt::WindowMinimized, Qt::WindowMaximized};
    QWidget* widget = Widget();
    Qt::WindowStates states = widget->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    widget->setWindowState(states | States[Value]);
}

void TForm::ApplyWindowFlags()
{
    if (!Widget()) return;
    Qt::WindowFlags flags = Qt::Window;
    if (FBorderStyle == bsNone) flags |= Qt::FramelessWindowHint;
    if (FBorderStyle == bsSingle)
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
    if (FBorderStyle == bsDialog)
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (FFormStyle == fsStayOnTop) flags |= Qt::WindowStaysOnTopHint;
    QWidget* widget = Widget();
    // A dialog's size is its own; the window manager may change any other.
    if (FBorderStyle == bsDialog) {
        widget->setFixedSize(Width(), Height());
    } else {
        widget->setMinimumSize(0, 0);
        widget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    if (widget->windowFlags() == flags) return;
    // QWidget::setWindowFlags would make new native windows for the form and every native child, pulling
    // the X window from under a rendering context: the existing window takes the new hints instead.
    widget->overrideWindowFlags(flags);
    if (QWindow* window = widget->windowHandle()) window->setFlags(flags);
}

void TForm::CreateWnd()
{
    TWinControl::CreateWnd();
    Widget()->setWindowTitle(ToQString(FCaption));
    ApplyWindowFlags();
    if (!FMenu) return;
    FMenu->ShowIn(this);
    ApplyClientTop();
}

void TForm::SetMenu(TMainMenu* Value)
{
    if (Value == FMenu) return;
    if (FMenu) {
        FMenu->ShowIn(nullptr);
        FMenu->RemoveFreeNotification(this);
    }
    FMenu = Value;
    if (FMenu) {
        FMenu->FreeNotification(this);
        if (Widget()) FMenu->ShowIn(this);
    }
    ApplyClientTop();
}

int32_t TForm::ClientTop() const { return FMenu && Widget() ? FMenu->BarHeight() : 0; }

bool TForm::IsShortCut(uint16_t Key, TShiftState Shift) { return FMenu && FMenu->IsShortCut(Key, Shift); }

void TForm::Notification(TComponent* AComponent, TOperation Operation)
{
    TWinControl::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FMenu) {
        FMenu = nullptr; // its bar goes with it: the client area takes the window's top
        ApplyClientTop();
    }
    if (AComponent == FActiveControl) FActiveControl = nullptr;
}

TWinControl* TForm::ActiveControl() const
{
    if (!Widget() || !Visible()) return FActiveControl;
    // The window's focus stays with the widget that had it while another window is active.
    for (QWidget* focus = Widget()->focusWidget(); focus && focus != Widget(); focus = focus->parentWidget())
        if (auto* widget = dynamic_cast<TControlWidget*>(focus)) return widget->Control();
    return nullptr;
}

void TForm::SetActiveControl(TWinControl* Value)
{
    if (FActiveControl) FActiveControl->RemoveFreeNotification(this);
    FActiveControl = Value;
    if (!FActiveControl) return;
    FActiveControl->FreeNotification(this);
    if (Widget() && Visible()) FActiveControl->SetFocus();
}

void TForm::SetVisible(bool Value)
{
    if (!Value) {
        const bool wasShown = Visible() && Widget();
        TWinControl::SetVisible(false);
        if (wasShown && OnHide) OnHide(this);
        return;
    }
    // Showing a shown form brings it to the front; OnShow runs only as it appears.
    const bool wasShown = Visible() && Widget();
    HandleNeeded();
    QWidget* widget = Widget();
    if (wasShown) {
        widget->raise();
        return;
    }
    if (!FShownOnce && FPosition == poScreenCenter)
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            widget->move(area.center() - QPoint(Width() / 2, Height() / 2));
        }
    FShownOnce = true;
    TWinControl::SetVisible(true);
    SetWindowState(FWindowState);
    if (FActiveControl) FActiveControl->SetFocus();
    if (OnShow) OnShow(this);
}

bool TForm::CloseQuery()
{
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TForm::DoClose(TCloseAction& Action)
{
    if (OnClose) OnClose(this, Action);
}

void TForm::Close()
{
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) return;
    if (Application && Application->MainForm() == this)
        Application->Terminate();
    else if (action == caHide)
        Hide();
    else if (action == caMinimize)
        SetWindowState(wsMinimized);
    else
        Release();
}

std::unique_ptr<TBitmap> TForm::GetFormImage()
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf24bit);
    if (!Widget()) return bitmap;
    const QRect client(0, ClientTop(), Width(), Height());
    const QImage image = Widget()->grab(client).toImage().convertToFormat(QImage::Format_BGR888);
    bitmap->SetSize(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y)
        std::copy_n(image.constScanLine(y), 3 * image.width(), bitmap->ScanLine(y));
    return bitmap;
}

void TForm::Release() { PostMessage(Handle(), CM_RELEASE, 0, 0); }

void TForm::WndProc(TMessage& Message)
{
    if (Message.Msg == CM_RELEASE) {
        Free(this); // the window's record outlives this call
        return;
    }
    // A close asked by message goes through the same protocol as the window's close button.
    if (Message.Msg == WM_CLOSE) {
        Close();
        return;
    }
    TWinControl::WndProc(Message);
}

void TForm::Paint()
{
    if (OnPaint) OnPaint(this);
}

// TApplication

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner)
{
    if (!Application) Application = this;
}

TApplication::~TApplication()
{
    // The forms go while Qt is still there.
    TComponent::BeforeDestruction();
    if (FOwnsQtApplication) {
        SetMessageBoxHook(nullptr);
        SetSavePictureDialogHook(nullptr);
        SetFileDialogHook(nullptr);
        SetFontDialogHook(nullptr);
        delete QCoreApplication::instance();
    }
    if (Application == this) Application = nullptr;
}

void TApplication::Initialize(int* ArgC, char** ArgV)
{
    if (QCoreApplication::instance()) return;
    static int defaultArgC = 1;
    static char programName[] = "mirefall";
    static char* defaultArgV[] = {programName, nullptr};
    new QApplication(ArgC ? *ArgC : defaultArgC, ArgV ? ArgV : defaultArgV);
    FOwnsQtApplication = true;
    InitializeGraphics(); // finds this application instead of making one
    // The controls were laid out for the default font of the platform the system was designed for: the same face
    // and size keep their captions whole.
    QApplication::setFont(ToQFont(TFont()));
    SetMessageBoxHook(QtMessageBox);
    SetSavePictureDialogHook(QtSavePictureDialog);
    SetFileDialogHook(QtFileDialog);
    SetFontDialogHook(QtFontDialog);
    TrackKeyState();
}

bool TApplication::ProcessMessage()
{
    TMsg msg;
    if (!PeekMessage(msg)) return false;
    DispatchMessage(msg);
    return true;
}

void TApplication::ProcessMessages()
{
    while (ProcessMessage()) {
    }
}

void TApplication::Idle()
{
    bool done = true;
    if (OnIdle) OnIdle(this, done);
    if (done) WaitMessage();
}

void TApplication::HandleMessage()
{
    if (!ProcessMessage()) Idle();
}

void TApplication::Run()
{
    if (FMainForm) FMainForm->Show();
    while (!FTerminated) {
        try {
            HandleMessage();
        } catch (...) {
            HandleException(this);
        }
    }
}

void TApplication::Terminate()
{
    FTerminated = true;
    if (QCoreApplication* app = QCoreApplication::instance())
        if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(app->thread()))
            dispatcher->wakeUp(); // a loop waiting for messages sees it at once
}

void TApplication::Minimize()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible()) widget->showMinimized();
}

void TApplication::HandleException(TObject* Sender)
{
    const std::exception_ptr current = std::current_exception();
    if (!current) return;
    try {
        std::rethrow_exception(current);
    } catch (const EAbort&) {
        return;
    } catch (const Exception& e) {
        if (OnException)
            OnException(Sender, e);
        else
            ShowException(e);
    } catch (const std::exception& e) {
        const Exception wrapped(e.what());
        if (OnException)
            OnException(Sender, wrapped);
        else
            ShowException(wrapped);
    } catch (...) {
        const Exception unknown("Unknown exception");
        if (OnException)
            OnException(Sender, unknown);
        else
            ShowException(unknown);
    }
}

void TApplication::ShowException(const Exception& E)
{
    std::string text = E.Message();
    if (!text.empty() && text.back() > '.') text += '.';
    TMessageBoxRequest request;
    request.Kind = mtError;
    request.Caption = FTitle;
    request.Text = text;
    ShowMessageBox(request);
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation)
{
    if (Operation == opRemove && AComponent == FMainForm) FMainForm = nullptr;
    TComponent::Notification(AComponent, Operation);
}
