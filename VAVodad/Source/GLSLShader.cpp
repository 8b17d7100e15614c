#include "GLSLShader.h"

#include "GLContext.h"
#include "GLState.h"
#include "StringLists.h"
#include "VAVodad_streaming.h"

namespace {

constexpr TEnumNames<3> cShaderStyleNames{"ssHighLevel", "ssLowLevel", "ssReplace"};
constexpr TEnumNames<4> cFailedInitActionNames{"fiaSilentDisable", "fiaRaiseStandardException",
                                               "fiaRaiseHandledException", "fiaReRaiseException"};
constexpr TEnumNames<2> cTransformFeedBackModeNames{"tfbmInterleaved", "tfbmSeparate"};

constexpr GLenum cGsInTypeToGL[] = {GL_POINTS, GL_LINES, GL_LINES_ADJACENCY, GL_TRIANGLES, GL_TRIANGLES_ADJACENCY};
constexpr GLenum cGsOutTypeToGL[] = {GL_POINTS, GL_LINE_STRIP, GL_TRIANGLE_STRIP};
constexpr GLenum cTransformFeedBackModeToGL[] = {GL_INTERLEAVED_ATTRIBS, GL_SEPARATE_ATTRIBS};

constexpr int32_t cMaxActiveAttribs = 16;

TGLSLDataType AttribTypeOf(GLenum type)
{
    switch (type) {
    case GL_FLOAT: return GLSLType1F;
    case GL_FLOAT_VEC2: return GLSLType2F;
    case GL_FLOAT_VEC3: return GLSLType3F;
    case GL_FLOAT_VEC4: return GLSLType4F;
    case GL_INT:
    case GL_BOOL: return GLSLType1I;
    case GL_INT_VEC2:
    case GL_BOOL_VEC2: return GLSLType2I;
    case GL_INT_VEC3:
    case GL_BOOL_VEC3: return GLSLType3I;
    case GL_INT_VEC4:
    case GL_BOOL_VEC4: return GLSLType4I;
    case GL_UNSIGNED_INT: return GLSLType1UI;
    case GL_UNSIGNED_INT_VEC2: return GLSLType2UI;
    case GL_UNSIGNED_INT_VEC3: return GLSLType3UI;
    case GL_UNSIGNED_INT_VEC4: return GLSLType4UI;
    case GL_FLOAT_MAT2: return GLSLTypeMat2F;
    case GL_FLOAT_MAT3: return GLSLTypeMat3F;
    case GL_FLOAT_MAT4: return GLSLTypeMat4F;
    default: return GLSLTypeUndefined;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TGLCustomGLSLShader

TGLCustomGLSLShader::TGLCustomGLSLShader(TComponent* AOwner)
    : TGLCustomShader(AOwner),
      FGLSLProg(new TGLProgramHandle),
      FParam(std::make_unique<TGLSLShaderParameter>()),
      FActiveVarying(std::make_unique<TStringList>())
{
    FParam->FGLSLProg = FGLSLProg.get();
    FActiveVarying->OnChange = [this](TObject*) { NotifyChange(this); };
}

TGLCustomGLSLShader::~TGLCustomGLSLShader() = default;

void TGLCustomGLSLShader::Assign(TPersistent* Source)
{
    TGLCustomShader::Assign(Source);
    if (dynamic_cast<TGLCustomGLSLShader*>(Source)) {
        FGLSLProg.reset(new TGLProgramHandle);
        FParam->FGLSLProg = FGLSLProg.get();
    }
}

bool TGLCustomGLSLShader::ShaderSupported() const
{
    const TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    return gl.ARB_shader_objects && gl.ARB_vertex_program && gl.ARB_vertex_shader && gl.ARB_fragment_shader;
}

void TGLCustomGLSLShader::LinkSources()
{
    TGLProgramHandle& program = *FGLSLProg;
    program.Name = Name().empty() ? ClassName() : Name();
    program.DetachAllObject();
    TGLVertexProgram& vertex = *VertexProgram();
    TGLFragmentProgram& fragment = *FragmentProgram();
    TGLGeometryProgram& geometry = *GeometryProgram();
    if (vertex.Enabled())
        program.AddShader(CreateGLShaderHandleOf<TGLVertexShaderHandle>, vertex.Code()->Text(), DebugMode());
    if (fragment.Enabled())
        program.AddShader(CreateGLShaderHandleOf<TGLFragmentShaderHandle>, fragment.Code()->Text(), DebugMode());
    if (geometry.Enabled())
        program.AddShader(CreateGLShaderHandleOf<TGLGeometryShaderHandle>, geometry.Code()->Text(), DebugMode());
    if (vertex.Enabled() || fragment.Enabled() || geometry.Enabled()) {
        TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
        if (geometry.Enabled()) {
            gl.ProgramParameteri(program.Handle(), GL_GEOMETRY_INPUT_TYPE_EXT,
                                 cGsInTypeToGL[geometry.InputPrimitiveType()]);
            gl.ProgramParameteri(program.Handle(), GL_GEOMETRY_OUTPUT_TYPE_EXT,
                                 cGsOutTypeToGL[geometry.OutputPrimitiveType()]);
            gl.ProgramParameteri(program.Handle(), GL_GEOMETRY_VERTICES_OUT_EXT, geometry.VerticesOut());
        }
        if (const int count = FActiveVarying->Count(); count > 0) {
            std::vector<std::string> names(static_cast<size_t>(count));
            std::vector<const GLchar*> pointers(static_cast<size_t>(count));
            for (int i = 0; i < count; ++i) {
                names[static_cast<size_t>(i)] = FActiveVarying->Get(i);
                pointers[static_cast<size_t>(i)] = names[static_cast<size_t>(i)].c_str();
            }
            gl.TransformFeedbackVaryings(program.Handle(), count, pointers.data(),
                                         cTransformFeedBackModeToGL[FTransformFeedBackMode]);
        }
        if (!program.LinkProgram()) throw EGLSLShaderException(program.InfoLog());
    }
    program.NotifyDataUpdated();
}

void TGLCustomGLSLShader::DoInitialize(TGLRenderContextInfo& /*rci*/, TObject* Sender)
{
    // Either step that fails switches the shader off and reports; what the report raises leaves here.
    const auto guarded = [this](auto&& step) {
        std::string message;
        try {
            step();
            return;
        } catch (const std::exception& e) {
            message = e.what();
        }
        SetEnabled(false);
        ReportFailedInit(message);
    };
    if (!ShaderSupported())
        ReportFailedInit();
    else
        guarded([this] {
            FGLSLProg->AllocateHandle();
            if (FGLSLProg->IsDataNeedUpdate()) LinkSources();
        });
    if (!Enabled()) return;
    guarded([this, Sender] {
        if (OnInitialize) {
            FGLSLProg->UseProgramObject();
            OnInitialize(this);
            FGLSLProg->EndUseProgramObject();
        }
        if (OnInitializeEx) {
            FGLSLProg->UseProgramObject();
            OnInitializeEx(this, Sender);
            FGLSLProg->EndUseProgramObject();
        }
        if (!FGLSLProg->ValidateProgram()) throw EGLSLShaderException(FGLSLProg->InfoLog());
    });
}

void TGLCustomGLSLShader::DoFinalize()
{
    TGLCustomShader::DoFinalize();
    if (FGLSLProg) FGLSLProg->NotifyChangesOfData();
}

void TGLCustomGLSLShader::DoApply(TGLRenderContextInfo& /*rci*/, TObject* Sender)
{
    FGLSLProg->UseProgramObject();
    FNextTexIndex = 0;
    if (OnApply) OnApply(this);
    if (OnApplyEx) OnApplyEx(this, Sender);
}

bool TGLCustomGLSLShader::DoUnApply(TGLRenderContextInfo& /*rci*/)
{
    bool morePasses = false;
    if (OnUnApply) OnUnApply(this, morePasses);
    if (!morePasses) FGLSLProg->EndUseProgramObject();
    return morePasses;
}

TGLSLShaderParameter* TGLCustomGLSLShader::Param(const std::string& name)
{
    FParam->FParameterID = FGLSLProg->GetUniformLocation(name);
    return FParam.get();
}

TGLSLShaderParameter* TGLCustomGLSLShader::DirectParam(uint32_t index)
{
    FParam->FParameterID = static_cast<int32_t>(index);
    return FParam.get();
}

void TGLCustomGLSLShader::SetTex(TGLSLShaderParameter* TexParam, TGLTexture* Tex)
{
    TexParam->SetAsTexture(FNextTexIndex, Tex);
    ++FNextTexIndex;
}

void TGLCustomGLSLShader::SetTex(TGLSLShaderParameter* TexParam, TGLLibMaterial* Mat)
{
    SetTex(TexParam, Mat->Material()->Texture());
}

void TGLCustomGLSLShader::SetTex(const std::string& TexParamName, TGLTexture* Tex)
{
    SetTex(Param(TexParamName), Tex);
}

void TGLCustomGLSLShader::SetTex(const std::string& TexParamName, TGLLibMaterial* Mat)
{
    SetTex(Param(TexParamName), Mat);
}

TStrings* TGLCustomGLSLShader::ActiveVarying() const
{
    return FActiveVarying.get();
}

void TGLCustomGLSLShader::SetActiveVarying(TStrings* Value)
{
    FActiveVarying->Assign(Value);
    NotifyChange(this);
}

void TGLCustomGLSLShader::SetTransformFeedBackMode(TGLTransformFeedBackMode Value)
{
    if (Value == FTransformFeedBackMode) return;
    FTransformFeedBackMode = Value;
    NotifyChange(this);
}

TGLActiveAttribArray TGLCustomGLSLShader::GetActiveAttribs()
{
    TGLRenderContextInfo rci{};
    DoInitialize(rci, this);
    TGLActiveAttribArray result;
    const GLuint program = FGLSLProg->Handle();
    if (!program) return result;
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    GLint count = 0;
    gl.GetProgramiv(program, GL_ACTIVE_ATTRIBUTES, &count);
    for (GLint i = 0; i < std::min(count, cMaxActiveAttribs); ++i) {
        GLchar name[128];
        GLsizei length = 0;
        GLint size = 0;
        GLenum type = 0;
        gl.GetActiveAttrib(program, static_cast<GLuint>(i), sizeof(name), &length, &size, &type, name);
        if (type == 0) continue;
        TGLActiveAttrib& attrib = result.emplace_back();
        attrib.Name.assign(name, static_cast<size_t>(std::clamp<GLsizei>(length, 0, sizeof(name) - 1)));
        attrib.Size = size;
        attrib.AType = AttribTypeOf(type);
        // The location the attribute is bound to, which need not be its index.
        attrib.Location = gl.GetAttribLocation(program, attrib.Name.c_str());
    }
    return result;
}

// ---------------------------------------------------------------------------------------------------------
// TGLSLShader

void TGLSLShader::DefineProperties(TFiler& Filer)
{
    TGLCustomGLSLShader::DefineProperties(Filer);
    DefineNestedProperties(Filer, "FragmentProgram", *FragmentProgram());
    DefineNestedProperties(Filer, "VertexProgram", *VertexProgram());
    DefineNestedProperties(Filer, "GeometryProgram", *GeometryProgram());
    DefineEnumProperty<TGLShaderStyle>(Filer, "ShaderStyle", cShaderStyleNames, ShaderStyle(), ssLowLevel,
                                       [this](TGLShaderStyle v) { SetShaderStyle(v); });
    DefineEnumProperty<TGLShaderFailedInitAction>(
        Filer, "FailedInitAction", cFailedInitActionNames, FailedInitAction(), fiaRaiseStandardException,
        [this](TGLShaderFailedInitAction v) { SetFailedInitAction(v); });
    DefineStringsProperty(Filer, "ActiveVarying", *ActiveVarying());
    DefineEnumProperty<TGLTransformFeedBackMode>(Filer, "TransformFeedBackMode", cTransformFeedBackModeNames,
                                                 TransformFeedBackMode(), tfbmInterleaved,
                                                 [this](TGLTransformFeedBackMode v) { SetTransformFeedBackMode(v); });
}

// ---------------------------------------------------------------------------------------------------------
// TGLSLShaderParameter

template <class T> T TGLSLShaderParameter::ReadFloats()
{
    T value{};
    GetCurrentGL()->GetUniformfv(FGLSLProg->Handle(), FParameterID, reinterpret_cast<GLfloat*>(&value));
    return value;
}

template <class T> T TGLSLShaderParameter::ReadInts()
{
    T value{};
    GetCurrentGL()->GetUniformiv(FGLSLProg->Handle(), FParameterID, reinterpret_cast<GLint*>(&value));
    return value;
}

// Through the unsigned query, so that values from 2^31 read back right.
template <class T> T TGLSLShaderParameter::ReadUInts()
{
    T value{};
    GetCurrentGL()->GetUniformuiv(FGLSLProg->Handle(), FParameterID, reinterpret_cast<GLuint*>(&value));
    return value;
}

float TGLSLShaderParameter::GetAsVector1f() { return ReadFloats<float>(); }
TVector2f TGLSLShaderParameter::GetAsVector2f() { return ReadFloats<TVector2f>(); }
TVector3f TGLSLShaderParameter::GetAsVector3f() { return ReadFloats<TVector3f>(); }
TVector4f TGLSLShaderParameter::GetAsVector4f() { return ReadFloats<TVector4f>(); }
int32_t TGLSLShaderParameter::GetAsVector1i() { return ReadInts<int32_t>(); }
TVector2i TGLSLShaderParameter::GetAsVector2i() { return ReadInts<TVector2i>(); }
TVector3i TGLSLShaderParameter::GetAsVector3i() { return ReadInts<TVector3i>(); }
TVector4i TGLSLShaderParameter::GetAsVector4i() { return ReadInts<TVector4i>(); }
uint32_t TGLSLShaderParameter::GetAsVector1ui() { return ReadUInts<uint32_t>(); }
TVector2ui TGLSLShaderParameter::GetAsVector2ui() { return ReadUInts<TVector2ui>(); }
TVector3ui TGLSLShaderParameter::GetAsVector3ui() { return ReadUInts<TVector3ui>(); }
TVector4ui TGLSLShaderParameter::GetAsVector4ui() { return ReadUInts<TVector4ui>(); }
TMatrix2f TGLSLShaderParameter::GetAsMatrix2f() { return ReadFloats<TMatrix2f>(); }
TMatrix3f TGLSLShaderParameter::GetAsMatrix3f() { return ReadFloats<TMatrix3f>(); }
TMatrix4f TGLSLShaderParameter::GetAsMatrix4f() { return ReadFloats<TMatrix4f>(); }
uint32_t TGLSLShaderParameter::GetAsCustomTexture(int32_t, TGLTextureTarget) { return ReadInts<uint32_t>(); }
uint32_t TGLSLShaderParameter::GetAsUniformBuffer() { return ReadInts<uint32_t>(); }

void TGLSLShaderParameter::SetAsVector1f(float Value)
{
    GetCurrentGL()->Uniform1f(FParameterID, Value);
}
void TGLSLShaderParameter::SetAsVector2f(const TVector2f& Value)
{
    GetCurrentGL()->Uniform2f(FParameterID, Value.X, Value.Y);
}
void TGLSLShaderParameter::SetAsVector3f(const TVector3f& Value)
{
    GetCurrentGL()->Uniform3f(FParameterID, Value.X, Value.Y, Value.Z);
}
void TGLSLShaderParameter::SetAsVector4f(const TVector4f& Value)
{
    GetCurrentGL()->Uniform4f(FParameterID, Value.X, Value.Y, Value.Z, Value.W);
}
void TGLSLShaderParameter::SetAsVector1i(int32_t Value)
{
    GetCurrentGL()->Uniform1i(FParameterID, Value);
}
void TGLSLShaderParameter::SetAsVector2i(const TVector2i& Value)
{
    GetCurrentGL()->Uniform2i(FParameterID, Value.X, Value.Y);
}
void TGLSLShaderParameter::SetAsVector3i(const TVector3i& Value)
{
    GetCurrentGL()->Uniform3i(FParameterID, Value.X, Value.Y, Value.Z);
}
void TGLSLShaderParameter::SetAsVector4i(const TVector4i& Value)
{
    GetCurrentGL()->Uniform4i(FParameterID, Value.X, Value.Y, Value.Z, Value.W);
}
void TGLSLShaderParameter::SetAsVector1ui(uint32_t Value)
{
    GetCurrentGL()->Uniform1ui(FParameterID, Value);
}
void TGLSLShaderParameter::SetAsVector2ui(const TVector2ui& Value)
{
    GetCurrentGL()->Uniform2ui(FParameterID, Value.X, Value.Y);
}
void TGLSLShaderParameter::SetAsVector3ui(const TVector3ui& Value)
{
    GetCurrentGL()->Uniform3ui(FParameterID, Value.X, Value.Y, Value.Z);
}
void TGLSLShaderParameter::SetAsVector4ui(const TVector4ui& Value)
{
    GetCurrentGL()->Uniform4ui(FParameterID, Value.X, Value.Y, Value.Z, Value.W);
}
void TGLSLShaderParameter::SetAsMatrix2f(const TMatrix2f& Value)
{
    GetCurrentGL()->UniformMatrix2fv(FParameterID, 1, GL_FALSE, Value.V[0].V);
}
void TGLSLShaderParameter::SetAsMatrix3f(const TMatrix3f& Value)
{
    GetCurrentGL()->UniformMatrix3fv(FParameterID, 1, GL_FALSE, Value.V[0].V);
}
void TGLSLShaderParameter::SetAsMatrix4f(const TMatrix4f& Value)
{
    GetCurrentGL()->UniformMatrix4fv(FParameterID, 1, GL_FALSE, Value.V[0].V);
}

void TGLSLShaderParameter::SetAsCustomTexture(int32_t TextureIndex, TGLTextureTarget TextureTarget, uint32_t Value)
{
    GetCurrentGLContextOrAbort()->GLStates()->SetTextureBinding(TextureIndex, TextureTarget, Value);
    GetCurrentGL()->Uniform1i(FParameterID, TextureIndex);
}

void TGLSLShaderParameter::SetAsUniformBuffer(uint32_t Value)
{
    GetCurrentGLContextOrAbort()->GLStates()->SetUniformBufferBinding(Value);
    GetCurrentGL()->UniformBuffer(FGLSLProg->Handle(), FParameterID, Value);
}

void RegisterGLSLShaderClasses()
{
    RegisterClasses<TGLCustomGLSLShader, TGLSLShader>();
}
