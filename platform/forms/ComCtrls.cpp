#include "ComCtrls.h"

#include "ControlWidget.h"

#include <QtWidgets/QProgressBar>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QSlider>

#include <algorithm>

namespace {

// Blocks are chunks with a gap between them; a smooth bar has one chunk.
constexpr const char* BlockStyle = "QProgressBar { border: 1px solid palette(mid); background: palette(base); }"
                                   "QProgressBar::chunk { background: palette(highlight); width: 8px; margin: 1px; }";
constexpr const char* SmoothStyle = "QProgressBar { border: 1px solid palette(mid); background: palette(base); }"
                                    "QProgressBar::chunk { background: palette(highlight); }";

} // namespace

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) { SetBounds(0, 0, 150, 17); }

void TProgressBar::SetMin(int32_t Value)
{
    FMin = Value;
    FMax = std::max(FMax, FMin);
    SetPosition(FPosition);
}

void TProgressBar::SetMax(int32_t Value)
{
    FMax = Value;
    FMin = std::min(FMin, FMax);
    SetPosition(FPosition);
}

void TProgressBar::SetPosition(int32_t Value)
{
    FPosition = std::clamp(Value, FMin, FMax);
    ShowState();
}

void TProgressBar::SetSmooth(bool Value)
{
    FSmooth = Value;
    if (auto* bar = ContentWidget<QProgressBar>(Widget()))
        bar->setStyleSheet(QString::fromLatin1(FSmooth ? SmoothStyle : BlockStyle));
}

void TProgressBar::CreateWnd()
{
    TWinControl::CreateWnd();
    AddContentWidget<QProgressBar>(Widget())->setTextVisible(false);
    SetSmooth(FSmooth);
    ShowState();
}

void TProgressBar::ShowState()
{
    auto* bar = ContentWidget<QProgressBar>(Widget());
    if (!bar) return;
    // An empty range would make Qt's bar a busy indicator: it shows an empty bar instead.
    if (FMin == FMax) {
        bar->setRange(0, 1);
        bar->setValue(0);
        return;
    }
    bar->setRange(FMin, FMax);
    bar->setValue(FPosition);
}

// TRangeControl

void TRangeControl::SetMin(int32_t Value)
{
    FMin = Value;
    FMax = std::max(FMax, FMin);
    ShowState();
    SetPosition(FPosition);
}

void TRangeControl::SetMax(int32_t Value)
{
    FMax = Value;
    FMin = std::min(FMin, FMax);
    ShowState();
    SetPosition(FPosition);
}

void TRangeControl::SetPosition(int32_t Value)
{
    const int32_t position = std::clamp(Value, FMin, FMax);
    if (position == FPosition) return;
    FPosition = position;
    ShowState();
    Change();
}

void TRangeControl::Change()
{
    if (OnChange) OnChange(this);
}

void TRangeControl::UserMoved(int32_t Value)
{
    if (!FShowing) Guarded(this, [&] { SetPosition(Value); });
}

// TTrackBar

TTrackBar::TTrackBar(TComponent* AOwner) : TRangeControl(AOwner, 10) { SetBounds(0, 0, 150, 45); }

void TTrackBar::CreateWnd()
{
    TWinControl::CreateWnd();
    auto* slider = AddContentWidget<QSlider>(Widget(), Qt::Horizontal);
    slider->setTickPosition(QSlider::TicksBelow);
    QObject::connect(slider, &QSlider::valueChanged, slider, [this](int Value) { UserMoved(Value); });
    ShowState();
}

void TTrackBar::ShowState()
{
    auto* slider = ContentWidget<QSlider>(Widget());
    if (!slider) return;
    Showing([&] {
        slider->setRange(Min(), Max());
        // About ten ticks, whatever the range.
        slider->setTickInterval(static_cast<int>(std::max<int64_t>(1, (int64_t{Max()} - Min()) / 10)));
        slider->setValue(Position());
    });
}

// TScrollBar

TScrollBar::TScrollBar(TComponent* AOwner) : TRangeControl(AOwner, 100) { SetBounds(0, 0, 121, 17); }

void TScrollBar::SetKind(TScrollBarKind Value)
{
    if (Value == FKind) return;
    FKind = Value;
    // The bar turns with the control.
    SetBounds(Left(), Top(), Height(), Width());
    ShowState();
}

void TScrollBar::SetSmallChange(int32_t Value)
{
    FSmallChange = Value;
    ShowState();
}

void TScrollBar::SetLargeChange(int32_t Value)
{
    FLargeChange = Value;
    ShowState();
}

void TScrollBar::CreateWnd()
{
    TWinControl::CreateWnd();
    auto* bar = AddContentWidget<QScrollBar>(Widget(), Qt::Horizontal);
    QObject::connect(bar, &QScrollBar::valueChanged, bar, [this](int Value) { UserMoved(Value); });
    ShowState();
}

void TScrollBar::ShowState()
{
    auto* bar = ContentWidget<QScrollBar>(Widget());
    if (!bar) return;
    Showing([&] {
        bar->setOrientation(FKind == sbVertical ? Qt::Vertical : Qt::Horizontal);
        bar->setRange(Min(), Max());
        bar->setSingleStep(FSmallChange);
        bar->setPageStep(FLargeChange);
        bar->setValue(Position());
    });
}
