// The steps the engine's file-format registries (pictures, models) share. A registry is an object list of
// entries, each with a class reference (a field of the entry that InheritsFrom and Capabilities can be asked),
// a lower-case Extension without the dot and a Description, in order of registration.
#pragma once

#include "FileUtils.h"
#include "GLApplicationFileIO.h"
#include "GLPersistentClasses.h"
#include "SysUtils.h"

#include <string>

namespace FileFormatRegistry {

template <class TEntry> TEntry* EntryAt(const TPersistentObjectList& list, int32_t index)
{
    return static_cast<TEntry*>(list.Get(index));
}

// The class of the last entry with the extension (letter case ignored), nullptr when none.
template <class TEntry, class TClassRef>
const TClassRef* FindExt(const TPersistentObjectList& list, const TClassRef* TEntry::*classOf, const std::string& ext)
{
    const std::string lowerExt = LowerCase(ext);
    for (int32_t i = list.Count() - 1; i >= 0; --i)
        if (EntryAt<TEntry>(list, i)->Extension == lowerExt) return EntryAt<TEntry>(list, i)->*classOf;
    return nullptr;
}

// The text after the last dot of the file name, "" when there is none.
inline std::string ExtensionOf(const std::string& fileName)
{
    std::string ext = ExtractFileExt(fileName);
    if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
    return ext;
}

// Raises EError with the registries' unknown-extension message.
template <class EError> [[noreturn]] void RaiseUnknownExtension(const std::string& ext)
{
    throw EError(Format("Unknown file extension (%s), maybe you forgot to add the support unit to your uses? (%s?)",
                        {ext, "GLFile" + UpperCase(ext)}));
}

// Deletes (and frees) every entry whose class is aClass or descends from it.
template <class TEntry, class TClassRef>
void Remove(TPersistentObjectList& list, const TClassRef* TEntry::*classOf, const TClassRef& aClass)
{
    for (int32_t i = list.Count() - 1; i >= 0; --i)
        if ((EntryAt<TEntry>(list, i)->*classOf)->InheritsFrom(aClass)) list.DeleteAndFree(i);
}

template <class TClassRef> bool CanOpenOrSave(const TClassRef& aClass, bool formatsThatCanBeOpened,
                                              bool formatsThatCanBeSaved)
{
    const TGLDataFileCapabilities caps = aClass.Capabilities();
    return (formatsThatCanBeOpened && (caps & dfcRead)) || (formatsThatCanBeSaved && (caps & dfcWrite));
}

// An open or save dialog's descriptions ("desc (*.ext)|*.ext" joined by "|") and filters ("*.ext" joined by
// ";") of the entries of fileClass or a descendant with an extension, in order of registration or (the sound
// registry) from the last registered to the first; the all-formats entry leads when more than one format can
// be opened.
template <class TEntry, class TClassRef>
void BuildFilterStrings(const TPersistentObjectList& list, const TClassRef* TEntry::*classOf,
                        const TClassRef& fileClass, std::string& descriptions, std::string& filters,
                        bool formatsThatCanBeOpened, bool formatsThatCanBeSaved, bool lastRegisteredFirst = false)
{
    descriptions.clear();
    filters.clear();
    int32_t count = 0;
    for (int32_t n = 0; n < list.Count(); ++n) {
        const TEntry& entry = *EntryAt<TEntry>(list, lastRegisteredFirst ? list.Count() - 1 - n : n);
        const TClassRef& entryClass = *(entry.*classOf);
        if (!entryClass.InheritsFrom(fileClass) || entry.Extension.empty() ||
            !CanOpenOrSave(entryClass, formatsThatCanBeOpened, formatsThatCanBeSaved))
            continue;
        if (count > 0) {
            descriptions += "|";
            filters += ";";
        }
        descriptions = Format("%s%s (*.%s)|*.%2:s", {descriptions, entry.Description, entry.Extension});
        filters += "*." + entry.Extension;
        ++count;
    }
    if (count > 1 && !formatsThatCanBeSaved)
        descriptions = Format("%s (%s)|%1:s|%s", {cAllFormatsCaption, filters, descriptions});
}

// The extension of the index-th (from 1) entry that can be opened or saved; "" when there is none.
template <class TEntry, class TClassRef>
std::string FindExtByIndex(const TPersistentObjectList& list, const TClassRef* TEntry::*classOf, int32_t index,
                           bool formatsThatCanBeOpened, bool formatsThatCanBeSaved)
{
    if (index <= 0) return std::string();
    for (int32_t i = 0; i < list.Count(); ++i) {
        const TEntry& entry = *EntryAt<TEntry>(list, i);
        if (CanOpenOrSave(*(entry.*classOf), formatsThatCanBeOpened, formatsThatCanBeSaved) && --index == 0)
            return entry.Extension;
    }
    return std::string();
}

} // namespace FileFormatRegistry
