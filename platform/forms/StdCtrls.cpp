#include "StdCtrls.h"

#include "BitmapImage.h"
#include "ControlWidget.h"
#include "SysUtils.h"

#include <QtGui/QFontMetrics>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QStyle>
#include <QtWidgets/QStyleOptionGroupBox>

#include <algorithm>
#include <functional>
#include <utility>
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
        if (FLines[static_cast<size_t>(Index)] == S) return;
        FLines[static_cast<size_t>(Index)] = S;
        Changed();
    }
    void Insert(int Index, const std::string& S) override
    {
        CheckIndex(Index, Count() + 1);
        // The box shows a single empty line as no line at all: adding after it needs the whole text.
        const bool appendable = Index == Count() && !(Count() == 1 && FLines[0].empty());
        FLines.insert(FLines.begin() + Index, S);
        if (appendable && UpdateCount() == 0) {
            FMemo.ShowAddedLine(S);
            FMemo.Change();
        } else {
            Changed();
        }
    }
    void Delete(int Index) override
    {
        CheckIndex(Index, Count());
        FLines.erase(FLines.begin() + Index);
        Changed();
    }
    void Clear() override
    {
        if (FLines.empty()) return;
        FLines.clear();
        Changed();
    }

    const std::vector<std::string>& All() const { return FLines; }
    // What the user typed: a line per paragraph of the box, none when it is empty.
    void Take(const QString& Text)
    {
        std::vector<std::string> typed;
        if (!Text.isEmpty())
            for (const QString& line : Text.split(QChar('\n'))) typed.push_back(line.toStdString());
        if (typed == FLines) return;
        FLines = std::move(typed);
        FMemo.Change();
    }

protected:
    // An update bracket is one change, when it leaves other lines than it found.
    void SetUpdateState(bool Updating) override
    {
        if (Updating) {
            FBeforeUpdate = FLines;
            return;
        }
        FMemo.ShowLines();
        const bool changed = FLines != FBeforeUpdate;
        FBeforeUpdate.clear();
        if (changed) FMemo.Change();
    }

private:
    void Changed()
    {
        if (UpdateCount() > 0) return;
        FMemo.ShowLines();
        FMemo.Change();
    }

    TMemo& FMemo;
    std::vector<std::string> FLines;
    std::vector<std::string> FBeforeUpdate;
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
        if (!FShowingLines) Guarded(this, [&] { FLines->Take(box->toPlainText()); });
    });
    ApplyStyle();
    ShowLines();
}

void TMemo::Change()
{
    if (OnChange) OnChange(this);
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

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner)
{
    SetBounds(0, 0, 75, 25);
    FFont.OnChange = [this](TObject*) { ShowFont(); };
}

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
    ShowFont();
}

void TButton::ShowFont()
{
    auto* button = ContentWidget<QPushButton>(Widget());
    if (!button) return;
    const TFont plain;
    const bool ownFace = !SameText(FFont.Name(), plain.Name()) || FFont.Height() != plain.Height();
    QFont font = ownFace ? ToQFont(FFont) : QApplication::font(button);
    const TFontStyles style = FFont.Style();
    if (!ownFace) {
        font.setBold(style & fsBold);
        font.setItalic(style & fsItalic);
        font.setUnderline(style & fsUnderline);
        font.setStrikeOut(style & fsStrikeOut);
    }
    button->setFont(font);
    QPalette palette = QApplication::palette(button);
    if (FFont.Color() != plain.Color()) palette.setColor(QPalette::ButtonText, ToQColor(FFont.Color()));
    button->setPalette(palette);
}

// TLabel

TLabel::TLabel(TComponent* AOwner) : TWinControl(AOwner) { SetBounds(0, 0, 65, 17); }

void TLabel::SetCaption(const std::string& Value)
{
    FCaption = Value;
    if (auto* label = ContentWidget<QLabel>(Widget())) label->setText(ToQString(Value));
    // A label takes the size of its text (its widest line, its lines' height), as the platform's labels size
    // themselves, so that it reaches over no control beside it; an aligned one keeps what its alignment gives it.
    if (Align() != alNone || !QCoreApplication::instance()) return;
    const QRect text = QFontMetrics(QApplication::font()).boundingRect(QRect(), Qt::TextExpandTabs, ToQString(Value));
    SetBounds(Left(), Top(), text.width(), std::max(text.height(), Height() > 0 ? 1 : 0));
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

// TButtonControl

void TButtonControl::SetCaption(const std::string& Value)
{
    FCaption = Value;
    if (auto* button = ContentWidget<QAbstractButton>(Widget())) button->setText(ToQString(Value));
}

void TButtonControl::ShowChecked()
{
    if (auto* button = ContentWidget<QAbstractButton>(Widget())) button->setChecked(FChecked);
}

void TButtonControl::CreateButton(bool Radio)
{
    TWinControl::CreateWnd();
    QAbstractButton* button;
    if (Radio) {
        auto* radio = AddContentWidget<QRadioButton>(Widget(), ToQString(FCaption));
        // Each button sits alone in its control's widget: the group is the parent's radio buttons, kept here.
        radio->setAutoExclusive(false);
        button = radio;
    } else {
        button = AddContentWidget<QCheckBox>(Widget(), ToQString(FCaption));
    }
    button->setChecked(FChecked);
    QObject::connect(button, &QAbstractButton::clicked, button,
                     [this](bool Checked) { Guarded(this, [&] { UserClicked(Checked); }); });
}

// TCheckBox

void TCheckBox::SetChecked(bool Value)
{
    if (Value == FChecked) return;
    FChecked = Value;
    ShowChecked();
    Click();
}

void TCheckBox::CreateWnd() { CreateButton(false); }

void TCheckBox::UserClicked(bool Checked)
{
    if (Checked == FChecked) return;
    FChecked = Checked;
    Click();
}

// TRadioButton

TRadioButton::TRadioButton(TComponent* AOwner) : TButtonControl(AOwner) { SetWidth(113); }

void TRadioButton::SetChecked(bool Value)
{
    if (Value == FChecked) return;
    FChecked = Value;
    ShowChecked();
    if (!Value) return;
    if (TWinControl* parent = Parent())
        for (int i = 0; i < parent->ControlCount(); ++i)
            if (auto* other = dynamic_cast<TRadioButton*>(parent->Controls(i)); other && other != this) {
                other->FChecked = false;
                other->ShowChecked();
            }
    Click();
}

void TRadioButton::CreateWnd() { CreateButton(true); }

void TRadioButton::UserClicked(bool Checked)
{
    if (!Checked) ShowChecked();
    SetChecked(true);
}

enum class TItemChange : uint8_t { Inserted, Deleted, Renamed, All };

// The items of a combo or list box: kept here and told to the box's widget while it has one. The box's choice
// (and a list box's ticks) follow their items as lines come and go before them; the choice goes with its item.
class TChoiceItems : public TStrings {
public:
    using TShow = std::function<void(TItemChange Change, int Index)>;

    TChoiceItems(int& Choice, std::vector<uint8_t>* Ticks, TShow Show)
        : FChoice(Choice), FTicks(Ticks), FShow(std::move(Show))
    {
    }

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
        Changed(TItemChange::Renamed, Index);
    }
    void Insert(int Index, const std::string& S) override
    {
        CheckIndex(Index, Count() + 1);
        FItems.insert(FItems.begin() + Index, S);
        if (FTicks) FTicks->insert(FTicks->begin() + Index, 0);
        if (FChoice >= Index) ++FChoice;
        Changed(TItemChange::Inserted, Index);
    }
    void Delete(int Index) override
    {
        CheckIndex(Index, Count());
        FItems.erase(FItems.begin() + Index);
        if (FTicks) FTicks->erase(FTicks->begin() + Index);
        if (FChoice == Index)
            FChoice = -1;
        else if (FChoice > Index)
            --FChoice;
        Changed(TItemChange::Deleted, Index);
    }
    void Clear() override
    {
        FItems.clear();
        if (FTicks) FTicks->clear();
        FChoice = -1;
        Changed(TItemChange::All, -1);
    }

    const std::vector<std::string>& All() const { return FItems; }
    // Within an update bracket: the box's widget shows the items only at its end.
    bool Updating() const { return UpdateCount() > 0; }

protected:
    void SetUpdateState(bool Updating) override
    {
        if (!Updating) FShow(TItemChange::All, -1);
    }

private:
    void Changed(TItemChange Change, int Index)
    {
        if (UpdateCount() == 0) FShow(Change, Index);
    }

    int& FChoice;
    std::vector<uint8_t>* FTicks;
    TShow FShow;
    std::vector<std::string> FItems;
};

// TComboBox

TComboBox::TComboBox(TComponent* AOwner)
    : TWinControl(AOwner),
      FItems(std::make_unique<TChoiceItems>(FItemIndex, nullptr,
                                            [this](TItemChange Change, int Index) { ShowItemChange(Change, Index); }))
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
    ShowItemChange(TItemChange::All, -1);
}

void TComboBox::ShowItemChange(TItemChange Change, int Index)
{
    auto* box = ContentWidget<QComboBox>(Widget());
    if (!box) return;
    FShowing = true;
    switch (Change) {
    case TItemChange::Inserted: box->insertItem(Index, ToQString(FItems->Get(Index))); break;
    case TItemChange::Deleted: box->removeItem(Index); break;
    case TItemChange::Renamed: box->setItemText(Index, ToQString(FItems->Get(Index))); break;
    case TItemChange::All:
        box->clear();
        for (const std::string& item : FItems->All()) box->addItem(ToQString(item));
        break;
    }
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

// TListBox

namespace {

// The list box's widget: tells the box of the user's choice, a click on a line (its tick box included: the line
// becomes the chosen one) once the click's tick is taken, or a key that moved the choice. The choice is the
// selected line: the line the view makes current as it takes the focus is not chosen.
class TListBoxWidget : public QListWidget {
public:
    TListBoxWidget(std::function<void()> Chose, QWidget* Parent) : QListWidget(Parent), FChose(std::move(Chose))
    {
        setSelectionMode(QAbstractItemView::SingleSelection);
        connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& Index) { FClicked = Index.row(); });
    }

    int SelectedRow() const
    {
        const QModelIndexList rows = selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.first().row();
    }
    void Select(int Row)
    {
        if (Row < 0) {
            clearSelection();
            setCurrentRow(-1);
        } else {
            setCurrentRow(Row, QItemSelectionModel::ClearAndSelect);
        }
    }

protected:
    void mouseReleaseEvent(QMouseEvent* Event) override
    {
        FClicked = -1;
        QListWidget::mouseReleaseEvent(Event);
        if (FClicked < 0) return;
        if (SelectedRow() != FClicked) Select(FClicked);
        FChose();
    }
    void keyPressEvent(QKeyEvent* Event) override
    {
        const int row = SelectedRow();
        QListWidget::keyPressEvent(Event);
        if (SelectedRow() != row) FChose();
    }

private:
    std::function<void()> FChose;
    int FClicked = -1;
};

QListWidgetItem* NewListItem(const std::string& Text, bool Checkable, bool Checked)
{
    auto* item = new QListWidgetItem(ToQString(Text));
    if (Checkable) {
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Checked ? Qt::Checked : Qt::Unchecked);
    }
    return item;
}

} // namespace

TListBox::TListBox(TComponent* AOwner)
    : TWinControl(AOwner),
      FItems(std::make_unique<TChoiceItems>(FItemIndex, &FChecks,
                                            [this](TItemChange Change, int Index) { ShowItemChange(Change, Index); }))
{
    SetBounds(0, 0, 121, 97);
}

TListBox::~TListBox()
{
    // The box's signals reach the items: it goes first.
    DestroyWnd();
}

TStrings* TListBox::Items() const { return FItems.get(); }

void TListBox::Clear() { FItems->Clear(); }

void TListBox::SetItemIndex(int Value)
{
    FItemIndex = Value >= 0 && Value < FItems->Count() ? Value : -1;
    ShowSelection();
}

void TListBox::IndexError(int Index)
{
    throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
}

void TListBox::CreateWnd()
{
    TWinControl::CreateWnd();
    auto* box = AddContentWidget<TListBoxWidget>(Widget(), [this] { UserChose(); });
    QObject::connect(box, &QListWidget::itemSelectionChanged, box, [this, box] {
        if (!FShowing) FItemIndex = box->SelectedRow();
    });
    QObject::connect(box, &QListWidget::itemChanged, box, [this, box](QListWidgetItem* Item) {
        Guarded(this, [&] {
            if (FShowing || !Checkable()) return;
            const size_t row = static_cast<size_t>(box->row(Item));
            const uint8_t checked = Item->checkState() == Qt::Checked;
            if (row >= FChecks.size() || FChecks[row] == checked) return;
            FChecks[row] = checked;
            ClickCheck();
        });
    });
    ShowItemChange(TItemChange::All, -1);
}

void TListBox::UserChose()
{
    Guarded(this, [this] { Click(); });
}

void TListBox::ShowItemChange(TItemChange Change, int Index)
{
    auto* box = ContentWidget<TListBoxWidget>(Widget());
    if (!box) return;
    FShowing = true;
    const auto line = [this](int Row) {
        return NewListItem(FItems->Get(Row), Checkable(), FChecks[static_cast<size_t>(Row)] != 0);
    };
    switch (Change) {
    case TItemChange::Inserted: box->insertItem(Index, line(Index)); break;
    case TItemChange::Deleted: delete box->takeItem(Index); break;
    case TItemChange::Renamed: box->item(Index)->setText(ToQString(FItems->Get(Index))); break;
    case TItemChange::All:
        box->clear();
        for (int row = 0; row < FItems->Count(); ++row) box->addItem(line(row));
        break;
    }
    FShowing = false;
    ShowSelection();
}

void TListBox::ShowSelection()
{
    auto* box = ContentWidget<TListBoxWidget>(Widget());
    if (!box) return;
    FShowing = true;
    box->Select(FItemIndex);
    FShowing = false;
}

void TListBox::ShowCheck(int Index)
{
    auto* box = ContentWidget<TListBoxWidget>(Widget());
    if (!box) return;
    // Within an update bracket the box shows the lines (and their ticks) only at its end.
    if (FItems->Updating()) return;
    FShowing = true;
    box->item(Index)->setCheckState(FChecks[static_cast<size_t>(Index)] ? Qt::Checked : Qt::Unchecked);
    FShowing = false;
}

// TCheckListBox

TCheckListBox::TCheckListBox(TComponent* AOwner) : TListBox(AOwner) {}

void TCheckListBox::SetChecked(int Index, bool Value)
{
    if (static_cast<size_t>(Index) >= FChecks.size()) IndexError(Index);
    if (Checked(Index) == Value) return;
    FChecks[static_cast<size_t>(Index)] = Value;
    ShowCheck(Index);
}

void TCheckListBox::ClickCheck()
{
    if (OnClickCheck) OnClickCheck(this);
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

void TGroupBox::AdjustClientRect(TRect& Rect) const
{
    // Only a widgets application has a style: a program that drew before it made a form runs on a plain one.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    const QStyle* style = QApplication::style();
    QStyleOptionGroupBox option;
    option.fontMetrics = QFontMetrics(QApplication::font());
    option.rect = QRect(0, 0, Width(), Height());
    option.text = QStringLiteral("0"); // every caption is one line of the same height
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect title = style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel);
    Rect.Top = std::max(Rect.Top, title.bottom() + 1);
}
