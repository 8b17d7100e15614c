// Common controls: the progress bar and the track bar.
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

// A horizontal slider over Min..Max. OnChange runs once for each real change of Position, whether the user
// moved it or code set it (a bound that pushes the position along changes it too); setting the position it
// already has runs nothing.
class TTrackBar : public TWinControl {
public:
    explicit TTrackBar(TComponent* AOwner);

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
    void CreateWnd() override;
    virtual void Change();

private:
    void ShowState();

    int32_t FMin = 0, FMax = 10, FPosition = 0;
    // The slider is being told the range or position: its signal is not the user's.
    bool FShowing = false;
};
