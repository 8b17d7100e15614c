#include "StdCtrls.h"

#include "ControlWidget.h"

#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QPushButton>

#include <vector>

namespace {

std::string Join(const std::vector<std::string>& Lines, const char* Separator)
{
    std::string text;
    for (size_t i = 0; i < Lines.size(); ++i) {
        if (i) text += Separator;
        text += Lines[i];
    }
    return text;
}

} // namespace

// The memo's lines: kept here and shown by the box while it has a window.
class TMemoLines : public TStrings {
public:
    explicit TMemoLines(TMemo& Memo) : FMemo(Memo) {}

    int Count() const override { return static_cast<int>(FLines.size()); }
    std::string Get(int Index) const override
    {
        CheckIndex(Index, Count());
        return FLines[static_cast<size_t>(Index)];
    }
    void Put(int Index, const std::string& S) override
    {
        CheckIndex(Index, Count());
        FLines[static_cast<size_t>(Index)] = S;
        Changed();
    }
    void Insert(int Index, const std::string& S) override
    {
        CheckIndex(Index, Count() + 1);
        // The box shows a single empty line as no line at all: adding after it needs the whole text.
        const bool appendable = Index == Count() && !(Count() == 1 && FLines[0].empty());
        FLines.insert(FLines.begin() + Index, S);
        if (appendable && UpdateCount() == 0)
            FMemo.ShowAddedLine(S);
        else
            Changed();
    }
    void Delete(int Index) override
    {
        CheckIndex(Index, Count());
        FLines.erase(FLines.begin() + Index);
        Changed();
    }
    void Clear() override
    {
        FLines.clear();
        Changed();
    }

    const std::vector<std::string>& All() const { return FLines; }
    // What the user typed: a line per paragraph of the box, none when it is empty.
    void Take(const QString& Text)
    {
        FLines.clear();
        if (Text.isEmpty()) return;
        for (const QString& line : Text.split(QChar('\n'))) FLines.push_back(line.toStdString());
    }

protected:
    void SetUpdateState(bool Updating) override
    {
        if (!Updating) FMemo.ShowLines();
    }

private:
    void Changed()
    {
        if (UpdateCount() == 0) FMemo.ShowLines();
    }

    TMemo& FMemo;
    std::vector<std::string> FLines;
};

// TMemo

TMemo::TMemo(TComponent* AOwner) : TWinControl(AOwner), FLines(std::make_unique<TMemoLines>(*this))
{
    SetBounds(0, 0, 185, 89);
}

TMemo::~TMemo()
{
    // The box's signals reach the lines: it goes first.
    DestroyWnd();
}

TStrings* TMemo::Lines() const { return FLines.get(); }

std::string TMemo::Text() const { return Join(FLines->All(), "\r\n"); }

void TMemo::SetText(const std::string& Value) { FLines->SetText(Value); }

void TMemo::Clear() { FLines->Clear(); }

void TMemo::SetReadOnly(bool Value)
{
    FReadOnly = Value;
    ApplyStyle();
}

void TMemo::SetScrollBars(TScrollStyle Value)
{
    FScrollBars = Value;
    ApplyStyle();
}

void TMemo::CreateWnd()
{
    TWinControl::CreateWnd();
    auto* box = AddContentWidget<QPlainTextEdit>(Widget());
    QObject::connect(box, &QPlainTextEdit::textChanged, box, [this, box] {
        if (!FShowingLines) FLines->Take(box->toPlainText());
    });
    ApplyStyle();
    ShowLines();
}

void TMemo::ApplyStyle()
{
    auto* box = ContentWidget<QPlainTextEdit>(Widget());
    if (!box) return;
    box->setReadOnly(FReadOnly);
    const bool horizontal = FScrollBars == ssHorizontal || FScrollBars == ssBoth;
    const bool vertical = FScrollBars == ssVertical || FScrollBars == ssBoth;
    box->setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    box->setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    box->setLineWrapMode(horizontal ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
}

void TMemo::ShowLines()
{
    auto* box = ContentWidget<QPlainTextEdit>(Widget());
    if (!box) return;
    FShowingLines = true;
    box->setPlainText(ToQString(Join(FLines->All(), "\n")));
    FShowingLines = false;
}

void TMemo::ShowAddedLine(const std::string& Line)
{
    auto* box = ContentWidget<QPlainTextEdit>(Widget());
    if (!box) return;
    // The box keeps its scroll position, following the end when it was there.
    FShowingLines = true;
    box->appendPlainText(ToQString(Line));
    FShowingLines = false;
}

// TButton

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) { SetBounds(0, 0, 75, 25); }

void TButton::SetCaption(const std::string& Value)
{
    FCaption = Value;
    if (auto* button = ContentWidget<QPushButton>(Widget())) button->setText(ToQString(Value));
}

void TButton::Click() { TWinControl::Click(); }

void TButton::CreateWnd()
{
    TWinControl::CreateWnd();
    auto* button = AddContentWidget<QPushButton>(Widget(), ToQString(FCaption));
    QObject::connect(button, &QPushButton::clicked, button, [this] { Guarded(this, [this] { Click(); }); });
}

// TLabel

TLabel::TLabel(TComponent* AOwner) : TWinControl(AOwner) { SetBounds(0, 0, 65, 17); }

void TLabel::SetCaption(const std::string& Value)
{
    FCaption = Value;
    if (auto* label = ContentWidget<QLabel>(Widget())) label->setText(ToQString(Value));
}

void TLabel::CreateWnd()
{
    TWinControl::CreateWnd();
    auto* label = AddContentWidget<QLabel>(Widget());
    label->setTextFormat(Qt::PlainText);
    label->setText(ToQString(FCaption));
}

// TEdit

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner) { SetBounds(0, 0, 121, 23); }

void TEdit::SetText(const std::string& Value)
{
    if (Value == FText) return;
    // The box's edit signal reports only the user's typing, so this is no echo.
    if (auto* box = ContentWidget<QLineEdit>(Widget())) box->setText(ToQString(Value));
    TakeText(Value);
}

void TEdit::TakeText(const std::string& Value)
{
    if (Value == FText) return;
    FText = Value;
    FInvalid = false;
    FInvalidHint.clear();
    ShowValidity();
    Change();
}

void TEdit::SetInvalid(const std::string& Hint)
{
    FInvalid = true;
    FInvalidHint = Hint;
    ShowValidity();
}

void TEdit::ShowValidity()
{
    auto* box = ContentWidget<QLineEdit>(Widget());
    if (!box) return;
    box->setStyleSheet(FInvalid ? QStringLiteral("QLineEdit { color: red; }") : QString());
    box->setToolTip(ToQString(FInvalidHint));
}

void TEdit::Change()
{
    if (OnChange) OnChange(this);
}

void TEdit::CreateWnd()
{
    TWinControl::CreateWnd();
    auto* box = AddContentWidget<QLineEdit>(Widget(), ToQString(FText));
    QObject::connect(box, &QLineEdit::textEdited, box,
                     [this](const QString& Text) { Guarded(this, [&] { TakeText(Text.toStdString()); }); });
    ShowValidity();
}

// TCheckBox

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) { SetBounds(0, 0, 97, 17); }

void TCheckBox::SetCaption(const std::string& Value)
{
    FCaption = Value;
    if (auto* box = ContentWidget<QCheckBox>(Widget())) box->setText(ToQString(Value));
}

void TCheckBox::SetChecked(bool Value)
{
    if (Value == FChecked) return;
    FChecked = Value;
    // The box reports only the user's clicks, so this is no echo.
    if (auto* box = ContentWidget<QCheckBox>(Widget())) box->setChecked(Value);
    Click();
}

void TCheckBox::CreateWnd()
{
    TWinControl::CreateWnd();
    auto* box = AddContentWidget<QCheckBox>(Widget(), ToQString(FCaption));
    box->setChecked(FChecked);
    QObject::connect(box, &QCheckBox::clicked, box, [this](bool Checked) {
        Guarded(this, [&] {
            if (Checked == FChecked) return;
            FChecked = Checked;
            Click();
        });
    });
}

// The combo box's items: kept here and shown by the box while it has a window. The selection follows its item
// as lines come and go before it, and goes with it.
class TComboBoxItems : public TStrings {
public:
    explicit TComboBoxItems(TComboBox& Box) : FBox(Box) {}

    int Count() const override { return static_cast<int>(FItems.size()); }
    std::string Get(int Index) const override
    {
        CheckIndex(Index, Count());
        return FItems[static_cast<size_t>(Index)];
    }
    void Put(int Index, const std::string& S) override
    {
        CheckIndex(Index, Count());
        FItems[static_cast<size_t>(Index)] = S;
        Changed();
    }
    void Insert(int Index, const std::string& S) override
    {
        CheckIndex(Index, Count() + 1);
        FItems.insert(FItems.begin() + Index, S);
        if (FBox.FItemIndex >= Index) ++FBox.FItemIndex;
        Changed();
    }
    void Delete(int Index) override
    {
        CheckIndex(Index, Count());
        FItems.erase(FItems.begin() + Index);
        if (FBox.FItemIndex == Index)
            FBox.FItemIndex = -1;
        else if (FBox.FItemIndex > Index)
            --FBox.FItemIndex;
        Changed();
    }
    void Clear() override
    {
        FItems.clear();
        FBox.FItemIndex = -1;
        Changed();
    }

    const std::vector<std::string>& All() const { return FItems; }

protected:
    void SetUpdateState(bool Updating) override
    {
        if (!Updating) FBox.ShowItems();
    }

private:
    void Changed()
    {
        if (UpdateCount() == 0) FBox.ShowItems();
    }

    TComboBox& FBox;
    std::vector<std::string> FItems;
};

// TComboBox

TComboBox::TComboBox(TComponent* AOwner) : TWinControl(AOwner), FItems(std::make_unique<TComboBoxItems>(*this))
{
    SetBounds(0, 0, 145, 23);
}

TComboBox::~TComboBox()
{
    // The box's signals reach the items: it goes first.
    DestroyWnd();
}

TStrings* TComboBox::Items() const { return FItems.get(); }

void TComboBox::SetStyle(TComboBoxStyle Value)
{
    FStyle = Value;
    RecreateWnd();
}

void TComboBox::SetItemIndex(int Value)
{
    FItemIndex = Value >= 0 && Value < FItems->Count() ? Value : -1;
    FText = FItemIndex >= 0 ? FItems->Get(FItemIndex) : std::string();
    ShowSelection();
}

std::string TComboBox::Text() const
{
    if (FStyle == csDropDown) return FText;
    return FItemIndex >= 0 ? FItems->Get(FItemIndex) : std::string();
}

void TComboBox::SetText(const std::string& Value)
{
    FItemIndex = FItems->IndexOf(Value);
    FText = FItemIndex >= 0 ? FItems->Get(FItemIndex) : Value;
    ShowSelection();
}

void TComboBox::Change()
{
    if (OnChange) OnChange(this);
}

void TComboBox::CreateWnd()
{
    TWinControl::CreateWnd();
    auto* box = AddContentWidget<QComboBox>(Widget());
    box->setEditable(FStyle == csDropDown);
    QObject::connect(box, &QComboBox::activated, box, [this](int Index) {
        Guarded(this, [&] {
            if (FShowing) return;
            SetItemIndex(Index);
            Change();
        });
    });
    if (QLineEdit* line = box->lineEdit())
        QObject::connect(line, &QLineEdit::textEdited, box, [this](const QString& Text) {
            Guarded(this, [&] {
                FText = Text.toStdString();
                FItemIndex = FItems->IndexOf(FText);
                Change();
            });
        });
    ShowItems();
}

void TComboBox::ShowItems()
{
    if (FItemIndex >= FItems->Count()) FItemIndex = -1;
    auto* box = ContentWidget<QComboBox>(Widget());
    if (!box) return;
    FShowing = true;
    box->clear();
    for (const std::string& item : FItems->All()) box->addItem(ToQString(item));
    FShowing = false;
    ShowSelection();
}

void TComboBox::ShowSelection()
{
    auto* box = ContentWidget<QComboBox>(Widget());
    if (!box) return;
    FShowing = true;
    box->setCurrentIndex(FItemIndex);
    if (box->isEditable()) box->setEditText(ToQString(Text()));
    FShowing = false;
}

// TGroupBox

TGroupBox::TGroupBox(TComponent* AOwner) : TWinControl(AOwner) { SetBounds(0, 0, 185, 105); }

void TGroupBox::SetCaption(const std::string& Value)
{
    FCaption = Value;
    if (auto* box = ContentWidget<QGroupBox>(Widget())) box->setTitle(ToQString(Value));
}

void TGroupBox::CreateWnd()
{
    TWinControl::CreateWnd();
    AddContentWidget<QGroupBox>(Widget(), ToQString(FCaption));
}
