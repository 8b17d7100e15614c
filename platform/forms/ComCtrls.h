// Common controls: the progress bar.
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
