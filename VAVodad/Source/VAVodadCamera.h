// The camera: the scene object a scene buffer looks through. Each frame it multiplies its projection (from the
// viewport, its size and the rendering resolution) and its view (from its absolute position and direction, or
// its target object) into the current rendering context's transformation, and keeps the near-plane distance
// and viewport radius the frame's clipping uses. It also offers navigation helpers: orbiting a target, moving
// in eye space, turning screen-mouse deltas into scene vectors.
#pragma once

#include "VAVodad.h"

#include <functional>

class IGLSceneBuffer; // VAVodadScene.h

enum TGLCameraStyle {
    csPerspective,
    csOrthogonal,
    csOrtho2D,
    csCustom,
    csInfinitePerspective,
    csPerspectiveKeepFOV
};
enum TGLCameraKeepFOVMode { ckmHorizontalFOV, ckmVerticalFOV };

// Sets the projection of csCustom itself; may change the viewport radius.
using TOnCustomPerspective = std::function<void(const TRectangle& viewport, int32_t width, int32_t height,
                                                int32_t DPI, float& viewPortRadius)>;

class TGLCamera : public TGLBaseSceneObject {
public:
    // Looks down -Z.
    explicit TGLCamera(TComponent* AOwner);
    // Lets go of the target first.
    void BeforeDestruction() override;

    // ---- projection and view
    // The view matrix of the current context becomes the camera's look-at matrix times the previous one.
    void Apply();
    // The projection of the style for the viewport (Left, Top, Width, Height) of an AWidth x AHeight area at
    // ADPI dots per inch, times the previous projection; nothing below 1 pixel.
    void ApplyPerspective(const TRectangle& AViewport, int32_t AWidth, int32_t AHeight, int32_t ADPI);

    float FocalLength() const { return FFocalLength; }
    // Values <= 0 become 1.
    void SetFocalLength(float AValue);
    // The distance from the near to the far clipping plane.
    float DepthOfView() const { return FDepthOfView; }
    void SetDepthOfView(float AValue);
    // Computed by ApplyPerspective.
    float NearPlane() const { return FNearPlane; }
    float NearPlaneBias() const { return FNearPlaneBias; }
    // Values <= 0 become 1.
    void SetNearPlaneBias(float AValue);
    float ViewPortRadius() const { return FViewPortRadius; }
    float SceneScale() const { return FSceneScale; }
    // Exactly 0 becomes 1.
    void SetSceneScale(float AValue);
    TGLCameraStyle CameraStyle() const { return FCameraStyle; }
    void SetCameraStyle(TGLCameraStyle AValue);
    TGLCameraKeepFOVMode KeepFOVMode() const { return FKeepFOVMode; }
    void SetKeepFOVMode(TGLCameraKeepFOVMode AValue);
    TGLBaseSceneObject* TargetObject() const { return FTargetObject; }
    void SetTargetObject(TGLBaseSceneObject* Value);
    // The absolute view direction of the last Apply.
    const TVector4f& LastDirection() const { return FLastDirection; }
    // The kept fields of view of csPerspectiveKeepFOV in radians; FOVY is -1 while they are to be recomputed.
    double FOVX() const { return FFOVX; }
    double FOVY() const { return FFOVY; }

    // Degrees: 2 atan(dimension / 2 / FocalLength), the focal length taken in pixels; 0 for FocalLength 0.
    float GetFieldOfView(float AViewportDimension) const;
    // The inverse; a field of view outside (0, 180) degrees is ignored.
    void SetFieldOfView(float AFieldOfView, float AViewportDimension);

    // ---- target and navigation
    // Without a target: the absolute direction, right and up vectors, and a distance of 1.
    TVector4f AbsoluteVectorToTarget();
    TVector4f AbsoluteRightVectorToTarget();
    TVector4f AbsoluteUpVectorToTarget();
    float DistanceToTarget();
    // Scales the distance to the target.
    void AdjustDistanceToTarget(float distanceRatio);
    TVector4f AbsoluteEyeSpaceVector(float forwardDistance, float rightDistance, float upDistance);
    void MoveInEyeSpace(float forwardDistance, float rightDistance, float upDistance);
    void MoveTargetInEyeSpace(float forwardDistance, float rightDistance, float upDistance);
    void MoveAroundTarget(float pitchDelta, float turnDelta);
    void MoveAllAroundTarget(float pitchDelta, float turnDelta);
    // Turns obj about the camera's view axes (degrees): roll, then turn, then pitch; keeps its scale and place.
    void RotateObject(TGLBaseSceneObject* obj, float pitchDelta, float turnDelta, float rollDelta = 0);
    void RotateTarget(float pitchDelta, float turnDelta, float rollDelta = 0);
    bool PointInFront(const TVector4f& point);
    // A screen delta as a move in the plane of planeNormal, forward being the view direction projected into it.
    TVector4f ScreenDeltaToVector(int32_t deltaX, int32_t deltaY, float ratio, const TVector4f& planeNormal);
    TVector4f ScreenDeltaToVectorXY(int32_t deltaX, int32_t deltaY, float ratio);
    TVector4f ScreenDeltaToVectorXZ(int32_t deltaX, int32_t deltaY, float ratio);
    TVector4f ScreenDeltaToVectorYZ(int32_t deltaX, int32_t deltaY, float ratio);
    // Brings Up back towards the world's Y axis, a step per call.
    void AutoLeveling(float Factor);
    // Focal length 50, looking down -Z from where the viewport shows the origin's neighbourhood.
    void Reset(IGLSceneBuffer* aSceneBuffer);
    // Looks at the origin from the distance that shows it.
    void ZoomAll(IGLSceneBuffer* aSceneBuffer);

    // Another camera's lens and style; its target too when this camera has a parent, else its place and view.
    void Assign(TPersistent* Source) override;
    // The camera watches the scene it is given, so a camera outside the tree forgets a scene that dies.
    void SetScene(IGLScene* Value) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // A camera is never hit.
    bool RayCastIntersect(const TVector4f&, const TVector4f&, TVector4f* = nullptr, TVector4f* = nullptr) override
    {
        return false;
    }
    // The lens and style, the target by its name, and the placement.
    void DefineProperties(TFiler& Filer) override;
    // A target read by name is looked up among the owner's components once the whole stream is in.
    void Loaded() override;
    // Draws nothing itself.
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;

    // When assigned, Apply calls it instead of building the view.
    TNotifyEvent DeferredApply;
    TOnCustomPerspective OnCustomPerspective;

protected:
    bool IsCamera() const override { return true; }

private:
    // A change of lens or style: the kept fields of view are computed again at the next projection.
    void LensChanged() { FFOVY = -1; }
    TVector4f VectorToTarget();

    float FFocalLength = 50;
    float FDepthOfView = 100;
    float FNearPlane = 0;
    float FNearPlaneBias = 1;
    float FViewPortRadius = 0;
    TGLBaseSceneObject* FTargetObject = nullptr;
    // The scene component watched for its death (it may outlive the time the camera belongs to it).
    TComponent* FWatchedScene = nullptr;
    // The name of the target read from a stream, until Loaded finds it.
    std::string FTargetObjectName;
    TVector4f FLastDirection{};
    TGLCameraStyle FCameraStyle = csPerspective;
    TGLCameraKeepFOVMode FKeepFOVMode = ckmHorizontalFOV;
    float FSceneScale = 1;
    double FFOVY = -1;
    double FFOVX = 0;
};
