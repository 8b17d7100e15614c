#include "GLFileJPEG.h"

#include "ImageCodecs.h"

TGLJPEGImage::TGLJPEGImage() = default;

void TGLJPEGImage::LoadFromStream(TStream& stream)
{
    if (stream.Size() == 0) return;
    FAbortLoading = false;
    TJpegDecoder decoder(stream);
    decoder.SetScale(FDivScale);
    decoder.SetSmoothing(FSmoothing);
    const bool grey = decoder.Info().Components == 1;
    decoder.SetLayout(grey ? TPixelLayout::Grey : TPixelLayout::BGR);
    UnMipmap();
    InitPlainImage(static_cast<int32_t>(decoder.OutputWidth()), static_cast<int32_t>(decoder.OutputHeight()),
                   grey ? GL_LUMINANCE : GL_BGR, grey ? tfLUMINANCE8 : tfRGB8, GL_UNSIGNED_BYTE, grey ? 1 : 3);
    // Output row s goes to buffer row height - 1 - s: OpenGL images start at the bottom.
    decoder.ReadImage(DataBytes(), static_cast<ptrdiff_t>(Width()) * fElementSize, true);
}

// The engine reads this format only: a save must not pass for a written file.
void TGLJPEGImage::SaveToStream(TStream& /*stream*/)
{
    throw EInvalidRasterFile("Saving JPEG images is not supported");
}

void RegisterGLFileJPEG()
{
    for (const char* extension : {"jpg", "jpeg", "jpe"})
        RegisterRasterFileFormat<TGLJPEGImage>(extension, "Joint Photographic Experts Group Image");
}
