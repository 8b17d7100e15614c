// The material library's archive: the version (4), the number of library materials, then one record each
// with the name, the picture as a bitmap file, the texture settings, both faces, blending, options, the
// texture matrix, the second texture's name and the texture list. Versions 0 to 3 hold fewer fields.
#include "GLMaterial.h"

#include "GLApplicationFileIO.h"
#include "GLColor.h"
#include "GLCoordinates.h"
#include "GLPersistentClasses.h"
#include "Graphics.h"
#include "Streams.h"
#include "TextEncoding.h"

#include <cmath>

namespace {

constexpr int32_t cArchiveVersion = 4;
// Options blocks longer than this are no archive of ours.
constexpr int32_t cMaxOptionsSize = 16;

[[noreturn]] void RaiseArchiveError(const std::string& what)
{
    throw EFilerException(ClassNameOf<TGLMaterialLibrary>() + " : " + what);
}

template <class T> T ReadEnum(TVirtualReader& reader, T last, const char* what)
{
    const int32_t value = reader.ReadInteger();
    if (value < 0 || value > static_cast<int32_t>(last))
        RaiseArchiveError(Format("%s %d out of range", {what, value}));
    return static_cast<T>(value);
}

float ReadFiniteFloat(TVirtualReader& reader, const char* what)
{
    const double value = reader.ReadFloat();
    if (!std::isfinite(value) || std::fabs(value) > 3.4e38) RaiseArchiveError(Format("%s is no number", {what}));
    return static_cast<float>(value);
}

// count floats into the first components of v.
void ReadFloats(TVirtualReader& reader, TVector4f& v, int count)
{
    reader.Read(v.V, count * int64_t(sizeof(float)));
}

void WriteFloats(TVirtualWriter& writer, const TVector4f& v, int count)
{
    writer.Write(v.V, count * int64_t(sizeof(float)));
}

void ReadColor(TVirtualReader& reader, TGLColor& color, int count)
{
    TVector4f v = color.Color();
    ReadFloats(reader, v, count);
    color.SetDirectColor(v);
}

void ReadCoordinates(TVirtualReader& reader, TGLCustomCoordinates& coordinates)
{
    TVector4f v = coordinates.DirectVector();
    ReadFloats(reader, v, 3);
    coordinates.SetDirectVector(v);
}

void ReadFace(TVirtualReader& reader, TGLFaceProperties& face, bool withShininess)
{
    ReadColor(reader, *face.Ambient(), 3);
    ReadColor(reader, *face.Diffuse(), 4);
    ReadColor(reader, *face.Emission(), 3);
    ReadColor(reader, *face.Specular(), 3);
    if (withShininess) {
        uint8_t shininess;
        reader.Read(&shininess, 1);
        face.SetShininess(shininess);
    }
}

void WriteFace(TVirtualWriter& writer, TGLFaceProperties& face)
{
    WriteFloats(writer, face.Ambient()->Color(), 3);
    WriteFloats(writer, face.Diffuse()->Color(), 4);
    WriteFloats(writer, face.Emission()->Color(), 3);
    WriteFloats(writer, face.Specular()->Color(), 3);
    const auto shininess = static_cast<uint8_t>(face.Shininess());
    writer.Write(&shininess, 1);
}

// The picture a texture's record carries: that of an enabled persistent image holding one.
TGraphic* PictureOf(TGLTexture& texture)
{
    auto* image = dynamic_cast<TGLPersistentImage*>(texture.Image());
    return texture.Enabled() && image ? image->Picture()->Graphic() : nullptr;
}

// A bitmap file, one character per byte (U+0000 to U+00FF).
void WritePicture(TVirtualWriter& writer, TGraphic& graphic)
{
    TMemoryStream file;
    if (auto* source = dynamic_cast<TBitmap*>(&graphic)) {
        source->SaveToStream(file);
    } else {
        TBitmap bitmap;
        bitmap.SetPixelFormat(pf32bit);
        bitmap.SetSize(graphic.Width(), graphic.Height());
        bitmap.Canvas()->Draw(0, 0, &graphic);
        bitmap.SaveToStream(file);
    }
    std::string text;
    text.reserve(size_t(file.Size()) * 2);
    for (int64_t i = 0; i < file.Size(); ++i) AppendUtf8(text, file.Memory()[i]);
    writer.WriteString(text);
}

void ReadPicture(TVirtualReader& reader, TBitmap& bitmap)
{
    const std::string text = reader.ReadString();
    std::string bytes;
    bytes.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) {
        const char32_t c = NextUtf8CodePoint(text, pos);
        if (c > 0xFF) RaiseArchiveError("picture data holds a character beyond one byte");
        bytes += static_cast<char>(c);
    }
    TStringStream file(bytes);
    bitmap.LoadFromStream(file);
}

void WriteTextureSettings(TVirtualWriter& writer, TGLTexture& t)
{
    WriteFloats(writer, t.BorderColor()->Color(), 4);
    writer.WriteInteger(t.Compression());
    writer.WriteInteger(t.DepthTextureMode());
    WriteFloats(writer, t.EnvColor()->Color(), 4);
    writer.WriteInteger(t.FilteringQuality());
    writer.WriteInteger(t.ImageAlpha());
    writer.WriteFloat(t.ImageBrightness());
    writer.WriteFloat(t.ImageGamma());
    writer.WriteInteger(t.MagFilter());
    writer.WriteInteger(t.MappingMode());
    WriteFloats(writer, t.MappingSCoordinates()->AsVector(), 4);
    WriteFloats(writer, t.MappingTCoordinates()->AsVector(), 4);
    WriteFloats(writer, t.MappingRCoordinates()->AsVector(), 4);
    WriteFloats(writer, t.MappingQCoordinates()->AsVector(), 4);
    writer.WriteInteger(t.MinFilter());
    writer.WriteFloat(t.NormalMapScale());
    writer.WriteInteger(t.TextureCompareFunc());
    writer.WriteInteger(t.TextureCompareMode());
    writer.WriteInteger(static_cast<int32_t>(t.TextureFormat()));
    writer.WriteInteger(t.TextureMode());
    writer.WriteInteger(t.TextureWrap());
    writer.WriteInteger(t.TextureWrapR());
    writer.WriteInteger(t.TextureWrapS());
    writer.WriteInteger(t.TextureWrapT());
}

void ReadColorSetting(TVirtualReader& reader, TGLTexture& t, void (TGLTexture::*setter)(TGLColor*))
{
    TVector4f v;
    ReadFloats(reader, v, 4);
    TGLColor color(nullptr, v);
    (t.*setter)(&color);
}

void ReadMappingSetting(TVirtualReader& reader, TGLTexture& t, void (TGLTexture::*setter)(TGLCoordinates4*))
{
    TVector4f v;
    ReadFloats(reader, v, 4);
    TGLCoordinates4 coordinates(nullptr, v, CsVector);
    (t.*setter)(&coordinates);
}

// Through the texture's setters, in the stored order.
void ReadTextureSettings(TVirtualReader& reader, TGLTexture& t)
{
    ReadColorSetting(reader, t, &TGLTexture::SetBorderColor);
    t.SetCompression(ReadEnum(reader, tcHighSpeed, "Compression"));
    t.SetDepthTextureMode(ReadEnum(reader, dtmAlpha, "DepthTextureMode"));
    ReadColorSetting(reader, t, &TGLTexture::SetEnvColor);
    t.SetFilteringQuality(ReadEnum(reader, tfAnisotropic, "FilteringQuality"));
    t.SetImageAlpha(ReadEnum(reader, tiaBottomRightPointColorTransparent, "ImageAlpha"));
    t.SetImageBrightness(ReadFiniteFloat(reader, "ImageBrightness"));
    t.SetImageGamma(ReadFiniteFloat(reader, "ImageGamma"));
    t.SetMagFilter(ReadEnum(reader, maLinear, "MagFilter"));
    t.SetMappingMode(ReadEnum(reader, tmmCubeMapCamera, "MappingMode"));
    ReadMappingSetting(reader, t, &TGLTexture::SetMappingSCoordinates);
    ReadMappingSetting(reader, t, &TGLTexture::SetMappingTCoordinates);
    ReadMappingSetting(reader, t, &TGLTexture::SetMappingRCoordinates);
    ReadMappingSetting(reader, t, &TGLTexture::SetMappingQCoordinates);
    t.SetMinFilter(ReadEnum(reader, miLinearMipmapLinear, "MinFilter"));
    t.SetNormalMapScale(ReadFiniteFloat(reader, "NormalMapScale"));
    t.SetTextureCompareFunc(ReadEnum(reader, cfGEqual, "TextureCompareFunc"));
    t.SetTextureCompareMode(ReadEnum(reader, tcmCompareRtoTexture, "TextureCompareMode"));
    t.SetTextureFormat(ReadEnum(reader, TGLTextureFormat::tfExtended, "TextureFormat"));
    t.SetTextureMode(ReadEnum(reader, tmAdd, "TextureMode"));
    t.SetTextureWrap(ReadEnum(reader, twSeparate, "TextureWrap"));
    t.SetTextureWrapR(ReadEnum(reader, twMirrorClampToBorder, "TextureWrapR"));
    t.SetTextureWrapS(ReadEnum(reader, twMirrorClampToBorder, "TextureWrapS"));
    t.SetTextureWrapT(ReadEnum(reader, twMirrorClampToBorder, "TextureWrapT"));
}

// A count that the bytes left could hold, at one byte per entry at least.
int32_t ReadCount(TVirtualReader& reader, const char* what)
{
    const int32_t count = reader.ReadInteger();
    if (count < 0 || count > reader.BytesLeft()) RaiseArchiveError(Format("%s %d out of range", {what, count}));
    return count;
}

} // namespace

void TGLMaterialLibrary::WriteToFiler(TVirtualWriter& writer)
{
    writer.WriteInteger(cArchiveVersion);
    writer.WriteInteger(Materials()->Count());
    for (int32_t i = 0; i < Materials()->Count(); ++i) WriteLibMaterial(writer, *Materials()->Items(i));
}

void TGLMaterialLibrary::WriteLibMaterial(TVirtualWriter& writer, TGLLibMaterial& libMat)
{
    TGLMaterial& material = *libMat.Material();
    writer.WriteString(libMat.Name());
    TGLTexture& texture = *material.Texture();
    TGraphic* const picture = PictureOf(texture);
    writer.WriteBoolean(picture != nullptr);
    if (picture) {
        WritePicture(writer, *picture);
        WriteTextureSettings(writer, texture);
    }
    WriteFace(writer, *material.FrontProperties());
    writer.WriteInteger(material.PolygonMode());
    WriteFace(writer, *material.BackProperties());
    writer.WriteInteger(material.PolygonMode());
    writer.WriteInteger(material.BlendingMode());
    const bool custom = material.BlendingMode() == bmCustom;
    writer.WriteBoolean(custom);
    if (custom) {
        const TGLBlendingParameters& params = *material.BlendingParams();
        writer.WriteFloat(params.AlphaFuncRef());
        writer.WriteInteger(params.AlphaFunctType());
        writer.WriteInteger(params.BlendFuncDFactor());
        writer.WriteInteger(params.BlendFuncSFactor());
        writer.WriteBoolean(params.UseAlphaFunc());
        writer.WriteBoolean(params.UseBlendFunc());
    }
    writer.WriteInteger(material.FaceCulling());
    writer.WriteInteger(1);
    const uint8_t options = material.MaterialOptions().Bits();
    writer.Write(&options, 1);
    WriteFloats(writer, libMat.TextureOffset()->AsVector(), 3);
    WriteFloats(writer, libMat.TextureScale()->AsVector(), 3);
    writer.WriteString(libMat.Texture2Name());
    writer.WriteFloat(libMat.TextureRotate());
    const int32_t itemCount = material.HasTextureEx() ? material.TextureEx()->Count() : 0;
    writer.WriteInteger(itemCount);
    for (int32_t i = 0; i < itemCount; ++i) {
        TGLTextureExItem& item = *material.TextureEx()->Items(i);
        TGraphic* const itemPicture = PictureOf(*item.Texture());
        writer.WriteBoolean(itemPicture != nullptr);
        if (itemPicture) WritePicture(writer, *itemPicture);
        writer.WriteInteger(item.TextureIndex());
        WriteFloats(writer, item.TextureOffset()->AsVector(), 3);
        WriteFloats(writer, item.TextureScale()->AsVector(), 3);
    }
}

void TGLMaterialLibrary::ReadFromFiler(TVirtualReader& reader)
{
    const int32_t version = reader.ReadInteger();
    if (version < 0 || version > cArchiveVersion) ::RaiseUnknownArchiveVersion(ClassName(), version);
    if (!FDoNotClearMaterialsOnLoad) Materials()->Clear();
    const int32_t count = ReadCount(reader, "material count");
    for (int32_t i = 0; i < count; ++i) ReadLibMaterial(reader, version);
}

void TGLMaterialLibrary::ReadLibMaterial(TVirtualReader& reader, int32_t version)
{
    const std::string name = reader.ReadString();
    TGLLibMaterial* target = FDoNotClearMaterialsOnLoad ? Materials()->GetLibMaterialByName(name) : nullptr;
    if (reader.ReadBoolean()) {
        TBitmap bitmap;
        ReadPicture(reader, bitmap);
        if (target)
            target->Material()->Texture()->Image()->Assign(&bitmap);
        else
            target = AddTextureMaterial(name, &bitmap);
        if (version >= 3) ReadTextureSettings(reader, *target->Material()->Texture());
    } else if (!target) {
        target = Materials()->Add();
        target->SetName(name);
    }
    TGLMaterial& material = *target->Material();
    ReadFace(reader, *material.FrontProperties(), version >= 1);
    if (version == 0) return;

    material.SetPolygonMode(ReadEnum(reader, pmPoints, "PolygonMode"));
    ReadFace(reader, *material.BackProperties(), true);
    reader.ReadInteger(); // the polygon mode once more
    material.SetBlendingMode(ReadEnum(reader, bmCustom, "BlendingMode"));
    if (version >= 3) {
        if (reader.ReadBoolean()) {
            TGLBlendingParameters& params = *material.BlendingParams();
            params.SetAlphaFuncRef(ReadFiniteFloat(reader, "AlphaFuncRef"));
            params.SetAlphaFunctType(ReadEnum(reader, cfGEqual, "AlphaFunctType"));
            params.SetBlendFuncDFactor(ReadEnum(reader, bfSrcAlphaSat, "BlendFuncDFactor"));
            params.SetBlendFuncSFactor(ReadEnum(reader, bfSrcAlphaSat, "BlendFuncSFactor"));
            params.SetUseAlphaFunc(reader.ReadBoolean());
            params.SetUseBlendFunc(reader.ReadBoolean());
        }
        material.SetFaceCulling(ReadEnum(reader, fcNoCull, "FaceCulling"));
    }
    // One byte is written; a longer block keeps its first byte.
    const int32_t optionsSize = reader.ReadInteger();
    if (optionsSize < 0 || optionsSize > cMaxOptionsSize)
        RaiseArchiveError(Format("options size %d out of range", {optionsSize}));
    uint8_t options[cMaxOptionsSize];
    reader.Read(options, optionsSize);
    if (optionsSize > 0)
        material.SetMaterialOptions(TMaterialOptions::FromBits(options[0]) *
                                    TMaterialOptions{moIgnoreFog, moNoLighting});
    ReadCoordinates(reader, *target->TextureOffset());
    ReadCoordinates(reader, *target->TextureScale());
    target->SetTexture2Name(reader.ReadString());
    if (version >= 4) target->SetTextureRotate(ReadFiniteFloat(reader, "TextureRotate"));
    // The coordinates were read without their notification.
    target->UpdateTextureMatrix();

    if (version < 2) return;
    const int32_t itemCount = ReadCount(reader, "texture count");
    for (int32_t i = 0; i < itemCount; ++i) {
        TGLTextureExItem& item = *material.TextureEx()->Add();
        if (reader.ReadBoolean()) {
            TBitmap bitmap;
            ReadPicture(reader, bitmap);
            item.Texture()->Image()->Assign(&bitmap);
            item.Texture()->SetEnabled(true);
        }
        item.SetTextureIndex(reader.ReadInteger());
        ReadCoordinates(reader, *item.TextureOffset());
        ReadCoordinates(reader, *item.TextureScale());
    }
    if (itemCount > 0) material.TextureEx()->Loaded();
}

void TGLMaterialLibrary::SaveToStream(TStream& stream)
{
    TBinaryWriter writer(&stream);
    WriteToFiler(writer);
}

void TGLMaterialLibrary::LoadFromStream(TStream& stream)
{
    TBinaryReader reader(&stream);
    ReadFromFiler(reader);
}

void TGLMaterialLibrary::AddMaterialsFromStream(TStream& stream)
{
    const TScopedValue keep(FDoNotClearMaterialsOnLoad, true);
    LoadFromStream(stream);
}

void TGLMaterialLibrary::SaveToFile(const std::string& fileName)
{
    SaveHookedFile(fileName, [this](TStream& stream) { SaveToStream(stream); });
}

void TGLMaterialLibrary::LoadFromFile(const std::string& fileName)
{
    LoadFromStream(*CreateHookedFileStream(fileName, fmOpenRead | fmShareDenyNone));
}

void TGLMaterialLibrary::AddMaterialsFromFile(const std::string& fileName)
{
    AddMaterialsFromStream(*CreateHookedFileStream(fileName, fmOpenRead | fmShareDenyNone));
}
