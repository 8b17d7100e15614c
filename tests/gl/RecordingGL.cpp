#include "RecordingGL.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <type_traits>

namespace {

TRecordingGL* vRecording = nullptr;

// An entry-point name as a template argument, so that each entry point gets a recorder of its own.
template <size_t N> struct TEntryName {
    char Text[N];
    constexpr TEntryName(const char (&AText)[N]) { std::copy_n(AText, N, Text); }
};

template <typename T> double ArgValue(T AValue)
{
    if constexpr (std::is_arithmetic_v<T> || std::is_enum_v<T>)
        return static_cast<double>(AValue);
    else
        return 0; // pointers, handles, callbacks
}

template <TEntryName Name, typename F> struct TRecorder;
template <TEntryName Name, typename R, typename... A> struct TRecorder<Name, R (*)(A...)> {
    static R Call(A... AArgs)
    {
        vRecording->Calls.push_back({Name.Text, {ArgValue(AArgs)...}});
        if constexpr (!std::is_void_v<R>) return R{};
    }
};

void Record(const char* AName, std::initializer_list<double> AArgs, const GLfloat* AValues, int ACount)
{
    TGLCall call{AName, AArgs};
    call.Args.insert(call.Args.end(), AValues, AValues + ACount);
    vRecording->Calls.push_back(std::move(call));
}

// The vector calls whose values matter to tests.
void FakeMaterialfv(GLenum AFace, GLenum AName, const GLfloat* AValues)
{
    Record("Materialfv", {double(AFace), double(AName)}, AValues, AName == GL_SHININESS ? 1 : 4);
}

void FakeLightfv(GLenum ALight, GLenum AName, const GLfloat* AValues)
{
    const bool vector = AName == GL_AMBIENT || AName == GL_DIFFUSE || AName == GL_SPECULAR || AName == GL_POSITION;
    Record("Lightfv", {double(ALight), double(AName)}, AValues, vector ? 4 : AName == GL_SPOT_DIRECTION ? 3 : 1);
}

void FakeColor4fv(const GLfloat* AValues)
{
    Record("Color4fv", {}, AValues, 4);
}

void FakeLoadMatrixf(const GLfloat* AValues)
{
    Record("LoadMatrixf", {}, AValues, 16);
}

void FakeVertexAttrib4fv(GLuint AIndex, const GLfloat* AValues)
{
    Record("VertexAttrib4fv", {double(AIndex)}, AValues, 4);
}

void FakeGetIntegerv(GLenum AName, GLint* AValue)
{
    vRecording->Calls.push_back({"GetIntegerv", {double(AName)}});
    const auto found = vRecording->Integers.find(AName);
    *AValue = found == vRecording->Integers.end() ? 0 : found->second;
}

void FakeGetFloatv(GLenum AName, GLfloat* AValue)
{
    vRecording->Calls.push_back({"GetFloatv", {double(AName)}});
    const auto found = vRecording->Floats.find(AName);
    if (found != vRecording->Floats.end()) std::copy(found->second.begin(), found->second.end(), AValue);
}

} // namespace

void PrintTo(const TGLCall& ACall, std::ostream* AOut)
{
    *AOut << ACall.Name << '(';
    for (size_t i = 0; i < ACall.Args.size(); ++i) {
        const double arg = ACall.Args[i];
        char text[32];
        // Enums read best in hex.
        if (arg == static_cast<double>(static_cast<int64_t>(arg)) && arg >= 0x100)
            std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(arg));
        else
            std::snprintf(text, sizeof text, "%g", arg);
        *AOut << (i ? ", " : "") << text;
    }
    *AOut << ')';
}

TRecordingGL::TRecordingGL()
{
    if (vRecording) throw std::logic_error("one recording fake OpenGL at a time");
    vRecording = this;
#define GL_ENTRY(Field, Name, Lookup, Alternate, Type) Table.Field = &TRecorder<Name, Type>::Call;
#include "OpenGLAdapterEntryPoints.def"
#undef GL_ENTRY
    Table.Materialfv = &FakeMaterialfv;
    Table.Lightfv = &FakeLightfv;
    Table.Color4fv = &FakeColor4fv;
    Table.LoadMatrixf = &FakeLoadMatrixf;
    Table.VertexAttrib4fv = &FakeVertexAttrib4fv;
    Table.GetIntegerv = &FakeGetIntegerv;
    Table.GetFloatv = &FakeGetFloatv;
    SetVersion(4, 2);
    Table.ARB_multitexture = true;
    SetCurrentGL(&Table);
}

TRecordingGL::~TRecordingGL()
{
    SetCurrentGL(nullptr);
    vRecording = nullptr;
}

void TRecordingGL::SetVersion(int32_t AMajor, int32_t AMinor)
{
    struct TFlag {
        int32_t Major, Minor;
        bool TGLExtensionsAndEntryPoints::*Flag;
    };
    using T = TGLExtensionsAndEntryPoints;
    static constexpr TFlag cFlags[] = {
        {1, 0, &T::VERSION_1_0}, {1, 1, &T::VERSION_1_1}, {1, 2, &T::VERSION_1_2}, {1, 3, &T::VERSION_1_3},
        {1, 4, &T::VERSION_1_4}, {1, 5, &T::VERSION_1_5}, {2, 0, &T::VERSION_2_0}, {2, 1, &T::VERSION_2_1},
        {3, 0, &T::VERSION_3_0}, {3, 1, &T::VERSION_3_1}, {3, 2, &T::VERSION_3_2}, {3, 3, &T::VERSION_3_3},
        {4, 0, &T::VERSION_4_0}, {4, 1, &T::VERSION_4_1}, {4, 2, &T::VERSION_4_2}};
    for (const TFlag& flag : cFlags) Table.*flag.Flag = VersionAtLeast(flag.Major, flag.Minor, AMajor, AMinor);
}

size_t TRecordingGL::Count(std::string_view AName) const
{
    return std::count_if(Calls.begin(), Calls.end(), [&](const TGLCall& c) { return c.Name == AName; });
}

std::vector<TGLCall> TRecordingGL::Only(std::initializer_list<std::string_view> ANames) const
{
    std::vector<TGLCall> result;
    for (const TGLCall& call : Calls)
        if (std::find(ANames.begin(), ANames.end(), call.Name) != ANames.end()) result.push_back(call);
    return result;
}
