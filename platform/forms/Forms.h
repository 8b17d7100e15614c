// Forms and the application object: top-level windows with caption, border, stay-on-top style, window state
// and the close protocol; the application's message loop, idle event and exception display.
#pragma once

#include "Controls.h"

#include <functional>
#include <memory>
#include <string>

class TBitmap;
class TMainMenu;

enum TCloseAction { caNone, caHide, caFree, caMinimize };
// bsDialog: a title with a close button only, and a size the user cannot change.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };
enum TFormStyle { fsNormal, fsStayOnTop };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TPosition { poDesigned, poScreenCenter };

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

// A top-level window. Created hidden; Show makes its window. Its size is the size of its client area.
class TForm : public TWinControl {
public:
    explicit TForm(TComponent* AOwner);
    ~TForm() override;

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle Value);
    // The window state the form has (the window manager may change it) or will have when shown.
    TWindowState WindowState() const;
    void SetWindowState(TWindowState Value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition Value) { FPosition = Value; }
    // The form sees key events before the control that has the focus.
    bool KeyPreview() const { return FKeyPreview; }
    void SetKeyPreview(bool Value) { FKeyPreview = Value; }
    // The menu shown as the form's menu bar, above its client area (the window is as much taller); nullptr for
    // none.
    TMainMenu* Menu() const { return FMenu; }
    void SetMenu(TMainMenu* Value);
    // Runs the menu item whose shortcut the key is; true when one ran.
    bool IsShortCut(uint16_t Key, TShiftState Shift);
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // The control that has the keyboard within the form (nullptr when the form itself has it); setting it
    // focuses the control now, or when the form is shown.
    TWinControl* ActiveControl() const;
    void SetActiveControl(TWinControl* Value);

    void SetVisible(bool Value) override;
    // Asks OnCloseQuery; when closing is allowed, OnClose decides the action (caHide by default): the main
    // form ends the application, caHide hides, caMinimize minimises and caFree frees the form later (from
    // the message loop).
    void Close();
    // OnCloseQuery's answer (true without a handler).
    virtual bool CloseQuery();
    // Frees the form from the message loop once the current message is handled.
    void Release();

    // The form's client area as it shows now, controls included, as a new 24-bit bitmap; an empty one while the
    // form has no window.
    std::unique_ptr<TBitmap> GetFormImage();

    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    // OnShow runs as the form appears (not when a shown form is shown again), OnHide as it goes.
    TNotifyEvent OnPaint, OnShow, OnHide;

protected:
    void CreateWnd() override;
    void WndProc(TMessage& Message) override;
    void Paint() override;
    int32_t ClientTop() const override;
    virtual void DoClose(TCloseAction& Action);

private:
    void ApplyWindowFlags();

    std::string FCaption;
    TFormBorderStyle FBorderStyle = bsSizeable;
    TFormStyle FFormStyle = fsNormal;
    TWindowState FWindowState = wsNormal;
    TPosition FPosition = poDesigned;
    bool FKeyPreview = false;
    bool FShownOnce = false;
    TMainMenu* FMenu = nullptr;
    TWinControl* FActiveControl = nullptr;
};

using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TExceptionEvent = std::function<void(TObject* Sender, const Exception& E)>;

// The application: its Qt application, the main form, the message loop and the exception display. One
// exists at a time (Application); its constructor makes nothing of Qt, Initialize does.
class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* AOwner = nullptr);
    ~TApplication() override;

    // Makes the Qt application (once; argv must live as long as the application), prepares the graphics
    // layer on it and installs the real message box, save-picture dialog and file dialogs as the dialog hooks.
    void Initialize(int* ArgC = nullptr, char** ArgV = nullptr);

    // Handles every pending message and event, then returns.
    void ProcessMessages();
    // Handles one message, or when none is pending runs the idle event and, when it is done, waits for one.
    void HandleMessage();
    // Shows the main form and handles messages until the application terminates; exceptions that reach
    // the loop go to HandleException.
    void Run();
    void Terminate();
    bool Terminated() const { return FTerminated; }
    // Minimises the visible forms.
    void Minimize();

    // For a catch block: passes EAbort over; otherwise OnException when assigned, else ShowException.
    void HandleException(TObject* Sender);
    // The standard error box: the title as caption, the message with a full stop added unless it ends in
    // one (or another punctuation mark below '.').
    void ShowException(const Exception& E);

    // Creates a form owned by the application; the first one becomes the main form.
    template <class T> void CreateForm(T*& Reference)
    {
        Reference = new T(this);
        if (!FMainForm) FMainForm = Reference;
    }
    TForm* MainForm() const { return FMainForm; }
    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& Value) { FTitle = Value; }

    void Notification(TComponent* AComponent, TOperation Operation) override;

    TIdleEvent OnIdle;
    TExceptionEvent OnException;

private:
    bool ProcessMessage();
    void Idle();

    TForm* FMainForm = nullptr;
    std::string FTitle;
    bool FTerminated = false;
    bool FOwnsQtApplication = false;
};

// The application object; set by TApplication's constructor, cleared by its destructor.
extern TApplication* Application;
