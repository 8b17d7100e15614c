// The engine's bare frame of a game view: a plain scene holding copies of what the game's scene shows, lit by the
// same lights and seen by a camera in the same place, rendered alone (no game logic). The level's visible meshes,
// planes and sprites are copied one level deep, as the game builds them; with the HUD, every HUD layer (the root's
// dummy cubes from the battle screen's on) is copied whole, in drawing order, with what it holds.
#pragma once

#include "UGH_main.h"

#include "GLGeomObjects.h"
#include "GLObjects.h"
#include "GLShadowVolume.h"
#include "GLSkyBox.h"
#include "GLVectorFileObjects.h"
#include "VAVodad.h"

#include <cstdint>

struct TPlainScene {
    TPlainScene(TForm1& form, bool withHUD)
    {
        Scene = new TVAVodad(nullptr);
        TGLBaseSceneObject* root = Scene->Objects();
        Camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(root);
        Camera->SetFocalLength(form.mcam->FocalLength());
        Camera->SetDepthOfView(form.mcam->DepthOfView());
        Camera->SetMatrix(form.mcam->AbsoluteMatrix());
        for (TGLLightSource* light : form.scenelights) CopyInPlace(light, root);
        CopyInPlace(form.playerlight, root);
        if (form.GLSkyBox1->Visible()) CopyInPlace(form.GLSkyBox1, root);
        CopyVisibleChildren(form.shadowz, root);
        if (withHUD) CopyHUD(form, root);
    }
    ~TPlainScene() { Free(Scene); }
    TPlainScene(const TPlainScene&) = delete;
    TPlainScene& operator=(const TPlainScene&) = delete;

    template <class T> T* Copy(T* source, TGLBaseSceneObject* parent)
    {
        T* copy = TGLBaseSceneObject::CreateAsChild<T>(parent);
        copy->Assign(source);
        ++Objects;
        return copy;
    }
    template <class T> void CopyInPlace(T* source, TGLBaseSceneObject* parent)
    {
        Copy(source, parent)->SetMatrix(source->AbsoluteMatrix());
    }
    // The level's meshes, planes and sprites that show, one level deep as the game builds them.
    void CopyVisibleChildren(TGLBaseSceneObject* parent, TGLBaseSceneObject* root)
    {
        for (int32_t i = 0; i < parent->Count(); ++i) {
            TGLBaseSceneObject* child = parent->Children(i);
            if (!child->Visible()) continue;
            if (auto* mesh = dynamic_cast<TGLFreeForm*>(child))
                CopyInPlace(mesh, root);
            else if (auto* plane = dynamic_cast<TGLPlane*>(child))
                CopyInPlace(plane, root);
            else if (auto* sprite = dynamic_cast<TGLSprite*>(child))
                CopyInPlace(sprite, root);
        }
    }
    // The visible HUD layers, each with its whole subtree (a dummy cube's copy copies its children).
    void CopyHUD(TForm1& form, TGLBaseSceneObject* root)
    {
        TGLBaseSceneObject* gameRoot = form.VAVodad1->Objects();
        for (int32_t i = form.dcuibg->Index(); i < gameRoot->Count(); ++i)
            if (auto* layer = dynamic_cast<TGLDummyCube*>(gameRoot->Children(i)); layer && layer->Visible())
                Copy(layer, root);
    }

    TVAVodad* Scene = nullptr;
    TGLCamera* Camera = nullptr;
    int32_t Objects = 0; // lights, the sky box and the HUD layers included
};
