// Context handles: the per-context records of one OpenGL object and the kinds of object.
#include "GLContext.h"

#include "GLState.h"
#include "ZODLog.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------------------
// TGLContextHandle

TGLContextHandle::TGLContextHandle()
{
    FHandles.push_back(std::make_unique<TGLRCHandle>(TGLRCHandle{nullptr, 0, false}));
    FLastHandle = FHandles[0].get();
    if (TGLContextManager* const manager = vGLContextManager) {
        std::lock_guard lock(manager->FHandlesLock);
        manager->FHandles.push_back(this);
    }
}

void TGLContextHandle::BeforeDestruction()
{
    try {
        DestroyHandle();
    } catch (const std::exception& E) {
        GlobalLogSession()->LogError(std::string("Destroying an OpenGL object failed: ") + E.what());
    }
}

TGLContextHandle::~TGLContextHandle()
{
    if (TGLContextManager* const manager = vGLContextManager) {
        std::lock_guard lock(manager->FHandlesLock);
        auto& handles = manager->FHandles;
        handles.erase(std::remove(handles.begin(), handles.end(), this), handles.end());
    }
}

PGLRCHandle TGLContextHandle::FindRecord(const TGLContext* AContext) const
{
    for (size_t i = 1; i < FHandles.size(); ++i)
        if (FHandles[i]->FRenderingContext == AContext) return FHandles[i].get();
    return nullptr;
}

PGLRCHandle TGLContextHandle::RecordForContext(TGLContext* AContext) const
{
    TGLContext* const context = AContext ? AContext : vCurrentGLContext;
    if (FLastHandle->FRenderingContext == context) return FLastHandle;
    const PGLRCHandle found = FindRecord(context);
    return found ? found : FHandles[0].get();
}

bool TGLContextHandle::IsAllocatedForContext(TGLContext* AContext) const
{
    return RecordForContext(AContext)->FHandle != 0;
}

uint32_t TGLContextHandle::AllocateHandle()
{
    if (const uint32_t name = Handle()) return name;
    Changed();
    TGLContext* const context = vCurrentGLContext;
    if (!context) {
        GlobalLogSession()->LogError("Failed to allocate OpenGL identifier - no active rendering context!");
        return 0;
    }
    // A record left by a failed allocation is tried again rather than joined by another.
    PGLRCHandle record = FindRecord(context);
    if (!record) {
        FHandles.push_back(std::make_unique<TGLRCHandle>(TGLRCHandle{context, 0, false}));
        record = FHandles.back().get();
    }
    FLastHandle = record;

    if (SharedBetweenContexts()) {
        // The object may already exist in the share group: take its name and its state.
        const std::vector<TGLContext*> group = context->SharedContexts();
        for (size_t i = group.size(); i-- > 0;) {
            const PGLRCHandle shared = FindRecord(group[i]);
            if (shared && shared->FHandle) {
                record->FHandle = shared->FHandle;
                record->FChanged = shared->FChanged;
                ++context->FOwnedHandlesCount;
                break;
            }
        }
    }
    if (!record->FHandle) {
        record->FHandle = DoAllocateHandle();
        record->FChanged = record->FHandle != 0; // a fresh object needs its data
        if (record->FHandle) ++context->FOwnedHandlesCount;
    }

    if (!record->FHandle)
        GlobalLogSession()->LogError("No active rendering context");
    else if (FOnPrepare)
        vGLContextManager->NotifyPreparationNeed();
    return record->FHandle;
}

void TGLContextHandle::DestroyHandle()
{
    Changed();
    // The current context steps back while each record's own context is made current for its deletion.
    const TActiveContext stepBack(nullptr, true);
    TryFinally(
        [this] {
            for (size_t i = FHandles.size(); i-- > 1;) {
                TGLRCHandle& record = *FHandles[i];
                if (!record.FHandle || !record.FRenderingContext) continue;
                TGLContext* const context = record.FRenderingContext;
                {
                    const TActiveContext active(context);
                    if (!vContextActivationFailed && IsValid(record.FHandle)) DoDestroyHandle(record.FHandle);
                }
                --context->FOwnedHandlesCount;
                record = {nullptr, 0, true};
            }
        },
        [this] {
            FHandles.resize(1);
            FLastHandle = FHandles[0].get();
        });
}

void TGLContextHandle::ReleaseForCurrentContext()
{
    TGLContext* const context = vCurrentGLContext;
    if (!context) return;
    Changed();
    bool usedBySharingContext = false;
    if (SharedBetweenContexts()) {
        const std::vector<TGLContext*> group = context->SharedContexts();
        for (size_t i = FHandles.size(); i-- > 1 && !usedBySharingContext;) {
            const TGLRCHandle& record = *FHandles[i];
            usedBySharingContext = record.FRenderingContext != context && record.FHandle &&
                                   std::find(group.begin(), group.end(), record.FRenderingContext) != group.end();
        }
    }
    for (size_t i = FHandles.size(); i-- > 1;) {
        TGLRCHandle& record = *FHandles[i];
        if (record.FRenderingContext != context) continue;
        if (record.FHandle) {
            if (!usedBySharingContext && !vContextActivationFailed && IsValid(record.FHandle))
                DoDestroyHandle(record.FHandle);
            --context->FOwnedHandlesCount;
        }
        // A nameless record goes too: it must not outlive its context.
        if (FLastHandle == &record) FLastHandle = FHandles[0].get();
        FHandles.erase(FHandles.begin() + static_cast<std::ptrdiff_t>(i));
        break;
    }
}

TGLContext* TGLContextHandle::RenderingContext() const
{
    if (Handle()) return vCurrentGLContext;
    for (size_t i = 1; i < FHandles.size(); ++i)
        if (FHandles[i]->FRenderingContext && FHandles[i]->FHandle) return FHandles[i]->FRenderingContext;
    return nullptr;
}

bool TGLContextHandle::IsDataNeedUpdate() const
{
    const PGLRCHandle record = RecordForContext(nullptr);
    return record->FHandle == 0 || record->FChanged;
}

bool TGLContextHandle::IsDataComplitelyUpdated() const
{
    for (size_t i = 1; i < FHandles.size(); ++i) {
        const TGLRCHandle& record = *FHandles[i];
        if (record.FRenderingContext && record.FHandle && record.FChanged) return false;
    }
    return true;
}

void TGLContextHandle::NotifyDataUpdated()
{
    TGLContext* const context = vCurrentGLContext;
    if (!context) {
        GlobalLogSession()->LogError("No active rendering context");
        return;
    }
    if (const PGLRCHandle record = FindRecord(context)) record->FChanged = false;
    if (!SharedBetweenContexts()) return;
    for (TGLContext* member : context->SharedContexts())
        if (const PGLRCHandle record = FindRecord(member); record && record->FHandle) record->FChanged = false;
}

void TGLContextHandle::NotifyChangesOfData()
{
    Changed();
    for (size_t i = 1; i < FHandles.size(); ++i) FHandles[i]->FChanged = true;
    if (FOnPrepare && vGLContextManager) vGLContextManager->NotifyPreparationNeed();
}

bool TGLContextHandle::IsShared() const
{
    TGLContext* const context = vCurrentGLContext;
    if (!context || !SharedBetweenContexts()) return false;
    for (TGLContext* member : context->SharedContexts())
        if (const PGLRCHandle record = FindRecord(member); member != context && record && record->FHandle)
            return true;
    return false;
}

// ---------------------------------------------------------------------------------------------------------
// Virtual handles and display lists

uint32_t TGLVirtualHandle::DoAllocateHandle()
{
    uint32_t name = 0;
    if (OnAllocate) OnAllocate(this, name);
    return name;
}

void TGLVirtualHandle::DoDestroyHandle(uint32_t& AHandle)
{
    if (vContextActivationFailed) return;
    GL().ClearError();
    if (OnDestroy) OnDestroy(this, AHandle);
    GL().CheckError();
}

uint32_t TGLListHandle::DoAllocateHandle()
{
    return GL().GenLists(1);
}

void TGLListHandle::DoDestroyHandle(uint32_t& AHandle)
{
    if (vContextActivationFailed) return;
    GL().ClearError();
    GL().DeleteLists(AHandle, 1);
    GL().CheckError();
}

bool TGLListHandle::IsValid(uint32_t ID)
{
    return GL().IsList(ID);
}

void TGLListHandle::NewList(uint32_t mode)
{
    GetCurrentGLContextOrAbort()->GLStates()->NewList(Handle(), mode);
}

void TGLListHandle::EndList()
{
    GetCurrentGLContextOrAbort()->GLStates()->EndList();
}

void TGLListHandle::CallList()
{
    GetCurrentGLContextOrAbort()->GLStates()->CallList(Handle());
}

// ---------------------------------------------------------------------------------------------------------
// Textures

uint32_t TGLTextureHandle::DoAllocateHandle()
{
    GLuint name = 0;
    GL().GenTextures(1, &name);
    FTarget = ttNoShape;
    return name;
}

// The state cache of the deleting context must never keep the dead name bound.
void TGLTextureHandle::DoDestroyHandle(uint32_t& AHandle)
{
    if (vContextActivationFailed) return;
    TGLExtensionsAndEntryPoints& gl = GL();
    gl.GetError();
    TGLStateCache* const states = GetCurrentGLContextOrAbort()->GLStates();
    const int32_t units = gl.ARB_multitexture
                              ? std::min<int32_t>(static_cast<int32_t>(states->MaxTextureImageUnits()),
                                                  cMaxTextureUnits)
                              : 1;
    for (int32_t unit = 0; unit < units; ++unit)
        for (int32_t target = ttTexture1D; target < cMaxTextureTargets; ++target)
            if (states->TextureBinding(unit, static_cast<TGLTextureTarget>(target)) == AHandle)
                states->SetTextureBinding(unit, static_cast<TGLTextureTarget>(target), 0);
    const GLuint name = AHandle;
    gl.DeleteTextures(1, &name);
    gl.CheckError();
}

bool TGLTextureHandle::IsValid(uint32_t ID)
{
    return GL().IsTexture(ID);
}

void TGLTextureHandle::SetTarget(TGLTextureTarget Value)
{
    if (FTarget == ttNoShape) FTarget = Value;
}

// ---------------------------------------------------------------------------------------------------------
// Buffer objects

uint32_t TGLBufferObjectHandle::DoAllocateHandle()
{
    GLuint name = 0;
    GL().GenBuffers(1, &name);
    return name;
}

void TGLBufferObjectHandle::DoDestroyHandle(uint32_t& AHandle)
{
    if (vContextActivationFailed) return;
    TGLExtensionsAndEntryPoints& gl = GL();
    gl.GetError();
    UnBind();
    const GLuint name = AHandle;
    gl.DeleteBuffers(1, &name);
    gl.CheckError();
}

bool TGLBufferObjectHandle::IsValid(uint32_t ID)
{
    return GL().IsBuffer(ID);
}

bool TGLBufferObjectHandle::IsSupported()
{
    return GL().ARB_vertex_buffer_object;
}

void TGLBufferObjectHandle::BindRange(uint32_t, intptr_t, intptr_t)
{
    Assert(false, "BindRange only XBO and UBO", cGLContextUnit);
}

void TGLBufferObjectHandle::BindBase(uint32_t)
{
    Assert(false, "BindRange only XBO and UBO", cGLContextUnit);
}

void TGLBufferObjectHandle::UnBindBase(uint32_t)
{
    Assert(false, "BindRange only XBO and UBO", cGLContextUnit);
}

void TGLBufferObjectHandle::BufferData(const void* p, int32_t size, uint32_t bufferUsage)
{
    FSize = size;
    GL().BufferData(Target(), size, p, bufferUsage);
}

void TGLBufferObjectHandle::BindBufferData(const void* p, int32_t size, uint32_t bufferUsage)
{
    Bind();
    BufferData(p, size, bufferUsage);
}

void TGLBufferObjectHandle::BufferSubData(int32_t offset, int32_t size, const void* p)
{
    Assert(offset >= 0 && size >= 0 && int64_t(offset) + size <= FSize, "", cGLContextUnit);
    GL().BufferSubData(Target(), offset, size, p);
}

void* TGLBufferObjectHandle::MapBuffer(uint32_t access)
{
    return GL().MapBuffer(Target(), access);
}

void* TGLBufferObjectHandle::MapBufferRange(int32_t offset, int32_t len, uint32_t access)
{
    return GL().MapBufferRange(Target(), offset, len, access);
}

void TGLBufferObjectHandle::Flush(int32_t offset, int32_t len)
{
    GL().FlushMappedBufferRange(Target(), offset, len);
}

bool TGLBufferObjectHandle::UnmapBuffer()
{
    return GL().UnmapBuffer(Target()) != 0;
}

static TGLStateCache* CurrentStates()
{
    return GetCurrentGLContextOrAbort()->GLStates();
}

void TGLVBOArrayBufferHandle::Bind() { CurrentStates()->SetArrayBufferBinding(Handle()); }
void TGLVBOArrayBufferHandle::UnBind() { CurrentStates()->SetArrayBufferBinding(0); }
void TGLVBOElementArrayHandle::Bind() { CurrentStates()->SetElementBufferBinding(Handle()); }
void TGLVBOElementArrayHandle::UnBind() { CurrentStates()->SetElementBufferBinding(0); }
void TGLUnpackPBOHandle::Bind() { CurrentStates()->SetPixelUnpackBufferBinding(Handle()); }
void TGLUnpackPBOHandle::UnBind() { CurrentStates()->SetPixelUnpackBufferBinding(0); }
void TGLUniformBufferHandle::Bind() { CurrentStates()->SetUniformBufferBinding(Handle()); }
void TGLUniformBufferHandle::UnBind() { CurrentStates()->SetUniformBufferBinding(0); }

bool TGLUnpackPBOHandle::IsSupported()
{
    return GL().ARB_pixel_buffer_object;
}

bool TGLUniformBufferHandle::IsSupported()
{
    return GL().ARB_uniform_buffer_object;
}

void TGLUniformBufferHandle::BindRange(uint32_t index, intptr_t offset, intptr_t size)
{
    CurrentStates()->SetBufferIndexedBinding(Handle(), bbtUniform, index, offset, size);
}

void TGLUniformBufferHandle::BindBase(uint32_t index)
{
    CurrentStates()->SetBufferIndexedBinding(Handle(), bbtUniform, index, BufferSize());
}

void TGLUniformBufferHandle::UnBindBase(uint32_t index)
{
    CurrentStates()->SetBufferIndexedBinding(0, bbtUniform, index, 0);
}
