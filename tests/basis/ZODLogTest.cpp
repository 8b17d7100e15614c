#include "ZODLog.h"

#include "Dialogs.h"
#include "TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <iomanip>
#include <mutex>
#include <regex>
#include <set>
#include <sstream>
#include <thread>
#include <unistd.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

std::vector<std::string> ReadLines(const std::string& fileName)
{
    std::ifstream in(fileName);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class LogSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetLogDisplayHook([this](const std::string& fileName) { displayed.push_back(fileName); });
    }
    void TearDown() override { SetLogDisplayHook(nullptr); }

    // A plain session: no stamp, every level, unbuffered, no size limit, no archive, fresh file, no internal
    // messages. Each test changes what it needs.
    std::unique_ptr<TGLLogSession> Session(const std::string& name = "app.log", TLogTimeFormat format = lfNone,
                                           TLogLevels levels = llAll, bool threadId = false, bool buffered = false,
                                           int32_t maxSize = 0, bool backUp = false, bool internal = false)
    {
        return TGLLogSession::Init(folder / name, format, levels, threadId, buffered, maxSize, backUp, true,
                                   internal);
    }

    TempFolder folder;
    std::vector<std::string> displayed;
};

} // namespace

TEST(GlobalLogSessionTest, KeepsAndWritesNothingButACaptureSeesEveryCall)
{
    TGLLogSession* global = GlobalLogSession();
    ASSERT_EQ(global, GlobalLogSession());
    TGLLogCapture capture;
    global->LogError("no context");
    global->LogWarningFmt("%d of %s", {3, "four"});
    global->LogEmtryLine();
    global->SetLogLevels(llAll);
    global->FlushBuffer();

    EXPECT_FALSE(global->Enabled());
    EXPECT_EQ(global->LogLevels(), 0u);
    EXPECT_EQ(global->LogKindCount(lkError), 0);
    EXPECT_EQ(global->CurrentLogFileName(), "");
    const auto entries = capture.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Level, lkError);
    EXPECT_EQ(entries[0].Text, "no context");
    EXPECT_EQ(entries[1].Level, lkWarning);
    EXPECT_EQ(entries[1].Text, "3 of four");
}

TEST(GlobalLogSessionTest, CaptureCollectsFromOtherThreadsAndRestoresTheSinkItFound)
{
    TGLLogCapture outer;
    {
        TGLLogCapture inner;
        std::thread worker([] { GlobalLogSession()->LogInfo("from a worker"); });
        worker.join();
        EXPECT_THAT(inner.Texts(), ElementsAre("from a worker"));
        EXPECT_TRUE(inner.Contains("worker"));
        EXPECT_FALSE(inner.Contains("main"));
    }
    GlobalLogSession()->LogInfo("main again");
    EXPECT_THAT(outer.Texts(), ElementsAre("main again"));
    outer.Clear();
    EXPECT_TRUE(outer.Entries().empty());
}

TEST_F(LogSessionTest, WritesEachLevelWithItsMarker)
{
    auto log = Session();
    log->LogDebug("d");
    log->LogInfo("i");
    log->LogNotice("n");
    log->LogWarning("w");
    log->LogError("e");
    log->LogFatalError("f");
    log->LogEmtryLine();
    log->LogErrorFmt("%s = %d", {"x", 42});
    EXPECT_THAT(ReadLines(folder / "app.log"),
                ElementsAre(" (D)  d", " (i)  i", " (M)  n", " (W)  w", " (Er)  e", " (!!)  f", "", " (Er)  x = 42"));
    EXPECT_EQ(log->LogKindCount(lkError), 2);
    EXPECT_EQ(log->LogKindCount(lkInfo), 1);
}

TEST_F(LogSessionTest, LevelsOutsideTheSetAreNeitherWrittenNorCounted)
{
    auto log = Session("app.log", lfNone, LogLevelSet({lkError}));
    log->LogWarning("dropped");
    log->LogError("kept");
    EXPECT_THAT(ReadLines(folder / "app.log"), ElementsAre(" (Er)  kept"));
    EXPECT_EQ(log->LogKindCount(lkWarning), 0);
    EXPECT_EQ(log->LogKindCount(lkError), 1);

    TGLLogCapture capture(log.get());
    log->SetLogLevels(0);
    EXPECT_THAT(capture.Texts(), ElementsAre("Logging nothing"));
}

TEST_F(LogSessionTest, TimeFormatsAndThreadIdPrefixTheLine)
{
    const std::string tid = std::to_string(gettid());
    const struct {
        TLogTimeFormat format;
        bool threadId;
        const char* pattern;
    } cases[] = {
        {lfElapsed, false, R"(\d+\t \(i\)  text)"},
        {lfDate, false, R"(\d{4}-\d\d-\d\d\t \(i\)  text)"},
        {lfTime, false, R"(\d\d:\d\d:\d\d\t \(i\)  text)"},
        {lfTimeExact, false, R"(\d\d:\d\d:\d\d \d{3} ms\t \(i\)  text)"},
        {lfDateTime, false, R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\t \(i\)  text)"},
        {lfNone, true, R"(\tThread ID TID\t \(i\)  text)"},
        {lfElapsed, true, R"(\tThread ID TID\t\d+\t \(i\)  text)"},
    };
    for (const auto& c : cases) {
        const std::string pattern = std::regex_replace(c.pattern, std::regex("TID"), tid);
        auto log = Session("app.log", c.format, llAll, c.threadId);
        log->LogInfo("text");
        const auto lines = ReadLines(folder / "app.log");
        ASSERT_EQ(lines.size(), 1u) << pattern;
        EXPECT_TRUE(std::regex_match(lines[0], std::regex(pattern))) << lines[0] << " !~ " << pattern;
    }
}

TEST_F(LogSessionTest, InternalMessagesAndTheExitDisplayWhenErrorsWereLogged)
{
    {
        auto log = Session("app.log", lfNone, LogLevelSet({lkInfo, lkError, lkFatalError}), false, false, 0, false,
                           true);
        log->LogError("bad");
        log->LogWarning("not listed");
    }
    EXPECT_THAT(ReadLines(folder / "app.log"),
                ElementsAre(" (i)  Log subsystem started in no timestamp mode.",
                            " (i)  Logging [info (i), errors (Er), fatal errors (!!)]", " (i)  Buffered mode: False",
                            " (Er)  bad",
                            " (i)  Logged fatal_errors: 0, errors: 1, warnings: 0, notices: 0, info: 3, debug: 0",
                            " (i)  Log session shutdown"));
    EXPECT_THAT(displayed, ElementsAre(folder / "app.log"));

    Session("quiet.log")->LogWarning("only a warning");
    EXPECT_EQ(displayed.size(), 1u);
}

TEST_F(LogSessionTest, MessageLimitStopsLoggingAndEnabledResumesIt)
{
    auto log = Session();
    for (int i = 1; i <= 101; ++i) log->LogError("error " + std::to_string(i));
    EXPECT_FALSE(log->Enabled());
    log->LogError("lost");
    log->SetEnabled(true);
    log->LogInfo("back");

    const auto lines = ReadLines(folder / "app.log");
    ASSERT_EQ(lines.size(), 104u);
    EXPECT_EQ(lines[100], " (Er)  error 101");
    EXPECT_EQ(lines[101], " (i)  Logging stopped due to reaching message limit (errors = 101)");
    EXPECT_EQ(lines[102], " (i)  Logging session resumed");
    EXPECT_EQ(lines[103], " (i)  back");

    log->SetEnabled(false);
    log->LogInfo("paused");
    EXPECT_EQ(ReadLines(folder / "app.log").back(), " (i)  Logging session paused");
}

TEST_F(LogSessionTest, HaltLimitFlushesAndStopsWithoutEndingTheProgram)
{
    auto log = Session("app.log", lfNone, llAll, false, true);
    log->SetMessageLimitAction(mlaHalt);
    for (int i = 1; i <= 11; ++i) log->LogFatalError("fatal");
    EXPECT_FALSE(log->Enabled());
    // On disk already, without waiting for the flush thread's period.
    const auto lines = ReadLines(folder / "app.log");
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines.back(), " (i)  Logging stopped due to reaching message limit (fatal errors = 11)");
}

TEST_F(LogSessionTest, BufferedLinesFromManyThreadsAllReachTheFile)
{
    constexpr int kThreads = 4;
    constexpr int kLines = 200;
    {
        auto log = Session("app.log", lfNone, llAll, false, true);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&log, t] {
                for (int i = 0; i < kLines; ++i) log->LogNotice(std::to_string(t) + ":" + std::to_string(i));
            });
        for (std::thread& thread : threads) thread.join();
        log->FlushBuffer();
        EXPECT_EQ(ReadLines(folder / "app.log").size(), size_t(kThreads * kLines));
        log->LogNotice("last");
    }
    const auto lines = ReadLines(folder / "app.log");
    ASSERT_EQ(lines.size(), size_t(kThreads * kLines + 1));
    // Each thread's lines keep their order.
    std::vector<int> next(kThreads, 0);
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        int t, n;
        ASSERT_EQ(std::sscanf(lines[i].c_str(), " (M)  %d:%d", &t, &n), 2) << lines[i];
        EXPECT_EQ(n, next[t]++);
    }
    EXPECT_EQ(lines.back(), " (M)  last");
}

TEST_F(LogSessionTest, TooBigFileSwitchesToTheNextFreeNumberedName)
{
    auto log = Session("app.log", lfNone, llAll, false, false, 0, false, true);
    while (std::filesystem::file_size(folder / "app.log") < 1000) log->LogInfo(std::string(50, 'x'));
    folder.Write("app_1.log", "taken");
    // The size check's thread announces the switch; taking the limit away then ends that thread, so the switch
    // is complete.
    std::mutex lock;
    std::condition_variable announced;
    bool switching = false;
    log->SetCaptureSink([&](TLogLevel, const std::string& text) {
        if (text.rfind("Creating new log file", 0) != 0) return;
        std::lock_guard<std::mutex> guard(lock);
        switching = true;
        announced.notify_all();
    });
    log->SetCheckFileSizePeriod(1);
    log->SetLogFileMaxSize(1000);
    {
        std::unique_lock<std::mutex> guard(lock);
        announced.wait_for(guard, std::chrono::seconds(5), [&] { return switching; });
    }
    log->SetLogFileMaxSize(0);
    log->SetCaptureSink(nullptr);
    ASSERT_TRUE(switching);
    EXPECT_EQ(log->CurrentLogFileName(), folder / "app_2.log");
    log->LogInfo("after");

    EXPECT_THAT(ReadLines(folder / "app.log").back(),
                HasSubstr("Creating new log file \"" + folder / "app_2.log" + "\" because old one became too big ("));
    EXPECT_EQ(folder.Read("app_1.log"), "taken");
    EXPECT_THAT(ReadLines(folder / "app_2.log"), ElementsAre(" (i)  after"));
}

TEST_F(LogSessionTest, SizeLimitDeletesOnlyTheOldNumberedFilesOfTheLog)
{
    for (const char* name : {"app_1.log", "app_17.log", "application.log", "app.txt", "app_x.log"})
        folder.Write(name, "old");
    Session("app.log", lfNone, llAll, false, false, 1000);
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path))
        left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"app.log", "application.log", "app.txt", "app_x.log"}));
}

TEST_F(LogSessionTest, OldLogsMoveIntoADatedFolder)
{
    folder.Write("app.log", "previous run\n");
    folder.Write("app_3.log", "rotated\n");
    folder.Write("other.log", "someone else's\n");
    Session("app.log", lfNone, llAll, false, false, 0, true)->LogInfo("new run");

    std::vector<std::filesystem::path> archives;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path))
        if (entry.is_directory()) archives.push_back(entry.path());
    ASSERT_EQ(archives.size(), 1u);
    EXPECT_TRUE(std::regex_match(archives[0].filename().string(),
                                 std::regex(R"(\d{4}-\d\d-\d\d  \d\d-\d\d-\d\d)")));
    EXPECT_EQ(folder.Read(archives[0].filename().string() + "/app.log"), "previous run\n");
    EXPECT_EQ(folder.Read(archives[0].filename().string() + "/app_3.log"), "rotated\n");
    EXPECT_EQ(folder.Read("other.log"), "someone else's\n");
    EXPECT_THAT(ReadLines(folder / "app.log"), ElementsAre(" (i)  new run"));
}

TEST_F(LogSessionTest, FileThatCannotBeMadeLeavesTheSessionDisabled)
{
    folder.Write("blocker", "a file, not a folder");
    auto log = Session("blocker/app.log");
    EXPECT_FALSE(log->Enabled());
    log->LogError("nowhere");
    EXPECT_EQ(log->LogKindCount(lkError), 0);
}

TEST_F(LogSessionTest, NameWithoutFolderLandsInTheCurrentDirectoryAndOldLinesStayUnlessCleared)
{
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path);
    folder.Write("plain.log", "kept\n");
    TGLLogSession::Init("plain.log", lfNone, llAll, false, false, 0, false, false, false)->LogInfo("added");
    std::filesystem::current_path(previous);
    EXPECT_THAT(ReadLines(folder / "plain.log"), ElementsAre("kept", " (i)  added"));
}

TEST(FormatParameterListTest, RendersEachKind)
{
    int value = 0;
    const void* address = &value;
    std::ostringstream hex;
    hex << std::uppercase << std::hex << std::setw(16) << std::setfill('0') << reinterpret_cast<uintptr_t>(address);
    EXPECT_EQ(FormatParameterList({}), "");
    EXPECT_EQ(FormatParameterList({5, true}), "(5; True);");
    EXPECT_EQ(FormatParameterList({int64_t(-7), false, 'c', 2.5, "two words", address}),
              "(-7; False; c; 2.5; two words; ^(" + hex.str() + "));");
    TComponent component(nullptr);
    EXPECT_EQ(FormatParameterList({&component, static_cast<TObject*>(nullptr)}), "(TComponent; ^(NIL));");

    TGLLogCapture capture;
    GlobalLogSession()->LogException(Exception("boom"), "LoadMap", {3}, lkError);
    EXPECT_THAT(capture.Texts(), ElementsAre("Exception in LoadMap: boom\r\nInput parameters:\r\n(3);"));
}
