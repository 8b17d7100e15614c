// The game's log: what the game reports without stopping, such as a file it went on without or a start-up
// stage that found nothing to load. Messages go to the engine's log session, the same one the game-data
// readers report to, so a test sees them all with a TGLLogCapture; the program writes them to stderr.
#pragma once

#include <string>

// Logs one message as a warning.
void GameLog(const std::string& text);

// From now on every warning and error of the log session is written to stderr as one line "Mirefall: <text>".
// For the program's start; a capture that a test attaches later takes the messages while it lives.
void WriteGameLogToStderr();
