// The engine's text-file log. Engine code writes through GlobalLogSession, an inert session that keeps and
// writes nothing; tests attach a capture sink to it to see what engine code reports. A session made with Init
// writes a file: level markers, time stamps, thread ids, an optional buffer flushed by a thread, per-level
// message limits, numbered files when the file grows too big, and archiving of old logs.
#pragma once

#include "Components.h"

#include <atomic>
#include <concepts>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

enum TLogLevel { lkDebug, lkInfo, lkNotice, lkWarning, lkError, lkFatalError };
constexpr int kLogLevelCount = lkFatalError + 1;

// A set of levels, bit (1 << level) per level.
using TLogLevels = uint32_t;
constexpr TLogLevels LogLevelSet(std::initializer_list<TLogLevel> levels)
{
    TLogLevels set = 0;
    for (TLogLevel level : levels) set |= 1u << level;
    return set;
}
constexpr bool InLogLevels(TLogLevels set, TLogLevel level) { return (set >> level) & 1u; }
constexpr TLogLevels llAll = (1u << kLogLevelCount) - 1;

enum TLogTimeFormat { lfNone, lfDate, lfTime, lfTimeExact, lfDateTime, lfElapsed };

// What a session does when a level's count passes its limit: nothing, or stop logging. mlaHalt, which used to
// end the program, flushes the buffer and then stops logging too: a log never ends the program.
enum TLogMessageLimitAction { mlaContinue, mlaStopLogging, mlaHalt };

// One value of a logged parameter list (LogAdv, LogException).
class TLogParam {
public:
    template <std::integral T>
        requires(!std::same_as<T, bool> && !std::same_as<T, char>)
    TLogParam(T value) : FValue(static_cast<int64_t>(value))
    {
    }
    TLogParam(bool value) : FValue(value) {}
    TLogParam(char value) : FValue(value) {}
    TLogParam(double value) : FValue(value) {}
    TLogParam(std::string value) : FValue(std::move(value)) {}
    TLogParam(const char* value) : FValue(std::string(value ? value : "")) {}
    TLogParam(const void* value) : FValue(value) {}
    TLogParam(const TObject* value) : FValue(TObjectRef{value}) {}

    // Integers in decimal, Booleans as True/False, characters and texts as they are, reals in the default
    // number format, pointers as "^(" + hexadecimal address + ")", objects as their class name ("^(NIL)" for
    // none).
    std::string Text() const;

private:
    struct TObjectRef {
        const TObject* Object;
    };
    std::variant<int64_t, bool, char, double, std::string, const void*, TObjectRef> FValue;
};

// "" for no values, else "(" + the values joined by "; " + ");".
std::string FormatParameterList(std::initializer_list<TLogParam> args);

// Receives every line engine code logs on a session (level and text, before level filtering). It runs under
// the session's sink lock, so it must not log itself.
using TLogCaptureSink = std::function<void(TLogLevel Level, const std::string& Text)>;

// Opens a finished log for the user (the session's DisplayLog). The default opens it with xdg-open in the
// background; tests install their own.
using TLogDisplayHook = std::function<void(const std::string& fileName)>;
void SetLogDisplayHook(TLogDisplayHook hook); // empty restores the default

class TLogSessionThread;

class TGLLogSession : public TPersistent {
public:
    // The plain constructor: an inert session that keeps and writes nothing (only a capture sink sees its lines).
    TGLLogSession();
    // The writing session. A file name without a folder lands in the current directory; AMaxSize > 0 switches
    // to numbered files beside it when the file reaches that many bytes; ABackUpOldLogs moves the old logs of
    // that name into a dated folder first; AClearOldLogs empties an existing file.
    static std::unique_ptr<TGLLogSession> Init(const std::string& AFileName, TLogTimeFormat ATimeFormat,
                                               TLogLevels ALevels, bool ALogThreadId, bool ABuffered,
                                               int32_t AMaxSize, bool ABackUpOldLogs, bool AClearOldLogs,
                                               bool AWriteInternalMessages);
    ~TGLLogSession() override;
    TGLLogSession(const TGLLogSession&) = delete;
    TGLLogSession& operator=(const TGLLogSession&) = delete;

    void Log(const std::string& Desc, TLogLevel Level = lkInfo);
    void LogDebug(const std::string& Desc) { Log(Desc, lkDebug); }
    void LogInfo(const std::string& Desc) { Log(Desc, lkInfo); }
    void LogNotice(const std::string& Desc) { Log(Desc, lkNotice); }
    void LogWarning(const std::string& Desc) { Log(Desc, lkWarning); }
    void LogError(const std::string& Desc) { Log(Desc, lkError); }
    void LogFatalError(const std::string& Desc) { Log(Desc, lkFatalError); }
    // The text formatted with Format (%s, %d, ...), then logged at that level.
    using TFmtArgs = std::initializer_list<TVarRec>;
    void LogDebugFmt(std::string_view Desc, TFmtArgs Args) { Log(Format(Desc, Args), lkDebug); }
    void LogInfoFmt(std::string_view Desc, TFmtArgs Args) { Log(Format(Desc, Args), lkInfo); }
    void LogNoticeFmt(std::string_view Desc, TFmtArgs Args) { Log(Format(Desc, Args), lkNotice); }
    void LogWarningFmt(std::string_view Desc, TFmtArgs Args) { Log(Format(Desc, Args), lkWarning); }
    void LogErrorFmt(std::string_view Desc, TFmtArgs Args) { Log(Format(Desc, Args), lkError); }
    void LogFatalErrorFmt(std::string_view Desc, TFmtArgs Args) { Log(Format(Desc, Args), lkFatalError); }
    void LogAdv(std::initializer_list<TLogParam> args, TLogLevel Level = lkError);
    // "Exception in <function>: <message>", CR LF, "Input parameters:", CR LF, the parameter list.
    void LogException(const Exception& E, const std::string& AFunctionName, std::initializer_list<TLogParam> args,
                      TLogLevel Level = lkError);
    // An empty line: no level, marker or stamp, not counted.
    void LogEmtryLine();
    void FlushBuffer();
    // Opens the current log file for the user (the display hook).
    void DisplayLog();
    // "Logged fatal_errors: n, errors: n, warnings: n, notices: n, info: n, debug: n" at info level.
    void LogStatistics();

    TLogLevels LogLevels() const { return FLogLevels; }
    void SetLogLevels(TLogLevels Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool Buffered() const { return FBuffered; }
    void SetBuffered(bool Value);
    int32_t LogFileMaxSize() const { return FLogFileMaxSize; }
    void SetLogFileMaxSize(int32_t Value);

    int32_t FlushBufferPeriod() const { return FFlushBufferPeriod; }
    void SetFlushBufferPeriod(int32_t Value) { FFlushBufferPeriod = Value; }
    bool LogThreadId() const { return FLogThreadId; }
    void SetLogThreadId(bool Value) { FLogThreadId = Value; }
    bool DisplayErrorDialogs() const { return FDisplayErrorDialogs; }
    void SetDisplayErrorDialogs(bool Value) { FDisplayErrorDialogs = Value; }
    TLogMessageLimitAction MessageLimitAction() const { return FMessageLimitAction; }
    void SetMessageLimitAction(TLogMessageLimitAction Value) { FMessageLimitAction = Value; }
    bool WriteInternalMessages() const { return FWriteInternalMessages; }
    void SetWriteInternalMessages(bool Value) { FWriteInternalMessages = Value; }
    TLogLevels DisplayLogOnExitIfItContains() const { return FDisplayLogOnExitIfItContains; }
    void SetDisplayLogOnExitIfItContains(TLogLevels Value) { FDisplayLogOnExitIfItContains = Value; }
    int32_t CheckFileSizePeriod() const { return FCheckFileSizePeriod; }
    void SetCheckFileSizePeriod(int32_t Value) { FCheckFileSizePeriod = Value; }

    // Lines logged at a level since Init.
    int32_t LogKindCount(TLogLevel Level) const { return FLogKindCount[Level]; }
    // The file written now (a numbered one after the first grew too big).
    std::string CurrentLogFileName();

    // The capture sink sees every Log call on this session; an empty sink detaches it.
    void SetCaptureSink(TLogCaptureSink Sink);
    TLogCaptureSink CaptureSink();

protected:
    virtual bool AppendLineToFile(const std::string& Line);
    virtual bool WriteBufferToFile();
    virtual bool CreateEmptyLogFile();

private:
    friend class TLogBufferFlushThread;
    friend class TLogCheckSizeThread;

    struct TInitTag {};
    explicit TGLLogSession(TInitTag);

    void WriteLogLine(const std::string& Desc, TLogLevel Level);
    std::string TimeStamp() const;
    bool OpenLogFile(const std::string& AFileName, bool AResetFile);
    void ArchiveOldLogs(const std::string& AFileName);
    void DeleteRotatedLogs();
    void RotateLogIfTooBig();
    void LogActiveLevels();
    bool BufferEmpty();

    const bool FInert;
    std::vector<std::string> FBuffer;
    std::atomic<bool> FBuffered{false};
    std::unique_ptr<TLogSessionThread> FBufferProcessingThread;
    std::unique_ptr<TLogSessionThread> FCheckLogSizeThread;
    std::atomic<int32_t> FFlushBufferPeriod{5000};
    std::atomic<bool> FDestroying{false};
    std::string FOriginalLogFileName;
    std::string FCurrentLogFileName;              // guarded by the file lock
    std::vector<std::string> FUsedLogFileNames;   // guarded by the file lock
    std::atomic<TLogLevels> FLogLevels{0};
    std::atomic<bool> FEnabled{false};
    std::mutex FBufferCriticalSection;
    std::mutex FFileAccessCriticalSection;       // taken before the buffer lock when both are held
    std::atomic<int32_t> FLogKindCount[kLogLevelCount] = {};
    std::atomic<bool> FLogThreadId{false};
    std::atomic<TLogMessageLimitAction> FMessageLimitAction{mlaStopLogging};
    TLogTimeFormat FTimeFormat = lfNone;
    uint32_t FStartedMs = 0;
    std::atomic<int32_t> FLogFileMaxSize{0};
    std::atomic<int32_t> FCheckFileSizePeriod{4000};
    std::atomic<TLogLevels> FDisplayLogOnExitIfItContains{0};
    std::atomic<bool> FWriteInternalMessages{false};
    std::atomic<bool> FDisplayErrorDialogs{true};
    std::mutex FSinkLock;
    TLogCaptureSink FCaptureSink;
};

// The process-wide session of the engine's log calls: made on first use with the plain constructor and never
// destroyed, so engine objects that outlive every other static can still log.
TGLLogSession* GlobalLogSession();

// Collects what is logged on a session (the global one unless another is given) while it lives, then puts
// back the sink it found. Thread-safe: engine threads may log meanwhile.
class TGLLogCapture {
public:
    struct TEntry {
        TLogLevel Level;
        std::string Text;
    };

    explicit TGLLogCapture(TGLLogSession* session = GlobalLogSession());
    ~TGLLogCapture();
    TGLLogCapture(const TGLLogCapture&) = delete;
    TGLLogCapture& operator=(const TGLLogCapture&) = delete;

    std::vector<TEntry> Entries();
    std::vector<std::string> Texts();
    // Whether some logged text contains the fragment.
    bool Contains(const std::string& fragment);
    void Clear();

private:
    TGLLogSession* FSession;
    TLogCaptureSink FPrevious;
    std::mutex FLock;
    std::vector<TEntry> FEntries;
};
