#include "UGH_editlists.h"

#include "FileUtils.h"
#include "StdCtrls.h"
#include "StringLists.h"
#include "SysUtils.h"
#include "UGH_data.h"
#include "UGH_tables.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace {

// The names of the folder's regular files whose extension is ext in any letter case, in name order.
std::vector<std::string> FilesWithExtension(const std::filesystem::path& folder, std::string_view ext)
{
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file(error)) continue;
        const std::string name = it->path().filename().string();
        if (SameText(ExtractFileExt(name), ext)) names.push_back(name);
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return AnsiCompareText(a, b) < 0; });
    return names;
}

} // namespace

void formspritelist(TComboBox& cb)
{
    TStrings& items = *cb.Items();
    items.BeginUpdate();
    items.Clear();
    for (const spritelistitem& sprite : spritelist) items.Add(sprite.name);
    items.EndUpdate();
    cb.SetText("");
}

void readmeshes(TStrings& dest)
{
    const std::filesystem::path folder(ResolvePath(GamePath("\\meshes")));
    dest.BeginUpdate();
    dest.Clear();
    for (const std::string_view ext : {".obj", ".3ds"})
        for (const std::string& name : FilesWithExtension(folder, ext)) dest.Add(ExtractOnlyFileName(name));
    dest.EndUpdate();
}

std::string ExtractOnlyFileName(std::string_view fileName)
{
    const std::string name = ExtractFileName(fileName);
    return name.substr(0, name.size() - ExtractFileExt(name).size());
}
