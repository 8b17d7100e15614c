// A recording fake OpenGL for tests of code that calls OpenGL through the entry-point table. Every GL entry
// point of its table appends the call, with its arguments as numbers, to Calls; the table is the calling
// thread's current one (GetCurrentGL) while the fake lives.
//
// Arguments: numbers and enums as they are; a pointer as 0, except for the vector calls listed in
// RecordingGL.cpp, whose values are appended after the other arguments (Materialfv(face, name, r, g, b, a)).
// Queries: GetIntegerv answers from Integers (0 when absent), GetFloatv from Floats.
#pragma once

#include "OpenGLAdapter.h"

#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

struct TGLCall {
    std::string Name; // without the "gl" prefix
    std::vector<double> Args;

    friend bool operator==(const TGLCall&, const TGLCall&) = default;
};
void PrintTo(const TGLCall& ACall, std::ostream* AOut);

// GLCall("DepthFunc", GL_LEQUAL)
template <typename... TArgs> TGLCall GLCall(std::string AName, TArgs... AArgs)
{
    return {std::move(AName), {static_cast<double>(AArgs)...}};
}

class TRecordingGL {
public:
    // The flags of an OpenGL 4.2 compatibility context with ARB_multitexture and no other extension.
    TRecordingGL();
    ~TRecordingGL();
    TRecordingGL(const TRecordingGL&) = delete;
    TRecordingGL& operator=(const TRecordingGL&) = delete;

    // Sets the version flags up to and including AMajor.AMinor and clears the later ones.
    void SetVersion(int32_t AMajor, int32_t AMinor);
    // The recorded calls of that name.
    size_t Count(std::string_view AName) const;
    // The recorded calls whose names are among ANames, in order.
    std::vector<TGLCall> Only(std::initializer_list<std::string_view> ANames) const;

    TGLExtensionsAndEntryPoints Table;
    std::vector<TGLCall> Calls;
    std::map<GLenum, GLint> Integers;
    std::map<GLenum, std::vector<GLfloat>> Floats;
};
