// MTL files from any bytes, as an OBJ file's materials: the file's lines are prepared and asked for every
// property the reader uses; then an OBJ file uses each material the file names (and one it does not), which
// either loads or stops at a picture it cannot open (ETexture). Every material used is in the library
// afterwards; one with a lightmap names a lightmap material that is there. Pictures are a 1x1 TGA for names
// ending in ".tga" and missing otherwise; nothing on disk is read.
#include "GLApplicationFileIO.h"
#include "GLFileOBJ.h"
#include "GLMaterial.h"
#include "GLTexture.h"
#include "Streams.h"
#include "SysUtils.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

const std::string cTGA = std::string("\0\0\2\0\0\0\0\0\0\0\0\0\1\0\1\0\x18\0", 18) + "\x10\x20\x30";
std::string vMTL;

bool EndsWith(const std::string& name, const char* extension)
{
    const std::string lower = LowerCase(name);
    return lower.size() >= 4 && lower.compare(lower.size() - 4, 4, extension) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool hooked = [] {
        SetStreamFactoryHook([](const std::string& name, uint16_t) -> std::unique_ptr<TStream> {
            return std::make_unique<TStringStream>(EndsWith(name, ".tga") ? cTGA : vMTL);
        });
        SetFileExistsHook([](const std::string& name) { return EndsWith(name, ".tga") || EndsWith(name, ".mtl"); });
        return true;
    }();
    (void)hooked;
    vMTL.assign(reinterpret_cast<const char*>(data), size);

    TGLMTLFile mtl;
    TStringStream stream(vMTL);
    mtl.LoadFromStream(stream);
    mtl.Prepare();
    std::vector<std::string> names;
    for (int i = 0; i < mtl.Count() && names.size() < 8; ++i)
        if (mtl.Get(i).starts_with("NEWMTL ")) names.push_back(mtl.Get(i).substr(7));
    names.push_back("absent");
    for (const std::string& name : names)
        for (const char* property : {"Ka", "Kd", "Ks", "d", "illum", "Ns", "map_Kd", "map_Ke"}) {
            mtl.MaterialStringProperty(name, property);
            mtl.MaterialVectorProperty(name, property, TVector4f{});
        }

    TGLMaterialLibrary library(nullptr);
    TGLBaseMesh mesh(nullptr);
    mesh.SetMaterialLibrary(&library);
    std::string obj = "mtllib fuzz.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\n";
    std::vector<std::string> used;
    for (const std::string& name : names) {
        // The OBJ file takes a material name from its first character above a blank up to the next blank or tab.
        const size_t first = std::find_if(name.begin(), name.end(), [](char c) { return uint8_t(c) > ' '; }) -
                             name.begin();
        const std::string token = name.substr(first, name.find_first_of(" \t", first) - first);
        if (token.empty()) continue;
        used.push_back(token);
        obj += "usemtl " + token + "\nf 1 2 3\n";
    }
    TStringStream input(obj);
    try {
        TGLOBJVectorFile file(&mesh);
        file.LoadFromStream(input);
    } catch (const ETexture&) {
        return 0;
    }
    for (const std::string& name : used) {
        TGLLibMaterial* material = library.LibMaterialByName(name);
        if (!material) std::abort();
        if (!material->Texture2Name().empty() && !library.LibMaterialByName(material->Texture2Name())) std::abort();
    }
    return 0;
}
