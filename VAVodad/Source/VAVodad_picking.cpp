// The scene buffer's answers about a rendered view: the objects under a screen rectangle, the colour and depth
// of a pixel, and conversions between window coordinates and world space.
#include "VAVodad.h"

#include "GLPipelineTransformation.h"
#include "GLPlatformHelpers.h"
#include "GLSelection.h"
#include "GLState.h"
#include "GLVectorGeometry.h"
#include "GLVectorGeometryMatrices.h"
#include "SysUtils.h"
#include "XOpenGL.h"

#include <algorithm>
#include <memory>

namespace {

TVector4f Point(const TVector3f& v, float w)
{
    return TVector4f{{{v.X, v.Y, v.Z, w}}};
}

TVector3f Affine(const TVector4f& v)
{
    return TVector3f{{{v.X, v.Y, v.Z}}};
}

// The depth range a camera's depth buffer spans.
float DepthSpan(const TGLCamera* camera)
{
    return camera->CameraStyle() == csOrtho2D ? 2.0f : camera->DepthOfView();
}

} // namespace

// ---- picking

void TVAVodadBuffer::PickObjects(const TRect& rect, TGLPickList* pickList, int32_t objectCountGuess)
{
    if (!FCamera) return;
    Assert(!FRendering, "Already rendering", cVAVodadUnit);
    Assert(pickList != nullptr, "", cVAVodadUnit);
    if (!FRenderingContext) return;
    TActiveContext active(FRenderingContext);
    const TScopedValue rendering(FRendering, true);
    bool selecting = false;
    TryFinally(
        [&] {
            if (!FSelector) {
                FSelector = std::make_unique<TGLSelectRenderModeTechnique>();
                FSelector->SetObjectCountGuess(8);
            }
            GetCurrentMultitextureCoordinator()->MapTexCoordToNull();
            SetupCameraMatrices(FViewPort, FRenderDPI, &rect);
            FSelector->SetHits(-1);
            if (objectCountGuess > 0) FSelector->SetObjectCountGuess(objectCountGuess);
            TVAVodad* scene = CameraScene();
            do {
                FSelector->Start();
                selecting = true;
                FRenderDPI = 96;
                if (scene) RenderScene(scene, FViewPort.Width, FViewPort.Height, dsPicking, nullptr);
                selecting = false;
            } while (!FSelector->Stop());
            TGLPickList* list = pickList;
            FSelector->FillPickingList(list);
            for (int32_t i = 0; i < pickList->Count(); ++i) {
                auto* object = dynamic_cast<TGLBaseSceneObject*>(pickList->Hit(i));
                if (object && object->OnPicked) object->OnPicked(object);
            }
        },
        [&] {
            // A pass that failed half way must not leave the context in selection mode.
            if (selecting) GetCurrentGL()->RenderMode(GL_RENDER);
        });
}

TGLPickList* TVAVodadBuffer::GetPickedObjects(const TRect& rect, int32_t objectCountGuess)
{
    auto list = std::make_unique<TGLPickList>(psMinDepth);
    PickObjects(rect, list.get(), objectCountGuess);
    return list.release();
}

TGLBaseSceneObject* TVAVodadBuffer::GetPickedObject(int32_t x, int32_t y)
{
    const std::unique_ptr<TGLPickList> list(GetPickedObjects(TRect{x - 1, y - 1, x + 1, y + 1}, 64));
    return list->Count() > 0 ? dynamic_cast<TGLBaseSceneObject*>(list->Hit(0)) : nullptr;
}

// ---- pixels

void TVAVodadBuffer::ReadPixel(int32_t x, int32_t y, GLenum format, GLenum type, void* pixel)
{
    TActiveContext active(FRenderingContext);
    FRenderingContext->GLStates()->SetPackAlignment(1);
    // y counts pixel rows from the top: the row below the top edge is height - 1.
    GetCurrentGL()->ReadPixels(x, FViewPort.Height - 1 - y, 1, 1, format, type, pixel);
}

TColor TVAVodadBuffer::GetPixelColor(int32_t x, int32_t y)
{
    if (!FCamera || !FRenderingContext) return 0;
    uint8_t rgb[3] = {0, 0, 0};
    ReadPixel(x, y, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    return static_cast<TColor>(PackRGBColor(rgb[0], rgb[1], rgb[2]));
}

float TVAVodadBuffer::GetPixelDepth(int32_t x, int32_t y)
{
    if (!FCamera || !FRenderingContext) return 0;
    float depth = 0;
    ReadPixel(x, y, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    return depth;
}

float TVAVodadBuffer::PixelDepthToDistance(float aDepth)
{
    if (!FCamera) return 0;
    const float n = FCamera->NearPlane();
    const float d = DepthSpan(FCamera);
    const float f = n + d;
    return n * f / (f - d * aDepth);
}

float TVAVodadBuffer::PixelToDistance(int32_t x, int32_t y)
{
    const float distance = PixelDepthToDistance(GetPixelDepth(x, y));
    const TVector4f centre = ScreenToVector(FViewPort.Width / 2, FViewPort.Height / 2);
    const TVector4f ray = ScreenToVector(x, y);
    return static_cast<float>(distance / AffineAngleCosine(Affine(centre), Affine(ray)));
}

TVector3f TVAVodadBuffer::PixelRayToWorld(int32_t x, int32_t y)
{
    if (!FCamera) return TVector3f{};
    const float d = DepthSpan(FCamera);
    const float n = FCamera->NearPlane();
    const float f = n + d;
    const float distance = f * n / (f - GetPixelDepth(x, y) * d);
    TVector3f v = ScreenToVector(TVector3f{{{static_cast<float>(x), static_cast<float>(FViewPort.Height - y), 0}}});
    AffineNormalizeInPlace(v);
    const TVector3f centre =
        ScreenToVector(TVector3f{{{FViewPort.Width * 0.5f, FViewPort.Height * 0.5f, 0}}});
    const float factor = static_cast<float>(distance / AffineAngleCosine(centre, v));
    TVector3f result = Affine(FCamera->AbsolutePosition());
    AffineAddScaledInPlace(result, v, factor);
    return result;
}

// ---- conversions

TVector3f TVAVodadBuffer::ScreenToWorld(const TVector3f& aPoint)
{
    if (!FCamera || !FRenderingContext) return aPoint;
    const TMatrix4f viewProjection = FRenderingContext->PipelineTransformation()->ViewProjectionMatrix();
    TVector4f world;
    if (!UnprojectPointFromViewport(Point(aPoint, 1), viewProjection, FViewPort, world)) return aPoint;
    return Affine(world);
}

TVector4f TVAVodadBuffer::ScreenToWorld(const TVector4f& aPoint)
{
    return Point(ScreenToWorld(Affine(aPoint)), 1);
}

TVector3f TVAVodadBuffer::ScreenToWorld(int32_t screenX, int32_t screenY)
{
    return ScreenToWorld(TVector3f{{{static_cast<float>(screenX), static_cast<float>(FViewPort.Height - screenY), 0}}});
}

TVector3f TVAVodadBuffer::WorldToScreen(const TVector3f& aPoint)
{
    if (!FRenderingContext) return aPoint;
    TActiveContext active(FRenderingContext);
    SetupCameraMatrices(FViewPort, FRenderDPI);
    TVector4f screen;
    if (FCamera && ProjectPointToViewport(Point(aPoint, 1),
                                          FRenderingContext->PipelineTransformation()->ViewProjectionMatrix(),
                                          FViewPort, screen))
        return Affine(screen);
    return aPoint;
}

TVector4f TVAVodadBuffer::WorldToScreen(const TVector4f& aPoint)
{
    return Point(WorldToScreen(Affine(aPoint)), 0);
}

void TVAVodadBuffer::WorldToScreen(TVector4f* points, int32_t nbPoints)
{
    if (!FCamera || !FRenderingContext) return;
    const TMatrix4f viewProjection = FRenderingContext->PipelineTransformation()->ViewProjectionMatrix();
    for (int32_t i = 0; i < nbPoints; ++i) {
        TVector4f screen;
        if (ProjectPointToViewport(Point(Affine(points[i]), 1), viewProjection, FViewPort, screen))
            points[i] = Point(Affine(screen), points[i].W);
    }
}

TVector3f TVAVodadBuffer::ScreenToVector(const TVector3f& aPoint)
{
    TVector3f result = ScreenToWorld(aPoint);
    AffineSubtractInPlace(result, Affine(FCameraAbsolutePosition));
    return result;
}

TVector4f TVAVodadBuffer::ScreenToVector(const TVector4f& aPoint)
{
    return Point(ScreenToVector(Affine(aPoint)), 0);
}

TVector4f TVAVodadBuffer::ScreenToVector(int32_t x, int32_t y)
{
    return Point(ScreenToVector(TVector3f{{{static_cast<float>(x), static_cast<float>(y), 0}}}), 0);
}

TVector3f TVAVodadBuffer::VectorToScreen(const TVector3f& VectToCam)
{
    TVector3f world = VectToCam;
    AffineAddInPlace(world, Affine(FCameraAbsolutePosition));
    return WorldToScreen(world);
}

bool TVAVodadBuffer::ScreenVectorIntersectWithPlane(const TVector3f& aScreenPoint, const TVector4f& planePoint,
                                                    const TVector4f& planeNormal, TVector4f& intersectPoint)
{
    if (!FCamera) return false;
    const bool hit = RayIntersectPlane(FCamera->AbsolutePosition(), ScreenToVector(Point(aScreenPoint, 0)),
                                       planePoint, planeNormal, &intersectPoint);
    intersectPoint.W = 1;
    return hit;
}

namespace {

// The plane through the origin moved by offset along an axis, with the axis as its normal; the intersection's
// W is 0.
bool IntersectWithAxisPlane(TVAVodadBuffer& buffer, const TVector3f& aScreenPoint, int axis, float offset,
                            TVector4f& intersectPoint)
{
    TVector4f point{{{0, 0, 0, 1}}}, normal{{{0, 0, 0, 0}}};
    point.V[axis] = offset;
    normal.V[axis] = 1;
    const bool hit = buffer.ScreenVectorIntersectWithPlane(aScreenPoint, point, normal, intersectPoint);
    intersectPoint.W = 0;
    return hit;
}

} // namespace

bool TVAVodadBuffer::ScreenVectorIntersectWithPlaneXY(const TVector3f& aScreenPoint, float z,
                                                      TVector4f& intersectPoint)
{
    return IntersectWithAxisPlane(*this, aScreenPoint, 2, z, intersectPoint);
}

bool TVAVodadBuffer::ScreenVectorIntersectWithPlaneYZ(const TVector3f& aScreenPoint, float x,
                                                      TVector4f& intersectPoint)
{
    return IntersectWithAxisPlane(*this, aScreenPoint, 0, x, intersectPoint);
}

bool TVAVodadBuffer::ScreenVectorIntersectWithPlaneXZ(const TVector3f& aScreenPoint, float y,
                                                      TVector4f& intersectPoint)
{
    return IntersectWithAxisPlane(*this, aScreenPoint, 1, y, intersectPoint);
}

TVector3f TVAVodadBuffer::OrthoScreenToWorld(int32_t screenX, int32_t screenY)
{
    if (!FCamera) return TVector3f{};
    const bool targeted = FCamera->TargetObject() != nullptr;
    const TVector4f up = targeted ? FCamera->AbsoluteUpVectorToTarget() : FCamera->AbsoluteUp();
    const TVector4f right = targeted ? FCamera->AbsoluteRightVectorToTarget() : FCamera->AbsoluteRight();
    const float s = 100 * FCamera->NearPlaneBias() / (FCamera->FocalLength() * FCamera->SceneScale()) /
                    static_cast<float>(std::max(FViewPort.Width, FViewPort.Height));
    TVector3f result = Affine(FCameraAbsolutePosition);
    AffineAddScaledInPlace(result, Affine(up), static_cast<float>(screenY - FViewPort.Height / 2) * s);
    AffineAddScaledInPlace(result, Affine(right), static_cast<float>(screenX - FViewPort.Width / 2) * s);
    return result;
}
