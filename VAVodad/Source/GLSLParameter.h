// The enumerations of shading-language programs: the types of their active attributes and uniforms, and the
// primitives a geometry program takes and emits.
#pragma once

enum TGLSLDataType {
    GLSLTypeUndefined,
    GLSLType1F,
    GLSLType2F,
    GLSLType3F,
    GLSLType4F,
    GLSLType1I,
    GLSLType2I,
    GLSLType3I,
    GLSLType4I,
    GLSLType1UI,
    GLSLType2UI,
    GLSLType3UI,
    GLSLType4UI,
    GLSLTypeMat2F,
    GLSLTypeMat3F,
    GLSLTypeMat4F,
    GLSLTypeVoid
};

// The third output kind is spelled so in stored forms.
enum TGLgsInTypes { gsInPoints, gsInLines, gsInAdjLines, gsInTriangles, gsInAdjTriangles };
enum TGLgsOutTypes { gsOutPoints, gsOutLineStrip, sOutTriangleStrip };
