// The textures model files name, read as their mesh asks.
#include "GLVectorFileObjects.h"

#include "GLTexture.h"

void LoadModelTexture(const TGLBaseMesh& mesh, TGLTexture& texture, const std::string& fileName)
{
    try {
        texture.Image()->LoadFromFile(fileName);
    } catch (const ETexture&) {
        if (mesh.IgnoreMissingTextures()) return;
        throw;
    }
    texture.SetDisabled(false);
}
