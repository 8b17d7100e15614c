// Common controls: the progress bar, the track bar and the scroll bar.
#pragma once

#include "Controls.h"

#include <cstdint>

// Shows Position between Min and Max, as one bar or, unless Smooth, in blocks.
class TProgressBar : public TWinControl {
public:
    explicit TProgressBar(TComponent* AOwner);

    int32_t Min() const { return FMin; }
    int32_t Max() const { return FMax; }
    // A bound past the other one moves the other one along; the position stays between them.
    void SetMin(int32_t Value);
    void SetMax(int32_t Value);
    int32_t Position() const { return FPosition; }
    // Kept within Min..Max.
    void SetPosition(int32_t Value);
    bool Smooth() const { return FSmooth; }
    void SetSmooth(bool Value);

protected:
    void CreateWnd() override;

private:
    void ShowState();

    int32_t FMin = 0, FMax = 100, FPosition = 0;
    bool FSmooth = false;
};

// A position within Min..Max that the user can move. OnChange runs once for each real change of Position,
// whether the user moved it or code set it (a bound that pushes the position along changes it too); setting
// the position it already has runs nothing.
class TRangeControl : public TWinControl {
public:
    int32_t Min() const { return FMin; }
    int32_t Max() const { return FMax; }
    // A bound past the other one moves the other one along; the position stays between them.
    void SetMin(int32_t Value);
    void SetMax(int32_t Value);
    int32_t Position() const { return FPosition; }
    // Kept within Min..Max.
    void SetPosition(int32_t Value);

    TNotifyEvent OnChange;

protected:
    TRangeControl(TComponent* AOwner, int32_t Max) : TWinControl(AOwner), FMax(Max) {}
    virtual void Change();
    // Tells the widget the range and position.
    virtual void ShowState() = 0;
    // The widget reports the user's move; it is not the user's while the widget is being told the state.
    void UserMoved(int32_t Value);
    // Runs Body with the widget's signals taken as an echo of the state.
    template <class F> void Showing(F&& Body)
    {
        FShowing = true;
        Body();
        FShowing = false;
    }

private:
    int32_t FMin = 0, FMax, FPosition = 0;
    bool FShowing = false;
};

// A horizontal slider over Min..Max.
class TTrackBar : public TRangeControl {
public:
    explicit TTrackBar(TComponent* AOwner);

protected:
    void CreateWnd() override;
    void ShowState() override;
};

enum TScrollBarKind { sbHorizontal, sbVertical };

// A scroll bar over Min..Max; the arrows move the position by SmallChange, the track by LargeChange.
class TScrollBar : public TRangeControl {
public:
    explicit TScrollBar(TComponent* AOwner);

    TScrollBarKind Kind() const { return FKind; }
    void SetKind(TScrollBarKind Value);
    int32_t SmallChange() const { return FSmallChange; }
    void SetSmallChange(int32_t Value);
    int32_t LargeChange() const { return FLargeChange; }
    void SetLargeChange(int32_t Value);

protected:
    void CreateWnd() override;
    void ShowState() override;

private:
    TScrollBarKind FKind = sbHorizontal;
    int32_t FSmallChange = 1, FLargeChange = 1;
};
