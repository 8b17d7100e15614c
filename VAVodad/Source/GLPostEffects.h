// Effects over everything drawn so far in the frame, each at its place in the scene tree (its own children
// are drawn after it and stay untouched): a post effect that changes the read-back picture on the processor,
// and a post-shader holder that copies the picture into a texture and draws it again through each of its
// post shaders; with the one post shader, which turns the picture into blocks.
#pragma once

#include "GLSLShader.h"
#include "VAVodad.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TGLPostShaderHolder;
class TGLTextureHandle;

inline constexpr const char* cGLPostEffectsUnit = "VAVodad\\Source\\GLPostEffects";

enum TGLPostEffectPreset { pepNone, pepGray, pepNegative, pepDistort, pepNoise, pepNightVision, pepBlur, pepCustom };

struct TGLPostEffectColor {
    uint8_t R, G, B, A;
};
// One colour per viewport pixel, rows bottom-up as the colour buffer is read.
using TGLPostEffectBuffer = std::vector<TGLPostEffectColor>;

using TGLOnCustomPostEffectEvent =
    std::function<void(TObject* Sender, TGLRenderContextInfo& rci, TGLPostEffectBuffer& Buffer)>;

class TGLPostEffect : public TGLBaseSceneObject {
public:
    explicit TGLPostEffect(TComponent* AOwner);

    // The scene-object assignment, then, from a post effect, Preset.
    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    // Reads the viewport back, runs the preset and writes the picture back at the viewport's lower-left
    // corner, with nothing (depth, blending, fog, texturing) between the pixels and the colour buffer.
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;

    TGLPostEffectPreset Preset() const { return FPreset; }
    void SetPreset(TGLPostEffectPreset Value) { FPreset = Value; }

    TGLOnCustomPostEffectEvent OnCustomEffect;

protected:
    virtual void ApplyGrayPreset();
    virtual void ApplyNegativePreset();
    virtual void ApplyDistortPreset();
    virtual void ApplyNoisePreset();
    virtual void ApplyNightVisionPreset();
    virtual void ApplyBlurPreset(TGLRenderContextInfo& rci);
    virtual void ApplyCustomPreset(TGLRenderContextInfo& rci, TGLPostEffectBuffer& buffer);

private:
    // The index p + random(spread) - spread / 2 (the program's random sequence), held to the buffer.
    size_t RandomNeighbour(size_t p, int32_t spread);
    void WriteBack(TGLRenderContextInfo& rci);

    TGLPostEffectPreset FPreset = pepNone;
    TGLPostEffectBuffer FRenderBuffer;
};

class EGLPostShaderHolderException : public Exception {
public:
    using Exception::Exception;
};

class TGLPostShaderCollection;

// One post shader of a holder (not owned).
class TGLPostShaderCollectionItem : public TPersistent {
public:
    explicit TGLPostShaderCollectionItem(TGLPostShaderCollection* ACollection = nullptr) : FCollection(ACollection) {}
    // The holder stops hearing of the shader's death unless another of its items uses it.
    ~TGLPostShaderCollectionItem() override;

    // From an item: its shader.
    void Assign(TPersistent* Source) override;
    // The shader by its name.
    void DefineProperties(TFiler& Filer) override;
    // Takes the shader named in the stream once the whole stream is in; one that does not fit the holder
    // raises as SetShader does.
    void ResolveShader();
    // The shader's name (its class name without one); empty without a shader.
    std::string GetDisplayName() const;
    // nullptr when the item is in no collection.
    TGLPostShaderHolder* GetHolder() const;

    TGLShader* Shader() const { return FShader; }
    // The shader must offer IGLPostShader and, inside a holder, sample the holder's texture target;
    // otherwise EGLPostShaderHolderException and the item keeps its shader. Inside a holder the holder hears
    // of the shader's death.
    void SetShader(TGLShader* Value);
    IGLPostShader* PostShaderInterface() const { return FPostShaderInterface; }

private:
    TGLPostShaderCollection* FCollection;
    TGLShader* FShader = nullptr;
    std::string FShaderName; // read from a stream, until ResolveShader
    IGLPostShader* FPostShaderInterface = nullptr;
};

class TGLPostShaderCollection : public TPersistent {
public:
    explicit TGLPostShaderCollection(TGLPostShaderHolder* AOwner = nullptr) : FOwner(AOwner) {}
    ~TGLPostShaderCollection() override;

    // Replaces the items by copies of the source's.
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() const override;
    TGLPostShaderHolder* Holder() const { return FOwner; }

    TGLPostShaderCollectionItem* Add();
    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    TGLPostShaderCollectionItem* GetItems(int32_t index) const;
    // Assigns Value into the item at index.
    void SetItems(int32_t index, TGLPostShaderCollectionItem* Value);
    // Deletes every item of that shader, the last first.
    void Remove(TGLShader* shader);
    void Clear();
    bool Uses(const TGLShader* shader) const;

private:
    TGLPostShaderHolder* FOwner;
    std::vector<std::unique_ptr<TGLPostShaderCollectionItem>> FItems;
};

class TGLPostShaderHolder : public TGLBaseSceneObject {
public:
    explicit TGLPostShaderHolder(TComponent* AOwner);
    ~TGLPostShaderHolder() override;

    // From a holder: its shaders and texture target; then the scene-object assignment.
    void Assign(TPersistent* Source) override;
    // TempTextureTarget, then the shaders by their names.
    void DefineProperties(TFiler& Filer) override;
    // The shaders named in the stream are found.
    void Loaded() override;
    // A dying shader leaves the holder's items.
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Draws the picture again through each enabled shader in turn, each on the output of the one before.
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;

    TGLPostShaderCollection* Shaders() const { return FShaders.get(); }
    void SetShaders(TGLPostShaderCollection* Value) { FShaders->Assign(Value); }
    TGLTextureTarget TempTextureTarget() const { return FTempTextureTarget; }
    void SetTempTextureTarget(TGLTextureTarget Value) { FTempTextureTarget = Value; }

private:
    friend class TGLPostShaderCollectionItem;
    // Stops hearing of the shader's death once no item uses it.
    void ReleaseShader(TGLShader* shader);

    std::unique_ptr<TGLPostShaderCollection> FShaders;
    std::unique_ptr<TGLTextureHandle, TFreeDeleter> FTempTexture;
    TGLSize FPreviousViewportSize{0, 0};
    TGLTextureTarget FTempTextureTarget = ttTexture2D;
};

// Samples the screen copy at the lower-left corner of each PixelWidth x PixelHeight block.
class TGLCustomGLSLPostPixelateShader : public TGLCustomGLSLShader, public IGLPostShader {
public:
    explicit TGLCustomGLSLPostPixelateShader(TComponent* AOwner);

    float PixelWidth() const { return FPixelWidth; }
    void SetPixelWidth(float Value) { FPixelWidth = Value; }
    float PixelHeight() const { return FPixelHeight; }
    void SetPixelHeight(float Value) { FPixelHeight = Value; }

    // The texture as custom texture 3 of "ScreenTex".
    void BindTempTexture(TGLTextureHandle* TempTexture, TGLTextureTarget TextureTarget) override;
    TGLTextureTarget RequiredTextureTarget() override { return ttTextureRect; }

protected:
    // The program with the block size and the viewport size.
    void DoApply(TGLRenderContextInfo& rci, TObject* Sender) override;
    // Unit 0 active again and the program ended: one pass.
    bool DoUnApply(TGLRenderContextInfo& rci) override;

private:
    float FPixelWidth = 8;
    float FPixelHeight = 12;
};

class TGLSLPostPixelateShader : public TGLCustomGLSLPostPixelateShader {
public:
    using TGLCustomGLSLPostPixelateShader::TGLCustomGLSLPostPixelateShader;
    // Each size is stored only when its magnitude is above 0 and at most 64.
    void DefineProperties(TFiler& Filer) override;
};

void RegisterGLPostEffectsClasses();
