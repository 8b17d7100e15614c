// Runtime library: string lists. TStrings is the abstract list of lines with an object reference per line
// (controls' item lists descend from it); TStringList keeps the lines itself, optionally sorted.
#pragma once

#include "Components.h"
#include "TextEncoding.h"

#include <functional>
#include <string>
#include <vector>

class TStream;

// Index errors ("List index out of bounds (%d)"), duplicates and changes to a sorted list.
class EStringListError : public EListError {
public:
    using EListError::EListError;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStrings : public TPersistent {
public:
    virtual int Count() const = 0;
    virtual std::string Get(int Index) const = 0;
    // Replaces a line, keeping its object.
    virtual void Put(int Index, const std::string& S);
    virtual TObject* GetObject(int Index) const;
    virtual void PutObject(int Index, TObject* AObject);
    virtual void Insert(int Index, const std::string& S) = 0;
    virtual void Delete(int Index) = 0;
    virtual void Clear() = 0;
    // Appends (a sorted list inserts in order) and answers the line's index.
    virtual int Add(const std::string& S);
    // First line equal to S, case-insensitively; -1 when none.
    virtual int IndexOf(const std::string& S) const;

    std::string Strings(int Index) const { return Get(Index); }
    void SetStrings(int Index, const std::string& S) { Put(Index, S); }
    TObject* Objects(int Index) const { return GetObject(Index); }
    void SetObjects(int Index, TObject* AObject) { PutObject(Index, AObject); }
    int AddObject(const std::string& S, TObject* AObject);
    void InsertObject(int Index, const std::string& S, TObject* AObject);
    void AddStrings(const TStrings& Strings);
    int IndexOfObject(const TObject* AObject) const;
    // Copies the lines and objects of another string list.
    void Assign(TPersistent* Source) override;

    // "name=value" lines: the name of a line ("" without "="), the value of the first line with that name
    // (case-insensitive; "" when none). Setting a value replaces it, adds a line, or with "" deletes it.
    std::string Names(int Index) const;
    int IndexOfName(const std::string& Name) const;
    std::string Values(const std::string& Name) const;
    void SetValues(const std::string& Name, const std::string& Value);

    // Every line followed by CR LF. Setting splits at CR LF, LF or CR; a final line break adds no line.
    std::string Text() const;
    void SetText(const std::string& Value);
    // Lines separated by commas; a line that is empty or holds blanks, commas or quotes is quoted with '"',
    // its quotes doubled. Setting also splits at blanks outside quotes.
    std::string CommaText() const;
    void SetCommaText(const std::string& Value);

    // Changes between BeginUpdate and the matching EndUpdate are reported once, at the end.
    void BeginUpdate();
    void EndUpdate();

    // Reads from the stream's position to its end and decodes as DecodeText does.
    void LoadFromStream(TStream& Stream, TLegacyCodePage CodePage = lcpWindows1252);
    void LoadFromFile(const std::string& FileName, TLegacyCodePage CodePage = lcpWindows1252);
    // Writes Text as UTF-8 without a byte-order mark; a file is replaced atomically.
    void SaveToStream(TStream& Stream) const;
    void SaveToFile(const std::string& FileName) const;

protected:
    // Told when the outermost update bracket opens (true) and closes (false).
    virtual void SetUpdateState(bool Updating);
    int UpdateCount() const { return FUpdateCount; }
    [[noreturn]] void Error(const char* Message, int Data) const;
    void CheckIndex(int Index, int Limit) const;

private:
    int FUpdateCount = 0;
};

class TStringList : public TStrings {
public:
    int Count() const override { return static_cast<int>(FList.size()); }
    std::string Get(int Index) const override;
    void Put(int Index, const std::string& S) override;
    TObject* GetObject(int Index) const override;
    void PutObject(int Index, TObject* AObject) override;
    void Insert(int Index, const std::string& S) override;
    void Delete(int Index) override;
    void Clear() override;
    int Add(const std::string& S) override;
    int IndexOf(const std::string& S) const override;

    // Binary search of a sorted list: true and the first matching index, or false and where S would go.
    bool Find(const std::string& S, int& Index) const;
    void Sort();
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    // What Add does with a line a sorted list holds already.
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }

    // Called after every change, or once at the end of an update bracket.
    std::function<void(TObject* Sender)> OnChange;

protected:
    void SetUpdateState(bool Updating) override;

private:
    struct TStringItem {
        std::string FString;
        TObject* FObject;
    };

    void Changed();

    std::vector<TStringItem> FList;
    bool FSorted = false;
    TDuplicates FDuplicates = dupIgnore;
};
