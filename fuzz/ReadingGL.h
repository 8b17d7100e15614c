// A fake OpenGL for fuzz targets that draw meshes: every entry point does nothing, except that the draws read
// every value of the client arrays and attributes they are pointed at, so that a draw outside a list is a
// sanitizer report. TReadingGLDrawing makes one context that does nothing, fakes its entry points and gives a
// state cache and a render context info to draw with.
#pragma once

#include "GLContext.h"
#include "GLState.h"
#include "OpenGLAdapter.h"
#include "XOpenGL.h"

#include "../tests/gl/NullContext.h"

#include <cstdint>
#include <memory>
#include <type_traits>

namespace ReadingGL {

inline volatile float vSink = 0;

inline void Read(const void* data, int32_t floats)
{
    const auto* f = static_cast<const float*>(data);
    for (int32_t i = 0; i < floats; ++i) vSink = vSink + f[i];
}

// A client array as declared: where, how many floats per entry, the step between entries.
struct TArray {
    const void* Data = nullptr;
    int32_t Components = 0;
    int32_t Stride = 0;
    bool Enabled = false;
};
enum { aVertex, aNormal, aColor, aTexCoord0 };
inline TArray vArrays[aTexCoord0 + 8];
inline int32_t vClientUnit = 0;

inline TArray* ArrayOf(GLenum array)
{
    switch (array) {
    case GL_VERTEX_ARRAY: return &vArrays[aVertex];
    case GL_NORMAL_ARRAY: return &vArrays[aNormal];
    case GL_COLOR_ARRAY: return &vArrays[aColor];
    case GL_TEXTURE_COORD_ARRAY: return &vArrays[aTexCoord0 + vClientUnit];
    default: return nullptr;
    }
}

inline void EnableArray(GLenum array)
{
    if (TArray* a = ArrayOf(array)) a->Enabled = true;
}
inline void DisableArray(GLenum array)
{
    if (TArray* a = ArrayOf(array)) a->Enabled = false;
}
inline void ClientActiveTexture(GLenum unit)
{
    vClientUnit = int32_t(unit - GL_TEXTURE0) & 7;
}
inline void Declare(int index, GLint size, GLsizei stride, const void* data)
{
    vArrays[index] = {data, size, stride ? stride : size * 4, vArrays[index].Enabled};
}
inline void VertexPointer(GLint size, GLenum, GLsizei stride, const void* data)
{
    Declare(aVertex, size, stride, data);
}
inline void NormalPointer(GLenum, GLsizei stride, const void* data)
{
    Declare(aNormal, 3, stride, data);
}
inline void ColorPointer(GLint size, GLenum, GLsizei stride, const void* data)
{
    Declare(aColor, size, stride, data);
}
inline void TexCoordPointer(GLint size, GLenum, GLsizei stride, const void* data)
{
    Declare(aTexCoord0 + vClientUnit, size, stride, data);
}

inline void ReadEntry(int64_t index)
{
    for (const TArray& array : vArrays)
        if (array.Enabled && array.Data)
            Read(static_cast<const uint8_t*>(array.Data) + index * array.Stride, array.Components);
}
inline void DrawArrays(GLenum, GLint first, GLsizei count)
{
    for (GLsizei i = 0; i < count; ++i) ReadEntry(first + i);
}
inline void DrawElements(GLenum, GLsizei count, GLenum, const void* indices)
{
    const auto* index = static_cast<const int32_t*>(indices);
    for (GLsizei i = 0; i < count; ++i) ReadEntry(index[i]);
}
template <int Components> void Attribute(const GLfloat* v)
{
    Read(v, Components);
}
inline void MultiTexCoord(GLenum, const GLfloat* v)
{
    Read(v, 4);
}

// Every entry point does nothing unless it is one of the above.
template <class F> struct TQuiet;
template <class R, class... A> struct TQuiet<R (*)(A...)> {
    static R Call(A...)
    {
        if constexpr (!std::is_void_v<R>) return R{};
    }
};

inline void Fake(TGLExtensionsAndEntryPoints& gl)
{
#define GL_ENTRY(Field, Name, Lookup, Alternate, Type) gl.Field = &TQuiet<Type>::Call;
#include "OpenGLAdapterEntryPoints.def"
#undef GL_ENTRY
    gl.EnableClientState = &EnableArray;
    gl.DisableClientState = &DisableArray;
    gl.ClientActiveTexture = &ClientActiveTexture;
    gl.VertexPointer = &VertexPointer;
    gl.NormalPointer = &NormalPointer;
    gl.ColorPointer = &ColorPointer;
    gl.TexCoordPointer = &TexCoordPointer;
    gl.DrawArrays = &DrawArrays;
    gl.DrawElements = &DrawElements;
    gl.Vertex3fv = &Attribute<3>;
    gl.Normal3fv = &Attribute<3>;
    gl.Color4fv = &Attribute<4>;
    gl.TexCoord2fv = &Attribute<2>;
    gl.MultiTexCoord4fv = &MultiTexCoord;
    gl.ARB_multitexture = true;
}

} // namespace ReadingGL

// The context and state a target draws with, made once and kept for every input.
struct TReadingGLDrawing {
    TReadingGLDrawing()
    {
        Context->CreateMemoryContext(nullptr, 1, 1, 1);
        Context->Activate();
        ReadingGL::Fake(*Context->GL());
        ReadingGL::Fake(Table);
        SetCurrentGL(&Table);
        GetCurrentMultitextureCoordinator()->MapTexCoordToMain();
        States = std::make_unique<TGLStateCache>();
        Rci.GLStates = States.get();
        Rci.drawState = dsRendering;
    }
    TGLContext* Context = new TNullContext();
    TGLExtensionsAndEntryPoints Table;
    std::unique_ptr<TGLStateCache> States;
    TGLRenderContextInfo Rci{};
};
