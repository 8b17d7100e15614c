// For the forms layer's own .cpp files: the Qt widget of a windowed control, which turns Qt's events into
// the control's messages and events.
#pragma once

#include "Controls.h"

#include <QtWidgets/QWidget>

class TControlWidget : public QWidget {
public:
    TControlWidget(TWinControl* Control, QWidget* ParentWidget) : QWidget(ParentWidget), FControl(Control) {}
    // The control's window goes while every native window below this widget still exists.
    ~TControlWidget() override;

    QPaintEngine* paintEngine() const override;

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
    void keyPressEvent(QKeyEvent* Event) override;
    void keyReleaseEvent(QKeyEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;

private:
    // The form that sees the keys first (KeyPreview), when it is not the control itself.
    TWinControl* Previewer() const;

    TWinControl* FControl;
};
