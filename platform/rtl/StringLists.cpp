#include "StringLists.h"

#include "FileUtils.h"
#include "Streams.h"

#include <algorithm>

namespace {

bool NeedsQuotes(const std::string& S)
{
    return S.empty() || std::any_of(S.begin(), S.end(), [](char c) {
               return static_cast<unsigned char>(c) <= ' ' || c == ',' || c == '"';
           });
}

bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

} // namespace

// TStrings

void TStrings::Error(const char* Message, int Data) const
{
    std::string text(Message);
    const size_t at = text.find("%d");
    if (at != std::string::npos) text.replace(at, 2, std::to_string(Data));
    throw EStringListError(text);
}

void TStrings::CheckIndex(int Index, int Limit) const
{
    if (Index < 0 || Index >= Limit) Error("List index out of bounds (%d)", Index);
}

void TStrings::Put(int Index, const std::string& S)
{
    TObject* object = GetObject(Index);
    BeginUpdate();
    Delete(Index);
    InsertObject(Index, S, object);
    EndUpdate();
}

TObject* TStrings::GetObject(int) const
{
    return nullptr;
}

void TStrings::PutObject(int, TObject*) {}

int TStrings::Add(const std::string& S)
{
    const int index = Count();
    Insert(index, S);
    return index;
}

int TStrings::AddObject(const std::string& S, TObject* AObject)
{
    const int index = Add(S);
    PutObject(index, AObject);
    return index;
}

void TStrings::InsertObject(int Index, const std::string& S, TObject* AObject)
{
    Insert(Index, S);
    PutObject(Index, AObject);
}

void TStrings::AddStrings(const TStrings& Strings)
{
    BeginUpdate();
    for (int i = 0; i < Strings.Count(); ++i) AddObject(Strings.Get(i), Strings.GetObject(i));
    EndUpdate();
}

int TStrings::IndexOf(const std::string& S) const
{
    for (int i = 0; i < Count(); ++i)
        if (AnsiCompareText(Get(i), S) == 0) return i;
    return -1;
}

int TStrings::IndexOfObject(const TObject* AObject) const
{
    for (int i = 0; i < Count(); ++i)
        if (GetObject(i) == AObject) return i;
    return -1;
}

void TStrings::Assign(TPersistent* Source)
{
    const auto* source = dynamic_cast<TStrings*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    if (source == this) return;
    BeginUpdate();
    Clear();
    AddStrings(*source);
    EndUpdate();
}

std::string TStrings::Names(int Index) const
{
    const std::string line = Get(Index);
    const size_t equals = line.find('=');
    return equals == std::string::npos ? std::string() : line.substr(0, equals);
}

int TStrings::IndexOfName(const std::string& Name) const
{
    for (int i = 0; i < Count(); ++i) {
        const std::string line = Get(i);
        const size_t equals = line.find('=');
        if (equals != std::string::npos && AnsiCompareText(std::string_view(line).substr(0, equals), Name) == 0)
            return i;
    }
    return -1;
}

std::string TStrings::Values(const std::string& Name) const
{
    const int index = IndexOfName(Name);
    if (index < 0) return std::string();
    const std::string line = Get(index);
    return line.substr(line.find('=') + 1);
}

void TStrings::SetValues(const std::string& Name, const std::string& Value)
{
    const int index = IndexOfName(Name);
    if (Value.empty()) {
        if (index >= 0) Delete(index);
    } else if (index < 0) {
        Add(Name + "=" + Value);
    } else {
        Put(index, Name + "=" + Value);
    }
}

std::string TStrings::Text() const
{
    std::string text;
    for (int i = 0; i < Count(); ++i) {
        text += Get(i);
        text += "\r\n";
    }
    return text;
}

void TStrings::SetText(const std::string& Value)
{
    BeginUpdate();
    Clear();
    std::string line;
    for (size_t pos = 0; pos < Value.size();) {
        size_t end = pos;
        while (end < Value.size() && Value[end] != '\r' && Value[end] != '\n') ++end;
        line.assign(Value, pos, end - pos);
        Add(line);
        pos = end;
        if (pos < Value.size() && Value[pos] == '\r') ++pos;
        if (pos < Value.size() && Value[pos] == '\n' && (pos == end || Value[end] == '\r')) ++pos;
    }
    EndUpdate();
}

std::string TStrings::CommaText() const
{
    std::string text;
    for (int i = 0; i < Count(); ++i) {
        if (i > 0) text += ',';
        const std::string line = Get(i);
        if (!NeedsQuotes(line)) {
            text += line;
            continue;
        }
        text += '"';
        for (char c : line) {
            if (c == '"') text += '"';
            text += c;
        }
        text += '"';
    }
    return text;
}

void TStrings::SetCommaText(const std::string& Value)
{
    BeginUpdate();
    Clear();
    size_t pos = 0;
    const size_t size = Value.size();
    const auto skipBlanks = [&] {
        while (pos < size && IsBlank(Value[pos])) ++pos;
    };
    skipBlanks();
    while (pos < size) {
        std::string item;
        if (Value[pos] == '"') {
            // A quoted item ends at a single quote; a doubled quote stands for one.
            for (++pos; pos < size; ++pos) {
                if (Value[pos] == '"') {
                    if (pos + 1 < size && Value[pos + 1] == '"')
                        ++pos;
                    else {
                        ++pos;
                        break;
                    }
                }
                item += Value[pos];
            }
        } else {
            const size_t start = pos;
            while (pos < size && !IsBlank(Value[pos]) && Value[pos] != ',') ++pos;
            item.assign(Value, start, pos - start);
        }
        Add(item);
        skipBlanks();
        if (pos < size && Value[pos] == ',') {
            if (pos + 1 == size) Add(std::string()); // a trailing comma ends with an empty item
            ++pos;
            skipBlanks();
        }
    }
    EndUpdate();
}

void TStrings::BeginUpdate()
{
    if (FUpdateCount++ == 0) SetUpdateState(true);
}

void TStrings::EndUpdate()
{
    if (--FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

void TStrings::LoadFromStream(TStream& Stream, TLegacyCodePage CodePage)
{
    const int64_t size = Stream.Size() - Stream.Position();
    std::string bytes(static_cast<size_t>(std::max<int64_t>(size, 0)), '\0');
    Stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    SetText(DecodeText(bytes, CodePage));
}

void TStrings::LoadFromFile(const std::string& FileName, TLegacyCodePage CodePage)
{
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream, CodePage);
}

void TStrings::SaveToStream(TStream& Stream) const
{
    const std::string text = Text();
    Stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

void TStrings::SaveToFile(const std::string& FileName) const
{
    ReplaceFileAtomically(FileName, Text());
}

// TStringList

std::string TStringList::Get(int Index) const
{
    CheckIndex(Index, Count());
    return FList[Index].FString;
}

void TStringList::Put(int Index, const std::string& S)
{
    if (FSorted) Error("Operation not allowed on sorted list", 0);
    CheckIndex(Index, Count());
    FList[Index].FString = S;
    Changed();
}

TObject* TStringList::GetObject(int Index) const
{
    CheckIndex(Index, Count());
    return FList[Index].FObject;
}

void TStringList::PutObject(int Index, TObject* AObject)
{
    CheckIndex(Index, Count());
    FList[Index].FObject = AObject;
    Changed();
}

void TStringList::Insert(int Index, const std::string& S)
{
    if (FSorted) Error("Operation not allowed on sorted list", 0);
    CheckIndex(Index, Count() + 1);
    FList.insert(FList.begin() + Index, TStringItem{S, nullptr});
    Changed();
}

void TStringList::Delete(int Index)
{
    CheckIndex(Index, Count());
    FList.erase(FList.begin() + Index);
    Changed();
}

void TStringList::Clear()
{
    if (FList.empty()) return;
    FList.clear();
    Changed();
}

int TStringList::Add(const std::string& S)
{
    if (!FSorted) {
        FList.emplace_back(TStringItem{S, nullptr});
        Changed();
        return Count() - 1;
    }
    int index;
    if (Find(S, index)) {
        if (FDuplicates == dupIgnore) return index;
        if (FDuplicates == dupError) Error("String list does not allow duplicates", 0);
        while (index < Count() && AnsiCompareText(FList[index].FString, S) == 0) ++index; // after its equals
    }
    FList.insert(FList.begin() + index, TStringItem{S, nullptr});
    Changed();
    return index;
}

int TStringList::IndexOf(const std::string& S) const
{
    if (!FSorted) return TStrings::IndexOf(S);
    int index;
    return Find(S, index) ? index : -1;
}

bool TStringList::Find(const std::string& S, int& Index) const
{
    const auto at = std::lower_bound(FList.begin(), FList.end(), S, [](const TStringItem& item, const std::string& s) {
        return AnsiCompareText(item.FString, s) < 0;
    });
    Index = static_cast<int>(at - FList.begin());
    return at != FList.end() && AnsiCompareText(at->FString, S) == 0;
}

void TStringList::Sort()
{
    std::stable_sort(FList.begin(), FList.end(), [](const TStringItem& a, const TStringItem& b) {
        return AnsiCompareText(a.FString, b.FString) < 0;
    });
    Changed();
}

void TStringList::SetSorted(bool Value)
{
    if (Value == FSorted) return;
    if (Value) Sort();
    FSorted = Value;
}

void TStringList::SetUpdateState(bool Updating)
{
    if (!Updating) Changed();
}

void TStringList::Changed()
{
    if (UpdateCount() == 0 && OnChange) OnChange(this);
}
