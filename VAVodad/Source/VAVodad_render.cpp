// How a scene object draws itself and its children during a frame: culling, the transformation stack, axes,
// effects, depth-test exceptions, and the sorted drawing of children (blended ones last, far to near).
#include "VAVodad.h"

#include "GLBoundingBoxes.h"
#include "GLMaterial.h"
#include "GLPipelineTransformation.h"
#include "GLState.h"
#include "GLVectorGeometry.h"
#include "OpenGLAdapter.h"

#include <algorithm>
#include <deque>
#include <utility>
#include <vector>

namespace {

// Pops the transformation stack when the drawing of a level ends, also by an exception.
class TPipelineLevel {
public:
    explicit TPipelineLevel(TGLTransformation& pipeline) : FPipeline(pipeline) { FPipeline.Push(); }
    ~TPipelineLevel() { FPipeline.Pop(); }
    TPipelineLevel(const TPipelineLevel&) = delete;
    TPipelineLevel& operator=(const TPipelineLevel&) = delete;

private:
    TGLTransformation& FPipeline;
};

// The children of one sorted node, with their keys. Sorted nodes nest, so each depth of the recursion keeps
// its own list; the lists keep their storage from frame to frame.
using TSortEntry = std::pair<float, TGLBaseSceneObject*>;
thread_local std::deque<std::vector<TSortEntry>> vSortLists;
thread_local size_t vSortDepth = 0;

class TSortList {
public:
    TSortList()
    {
        if (vSortDepth == vSortLists.size()) vSortLists.emplace_back();
        FList = &vSortLists[vSortDepth++];
        FList->clear();
    }
    ~TSortList() { --vSortDepth; }
    TSortList(const TSortList&) = delete;
    TSortList& operator=(const TSortList&) = delete;
    std::vector<TSortEntry>& operator*() { return *FList; }

private:
    std::vector<TSortEntry>* FList;
};

} // namespace

void TGLBaseSceneObject::Render(TGLRenderContextInfo& rci)
{
    if (rci.drawState == dsPicking && !Pickable()) return;
    bool renderSelf = true;
    bool renderChildren = Count() > 0;
    switch (rci.visibilityCulling) {
    case vcInherited:
    case vcNone:
        break;
    case vcObjectBased:
        renderSelf = FObjectStyle.Contains(osNoVisibilityCulling) ||
                     !HmgSphereClippedByFrustum(BarycenterAbsolutePosition(), rci.rcci.frustum, BoundingSphereRadius());
        break;
    case vcHierarchical:
        // The frustum lies in world space: the absolute box of the subtree is tested against it.
        if (!FObjectStyle.Contains(osNoVisibilityCulling)) {
            const TAABB box = AxisAlignedBoundingBoxAbsoluteEx();
            renderSelf = !BoxClippedByFrustum(box.Min, box.Max, rci.rcci.frustum);
        }
        renderChildren = renderSelf && renderChildren;
        break;
    default:
        Assert(false, "Unknown visibility culling option", cVAVodadUnit);
    }
    if (!renderSelf && !renderChildren) return;

    TGLTransformation& pipeline = *rci.PipelineTransformation;
    TPipelineLevel level(pipeline);
    if (rci.proxySubObject) {
        TMatrix4f model;
        MatrixProduct(*LocalMatrix(), pipeline.ModelMatrix(), model);
        pipeline.SetModelMatrix(model);
    } else {
        pipeline.SetModelMatrix(*AbsoluteMatrixAsAddress());
    }

    IVAVodadSceneBuffer* picking = nullptr;
    TGLBaseSceneObject* previousPicked = nullptr;
    if (rci.drawState == dsPicking && (picking = dynamic_cast<IVAVodadSceneBuffer*>(rci.buffer))) {
        if (rci.proxySubObject) previousPicked = picking->PickingCurrentObject();
        picking->SetPickingCurrentObject(this);
    }

    // An object drawn over everything: the depth test is off for it and back as it was afterwards.
    const bool ignoreDepth = FObjectStyle.Contains(osIgnoreDepthBuffer) && rci.GLStates->EnableDepthTest();
    // The library material the last object left applied serves this one only when it draws with that alone.
    const bool effects = EffectsAssigned() && Effects()->Count() > 0;
    TGLAbstractLibMaterial* const staying =
        renderSelf && !ignoreDepth && !ShowAxes() && !effects ? StayingMaterial(rci) : nullptr;
    if (rci.appliedMaterial != staying) UnApplyStayingMaterial(rci);
    TScopedValue mayStay(rci.materialMayStay, staying);
    auto doRender = [&](bool self) {
        if (ignoreDepth) rci.GLStates->Disable(stDepthTest);
        DoRender(rci, self, renderChildren);
        if (ignoreDepth) rci.GLStates->Enable(stDepthTest);
    };
    if (renderSelf) {
        if (ShowAxes()) DrawAxes(rci, 0xCCCC);
        if (effects) {
            {
                TPipelineLevel pre(pipeline);
                RenderPreEffects(rci);
            }
            TPipelineLevel post(pipeline);
            doRender(true);
            RenderPostEffects(rci);
        } else {
            doRender(true);
        }
    } else {
        doRender(false);
    }

    if (picking && rci.proxySubObject) picking->SetPickingCurrentObject(previousPicked);
}

void TGLBaseSceneObject::BuildOrCallList(TGLRenderContextInfo& rci)
{
    if (FObjectStyle.Contains(osDirectDraw) || rci.amalgamating)
        BuildList(rci);
    else
        rci.GLStates->CallList(GetHandle(rci));
}

void TGLBaseSceneObject::DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren)
{
    if (renderSelf) BuildOrCallList(rci);
    if (renderChildren) RenderChildren(0, Count() - 1, rci);
}

void TGLBaseSceneObject::RenderChildren(int32_t firstChildIndex, int32_t lastChildIndex, TGLRenderContextInfo& rci)
{
    if (Count() == 0) return;
    // The render record's fields are put back when the node's subtree is done.
    TScopedValue culling(rci.visibilityCulling);
    if (FVisibilityCulling != vcInherited) rci.visibilityCulling = FVisibilityCulling;
    if (firstChildIndex == lastChildIndex) {
        TGLBaseSceneObject* child = Children(firstChildIndex);
        if (child->Visible()) child->Render(rci);
    } else if (firstChildIndex < lastChildIndex) {
        RenderChildrenSorted(firstChildIndex, lastChildIndex, rci);
    }
    // What comes after the children (the parent's own drawing, the next object) finds no material of theirs.
    UnApplyStayingMaterial(rci);
}

void TGLBaseSceneObject::RenderChildrenSorted(int32_t firstChildIndex, int32_t lastChildIndex,
                                              TGLRenderContextInfo& rci)
{
    // Checked once, so the loops below index the list directly.
    Children(firstChildIndex);
    Children(lastChildIndex);
    TGLBaseSceneObject* const* children = Kids().List();

    TScopedValue sorting(rci.objectsSorting);
    if (FObjectsSorting != osInherited) rci.objectsSorting = FObjectsSorting;
    const TGLObjectsSorting mode = rci.objectsSorting;
    if (mode == osNone) {
        for (int32_t i = firstChildIndex; i <= lastChildIndex; ++i)
            if (children[i]->Visible()) children[i]->Render(rci);
        return;
    }
    Assert(mode == osRenderFarthestFirst || mode == osRenderBlendedLast || mode == osRenderNearestFirst, "",
           cVAVodadUnit);
    TSortList list;
    std::vector<TSortEntry>& entries = *list;
    for (int32_t i = firstChildIndex; i <= lastChildIndex; ++i) {
        TGLBaseSceneObject* child = children[i];
        if (!child->Visible()) continue;
        if (mode == osRenderBlendedLast && !child->Blended()) {
            child->Render(rci);
            continue;
        }
        const float d2 = child->BarycenterSqrDistanceTo(rci.cameraPosition);
        entries.emplace_back(mode == osRenderNearestFirst ? -1 - d2 : d2 + 1, child);
    }
    std::sort(entries.begin(), entries.end(),
              [](const TSortEntry& a, const TSortEntry& b) { return a.first < b.first; });
    // Drawn from the largest key down: far to near, or near to far for the negated keys.
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) it->second->Render(rci);
}

void TGLBaseSceneObject::DrawAxes(TGLRenderContextInfo& rci, uint16_t pattern)
{
    AxesBuildList(rci, pattern, rci.rcci.farClippingDistance - rci.rcci.nearClippingDistance);
}

void TGLBaseSceneObject::AxesBuildList(TGLRenderContextInfo& rci, uint16_t pattern, float axisLen)
{
    TGLStateCache& states = *rci.GLStates;
    states.Disable(stLighting);
    if (!rci.ignoreBlendingRequests) {
        states.Enable(stBlend);
        states.SetBlendFunc(bfSrcAlpha, bfOneMinusSrcAlpha);
    }
    states.SetLineWidth(1);
    states.Enable(stLineStipple);
    states.SetLineStippleFactor(1);
    states.SetLineStipplePattern(pattern);
    states.SetDepthWriteMask(true);
    states.SetDepthFunc(cfLEqual);
    if (rci.bufferDepthTest) states.Enable(stDepthTest);
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    gl.Begin_(GL_LINES);
    for (int axis = 0; axis < 3; ++axis) {
        float end[3] = {0, 0, 0};
        for (const float sign : {-1.0f, 1.0f}) {
            float colour[3] = {0, 0, 0};
            colour[axis] = sign < 0 ? 0.5f : 1.0f;
            end[axis] = sign * axisLen;
            gl.Color3f(colour[0], colour[1], colour[2]);
            gl.Vertex3f(0, 0, 0);
            gl.Vertex3f(end[0], end[1], end[2]);
        }
    }
    gl.End_();
}
