#include "Dialogs.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex gHookLock;
TMessageBoxHook gMessageBoxHook;
TSavePictureDialogHook gSavePictureDialogHook;

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

TModalResult ShowMessageBox(const TMessageBoxRequest& request)
{
    TMessageBoxHook hook;
    {
        std::lock_guard<std::mutex> guard(gHookLock);
        hook = gMessageBoxHook;
    }
    if (hook) return hook(request);
    std::fprintf(stderr, "%s%s%s\n", request.Caption.c_str(), request.Caption.empty() ? "" : ": ",
                 request.Text.c_str());
    return request.Default;
}

bool ShowSavePictureDialog(const TSavePictureRequest& request, std::string& chosenName)
{
    TSavePictureDialogHook hook;
    {
        std::lock_guard<std::mutex> guard(gHookLock);
        hook = gSavePictureDialogHook;
    }
    if (hook) return hook(request, chosenName);
    std::fprintf(stderr, "Save picture dialog \"%s\" cancelled: no user interface\n", request.Title.c_str());
    return false;
}
