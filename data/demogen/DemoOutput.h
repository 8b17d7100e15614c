// The data folder being written: files go in only when their bytes differ from what is there, and the game's
// own writers run against a staging folder so that their output can be compared the same way.
#pragma once

#include "DemoData.h"

#include <filesystem>
#include <functional>
#include <string>

class TDemoOutput {
public:
    explicit TDemoOutput(std::filesystem::path folder);
    ~TDemoOutput();
    TDemoOutput(const TDemoOutput&) = delete;
    TDemoOutput& operator=(const TDemoOutput&) = delete;

    // relativePath uses "/"; its folders are made as needed.
    void Publish(const std::string& relativePath, const std::string& bytes);
    void MakeFolder(const std::string& relativePath);
    // Removes what an earlier run published under relativePath and these sources no longer give (counted as a
    // file written); nothing when there is no such file.
    void Withdraw(const std::string& relativePath);
    // Runs write with gamedir at an empty staging folder and answers the bytes it left at gamePath (a game path
    // such as "\gh.cfg"); gamedir is restored however write ends.
    std::string Stage(const std::string& gamePath, const std::function<void()>& write);

    const TDemoWriteCount& Count() const { return FCount; }

private:
    std::filesystem::path FFolder;
    std::filesystem::path FStaging; // made on first use
    TDemoWriteCount FCount;
};

// The lines as the game's line files hold them: each ended by CR LF.
std::string LinesText(std::initializer_list<std::string> lines);
// The whole content of a file; a missing file raises EDemoSource.
std::string ReadSourceFile(const std::filesystem::path& file);
