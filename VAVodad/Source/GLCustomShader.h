// The base of shaders that run programs written in a shading language: three source holders (vertex, fragment,
// geometry), the abstract accessor of one uniform, the interface of post shaders, and the screen helpers the
// post-shader holder draws with.
#pragma once

#include "GLMaterial.h"
#include "GLRenderContextInfo.h"
#include "GLSLParameter.h"
#include "GLTextureFormat.h"
#include "GLVectorTypes.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

class TGLCustomShader;
class TGLLibMaterial;
class TGLTexture;
class TFiler;
class TGLTextureHandle;
class TStringList;
class TStrings;

inline constexpr const char* cGLCustomShaderUnit = "VAVodad\\Source\\GLCustomShader";

class EGLCustomShaderException : public EGLShaderException {
public:
    using EGLShaderException::EGLShaderException;
};

// A string-list property as a list of its lines, written only when it has any; reading assigns the whole list
// at once, so its change event fires once.
void DefineStringsProperty(TFiler& Filer, const char* Name, TStrings& Strings);

// One program source. Any change of its text enables it and tells the shader, which compiles again.
class TGLShaderProgram : public TPersistent {
public:
    explicit TGLShaderProgram(TGLCustomShader* AParent = nullptr);
    ~TGLShaderProgram() override;

    // From another program: the code and Enabled. A null source is ignored.
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() const override;
    void DefineProperties(TFiler& Filer) override;

    // Reads the file's lines into Code and enables the program.
    void LoadFromFile(const std::string& AFileName);
    // Every context compiles the shader again.
    void Apply();

    TStrings* Code() const;
    void SetCode(TStrings* Value);
    bool Enabled() const { return FEnabled; }
    // Enabling makes every context compile again; disabling alone does not.
    void SetEnabled(bool Value);

protected:
    TGLCustomShader* FParent;

private:
    bool FEnabled = false;
    std::unique_ptr<TStringList> FCode;
};

class TGLVertexProgram : public TGLShaderProgram {
public:
    using TGLShaderProgram::TGLShaderProgram;
};

class TGLFragmentProgram : public TGLShaderProgram {
public:
    using TGLShaderProgram::TGLShaderProgram;
};

class TGLGeometryProgram : public TGLShaderProgram {
public:
    using TGLShaderProgram::TGLShaderProgram;

    void DefineProperties(TFiler& Filer) override;

    TGLgsInTypes InputPrimitiveType() const { return FInputPrimitiveType; }
    void SetInputPrimitiveType(TGLgsInTypes Value);
    TGLgsOutTypes OutputPrimitiveType() const { return FOutputPrimitiveType; }
    void SetOutputPrimitiveType(TGLgsOutTypes Value);
    int32_t VerticesOut() const { return FVerticesOut; }
    void SetVerticesOut(int32_t Value);

private:
    TGLgsInTypes FInputPrimitiveType = gsInPoints;
    TGLgsOutTypes FOutputPrimitiveType = gsOutPoints;
    int32_t FVerticesOut = 0;
};

class TGLCustomShader : public TGLShader {
public:
    explicit TGLCustomShader(TComponent* AOwner);
    ~TGLCustomShader() override;

    // From another custom shader: the fragment, vertex and geometry programs and TagObject; then the shader's
    // own settings.
    void Assign(TPersistent* Source) override;
    // Each non-empty name loads the vertex, fragment and geometry program, in this order.
    void LoadShaderPrograms(const std::string& VPFilename, const std::string& FPFilename,
                            const std::string& GPFilename = std::string());

    TGLFragmentProgram* FragmentProgram() const { return FFragmentProgram.get(); }
    TGLVertexProgram* VertexProgram() const { return FVertexProgram.get(); }
    TGLGeometryProgram* GeometryProgram() const { return FGeometryProgram.get(); }
    // Copy the given program into the owned one.
    void SetFragmentProgram(TGLFragmentProgram* Value) { FFragmentProgram->Assign(Value); }
    void SetVertexProgram(TGLVertexProgram* Value) { FVertexProgram->Assign(Value); }
    void SetGeometryProgram(TGLGeometryProgram* Value) { FGeometryProgram->Assign(Value); }

    bool DebugMode() const { return FDebugMode; }
    // In debug mode a failed compile or link reports the driver's text (fiaReRaiseException); outside it the
    // standard "not supported" message (fiaRaiseStandardException), whatever FailedInitAction was.
    virtual void SetDebugMode(bool Value);

    // The user's object: not owned, not streamed.
    TObject* TagObject = nullptr;

private:
    std::unique_ptr<TGLFragmentProgram> FFragmentProgram;
    std::unique_ptr<TGLVertexProgram> FVertexProgram;
    std::unique_ptr<TGLGeometryProgram> FGeometryProgram;
    bool FDebugMode = false;
};

// The accessor of one uniform of a program. Writes go to the program in use.
class TGLCustomShaderParameter {
public:
    virtual ~TGLCustomShaderParameter() = default;

    virtual float GetAsVector1f() = 0;
    virtual TVector2f GetAsVector2f() = 0;
    virtual TVector3f GetAsVector3f() = 0;
    virtual TVector4f GetAsVector4f() = 0;
    virtual int32_t GetAsVector1i() = 0;
    virtual TVector2i GetAsVector2i() = 0;
    virtual TVector3i GetAsVector3i() = 0;
    virtual TVector4i GetAsVector4i() = 0;
    virtual uint32_t GetAsVector1ui() = 0;
    virtual TVector2ui GetAsVector2ui() = 0;
    virtual TVector3ui GetAsVector3ui() = 0;
    virtual TVector4ui GetAsVector4ui() = 0;
    virtual void SetAsVector1f(float Value) = 0;
    virtual void SetAsVector2f(const TVector2f& Value) = 0;
    virtual void SetAsVector3f(const TVector3f& Value) = 0;
    virtual void SetAsVector4f(const TVector4f& Value) = 0;
    virtual void SetAsVector1i(int32_t Value) = 0;
    virtual void SetAsVector2i(const TVector2i& Value) = 0;
    virtual void SetAsVector3i(const TVector3i& Value) = 0;
    virtual void SetAsVector4i(const TVector4i& Value) = 0;
    virtual void SetAsVector1ui(uint32_t Value) = 0;
    virtual void SetAsVector2ui(const TVector2ui& Value) = 0;
    virtual void SetAsVector3ui(const TVector3ui& Value) = 0;
    virtual void SetAsVector4ui(const TVector4ui& Value) = 0;
    virtual TMatrix2f GetAsMatrix2f() = 0;
    virtual TMatrix3f GetAsMatrix3f() = 0;
    virtual TMatrix4f GetAsMatrix4f() = 0;
    virtual void SetAsMatrix2f(const TMatrix2f& Value) = 0;
    virtual void SetAsMatrix3f(const TMatrix3f& Value) = 0;
    virtual void SetAsMatrix4f(const TMatrix4f& Value) = 0;
    virtual uint32_t GetAsCustomTexture(int32_t TextureIndex, TGLTextureTarget TextureTarget) = 0;
    // Binds the texture name on that unit and target and points the sampler uniform at the unit.
    virtual void SetAsCustomTexture(int32_t TextureIndex, TGLTextureTarget TextureTarget, uint32_t Value) = 0;
    virtual uint32_t GetAsUniformBuffer() = 0;
    virtual void SetAsUniformBuffer(uint32_t Value) = 0;

    float AsFloat() { return GetAsVector1f(); }
    void SetAsFloat(float Value) { SetAsVector1f(Value); }
    int32_t AsInteger() { return GetAsVector1i(); }
    void SetAsInteger(int32_t Value) { SetAsVector1i(Value); }
    TVector3f AsAffineVector() { return GetAsVector3f(); }
    void SetAsAffineVector(const TVector3f& Value) { SetAsVector3f(Value); }
    TVector4f AsVector() { return GetAsVector4f(); }
    void SetAsVector(const TVector4f& Value) { SetAsVector4f(Value); }

    // With the target of the texture's handle; reading the handle first uploads the texture when needed.
    void SetAsTexture(int32_t TextureIndex, TGLTexture* Value);
    void SetAsTexture1D(int32_t TextureIndex, TGLTexture* Value);
    void SetAsTexture2D(int32_t TextureIndex, TGLTexture* Value);
    void SetAsTexture3D(int32_t TextureIndex, TGLTexture* Value);
    void SetAsTextureCube(int32_t TextureIndex, TGLTexture* Value);
    void SetAsTextureRect(int32_t TextureIndex, TGLTexture* Value);
    // With the native target of the texture's image (note the argument order).
    void SetToTextureOf(TGLTexture* Texture, int32_t TextureIndex);
    void SetToTextureOf(TGLLibMaterial* LibMaterial, int32_t TextureIndex);
    // One to four values; any other count fails "Vector length must be between 1 to 4".
    void SetAsVectorF(std::initializer_list<float> Values);
    void SetAsVectorI(std::initializer_list<int32_t> Values);

private:
    void SetAsTextureOfTarget(int32_t TextureIndex, TGLTextureTarget TextureTarget, TGLTexture* Value);
};

// What the post-shader holder needs of a shader: the screen copy bound where the program samples it, and
// the texture target it samples.
class IGLPostShader {
public:
    virtual void BindTempTexture(TGLTextureHandle* TempTexture, TGLTextureTarget TextureTarget) = 0;
    virtual TGLTextureTarget RequiredTextureTarget() = 0;

protected:
    ~IGLPostShader() = default;
};

// The screen helpers: the viewport's picture into a texture and a quad over the whole viewport. The state they
// change goes through the current context's state cache, so the cache stays true to OpenGL.

// Copies the lower-left size of the colour buffer into the texture bound on the active unit.
void CopyScreenToTexture(const TGLSize& ViewPortSize, uint32_t TextureTarget);
// Binds the texture on the active unit, sets edge clamping and linear filters, and fills it with the screen.
void InitScreenTexture(uint32_t TextureID, const TGLSize& ViewPortSize, TGLTextureTarget TextureTarget);
// The unit quad under a pixel projection of the viewport, without depth test or depth writes.
void DrawScreenQuad(const TGLSize& ViewPortSize);
// Texture coordinates 0..1 over the corners -1..1, counter-clockwise from the bottom left.
void EmitUnitQuad();

void RegisterGLCustomShaderClasses();
