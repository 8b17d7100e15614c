// Shader source files from any bytes: the input's files are, in order, the vertex, fragment and geometry program
// of a GLSL shader (a program the input does not reach is not loaded). Each program loaded holds the file's lines
// and is enabled; its lines saved as a file load back to the same lines.
#include "GLCustomShader.h"
#include "GLSLShader.h"
#include "StringLists.h"

#include "GameFuzzFiles.h"

#include <array>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string_view> parts = FuzzParts(data, size);
    const std::filesystem::path folder = FuzzFolder();
    std::array<std::string, 3> names;
    for (size_t k = 0; k < names.size() && k < parts.size(); ++k) {
        names[k] = (folder / ("program" + std::to_string(k) + ".glsl")).string();
        WriteFuzzFile(names[k], parts[k]);
    }

    TGLSLShader shader(nullptr);
    shader.LoadShaderPrograms(names[0], names[1], names[2]);
    const std::array<TGLShaderProgram*, 3> programs = {shader.VertexProgram(), shader.FragmentProgram(),
                                                       shader.GeometryProgram()};
    for (size_t k = 0; k < programs.size(); ++k) {
        TGLShaderProgram& program = *programs[k];
        Check(program.Enabled() == !names[k].empty());
        if (names[k].empty()) continue;
        const std::string copy = (folder / "copy.glsl").string();
        program.Code()->SaveToFile(copy);
        TStringList again;
        again.LoadFromFile(copy);
        Check(again.Text() == program.Code()->Text());
    }
    return 0;
}
