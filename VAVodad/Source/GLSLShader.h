// A shader that compiles and links its enabled sources into one program object per rendering context, calls
// the user's events around each pass and hands out uniforms through one reusable parameter object.
#pragma once

#include "GLCustomShader.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TGLProgramHandle;
class TGLSLShaderParameter;

class EGLSLShaderException : public EGLCustomShaderException {
public:
    using EGLCustomShaderException::EGLCustomShaderException;
};

enum TGLTransformFeedBackMode { tfbmInterleaved, tfbmSeparate };

struct TGLActiveAttrib {
    std::string Name;
    int32_t Size;
    TGLSLDataType AType;
    int32_t Location;
};
using TGLActiveAttribArray = std::vector<TGLActiveAttrib>;

class TGLCustomGLSLShader;
using TGLSLShaderEvent = std::function<void(TGLCustomGLSLShader* Shader)>;
using TGLSLShaderUnApplyEvent = std::function<void(TGLCustomGLSLShader* Shader, bool& ThereAreMorePasses)>;
using TGLSLShaderEventEx = std::function<void(TGLCustomGLSLShader* Shader, TObject* Sender)>;

class TGLCustomGLSLShader : public TGLCustomShader {
public:
    explicit TGLCustomGLSLShader(TComponent* AOwner);
    ~TGLCustomGLSLShader() override;

    // The custom shader's assignment; from another GLSL shader the program object is replaced by a new,
    // empty one, which the next apply in each context compiles from the copied sources.
    void Assign(TPersistent* Source) override;
    // The current OpenGL offers shader objects, vertex programs, vertex and fragment shaders.
    bool ShaderSupported() const override;

    virtual TGLProgramHandle* GetGLSLProg() const { return FGLSLProg.get(); }
    virtual TGLSLShaderParameter* GetParameterObject() const { return FParam.get(); }

    // The one parameter object, bound to that uniform (an unknown name fails the program's assertion) or to
    // that location: each result is used at once, as the next call rebinds it.
    TGLSLShaderParameter* Param(const std::string& name);
    TGLSLShaderParameter* DirectParam(uint32_t index);

    // Within one apply the first texture goes to unit 0, the next to unit 1, and so on.
    void SetTex(TGLSLShaderParameter* TexParam, TGLTexture* Tex);
    void SetTex(TGLSLShaderParameter* TexParam, TGLLibMaterial* Mat);
    void SetTex(const std::string& TexParamName, TGLTexture* Tex);
    void SetTex(const std::string& TexParamName, TGLLibMaterial* Mat);

    TStrings* ActiveVarying() const;
    void SetActiveVarying(TStrings* Value);
    TGLTransformFeedBackMode TransformFeedBackMode() const { return FTransformFeedBackMode; }
    void SetTransformFeedBackMode(TGLTransformFeedBackMode Value);

    // At most 16 active attributes of the program, after initialising it (which runs the initialise events
    // and the validation again).
    TGLActiveAttribArray GetActiveAttribs();

    TGLSLShaderEvent OnInitialize;
    TGLSLShaderEvent OnApply;
    TGLSLShaderUnApplyEvent OnUnApply;
    TGLSLShaderEventEx OnInitializeEx;
    TGLSLShaderEventEx OnApplyEx;

protected:
    // Compiles and links when the program is out of date in this context, then validates it; a failure
    // disables the shader and is reported per FailedInitAction.
    void DoInitialize(TGLRenderContextInfo& rci, TObject* Sender) override;
    void DoFinalize() override;
    void DoApply(TGLRenderContextInfo& rci, TObject* Sender) override;
    // The program stays in use while OnUnApply asks for another pass.
    bool DoUnApply(TGLRenderContextInfo& rci) override;

private:
    void LinkSources();

    std::unique_ptr<TGLProgramHandle, TFreeDeleter> FGLSLProg;
    std::unique_ptr<TGLSLShaderParameter> FParam;
    std::unique_ptr<TStringList> FActiveVarying;
    TGLTransformFeedBackMode FTransformFeedBackMode = tfbmInterleaved;
    int32_t FNextTexIndex = 0;
};

// The streamed GLSL shader.
class TGLSLShader : public TGLCustomGLSLShader {
public:
    using TGLCustomGLSLShader::TGLCustomGLSLShader;
    void DefineProperties(TFiler& Filer) override;
};

// A uniform of a GLSL program: reads name the program and the location; writes go to the program in use.
class TGLSLShaderParameter : public TGLCustomShaderParameter {
public:
    float GetAsVector1f() override;
    TVector2f GetAsVector2f() override;
    TVector3f GetAsVector3f() override;
    TVector4f GetAsVector4f() override;
    int32_t GetAsVector1i() override;
    TVector2i GetAsVector2i() override;
    TVector3i GetAsVector3i() override;
    TVector4i GetAsVector4i() override;
    uint32_t GetAsVector1ui() override;
    TVector2ui GetAsVector2ui() override;
    TVector3ui GetAsVector3ui() override;
    TVector4ui GetAsVector4ui() override;
    void SetAsVector1f(float Value) override;
    void SetAsVector2f(const TVector2f& Value) override;
    void SetAsVector3f(const TVector3f& Value) override;
    void SetAsVector4f(const TVector4f& Value) override;
    void SetAsVector1i(int32_t Value) override;
    void SetAsVector2i(const TVector2i& Value) override;
    void SetAsVector3i(const TVector3i& Value) override;
    void SetAsVector4i(const TVector4i& Value) override;
    void SetAsVector1ui(uint32_t Value) override;
    void SetAsVector2ui(const TVector2ui& Value) override;
    void SetAsVector3ui(const TVector3ui& Value) override;
    void SetAsVector4ui(const TVector4ui& Value) override;
    TMatrix2f GetAsMatrix2f() override;
    TMatrix3f GetAsMatrix3f() override;
    TMatrix4f GetAsMatrix4f() override;
    void SetAsMatrix2f(const TMatrix2f& Value) override;
    void SetAsMatrix3f(const TMatrix3f& Value) override;
    void SetAsMatrix4f(const TMatrix4f& Value) override;
    // The texture unit the sampler uniform points at (the index and target are not needed to read it).
    uint32_t GetAsCustomTexture(int32_t TextureIndex, TGLTextureTarget TextureTarget) override;
    void SetAsCustomTexture(int32_t TextureIndex, TGLTextureTarget TextureTarget, uint32_t Value) override;
    uint32_t GetAsUniformBuffer() override;
    void SetAsUniformBuffer(uint32_t Value) override;

    int32_t ParameterID() const { return FParameterID; }

private:
    friend class TGLCustomGLSLShader;
    template <class T> T ReadFloats();
    template <class T> T ReadInts();
    template <class T> T ReadUInts();

    TGLProgramHandle* FGLSLProg = nullptr;
    int32_t FParameterID = 0;
};

void RegisterGLSLShaderClasses();
