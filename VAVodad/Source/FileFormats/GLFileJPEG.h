// JPEG files as engine images, decoded through the picture layer's JPEG codec. The engine reads them only.
#pragma once

#include "GLGraphics.h"

class TGLJPEGImage : public TGLBaseImage {
public:
    TGLJPEGImage();
    static TGLDataFileCapabilities ClassCapabilities() { return dfcRead; }
    TGLDataFileCapabilities Capabilities() const override { return ClassCapabilities(); }

    // An empty stream changes nothing. Grey pictures load as GL_LUMINANCE, colour ones as GL_BGR; a
    // decoding failure raises EJPEG "JPEG error #n".
    void LoadFromStream(TStream& stream) override;
    // Raises EInvalidRasterFile "Saving ... images is not supported" and leaves the stream untouched.
    void SaveToStream(TStream& stream) override;

    // The picture is decoded at 1 / DivScale of its size (0 counts as 1).
    uint32_t DivScale() const { return FDivScale; }
    void SetDivScale(uint32_t Value) { FDivScale = Value; }
    // Full-colour output has no palette to dither; the setting is kept for callers that ask.
    bool Dither() const { return FDither; }
    void SetDither(bool Value) { FDither = Value; }
    bool Smoothing() const { return FSmoothing; }
    void SetSmoothing(bool Value) { FSmoothing = Value; }
    bool ProgressiveEncoding() const { return FProgressiveEncoding; }

private:
    bool FAbortLoading = false;
    uint32_t FDivScale = 1;
    bool FDither = false;
    bool FSmoothing = false;
    bool FProgressiveEncoding = false;
};

// Registers "jpg", "jpeg" and "jpe" in the raster format registry.
void RegisterGLFileJPEG();
