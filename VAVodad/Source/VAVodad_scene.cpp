#include "VAVodad.h"

#include "ComponentStreams.h"
#include "GLApplicationFileIO.h"
#include "GLBoundingBoxes.h"
#include "GLContext.h"
#include "GLPersistentClasses.h"
#include "GLPipelineTransformation.h"
#include "GLSilhouette.h"
#include "GLState.h"
#include "GLVectorGeometry.h"
#include "OpenGLAdapter.h"
#include "Streams.h"
#include "SysUtils.h"
#include "VAVodad_streaming.h"
#include "VAVodad_vectors.h"
#include "ZODLog.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

constexpr TEnumNames<4> cLightStyleNames{"lsSpot", "lsOmni", "lsParallel", "lsParallelSpot"};

TVector4f WithW(TVector4f v, float w)
{
    v.W = w;
    return v;
}

// The distance mode the driver had before the first default fog; -1 until read.
int32_t vDefaultFogDistanceMode = -1;

// Whether the ray (from origin along direction, not behind it) can meet what lies in the local sphere that m
// places (the centre, the radius in W): the radius grows by the most m can stretch a length (the root of the
// sum of the squares of its 3 x 3 part). Much cheaper than an object's box in world space, which the ray cast
// builds only for the objects this lets through.
bool RayMayMeetSphere(const TVector3f& origin, const TVector3f& direction, const TVector4f& sphere,
                      const TMatrix4f& m)
{
    double stretch2 = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) stretch2 += double(m.V[i].V[j]) * m.V[i].V[j];
    const TVector4f placed = Transformed(TVector4f{{{sphere.X, sphere.Y, sphere.Z, 1}}}, m);
    double toCentre[3];
    double along = 0;
    double length2 = 0;
    for (int i = 0; i < 3; ++i) {
        toCentre[i] = double(placed.V[i]) - origin.V[i];
        along += toCentre[i] * direction.V[i];
        length2 += double(direction.V[i]) * direction.V[i];
    }
    const double t = along > 0 && length2 > 0 ? along / length2 : 0; // the nearest point of the ray
    double miss2 = 0;
    for (int i = 0; i < 3; ++i) {
        const double d = toCentre[i] - t * direction.V[i];
        miss2 += d * d;
    }
    // A little room for the rounding of single precision; the box test that follows is exact.
    return miss2 <= double(sphere.W) * sphere.W * stretch2 * (1 + 1e-4) + 1e-6;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TGLLightSource

TGLLightSource::TGLLightSource(TComponent* AOwner) : TGLBaseSceneObject(AOwner)
{
    FSpotDirection = std::make_unique<TGLCoordinates>(this, TVector4f{{{0, 0, -1, 0}}}, CsVector);
    FAmbient = std::make_unique<TGLColor>(this, TVector4f{{{0, 0, 0, 1}}});
    FDiffuse = std::make_unique<TGLColor>(this, TVector4f{{{1, 1, 1, 1}}});
    FSpecular = std::make_unique<TGLColor>(this, TVector4f{{{0, 0, 0, 1}}});
}

TGLLightSource::~TGLLightSource() = default;

void TGLLightSource::SetSpotDirection(TGLCoordinates* AValue)
{
    FSpotDirection->SetDirectVector(AValue->AsVector());
    FSpotDirection->SetW(0);
    NotifyChange(this);
}

void TGLLightSource::SetSpotExponent(float AValue)
{
    if (FSpotExponent == AValue) return;
    FSpotExponent = AValue;
    NotifyChange(this);
}

void TGLLightSource::SetSpotCutOff(float AValue)
{
    if (FSpotCutOff == AValue) return;
    if ((AValue >= 0 && AValue <= 90) || AValue == 180) {
        FSpotCutOff = AValue;
        NotifyChange(this);
    }
}

void TGLLightSource::SetConstAttenuation(float AValue)
{
    if (FConstAttenuation == AValue) return;
    FConstAttenuation = AValue;
    NotifyChange(this);
}

void TGLLightSource::SetLinearAttenuation(float AValue)
{
    if (FLinearAttenuation == AValue) return;
    FLinearAttenuation = AValue;
    NotifyChange(this);
}

void TGLLightSource::SetQuadraticAttenuation(float AValue)
{
    if (FQuadraticAttenuation == AValue) return;
    FQuadraticAttenuation = AValue;
    NotifyChange(this);
}

void TGLLightSource::SetShining(bool AValue)
{
    if (FShining == AValue) return;
    FShining = AValue;
    NotifyChange(this);
}

void TGLLightSource::SetAmbient(TGLColor* AValue)
{
    FAmbient->SetColor(AValue->Color());
    NotifyChange(this);
}

void TGLLightSource::SetDiffuse(TGLColor* AValue)
{
    FDiffuse->SetColor(AValue->Color());
    NotifyChange(this);
}

void TGLLightSource::SetSpecular(TGLColor* AValue)
{
    FSpecular->SetColor(AValue->Color());
    NotifyChange(this);
}

void TGLLightSource::SetLightStyle(TLightStyle AValue)
{
    if (FLightStyle == AValue) return;
    FLightStyle = AValue;
    NotifyChange(this);
}

bool TGLLightSource::Attenuated() const
{
    return FLightStyle != lsParallel &&
           (FConstAttenuation != 1 || FLinearAttenuation != 0 || FQuadraticAttenuation != 0);
}

void TGLLightSource::CoordinateChanged(TGLCustomCoordinates* Sender)
{
    TGLBaseSceneObject::CoordinateChanged(Sender);
    if (Sender == FSpotDirection.get()) TransformationChanged();
}

std::unique_ptr<TGLSilhouette> TGLLightSource::GenerateSilhouette(const TGLSilhouetteParameters&)
{
    return nullptr;
}

void TGLLightSource::DoRender(TGLRenderContextInfo& rci, bool /*renderSelf*/, bool renderChildren)
{
    if (renderChildren && Count() > 0) RenderChildren(0, Count() - 1, rci);
}

void TGLLightSource::DefineProperties(TFiler& Filer)
{
    TGLBaseSceneObject::DefineProperties(Filer);
    DefineNestedProperties(Filer, "Ambient", *FAmbient);
    DefineSingleProperty(Filer, "ConstAttenuation", FConstAttenuation, 1,
                         [this](float v) { SetConstAttenuation(v); });
    DefineNestedProperties(Filer, "Diffuse", *FDiffuse);
    DefineSingleProperty(Filer, "LinearAttenuation", FLinearAttenuation, 0,
                         [this](float v) { SetLinearAttenuation(v); });
    DefineSingleProperty(Filer, "QuadraticAttenuation", FQuadraticAttenuation, 0,
                         [this](float v) { SetQuadraticAttenuation(v); });
    DefineNestedProperties(Filer, "Position", *Position());
    DefineEnumProperty<TLightStyle>(Filer, "LightStyle", cLightStyleNames, FLightStyle, lsSpot,
                                    [this](TLightStyle v) { SetLightStyle(v); });
    DefineBooleanProperty(Filer, "Shining", FShining, true, [this](bool v) { SetShining(v); });
    DefineNestedProperties(Filer, "Specular", *FSpecular);
    DefineSingleProperty(Filer, "SpotCutOff", FSpotCutOff, 180, [this](float v) { SetSpotCutOff(v); });
    DefineNestedProperties(Filer, "SpotDirection", *FSpotDirection);
    DefineSingleProperty(Filer, "SpotExponent", FSpotExponent, 0, [this](float v) { SetSpotExponent(v); });
}

// ---------------------------------------------------------------------------------------------------------
// TVAVodad: construction and destruction

TVAVodad::TVAVodad(TComponent* AOwner) : TGLUpdateAbleComponent(AOwner)
{
    FLights = std::make_unique<TPersistentObjectList>();
    FLights->AddNils(cLightTableSize);
    FObjects = new TVAVodadRootObject(this);
    FObjects->SetName("ObjectRoot");
}

void TVAVodad::BeforeDestruction()
{
    Teardown();
    TGLUpdateAbleComponent::BeforeDestruction();
}

TVAVodad::~TVAVodad()
{
    // Reached without the pre-destroy step only by a plain delete.
    try {
        Teardown();
    } catch (const std::exception& e) {
        GlobalLogSession()->LogError(std::string("Scene destruction: ") + e.what());
    }
}

void TVAVodad::Teardown()
{
    // The tree goes first: its lights give their entries back while the table still exists.
    if (FObjects) {
        FObjects->DestroyHandles();
        FreeAndNil(FObjects);
    }
    FLights.reset();
    FBuffers.clear();
}

// ---------------------------------------------------------------------------------------------------------
// Change notification and buffers

void TVAVodad::BeginUpdate()
{
    ++FUpdateCount;
}

void TVAVodad::EndUpdate()
{
    Assert(FUpdateCount > 0, "", cVAVodadUnit);
    if (--FUpdateCount == 0) NotifyChange(this);
}

bool TVAVodad::IsUpdating() const
{
    return FUpdateCount != 0 || (ComponentState() & (csLoading | csDestroying));
}

void TVAVodad::NotifyChange(TObject* /*Sender*/)
{
    if (IsUpdating()) return;
    // A buffer may leave the scene while it hears of the change.
    for (size_t i = 0; i < FBuffers.size(); ++i) FBuffers[i]->NotifyChange(this);
}

void TVAVodad::AddBuffer(IVAVodadSceneBuffer* aBuffer)
{
    if (!aBuffer || std::find(FBuffers.begin(), FBuffers.end(), aBuffer) != FBuffers.end()) return;
    FBuffers.push_back(aBuffer);
    TGLContext* base = BaseContext();
    TGLContext* context = aBuffer->RenderingContext();
    if (FBuffers.size() > 1 && base && context && context != base) context->ShareLists(base);
}

void TVAVodad::RemoveBuffer(IVAVodadSceneBuffer* aBuffer)
{
    std::erase(FBuffers, aBuffer);
    if (FCurrentBuffer == aBuffer) FCurrentBuffer = nullptr;
}

TGLContext* TVAVodad::BaseContext() const
{
    return FBuffers.empty() ? nullptr : FBuffers.front()->RenderingContext();
}

void TVAVodad::SetObjectsSorting(TGLObjectsSorting Value)
{
    if (Value == osInherited) Value = osRenderBlendedLast;
    if (FObjectsSorting == Value) return;
    FObjectsSorting = Value;
    NotifyChange(this);
}

void TVAVodad::SetVisibilityCulling(TGLVisibilityCulling Value)
{
    if (Value == vcInherited) Value = vcNone;
    if (FVisibilityCulling == Value) return;
    FVisibilityCulling = Value;
    NotifyChange(this);
}

// ---------------------------------------------------------------------------------------------------------
// Lights

void TVAVodad::AddLight(TGLLightSource* aLight)
{
    if (!FLights || FLights->IndexOf(aLight) >= 0) return;
    for (int32_t i = 0; i < cLightTableSize; ++i) {
        if (!FLights->Get(i)) {
            FLights->Put(i, aLight);
            aLight->FLightID = static_cast<uint32_t>(i);
            return;
        }
    }
}

void TVAVodad::RemoveLight(TGLLightSource* aLight)
{
    if (!FLights) return;
    const int32_t i = FLights->IndexOf(aLight);
    if (i >= 0) FLights->Put(i, nullptr);
}

void TVAVodad::AddLights(TGLBaseSceneObject* anObj)
{
    if (auto* light = dynamic_cast<TGLLightSource*>(anObj)) AddLight(light);
    for (int32_t i = 0; i < anObj->Count(); ++i) AddLights(anObj->Children(i));
}

void TVAVodad::RemoveLights(TGLBaseSceneObject* anObj)
{
    // By identity, not by class: an object may be on its way out of its destructor.
    if (FLights) {
        const int32_t i = FLights->IndexOf(anObj);
        if (i >= 0) FLights->Put(i, nullptr);
    }
    for (int32_t i = 0; i < anObj->Count(); ++i) RemoveLights(anObj->Children(i));
}

void TVAVodad::SetupLights(int32_t maxLights)
{
    TGLContext* context = GetCurrentGLContextOrAbort();
    TGLStateCache& states = *context->GLStates();
    TGLTransformation& transformation = *context->PipelineTransformation();
    const int32_t n = std::min(cLightTableSize, maxLights);
    for (int32_t i = 0; i < n; ++i) {
        auto* light = static_cast<TGLLightSource*>(FLights->Get(i));
        if (!light) {
            states.SetLightEnabling(i, false);
            continue;
        }
        const int32_t id = static_cast<int32_t>(light->FLightID);
        states.SetLightEnabling(id, light->FShining);
        if (!light->FShining) continue;
        const bool positional = light->FLightStyle == lsSpot || light->FLightStyle == lsOmni;
        const TVector4f spotDirection = light->FSpotDirection->AsVector();
        if (states.FixedFunctionPipeLight()) {
            // Sent straight to OpenGL, so that the model matrix in place transforms them.
            (void)light->MatrixAsAddress();
            TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
            const GLenum glLight = GL_LIGHT0 + static_cast<GLenum>(id);
            if (positional) {
                transformation.SetModelMatrix(light->Parent() ? light->Parent()->AbsoluteMatrix() : IdentityHmgMatrix);
                gl.Lightfv(glLight, GL_POSITION, WithW(light->Position()->AsVector(), 1).V);
            } else {
                transformation.SetModelMatrix(light->AbsoluteMatrix());
                gl.Lightfv(glLight, GL_POSITION, WithW(spotDirection, 0).V);
            }
            if ((light->FLightStyle == lsSpot || light->FLightStyle == lsParallelSpot) && light->FSpotCutOff != 180)
                gl.Lightfv(glLight, GL_SPOT_DIRECTION, spotDirection.V);
        }
        states.SetLightPosition(id, WithW(light->AbsolutePosition(), positional ? 1.0f : 0.0f));
        states.SetLightSpotDirection(id, Affine(spotDirection));
        states.SetLightAmbient(id, light->FAmbient->Color());
        states.SetLightDiffuse(id, light->FDiffuse->Color());
        states.SetLightSpecular(id, light->FSpecular->Color());
        states.SetConstantAtten(id, light->FConstAttenuation);
        states.SetLinearAtten(id, light->FLinearAttenuation);
        states.SetQuadAtten(id, light->FQuadraticAttenuation);
        states.SetSpotExponent(id, light->FSpotExponent);
        states.SetSpotCutoff(id, light->FSpotCutOff);
    }
    for (int32_t i = std::max(n, 0); i < static_cast<int32_t>(states.MaxLights()); ++i)
        states.SetLightEnabling(i, false);
    transformation.SetModelMatrix(IdentityHmgMatrix);
}

namespace {

void ShutdownLights(TGLBaseSceneObject* anObj)
{
    if (auto* light = dynamic_cast<TGLLightSource*>(anObj)) light->SetShining(false);
    for (int32_t i = 0; i < anObj->Count(); ++i) ShutdownLights(anObj->Children(i));
}

} // namespace

void TVAVodad::ShutdownAllLights()
{
    ShutdownLights(FObjects);
}

// ---------------------------------------------------------------------------------------------------------
// Progress, search, ray casts

void TVAVodad::Progress(double deltaTime, double newTime)
{
    FCurrentDeltaTime = deltaTime;
    if (OnBeforeProgress) OnBeforeProgress(this, deltaTime, newTime);
    FObjects->DoProgress(TProgressTimes{deltaTime, newTime});
    if (OnProgress) OnProgress(this, deltaTime, newTime);
}

TGLBaseSceneObject* TVAVodad::FindSceneObject(const std::string& AName) const
{
    return FObjects->FindChild(AName, false);
}

TGLBaseSceneObject* TVAVodad::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector,
                                               TVector4f* intersectPoint, TVector4f* intersectNormal)
{
    float bestDist2 = 1e20f;
    TGLBaseSceneObject* bestObject = nullptr;
    RayCastChildren(FObjects, rayStart, rayVector, intersectPoint, intersectNormal, bestDist2, bestObject);
    return bestObject;
}

void TVAVodad::RayCastChildren(TGLBaseSceneObject* anObject, const TVector4f& rayStart, const TVector4f& rayVector,
                               TVector4f* intersectPoint, TVector4f* intersectNormal, float& bestDist2,
                               TGLBaseSceneObject*& bestObject)
{
    const TVector3f origin = Affine(rayStart);
    const TVector3f direction = Affine(rayVector);
    for (int32_t i = 0; i < anObject->Count(); ++i) {
        TGLBaseSceneObject* child = anObject->Children(i);
        if (!child->Visible()) continue;
        if (!RayMayMeetSphere(origin, direction, child->BoundingSphereIncludingChildrenEx(),
                              *child->AbsoluteMatrixAsAddress()))
            continue;
        const TAABB box = child->AxisAlignedBoundingBoxAbsoluteEx();
        float tNear = 0;
        float tFar = 0;
        if (!RayIntersectAABB(origin, direction, box, tNear, tFar)) continue;
        const float nearDist2 =
            static_cast<float>(tNear * tNear * AffineDistanceSquared(direction, TVector3f{}));
        if (nearDist2 > bestDist2 && !AABBContainsPoint(rayStart, box)) continue;
        TVector4f point{};
        TVector4f normal{};
        if (child->RayCastIntersect(rayStart, rayVector, &point, intersectNormal ? &normal : nullptr)) {
            const float dist2 = static_cast<float>(AffineDistanceSquared(Affine(point), origin));
            if (dist2 < bestDist2) {
                bestDist2 = dist2;
                bestObject = child;
                if (intersectPoint) *intersectPoint = point;
                if (intersectNormal) *intersectNormal = normal;
            }
        }
        RayCastChildren(child, rayStart, rayVector, intersectPoint, intersectNormal, bestDist2, bestObject);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Scene files

void TVAVodad::GetChildren(const TGetChildProc& Proc, TComponent* Root)
{
    FObjects->GetChildren(Proc, Root);
}

void TVAVodad::DefineProperties(TFiler& Filer)
{
    TGLUpdateAbleComponent::DefineProperties(Filer);
    DefineEnumProperty<TGLObjectsSorting>(Filer, "ObjectsSorting", cObjectsSortingNames, FObjectsSorting,
                                          osRenderBlendedLast, [this](TGLObjectsSorting v) { SetObjectsSorting(v); });
    DefineEnumProperty<TGLVisibilityCulling>(Filer, "VisibilityCulling", cVisibilityCullingNames, FVisibilityCulling,
                                             vcNone, [this](TGLVisibilityCulling v) { SetVisibilityCulling(v); });
}

void TVAVodad::SaveToStream(TStream& aStream)
{
    TWriter(aStream).WriteRootComponent(this);
}

void TVAVodad::LoadFromStream(TStream& aStream)
{
    // A stream that fails leaves this scene as it was: it is read first into a scene of its own, beside this
    // one so that references by name reach the same components. Only then is this scene cleared and the
    // stream read into it; moving what the trial made would cut the references between its components, as
    // each move tells the others that one left.
    const int64_t start = aStream.Position();
    {
        const std::unique_ptr<TVAVodad, TFreeDeleter> trial(new TVAVodad(Owner()));
        TReader(aStream).ReadRootComponent(trial.get());
    }
    std::vector<std::pair<IVAVodadSceneBuffer*, std::string>> cameraNames;
    for (IVAVodadSceneBuffer* buffer : FBuffers)
        if (TGLCamera* camera = buffer->Camera()) cameraNames.emplace_back(buffer, camera->Name());
    ShutdownAllLights();
    FObjects->DeleteChildren();
    // What the stream leaves out takes its default.
    SetObjectsSorting(osRenderBlendedLast);
    SetVisibilityCulling(vcNone);
    aStream.SetPosition(start);
    TReader(aStream).ReadRootComponent(this);
    for (const auto& [buffer, name] : cameraNames)
        if (auto* camera = dynamic_cast<TGLCamera*>(FindSceneObject(name))) buffer->SetCamera(camera);
}

void TVAVodad::SaveToFile(const std::string& fileName)
{
    std::unique_ptr<TStream> stream = CreateHookedFileStream(fileName, fmCreate);
    SaveToStream(*stream);
}

void SkipSceneResourceHeader(TStream& stream)
{
    const int64_t size = stream.Size();
    auto readBytes = [&](void* buffer, int64_t count) {
        if (stream.Position() + count > size) throw EReadError("Invalid stream format");
        stream.ReadBuffer(buffer, count);
    };
    uint8_t marker = 0;
    uint8_t type[2] = {};
    readBytes(&marker, 1);
    readBytes(type, 2);
    if (marker != 0xFF || type[0] != 10 || type[1] != 0) throw EReadError("Invalid stream format");
    uint8_t c = 1;
    while (c != 0) readBytes(&c, 1);
    uint8_t flagsAndSize[6] = {};
    readBytes(flagsAndSize, 6);
    const uint32_t dataSize = flagsAndSize[2] | (flagsAndSize[3] << 8) | (flagsAndSize[4] << 16) |
                              (static_cast<uint32_t>(flagsAndSize[5]) << 24);
    if (dataSize > size - stream.Position()) throw EReadError("Invalid stream format");
}

void TVAVodad::LoadFromFile(const std::string& fileName)
{
    std::unique_ptr<TStream> stream = CreateHookedFileStream(fileName, fmOpenRead | fmShareDenyWrite);
    uint8_t first = 0;
    if (stream->Size() > 0) {
        stream->ReadBuffer(&first, 1);
        stream->SetPosition(0);
    }
    if (first == 0xFF) SkipSceneResourceHeader(*stream);
    LoadFromStream(*stream);
}

// ---------------------------------------------------------------------------------------------------------
// TGLFogEnvironment

TGLFogEnvironment::TGLFogEnvironment(TPersistent* AOwner)
    : TGLUpdateAbleObject(AOwner), FSceneBuffer(dynamic_cast<IVAVodadSceneBuffer*>(AOwner))
{
    if (!FSceneBuffer) throw EInvalidCast();
    FFogColor = std::make_unique<TGLColor>(this, TVector4f{{{0, 0, 0, 1}}});
}

TGLFogEnvironment::~TGLFogEnvironment() = default;

void TGLFogEnvironment::SetFogColor(TGLColor* Value)
{
    if (!Value) return;
    FFogColor->Assign(Value);
    NotifyChange(this);
}

void TGLFogEnvironment::SetFogStart(float Value)
{
    if (FFogStart == Value) return;
    FFogStart = Value;
    NotifyChange(this);
}

void TGLFogEnvironment::SetFogEnd(float Value)
{
    if (FFogEnd == Value) return;
    FFogEnd = Value;
    NotifyChange(this);
}

void TGLFogEnvironment::SetFogMode(TFogMode Value)
{
    if (FFogMode == Value) return;
    FFogMode = Value;
    NotifyChange(this);
}

void TGLFogEnvironment::SetFogDistance(TFogDistance Value)
{
    if (FFogDistance == Value) return;
    FFogDistance = Value;
    NotifyChange(this);
}

void TGLFogEnvironment::Assign(TPersistent* Source)
{
    auto* fog = dynamic_cast<TGLFogEnvironment*>(Source);
    if (!fog) {
        TGLUpdateAbleObject::Assign(Source);
        return;
    }
    FFogColor->Assign(fog->FFogColor.get());
    FFogStart = fog->FFogStart;
    FFogEnd = fog->FFogEnd;
    FFogMode = fog->FFogMode;
    FFogDistance = fog->FFogDistance;
    NotifyChange(this);
}

bool TGLFogEnvironment::IsAtDefaultValues() const
{
    const TVector4f& c = FFogColor->Color();
    return c.X == 0 && c.Y == 0 && c.Z == 0 && c.W == 1 && FFogStart == 10 && FFogEnd == 1000 &&
           FFogMode == fmLinear && FFogDistance == fdDefault;
}

void TGLFogEnvironment::ApplyFog()
{
    TGLContext* context = FSceneBuffer->RenderingContext();
    if (!context) return;
    const TActiveContext active(context->Active() ? nullptr : context);

    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    switch (FFogMode) {
    case fmLinear:
        gl.Fogi(GL_FOG_MODE, GL_LINEAR);
        break;
    case fmExp:
    case fmExp2:
        gl.Fogi(GL_FOG_MODE, FFogMode == fmExp ? GL_EXP : GL_EXP2);
        gl.Fogf(GL_FOG_DENSITY, FFogColor->Alpha());
        break;
    }
    gl.Fogfv(GL_FOG_COLOR, FFogColor->Color().V);
    gl.Fogf(GL_FOG_START, FFogStart);
    gl.Fogf(GL_FOG_END, FFogEnd);
    if (gl.NV_fog_distance) {
        switch (FFogDistance) {
        case fdEyeRadial:
            gl.Fogi(GL_FOG_DISTANCE_MODE_NV, GL_EYE_RADIAL_NV);
            break;
        case fdEyePlane:
            gl.Fogi(GL_FOG_DISTANCE_MODE_NV, GL_EYE_PLANE_ABSOLUTE_NV);
            break;
        case fdDefault:
            // The driver's own mode, read the first time and put back afterwards.
            if (vDefaultFogDistanceMode == -1)
                gl.GetIntegerv(GL_FOG_DISTANCE_MODE_NV, &vDefaultFogDistanceMode);
            else
                gl.Fogi(GL_FOG_DISTANCE_MODE_NV, vDefaultFogDistanceMode);
            break;
        default:
            Assert(false, "", cVAVodadUnit);
        }
    }
}

// ---------------------------------------------------------------------------------------------------------

void RegisterVAVodadClasses()
{
    RegisterClasses<TGLBaseSceneObject, TVAVodad, TGLLightSource, TGLCamera, TVAVodadObject, TGLImmaterialSceneObject,
                    TGLCameraInvariantObject, TGLDirectOpenGL, TGLRenderPoint, TGLProxyObject, TGLMemoryViewer>();
}
