// The solids of the scene-object unit: the box, the sphere, the superellipsoid and the quadric base.
#include "GLObjects.h"

#include "VAVodad_streaming.h"

#include <GL/glu.h>

namespace {

inline constexpr TEnumNames<2> cNormalDirectionNames{"ndInside", "ndOutside"};
inline constexpr TEnumNames<3> cNormalSmoothingNames{"nsFlat", "nsSmooth", "nsNone"};

// Stores value in field and, when that changed it, has object rebuild its geometry.
template <typename T> void ChangeStructure(TGLBaseSceneObject& object, T& field, T value)
{
    if (field == value) return;
    field = value;
    object.StructureChanged();
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TGLQuadricObject

void TGLQuadricObject::SetNormals(TNormalSmoothing Value)
{
    ChangeStructure(*this, FNormals, Value);
}

void TGLQuadricObject::SetNormalDirection(TNormalDirection Value)
{
    ChangeStructure(*this, FNormalDirection, Value);
}

void TGLQuadricObject::SetupQuadricParams(GLUquadric* quadric) const
{
    static constexpr GLenum cNormals[] = {GLU_FLAT, GLU_SMOOTH, GLU_NONE};
    gluQuadricDrawStyle(quadric, GLU_FILL);
    gluQuadricNormals(quadric, cNormals[FNormals]);
    SetNormalQuadricOrientation(quadric);
    gluQuadricTexture(quadric, GL_TRUE);
}

void TGLQuadricObject::SetNormalQuadricOrientation(GLUquadric* quadric) const
{
    gluQuadricOrientation(quadric, FNormalDirection == ndOutside ? GLU_OUTSIDE : GLU_INSIDE);
}

void TGLQuadricObject::SetInvertedQuadricOrientation(GLUquadric* quadric) const
{
    gluQuadricOrientation(quadric, FNormalDirection == ndOutside ? GLU_INSIDE : GLU_OUTSIDE);
}

void TGLQuadricObject::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLQuadricObject*>(Source)) {
        FNormals = source->FNormals;
        FNormalDirection = source->FNormalDirection;
    }
    TVAVodadObject::Assign(Source);
}

void TGLQuadricObject::DefineProperties(TFiler& Filer)
{
    TVAVodadObject::DefineProperties(Filer);
    DefineEnumProperty<TNormalDirection>(Filer, "NormalDirection", cNormalDirectionNames, FNormalDirection,
                                         ndOutside, [this](TNormalDirection v) { SetNormalDirection(v); });
    DefineEnumProperty<TNormalSmoothing>(Filer, "Normals", cNormalSmoothingNames, FNormals, nsSmooth,
                                         [this](TNormalSmoothing v) { SetNormals(v); });
}
