#include "UGH_log.h"

#include "ZODLog.h"

#include <cstdio>

void GameLog(const std::string& text)
{
    GlobalLogSession()->LogWarning(text);
}

void WriteGameLogToStderr()
{
    GlobalLogSession()->SetCaptureSink([](TLogLevel level, const std::string& text) {
        if (level < lkWarning) return;
        // One write per line, so that lines of other output do not cut into it.
        const std::string line = "Mirefall: " + text + "\n";
        std::fwrite(line.data(), 1, line.size(), stderr);
    });
}
