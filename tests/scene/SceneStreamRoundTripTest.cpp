// Every registered scene-object and shader class survives a save and a load with a value other than its default
// in each property it publishes: scene objects in a scene file, the other components as the root of a component
// stream. References to other components are written by name and found once the whole stream is in: the scene's
// own objects first, then the components beside the scene (its owner's).
#include "GLAnimatedSprite.h"
#include "GLBitmapFont.h"
#include "GLCadencer.h"
#include "GLColor.h"
#include "GLCoordinates.h"
#include "GLFireFX.h"
#include "GLGeomObjects.h"
#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "GLMesh.h"
#include "GLNodes.h"
#include "GLObjects.h"
#include "GLPostEffects.h"
#include "GLSLShader.h"
#include "GLShadowPlane.h"
#include "GLShadowVolume.h"
#include "GLSkyBox.h"
#include "GLTexCombineShader.h"
#include "GLTilePlane.h"
#include "GLVectorLists.h"
#include "GLWindowsFont.h"
#include "Graphics.h"
#include "StringLists.h"
#include "VAVodad.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace {

// The components beside the scene and in it that properties refer to.
struct TWorld {
    TGLMaterialLibrary* MatLib;
    TGLCadencer* Cadencer;
    TGLBitmapFont* Font;
    TGLSLPostPixelateShader* Pixelate;
    TGLLightSource* Lamp;
    TGLDummyCube* Target;
};

// ---- property values as text, to compare before and after

std::string Text(float v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%a", double(v));
    return text;
}
template <class T> requires std::is_integral_v<T> std::string Text(T v) { return std::to_string(v); }
template <class T> requires std::is_enum_v<T> std::string Text(T v) { return std::to_string(int(v)); }
template <class E, class S> std::string Text(TSet<E, S> v) { return "set " + std::to_string(v.Bits()); }
std::string Text(const std::string& v) { return '"' + v + '"'; }
std::string Text(const TVector4f& v) { return Text(v.X) + " " + Text(v.Y) + " " + Text(v.Z) + " " + Text(v.W); }
std::string Text(const TGLColor* v) { return Text(v->Color()); }
std::string Text(const TGLCustomCoordinates* v) { return Text(v->AsVector()); }
std::string Text(TStrings* v) { return v->Text(); }
std::string Text(const TGLShaderProgram* v) { return v->Code()->Text(); }
template <class T> requires std::is_base_of_v<TComponent, T> std::string Text(const T* v)
{
    return v ? v->Name() : "nil";
}
std::string Text(const TGLNodes* nodes)
{
    std::string text;
    for (int32_t i = 0; i < nodes->Count(); ++i) {
        const TGLNode* node = (*nodes)[i];
        text += "(" + Text(node->X()) + " " + Text(node->Y()) + " " + Text(node->Z());
        if (auto* linesNode = dynamic_cast<const TGLLinesNode*>(node)) text += " " + Text(linesNode->Color());
        text += ")";
    }
    return text;
}
template <class TList> std::string ListText(const TList* list)
{
    std::string text;
    for (int32_t i = 0; i < list->Count(); ++i)
        for (float v : (*list)[i].V) text += Text(v) + " ";
    return text;
}
std::string Text(const TAffineVectorList* v) { return ListText(v); }
std::string Text(const TVectorList* v) { return ListText(v); }
std::string Text(TPicture* picture)
{
    std::string text = std::to_string(picture->Width()) + "x" + std::to_string(picture->Height());
    TBitmap* bitmap = picture->Bitmap();
    for (int32_t y = 0; y < bitmap->Height(); ++y)
        text.append(reinterpret_cast<const char*>(bitmap->ScanLine(y)), size_t(bitmap->Width()) * bitmap->BytesPerPixel());
    return text;
}
std::string Text(const TGLBitmapFontRanges* ranges)
{
    std::string text;
    for (int32_t i = 0; i < ranges->Count(); ++i) {
        const TGLBitmapFontRange* range = ranges->GetItems(i);
        text += Text(range->StartASCII()) + Text(range->StopASCII()) + Text(range->StartGlyphIdx()) + ";";
    }
    return text;
}
std::string Text(const TGLShadowVolumeCasters* casters)
{
    std::string text;
    for (int32_t i = 0; i < casters->Count(); ++i) {
        const TGLShadowVolumeCaster* item = casters->GetItems(i);
        text += Text(item->Caster()) + " " + Text(item->EffectiveRadius()) + " " + Text(item->Capping()) + " " +
                Text(item->CastingMode()) + ";";
    }
    return text;
}
std::string Text(const TGLPostShaderCollection* shaders)
{
    std::string text;
    for (int32_t i = 0; i < shaders->Count(); ++i) text += Text(shaders->GetItems(i)->Shader()) + ";";
    return text;
}
std::string Text(const TGLPointParameters* p)
{
    return Text(p->Enabled()) + " " + Text(p->MinSize()) + " " + Text(p->MaxSize()) + " " +
           Text(p->FadeTresholdSize()) + " " + Text(p->DistanceAttenuation());
}
std::string Text(const TSpriteAnimationList* animations)
{
    std::string text;
    for (int i = 0; i < animations->Count(); ++i)
        text += Text(animations->Items(i)->FrameWidth()) + Text(animations->Items(i)->LibMaterialName()) + ";";
    return text;
}

// ---- the table

struct TPropertyCase {
    const char* Name;
    std::function<void(TPersistent*, const TWorld&)> Set;
    std::function<std::string(TPersistent*)> Get;
};

struct TClassCase {
    const char* ClassName;
    std::vector<TPropertyCase> Properties;
};

template <class T> T& As(TPersistent* o) { return dynamic_cast<T&>(*o); }

// Set<Name>(value); the value may use the world w.
#define PROPERTY(Class, Name, ...)                                                                                    \
    TPropertyCase                                                                                                     \
    {                                                                                                                 \
        #Name, [](TPersistent* p, const TWorld& w) { (void)w; As<Class>(p).Set##Name(__VA_ARGS__); },               \
            [](TPersistent* p) { return Text(As<Class>(p).Name()); }                                                  \
    }
// A statement on the object o (and the world w) for a property without a plain setter.
#define EDIT(Class, Name, ...)                                                                                        \
    TPropertyCase                                                                                                     \
    {                                                                                                                 \
        #Name, [](TPersistent* p, const TWorld& w) { (void)w; auto& o = As<Class>(p); __VA_ARGS__; },               \
            [](TPersistent* p) { return Text(As<Class>(p).Name()); }                                                  \
    }

std::unique_ptr<TGLColor> Color(float r, float g, float b, float a)
{
    return std::make_unique<TGLColor>(nullptr, TVector4f{{{r, g, b, a}}});
}

TStringList* Lines(const char* text)
{
    static TStringList lines;
    lines.SetText(text);
    return &lines;
}

const std::vector<TClassCase>& ClassCases()
{
    static const std::vector<TClassCase> cases = {
        // The scene-object bases and the scene's own objects.
        {"TGLBaseSceneObject", {PROPERTY(TGLBaseSceneObject, TagFloat, 2.5f)}},
        {"TVAVodadObject",
         {PROPERTY(TVAVodadObject, Visible, false), PROPERTY(TVAVodadObject, Pickable, false),
          PROPERTY(TVAVodadObject, ShowAxes, true), PROPERTY(TVAVodadObject, Hint, "crate"),
          PROPERTY(TVAVodadObject, ObjectsSorting, osNone), PROPERTY(TVAVodadObject, VisibilityCulling, vcHierarchical),
          EDIT(TVAVodadObject, Position, o.Position()->SetPoint(1, 2, 3)),
          EDIT(TVAVodadObject, Scale, o.Scale()->SetVector(2, 3, 4)), PROPERTY(TVAVodadObject, TurnAngle, 30.0f)}},
        {"TGLImmaterialSceneObject", {}},
        {"TGLCameraInvariantObject", {}},
        {"TGLRenderPoint", {}},
        {"TGLDirectOpenGL", {}},
        {"TGLProxyObject", {}},
        {"TGLLightSource",
         {EDIT(TGLLightSource, Ambient, o.Ambient()->SetColor(0.1f, 0.2f, 0.3f, 0.4f)),
          EDIT(TGLLightSource, Diffuse, o.Diffuse()->SetColor(0.5f, 0.6f, 0.7f, 0.8f)),
          EDIT(TGLLightSource, Specular, o.Specular()->SetColor(0.9f, 1, 0, 1)),
          PROPERTY(TGLLightSource, ConstAttenuation, 2.0f), PROPERTY(TGLLightSource, LinearAttenuation, 0.25f),
          PROPERTY(TGLLightSource, QuadraticAttenuation, 0.125f), PROPERTY(TGLLightSource, LightStyle, lsOmni),
          PROPERTY(TGLLightSource, Shining, false), PROPERTY(TGLLightSource, SpotCutOff, 45.0f),
          PROPERTY(TGLLightSource, SpotExponent, 3.0f),
          EDIT(TGLLightSource, SpotDirection, o.SpotDirection()->SetVector(0, -1, 0))}},
        {"TGLCamera",
         {PROPERTY(TGLCamera, DepthOfView, 250.0f), PROPERTY(TGLCamera, FocalLength, 20.0f),
          PROPERTY(TGLCamera, SceneScale, 2.0f), PROPERTY(TGLCamera, NearPlaneBias, 0.5f),
          PROPERTY(TGLCamera, CameraStyle, csOrthogonal), PROPERTY(TGLCamera, KeepFOVMode, ckmVerticalFOV),
          PROPERTY(TGLCamera, TargetObject, w.Target)}},
        // Dummy cube, plane, sprite, points.
        {"TGLDummyCube",
         {PROPERTY(TGLDummyCube, CubeSize, 3.0f), EDIT(TGLDummyCube, EdgeColor, o.EdgeColor()->SetColor(1, 0, 0, 1)),
          PROPERTY(TGLDummyCube, VisibleAtRunTime, true), PROPERTY(TGLDummyCube, Amalgamate, true),
          PROPERTY(TGLDummyCube, CamInvarianceMode, cimPosition)}},
        {"TGLPlane",
         {PROPERTY(TGLPlane, Width, 2.0f), PROPERTY(TGLPlane, Height, 3.0f), PROPERTY(TGLPlane, XOffset, 0.5f),
          PROPERTY(TGLPlane, YOffset, 0.25f), PROPERTY(TGLPlane, XScope, 0.5f), PROPERTY(TGLPlane, YScope, 0.75f),
          PROPERTY(TGLPlane, XTiles, 4u), PROPERTY(TGLPlane, YTiles, 5u),
          PROPERTY(TGLPlane, Style, TGLPlaneStyles{psTileTexture})}},
        {"TGLSprite",
         {PROPERTY(TGLSprite, Width, 2.0f), PROPERTY(TGLSprite, Height, 3.0f), PROPERTY(TGLSprite, Rotation, 27.0f),
          PROPERTY(TGLSprite, AlphaChannel, 0.5f), PROPERTY(TGLSprite, MirrorU, true),
          PROPERTY(TGLSprite, MirrorV, true)}},
        {"TGLPoints",
         {EDIT(TGLPoints, Positions, o.Positions()->Add(TVector3f{{{1, 2, 3}}})),
          EDIT(TGLPoints, Colors, o.Colors()->Add(TVector4f{{{1, 0, 0, 1}}})), PROPERTY(TGLPoints, Size, 4.0f),
          PROPERTY(TGLPoints, Style, psSmooth), PROPERTY(TGLPoints, Static, true), PROPERTY(TGLPoints, NoZWrite, true),
          EDIT(TGLPoints, PointParameters, {
              o.PointParameters()->SetEnabled(true);
              o.PointParameters()->SetMinSize(1);
              o.PointParameters()->SetMaxSize(64);
              o.PointParameters()->SetFadeTresholdSize(2);
              o.PointParameters()->DistanceAttenuation()->SetVector(1, 0.5f, 0.25f);
          })}},
        // Lines.
        {"TGLLines",
         {EDIT(TGLLines, LineColor, o.LineColor()->SetColor(1, 0, 0, 0.5f)), PROPERTY(TGLLines, LinePattern, 0xCCCC),
          PROPERTY(TGLLines, LineWidth, 2.0f), PROPERTY(TGLLines, AntiAliased, true),
          PROPERTY(TGLLines, NodesAspect, lnaCube), PROPERTY(TGLLines, NodeColor, Color(0, 1, 0, 1).get()),
          PROPERTY(TGLLines, NodeSize, 0.5f),
          // Three nodes, one with a colour of its own: even the former default node colour stays its own.
          EDIT(TGLLines, Nodes, {
              o.AddNode(1, 2, 3);
              o.AddNode(4, 5, 6);
              o.AddNode(7, 8, 9);
              static_cast<TGLLinesNode*>((*o.Nodes())[1])->Color()->SetColor(0, 0, 1, 1);
          }),
          PROPERTY(TGLLines, Division, 4), PROPERTY(TGLLines, SplineMode, lsmCubicSpline),
          PROPERTY(TGLLines, Options, TLinesOptions{loUseNodeColorForLines}), PROPERTY(TGLLines, NURBSOrder, 3),
          PROPERTY(TGLLines, NURBSTolerance, 25.0f)}},
        // Solids.
        {"TGLCube",
         {PROPERTY(TGLCube, CubeWidth, 2.0f), PROPERTY(TGLCube, CubeHeight, 3.0f), PROPERTY(TGLCube, CubeDepth, 4.0f),
          PROPERTY(TGLCube, Parts, TCubeParts{cpTop}), PROPERTY(TGLCube, NormalDirection, ndInside)}},
        {"TGLSphere",
         {PROPERTY(TGLSphere, Normals, nsFlat), PROPERTY(TGLSphere, NormalDirection, ndInside),
          PROPERTY(TGLSphere, Radius, 2.0f), PROPERTY(TGLSphere, Slices, 8), PROPERTY(TGLSphere, Stacks, 6),
          PROPERTY(TGLSphere, Top, 45), PROPERTY(TGLSphere, Bottom, -30), PROPERTY(TGLSphere, Start, 10),
          PROPERTY(TGLSphere, Stop, 300), PROPERTY(TGLSphere, TopCap, ctFlat), PROPERTY(TGLSphere, BottomCap, ctCenter)}},
        {"TGLSuperellipsoid", {PROPERTY(TGLSuperellipsoid, VCurve, 3.0f), PROPERTY(TGLSuperellipsoid, HCurve, 0.5f)}},
        // Quadrics and the other geometric objects.
        {"TGLDisk",
         {PROPERTY(TGLDisk, StartAngle, 10.0f), PROPERTY(TGLDisk, SweepAngle, 90.0f),
          PROPERTY(TGLDisk, OuterRadius, 2.0f), PROPERTY(TGLDisk, InnerRadius, 0.5f), PROPERTY(TGLDisk, Slices, 8),
          PROPERTY(TGLDisk, Loops, 3)}},
        {"TGLCone",
         {PROPERTY(TGLCone, BottomRadius, 2.0f), PROPERTY(TGLCone, Height, 3.0f), PROPERTY(TGLCone, Slices, 8),
          PROPERTY(TGLCone, Stacks, 2), PROPERTY(TGLCone, Loops, 3), PROPERTY(TGLCone, Parts, TConeParts{coSides})}},
        {"TGLCylinder",
         {PROPERTY(TGLCylinder, Parts, TCylinderParts{cySides, cyTop}), PROPERTY(TGLCylinder, TopRadius, 0.25f),
          PROPERTY(TGLCylinder, Alignment, caTop)}},
        {"TGLAnnulus",
         {PROPERTY(TGLAnnulus, Parts, TAnnulusParts{anOuterSides}), PROPERTY(TGLAnnulus, BottomInnerRadius, 0.1f),
          PROPERTY(TGLAnnulus, TopInnerRadius, 0.2f), PROPERTY(TGLAnnulus, TopRadius, 0.75f)}},
        {"TGLArrowLine",
         {PROPERTY(TGLArrowLine, Parts, TArrowLineParts{alLine, alBottomArrow}),
          PROPERTY(TGLArrowLine, TopRadius, 0.3f), PROPERTY(TGLArrowLine, TopArrowHeadHeight, 0.6f),
          PROPERTY(TGLArrowLine, TopArrowHeadRadius, 0.4f), PROPERTY(TGLArrowLine, BottomArrowHeadHeight, 0.7f),
          PROPERTY(TGLArrowLine, BottomArrowHeadRadius, 0.35f),
          PROPERTY(TGLArrowLine, HeadStackingStyle, ahssIncluded)}},
        {"TGLArrowArc",
         {PROPERTY(TGLArrowArc, ArcRadius, 2.0f), PROPERTY(TGLArrowArc, StartAngle, 15.0f),
          PROPERTY(TGLArrowArc, StopAngle, 200.0f), PROPERTY(TGLArrowArc, Parts, TArrowArcParts{aaArc}),
          PROPERTY(TGLArrowArc, Stacks, 8)}},
        {"TGLCapsule",
         {PROPERTY(TGLCapsule, Height, 3.0f), PROPERTY(TGLCapsule, Slices, 8), PROPERTY(TGLCapsule, Stacks, 6),
          PROPERTY(TGLCapsule, Radius, 0.75f), PROPERTY(TGLCapsule, Parts, TCylinderParts{cySides}),
          PROPERTY(TGLCapsule, Alignment, caBottom)}},
        {"TGLTorus",
         {PROPERTY(TGLTorus, MajorRadius, 2.0f), PROPERTY(TGLTorus, MinorRadius, 0.5f), PROPERTY(TGLTorus, Rings, 12u),
          PROPERTY(TGLTorus, Sides, 8u), PROPERTY(TGLTorus, StartAngle, 30.0f), PROPERTY(TGLTorus, StopAngle, 270.0f),
          PROPERTY(TGLTorus, Parts, TTorusParts{toSides})}},
        {"TGLFrustrum",
         {PROPERTY(TGLFrustrum, ApexHeight, 3.0f), PROPERTY(TGLFrustrum, BaseDepth, 2.0f),
          PROPERTY(TGLFrustrum, BaseWidth, 4.0f), PROPERTY(TGLFrustrum, Height, 1.5f),
          PROPERTY(TGLFrustrum, Parts, TFrustrumParts{fpBottom, fpFront}),
          PROPERTY(TGLFrustrum, NormalDirection, ndInside)}},
        {"TGLPolygon",
         {EDIT(TGLPolygon, Nodes, {
              o.AddNode(0, 0, 0);
              o.AddNode(1, 0, 0);
              o.AddNode(0, 1, 0);
          }),
          PROPERTY(TGLPolygon, Division, 4), PROPERTY(TGLPolygon, SplineMode, lsmCubicSpline),
          PROPERTY(TGLPolygon, Parts, TPolygonParts{ppTop})}},
        // Texts and sprites on the screen.
        {"TGLHUDSprite", {PROPERTY(TGLHUDSprite, XTiles, 3), PROPERTY(TGLHUDSprite, YTiles, 2)}},
        {"TGLHUDText",
         {PROPERTY(TGLHUDText, BitmapFont, w.Font), PROPERTY(TGLHUDText, Text, "Hello\rthere"),
          PROPERTY(TGLHUDText, Alignment, taCenter), PROPERTY(TGLHUDText, Layout, tlBottom),
          EDIT(TGLHUDText, ModulateColor, o.ModulateColor()->SetColor(1, 1, 0, 0.5f)),
          PROPERTY(TGLHUDText, Rotation, 15.0f)}},
        {"TGLResolutionIndependantHUDText", {}},
        {"TGLAbsoluteHUDText", {}},
        {"TGLFlatText", {PROPERTY(TGLFlatText, Options, TGLFlatTextOptions{ftoTwoSided})}},
        {"TGLAnimatedSprite",
         {PROPERTY(TGLAnimatedSprite, MaterialLibrary, w.MatLib),
          EDIT(TGLAnimatedSprite, Animations, {
              auto* animation = new TSpriteAnimation(o.Animations());
              animation->SetFrameWidth(32);
              animation->SetLibMaterialName("stone");
          }),
          PROPERTY(TGLAnimatedSprite, Interval, 40), PROPERTY(TGLAnimatedSprite, AnimationIndex, 0),
          PROPERTY(TGLAnimatedSprite, AnimationMode, samLoop), PROPERTY(TGLAnimatedSprite, Rotation, 90),
          PROPERTY(TGLAnimatedSprite, PixelRatio, 50), PROPERTY(TGLAnimatedSprite, MirrorU, true),
          PROPERTY(TGLAnimatedSprite, MirrorV, true)}},
        // Sky, shadows, tiles, effects.
        {"TGLSkyBox",
         {PROPERTY(TGLSkyBox, MatNameTop, "top"), PROPERTY(TGLSkyBox, MatNameBottom, "bottom"),
          PROPERTY(TGLSkyBox, MatNameLeft, "left"), PROPERTY(TGLSkyBox, MatNameRight, "right"),
          PROPERTY(TGLSkyBox, MatNameFront, "front"), PROPERTY(TGLSkyBox, MatNameBack, "back"),
          PROPERTY(TGLSkyBox, MatNameClouds, "clouds"), PROPERTY(TGLSkyBox, MaterialLibrary, w.MatLib),
          PROPERTY(TGLSkyBox, CloudsPlaneOffset, 0.5f), PROPERTY(TGLSkyBox, CloudsPlaneSize, 16.0f),
          PROPERTY(TGLSkyBox, Style, sbsTopHalfClamped)}},
        {"TGLShadowVolume",
         {PROPERTY(TGLShadowVolume, Active, false), PROPERTY(TGLShadowVolume, Capping, svcNever),
          PROPERTY(TGLShadowVolume, Options, TGLShadowVolumeOptions{svoShowVolumes}),
          PROPERTY(TGLShadowVolume, Mode, svmDarkening),
          EDIT(TGLShadowVolume, DarkeningColor, o.DarkeningColor()->SetColor(0.2f, 0, 0, 0.75f)),
          EDIT(TGLShadowVolume, Lights, o.Lights()->AddCaster(w.Lamp, 12, scmAlways)->SetCapping(svcAlways)),
          EDIT(TGLShadowVolume, Occluders, o.Occluders()->AddCaster(w.Target, 5, scmVisible)->SetCapping(svcNever))}},
        {"TGLShadowPlane",
         {PROPERTY(TGLShadowPlane, ShadowingObject, w.Target), PROPERTY(TGLShadowPlane, ShadowedLight, w.Lamp),
          EDIT(TGLShadowPlane, ShadowColor, o.ShadowColor()->SetColor(0.1f, 0.1f, 0.1f, 0.25f)),
          PROPERTY(TGLShadowPlane, ShadowOptions, TShadowPlaneOptions{spoTransparent}),
          PROPERTY(TGLShadowPlane, Style, TGLPlaneStyles{psSingleQuad})}},
        {"TGLTilePlane",
         {PROPERTY(TGLTilePlane, NoZWrite, true), PROPERTY(TGLTilePlane, MaterialLibrary, w.MatLib),
          PROPERTY(TGLTilePlane, SortByMaterials, false)}},
        {"TGLPostEffect", {PROPERTY(TGLPostEffect, Preset, pepNightVision)}},
        {"TGLPostShaderHolder",
         {PROPERTY(TGLPostShaderHolder, TempTextureTarget, ttTextureRect),
          EDIT(TGLPostShaderHolder, Shaders, o.Shaders()->Add()->SetShader(w.Pixelate))}},
        // Meshes: their own properties are the mesh module's.
        {"TGLMesh", {PROPERTY(TGLMesh, Mode, mmTriangles), PROPERTY(TGLMesh, VertexMode, vmV)}},
        {"TGLFreeForm", {}},
        {"TGLActor", {}},
        // Shaders.
        {"TGLShader", {PROPERTY(TGLShader, Enabled, false)}},
        {"TGLTexCombineShader",
         {PROPERTY(TGLTexCombineShader, Combiners, Lines("Tex1:=Tex0+Tex1;\n// the light map\n")),
          PROPERTY(TGLTexCombineShader, DesignTimeEnabled, true),
          PROPERTY(TGLTexCombineShader, MaterialLibrary, w.MatLib),
          PROPERTY(TGLTexCombineShader, LibMaterial3Name, "stone"),
          PROPERTY(TGLTexCombineShader, LibMaterial4Name, "moss")}},
        {"TGLCustomShader", {}},
        {"TGLCustomGLSLShader", {}},
        {"TGLSLShader",
         {EDIT(TGLSLShader, VertexProgram, o.VertexProgram()->Code()->SetText("void main() {}\n")),
          EDIT(TGLSLShader, FragmentProgram, o.FragmentProgram()->Code()->SetText("void main() { }\n")),
          EDIT(TGLSLShader, GeometryProgram, o.GeometryProgram()->Code()->SetText("// geometry\n")),
          PROPERTY(TGLSLShader, ActiveVarying, Lines("gl_Position\n")),
          PROPERTY(TGLSLShader, TransformFeedBackMode, tfbmSeparate),
          PROPERTY(TGLSLShader, FailedInitAction, fiaSilentDisable)}},
        {"TGLCustomGLSLPostPixelateShader", {}},
        {"TGLSLPostPixelateShader",
         {PROPERTY(TGLSLPostPixelateShader, PixelWidth, 4.0f), PROPERTY(TGLSLPostPixelateShader, PixelHeight, 6.0f)}},
        // Fonts and the fire manager: components that scene objects use.
        {"TGLBitmapFont",
         {EDIT(TGLBitmapFont, Glyphs, {
              TBitmap glyphs;
              glyphs.SetPixelFormat(pf32bit);
              glyphs.SetSize(64, 32);
              for (int32_t y = 0; y < 32; ++y)
                  for (int32_t x = 0; x < 64 * 4; ++x) glyphs.ScanLine(y)[x] = uint8_t(x ^ (y * 8));
              o.Glyphs()->Assign(&glyphs);
          }),
          EDIT(TGLBitmapFont, Ranges, o.Ranges()->Add(u'A', u'Z')->SetStartGlyphIdx(2)),
          PROPERTY(TGLBitmapFont, CharWidth, 8), PROPERTY(TGLBitmapFont, CharHeight, 10),
          PROPERTY(TGLBitmapFont, GlyphsIntervalX, 1), PROPERTY(TGLBitmapFont, GlyphsIntervalY, 2),
          PROPERTY(TGLBitmapFont, HSpace, 3), PROPERTY(TGLBitmapFont, VSpace, 4),
          PROPERTY(TGLBitmapFont, MagFilter, maNearest), PROPERTY(TGLBitmapFont, MinFilter, miNearest),
          PROPERTY(TGLBitmapFont, GlyphsAlpha, tiaOpaque)}},
        {"TGLWindowsBitmapFont",
         {EDIT(TGLWindowsBitmapFont, Ranges, o.Ranges()->Add(u'a', u'z')), PROPERTY(TGLWindowsBitmapFont, HSpace, 3),
          PROPERTY(TGLWindowsBitmapFont, VSpace, 4), PROPERTY(TGLWindowsBitmapFont, MagFilter, maNearest),
          PROPERTY(TGLWindowsBitmapFont, MinFilter, miNearest)}},
        {"TGLFireFXManager",
         {PROPERTY(TGLFireFXManager, Cadencer, w.Cadencer), PROPERTY(TGLFireFXManager, Reference, w.Target),
          PROPERTY(TGLFireFXManager, MaxParticles, 64), PROPERTY(TGLFireFXManager, FireRadius, 2.0f),
          PROPERTY(TGLFireFXManager, Paused, true)}},
    };
    return cases;
}

class SceneStreamRoundTrip : public ::testing::Test {
protected:
    void SetUp() override
    {
        FForm = std::make_unique<TComponent>(nullptr);
        auto make = [this]<class T>(T* component, const char* name) {
            component->SetName(name);
            return component;
        };
        FWorld.MatLib = make(new TGLMaterialLibrary(FForm.get()), "matlib");
        FWorld.MatLib->Materials()->Add()->SetName("stone");
        FWorld.MatLib->Materials()->Add()->SetName("moss");
        FWorld.Cadencer = make(new TGLCadencer(FForm.get()), "cadencer");
        FWorld.Font = make(new TGLBitmapFont(FForm.get()), "font");
        FWorld.Pixelate = make(new TGLSLPostPixelateShader(FForm.get()), "pixelate");
        FScene = make(new TVAVodad(FForm.get()), "scene");
        PlaceWorld();
    }
    void TearDown() override { Free(FForm.release()); }

    // The scene's own objects that properties refer to, found again after every load.
    void PlaceWorld()
    {
        if (!(FWorld.Lamp = dynamic_cast<TGLLightSource*>(FScene->FindSceneObject("Lamp")))) {
            FWorld.Lamp = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(FScene->Objects());
            FWorld.Lamp->SetName("Lamp");
        }
        if (!(FWorld.Target = dynamic_cast<TGLDummyCube*>(FScene->FindSceneObject("Target")))) {
            FWorld.Target = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(FScene->Objects());
            FWorld.Target->SetName("Target");
        }
    }

    std::unique_ptr<TComponent> FForm;
    TVAVodad* FScene = nullptr;
    TWorld FWorld{};
};

TEST_F(SceneStreamRoundTrip, EveryClassKeepsEveryPublishedProperty)
{
    for (const TClassCase& classCase : ClassCases()) {
        SCOPED_TRACE(classCase.ClassName);
        const TPersistentClass* registered = GetClass(classCase.ClassName);
        ASSERT_NE(registered, nullptr) << "not registered";
        TPersistent* made = registered->Create(FScene);
        auto* subject = dynamic_cast<TComponent*>(made);
        ASSERT_NE(subject, nullptr);
        subject->SetName("Subject");
        auto* sceneObject = dynamic_cast<TGLBaseSceneObject*>(subject);
        if (sceneObject) FScene->Objects()->AddChild(sceneObject);

        std::vector<std::string> expected;
        for (const TPropertyCase& property : classCase.Properties) {
            const std::string before = property.Get(subject);
            property.Set(subject, FWorld);
            expected.push_back(property.Get(subject));
            EXPECT_NE(expected.back(), before) << property.Name << " keeps its default in this test";
        }

        TMemoryStream stream;
        TComponent* read = nullptr;
        if (sceneObject) {
            FScene->SaveToStream(stream);
            stream.SetPosition(0);
            FScene->LoadFromStream(stream);
            PlaceWorld();
            read = dynamic_cast<TGLBaseSceneObject*>(FScene->FindSceneObject("Subject"));
        } else {
            TWriter(stream).WriteRootComponent(subject);
            Free(subject);
            stream.SetPosition(0);
            read = static_cast<TComponent*>(registered->Create(FForm.get()));
            TReader(stream).ReadRootComponent(read);
        }
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(read->ClassName(), classCase.ClassName);
        for (size_t i = 0; i < classCase.Properties.size(); ++i)
            EXPECT_EQ(classCase.Properties[i].Get(read), expected[i]) << classCase.Properties[i].Name;
        Free(read);
    }
}

} // namespace
