#include "GLBitmapFont.h"

#include "GLColor.h"
#include "GLContext.h"
#include "GLGraphics.h"
#include "GLState.h"
#include "GLUtilities.h"
#include "Graphics.h"
#include "OpenGLAdapter.h"
#include "TextEncoding.h"
#include "VAVodad_streaming.h"
#include "ZODLog.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The last revision given to a font: revisions are unique among all fonts, so a batch never matches a font it
// was not built by.
uint64_t vLastRevision = 0;

inline constexpr TEnumNames<6> cMinFilterNames{"miNearest",
                                               "miLinear",
                                               "miNearestMipmapNearest",
                                               "miLinearMipmapNearest",
                                               "miNearestMipmapLinear",
                                               "miLinearMipmapLinear"};
inline constexpr TEnumNames<2> cMagFilterNames{"maNearest", "maLinear"};
inline constexpr TEnumNames<10> cTextureImageAlphaNames{
    "tiaDefault",   "tiaAlphaFromIntensity",           "tiaSuperBlackTransparent", "tiaLuminance",
    "tiaLuminanceSqrt", "tiaOpaque",                   "tiaTopLeftPointColorTransparent",
    "tiaInverseLuminance", "tiaInverseLuminanceSqrt",  "tiaBottomRightPointColorTransparent"};
inline constexpr TEnumNames<3> cAlignmentNames{"taLeftJustify", "taRightJustify", "taCenter"};
inline constexpr TEnumNames<3> cTextLayoutNames{"tlTop", "tlCenter", "tlBottom"};

constexpr GLint cMinFilterToGL[] = {GL_NEAREST,
                                    GL_LINEAR,
                                    GL_NEAREST_MIPMAP_NEAREST,
                                    GL_LINEAR_MIPMAP_NEAREST,
                                    GL_NEAREST_MIPMAP_LINEAR,
                                    GL_LINEAR_MIPMAP_LINEAR};
constexpr GLint cMagFilterToGL[] = {GL_NEAREST, GL_LINEAR};

// The first UTF-16 unit of a text, or nothing for an empty one.
bool FirstUnit(const std::string& text, char16_t& unit)
{
    if (text.empty()) return false;
    const std::u16string units = Utf8ToUtf16(text);
    if (units.empty()) return false;
    unit = units[0];
    return true;
}

// The next character of a UTF-8 text; ASCII without a call.
inline char32_t NextChar(std::string_view text, size_t& pos)
{
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (byte < 0x80) {
        ++pos;
        return byte;
    }
    return NextUtf8CodePoint(text, pos);
}

bool IsHandledGlyphsAlpha(TGLTextureImageAlpha alpha)
{
    switch (alpha) {
    case tiaDefault:
    case tiaAlphaFromIntensity:
    case tiaSuperBlackTransparent:
    case tiaLuminance:
    case tiaLuminanceSqrt:
    case tiaOpaque:
    case tiaTopLeftPointColorTransparent: return true;
    default: return false;
    }
}

void ApplyGlyphsAlpha(TGLImage& image, TGLTextureImageAlpha alpha)
{
    switch (alpha) {
    case tiaAlphaFromIntensity:
    case tiaLuminance: image.SetAlphaFromIntensity(); break;
    case tiaSuperBlackTransparent: image.SetAlphaTransparentForColor(0x000000u); break;
    case tiaLuminanceSqrt:
        image.SetAlphaFromIntensity();
        image.SqrtAlpha();
        break;
    case tiaOpaque: image.SetAlphaToValue(255); break;
    default: // tiaDefault, tiaTopLeftPointColorTransparent: the picture's top row is the image's last
        image.SetAlphaTransparentForColor(*reinterpret_cast<const TGLPixel32*>(image.GetScanLine(image.Height() - 1)));
        break;
    }
}

// The page of source pixels from (x, y) on, as far as page reaches; black where the source ends.
void CopyPage(const TBitmap& source, int32_t x, int32_t y, TBitmap& page)
{
    const int32_t columns = std::clamp(source.Width() - x, 0, page.Width());
    for (int32_t row = 0; row < page.Height(); ++row) {
        uint8_t* dest = page.ScanLine(row);
        int32_t copied = 0;
        if (y + row < source.Height()) {
            copied = columns;
            std::memcpy(dest, source.ScanLine(y + row) + size_t(x) * 4, size_t(copied) * 4);
        }
        std::memset(dest + size_t(copied) * 4, 0, size_t(page.Width() - copied) * 4);
    }
}

// A picture in a stream: its graphic's class name (one length byte, then the name), then the graphic in its
// own format.
void WritePicture(TStream& stream, const TPicture& picture)
{
    const std::string& name = picture.Graphic()->ClassName();
    const auto length = static_cast<uint8_t>(name.size());
    stream.WriteBuffer(&length, 1);
    stream.WriteBuffer(name.data(), length);
    picture.Graphic()->SaveToStream(stream);
}

// Only the picture classes of the picture-format registry are read; the picture changes once the graphic is
// whole.
void ReadPicture(TStream& stream, TPicture& picture)
{
    uint8_t length = 0;
    stream.ReadBuffer(&length, 1);
    std::string name(length, '\0');
    stream.ReadBuffer(name.data(), length);
    const auto& formats = TPicture::FileFormats();
    const auto found = std::find_if(formats.begin(), formats.end(), [&](const TPictureFileFormat& format) {
        return SameText(format.GraphicClass->ClassName(), name);
    });
    if (found == formats.end()) throw EReadError("Unknown picture class " + name);
    const std::unique_ptr<TGraphic> graphic(CreateGraphic(found->GraphicClass));
    graphic->LoadFromStream(stream);
    picture.Assign(graphic.get());
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TGLBitmapFontRange

TGLBitmapFontRange::TGLBitmapFontRange(TGLBitmapFontRanges* ACollection)
    : FCollection(ACollection), FID(ACollection->FNextID++)
{
}

void TGLBitmapFontRange::Assign(TPersistent* Source)
{
    if (auto* range = dynamic_cast<TGLBitmapFontRange*>(Source)) {
        FStartASCII = range->FStartASCII;
        FStopASCII = range->FStopASCII;
        FStartGlyphIdx = range->FStartGlyphIdx;
        NotifyChange();
        return;
    }
    TPersistent::Assign(Source);
}

std::string TGLBitmapFontRange::GetDisplayName() const
{
    return Format("ASCII [#%d, #%d] -> Glyphs [%d, %d]",
                  {int32_t(FStartASCII), int32_t(FStopASCII), FStartGlyphIdx, FStopGlyphIdx});
}

TPersistent* TGLBitmapFontRange::GetOwner() const
{
    return FCollection;
}

int32_t TGLBitmapFontRange::Index() const
{
    for (int32_t i = 0; i < FCollection->Count(); ++i)
        if (FCollection->FItems[i].get() == this) return i;
    return -1;
}

void TGLBitmapFontRange::SetStartASCII(const std::string& Value)
{
    char16_t unit;
    if (FirstUnit(Value, unit)) SetStartASCII(unit);
}

void TGLBitmapFontRange::SetStartASCII(char16_t Value)
{
    if (Value == FStartASCII) return;
    FStartASCII = Value;
    if (FStopASCII < FStartASCII) FStopASCII = FStartASCII;
    NotifyChange();
}

void TGLBitmapFontRange::SetStopASCII(const std::string& Value)
{
    char16_t unit;
    if (FirstUnit(Value, unit)) SetStopASCII(unit);
}

void TGLBitmapFontRange::SetStopASCII(char16_t Value)
{
    if (Value == FStopASCII) return;
    FStopASCII = Value;
    if (FStartASCII > FStopASCII) FStartASCII = FStopASCII;
    NotifyChange();
}

void TGLBitmapFontRange::SetStartGlyphIdx(int32_t Value)
{
    Value = std::max(Value, 0);
    if (Value == FStartGlyphIdx) return;
    FStartGlyphIdx = Value;
    NotifyChange();
}

void TGLBitmapFontRange::Recompute()
{
    FCharCount = int32_t(FStopASCII) - int32_t(FStartASCII) + 1;
    FStopGlyphIdx = FStartGlyphIdx + FCharCount - 1;
}

void TGLBitmapFontRange::NotifyChange()
{
    Recompute();
    FCollection->Changed();
}

// ---------------------------------------------------------------------------------------------------------
// TGLBitmapFontRanges

TGLBitmapFontRanges::TGLBitmapFontRanges(TPersistent* AOwner) : FOwner(AOwner) {}

TGLBitmapFontRanges::~TGLBitmapFontRanges() = default;

void TGLBitmapFontRanges::Assign(TPersistent* Source)
{
    if (auto* ranges = dynamic_cast<TGLBitmapFontRanges*>(Source)) {
        if (ranges == this) return;
        BeginUpdate();
        TryFinally(
            [&] {
                FItems.clear();
                for (const auto& range : ranges->FItems) Add()->Assign(range.get());
            },
            [&] { EndUpdate(); });
        return;
    }
    TPersistent::Assign(Source);
}

TGLBitmapFontRange* TGLBitmapFontRanges::Add()
{
    FItems.push_back(std::make_unique<TGLBitmapFontRange>(this));
    TGLBitmapFontRange* range = FItems.back().get();
    range->Recompute();
    Changed();
    return range;
}

TGLBitmapFontRange* TGLBitmapFontRanges::Add(char16_t StartASCII, char16_t StopASCII)
{
    BeginUpdate();
    TGLBitmapFontRange* range = nullptr;
    TryFinally(
        [&] {
            range = Add();
            range->SetStartASCII(StartASCII);
            range->SetStopASCII(StopASCII);
        },
        [&] { EndUpdate(); });
    return range;
}

TGLBitmapFontRange* TGLBitmapFontRanges::Add(char StartASCII, char StopASCII)
{
    return Add(LegacyCharToUnicode(static_cast<uint8_t>(StartASCII), lcpWindows1252),
               LegacyCharToUnicode(static_cast<uint8_t>(StopASCII), lcpWindows1252));
}

void TGLBitmapFontRanges::Delete(int32_t Index)
{
    GetItems(Index);
    FItems.erase(FItems.begin() + Index);
    Changed();
}

void TGLBitmapFontRanges::Clear()
{
    if (FItems.empty()) return;
    FItems.clear();
    Changed();
}

TGLBitmapFontRange* TGLBitmapFontRanges::FindItemID(int32_t ID) const
{
    for (const auto& range : FItems)
        if (range->FID == ID) return range.get();
    return nullptr;
}

TGLBitmapFontRange* TGLBitmapFontRanges::GetItems(int32_t Index) const
{
    if (Index < 0 || Index >= Count()) RaiseListError("List index out of bounds (%d)", Index);
    return FItems[Index].get();
}

void TGLBitmapFontRanges::SetItems(int32_t Index, TGLBitmapFontRange* Value)
{
    GetItems(Index)->Assign(Value);
}

void TGLBitmapFontRanges::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0) NotifyChange();
}

void TGLBitmapFontRanges::Changed()
{
    if (FUpdateCount == 0) NotifyChange();
}

void TGLBitmapFontRanges::Renumber()
{
    int32_t total = 0;
    for (const auto& range : FItems) {
        range->FStartGlyphIdx = total;
        range->FStopGlyphIdx = std::max(total + range->FCharCount - 1, 0);
        total += range->FCharCount;
    }
}

int32_t TGLBitmapFontRanges::CharacterToTileIndex(char32_t aChar) const
{
    for (const auto& range : FItems)
        if (aChar >= range->FStartASCII && aChar <= range->FStopASCII)
            return int32_t(aChar) - int32_t(range->FStartASCII) + range->FStartGlyphIdx;
    return -1;
}

char16_t TGLBitmapFontRanges::TileIndexToChar(int32_t aIndex) const
{
    for (const auto& range : FItems)
        if (aIndex >= range->FStartGlyphIdx && aIndex <= range->FStopGlyphIdx)
            return static_cast<char16_t>(range->FStartASCII + (aIndex - range->FStartGlyphIdx));
    return 0;
}

void TGLBitmapFontRanges::NotifyChange()
{
    FCharCount = 0;
    for (const auto& range : FItems) FCharCount += range->FCharCount;
    if (auto* object = dynamic_cast<TGLBaseSceneObject*>(FOwner))
        object->StructureChanged();
    else if (auto* font = dynamic_cast<TGLCustomBitmapFont*>(FOwner))
        font->NotifyChange(this);
}

void TGLBitmapFontRanges::WriteRanges(TWriter& Writer) const
{
    Writer.WriteListBegin();
    for (const auto& range : FItems) {
        Writer.WriteListBegin();
        Writer.WriteInteger(range->FStartASCII);
        Writer.WriteInteger(range->FStopASCII);
        Writer.WriteInteger(range->FStartGlyphIdx);
        Writer.WriteListEnd();
    }
    Writer.WriteListEnd();
}

void TGLBitmapFontRanges::ReadRanges(TReader& Reader)
{
    BeginUpdate();
    TryFinally(
        [&] {
            FItems.clear();
            Reader.ReadListBegin();
            while (!Reader.EndOfList()) {
                Reader.ReadListBegin();
                const auto start = static_cast<char16_t>(Reader.ReadInteger());
                const auto stop = static_cast<char16_t>(Reader.ReadInteger());
                const int32_t firstTile = Reader.ReadInteger();
                Reader.ReadListEnd();
                TGLBitmapFontRange* range = Add(start, stop);
                range->SetStartGlyphIdx(firstTile);
            }
            Reader.ReadListEnd();
        },
        [&] { EndUpdate(); });
}

// ---------------------------------------------------------------------------------------------------------
// TGLCustomBitmapFont

void TGLCustomBitmapFont::TFreeHandle::operator()(TGLTextureHandle* handle) const
{
    Free(handle);
}

TGLCustomBitmapFont::TGLCustomBitmapFont(TComponent* AOwner)
    : TGLUpdateAbleComponent(AOwner), FRanges(std::make_unique<TGLBitmapFontRanges>(this)),
      FGlyphs(std::make_unique<TPicture>())
{
    AttachGlyphsEvent();
    Revise();
}

void TGLCustomBitmapFont::BeforeDestruction()
{
    TGLUpdateAbleComponent::BeforeDestruction();
    DetachUsers();
    FreeTextures();
}

TGLCustomBitmapFont::~TGLCustomBitmapFont()
{
    // Reached with users or textures only by a plain delete.
    try {
        DetachUsers();
        FTextures.clear();
    } catch (const std::exception& e) {
        GlobalLogSession()->LogError(std::string("Bitmap font destruction: ") + e.what());
    } catch (...) {
        GlobalLogSession()->LogError("Bitmap font destruction: unknown error");
    }
}

void TGLCustomBitmapFont::DetachUsers()
{
    if (FUsers.empty()) return;
    GlobalLogSession()->LogWarning(
        Format("Bitmap font %s destroyed while %d scene objects still use it", {Name(), int32_t(FUsers.size())}));
    const std::vector<TGLBaseSceneObject*> users = FUsers;
    FUsers.clear();
    for (TGLBaseSceneObject* user : users) user->Notification(this, opRemove);
}

void TGLCustomBitmapFont::NotifyChange(TObject* Sender)
{
    if (Sender == FRanges.get()) InvalidateUsers();
    TGLUpdateAbleComponent::NotifyChange(Sender);
}

void TGLCustomBitmapFont::RegisterUser(TGLBaseSceneObject* anObject)
{
    Assert(std::find(FUsers.begin(), FUsers.end(), anObject) == FUsers.end(), "", cGLBitmapFontUnit);
    FUsers.push_back(anObject);
}

void TGLCustomBitmapFont::UnRegisterUser(TGLBaseSceneObject* anObject)
{
    const auto found = std::find(FUsers.begin(), FUsers.end(), anObject);
    if (found != FUsers.end()) FUsers.erase(found);
}

void TGLCustomBitmapFont::Revise()
{
    FRevision = ++vLastRevision;
}

void TGLCustomBitmapFont::InvalidateUsers()
{
    FCharsLoaded = false;
    FTextureModified = true;
    Revise();
    // A user may leave while it is told.
    for (size_t i = FUsers.size(); i-- > 0;)
        if (i < FUsers.size()) FUsers[i]->NotifyChange(this);
}

void TGLCustomBitmapFont::SetRanges(TGLBitmapFontRanges* Value)
{
    FRanges->Assign(Value);
    InvalidateUsers();
}

void TGLCustomBitmapFont::SetGlyphs(TPicture* Value)
{
    FGlyphs->Assign(Value);
}

void TGLCustomBitmapFont::StoreAndInvalidate(int32_t& field, int32_t Value)
{
    if (Value == field) return;
    field = Value;
    InvalidateUsers();
}

void TGLCustomBitmapFont::SetCharWidth(int32_t Value)
{
    StoreAndInvalidate(FCharWidth, std::max(Value, 1));
}

void TGLCustomBitmapFont::SetCharHeight(int32_t Value)
{
    StoreAndInvalidate(FCharHeight, std::max(Value, 1));
}

void TGLCustomBitmapFont::SetGlyphsIntervalX(int32_t Value)
{
    FGlyphsIntervalX = std::max(Value, 0);
    InvalidateUsers();
}

void TGLCustomBitmapFont::SetGlyphsIntervalY(int32_t Value)
{
    FGlyphsIntervalY = std::max(Value, 0);
    InvalidateUsers();
}

void TGLCustomBitmapFont::SetHSpace(int32_t Value)
{
    StoreAndInvalidate(FHSpace, Value);
}

void TGLCustomBitmapFont::SetVSpace(int32_t Value)
{
    StoreAndInvalidate(FVSpace, Value);
}

void TGLCustomBitmapFont::SetMinFilter(TGLMinFilter Value)
{
    if (Value == FMinFilter) return;
    FMinFilter = Value;
    TextureChanged();
    InvalidateUsers();
}

void TGLCustomBitmapFont::SetMagFilter(TGLMagFilter Value)
{
    if (Value == FMagFilter) return;
    FMagFilter = Value;
    TextureChanged();
    InvalidateUsers();
}

void TGLCustomBitmapFont::StoreCellSize(int32_t charWidth, int32_t charHeight, int32_t intervalX, int32_t intervalY)
{
    FCharWidth = std::max(charWidth, 1);
    FCharHeight = std::max(charHeight, 1);
    FGlyphsIntervalX = intervalX;
    FGlyphsIntervalY = intervalY;
    Revise();
}

void TGLCustomBitmapFont::DetachGlyphsEvent()
{
    FGlyphs->OnChange = nullptr;
}

void TGLCustomBitmapFont::AttachGlyphsEvent()
{
    FGlyphs->OnChange = [this](TObject* Sender) { OnGlyphsChanged(Sender); };
}

void TGLCustomBitmapFont::OnGlyphsChanged(TObject* /*Sender*/)
{
    InvalidateUsers();
    if (FGlyphs->Graphic() && !FGlyphs->Graphic()->Empty()) {
        if (FTextureWidth == 0) FTextureWidth = NextPowerOfTwo(FGlyphs->Width());
        if (FTextureHeight == 0) FTextureHeight = NextPowerOfTwo(FGlyphs->Height());
    }
}

void TGLCustomBitmapFont::ResetCharWidths(int32_t w)
{
    FCharsLoaded = false;
    const auto count = static_cast<size_t>(std::max(CharacterCount(), 0));
    if (FChars.size() < count) FChars.resize(count, TCharInfo{0, 0, 0});
    const auto width = static_cast<uint16_t>(w < 0 ? FCharWidth : w);
    for (TCharInfo& info : FChars) info.w = width;
    Revise();
}

void TGLCustomBitmapFont::SetCharWidths(int32_t index, int32_t value)
{
    if (index < 0) return;
    if (static_cast<size_t>(index) >= FChars.size()) FChars.resize(size_t(index) + 1, TCharInfo{0, 0, 0});
    FChars[index].w = static_cast<uint16_t>(std::max(value, 0));
    Revise();
}

void TGLCustomBitmapFont::PrepareCharWidths()
{
    // Laid out, every tile is CharWidth wide: the same before the first render as after it.
    if (!FCharsLoaded && !LayOutTiles()) ResetCharWidths(-1);
}

int32_t TGLCustomBitmapFont::TileWidth(int32_t tile) const
{
    return tile >= 0 && static_cast<size_t>(tile) < FChars.size() ? FChars[tile].w : 0;
}

int32_t TGLCustomBitmapFont::GetCharWidth(char32_t Ch)
{
    PrepareCharWidths();
    return TileWidth(CharacterToTileIndex(Ch));
}

int32_t TGLCustomBitmapFont::MeasureLine(std::string_view aText) const
{
    int32_t count = 0, sum = 0;
    for (size_t pos = 0; pos < aText.size(); ++count) sum += TileWidth(CharacterToTileIndex(NextChar(aText, pos)));
    return count == 0 ? 0 : count * (FHSpace + FHSpaceFix) - FHSpace + sum;
}

int32_t TGLCustomBitmapFont::CalcStringWidth(std::string_view aText)
{
    if (aText.empty()) return 0;
    PrepareCharWidths();
    return MeasureLine(aText);
}

int32_t TGLCustomBitmapFont::CharsPerRow() const
{
    const int32_t width = FGlyphs->Width();
    if (width <= 0) return 0;
    return (width + FGlyphsIntervalX) / (FCharWidth + FGlyphsIntervalX);
}

bool TGLCustomBitmapFont::LayOutTiles()
{
    const int32_t cols = CharsPerRow();
    if (cols <= 0) return false;
    ResetCharWidths(-1);
    FCharsLoaded = true;
    for (size_t i = 0; i < FChars.size(); ++i) {
        FChars[i].l = static_cast<uint16_t>((FCharWidth + FGlyphsIntervalX) * (int32_t(i) % cols));
        FChars[i].t = static_cast<uint16_t>((FCharHeight + FGlyphsIntervalY) * (int32_t(i) / cols));
    }
    return true;
}

void TGLCustomBitmapFont::FreeTextures()
{
    FTextureModified = true;
    FLastTexture = nullptr;
    FTextures.clear();
}

void TGLCustomBitmapFont::CheckTexture(TGLRenderContextInfo& rci)
{
    for (const auto& texture : FTextures)
        if (texture->IsDataNeedUpdate()) {
            FTextureModified = true;
            break;
        }
    if (!FTextureModified) return;
    FreeTextures();
    BuildTextures(rci);
    FTextureModified = false;
    Revise();
}

void TGLCustomBitmapFont::BuildTextures(TGLRenderContextInfo& rci)
{
    Assert(IsHandledGlyphsAlpha(FGlyphsAlpha), "", cGLBitmapFontUnit);
    TGLStateCache& states = *rci.GLStates;
    const int32_t defaultSize = std::clamp(static_cast<int32_t>(states.MaxTextureSize()), 64, 512);
    if (FTextureWidth <= 0) FTextureWidth = defaultSize;
    if (FTextureHeight <= 0) FTextureHeight = defaultSize;
    const int32_t width = FGlyphs->Width(), height = FGlyphs->Height();
    FTextRows = (height - 1) / FTextureHeight + 1;
    FTextCols = (width - 1) / FTextureWidth + 1;
    if (width <= 0 || height <= 0) return;

    // The picture as 32-bit pixels: the font's own bitmap as it is, anything else drawn into one.
    const TBitmap* source = dynamic_cast<TBitmap*>(FGlyphs->Graphic());
    TBitmap converted;
    if (!source || source->PixelFormat() != pf32bit) {
        converted.Assign(FGlyphs->Graphic());
        converted.SetPixelFormat(pf32bit);
        source = &converted;
    }
    FPageWidth = NextPowerOfTwo(FTextureWidth);
    FPageHeight = NextPowerOfTwo(FTextureHeight);
    TBitmap page;
    page.SetPixelFormat(pf32bit);
    page.SetSize(FPageWidth, FPageHeight);
    TGLImage image;
    for (int32_t y = 0; y < height; y += FTextureHeight)
        for (int32_t x = 0; x < width; x += FTextureWidth) {
            FTextures.emplace_back(new TGLTextureHandle());
            TGLTextureHandle* handle = FTextures.back().get();
            handle->AllocateHandle(); // which forgets the target
            handle->SetTarget(ttTexture2D);
            states.SetTextureBinding(0, ttTexture2D, handle->Handle());
            CopyPage(*source, x, y, page);
            image.Assign(&page);
            image.Narrow();
            ApplyGlyphsAlpha(image, FGlyphsAlpha);
            int32_t texWidth, texHeight, texDepth;
            image.RegisterAsOpenGLTexture(handle, FMinFilter > miLinear, TextureFormat(), texWidth, texHeight,
                                          texDepth);
            PrepareParams(rci);
            handle->NotifyDataUpdated();
        }
}

void TGLCustomBitmapFont::PrepareParams(TGLRenderContextInfo& rci)
{
    TGLStateCache& states = *rci.GLStates;
    states.SetUnpackAlignment(4);
    states.SetUnpackRowLength(0);
    states.SetUnpackSkipRows(0);
    states.SetUnpackSkipPixels(0);
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    gl.Hint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, cMinFilterToGL[FMinFilter]);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, cMagFilterToGL[FMagFilter]);
}

bool TGLCustomBitmapFont::GetICharTexCoords(int32_t tile, size_t& texture, TTexPoint& topLeft,
                                            TTexPoint& bottomRight) const
{
    if (!FCharsLoaded || tile < 0 || tile >= CharacterCount() || static_cast<size_t>(tile) >= FChars.size() ||
        FTextureWidth <= 0 || FTextureHeight <= 0)
        return false;
    const TCharInfo& info = FChars[tile];
    texture = size_t(info.l / FTextureWidth) + size_t(info.t / FTextureHeight) * size_t(FTextCols);
    if (texture >= FTextures.size()) return false;
    const float left = float(info.l % FTextureWidth), top = float(info.t % FTextureHeight);
    topLeft = {left / float(FPageWidth), 1.0f - top / float(FPageHeight)};
    bottomRight = {(left + float(info.w)) / float(FPageWidth), 1.0f - (top + float(FCharHeight)) / float(FPageHeight)};
    return true;
}

void TGLCustomBitmapFont::BuildQuads(std::string_view aText, TAlignment aAlignment, TGLTextLayout aLayout,
                                     const TVector4f* aPosition, bool aReverseY, TGLBitmapTextBatch& batch)
{
    batch.Corners.clear();
    batch.Runs.clear();
    // The offset of the line that starts at the front of text.
    const auto lineOffset = [&](std::string_view text) -> float {
        const int32_t width = MeasureLine(text.substr(0, text.find('\r')));
        switch (aAlignment) {
        case taRightJustify: return float(-width);
        case taCenter: return float(std::lrint(-width / 2.0));
        default: return 0;
        }
    };
    const int32_t lines = 1 + static_cast<int32_t>(std::count(aText.begin(), aText.end(), '\r'));
    const int32_t blockHeight = lines * (FCharHeight + FVSpace) - FVSpace;
    const float blockOffset = aLayout == tlBottom   ? float(blockHeight)
                              : aLayout == tlCenter ? float(std::lrint(blockHeight / 2.0))
                                                    : 0.0f;
    const float penX = aPosition ? aPosition->X : 0, penY = aPosition ? aPosition->Y : 0;
    // Lines follow each other downwards on the screen whichever way y grows.
    const float lineStep = aReverseY ? float(FCharHeight + FVSpace) : -float(FCharHeight + FVSpace);
    const float glyphHeight = aReverseY ? float(FCharHeight) : -float(FCharHeight);
    const float spaceAdvance = float(TileWidth(CharacterToTileIndex(' ')) + FHSpaceFix + FHSpace);
    float x = lineOffset(aText) + penX, y = blockOffset + penY, bottom = y + glyphHeight;

    for (size_t pos = 0; pos < aText.size();) {
        const char32_t ch = NextChar(aText, pos);
        if (ch == '\r') {
            x = lineOffset(aText.substr(pos)) + penX;
            y += lineStep;
            bottom = y + glyphHeight;
            continue;
        }
        if (ch < ' ') continue; // line feeds and other control codes
        if (ch == ' ') {
            x += spaceAdvance;
            continue;
        }
        const int32_t tile = CharacterToTileIndex(ch);
        const int32_t w = TileWidth(tile);
        if (w == 0) continue;
        size_t texture;
        TTexPoint topLeft, bottomRight;
        if (GetICharTexCoords(tile, texture, topLeft, bottomRight)) {
            // A glyph on another texture than the one before starts a run.
            const auto first = static_cast<int32_t>(batch.Corners.size() / 5);
            if (batch.Runs.empty() || batch.Runs.back().Texture != texture) batch.Runs.push_back({texture, first, 0});
            batch.Runs.back().Count += 4;
            const float right = x + float(w);
            batch.Corners.insert(batch.Corners.end(), {topLeft.S, topLeft.T, x, y, 0,                //
                                                       topLeft.S, bottomRight.T, x, bottom, 0,       //
                                                       bottomRight.S, bottomRight.T, right, bottom, 0, //
                                                       bottomRight.S, topLeft.T, right, y, 0});
        }
        x += float(w + FHSpace);
    }
}

void TGLCustomBitmapFont::DrawQuads(TGLRenderContextInfo& rci, const TGLBitmapTextBatch& batch,
                                    const TVector4f& aColor)
{
    TGLStateCache& states = *rci.GLStates;
    states.SetActiveTextureEnabled(ttTexture2D, true);
    states.Disable(stLighting);
    states.Enable(stBlend);
    states.SetBlendFunc(bfSrcAlpha, bfOneMinusSrcAlpha);
    FLastTexture = nullptr;
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    gl.Color4fv(aColor.V);
    if (!batch.Runs.empty()) {
        constexpr GLsizei stride = 5 * sizeof(float);
        gl.EnableClientState(GL_TEXTURE_COORD_ARRAY);
        gl.TexCoordPointer(2, GL_FLOAT, stride, batch.Corners.data());
        gl.EnableClientState(GL_VERTEX_ARRAY);
        gl.VertexPointer(3, GL_FLOAT, stride, batch.Corners.data() + 2);
        for (const TGLBitmapTextBatch::TRun& run : batch.Runs) {
            FLastTexture = FTextures[run.Texture].get();
            states.SetTextureBinding(0, ttTexture2D, FLastTexture->Handle());
            gl.TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
            gl.DrawArrays(GL_QUADS, run.First, run.Count);
        }
        // The arrays point into the batch: no later draw may read them.
        gl.DisableClientState(GL_VERTEX_ARRAY);
        gl.DisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    states.SetTextureBinding(0, ttTexture2D, 0);
    states.SetActiveTextureEnabled(ttTexture2D, false);
}

void TGLCustomBitmapFont::RenderString(TGLRenderContextInfo& ARci, std::string_view aText, TAlignment aAlignment,
                                       TGLTextLayout aLayout, const TVector4f& aColor, const TVector4f* aPosition,
                                       bool aReverseY)
{
    if (aText.empty()) return;
    CheckTexture(ARci);
    PrepareCharWidths();
    BuildQuads(aText, aAlignment, aLayout, aPosition, aReverseY, FScratch);
    DrawQuads(ARci, FScratch, aColor);
}

void TGLCustomBitmapFont::RenderString(TGLRenderContextInfo& ARci, TGLBitmapTextBatch& batch, std::string_view aText,
                                       TAlignment aAlignment, TGLTextLayout aLayout, const TVector4f& aColor)
{
    if (aText.empty()) return;
    CheckTexture(ARci);
    PrepareCharWidths();
    if (batch.Revision != FRevision || batch.Text != aText || batch.Alignment != aAlignment ||
        batch.Layout != aLayout) {
        BuildQuads(aText, aAlignment, aLayout, nullptr, false, batch);
        batch.Revision = FRevision;
        batch.Text = aText;
        batch.Alignment = aAlignment;
        batch.Layout = aLayout;
    }
    DrawQuads(ARci, batch, aColor);
}

void TGLCustomBitmapFont::TextOut(TGLRenderContextInfo& rci, float X, float Y, std::string_view Text,
                                  const TVector4f& Color)
{
    const TVector4f position{{{X, Y, 0, 1}}};
    RenderString(rci, Text, taLeftJustify, tlTop, Color, &position, true);
}

void TGLCustomBitmapFont::TextOut(TGLRenderContextInfo& rci, float X, float Y, std::string_view Text, TColor Color)
{
    TextOut(rci, X, Y, Text, WinColorToVector(Color, 1));
}

void TGLCustomBitmapFont::DefineSpacingProperties(TFiler& Filer)
{
    DefineIntegerProperty(Filer, "HSpace", FHSpace, 1, [this](int32_t v) { SetHSpace(v); });
    DefineIntegerProperty(Filer, "VSpace", FVSpace, 1, [this](int32_t v) { SetVSpace(v); });
    DefineEnumProperty<TGLMagFilter>(Filer, "MagFilter", cMagFilterNames, FMagFilter, maLinear,
                                     [this](TGLMagFilter v) { SetMagFilter(v); });
    DefineEnumProperty<TGLMinFilter>(Filer, "MinFilter", cMinFilterNames, FMinFilter, miLinear,
                                     [this](TGLMinFilter v) { SetMinFilter(v); });
}

void TGLCustomBitmapFont::DefineRangesProperty(TFiler& Filer, bool store)
{
    Filer.DefineProperty(
        "Ranges", [this](TReader& reader) { FRanges->ReadRanges(reader); },
        [this](TWriter& writer) { FRanges->WriteRanges(writer); }, store);
}

// ---------------------------------------------------------------------------------------------------------
// TGLBitmapFont

void TGLBitmapFont::DefineProperties(TFiler& Filer)
{
    TGLCustomBitmapFont::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "Glyphs.Data", [this](TStream& stream) { ReadPicture(stream, *Glyphs()); },
        [this](TStream& stream) { WritePicture(stream, *Glyphs()); }, Glyphs()->Graphic() != nullptr);
    DefineIntegerProperty(Filer, "GlyphsIntervalX", GlyphsIntervalX(), 0, [this](int32_t v) { SetGlyphsIntervalX(v); });
    DefineIntegerProperty(Filer, "GlyphsIntervalY", GlyphsIntervalY(), 0, [this](int32_t v) { SetGlyphsIntervalY(v); });
    DefineRangesProperty(Filer, Ranges()->Count() > 0);
    DefineIntegerProperty(Filer, "CharWidth", CharWidth(), 16, [this](int32_t v) { SetCharWidth(v); });
    DefineIntegerProperty(Filer, "CharHeight", CharHeight(), 16, [this](int32_t v) { SetCharHeight(v); });
    DefineSpacingProperties(Filer);
    DefineEnumProperty<TGLTextureImageAlpha>(Filer, "GlyphsAlpha", cTextureImageAlphaNames, GlyphsAlpha(), tiaDefault,
                                             [this](TGLTextureImageAlpha v) { SetGlyphsAlpha(v); });
}

// ---------------------------------------------------------------------------------------------------------
// TGLCustomBitmapText

TGLCustomBitmapText::TGLCustomBitmapText(TComponent* AOwner)
    : TGLImmaterialSceneObject(AOwner), FModulateColor(std::make_unique<TGLColor>(this, TVector4f{{{1, 1, 1, 1}}}))
{
    SetObjectStyle(ObjectStyle() + TGLObjectStyles{osDirectDraw, osNoVisibilityCulling});
}

void TGLCustomBitmapText::BeforeDestruction()
{
    SetBitmapFont(nullptr);
    TGLImmaterialSceneObject::BeforeDestruction();
}

TGLCustomBitmapText::~TGLCustomBitmapText()
{
    // Reached with a font only by a plain delete.
    if (FBitmapFont) FBitmapFont->UnRegisterUser(this);
}

void TGLCustomBitmapText::SetBitmapFont(TGLCustomBitmapFont* Value)
{
    if (Value == FBitmapFont) return;
    if (FBitmapFont) {
        FBitmapFont->RemoveFreeNotification(this);
        FBitmapFont->UnRegisterUser(this);
    }
    FBitmapFont = Value;
    if (FBitmapFont) {
        FBitmapFont->RegisterUser(this);
        FBitmapFont->FreeNotification(this);
    }
    StructureChanged();
}

void TGLCustomBitmapText::SetText(const std::string& Value)
{
    FText = Value;
    StructureChanged();
}

void TGLCustomBitmapText::SetAlignment(TAlignment Value)
{
    FAlignment = Value;
    StructureChanged();
}

void TGLCustomBitmapText::SetLayout(TGLTextLayout Value)
{
    FLayout = Value;
    StructureChanged();
}

void TGLCustomBitmapText::SetModulateColor(TGLColor* Value)
{
    FModulateColor->Assign(Value);
}

void TGLCustomBitmapText::Notification(TComponent* AComponent, TOperation Operation)
{
    if (Operation == opRemove && AComponent == FBitmapFont) SetBitmapFont(nullptr);
    TGLImmaterialSceneObject::Notification(AComponent, Operation);
}

void TGLCustomBitmapText::DefineProperties(TFiler& Filer)
{
    TGLImmaterialSceneObject::DefineProperties(Filer);
    DefineReferenceProperty(Filer, "BitmapFont", FBitmapFont, FBitmapFontName);
    Filer.DefineProperty(
        "Text", [this](TReader& reader) { SetText(reader.ReadString()); },
        [this](TWriter& writer) { writer.WriteString(FText); }, !FText.empty());
    DefineEnumProperty<TAlignment>(Filer, "Alignment", cAlignmentNames, FAlignment, taLeftJustify,
                                   [this](TAlignment v) { SetAlignment(v); });
    DefineEnumProperty<TGLTextLayout>(Filer, "Layout", cTextLayoutNames, FLayout, tlTop,
                                      [this](TGLTextLayout v) { SetLayout(v); });
    DefineNestedProperties(Filer, "ModulateColor", *FModulateColor);
}

void TGLCustomBitmapText::Loaded()
{
    TGLImmaterialSceneObject::Loaded();
    ResolveReference<TGLCustomBitmapFont>(this, FBitmapFontName, [this](auto* font) { SetBitmapFont(font); });
}

// ---------------------------------------------------------------------------------------------------------
// TGLFlatText

void TGLFlatText::SetOptions(TGLFlatTextOptions Value)
{
    if (Value == FOptions) return;
    FOptions = Value;
    StructureChanged();
}

void TGLFlatText::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLFlatText*>(Source)) {
        SetBitmapFont(source->BitmapFont());
        SetText(source->Text());
        SetAlignment(source->Alignment());
        SetLayout(source->Layout());
        SetModulateColor(source->ModulateColor());
        SetOptions(source->FOptions);
    }
    TGLCustomBitmapText::Assign(Source);
}

void TGLFlatText::DefineProperties(TFiler& Filer)
{
    TGLCustomBitmapText::DefineProperties(Filer);
    DefineBooleanProperty(Filer, "TwoSided", FOptions.Contains(ftoTwoSided), false, [this](bool v) {
        SetOptions(v ? TGLFlatTextOptions{ftoTwoSided} : TGLFlatTextOptions{});
    });
}

void TGLFlatText::DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren)
{
    if (renderSelf && BitmapFont() && !Text().empty()) {
        TGLStateCache& states = *rci.GLStates;
        states.SetPolygonMode(pmFill);
        if (ModulateColor()->Alpha() != 1) {
            states.Enable(stBlend);
            states.SetBlendFunc(bfSrcAlpha, bfOneMinusSrcAlpha);
        }
        if (FOptions.Contains(ftoTwoSided)) states.Disable(stCullFace);
        BitmapFont()->RenderString(rci, Batch(), Text(), Alignment(), Layout(), ModulateColor()->Color());
    }
    if (renderChildren && Count() > 0) RenderChildren(0, Count() - 1, rci);
}

void RegisterGLBitmapFontClasses()
{
    RegisterClasses<TGLBitmapFont, TGLFlatText>();
}
