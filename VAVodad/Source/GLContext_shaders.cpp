// GLSL handles: shader objects and programs with their locations and uniforms.
#include "GLContext.h"

#include "GLState.h"

#include <algorithm>
#include <cctype>

// ---------------------------------------------------------------------------------------------------------
// TGLSLHandle and shaders

bool TGLSLHandle::IsSupported()
{
    return GL().ARB_shader_objects;
}

void TGLSLHandle::DeleteGLSLObject(uint32_t AHandle, PFNGLDELETESHADERPROC ADelete)
{
    if (vContextActivationFailed) return;
    TGLExtensionsAndEntryPoints& gl = GL();
    gl.ClearError();
    if (gl.VERSION_2_0)
        ADelete(AHandle);
    else
        gl.DeleteObject(AHandle);
    gl.CheckError();
}

std::string TGLSLHandle::InfoLog()
{
    TGLExtensionsAndEntryPoints& gl = GL();
    GLint length = 0;
    gl.GetObjectParameteriv(Handle(), GL_INFO_LOG_LENGTH, &length);
    if (length <= 0) return {};
    std::string log(static_cast<size_t>(length), '\0');
    GLsizei written = 0;
    gl.GetInfoLog(Handle(), length, &written, log.data());
    log.resize(static_cast<size_t>(std::clamp<GLsizei>(written, 0, length)));
    return log;
}

uint32_t TGLShaderHandle::DoAllocateHandle()
{
    return GL().CreateShader(ShaderType());
}

void TGLShaderHandle::DoDestroyHandle(uint32_t& AHandle)
{
    DeleteGLSLObject(AHandle, GL().DeleteShader);
}

bool TGLShaderHandle::IsValid(uint32_t ID)
{
    return GL().IsShader(ID);
}

void TGLShaderHandle::ShaderSource(const std::string& source)
{
    const GLchar* const text = source.c_str();
    GL().ShaderSource(Handle(), 1, &text, nullptr);
}

bool TGLShaderHandle::CompileShader()
{
    TGLExtensionsAndEntryPoints& gl = GL();
    gl.CompileShader(Handle());
    GLint compiled = 0;
    gl.GetShaderiv(Handle(), GL_COMPILE_STATUS, &compiled);
    return compiled != 0;
}

bool TGLVertexShaderHandle::IsSupported() { return GL().ARB_vertex_shader; }
bool TGLGeometryShaderHandle::IsSupported() { return GL().EXT_geometry_shader4; }
bool TGLFragmentShaderHandle::IsSupported() { return GL().ARB_fragment_shader; }

// ---------------------------------------------------------------------------------------------------------
// TGLProgramHandle

uint32_t TGLProgramHandle::DoAllocateHandle()
{
    return GL().CreateProgram();
}

void TGLProgramHandle::DoDestroyHandle(uint32_t& AHandle)
{
    DeleteGLSLObject(AHandle, GL().DeleteProgram);
}

bool TGLProgramHandle::IsValid(uint32_t ID)
{
    return GL().IsProgram(ID);
}

void TGLProgramHandle::AddShader(TGLShaderHandleClass shaderType, const std::string& shaderSource,
                                 bool treatWarningsAsErrors)
{
    TGLShaderHandle* const shader = shaderType();
    // The program keeps the attached object; the handle goes in every case.
    struct TFreeShader {
        TGLShaderHandle* Shader;
        ~TFreeShader() { Free(Shader); }
    } freeShader{shader};
    shader->AllocateHandle();
    if (!shader->Handle()) throw EGLShader("Couldn't allocate " + shader->ClassName());
    shader->ShaderSource(shaderSource);
    if (shader->CompileShader()) {
        std::string log = shader->InfoLog();
        std::transform(log.begin(), log.end(), log.begin(), [](unsigned char c) { return std::tolower(c); });
        if (!treatWarningsAsErrors || log.find("warning") == std::string::npos) {
            AttachObject(shader);
            GL().CheckError();
            return;
        }
    }
    throw EGLShader(Name + " (" + shader->ClassName() + "): \r\n" + shader->InfoLog());
}

void TGLProgramHandle::AttachObject(TGLShaderHandle* shader)
{
    GL().AttachShader(Handle(), shader->Handle());
}

void TGLProgramHandle::DetachAllObject()
{
    const GLuint program = Handle();
    if (!program) return;
    GLuint shaders[256];
    GLsizei count = 0;
    TGLExtensionsAndEntryPoints& gl = GL();
    gl.GetAttachedShaders(program, 256, &count, shaders);
    for (GLsizei i = 0; i < std::clamp<GLsizei>(count, 0, 256); ++i) gl.DetachShader(program, shaders[i]);
    NotifyChangesOfData();
}

void TGLProgramHandle::BindAttribLocation(int32_t index, const std::string& aName)
{
    GL().BindAttribLocation(Handle(), index, aName.c_str());
}

void TGLProgramHandle::BindFragDataLocation(int32_t index, const std::string& aName)
{
    GL().BindFragDataLocation(Handle(), index, aName.c_str());
}

bool TGLProgramHandle::LinkProgram()
{
    TGLExtensionsAndEntryPoints& gl = GL();
    gl.LinkProgram(Handle());
    GLint linked = 0;
    gl.GetProgramiv(Handle(), GL_LINK_STATUS, &linked);
    return linked != 0;
}

bool TGLProgramHandle::ValidateProgram()
{
    TGLExtensionsAndEntryPoints& gl = GL();
    gl.ValidateProgram(Handle());
    GLint valid = 0;
    gl.GetProgramiv(Handle(), GL_VALIDATE_STATUS, &valid);
    return valid != 0;
}

int32_t TGLProgramHandle::CheckedLocation(int32_t ALocation, const char* AKind, const std::string& aName)
{
    if (ALocation < 0)
        Assert(false, Format("Unknown %s \"%s\" for \"%s\" or program not in use", {AKind, aName, Name}),
               cGLContextUnit);
    return ALocation;
}

int32_t TGLProgramHandle::GetAttribLocation(const std::string& aName)
{
    return CheckedLocation(GL().GetAttribLocation(Handle(), aName.c_str()), "attrib", aName);
}

int32_t TGLProgramHandle::GetUniformLocation(const std::string& aName)
{
    return CheckedLocation(GL().GetUniformLocation(Handle(), aName.c_str()), "uniform", aName);
}

int32_t TGLProgramHandle::GetVaryingLocation(const std::string& aName)
{
    return CheckedLocation(GL().GetVaryingLocation(Handle(), aName.c_str()), "varying", aName);
}

int32_t TGLProgramHandle::GetUniformBlockIndex(const std::string& aName)
{
    return CheckedLocation(static_cast<int32_t>(GL().GetUniformBlockIndex(Handle(), aName.c_str())),
                           "uniform block", aName);
}

void TGLProgramHandle::AddActiveVarying(const std::string& aName)
{
    GL().ActiveVarying(Handle(), aName.c_str());
}

int32_t TGLProgramHandle::GetUniformBufferSize(const std::string& aName)
{
    return GL().GetUniformBufferSize(Handle(), GetUniformLocation(aName));
}

intptr_t TGLProgramHandle::GetUniformOffset(const std::string& aName)
{
    return GL().GetUniformOffset(Handle(), GetUniformLocation(aName));
}

void TGLProgramHandle::UseProgramObject()
{
    Assert(vCurrentGLContext != nullptr, "", cGLContextUnit);
    vCurrentGLContext->GLStates()->SetCurrentProgram(Handle());
}

void TGLProgramHandle::EndUseProgramObject()
{
    Assert(vCurrentGLContext != nullptr, "", cGLContextUnit);
    vCurrentGLContext->GLStates()->SetCurrentProgram(0);
}

// ---- uniforms: reads ask this program, writes go to the program in use

template <class T> static T UniformValuesi(TGLProgramHandle& AProgram, int32_t ALocation)
{
    T value{};
    GetCurrentGL()->GetUniformiv(AProgram.Handle(), ALocation, reinterpret_cast<GLint*>(&value));
    return value;
}

template <class T> static T UniformValuesf(TGLProgramHandle& AProgram, int32_t ALocation)
{
    T value{};
    GetCurrentGL()->GetUniformfv(AProgram.Handle(), ALocation, reinterpret_cast<GLfloat*>(&value));
    return value;
}

int32_t TGLProgramHandle::Uniform1i(const std::string& index)
{
    return UniformValuesi<int32_t>(*this, GetUniformLocation(index));
}
TVector2i TGLProgramHandle::Uniform2i(const std::string& index)
{
    return UniformValuesi<TVector2i>(*this, GetUniformLocation(index));
}
TVector3i TGLProgramHandle::Uniform3i(const std::string& index)
{
    return UniformValuesi<TVector3i>(*this, GetUniformLocation(index));
}
TVector4i TGLProgramHandle::Uniform4i(const std::string& index)
{
    return UniformValuesi<TVector4i>(*this, GetUniformLocation(index));
}
float TGLProgramHandle::Uniform1f(const std::string& index)
{
    return UniformValuesf<float>(*this, GetUniformLocation(index));
}
TVector2f TGLProgramHandle::Uniform2f(const std::string& index)
{
    return UniformValuesf<TVector2f>(*this, GetUniformLocation(index));
}
TVector3f TGLProgramHandle::Uniform3f(const std::string& index)
{
    return UniformValuesf<TVector3f>(*this, GetUniformLocation(index));
}
TVector4f TGLProgramHandle::Uniform4f(const std::string& index)
{
    return UniformValuesf<TVector4f>(*this, GetUniformLocation(index));
}
TMatrix2f TGLProgramHandle::UniformMatrix2fv(const std::string& index)
{
    return UniformValuesf<TMatrix2f>(*this, GetUniformLocation(index));
}
TMatrix3f TGLProgramHandle::UniformMatrix3fv(const std::string& index)
{
    return UniformValuesf<TMatrix3f>(*this, GetUniformLocation(index));
}
TMatrix4f TGLProgramHandle::UniformMatrix4fv(const std::string& index)
{
    return UniformValuesf<TMatrix4f>(*this, GetUniformLocation(index));
}

void TGLProgramHandle::SetUniform1i(const std::string& index, int32_t Value)
{
    GL().Uniform1i(GetUniformLocation(index), Value);
}
void TGLProgramHandle::SetUniform2i(const std::string& index, const TVector2i& Value)
{
    GL().Uniform2i(GetUniformLocation(index), Value.X, Value.Y);
}
void TGLProgramHandle::SetUniform3i(const std::string& index, const TVector3i& Value)
{
    GL().Uniform3i(GetUniformLocation(index), Value.X, Value.Y, Value.Z);
}
void TGLProgramHandle::SetUniform4i(const std::string& index, const TVector4i& Value)
{
    GL().Uniform4i(GetUniformLocation(index), Value.X, Value.Y, Value.Z, Value.W);
}
void TGLProgramHandle::SetUniform1f(const std::string& index, float Value)
{
    GL().Uniform1f(GetUniformLocation(index), Value);
}
void TGLProgramHandle::SetUniform2f(const std::string& index, const TVector2f& Value)
{
    GL().Uniform2f(GetUniformLocation(index), Value.X, Value.Y);
}
void TGLProgramHandle::SetUniform3f(const std::string& index, const TVector3f& Value)
{
    GL().Uniform3f(GetUniformLocation(index), Value.X, Value.Y, Value.Z);
}
void TGLProgramHandle::SetUniform4f(const std::string& index, const TVector4f& Value)
{
    GL().Uniform4f(GetUniformLocation(index), Value.X, Value.Y, Value.Z, Value.W);
}
void TGLProgramHandle::SetUniformMatrix2fv(const std::string& index, const TMatrix2f& Value)
{
    GL().UniformMatrix2fv(GetUniformLocation(index), 1, GL_FALSE, Value.V[0].V);
}
void TGLProgramHandle::SetUniformMatrix3fv(const std::string& index, const TMatrix3f& Value)
{
    GL().UniformMatrix3fv(GetUniformLocation(index), 1, GL_FALSE, Value.V[0].V);
}
void TGLProgramHandle::SetUniformMatrix4fv(const std::string& index, const TMatrix4f& Value)
{
    GL().UniformMatrix4fv(GetUniformLocation(index), 1, GL_FALSE, Value.V[0].V);
}

uint32_t TGLProgramHandle::UniformTextureHandle(const std::string& index, int32_t, TGLTextureTarget)
{
    return static_cast<uint32_t>(Uniform1i(index));
}

void TGLProgramHandle::SetUniformTextureHandle(const std::string& index, int32_t TextureIndex,
                                               TGLTextureTarget TextureTarget, uint32_t Value)
{
    GetCurrentGLContextOrAbort()->GLStates()->SetTextureBinding(TextureIndex, TextureTarget, Value);
    SetUniform1i(index, TextureIndex);
}

void TGLProgramHandle::SetUniformBuffer(const std::string& index, TGLUniformBufferHandle* Value)
{
    GL().UniformBuffer(Handle(), GetUniformLocation(index), Value->Handle());
}
