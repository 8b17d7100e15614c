#include "Buttons.h"

#include "ControlWidget.h"

#include <QtWidgets/QToolButton>

TSpeedButton::TSpeedButton(TComponent* AOwner) : TWinControl(AOwner) { SetBounds(0, 0, 23, 22); }

void TSpeedButton::SetCaption(const std::string& Value)
{
    FCaption = Value;
    ShowState();
}

void TSpeedButton::SetGroupIndex(int32_t Value)
{
    FGroupIndex = Value;
    if (!FGroupIndex) FDown = false;
    ShowState();
}

void TSpeedButton::SetDown(bool Value)
{
    if (!FGroupIndex) Value = false;
    FDown = Value;
    if (FDown && Parent())
        for (int i = 0; i < Parent()->ControlCount(); ++i) {
            auto* other = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
            if (other && other != this && other->FGroupIndex == FGroupIndex && other->FDown) {
                other->FDown = false;
                other->ShowState();
            }
        }
    ShowState();
}

void TSpeedButton::Click()
{
    if (FGroupIndex) SetDown(true);
    TWinControl::Click();
}

void TSpeedButton::CreateWnd()
{
    TWinControl::CreateWnd();
    Widget()->setFocusPolicy(Qt::NoFocus);
    auto* button = AddContentWidget<QToolButton>(Widget());
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    QObject::connect(button, &QToolButton::clicked, button, [this] { Guarded(this, [this] { Click(); }); });
    ShowState();
}

void TSpeedButton::ShowState()
{
    auto* button = ContentWidget<QToolButton>(Widget());
    if (!button) return;
    button->setText(ToQString(FCaption));
    button->setCheckable(FGroupIndex != 0);
    button->setChecked(FDown);
}
