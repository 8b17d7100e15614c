// The desktop's "open" of a document: the program the desktop associates with the file shows it.
#pragma once

#include <functional>
#include <string>

// Runs from the message loop once the opener has ended: Opened is false when it reported that nothing could
// open the document.
using TShellOpenDone = std::function<void(bool Opened)>;

// Starts xdg-open on the file, detached (a session of its own, input from /dev/null), and returns at once;
// the message loop reaps the opener and then calls OnDone (when given). False when no opener could be started;
// OnDone is not called then.
bool ShellOpen(const std::string& FileName, TShellOpenDone OnDone = {});

// In place of xdg-open (tests): receives each request and answers as ShellOpen does; it may call OnDone. An
// empty hook restores xdg-open.
using TShellOpenHook = std::function<bool(const std::string& FileName, const TShellOpenDone& OnDone)>;
void SetShellOpenHook(TShellOpenHook Hook);
