// The scene buffer's rendered view taken out of the window: snapshots, bitmaps and picture files, copies into
// textures, raw float dumps.
#include "VAVodad.h"

#include "Dialogs.h"
#include "FileUtils.h"
#include "GLGraphics.h"
#include "GLPlatformHelpers.h"
#include "GLState.h"
#include "GLTexture.h"
#include "GLPipelineTransformation.h"
#include "GLVectorGeometryMatrices.h"
#include "Streams.h"
#include "SysUtils.h"

#include <algorithm>
#include <bit>
#include <cctype>

namespace {

// The bitmap's rows from the bottom-up RGBA rows of OpenGL.
void CopyRowsToBitmap(const std::vector<uint8_t>& rgba, TBitmap& bitmap)
{
    const int32_t width = bitmap.Width();
    const int32_t height = bitmap.Height();
    const int bytesPerPixel = bitmap.BytesPerPixel();
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* src = &rgba[static_cast<size_t>(height - 1 - y) * width * 4];
        uint8_t* dst = bitmap.ScanLine(y);
        for (int32_t x = 0; x < width; ++x, src += 4, dst += bytesPerPixel) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
            if (bytesPerPixel == 4) dst[3] = src[3];
        }
    }
}

// Puts the buffer's context, viewport and rendering flag back however a bitmap render ends.
class TBorrowedBuffer {
public:
    TBorrowedBuffer(TGLContext*& context, TRectangle& viewport, bool& rendering)
        : FContext(context), FViewport(viewport), FRendering(rendering), FSavedContext(context),
          FSavedViewport(viewport)
    {
        FRendering = true;
    }
    ~TBorrowedBuffer()
    {
        FContext = FSavedContext;
        FViewport = FSavedViewport;
        FRendering = false;
    }
    TBorrowedBuffer(const TBorrowedBuffer&) = delete;
    TBorrowedBuffer& operator=(const TBorrowedBuffer&) = delete;

private:
    TGLContext*& FContext;
    TRectangle& FViewport;
    bool& FRendering;
    TGLContext* FSavedContext;
    TRectangle FSavedViewport;
};

// The turns of the six cube faces, +X, -X, +Y, -Y, +Z, -Z.
constexpr TMatrix4f cCubeMapRotations[6] = {
    {{{{{{0, 0, -1, 0}}}, {{{0, -1, 0, 0}}}, {{{-1, 0, 0, 0}}}, {{{0, 0, 0, 1}}}}}},
    {{{{{{0, 0, 1, 0}}}, {{{0, -1, 0, 0}}}, {{{1, 0, 0, 0}}}, {{{0, 0, 0, 1}}}}}},
    {{{{{{1, 0, 0, 0}}}, {{{0, 0, -1, 0}}}, {{{0, 1, 0, 0}}}, {{{0, 0, 0, 1}}}}}},
    {{{{{{1, 0, 0, 0}}}, {{{0, 0, 1, 0}}}, {{{0, -1, 0, 0}}}, {{{0, 0, 0, 1}}}}}},
    {{{{{{1, 0, 0, 0}}}, {{{0, -1, 0, 0}}}, {{{0, 0, -1, 0}}}, {{{0, 0, 0, 1}}}}}},
    {{{{{{-1, 0, 0, 0}}}, {{{0, -1, 0, 0}}}, {{{0, 0, 1, 0}}}, {{{0, 0, 0, 1}}}}}},
};

// The colour buffers CopyToTextureMRT reads, by index.
constexpr GLenum cMRTBuffers[4] = {GL_FRONT_LEFT, GL_AUX0, GL_AUX1, GL_AUX2};

bool UsesMipmaps(TGLMinFilter filter)
{
    return filter != miNearest && filter != miLinear;
}

// Frees a context made for one operation.
struct TContextFree {
    void operator()(TGLContext* context) const { Free(context); }
};

} // namespace

TGLImage* TVAVodadBuffer::CreateSnapShot()
{
    auto image = std::make_unique<TGLImage>();
    image->SetWidth(std::max(FViewPort.Width, 0));
    image->SetHeight(std::max(FViewPort.Height, 0));
    if (CameraScene() && FRenderingContext) {
        const TRect area{0, 0, FViewPort.Width, FViewPort.Height};
        ReadFrame([&] { image->ReadPixels(area); });
    }
    return image.release();
}

TBitmap* TVAVodadBuffer::CreateSnapShotBitmap()
{
    const std::unique_ptr<TGLImage> image(CreateSnapShot());
    return image->Create32BitsBitmap();
}

void TVAVodadBuffer::RenderToBitmap(TBitmap* ABitmap, int32_t DPI)
{
    Assert(!FRendering, "Already rendering", cVAVodadUnit);
    Assert(ABitmap != nullptr, "", cVAVodadUnit);
    const int32_t width = ABitmap->Width();
    const int32_t height = ABitmap->Height();
    if (width < 1 || height < 1) throw Exception("Cannot render into an empty bitmap");
    {
        TBorrowedBuffer borrowed(FRenderingContext, FViewPort, FRendering);
        std::unique_ptr<TGLContext, TContextFree> bitmapContext(
            vGLContextManager ? vGLContextManager->CreateContext() : nullptr);
        if (!bitmapContext) throw Exception("Failed to create RenderingContext.");
        FRenderingContext = bitmapContext.get();
        ApplyContextSettings(FRenderingContext);
        FRenderingContext->SetOptions({});
        FRenderingContext->SetColorBits(std::max(ABitmap->BytesPerPixel() * 8, 8));
        FRenderingContext->SetAntiAliasing(aaNone);
        // The bitmap is drawn off screen and its pixels copied: a p-buffer of its size stands for its canvas.
        FRenderingContext->CreateMemoryContext(nullptr, width, height, 1);

        std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
        {
            TActiveContext active(FRenderingContext);
            TGLStateCache* states = FRenderingContext->GLStates();
            SetupRenderingContext();
            states->SetColorClearValue(WinColorToVector(FBackgroundColor));
            FViewPort = TRectangle{0, 0, width, height};
            states->SetViewPort(TVector4i{{{0, 0, width, height}}});
            ClearBuffers();
            FRenderDPI = DPI ? DPI : ScreenPixelsPerInchX();
            DoBaseRender(FViewPort, FRenderDPI, nullptr, dsPrinting);
            TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
            gl->Finish();
            states->SetPackAlignment(1);
            gl->ReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        }
        CopyRowsToBitmap(rgba, *ABitmap);
    }
    if (AfterRender && OwnerIsComponent()) AfterRender(this);
}

void TVAVodadBuffer::RenderToFile(const std::string& AFile, int32_t DPI)
{
    Assert(!FRendering, "Already rendering", cVAVodadUnit);
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(FViewPort.Width, FViewPort.Height);
    RenderToBitmap(&bitmap, DPI);
    SaveBitmap(bitmap, AFile);
}

void TVAVodadBuffer::RenderToFile(const std::string& AFile, int32_t bmpWidth, int32_t bmpHeight)
{
    Assert(!FRendering, "Already rendering", cVAVodadUnit);
    // The resolution is scaled by the view's width: a view without width has none to scale by.
    if (FViewPort.Width < 1) throw Exception("Cannot render a view of zero width to a file");
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(bmpWidth, bmpHeight);
    RenderToBitmap(&bitmap, bmpWidth * ScreenPixelsPerInchX() / FViewPort.Width);
    SaveBitmap(bitmap, AFile);
}

void TVAVodadBuffer::SaveBitmap(TBitmap& bitmap, const std::string& AFile)
{
    std::string fileName = AFile;
    if (fileName.empty()) {
        if (!ShowSavePictureDialog(TSavePictureRequest{}, fileName) || fileName.empty()) return;
    } else if (FileExists(fileName)) {
        TMessageBoxRequest question;
        question.Kind = mtConfirmation;
        question.Text = Format("Overwrite file %s?", {fileName});
        question.Buttons = mbsYesNo;
        question.Default = mrNo;
        if (ShowMessageBox(question) != mrYes) return;
    }
    // Saved in the picture format registered for the extension; BMP for any other name.
    std::string extension = ExtractFileExt(fileName);
    if (!extension.empty()) extension.erase(0, 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto& formats = TPicture::FileFormats();
    const auto format = std::find_if(formats.rbegin(), formats.rend(),
                                     [&](const TPictureFileFormat& f) { return f.Extension == extension; });
    if (format == formats.rend() || format->GraphicClass == GraphicClass<TBitmap>()) {
        bitmap.SaveToFile(fileName);
        return;
    }
    const std::unique_ptr<TGraphic> graphic(CreateGraphic(format->GraphicClass));
    graphic->Assign(&bitmap);
    graphic->SaveToFile(fileName);
}

void TVAVodadBuffer::CopyToTexture(TGLTexture* aTexture)
{
    CopyToTexture(aTexture, 0, 0, FViewPort.Width, FViewPort.Height, 0, 0, 0);
}

void TVAVodadBuffer::CopyToTexture(TGLTexture* aTexture, int32_t xSrc, int32_t ySrc, int32_t AWidth,
                                   int32_t AHeight, int32_t xDest, int32_t yDest, uint32_t glCubeFace)
{
    if (!FRenderingContext) return;
    TActiveContext active(FRenderingContext);
    if (aTexture->GetImageClassName() != ClassNameOf<TGLBlankImage>())
        aTexture->SetImageClassName(ClassNameOf<TGLBlankImage>());
    auto* image = static_cast<TGLBlankImage*>(aTexture->Image());
    if (image->Width() != AWidth) image->SetWidth(AWidth);
    if (image->Height() != AHeight) image->SetHeight(AHeight);
    if (image->Depth() != 0) image->SetDepth(0);
    if (image->CubeMap() != (glCubeFace != 0)) image->SetCubeMap(glCubeFace != 0);
    const TGLTextureTarget target = image->NativeTextureTarget();
    TGLStateCache* states = FRenderingContext->GLStates();
    states->SetActiveTexture(0);
    states->SetTextureBinding(0, target, aTexture->Handle());
    GetCurrentGL()->CopyTexSubImage2D(glCubeFace ? glCubeFace : TextureTargetToGLEnum(target), 0, xDest, yDest,
                                      xSrc, ySrc, AWidth, AHeight);
}

void TVAVodadBuffer::SaveAsFloatToFile(const std::string& aFilename)
{
    static_assert(std::endian::native == std::endian::little, "the float dump is little-endian");
    if (!CameraScene() || !FRenderingContext) return;
    const int32_t width = std::max(FViewPort.Width, 0);
    const int32_t height = std::max(FViewPort.Height, 0);
    std::vector<float> pixels(static_cast<size_t>(width) * height * 4);
    ReadFrame([&] {
        FRenderingContext->GLStates()->SetPackAlignment(1);
        TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
        gl->ReadPixels(0, 0, width, height, GL_RGBA, GL_FLOAT, pixels.data());
        gl->CheckError();
    });
    ReplaceFileAtomically(aFilename, std::string_view(reinterpret_cast<const char*>(pixels.data()),
                                                      pixels.size() * sizeof(float)));
}

// ---- TGLNonVisualViewer: copies from a chosen colour buffer, cube maps

void TGLNonVisualViewer::CopyToTextureMRT(TGLTexture* aTexture, int32_t BufferIndex)
{
    CopyToTextureMRT(aTexture, 0, 0, FWidth, FHeight, 0, 0, BufferIndex);
}

void TGLNonVisualViewer::CopyToTextureMRT(TGLTexture* aTexture, int32_t xSrc, int32_t ySrc, int32_t width,
                                          int32_t height, int32_t xDest, int32_t yDest, int32_t BufferIndex)
{
    TGLContext* context = FBuffer->RenderingContext();
    if (!context) return;
    TActiveContext active(context);
    TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
    TGLStateCache* states = context->GLStates();
    const TGLTextureTarget target = aTexture->Image()->NativeTextureTarget();
    const bool cube = target == ttTextureCube;
    uint32_t name;
    bool newStorage;
    if (aTexture->IsFloatType()) {
        name = aTexture->Handle();
        newStorage = false;
    } else if (cube && FCubeMapRotIdx != 0) {
        name = aTexture->TextureHandle()->Handle();
        if (name == 0) name = aTexture->AllocateHandle();
        newStorage = true;
    } else if (aTexture->TextureHandle()->Handle() != 0) {
        // The name as it is: sending the texture's image now would replace the frames copied into it.
        name = aTexture->TextureHandle()->Handle();
        newStorage = false;
    } else {
        name = aTexture->AllocateHandle();
        newStorage = true;
    }
    gl->ReadBuffer(cMRTBuffers[std::clamp(BufferIndex, 0, 3)]);
    states->SetActiveTexture(0);
    states->SetTextureBinding(0, target, name);
    const GLenum uploadTarget =
        cube ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + FCubeMapRotIdx : TextureTargetToGLEnum(target);
    // A texture without pixels yet has nothing to copy into: it gets its storage first.
    if (!newStorage) {
        GLint levelWidth = 0;
        gl->GetTexLevelParameteriv(uploadTarget, 0, GL_TEXTURE_WIDTH, &levelWidth);
        newStorage = levelWidth == 0;
    }
    if (newStorage) {
        std::vector<uint8_t> pixels(static_cast<size_t>(std::max(width, 0)) * std::max(height, 0) * 4);
        states->SetPackAlignment(1);
        gl->ReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        const bool mipmaps = UsesMipmaps(aTexture->MinFilter());
        const bool generateOnUpload = mipmaps && gl->SGIS_generate_mipmap && uploadTarget == GL_TEXTURE_2D;
        if (generateOnUpload) gl->TexParameteri(uploadTarget, GL_GENERATE_MIPMAP_SGIS, 1);
        states->SetUnpackAlignment(1);
        gl->TexImage2D(uploadTarget, 0, aTexture->OpenGLTextureFormat(), width, height, 0, GL_RGBA,
                       GL_UNSIGNED_BYTE, pixels.data());
        if (mipmaps && !generateOnUpload) gl->GenerateMipmap(TextureTargetToGLEnum(target));
    } else {
        gl->CopyTexSubImage2D(uploadTarget, 0, xDest, yDest, xSrc, ySrc, width, height);
    }
    gl->ClearError();
}

void TGLNonVisualViewer::RenderCubeMapTextures(TGLTexture* cubeMapTexture, float zNear, float zFar)
{
    Assert(FWidth == FHeight, "Memory Viewer must render to a square!", cVAVodadUnit);
    TGLCamera* camera = Camera();
    Assert(camera != nullptr, "Camera not specified", cVAVodadUnit);
    Assert(cubeMapTexture != nullptr, "Texture not specified", cVAVodadUnit);
    if (zFar <= 0) zFar = camera->DepthOfView();
    if (zNear <= 0) zNear = zFar * 0.001f;
    const TScopedValue<TNotifyEvent> apply(camera->DeferredApply,
                                           [this](TObject* Sender) { SetupCubeMapCamera(Sender); });
    FCubeMapZNear = zNear;
    FCubeMapZFar = zFar;
    const TVector4f position = camera->AbsolutePosition();
    FCubeMapTranslation = TVector3f{{{-position.X, -position.Y, -position.Z}}};
    const TScopedValue rotation(FCubeMapRotIdx);
    for (FCubeMapRotIdx = 0; FCubeMapRotIdx < 6; ++FCubeMapRotIdx) {
        Render(nullptr);
        FBuffer->CopyToTexture(cubeMapTexture, 0, 0, FWidth, FHeight, 0, 0,
                               GL_TEXTURE_CUBE_MAP_POSITIVE_X + FCubeMapRotIdx);
    }
}

void TGLNonVisualViewer::SetupCubeMapCamera(TObject*)
{
    TGLTransformation* transformation = GetCurrentGLContextOrAbort()->PipelineTransformation();
    TMatrix4f projection;
    MatrixPerspectiveProjection(90, 1, FCubeMapZNear, FCubeMapZFar, projection);
    transformation->SetProjectionMatrix(projection);
    // Moved to the camera first, then turned: the face's view from wherever the camera stands.
    TMatrix4f translation, view;
    MatrixTranslation(FCubeMapTranslation, translation);
    MatrixProduct(translation, cCubeMapRotations[FCubeMapRotIdx], view);
    transformation->SetViewMatrix(view);
}
