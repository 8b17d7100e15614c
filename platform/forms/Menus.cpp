#include "Menus.h"

#include "ControlWidget.h"
#include "VirtualKeys.h"

#include <QtCore/QPointer>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>

#include <algorithm>
#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<TShortCut, const char*>, 3> ModifierNames{
    {{scShift, "Shift+"}, {scCtrl, "Ctrl+"}, {scAlt, "Alt+"}}};

// The keys without a character of their own.
constexpr std::array<std::pair<uint16_t, const char*>, 14> KeyNames{{{VK_BACK, "BkSp"},
                                                                     {VK_TAB, "Tab"},
                                                                     {VK_RETURN, "Enter"},
                                                                     {VK_ESCAPE, "Esc"},
                                                                     {0x20, "Space"},
                                                                     {0x21, "PgUp"},
                                                                     {0x22, "PgDn"},
                                                                     {0x23, "End"},
                                                                     {0x24, "Home"},
                                                                     {0x25, "Left"},
                                                                     {0x26, "Up"},
                                                                     {0x27, "Right"},
                                                                     {0x28, "Down"},
                                                                     {VK_INSERT, "Ins"}}};

std::string KeyName(uint16_t Key)
{
    if (Key == VK_DELETE) return "Del";
    if ((Key >= '0' && Key <= '9') || (Key >= 'A' && Key <= 'Z')) return std::string(1, static_cast<char>(Key));
    if (Key >= VK_F1 && Key < VK_F1 + 24) return "F" + std::to_string(Key - VK_F1 + 1);
    for (const auto& [key, name] : KeyNames)
        if (key == Key) return name;
    return {};
}

// Keeps the menu bar across the top of its host.
class TMenuBarPlacer : public QObject {
public:
    TMenuBarPlacer(QWidget* Host, QMenuBar* Bar) : QObject(Bar), FBar(Bar) { Host->installEventFilter(this); }

    void Place(QWidget* Host) { FBar->setGeometry(0, 0, Host->width(), FBar->sizeHint().height()); }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override
    {
        if (Event->type() == QEvent::Resize) Place(static_cast<QWidget*>(Watched));
        return false;
    }

private:
    QMenuBar* FBar;
};

QString ActionText(const TMenuItem* Item)
{
    QString text = ToQString(Item->Caption());
    const std::string shortCut = ShortCutToText(Item->ShortCut());
    // Qt's menus show what follows a tab as the shortcut, right-aligned.
    if (!shortCut.empty()) text += QLatin1Char('\t') + ToQString(shortCut);
    return text;
}

void AddItems(QWidget* Menu, const TMenuItem* Parent)
{
    for (int i = 0; i < Parent->Count(); ++i) {
        TMenuItem* item = Parent->Items(i);
        if (item->Caption() == "-") {
            if (auto* menu = qobject_cast<QMenu*>(Menu)) menu->addSeparator();
            continue;
        }
        if (item->Count() > 0) {
            auto* sub = new QMenu(ToQString(item->Caption()), Menu);
            sub->setEnabled(item->Enabled());
            AddItems(sub, item);
            Menu->addAction(sub->menuAction());
            continue;
        }
        auto* action = new QAction(ActionText(item), Menu);
        action->setEnabled(item->Enabled());
        action->setCheckable(item->Checked());
        action->setChecked(item->Checked());
        QObject::connect(action, &QAction::triggered, action, [item] { Guarded(nullptr, [item] { item->Click(); }); });
        Menu->addAction(action);
    }
}

} // namespace

TShortCut ShortCut(uint16_t Key, TShiftState Shift)
{
    TShortCut value = Key & 0xFF;
    if (Shift.Contains(ssShift)) value |= scShift;
    if (Shift.Contains(ssCtrl)) value |= scCtrl;
    if (Shift.Contains(ssAlt)) value |= scAlt;
    return value;
}

std::string ShortCutToText(TShortCut Value)
{
    const std::string key = KeyName(Value & 0xFF);
    if (key.empty()) return {};
    std::string text;
    for (const auto& [modifier, name] : ModifierNames)
        if (Value & modifier) text += name;
    return text + key;
}

// TMenuItem

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem()
{
    if (FParent) FParent->Remove(this);
    for (TMenuItem* item : FItems) item->FParent = nullptr;
}

void TMenuItem::SetCaption(const std::string& Value)
{
    FCaption = Value;
    Changed();
}

void TMenuItem::SetShortCut(TShortCut Value)
{
    FShortCut = Value;
    Changed();
}

void TMenuItem::SetEnabled(bool Value)
{
    FEnabled = Value;
    Changed();
}

void TMenuItem::SetChecked(bool Value)
{
    FChecked = Value;
    Changed();
}

void TMenuItem::Add(TMenuItem* Item)
{
    if (Item->FParent) Item->FParent->Remove(Item);
    Item->FParent = this;
    FItems.push_back(Item);
    Changed();
}

void TMenuItem::Remove(TMenuItem* Item)
{
    const auto found = std::find(FItems.begin(), FItems.end(), Item);
    if (found == FItems.end()) return;
    FItems.erase(found);
    Item->FParent = nullptr;
    Changed();
}

void TMenuItem::Click()
{
    if (FEnabled && OnClick) OnClick(this);
}

bool TMenuItem::HandleShortCut(TShortCut Value)
{
    if (!FEnabled) return false;
    if (FShortCut == Value && FItems.empty()) {
        Click();
        return true;
    }
    return std::any_of(FItems.begin(), FItems.end(), [Value](TMenuItem* item) { return item->HandleShortCut(Value); });
}

void TMenuItem::Changed()
{
    const TMenuItem* root = this;
    while (root->FParent) root = root->FParent;
    if (root->FMenu) root->FMenu->Rebuild();
}

// TMainMenu

struct TMainMenu::TBar {
    // Shows Items as a menu bar at the top of Host (nullptr takes the bar away).
    void ShowIn(QWidget* Host, const TMenuItem* Items)
    {
        // An item's click may change the menu: the old bar goes once the click is over.
        if (Bar) {
            Bar->hide();
            Bar->setParent(nullptr);
            Bar->deleteLater();
        }
        Bar = nullptr;
        if (!Host) return;
        Bar = new QMenuBar(Host);
        AddItems(Bar, Items);
        auto* placer = new TMenuBarPlacer(Host, Bar);
        placer->Place(Host);
        Bar->raise();
        Bar->show();
    }

    // Goes with its host's widget.
    QPointer<QMenuBar> Bar;
};

TMainMenu::TMainMenu(TComponent* AOwner)
    : TComponent(AOwner), FItems(std::make_unique<TMenuItem>(nullptr)), FBar(std::make_unique<TBar>())
{
    FItems->FMenu = this;
}

TMainMenu::~TMainMenu()
{
    FItems->FMenu = nullptr;
    delete FBar->Bar;
}

bool TMainMenu::IsShortCut(uint16_t Key, TShiftState Shift)
{
    const TShortCut value = ShortCut(Key, Shift);
    return KeyName(Key).size() > 0 && FItems->HandleShortCut(value);
}

void TMainMenu::ShowIn(TWinControl* Host) { FBar->ShowIn(TControlWidget::Of(Host), FItems.get()); }

int32_t TMainMenu::BarHeight() const { return FBar->Bar ? FBar->Bar->sizeHint().height() : 0; }

void TMainMenu::Rebuild()
{
    if (FBar->Bar) FBar->ShowIn(FBar->Bar->parentWidget(), FItems.get());
}
