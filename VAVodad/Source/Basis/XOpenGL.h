// Multitexture routing: scene objects send texture coordinates, texture generation and texture enables
// through the coordinator of the current context, and the material being applied decides which texture units
// receive them (none, unit 0, unit 1, both, or a list of units). The main routing holds the driver's own entry
// points; the other routings hold this module's routines, which forward to the units in turn.
#pragma once

#include "GLContext.h"

#include <GL/gl.h>

#include <cstdint>
#include <vector>

enum TMapTexCoordMode { mtcmUndefined, mtcmNull, mtcmMain, mtcmDual, mtcmSecond, mtcmArbitrary };

class TGLMultitextureCoordinator : public TAbstractMultitextureCoordinator {
public:
    // Starts with the null routing.
    explicit TGLMultitextureCoordinator(TGLContext* AOwner);

    TMapTexCoordMode MapTexCoordMode() const { return FMapTexCoordMode; }
    // The routing that holds once the update bracket closes: the pending one while updating.
    TMapTexCoordMode RequestedMapTexCoordMode() const { return FUpdCount != 0 ? FUpdNewMode : FMapTexCoordMode; }
    void SetMapTexCoordMode(TMapTexCoordMode Value);
    bool SecondTextureUnitForbidden() const { return FSecondTextureUnitForbidden; }

    void MapTexCoordToNull();
    void MapTexCoordToMain();
    // Unit 1, or the null routing while unit 1 is forbidden.
    void MapTexCoordToSecond();
    // Units 0 and 1, or the main routing while unit 1 is forbidden.
    void MapTexCoordToDual();
    // The units as GL enums (GL_TEXTURE0 + k), in order; GL_TEXTURE1 is left out while it is forbidden.
    void MapTexCoordToArbitrary(const std::vector<uint32_t>& units);
    // Bit k (k = 0 to 7) for GL_TEXTURE0 + k; higher bits are ignored.
    void MapTexCoordToArbitrary(uint32_t bitWiseUnits);
    // The mask form with the current mapping added.
    void MapTexCoordToArbitraryAdd(uint32_t bitWiseUnits);
    // The routing (the pending one while updating) as a unit mask; the null and undefined routings fail an
    // assertion.
    uint32_t GetBitWiseMapping() const;

    // Routing requests inside the bracket only record the last one; the outermost EndUpdate installs it.
    void BeginUpdate();
    void EndUpdate();
    void PushState();
    void PopState();

    // Leave unit 1 to mesh code of its own; the current routing stays as it is.
    void ForbidSecondTextureUnit() { FSecondTextureUnitForbidden = true; }
    void AllowSecondTextureUnit() { FSecondTextureUnitForbidden = false; }

    // The unit list of the arbitrary routing, as GL enums.
    const std::vector<uint32_t>& ComplexMapping() const { return FComplexMapping; }

    // The routed entry points, with the signatures of the OpenGL functions of the same names.
    decltype(&::glTexCoord2f) TexCoord2f;
    decltype(&::glTexCoord2fv) TexCoord2fv;
    decltype(&::glTexCoord3f) TexCoord3f;
    decltype(&::glTexCoord3fv) TexCoord3fv;
    decltype(&::glTexCoord4f) TexCoord4f;
    decltype(&::glTexCoord4fv) TexCoord4fv;
    decltype(&::glTexGenf) TexGenf;
    decltype(&::glTexGenfv) TexGenfv;
    decltype(&::glTexGeni) TexGeni;
    decltype(&::glTexGeniv) TexGeniv;
    decltype(&::glTexCoordPointer) TexCoordPointer;
    decltype(&::glEnableClientState) EnableClientState;
    decltype(&::glDisableClientState) DisableClientState;
    decltype(&::glEnable) Enable;
    decltype(&::glDisable) Disable;

private:
    // Installs the routines of the mode when it differs from the current one (line: the assertion's line
    // when the mode needs ARB_multitexture and the context lacks it).
    void Install(TMapTexCoordMode mode, int line);
    // While updating, records the mode; otherwise installs it.
    void Request(TMapTexCoordMode mode, int line);

    TMapTexCoordMode FMapTexCoordMode = mtcmUndefined;
    bool FSecondTextureUnitForbidden = false;
    int32_t FUpdCount = 0;
    TMapTexCoordMode FUpdNewMode = mtcmUndefined;
    std::vector<TMapTexCoordMode> FStateStack;
    std::vector<uint32_t> FComplexMapping;
};

// The coordinator of the calling thread's current context, made on first use; the silent abort without a
// current context.
TGLMultitextureCoordinator* GetCurrentMultitextureCoordinator();

// Makes TGLMultitextureCoordinator the class contexts create; start-up calls it after the context module
// starts.
void RegisterGLMultitextureCoordinator();
