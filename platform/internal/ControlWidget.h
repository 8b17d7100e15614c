// For the forms layer's own .cpp files: the Qt widget of a windowed control, which turns Qt's events into
// the control's messages and events.
#pragma once

#include "Controls.h"
#include "Forms.h"

#include <QtCore/QEvent>
#include <QtWidgets/QWidget>

#include <cstdio>
#include <string>
#include <utility>

class QKeyEvent;
class QMouseEvent;
struct TDialogFont;

// The font dialog on Qt, the hook the application installs (FontDialog.cpp).
bool QtFontDialog(const TDialogFont& Font, TDialogFont& Chosen);

// The virtual-key code (VirtualKeys.h) of a Qt key event; 0 for a key without one.
uint16_t VirtualKeyOf(const QKeyEvent* Event);

inline QString ToQString(const std::string& Text)
{
    return QString::fromUtf8(Text.data(), static_cast<qsizetype>(Text.size()));
}

// Exceptions never cross Qt: those of event handlers go to the application's exception display.
template <class F> void Guarded(TWinControl* Control, F&& Body)
{
    try {
        Body();
    } catch (...) {
        if (Application)
            Application->HandleException(Control);
        else
            std::fprintf(stderr, "Unhandled exception in an event handler\n");
    }
}

class TControlWidget : public QWidget {
public:
    TControlWidget(TWinControl* Control, QWidget* ParentWidget) : QWidget(ParentWidget), FControl(Control) {}
    // The widget of a control; nullptr for none or while it has no window.
    static TControlWidget* Of(const TWinControl* Control) { return Control ? Control->FWidget : nullptr; }
    // The control's window goes while every native window below this widget still exists.
    ~TControlWidget() override;

    QPaintEngine* paintEngine() const override;
    TWinControl* Control() const { return FControl; }

protected:
    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void moveEvent(QMoveEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void wheelEvent(QWheelEvent* Event) override;
    void enterEvent(QEnterEvent* Event) override;
    void leaveEvent(QEvent* Event) override;
    bool focusNextPrevChild(bool Next) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void keyReleaseEvent(QKeyEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;

private:
    // A pointer position in the control's client area.
    QPoint ClientPos(const QMouseEvent& Event) const;

    TWinControl* FControl;
};

// Keeps a standard control's own Qt widget (an edit box, a button ...) over the whole of the control's widget.
class TContentFiller : public QObject {
public:
    TContentFiller(QWidget* Host, QWidget* Content) : QObject(Host), FContent(Content) {}

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override
    {
        if (Event->type() == QEvent::Resize) FContent->setGeometry(static_cast<QWidget*>(Watched)->rect());
        return false;
    }

private:
    QWidget* FContent;
};

// Makes the Qt widget that shows a standard control inside the control's widget: it fills it, takes its focus
// and lies beneath the child controls (a panel's buttons). It goes with the control's widget.
template <class W, class... TArgs> W* AddContentWidget(QWidget* Host, TArgs&&... Args)
{
    auto* content = new W(std::forward<TArgs>(Args)..., Host);
    content->setObjectName(QStringLiteral("content"));
    // Qt drops a move without a button at a child that does not track the pointer: the control would see none.
    content->setMouseTracking(true);
    content->setGeometry(Host->rect());
    content->lower();
    content->show();
    Host->installEventFilter(new TContentFiller(Host, content));
    Host->setFocusProxy(content);
    return content;
}

// The content widget of a control's widget, or nullptr while the control has no window.
template <class W> W* ContentWidget(QWidget* Host)
{
    return Host ? Host->findChild<W*>(QStringLiteral("content"), Qt::FindDirectChildrenOnly) : nullptr;
}
