// Writes to HUD objects that leave an object alone when it already holds the value: a position, text or
// alignment change notifies the scene or rebuilds glyphs, which a steady frame should not pay for.
#pragma once

#include "GLBitmapFont.h"
#include "GLCoordinates.h"
#include "GLHUDObjects.h"
#include "GLMaterial.h"

#include <string>

inline void ShowHUD(TGLBaseSceneObject* object, bool visible)
{
    if (object->Visible() != visible) object->SetVisible(visible);
}

inline void PlaceHUD(TGLBaseSceneObject* object, float x, float y)
{
    TGLCoordinates* position = object->Position();
    if (position->X() != x) position->SetX(x);
    if (position->Y() != y) position->SetY(y);
}

inline void SizeHUD(TGLSprite* sprite, float width, float height)
{
    if (sprite->Width() != width) sprite->SetWidth(width);
    if (sprite->Height() != height) sprite->SetHeight(height);
}

// A sprite's edges: its position is its centre.
inline float LeftEdge(const TGLSprite* sprite)
{
    return sprite->Position()->X() - sprite->Width() / 2;
}

inline float RightEdge(const TGLSprite* sprite)
{
    return sprite->Position()->X() + sprite->Width() / 2;
}

inline float TopEdge(const TGLSprite* sprite)
{
    return sprite->Position()->Y() - sprite->Height() / 2;
}

// The picture a HUD sprite shows: reassigning the same name would look the material up again.
inline void SetHUDMaterial(TGLHUDSprite* sprite, const std::string& name)
{
    if (sprite->Material()->LibMaterialName() != name) sprite->Material()->SetLibMaterialName(name);
}

inline void SetHUDText(TGLCustomBitmapText* text, const std::string& value)
{
    if (text->Text() != value) text->SetText(value);
}

// The text's reference point in its middle, both ways.
inline void CentreHUDText(TGLCustomBitmapText* text)
{
    if (text->Alignment() != taCenter) text->SetAlignment(taCenter);
    if (text->Layout() != tlCenter) text->SetLayout(tlCenter);
}
