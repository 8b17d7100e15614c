// The speed button: a flat tool button that never takes the keyboard.
#pragma once

#include "Controls.h"

#include <cstdint>
#include <string>

// A click runs OnClick. With a GroupIndex other than 0 the button stays down once clicked, and the buttons of
// the same group on the same parent go up: one tool of the group is chosen at a time.
class TSpeedButton : public TWinControl {
public:
    explicit TSpeedButton(TComponent* AOwner);

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    int32_t GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int32_t Value);
    bool Down() const { return FDown; }
    // Only a grouped button stays down; putting one down puts the others of its group up.
    void SetDown(bool Value);
    void Click() override;

protected:
    void CreateWnd() override;

private:
    void ShowState();

    std::string FCaption;
    int32_t FGroupIndex = 0;
    bool FDown = false;
};
