// Screen-space objects drawn over the scene: a textured rectangle and strings of a bitmap font, placed in
// pixels from the viewport's top left (scaled by the rendering resolution against 96 dots per inch) whatever
// the camera does. They live in the scene tree and draw in its render pass, each with its own pixel
// transformation; the game builds its whole interface of them under group nodes that show or hide screens.
#pragma once

#include "GLBitmapFont.h"
#include "GLObjects.h"

#include <cstdint>

// A rectangle of Width x Height pixels centred on its Position (X from the left, Y from the top, Z the depth
// given to OpenGL), textured by its material XTiles x YTiles times, turned by Rotation degrees; its parent's
// place does not move it. A new one is 16 x 16.
class TGLHUDSprite : public TGLSprite {
public:
    explicit TGLHUDSprite(TComponent* AOwner);

    int32_t XTiles() const { return FXTiles; }
    void SetXTiles(int32_t Value);
    int32_t YTiles() const { return FYTiles; }
    void SetYTiles(int32_t Value);

    void DefineProperties(TFiler& Filer) override;
    // Nothing at all while materials are ignored (geometry-only passes), children included. Depth test and
    // depth writes are left off.
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
    // A see-through sprite changes the colour its material set: that material is not left applied for the
    // next object.
    TGLAbstractLibMaterial* StayingMaterial(const TGLRenderContextInfo& rci) const override;

protected:
    bool StoreWidth() const override;
    bool StoreHeight() const override;

private:
    void DrawQuad(TGLRenderContextInfo& rci);

    int32_t FXTiles = 1;
    int32_t FYTiles = 1;
};

// A string of a bitmap font with its reference point at Position (pixels as for a HUD sprite): the top-left
// corner of the text for taLeftJustify and tlTop, glyphs going down; Alignment and Layout place the text about
// the point, Rotation turns it (degrees), Scale enlarges it. Nothing without a font or a text; the children
// are drawn anyway.
class TGLHUDText : public TGLCustomBitmapText {
public:
    explicit TGLHUDText(TComponent* AOwner);

    float Rotation() const { return FRotation; }
    void SetRotation(float Value);

    void DefineProperties(TFiler& Filer) override;
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;

protected:
    // The text with its reference point at (x, y) pixels of the rendering (already scaled by its resolution)
    // and depth z, then the children.
    void RenderTextAt(TGLRenderContextInfo& rci, float x, float y, float z);

private:
    float FRotation = 0;
};

// A HUD text whose Position X and Y are fractions of the viewport's width and height: (0.5, 0.5), a new one's,
// is the centre whatever the size of the view.
class TGLResolutionIndependantHUDText : public TGLHUDText {
public:
    explicit TGLResolutionIndependantHUDText(TComponent* AOwner);
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
};

// A HUD text whose reference point is where its 3-D position is seen on the screen.
class TGLAbsoluteHUDText : public TGLHUDText {
public:
    using TGLHUDText::TGLHUDText;
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
};

// Registers the module's streamable classes (start-up).
void RegisterGLHUDObjectsClasses();
