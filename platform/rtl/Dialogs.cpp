#include "Dialogs.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex gHookLock;
TMessageBoxHook gMessageBoxHook;
TSavePictureDialogHook gSavePictureDialogHook;
TFileDialogHook gFileDialogHook;
TFontDialogHook gFontDialogHook;

template <class H> H CurrentHook(const H& hook)
{
    std::lock_guard<std::mutex> guard(gHookLock);
    return hook;
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

// Adds the default extension to a name whose last part has no dot.
std::string WithDefaultExt(const std::string& name, const std::string& defaultExt)
{
    if (defaultExt.empty()) return name;
    const size_t slash = name.find_last_of('/');
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) return name;
    return name + "." + defaultExt;
}

} // namespace

void SetMessageBoxHook(TMessageBoxHook hook)
{
    std::lock_guard<std::mutex> guard(gHookLock);
    gMessageBoxHook = std::move(hook);
}

void SetSavePictureDialogHook(TSavePictureDialogHook hook)
{
    std::lock_guard<std::mutex> guard(gHookLock);
    gSavePictureDialogHook = std::move(hook);
}

void SetFileDialogHook(TFileDialogHook hook)
{
    std::lock_guard<std::mutex> guard(gHookLock);
    gFileDialogHook = std::move(hook);
}

void SetFontDialogHook(TFontDialogHook hook)
{
    std::lock_guard<std::mutex> guard(gHookLock);
    gFontDialogHook = std::move(hook);
}

std::vector<TDialogFilterEntry> ParseDialogFilter(const std::string& Filter)
{
    std::vector<TDialogFilterEntry> entries;
    if (Filter.empty()) return entries;
    const std::vector<std::string> parts = Split(Filter, '|');
    for (size_t i = 0; i < parts.size(); i += 2) {
        TDialogFilterEntry entry{parts[i], {}};
        if (i + 1 < parts.size())
            for (std::string& pattern : Split(parts[i + 1], ';'))
                if (!pattern.empty()) entry.Patterns.push_back(std::move(pattern));
        if (entry.Patterns.empty()) entry.Patterns.push_back("*");
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool ShowFileDialog(const TFileDialogRequest& request, std::string& chosenName)
{
    const TFileDialogHook hook = CurrentHook(gFileDialogHook);
    std::string name;
    if (!hook) {
        std::fprintf(stderr, "File dialog \"%s\" cancelled: no user interface\n", request.Title.c_str());
        return false;
    }
    if (!hook(request, name) || name.empty()) return false;
    chosenName = WithDefaultExt(name, request.DefaultExt);
    return true;
}

TModalResult ShowMessageBox(const TMessageBoxRequest& request)
{
    const TMessageBoxHook hook = CurrentHook(gMessageBoxHook);
    if (hook) return hook(request);
    std::fprintf(stderr, "%s%s%s\n", request.Caption.c_str(), request.Caption.empty() ? "" : ": ",
                 request.Text.c_str());
    return request.Default;
}

bool ShowSavePictureDialog(const TSavePictureRequest& request, std::string& chosenName)
{
    const TSavePictureDialogHook hook = CurrentHook(gSavePictureDialogHook);
    if (hook) return hook(request, chosenName);
    std::fprintf(stderr, "Save picture dialog \"%s\" cancelled: no user interface\n", request.Title.c_str());
    return false;
}

bool ShowFontDialog(TDialogFont& font)
{
    const TFontDialogHook hook = CurrentHook(gFontDialogHook);
    if (!hook) {
        std::fprintf(stderr, "Font dialog for \"%s\" cancelled: no user interface\n", font.Name.c_str());
        return false;
    }
    TDialogFont chosen = font;
    if (!hook(font, chosen)) return false;
    font = std::move(chosen);
    return true;
}
