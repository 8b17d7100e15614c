#include "ZODLog.h"

#include "Dialogs.h"
#include "GLPlatformHelpers.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

struct TLogLevelInfo {
    const char* Marker;
    const char* Title;
    int32_t MessageLimit;
};

// Per level, in level order.
constexpr TLogLevelInfo kLevelInfo[kLogLevelCount] = {
    {" (D)  ", "debug info", INT32_MAX},
    {" (i)  ", "info", INT32_MAX},
    {" (M)  ", "notices", INT32_MAX},
    {" (W)  ", "warnings", 500},
    {" (Er)  ", "errors", 100},
    {" (!!)  ", "fatal errors", 10},
};

// Per time format, in format order.
constexpr const char* kTimeFormatModes[] = {
    "no timestamp mode.",           "date only mode.",    "time only mode.",
    "time mode with milliseconds.", "date and time mode.", "elapsed time mode.",
};

std::mutex gDisplayHookLock;
TLogDisplayHook gDisplayHook;

// Starts "xdg-open file" in the background through the shell, so a viewer that keeps running never holds
// the program up.
void OpenWithDesktopViewer(const std::string& fileName)
{
    const char* argv[] = {"/bin/sh", "-c", "xdg-open \"$1\" >/dev/null 2>&1 &", "sh", fileName.c_str(), nullptr};
    pid_t pid;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) == 0)
        waitpid(pid, nullptr, 0);
}

// Appends lines to a file, each with a line end; false when the file cannot be opened or written.
bool AppendLinesToFile(const std::string& fileName, const std::vector<std::string>& lines)
{
    const int fd = ::open(fileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    bool ok = true;
    for (size_t done = 0; ok && done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n > 0)
            done += static_cast<size_t>(n);
        else if (n < 0 && errno != EINTR)
            ok = false;
    }
    return ::close(fd) == 0 && ok;
}

std::tm LocalTimeNow(int& milliseconds)
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    milliseconds = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    return local;
}

std::string FormatTime(const char* format, const std::tm& time)
{
    char text[64];
    return std::string(text, std::strftime(text, sizeof text, format, &time));
}

// The name a file family is known by: the file name before the first occurrence of its extension, and the
// extension. A name without an extension is its own base.
struct TLogFamily {
    fs::path Folder;
    std::string Base;
    std::string Extension;

    explicit TLogFamily(const std::string& fileName)
    {
        const fs::path path(fileName);
        Folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
        const std::string name = path.filename().string();
        Extension = path.extension().string();
        Base = Extension.empty() ? name : name.substr(0, name.find(Extension));
    }

    // The log itself or one of its numbered files (base + "_" + digits + extension). Matching only these keeps
    // other files that share the prefix (an "app.log" folder also holding "application.log") out of the moves
    // and deletions.
    bool Contains(const std::string& name) const
    {
        if (name.size() < Base.size() + Extension.size() || name.compare(0, Base.size(), Base) != 0 ||
            name.compare(name.size() - Extension.size(), Extension.size(), Extension) != 0)
            return false;
        const std::string middle = name.substr(Base.size(), name.size() - Base.size() - Extension.size());
        if (middle.empty()) return true;
        return middle.size() > 1 && middle[0] == '_' &&
               middle.find_first_not_of("0123456789", 1) == std::string::npos;
    }

    std::vector<fs::path> Members() const
    {
        std::vector<fs::path> members;
        std::error_code error;
        for (fs::directory_iterator it(Folder, error), end; !error && it != end; it.increment(error))
            if (it->is_regular_file(error) && Contains(it->path().filename().string()))
                members.push_back(it->path());
        return members;
    }
};

// The n-th numbered name of a log: "_n" before the last "." of its file name, or after a name without one.
std::string NumberedLogName(const std::string& fileName, int n)
{
    const fs::path path(fileName);
    const std::string name = path.filename().string();
    const size_t dot = name.rfind('.');
    const std::string suffix = "_" + std::to_string(n);
    const std::string numbered =
        dot == std::string::npos ? name + suffix : name.substr(0, dot) + suffix + name.substr(dot);
    return (path.parent_path() / numbered).string();
}

} // namespace

// A session's helper thread: runs Step, then waits Period milliseconds or until it is asked to stop, and
// again, until Step answers false. Stopping wakes the wait, so a session never waits out a whole period.
class TLogSessionThread {
public:
    explicit TLogSessionThread(TGLLogSession* AParent) : FParent(AParent) {}
    virtual ~TLogSessionThread() { Stop(); }

    void Start() { FThread = std::thread([this] { Execute(); }); }
    void Stop()
    {
        {
            std::lock_guard<std::mutex> guard(FLock);
            FStopRequested = true;
        }
        FWake.notify_all();
        if (FThread.joinable()) FThread.join();
    }

protected:
    virtual bool Step() = 0;
    virtual int32_t Period() = 0;
    bool StopRequested()
    {
        std::lock_guard<std::mutex> guard(FLock);
        return FStopRequested;
    }

    TGLLogSession* FParent;

private:
    void Execute()
    {
        while (Step()) {
            std::unique_lock<std::mutex> lock(FLock);
            FWake.wait_for(lock, std::chrono::milliseconds(std::max(Period(), 0)), [this] { return FStopRequested; });
        }
    }

    std::thread FThread;
    std::mutex FLock;
    std::condition_variable FWake;
    bool FStopRequested = false;
};

// Writes the buffer out every FlushBufferPeriod; once asked to stop it writes what is left and ends.
class TLogBufferFlushThread : public TLogSessionThread {
public:
    using TLogSessionThread::TLogSessionThread;
    ~TLogBufferFlushThread() override { Stop(); }

protected:
    bool Step() override
    {
        if (StopRequested() && FParent->BufferEmpty()) return false;
        FParent->WriteBufferToFile();
        return true;
    }
    int32_t Period() override { return FParent->FlushBufferPeriod(); }
};

// Switches to a numbered file every CheckFileSizePeriod when the log has grown too big.
class TLogCheckSizeThread : public TLogSessionThread {
public:
    using TLogSessionThread::TLogSessionThread;
    ~TLogCheckSizeThread() override { Stop(); }

protected:
    bool Step() override
    {
        if (StopRequested() || FParent->FDestroying) return false;
        FParent->RotateLogIfTooBig();
        return true;
    }
    int32_t Period() override { return FParent->CheckFileSizePeriod(); }
};

std::string TLogParam::Text() const
{
    struct TRender {
        std::string operator()(int64_t v) const { return IntToStr(v); }
        std::string operator()(bool v) const { return v ? "True" : "False"; }
        std::string operator()(char v) const { return std::string(1, v); }
        std::string operator()(double v) const { return FloatToStr(v); }
        std::string operator()(const std::string& v) const { return v; }
        std::string operator()(const void* v) const
        {
            return "^(" + IntToHex(static_cast<int64_t>(reinterpret_cast<uintptr_t>(v)), 16) + ")";
        }
        std::string operator()(TObjectRef v) const { return v.Object ? v.Object->ClassName() : "^(NIL)"; }
    };
    return std::visit(TRender{}, FValue);
}

std::string FormatParameterList(std::initializer_list<TLogParam> args)
{
    if (args.size() == 0) return {};
    std::string text = "(";
    for (const TLogParam& arg : args) {
        if (&arg != args.begin()) text += "; ";
        text += arg.Text();
    }
    return text + ");";
}

void SetLogDisplayHook(TLogDisplayHook hook)
{
    std::lock_guard<std::mutex> guard(gDisplayHookLock);
    gDisplayHook = std::move(hook);
}

TGLLogSession::TGLLogSession() : FInert(true) {}

TGLLogSession::TGLLogSession(TInitTag) : FInert(false) {}

std::unique_ptr<TGLLogSession> TGLLogSession::Init(const std::string& AFileName, TLogTimeFormat ATimeFormat,
                                                   TLogLevels ALevels, bool ALogThreadId, bool ABuffered,
                                                   int32_t AMaxSize, bool ABackUpOldLogs, bool AClearOldLogs,
                                                   bool AWriteInternalMessages)
{
    std::unique_ptr<TGLLogSession> session(new TGLLogSession(TInitTag{}));
    TGLLogSession& s = *session;
    s.FLogThreadId = ALogThreadId;
    s.FBuffered = ABuffered;
    s.FStartedMs = static_cast<uint32_t>(GetTickCountMs());
    s.FTimeFormat = ATimeFormat;
    s.FLogLevels = ALevels;
    s.FDisplayLogOnExitIfItContains = LogLevelSet({lkError, lkFatalError});
    s.FWriteInternalMessages = AWriteInternalMessages;

    if (ABackUpOldLogs) s.ArchiveOldLogs(AFileName);
    s.FOriginalLogFileName = AFileName;
    s.FEnabled = s.OpenLogFile(AFileName, AClearOldLogs);
    if (AMaxSize > 0) s.DeleteRotatedLogs();
    s.SetLogFileMaxSize(AMaxSize);

    if (AWriteInternalMessages) {
        s.Log(std::string("Log subsystem started in ") + kTimeFormatModes[ATimeFormat], lkInfo);
        s.LogActiveLevels();
        s.Log(std::string("Buffered mode: ") + (ABuffered ? "True" : "False"), lkInfo);
    }
    if (ABuffered) {
        s.FBufferProcessingThread = std::make_unique<TLogBufferFlushThread>(&s);
        s.FBufferProcessingThread->Start();
    }
    return session;
}

TGLLogSession::~TGLLogSession()
{
    if (FInert) return;
    FDestroying = true;
    if (FWriteInternalMessages) {
        LogStatistics();
        Log("Log session shutdown", lkInfo);
    }
    SetBuffered(false);
    WriteBufferToFile();
    SetLogFileMaxSize(0);
    for (int level = 0; level < kLogLevelCount; ++level)
        if (InLogLevels(FDisplayLogOnExitIfItContains, TLogLevel(level)) && FLogKindCount[level] > 0) {
            DisplayLog();
            break;
        }
}

void TGLLogSession::Log(const std::string& Desc, TLogLevel Level)
{
    WriteLogLine(Desc, Level);
}

void TGLLogSession::LogAdv(std::initializer_list<TLogParam> args, TLogLevel Level)
{
    Log(FormatParameterList(args), Level);
}

void TGLLogSession::LogException(const Exception& E, const std::string& AFunctionName,
                                 std::initializer_list<TLogParam> args, TLogLevel Level)
{
    Log("Exception in " + AFunctionName + ": " + E.Message() + "\r\nInput parameters:\r\n" +
            FormatParameterList(args),
        Level);
}

std::string TGLLogSession::TimeStamp() const
{
    if (FTimeFormat == lfElapsed) return std::to_string(static_cast<uint32_t>(GetTickCountMs()) - FStartedMs);
    int milliseconds;
    const std::tm now = LocalTimeNow(milliseconds);
    switch (FTimeFormat) {
    case lfDate:
        return FormatTime("%Y-%m-%d", now);
    case lfTime:
        return FormatTime("%H:%M:%S", now);
    case lfTimeExact: {
        char ms[8];
        std::snprintf(ms, sizeof ms, "%03d", milliseconds);
        return FormatTime("%H:%M:%S ", now) + ms + " ms";
    }
    case lfDateTime:
        return FormatTime("%Y-%m-%d %H:%M:%S", now);
    default:
        return {};
    }
}

void TGLLogSession::WriteLogLine(const std::string& Desc, TLogLevel Level)
{
    {
        // Held during the call, so a capture that detaches never has a call still running into it.
        std::lock_guard<std::mutex> guard(FSinkLock);
        if (FCaptureSink) FCaptureSink(Level, Desc);
    }
    if (FInert || !InLogLevels(FLogLevels, Level) || !FEnabled) return;

    std::string line = FTimeFormat == lfNone ? std::string() : TimeStamp() + '\t';
    line += kLevelInfo[Level].Marker;
    line += Desc;
    if (FLogThreadId) line = "\tThread ID " + std::to_string(gettid()) + '\t' + line;

    if (FBuffered) {
        std::lock_guard<std::mutex> guard(FBufferCriticalSection);
        FBuffer.push_back(std::move(line));
    } else {
        AppendLineToFile(line);
    }

    const int32_t count = ++FLogKindCount[Level];
    if (count <= kLevelInfo[Level].MessageLimit || FMessageLimitAction == mlaContinue) return;
    Log(std::string("Logging stopped due to reaching message limit (") + kLevelInfo[Level].Title + " = " +
            std::to_string(count) + ")",
        lkInfo);
    FEnabled = false;
    if (FMessageLimitAction == mlaHalt) FlushBuffer();
}

void TGLLogSession::LogEmtryLine()
{
    if (FInert || !FEnabled) return;
    if (FBuffered) {
        std::lock_guard<std::mutex> guard(FBufferCriticalSection);
        FBuffer.emplace_back();
    } else {
        AppendLineToFile({});
    }
}

void TGLLogSession::FlushBuffer()
{
    if (FBuffered) WriteBufferToFile();
}

void TGLLogSession::DisplayLog()
{
    TLogDisplayHook hook;
    {
        std::lock_guard<std::mutex> guard(gDisplayHookLock);
        hook = gDisplayHook;
    }
    const std::string fileName = CurrentLogFileName();
    if (hook)
        hook(fileName);
    else
        OpenWithDesktopViewer(fileName);
}

void TGLLogSession::LogStatistics()
{
    Log("Logged fatal_errors: " + std::to_string(FLogKindCount[lkFatalError]) +
            ", errors: " + std::to_string(FLogKindCount[lkError]) +
            ", warnings: " + std::to_string(FLogKindCount[lkWarning]) +
            ", notices: " + std::to_string(FLogKindCount[lkNotice]) +
            ", info: " + std::to_string(FLogKindCount[lkInfo]) +
            ", debug: " + std::to_string(FLogKindCount[lkDebug]),
        lkInfo);
}

void TGLLogSession::LogActiveLevels()
{
    std::string list;
    for (int level = 0; level < kLogLevelCount; ++level) {
        if (!InLogLevels(FLogLevels, TLogLevel(level))) continue;
        const std::string marker = kLevelInfo[level].Marker;
        list += list.empty() ? "[" : ", ";
        list += std::string(kLevelInfo[level].Title) + " " + marker.substr(1, marker.size() - 3);
    }
    Log("Logging " + (list.empty() ? std::string("nothing") : list + "]"), lkInfo);
}

void TGLLogSession::SetLogLevels(TLogLevels Value)
{
    if (FInert) return;
    FLogLevels = Value;
    LogActiveLevels();
}

void TGLLogSession::SetEnabled(bool Value)
{
    if (Value == FEnabled) return;
    if (!Value) {
        Log("Logging session paused", lkInfo);
        FEnabled = false;
    } else {
        FEnabled = true;
        Log("Logging session resumed", lkInfo);
    }
}

void TGLLogSession::SetBuffered(bool Value)
{
    if (Value == FBuffered) return;
    FBuffered = Value;
    if (Value) {
        FBufferProcessingThread = std::make_unique<TLogBufferFlushThread>(this);
        FBufferProcessingThread->Start();
    } else {
        FBufferProcessingThread.reset(); // writes what is left, then ends
    }
}

void TGLLogSession::SetLogFileMaxSize(int32_t Value)
{
    if (Value == FLogFileMaxSize) return;
    FLogFileMaxSize = Value;
    if (Value > 0) {
        if (!FCheckLogSizeThread) {
            FCheckLogSizeThread = std::make_unique<TLogCheckSizeThread>(this);
            FCheckLogSizeThread->Start();
        }
    } else {
        FCheckLogSizeThread.reset();
    }
}

std::string TGLLogSession::CurrentLogFileName()
{
    std::lock_guard<std::mutex> guard(FFileAccessCriticalSection);
    return FCurrentLogFileName;
}

void TGLLogSession::SetCaptureSink(TLogCaptureSink Sink)
{
    std::lock_guard<std::mutex> guard(FSinkLock);
    FCaptureSink = std::move(Sink);
}

TLogCaptureSink TGLLogSession::CaptureSink()
{
    std::lock_guard<std::mutex> guard(FSinkLock);
    return FCaptureSink;
}

bool TGLLogSession::AppendLineToFile(const std::string& Line)
{
    std::lock_guard<std::mutex> guard(FFileAccessCriticalSection);
    return AppendLinesToFile(FCurrentLogFileName, {Line});
}

bool TGLLogSession::WriteBufferToFile()
{
    std::lock_guard<std::mutex> fileGuard(FFileAccessCriticalSection);
    std::vector<std::string> lines;
    {
        std::lock_guard<std::mutex> bufferGuard(FBufferCriticalSection);
        lines.swap(FBuffer);
    }
    return lines.empty() || AppendLinesToFile(FCurrentLogFileName, lines);
}

bool TGLLogSession::CreateEmptyLogFile()
{
    std::lock_guard<std::mutex> guard(FFileAccessCriticalSection);
    const int fd = ::open(FCurrentLogFileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return fd >= 0 && ::close(fd) == 0;
}

bool TGLLogSession::BufferEmpty()
{
    std::lock_guard<std::mutex> guard(FBufferCriticalSection);
    return FBuffer.empty();
}

bool TGLLogSession::OpenLogFile(const std::string& AFileName, bool AResetFile)
{
    std::error_code error;
    fs::path path(AFileName);
    if (!path.has_parent_path())
        path = fs::current_path(error) / path;
    else
        fs::create_directories(path.parent_path(), error);
    {
        std::lock_guard<std::mutex> guard(FFileAccessCriticalSection);
        FCurrentLogFileName = path.string();
        FUsedLogFileNames.push_back(FCurrentLogFileName);
    }
    if (fs::exists(path, error) && !AResetFile) return true;
    return CreateEmptyLogFile();
}

void TGLLogSession::ArchiveOldLogs(const std::string& AFileName)
{
    int milliseconds;
    const TLogFamily family(AFileName);
    const fs::path archive = family.Folder / FormatTime("%Y-%m-%d  %H-%M-%S", LocalTimeNow(milliseconds));
    std::error_code error;
    fs::create_directories(archive, error);
    if (error) return;
    for (const fs::path& file : family.Members()) {
        while (::rename(file.c_str(), (archive / file.filename()).c_str()) != 0) {
            const int code = errno;
            if (!FDisplayErrorDialogs) break;
            TMessageBoxRequest ask;
            ask.Kind = mtWarning;
            ask.Text = Format("Renaming of \"%s\" failed with error : %d. Try again?", {file.string(), code});
            ask.Buttons = mbsYesNo;
            ask.Default = mrNo;
            if (ShowMessageBox(ask) != mrYes) break;
        }
    }
}

void TGLLogSession::DeleteRotatedLogs()
{
    const std::string current = CurrentLogFileName();
    std::error_code error;
    for (const fs::path& file : TLogFamily(current).Members())
        if (!fs::equivalent(file, current, error)) fs::remove(file, error);
}

void TGLLogSession::RotateLogIfTooBig()
{
    int64_t size;
    {
        std::lock_guard<std::mutex> guard(FFileAccessCriticalSection);
        std::error_code error;
        const uintmax_t bytes = fs::file_size(FCurrentLogFileName, error);
        size = error ? -1 : static_cast<int64_t>(bytes);
    }
    if (FLogFileMaxSize <= 0 || size < FLogFileMaxSize) return;
    std::string newName;
    std::error_code error;
    for (int n = 1;; ++n) {
        newName = NumberedLogName(FOriginalLogFileName, n);
        if (!fs::exists(newName, error)) break;
    }
    if (FWriteInternalMessages)
        Log(Format("Creating new log file \"%s\" because old one became too big (%d bytes)", {newName, size}),
            lkInfo);
    OpenLogFile(newName, true);
}

TGLLogSession* GlobalLogSession()
{
    static TGLLogSession* const session = new TGLLogSession();
    return session;
}

TGLLogCapture::TGLLogCapture(TGLLogSession* session) : FSession(session), FPrevious(session->CaptureSink())
{
    FSession->SetCaptureSink([this](TLogLevel Level, const std::string& Text) {
        std::lock_guard<std::mutex> guard(FLock);
        FEntries.push_back({Level, Text});
    });
}

TGLLogCapture::~TGLLogCapture()
{
    FSession->SetCaptureSink(std::move(FPrevious));
}

std::vector<TGLLogCapture::TEntry> TGLLogCapture::Entries()
{
    std::lock_guard<std::mutex> guard(FLock);
    return FEntries;
}

std::vector<std::string> TGLLogCapture::Texts()
{
    std::lock_guard<std::mutex> guard(FLock);
    std::vector<std::string> texts;
    for (const TEntry& entry : FEntries) texts.push_back(entry.Text);
    return texts;
}

bool TGLLogCapture::Contains(const std::string& fragment)
{
    std::lock_guard<std::mutex> guard(FLock);
    for (const TEntry& entry : FEntries)
        if (entry.Text.find(fragment) != std::string::npos) return true;
    return false;
}

void TGLLogCapture::Clear()
{
    std::lock_guard<std::mutex> guard(FLock);
    FEntries.clear();
}
