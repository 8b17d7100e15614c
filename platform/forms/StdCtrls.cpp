#include "StdCtrls.h"

#include "ControlWidget.h"

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
