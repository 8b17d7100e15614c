#include "DemoOutput.h"

#include "FileUtils.h"
#include "UGH_data.h"

#include <cstdlib>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// The bytes of a file, or nothing when it cannot be opened. Every published file is read: in one piece, into a
// string of the file's size, as growing buffers and copies cost more than the reading under the sanitizers.
bool ReadBytes(const fs::path& file, std::string& bytes)
{
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    if (!in) return false;
    const std::streamoff size = in.tellg();
    if (size < 0) return false;
    bytes.resize(static_cast<std::size_t>(size));
    in.seekg(0);
    in.read(bytes.data(), size);
    return in.gcount() == size;
}

// The file replaced through a rename, so that a half-written file never stands under its name. Unlike the
// game's saves it is not synced to the disk: the build writes it again whenever it is lost, and a sync for
// each of several hundred files costs the build more than drawing them on a busy disk.
void ReplaceFile(const fs::path& file, const std::string& bytes)
{
    fs::path temporary = file;
    temporary += ".new";
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    std::error_code error;
    if (out) fs::rename(temporary, file, error);
    if (!out || error) {
        fs::remove(temporary, error);
        throw EDemoSource(file.string() + ": the file cannot be written");
    }
}

} // namespace

TDemoOutput::TDemoOutput(fs::path folder) : FFolder(std::move(folder)) {}

TDemoOutput::~TDemoOutput()
{
    std::error_code ignored;
    if (!FStaging.empty()) fs::remove_all(FStaging, ignored);
}

void TDemoOutput::Publish(const std::string& relativePath, const std::string& bytes)
{
    const fs::path file = FFolder / relativePath;
    // A file of another size differs without being read.
    std::error_code noFile;
    std::string old;
    if (fs::file_size(file, noFile) == bytes.size() && !noFile && ReadBytes(file, old) && old == bytes) {
        ++FCount.unchanged;
        return;
    }
    fs::create_directories(file.parent_path());
    ReplaceFile(file, bytes);
    ++FCount.written;
}

void TDemoOutput::MakeFolder(const std::string& relativePath)
{
    fs::create_directories(FFolder / relativePath);
}

void TDemoOutput::Withdraw(const std::string& relativePath)
{
    if (fs::remove(FFolder / relativePath)) ++FCount.written;
}

std::string TDemoOutput::Stage(const std::string& gamePath, const std::function<void()>& write)
{
    if (FStaging.empty()) {
        std::string pattern = (fs::temp_directory_path() / "demogen_XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw EDemoSource("cannot make a staging folder in " + pattern);
        FStaging = pattern;
    }
    const std::string savedGamedir = gamedir;
    struct TRestore {
        const std::string& saved;
        ~TRestore() { gamedir = saved; }
    } restore{savedGamedir};
    gamedir = FStaging.string();
    const std::string file = ResolvePath(GamePath(gamePath));
    fs::create_directories(fs::path(file).parent_path());
    write();
    std::string bytes;
    if (!ReadBytes(file, bytes)) throw EDemoSource(gamePath + " was not written");
    fs::remove(file);
    return bytes;
}

std::string LinesText(std::initializer_list<std::string> lines)
{
    TLineBuffer buffer;
    for (const std::string& line : lines) buffer.WriteTextLine(line);
    return buffer.Text();
}

std::string ReadSourceFile(const fs::path& file)
{
    std::string bytes;
    if (!ReadBytes(file, bytes)) throw EDemoSource(file.string() + ": the file cannot be read");
    return bytes;
}
