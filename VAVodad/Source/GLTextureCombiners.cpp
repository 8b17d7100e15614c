#include "GLTextureCombiners.h"

#include "OpenGLAdapter.h"
#include "StringLists.h"

#include <string>
#include <string_view>

namespace {

void CombinerCheck(bool condition, const std::string& message)
{
    if (!condition) throw ETextureCombinerError(message);
}

std::string Quoted(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

// Only the blank character goes; tabs were trimmed from the ends already.
std::string RemoveSpaces(std::string_view text)
{
    std::string result;
    for (char c : text)
        if (c != ' ') result += c;
    return result;
}

// "tex" followed by a decimal number 0 or more: the number, else -1.
int32_t TextureUnitOf(std::string_view name)
{
    int32_t unit = -1;
    if (!name.starts_with("tex") || !TryStrToInt(name.substr(3), unit) || unit < 0) return -1;
    return unit;
}

// The text before and after the first occurrence of separator.
void SplitAtFirst(const std::string& s, char separator, std::string& before, std::string& after)
{
    const size_t p = s.find(separator);
    before = s.substr(0, p);
    after = s.substr(p + 1);
}

// Compiles one script for the current context. The units a destination may name are the fixed-function ones:
// a combine environment on a unit the context does not have is a GL error, and a unit beyond the state cache.
class TCombinerCompiler {
public:
    TCombinerCompiler()
        : FGL(*GetCurrentGL())
    {
        CombinerCheck(FGL.ARB_texture_env_combine, "Requires GL_ARB_texture_env_combine support");
        FGL.GetIntegerv(GL_MAX_TEXTURE_UNITS, &FUnits);
    }

    void ParseCombinerStatement(const std::string& line);
    TCombinerCache& Commands() { return FCommands; }

private:
    void ParseCombinerArgument(const std::string& argument, GLenum sourceParameter, GLenum operandParameter,
                               const std::string& destination);
    void Add(GLenum parameter, GLenum value)
    {
        FCommands.push_back({FUnit, static_cast<int32_t>(parameter), static_cast<int32_t>(value)});
    }

    TGLExtensionsAndEntryPoints& FGL;
    GLint FUnits = 0;
    int32_t FUnit = 0;
    TCombinerCache FCommands;
};

void TCombinerCompiler::ParseCombinerStatement(const std::string& line)
{
    std::string s = LowerCase(RemoveSpaces(Trim(line)));
    if (s.starts_with("//")) return;
    if (s.ends_with(';')) s = Trim(s.substr(0, s.size() - 1));
    if (s.empty()) return;

    // Without ":=" there is no destination at all.
    const size_t assign = s.find(":=");
    std::string destination = assign == std::string::npos ? std::string() : s.substr(0, assign);
    s = assign == std::string::npos ? std::string() : s.substr(assign + 2);

    GLenum combine = GL_COMBINE_RGB, source = GL_SOURCE0_RGB, operand = GL_OPERAND0_RGB;
    if (const size_t dot = destination.find('.'); dot != std::string::npos) {
        if (destination.compare(dot + 1, 1, "a") == 0) {
            combine = GL_COMBINE_ALPHA;
            source = GL_SOURCE0_ALPHA;
            operand = GL_OPERAND0_ALPHA;
        }
        destination.resize(dot);
    }
    CombinerCheck(destination.starts_with("tex"), "Invalid destination " + Quoted(destination));
    const int32_t unit = TextureUnitOf(destination);
    CombinerCheck(unit >= 0 && unit < FUnits, "Invalid destination texture unit " + Quoted(destination));
    FUnit = unit;

    // Tested in this order; a later match replaces what an earlier one found ("tex0+1-tex1" subtracts).
    GLenum function = 0;
    std::string arguments[3];
    if (s.find('+') != std::string::npos) {
        function = GL_ADD;
        if (s.ends_with("-0.5")) {
            function = GL_ADD_SIGNED;
            s.resize(s.size() - 4);
        }
        SplitAtFirst(s, '+', arguments[0], arguments[1]);
    }
    if (s.find('*') != std::string::npos) {
        function = GL_MODULATE;
        SplitAtFirst(s, '*', arguments[0], arguments[1]);
        s.clear();
    }
    if (const size_t open = s.find('('); open != std::string::npos) {
        const std::string name = s.substr(0, open);
        const size_t close = s.find(')');
        const std::string list = close == std::string::npos || close < open ? std::string()
                                                                             : s.substr(open + 1, close - open - 1);
        std::vector<std::string> parameters;
        for (size_t start = 0; !list.empty() && start <= list.size();) {
            const size_t comma = std::min(list.find(',', start), list.size());
            parameters.push_back(list.substr(start, comma - start));
            start = comma + 1;
        }
        if (name == "interpolate") {
            CombinerCheck(parameters.size() == 3, "Invalid parameter count");
            function = GL_INTERPOLATE;
        } else if (name == "dot3") {
            CombinerCheck(parameters.size() == 2, "Invalid parameter count");
            CombinerCheck(FGL.ARB_texture_env_dot3, "Requires GL_ARB_texture_env_dot3");
            function = GL_DOT3_RGB;
        } else {
            CombinerCheck(false, "Invalid function " + Quoted(name));
        }
        for (size_t i = 0; i < parameters.size(); ++i) arguments[i] = parameters[i];
        s.clear();
    }
    if (s.find('-') != std::string::npos) {
        function = GL_SUBTRACT;
        SplitAtFirst(s, '-', arguments[0], arguments[1]);
        s.clear();
    }
    if (function == 0) {
        function = GL_REPLACE;
        arguments[0] = s;
    }

    Add(combine, function);
    for (GLenum i = 0; i < 3; ++i)
        if (!arguments[i].empty()) ParseCombinerArgument(arguments[i], source + i, operand + i, destination);
}

void TCombinerCompiler::ParseCombinerArgument(const std::string& argument, GLenum sourceParameter,
                                              GLenum operandParameter, const std::string& destination)
{
    std::string name = argument;
    std::string mask = "rgb";
    if (const size_t dot = name.find('.'); dot != std::string::npos) {
        mask = name.substr(dot + 1);
        name.resize(dot);
    }
    const bool inverted = name.starts_with('~') || name.starts_with("1-");
    if (inverted) name.erase(0, name.starts_with('~') ? 1 : 2);
    GLenum operandValue = 0;
    if (mask == "rgb")
        operandValue = inverted ? GL_ONE_MINUS_SRC_COLOR : GL_SRC_COLOR;
    else if (mask.starts_with('a'))
        operandValue = inverted ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;

    GLenum sourceValue = 0;
    const int32_t ownUnit = TextureUnitOf(destination);
    const int32_t unit = TextureUnitOf(name);
    if (name == "tex" || name == destination)
        sourceValue = GL_TEXTURE;
    else if (unit >= 0 && unit + 1 == ownUnit && ownUnit <= 3)
        sourceValue = GL_PREVIOUS;
    else if (name == "col" || name == "col0" || name == "primarycolor")
        sourceValue = GL_PRIMARY_COLOR;
    else if (name == "envcol" || name == "constcol" || name == "constantcolor")
        sourceValue = GL_CONSTANT;
    else if (unit >= 0 && unit <= 7) {
        CombinerCheck(FGL.ARB_texture_env_crossbar || FGL.NV_texture_env_combine4,
                      "Requires GL_ARB_texture_env_crossbar or NV_texture_env_combine4");
        sourceValue = GL_TEXTURE0 + unit;
    }

    CombinerCheck(operandValue != 0 && sourceValue != 0, "invalid argument : " + Quoted(argument));
    Add(sourceParameter, sourceValue);
    Add(operandParameter, operandValue);
}

} // namespace

void CompileCombiners(const TStrings& lines, TCombinerCache& commands)
{
    TCombinerCompiler compiler;
    for (int i = 0; i < lines.Count(); ++i) compiler.ParseCombinerStatement(lines.Strings(i));
    commands = std::move(compiler.Commands());
}
