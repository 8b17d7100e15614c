// Menus: the menu items with their shortcuts, and the main menu a form shows as its menu bar.
#pragma once

#include "Components.h"
#include "Controls.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A key with its modifiers: the virtual-key code in the low byte, the modifiers in the top bits; 0 is none.
using TShortCut = uint16_t;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

TShortCut ShortCut(uint16_t Key, TShiftState Shift);
// "Ctrl+S", "Shift+F5", "Del"; empty for none.
std::string ShortCutToText(TShortCut Value);

class TMainMenu;

// One entry of a menu; an item with items opens a submenu, the caption "-" is a separator line. An '&' in the
// caption marks the letter that opens it from the keyboard.
class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);

    // Takes Item in as the last sub-item (from the item that had it).
    void Add(TMenuItem* Item);
    void Remove(TMenuItem* Item);
    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int Index) const { return FItems.at(static_cast<size_t>(Index)); }
    TMenuItem* Parent() const { return FParent; }

    // Runs OnClick when the item is enabled.
    virtual void Click();
    // Clicks the enabled item below this one (this one included) whose shortcut is Value; false when none is.
    bool HandleShortCut(TShortCut Value);

    TNotifyEvent OnClick;

private:
    friend class TMainMenu;
    // Tells the menu bar showing the item to show it again.
    void Changed();

    std::string FCaption;
    TShortCut FShortCut = 0;
    bool FEnabled = true, FChecked = false;
    std::vector<TMenuItem*> FItems;
    TMenuItem* FParent = nullptr;
    TMainMenu* FMenu = nullptr; // set on the menu's root item only
};

// The menu of a form (TForm::SetMenu): its items make the form's menu bar, and their shortcuts work while the
// form has the keyboard.
class TMainMenu : public TComponent {
public:
    explicit TMainMenu(TComponent* AOwner);
    ~TMainMenu() override;

    TMenuItem* Items() const { return FItems.get(); }
    bool IsShortCut(uint16_t Key, TShiftState Shift);

    // Shows the items as a menu bar at the top of Host's window (nullptr, or a host without a window, takes the
    // bar away).
    void ShowIn(TWinControl* Host);
    // The height of the menu bar shown; 0 while none is.
    int32_t BarHeight() const;

private:
    friend class TMenuItem;
    // The menu bar (in the .cpp); it goes with its host's window.
    struct TBar;

    void Rebuild();

    std::unique_ptr<TMenuItem> FItems;
    std::unique_ptr<TBar> FBar;
};
