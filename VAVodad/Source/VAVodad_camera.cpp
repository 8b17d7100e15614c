#include "VAVodad.h"

#include "GLContext.h"
#include "GLPipelineTransformation.h"
#include "GLVectorGeometry.h"
#include "VAVodad_streaming.h"
#include "VAVodad_vectors.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// The far plane of csInfinitePerspective lies this close to infinity.
constexpr double cInfinitePerspectiveEpsilon = 0.0001;

constexpr TVector4f cYHmgVector{{{0, 1, 0, 0}}};

constexpr TEnumNames<6> cCameraStyleNames{"csPerspective",         "csOrthogonal", "csOrtho2D", "csCustom",
                                          "csInfinitePerspective", "csPerspectiveKeepFOV"};
constexpr TEnumNames<2> cKeepFOVModeNames{"ckmHorizontalFOV", "ckmVerticalFOV"};

// r := r + f v, all four components.
void AddScaled(TVector4f& r, const TVector4f& v, float f)
{
    for (int i = 0; i < 4; ++i) r.V[i] += f * v.V[i];
}

TGLTransformation& CurrentTransformation()
{
    return *GetCurrentGLContextOrAbort()->PipelineTransformation();
}

} // namespace

TGLCamera::TGLCamera(TComponent* AOwner) : TGLBaseSceneObject(AOwner)
{
    Direction()->Initialize(TVector4f{{{0, 0, -1, 0}}});
}

void TGLCamera::BeforeDestruction()
{
    SetTargetObject(nullptr);
    TGLBaseSceneObject::BeforeDestruction();
}

// ---------------------------------------------------------------------------------------------------------
// Projection and view

void TGLCamera::Apply()
{
    if (DeferredApply) {
        DeferredApply(this);
        return;
    }
    TGLTransformation& transformation = CurrentTransformation();
    const TVector4f eye = AbsolutePosition();
    TVector4f centre;
    TVector4f up;
    if (FTargetObject) {
        centre = FTargetObject->AbsolutePosition();
        FLastDirection = Normalized(Difference(centre, eye));
        up = Up()->AsVector();
    } else {
        const TMatrix4f parentMatrix = Parent() ? Parent()->AbsoluteMatrix() : IdentityHmgMatrix;
        FLastDirection = Transformed(Direction()->AsVector(), parentMatrix);
        up = Transformed(Up()->AsVector(), parentMatrix);
        HmgAdd(eye, FLastDirection, centre);
    }
    TMatrix4f view;
    MatrixViewLookAt(eye, centre, up, view);
    MatrixProduct(view, transformation.ViewMatrix(), view);
    transformation.SetViewMatrix(view);
    ClearStructureChanged();
}

void TGLCamera::ApplyPerspective(const TRectangle& AViewport, int32_t AWidth, int32_t AHeight, int32_t ADPI)
{
    if (AWidth < 1 || AHeight < 1) return;
    TGLTransformation& transformation = CurrentTransformation();
    const double width = AWidth;
    const double height = AHeight;
    TMatrix4f projection = IdentityHmgMatrix;
    switch (FCameraStyle) {
    case csOrtho2D:
        FNearPlane = -1;
        MatrixOrthoProjection(0, AWidth, 0, AHeight, -1, 1, projection);
        FViewPortRadius = static_cast<float>(std::hypot(width, height) / 2);
        break;
    case csCustom:
        // The handler sets the projection itself.
        FViewPortRadius = static_cast<float>(std::hypot(width, height) / 2);
        if (OnCustomPerspective) OnCustomPerspective(AViewport, AWidth, AHeight, ADPI, FViewPortRadius);
        return;
    case csPerspective:
    case csOrthogonal:
    case csInfinitePerspective:
    case csPerspectiveKeepFOV: {
        const double maxDim = std::max(width, height);
        const double lens = FCameraStyle == csOrthogonal ? FNearPlaneBias * 100.0 / FFocalLength : FNearPlaneBias;
        const double fx = lens / (width * FSceneScale);
        const double fy = lens / (height * FSceneScale);
        const float right =
            static_cast<float>(width * ((2.0 * AViewport.Width + 2.0 * AViewport.Left - width) * fx) / (2 * maxDim));
        const float left = static_cast<float>(-width * ((width - 2.0 * AViewport.Left) * fx) / (2 * maxDim));
        const float top =
            static_cast<float>(height * ((2.0 * AViewport.Height + 2.0 * AViewport.Top - height) * fy) / (2 * maxDim));
        const float bottom = static_cast<float>(-height * ((height - 2.0 * AViewport.Top) * fy) / (2 * maxDim));
        FNearPlane = static_cast<float>(FFocalLength * 2.0 * ADPI / (25.4 * maxDim) * FNearPlaneBias);
        const float farPlane = FNearPlane + FDepthOfView;
        switch (FCameraStyle) {
        case csPerspective:
            MatrixFrustumProjection(left, right, bottom, top, FNearPlane, farPlane, projection);
            break;
        case csOrthogonal:
            MatrixOrthoProjection(left, right, bottom, top, FNearPlane, farPlane, projection);
            break;
        case csInfinitePerspective: {
            constexpr double e = cInfinitePerspectiveEpsilon;
            projection.X.X = 2 * FNearPlane / (right - left);
            projection.Y.Y = 2 * FNearPlane / (top - bottom);
            projection.Z.X = (right + left) / (right - left);
            projection.Z.Y = (top + bottom) / (top - bottom);
            projection.Z.Z = static_cast<float>(e - 1);
            projection.Z.W = -1;
            projection.W.Z = static_cast<float>((e - 2) * FNearPlane);
            projection.W.W = 0;
            break;
        }
        default: { // csPerspectiveKeepFOV: the angles of the first frame after a change stay while resizing
            if (FFOVY < 0) {
                FFOVY = 2 * std::atan2(static_cast<double>(top - bottom), 2.0 * FNearPlane);
                FFOVX = 2 * std::atan2(static_cast<double>(right - left), 2.0 * FNearPlane);
            }
            double xmax = 0;
            double ymax = 0;
            if (FKeepFOVMode == ckmHorizontalFOV) {
                xmax = std::tan(FFOVX / 2) * FNearPlane;
                ymax = height * xmax / width;
            } else if (FKeepFOVMode == ckmVerticalFOV) {
                ymax = std::tan(FFOVY / 2) * FNearPlane;
                xmax = width * ymax / height;
            } else {
                Assert(false, "Unknown keep camera angle mode", cVAVodadUnit);
            }
            MatrixFrustumProjection(static_cast<float>(-xmax), static_cast<float>(xmax), static_cast<float>(-ymax),
                                    static_cast<float>(ymax), FNearPlane, farPlane, projection);
        }
        }
        FViewPortRadius = static_cast<float>(FloatHypot(right, top) / FNearPlane);
        break;
    }
    default:
        Assert(false, "", cVAVodadUnit);
    }
    MatrixProduct(projection, transformation.ProjectionMatrix(), projection);
    transformation.SetProjectionMatrix(projection);
}

// ---------------------------------------------------------------------------------------------------------
// Properties

void TGLCamera::SetDepthOfView(float AValue)
{
    if (FDepthOfView == AValue) return;
    FDepthOfView = AValue;
    LensChanged();
    if (!(ComponentState() & csLoading)) TransformationChanged();
}

void TGLCamera::SetFocalLength(float AValue)
{
    if (AValue <= 0) AValue = 1;
    if (FFocalLength == AValue) return;
    FFocalLength = AValue;
    LensChanged();
    if (!(ComponentState() & csLoading)) TransformationChanged();
}

void TGLCamera::SetNearPlaneBias(float AValue)
{
    if (AValue <= 0) AValue = 1;
    if (FNearPlaneBias == AValue) return;
    FNearPlaneBias = AValue;
    LensChanged();
    NotifyChange(this);
}

void TGLCamera::SetSceneScale(float AValue)
{
    if (AValue == 0) AValue = 1;
    if (FSceneScale == AValue) return;
    FSceneScale = AValue;
    LensChanged();
    NotifyChange(this);
}

void TGLCamera::SetCameraStyle(TGLCameraStyle AValue)
{
    if (FCameraStyle == AValue) return;
    FCameraStyle = AValue;
    LensChanged();
    NotifyChange(this);
}

void TGLCamera::SetKeepFOVMode(TGLCameraKeepFOVMode AValue)
{
    if (FKeepFOVMode == AValue) return;
    FKeepFOVMode = AValue;
    LensChanged();
    if (FCameraStyle == csPerspectiveKeepFOV) NotifyChange(this);
}

void TGLCamera::SetTargetObject(TGLBaseSceneObject* Value)
{
    if (FTargetObject == Value) return;
    if (FTargetObject) FTargetObject->RemoveFreeNotification(this);
    FTargetObject = Value;
    if (FTargetObject) FTargetObject->FreeNotification(this);
    if (!(ComponentState() & csLoading)) TransformationChanged();
}

void TGLCamera::SetScene(IVAVodadScene* Value)
{
    auto* scene = dynamic_cast<TComponent*>(Value);
    if (scene != FWatchedScene) {
        if (FWatchedScene) FWatchedScene->RemoveFreeNotification(this);
        FWatchedScene = scene;
        if (FWatchedScene) FWatchedScene->FreeNotification(this);
    }
    TGLBaseSceneObject::SetScene(Value);
}

void TGLCamera::Notification(TComponent* AComponent, TOperation Operation)
{
    // The dying target is forgotten without touching its notification list, which it is walking.
    if (Operation == opRemove && AComponent == FTargetObject) {
        FTargetObject = nullptr;
        if (!(ComponentState() & csLoading)) TransformationChanged();
    }
    // So is a dying scene, by this camera and its children; the scene's tree is already gone.
    if (Operation == opRemove && AComponent == FWatchedScene) {
        FWatchedScene = nullptr;
        SetScene(nullptr);
    }
    TGLBaseSceneObject::Notification(AComponent, Operation);
}

float TGLCamera::GetFieldOfView(float AViewportDimension) const
{
    if (FFocalLength == 0) return 0;
    return static_cast<float>(
        RadiansToDegrees(2 * std::atan2(AViewportDimension / 2.0, static_cast<double>(FFocalLength))));
}

void TGLCamera::SetFieldOfView(float AFieldOfView, float AViewportDimension)
{
    // 0 would give an infinite focal length, 180 and more a negative one.
    if (!(AFieldOfView > 0 && AFieldOfView < 180)) return;
    SetFocalLength(static_cast<float>(AViewportDimension / (2 * std::tan(DegreesToRadians(AFieldOfView / 2)))));
}

// ---------------------------------------------------------------------------------------------------------
// Target and navigation

TVector4f TGLCamera::VectorToTarget()
{
    return Difference(FTargetObject->AbsolutePosition(), AbsolutePosition());
}

TVector4f TGLCamera::AbsoluteVectorToTarget()
{
    return FTargetObject ? Normalized(VectorToTarget()) : AbsoluteDirection();
}

TVector4f TGLCamera::AbsoluteRightVectorToTarget()
{
    return FTargetObject ? Normalized(Cross(VectorToTarget(), AbsoluteUp())) : AbsoluteRight();
}

TVector4f TGLCamera::AbsoluteUpVectorToTarget()
{
    return FTargetObject ? Cross(AbsoluteRightVectorToTarget(), AbsoluteVectorToTarget()) : AbsoluteUp();
}

float TGLCamera::DistanceToTarget()
{
    return FTargetObject ? static_cast<float>(HmgDistance(FTargetObject->AbsolutePosition(), AbsolutePosition())) : 1;
}

void TGLCamera::AdjustDistanceToTarget(float distanceRatio)
{
    if (!FTargetObject) return;
    const TVector4f target = FTargetObject->AbsolutePosition();
    TVector4f position;
    HmgScale(Difference(AbsolutePosition(), target), distanceRatio, position);
    HmgAdd(target, position, position);
    if (Parent()) position = Parent()->AbsoluteToLocal(position);
    Position()->SetAsVector(position);
}

TVector4f TGLCamera::AbsoluteEyeSpaceVector(float forwardDistance, float rightDistance, float upDistance)
{
    TVector4f result{};
    if (forwardDistance != 0) AddScaled(result, AbsoluteVectorToTarget(), forwardDistance);
    if (rightDistance != 0) AddScaled(result, AbsoluteRightVectorToTarget(), rightDistance);
    if (upDistance != 0) AddScaled(result, AbsoluteUpVectorToTarget(), upDistance);
    return result;
}

void TGLCamera::MoveInEyeSpace(float forwardDistance, float rightDistance, float upDistance)
{
    TVector4f v = AbsoluteEyeSpaceVector(forwardDistance, rightDistance, upDistance);
    if (Parent()) v = Parent()->AbsoluteToLocal(v);
    Position()->Translate(v);
}

void TGLCamera::MoveTargetInEyeSpace(float forwardDistance, float rightDistance, float upDistance)
{
    if (!FTargetObject) return;
    TVector4f v = AbsoluteEyeSpaceVector(forwardDistance, rightDistance, upDistance);
    if (FTargetObject->Parent()) v = FTargetObject->Parent()->AbsoluteToLocal(v);
    FTargetObject->Position()->Translate(v);
}

void TGLCamera::MoveAroundTarget(float pitchDelta, float turnDelta)
{
    MoveObjectAround(FTargetObject, pitchDelta, turnDelta);
}

void TGLCamera::MoveAllAroundTarget(float pitchDelta, float turnDelta)
{
    MoveObjectAllAround(FTargetObject, pitchDelta, turnDelta);
}

void TGLCamera::RotateObject(TGLBaseSceneObject* obj, float pitchDelta, float turnDelta, float rollDelta)
{
    if (!obj) return;
    const TVector4f view = FTargetObject ? AbsoluteVectorToTarget() : AbsoluteDirection();
    TVector4f up = AbsoluteUp();
    const TVector4f right = Cross(view, up);
    if (FTargetObject) up = Cross(right, view);
    const TVector4f savedScale = obj->Scale()->AsVector();
    const TVector4f savedPosition = obj->Position()->AsVector();
    TMatrix4f m = obj->Matrix();
    MatrixOrthonormalizeInPlace(m);
    const std::pair<float, const TVector4f*> turns[] = {{rollDelta, &view}, {turnDelta, &up}, {pitchDelta, &right}};
    for (const auto& [delta, axis] : turns) {
        if (delta == 0) continue;
        TMatrix4f rotation;
        MatrixRotationAxis(Affine(obj->AbsoluteToLocal(*axis)), static_cast<float>(DegreesToRadians(delta)),
                           rotation);
        MatrixProduct(rotation, m, m);
    }
    obj->SetMatrix(m);
    obj->Scale()->SetAsVector(savedScale);
    obj->Position()->SetAsVector(savedPosition);
}

void TGLCamera::RotateTarget(float pitchDelta, float turnDelta, float rollDelta)
{
    if (FTargetObject) RotateObject(FTargetObject, pitchDelta, turnDelta, rollDelta);
}

bool TGLCamera::PointInFront(const TVector4f& point)
{
    return HmgPointInHalfSpace(point, AbsolutePosition(), AbsoluteDirection());
}

TVector4f TGLCamera::ScreenDeltaToVector(int32_t deltaX, int32_t deltaY, float ratio, const TVector4f& planeNormal)
{
    TVector4f forward = FTargetObject ? VectorToTarget() : Direction()->AsVector();
    AddScaled(forward, planeNormal, static_cast<float>(-HmgDot(forward, planeNormal)));
    HmgNormalizeInPlace(forward);
    const TVector4f right = Cross(forward, planeNormal);
    TVector4f result;
    HmgScale(right, deltaX * ratio, result);
    AddScaled(result, forward, deltaY * ratio);
    return result;
}

namespace {

// The delta scaled by ratio / len, or by ratio for a vector (nearly) perpendicular to the plane.
std::pair<float, float> PlaneDelta(int32_t deltaX, int32_t deltaY, float ratio, double len)
{
    const double s = len > 1e-10 ? ratio / len : ratio;
    return {static_cast<float>(deltaX * s), static_cast<float>(deltaY * s)};
}

} // namespace

TVector4f TGLCamera::ScreenDeltaToVectorXY(int32_t deltaX, int32_t deltaY, float ratio)
{
    const TVector4f v = FTargetObject ? VectorToTarget() : Direction()->AsVector();
    const auto [dx, dy] = PlaneDelta(deltaX, deltaY, ratio, FloatHypot(v.X, v.Y));
    return TVector4f{{{v.Y * dx + v.X * dy, v.Y * dy - v.X * dx, 0, 0}}};
}

TVector4f TGLCamera::ScreenDeltaToVectorXZ(int32_t deltaX, int32_t deltaY, float ratio)
{
    const TVector4f v = FTargetObject ? VectorToTarget() : Direction()->AsVector();
    const auto [dx, dy] = PlaneDelta(deltaX, deltaY, ratio, FloatHypot(v.X, v.Z));
    return TVector4f{{{-v.Z * dx + v.X * dy, 0, v.Z * dy + v.X * dx, 0}}};
}

TVector4f TGLCamera::ScreenDeltaToVectorYZ(int32_t deltaX, int32_t deltaY, float ratio)
{
    const TVector4f v = FTargetObject ? VectorToTarget() : Direction()->AsVector();
    const auto [dx, dy] = PlaneDelta(deltaX, deltaY, ratio, FloatHypot(v.Y, v.Z));
    return TVector4f{{{0, v.Z * dx + v.Y * dy, v.Z * dy - v.Y * dx, 0}}};
}

void TGLCamera::AutoLeveling(float Factor)
{
    const TVector4f up = Up()->AsVector();
    const double angle = RadiansToDegrees(ArcCosine(HmgDot(up, cYHmgVector)));
    const TVector4f axis = Cross(cYHmgVector, up);
    if (angle <= 1 || HmgLength(axis) == 0) return;
    const TVector4f rollDirection = Cross(Direction()->AsVector(), up);
    // The step is taken as radians.
    Up()->Rotate(axis, static_cast<float>(angle / (Factor * 10)));
    Up()->Normalize();
    Direction()->SetDirectVector(Cross(Up()->AsVector(), rollDirection));
    Rotation()->SetZ(static_cast<float>(
        -RadiansToDegrees(std::atan2(rollDirection.Y, FloatHypot(rollDirection.X, rollDirection.Z)))));
}

void TGLCamera::Reset(IVAVodadSceneBuffer* aSceneBuffer)
{
    Rotation()->SetZ(0);
    FFocalLength = 50;
    const TRectangle viewport = aSceneBuffer->ViewPort();
    ApplyPerspective(viewport, viewport.Width, viewport.Height, aSceneBuffer->RenderDPI());
    Up()->SetDirectVector(cYHmgVector);
    Position()->SetPoint(0, 0, FNearPlane * std::min(viewport.Width, viewport.Height) / 4);
    Direction()->SetVector(0, 0, -1);
    TransformationChanged();
}

void TGLCamera::ZoomAll(IVAVodadSceneBuffer* aSceneBuffer)
{
    const TRectangle viewport = aSceneBuffer->ViewPort();
    Position()->SetDirectVector(TVector4f{{{0, 0, 0, 1}}});
    Move(-FNearPlane * std::min(viewport.Width, viewport.Height) / 4);
    const TVector4f position = Position()->AsVector();
    Direction()->SetVector(-position.X, -position.Y, -position.Z);
}

void TGLCamera::Assign(TPersistent* Source)
{
    if (!Source) return;
    TGLBaseSceneObject::Assign(Source);
    auto* camera = dynamic_cast<TGLCamera*>(Source);
    if (!camera) return;
    SetDepthOfView(camera->FDepthOfView);
    SetFocalLength(camera->FFocalLength);
    SetCameraStyle(camera->FCameraStyle);
    SetSceneScale(camera->FSceneScale);
    SetNearPlaneBias(camera->FNearPlaneBias);
    SetScene(camera->Scene());
    SetKeepFOVMode(camera->FKeepFOVMode);
    if (Parent()) {
        SetTargetObject(camera->FTargetObject);
    } else {
        Position()->SetAsVector(camera->AbsolutePosition());
        if (camera->FTargetObject) {
            const TVector4f target = camera->FTargetObject->AbsolutePosition();
            Direction()->SetAsVector(Normalized(Difference(target, AbsolutePosition())));
        }
    }
}

void TGLCamera::DefineProperties(TFiler& Filer)
{
    TGLBaseSceneObject::DefineProperties(Filer);
    DefineSingleProperty(Filer, "DepthOfView", FDepthOfView, 100, [this](float v) { SetDepthOfView(v); });
    DefineSingleProperty(Filer, "FocalLength", FFocalLength, 50, [this](float v) { SetFocalLength(v); });
    DefineSingleProperty(Filer, "SceneScale", FSceneScale, 1, [this](float v) { SetSceneScale(v); });
    DefineSingleProperty(Filer, "NearPlaneBias", FNearPlaneBias, 1, [this](float v) { SetNearPlaneBias(v); });
    DefineReferenceProperty(Filer, "TargetObject", FTargetObject, FTargetObjectName);
    DefineEnumProperty<TGLCameraStyle>(Filer, "CameraStyle", cCameraStyleNames, FCameraStyle, csPerspective,
                                       [this](TGLCameraStyle v) { SetCameraStyle(v); });
    DefineEnumProperty<TGLCameraKeepFOVMode>(Filer, "KeepFOVMode", cKeepFOVModeNames, FKeepFOVMode, ckmHorizontalFOV,
                                             [this](TGLCameraKeepFOVMode v) { SetKeepFOVMode(v); });
    DefineNestedProperties(Filer, "Position", *Position());
    DefineNestedProperties(Filer, "Direction", *Direction());
    DefineNestedProperties(Filer, "Up", *Up());
}

void TGLCamera::Loaded()
{
    TGLBaseSceneObject::Loaded();
    ResolveReference<TGLBaseSceneObject>(this, FTargetObjectName, [this](auto* target) { SetTargetObject(target); });
}

void TGLCamera::DoRender(TGLRenderContextInfo& rci, bool /*renderSelf*/, bool renderChildren)
{
    if (renderChildren && Count() > 0) RenderChildren(0, Count() - 1, rci);
}
