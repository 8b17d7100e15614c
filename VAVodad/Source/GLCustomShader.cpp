#include "GLCustomShader.h"

#include "GLApplicationFileIO.h"
#include "GLContext.h"
#include "GLState.h"
#include "GLTexture.h"
#include "StringLists.h"
#include "Streams.h"
#include "VAVodad_streaming.h"

namespace {

constexpr TEnumNames<5> cGsInTypeNames{"gsInPoints", "gsInLines", "gsInAdjLines", "gsInTriangles",
                                       "gsInAdjTriangles"};
constexpr TEnumNames<3> cGsOutTypeNames{"gsOutPoints", "gsOutLineStrip", "sOutTriangleStrip"};

} // namespace

void DefineStringsProperty(TFiler& Filer, const char* Name, TStrings& Strings)
{
    Filer.DefineProperty(
        Name,
        [&Strings](TReader& reader) {
            // One change for the whole list, once it is complete.
            TStringList lines;
            reader.ReadListBegin();
            while (!reader.EndOfList()) lines.Add(reader.ReadString());
            reader.ReadListEnd();
            Strings.Assign(&lines);
        },
        [&Strings](TWriter& writer) {
            writer.WriteListBegin();
            for (int i = 0; i < Strings.Count(); ++i) writer.WriteString(Strings.Get(i));
            writer.WriteListEnd();
        },
        Strings.Count() > 0);
}

// ---------------------------------------------------------------------------------------------------------
// TGLShaderProgram

TGLShaderProgram::TGLShaderProgram(TGLCustomShader* AParent) : FParent(AParent), FCode(std::make_unique<TStringList>())
{
    FCode->OnChange = [this](TObject*) {
        FEnabled = true;
        if (FParent) FParent->NotifyChange(this);
    };
}

TGLShaderProgram::~TGLShaderProgram() = default;

void TGLShaderProgram::Assign(TPersistent* Source)
{
    if (!Source) return;
    if (auto* source = dynamic_cast<TGLShaderProgram*>(Source)) {
        // The copied code would enable the program, an empty one too, which then fails to compile: the
        // source's Enabled holds.
        FCode->Assign(source->FCode.get());
        FEnabled = source->FEnabled;
    } else {
        TPersistent::Assign(Source);
    }
}

TPersistent* TGLShaderProgram::GetOwner() const
{
    return FParent;
}

void TGLShaderProgram::DefineProperties(TFiler& Filer)
{
    DefineStringsProperty(Filer, "Code", *FCode);
    DefineBooleanProperty(Filer, "Enabled", FEnabled, false, [this](bool v) { SetEnabled(v); });
}

void TGLShaderProgram::LoadFromFile(const std::string& AFileName)
{
    const std::unique_ptr<TStream> stream = CreateHookedFileStream(AFileName, fmOpenRead | fmShareDenyNone);
    FCode->LoadFromStream(*stream);
    FEnabled = true;
}

void TGLShaderProgram::Apply()
{
    if (FParent) FParent->FinalizeShader();
}

TStrings* TGLShaderProgram::Code() const
{
    return FCode.get();
}

void TGLShaderProgram::SetCode(TStrings* Value)
{
    FCode->Assign(Value);
    if (FParent) FParent->NotifyChange(this);
}

void TGLShaderProgram::SetEnabled(bool Value)
{
    if (Value == FEnabled) return;
    FEnabled = Value;
    if (FEnabled && FParent) FParent->FinalizeShader();
}

void TGLGeometryProgram::DefineProperties(TFiler& Filer)
{
    TGLShaderProgram::DefineProperties(Filer);
    DefineEnumProperty<TGLgsInTypes>(Filer, "InputPrimitiveType", cGsInTypeNames, FInputPrimitiveType, gsInPoints,
                                     [this](TGLgsInTypes v) { SetInputPrimitiveType(v); });
    DefineEnumProperty<TGLgsOutTypes>(Filer, "OutputPrimitiveType", cGsOutTypeNames, FOutputPrimitiveType,
                                      gsOutPoints, [this](TGLgsOutTypes v) { SetOutputPrimitiveType(v); });
    DefineIntegerProperty(Filer, "VerticesOut", FVerticesOut, 0, [this](int32_t v) { SetVerticesOut(v); });
}

template <class T> static void SetGeometrySetting(TGLCustomShader* AParent, TGLShaderProgram* AProgram, T& field, T Value)
{
    if (field == Value) return;
    field = Value;
    if (AParent) AParent->NotifyChange(AProgram);
}

void TGLGeometryProgram::SetInputPrimitiveType(TGLgsInTypes Value)
{
    SetGeometrySetting(FParent, this, FInputPrimitiveType, Value);
}

void TGLGeometryProgram::SetOutputPrimitiveType(TGLgsOutTypes Value)
{
    SetGeometrySetting(FParent, this, FOutputPrimitiveType, Value);
}

void TGLGeometryProgram::SetVerticesOut(int32_t Value)
{
    SetGeometrySetting(FParent, this, FVerticesOut, Value);
}

// ---------------------------------------------------------------------------------------------------------
// TGLCustomShader

TGLCustomShader::TGLCustomShader(TComponent* AOwner)
    : TGLShader(AOwner),
      FFragmentProgram(std::make_unique<TGLFragmentProgram>(this)),
      FVertexProgram(std::make_unique<TGLVertexProgram>(this)),
      FGeometryProgram(std::make_unique<TGLGeometryProgram>(this))
{
}

TGLCustomShader::~TGLCustomShader() = default;

void TGLCustomShader::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLCustomShader*>(Source)) {
        FFragmentProgram->Assign(source->FFragmentProgram.get());
        FVertexProgram->Assign(source->FVertexProgram.get());
        FGeometryProgram->Assign(source->FGeometryProgram.get());
        TagObject = source->TagObject;
    }
    TGLShader::Assign(Source);
}


void TGLCustomShader::LoadShaderPrograms(const std::string& VPFilename, const std::string& FPFilename,
                                         const std::string& GPFilename)
{
    if (!VPFilename.empty()) FVertexProgram->LoadFromFile(VPFilename);
    if (!FPFilename.empty()) FFragmentProgram->LoadFromFile(FPFilename);
    if (!GPFilename.empty()) FGeometryProgram->LoadFromFile(GPFilename);
}

void TGLCustomShader::SetDebugMode(bool Value)
{
    if (Value == FDebugMode) return;
    FDebugMode = Value;
    SetFailedInitAction(Value ? fiaReRaiseException : fiaRaiseStandardException);
}

// ---------------------------------------------------------------------------------------------------------
// TGLCustomShaderParameter

void TGLCustomShaderParameter::SetAsTexture(int32_t TextureIndex, TGLTexture* Value)
{
    const uint32_t name = Value->Handle();
    SetAsCustomTexture(TextureIndex, Value->TextureHandle()->Target(), name);
}

void TGLCustomShaderParameter::SetAsTextureOfTarget(int32_t TextureIndex, TGLTextureTarget TextureTarget,
                                                    TGLTexture* Value)
{
    SetAsCustomTexture(TextureIndex, TextureTarget, Value->Handle());
}

void TGLCustomShaderParameter::SetAsTexture1D(int32_t TextureIndex, TGLTexture* Value)
{
    SetAsTextureOfTarget(TextureIndex, ttTexture1D, Value);
}

void TGLCustomShaderParameter::SetAsTexture2D(int32_t TextureIndex, TGLTexture* Value)
{
    SetAsTextureOfTarget(TextureIndex, ttTexture2D, Value);
}

void TGLCustomShaderParameter::SetAsTexture3D(int32_t TextureIndex, TGLTexture* Value)
{
    SetAsTextureOfTarget(TextureIndex, ttTexture3D, Value);
}

void TGLCustomShaderParameter::SetAsTextureCube(int32_t TextureIndex, TGLTexture* Value)
{
    SetAsTextureOfTarget(TextureIndex, ttTextureCube, Value);
}

void TGLCustomShaderParameter::SetAsTextureRect(int32_t TextureIndex, TGLTexture* Value)
{
    SetAsTextureOfTarget(TextureIndex, ttTextureRect, Value);
}

void TGLCustomShaderParameter::SetToTextureOf(TGLTexture* Texture, int32_t TextureIndex)
{
    SetAsTextureOfTarget(TextureIndex, Texture->Image()->NativeTextureTarget(), Texture);
}

void TGLCustomShaderParameter::SetToTextureOf(TGLLibMaterial* LibMaterial, int32_t TextureIndex)
{
    SetToTextureOf(LibMaterial->Material()->Texture(), TextureIndex);
}

void TGLCustomShaderParameter::SetAsVectorF(std::initializer_list<float> Values)
{
    const float* v = Values.begin();
    switch (Values.size()) {
    case 1: SetAsVector1f(v[0]); break;
    case 2: SetAsVector2f(TVector2f{{{v[0], v[1]}}}); break;
    case 3: SetAsVector3f(TVector3f{{{v[0], v[1], v[2]}}}); break;
    case 4: SetAsVector4f(TVector4f{{{v[0], v[1], v[2], v[3]}}}); break;
    default: Assert(false, "Vector length must be between 1 to 4", cGLCustomShaderUnit, 795);
    }
}

void TGLCustomShaderParameter::SetAsVectorI(std::initializer_list<int32_t> Values)
{
    const int32_t* v = Values.begin();
    switch (Values.size()) {
    case 1: SetAsVector1i(v[0]); break;
    case 2: SetAsVector2i(TVector2i{{{v[0], v[1]}}}); break;
    case 3: SetAsVector3i(TVector3i{{{v[0], v[1], v[2]}}}); break;
    case 4: SetAsVector4i(TVector4i{{{v[0], v[1], v[2], v[3]}}}); break;
    default: Assert(false, "Vector length must be between 1 to 4", cGLCustomShaderUnit, 807);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Screen helpers

void CopyScreenToTexture(const TGLSize& ViewPortSize, uint32_t TextureTarget)
{
    GetCurrentGL()->CopyTexSubImage2D(TextureTarget, 0, 0, 0, 0, 0, ViewPortSize.cx, ViewPortSize.cy);
}

void InitScreenTexture(uint32_t TextureID, const TGLSize& ViewPortSize, TGLTextureTarget TextureTarget)
{
    TGLStateCache* const states = GetCurrentGLContextOrAbort()->GLStates();
    states->SetTextureBinding(states->ActiveTexture(), TextureTarget, TextureID);
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    const GLenum target = TextureTargetToGLEnum(TextureTarget);
    gl.TexParameteri(target, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl.TexParameteri(target, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl.TexParameteri(target, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl.TexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl.CopyTexImage2D(target, 0, GL_RGBA8, 0, 0, ViewPortSize.cx, ViewPortSize.cy, 0);
}

void DrawScreenQuad(const TGLSize& ViewPortSize)
{
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    TGLStateCache* const states = GetCurrentGLContextOrAbort()->GLStates();
    gl.MatrixMode(GL_PROJECTION);
    gl.PushMatrix();
    gl.LoadIdentity();
    gl.Ortho(0, ViewPortSize.cx, ViewPortSize.cy, 0, 0, 1);
    gl.MatrixMode(GL_MODELVIEW);
    gl.PushMatrix();
    gl.LoadIdentity();
    // Afterwards the depth state is what the cache believed before, so later calls it skips stay right.
    const bool depthTest = states->States().Contains(stDepthTest);
    const bool depthWrite = states->DepthWriteMask();
    states->Disable(stDepthTest);
    states->SetDepthWriteMask(false);
    EmitUnitQuad();
    states->SetDepthWriteMask(depthWrite);
    if (depthTest) states->Enable(stDepthTest);
    gl.PopMatrix();
    gl.MatrixMode(GL_PROJECTION);
    gl.PopMatrix();
    gl.MatrixMode(GL_MODELVIEW);
}

void EmitUnitQuad()
{
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    gl.Begin_(GL_QUADS);
    gl.TexCoord2f(0, 0);
    gl.Vertex2f(-1, -1);
    gl.TexCoord2f(1, 0);
    gl.Vertex2f(1, -1);
    gl.TexCoord2f(1, 1);
    gl.Vertex2f(1, 1);
    gl.TexCoord2f(0, 1);
    gl.Vertex2f(-1, 1);
    gl.End_();
}

void RegisterGLCustomShaderClasses()
{
    RegisterClasses<TGLShaderProgram, TGLVertexProgram, TGLFragmentProgram, TGLGeometryProgram, TGLCustomShader>();
}
