// The sky box: six textured faces (and an optional flat clouds plane) around the camera, drawn behind
// everything else. It follows the camera's position, writes no depth and takes no part in depth testing, so
// whatever is drawn after it covers it.
#pragma once

#include "VAVodad.h"

#include <string>

class TGLMaterialLibrary;

// sbTopTwoThirds has no "s": the name is stored in scenes as it is.
enum TGLSkyBoxStyle { sbsFull, sbsTopHalf, sbsBottomHalf, sbTopTwoThirds, sbsTopHalfClamped };

// The faces in drawing order, then the clouds.
enum TGLSkyBoxFace { sbfFront, sbfBack, sbfTop, sbfBottom, sbfLeft, sbfRight, sbfClouds };

class TGLSkyBox : public TGLCameraInvariantObject {
public:
    explicit TGLSkyBox(TComponent* AOwner);

    // The names of the faces' library materials; a name the library lacks leaves that face out.
    const std::string& MatName(TGLSkyBoxFace face) const { return FMatNames[face]; }
    void SetMatName(TGLSkyBoxFace face, const std::string& Value);
    const std::string& MatNameTop() const { return MatName(sbfTop); }
    void SetMatNameTop(const std::string& Value) { SetMatName(sbfTop, Value); }
    const std::string& MatNameBottom() const { return MatName(sbfBottom); }
    void SetMatNameBottom(const std::string& Value) { SetMatName(sbfBottom, Value); }
    const std::string& MatNameLeft() const { return MatName(sbfLeft); }
    void SetMatNameLeft(const std::string& Value) { SetMatName(sbfLeft, Value); }
    const std::string& MatNameRight() const { return MatName(sbfRight); }
    void SetMatNameRight(const std::string& Value) { SetMatName(sbfRight, Value); }
    const std::string& MatNameFront() const { return MatName(sbfFront); }
    void SetMatNameFront(const std::string& Value) { SetMatName(sbfFront, Value); }
    const std::string& MatNameBack() const { return MatName(sbfBack); }
    void SetMatNameBack(const std::string& Value) { SetMatName(sbfBack, Value); }
    const std::string& MatNameClouds() const { return MatName(sbfClouds); }
    void SetMatNameClouds(const std::string& Value) { SetMatName(sbfClouds, Value); }

    // Not owned: forgotten when it dies. Without one the box draws nothing.
    TGLMaterialLibrary* MaterialLibrary() const { return FMaterialLibrary; }
    void SetMaterialLibrary(TGLMaterialLibrary* Value);
    // The clouds plane's height and size in the box's space (the box spans -1 to 1 before its scaling).
    float CloudsPlaneOffset() const { return FCloudsPlaneOffset; }
    void SetCloudsPlaneOffset(float Value);
    float CloudsPlaneSize() const { return FCloudsPlaneSize; }
    void SetCloudsPlaneSize(float Value);
    TGLSkyBoxStyle Style() const { return FStyle; }
    void SetStyle(TGLSkyBoxStyle Value) { FStyle = Value; }

    void Notification(TComponent* AComponent, TOperation Operation) override;
    void DefineProperties(TFiler& Filer) override;
    // Finds the components named in the stream.
    void Loaded() override;
    // Without depth writes and depth requests, at the camera's position.
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
    // The faces at half the far clipping distance, without depth test, lighting and fog.
    void BuildList(TGLRenderContextInfo& rci) override;

private:
    std::string FMatNames[7];
    TGLMaterialLibrary* FMaterialLibrary = nullptr;
    std::string FMaterialLibraryName; // read from a stream, until Loaded
    float FCloudsPlaneOffset = 0.2f;
    float FCloudsPlaneSize = 32;
    TGLSkyBoxStyle FStyle = sbsFull;
};

// Registers the sky box as a streamable class (start-up).
void RegisterGLSkyBoxClasses();
