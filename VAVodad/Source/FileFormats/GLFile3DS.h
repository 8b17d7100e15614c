// 3DS mesh and project files read into a base mesh: one mesh object per mesh, its vertices split where faces of
// different smoothing groups meet, one face group per material, the materials made in the mesh's libraries, and
// node objects for the keyframer's motions, the lights and the cameras.
#pragma once

#include "GLVectorFileObjects.h"
#include "SysUtils.h"

class TStream;

// A fault of the conversion itself: a texture the file names that cannot be loaded.
class EGLFile3DS : public Exception {
public:
    using Exception::Exception;
};

// "3ds" and "prj" files, read only. A file of another kind, or one whose meshes name vertices, faces or
// materials it does not have, raises E3DSError; mesh objects made before the error stay in the owner.
class TGL3DSVectorFile : public TGLVectorFile {
public:
    explicit TGL3DSVectorFile(TPersistent* AOwner);
    ~TGL3DSVectorFile() override;

    TGLDataFile* CreateCopy(TPersistent* AOwner) const override { return new TGL3DSVectorFile(AOwner); }
    void LoadFromStream(TStream& aStream) override;
};

// Registers "3ds" and "prj" in the model-file registry (start-up).
void RegisterGLFile3DS();
