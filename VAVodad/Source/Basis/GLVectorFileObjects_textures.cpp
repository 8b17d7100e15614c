// The textures model files name, read as their mesh asks.
#include "GLVectorFileObjects.h"

#include "GLTexture.h"
#include "ZODLog.h"

void LoadModelTexture(const TGLBaseMesh& mesh, TGLTexture& texture, const std::string& fileName)
{
    try {
        texture.Image()->LoadFromFile(fileName);
    } catch (const EAbort&) {
        throw;
    } catch (const Exception& error) {
        // A mesh that ignores missing textures passes over a picture that is there but cannot be read alike: the
        // model still shows, only without that picture.
        if (!mesh.IgnoreMissingTextures()) throw;
        GlobalLogSession()->LogWarning("Texture \"" + fileName + "\" left out: " + error.Message());
        return;
    }
    texture.SetDisabled(false);
}
