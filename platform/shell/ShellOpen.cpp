#include "ShellOpen.h"

#include "Windows.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

extern char** environ;

namespace {

TShellOpenHook gHook;

// The openers still running. xdg-open may wait for the program it starts, so nothing blocks on it: a timer of
// the message loop polls the children and reaps those that have ended.
class TOpenerReaper {
public:
    void Watch(pid_t Pid, TShellOpenDone OnDone)
    {
        FChildren.push_back({Pid, std::move(OnDone)});
        if (!FWindow) FWindow = AllocateHWnd([this](TMessage& Message) {
            if (Message.Msg == WM_TIMER) Poll();
        });
        SetTimer(FWindow, 1, cPollInterval);
    }

private:
    static constexpr uint32_t cPollInterval = 100;

    struct TChild {
        pid_t Pid;
        TShellOpenDone OnDone;
    };

    void Poll()
    {
        std::vector<std::pair<TShellOpenDone, bool>> done;
        for (auto it = FChildren.begin(); it != FChildren.end();) {
            int status = 0;
            const pid_t result = waitpid(it->Pid, &status, WNOHANG);
            if (result == 0 || (result < 0 && errno == EINTR)) {
                ++it;
                continue;
            }
            // A child reaped elsewhere (ECHILD) is taken as a success: nothing is known against it.
            const bool opened = result < 0 || (WIFEXITED(status) && WEXITSTATUS(status) == 0);
            if (it->OnDone) done.emplace_back(std::move(it->OnDone), opened);
            it = FChildren.erase(it);
        }
        if (FChildren.empty()) KillTimer(FWindow, 1);
        // Called once the list is consistent: a callback may start another opener.
        for (const auto& [callback, opened] : done) callback(opened);
    }

    std::vector<TChild> FChildren;
    HWND FWindow = nullptr;
};

TOpenerReaper& Reaper()
{
    static TOpenerReaper reaper;
    return reaper;
}

bool SpawnOpener(const std::string& FileName, TShellOpenDone OnDone)
{
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    // Its own session: the opener and what it starts outlive neither the terminal's signals nor ours.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    std::string program = "xdg-open";
    std::string argument = FileName;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) return false;
    Reaper().Watch(pid, std::move(OnDone));
    return true;
}

} // namespace

bool ShellOpen(const std::string& FileName, TShellOpenDone OnDone)
{
    if (gHook) return gHook(FileName, OnDone);
    return SpawnOpener(FileName, std::move(OnDone));
}

void SetShellOpenHook(TShellOpenHook Hook)
{
    gHook = std::move(Hook);
}
