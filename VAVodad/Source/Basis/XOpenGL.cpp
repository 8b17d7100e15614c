#include "XOpenGL.h"

#include "GLState.h"
#include "OpenGLAdapter.h"
#include "SysUtils.h"

#include <type_traits>

namespace {

const char* const cUnit = "VAVodad\\Source\\Basis\\XOpenGL";

using TGL = TGLExtensionsAndEntryPoints;

TGLStateCache& States()
{
    return *GetCurrentGLContextOrAbort()->GLStates();
}

const std::vector<uint32_t>& CurrentUnits()
{
    return GetCurrentMultitextureCoordinator()->ComplexMapping();
}

// The type of an entry-point field of the table.
template <auto Field> using TEntry = std::remove_reference_t<decltype(std::declval<TGL&>().*Field)>;

// The routines of one routed entry point, by family. Plain is the entry point of unit 0 (or of the selected
// unit); Multi, where there is one, the form that names the unit.
template <auto Plain, typename F = TEntry<Plain>> struct TRoutes;
template <auto Plain, typename... A> struct TRoutes<Plain, void (*)(A...)> {
    using TProc = void (*)(A...);

    static void Null(A...) {}

    // Texture generation and enables: the call on each selected unit.
    static void UnitSecond(A... args)
    {
        States().SetActiveTexture(1);
        (GetCurrentGL()->*Plain)(args...);
    }
    static void UnitDual(A... args)
    {
        TGL* const gl = GetCurrentGL();
        TGLStateCache& states = States();
        states.SetActiveTexture(0);
        (gl->*Plain)(args...);
        states.SetActiveTexture(1);
        (gl->*Plain)(args...);
    }
    static void UnitArbitrary(A... args)
    {
        TGL* const gl = GetCurrentGL();
        TGLStateCache& states = States();
        for (const uint32_t unit : CurrentUnits()) {
            states.SetActiveTexture(static_cast<int32_t>(unit - GL_TEXTURE0));
            (gl->*Plain)(args...);
        }
    }

    // Client arrays: the call for each client unit, unit 0 made active again after the second and dual
    // routes.
    static void ClientSecond(A... args)
    {
        TGL* const gl = GetCurrentGL();
        gl->ClientActiveTexture(GL_TEXTURE1);
        (gl->*Plain)(args...);
        gl->ClientActiveTexture(GL_TEXTURE0);
    }
    static void ClientDual(A... args)
    {
        TGL* const gl = GetCurrentGL();
        (gl->*Plain)(args...);
        gl->ClientActiveTexture(GL_TEXTURE1);
        (gl->*Plain)(args...);
        gl->ClientActiveTexture(GL_TEXTURE0);
    }
    static void ClientArbitrary(A... args)
    {
        TGL* const gl = GetCurrentGL();
        for (const uint32_t unit : CurrentUnits()) {
            gl->ClientActiveTexture(unit);
            (gl->*Plain)(args...);
        }
    }

    static TProc Unit(TMapTexCoordMode mode)
    {
        return Choose(mode, &UnitSecond, &UnitDual, &UnitArbitrary);
    }
    static TProc Client(TMapTexCoordMode mode)
    {
        return Choose(mode, &ClientSecond, &ClientDual, &ClientArbitrary);
    }
    static TProc Choose(TMapTexCoordMode mode, TProc second, TProc dual, TProc arbitrary)
    {
        switch (mode) {
        case mtcmMain: return GetCurrentGL()->*Plain;
        case mtcmSecond: return second;
        case mtcmDual: return dual;
        case mtcmArbitrary: return arbitrary;
        default: return &Null;
        }
    }
};

// Texture coordinates: glMultiTexCoord* (Multi) names the unit.
template <auto Plain, auto Multi, typename F = TEntry<Plain>> struct TCoordRoutes;
template <auto Plain, auto Multi, typename... A> struct TCoordRoutes<Plain, Multi, void (*)(A...)> {
    static void Second(A... args) { (GetCurrentGL()->*Multi)(GL_TEXTURE1, args...); }
    static void Dual(A... args)
    {
        TGL* const gl = GetCurrentGL();
        (gl->*Plain)(args...);
        (gl->*Multi)(GL_TEXTURE1, args...);
    }
    static void Arbitrary(A... args)
    {
        TGL* const gl = GetCurrentGL();
        for (const uint32_t unit : CurrentUnits()) (gl->*Multi)(unit, args...);
    }
    static auto For(TMapTexCoordMode mode)
    {
        return TRoutes<Plain>::Choose(mode, &Second, &Dual, &Arbitrary);
    }
};

uint32_t MaskOf(TMapTexCoordMode mode, const std::vector<uint32_t>& units)
{
    switch (mode) {
    case mtcmMain: return 1;
    case mtcmSecond: return 2;
    case mtcmDual: return 3;
    case mtcmArbitrary: {
        uint32_t mask = 0;
        for (const uint32_t unit : units) mask |= 1u << (unit & 31);
        return mask;
    }
    default: Assert(false, "", cUnit, 1162); return 0;
    }
}

} // namespace

TGLMultitextureCoordinator::TGLMultitextureCoordinator(TGLContext* AOwner) : TAbstractMultitextureCoordinator(AOwner)
{
    MapTexCoordToNull();
}

void TGLMultitextureCoordinator::Install(TMapTexCoordMode mode, int line)
{
    if (mode == FMapTexCoordMode) return;
    if (mode == mtcmSecond || mode == mtcmDual || mode == mtcmArbitrary)
        Assert(GetCurrentGL()->ARB_multitexture, "", cUnit, line);
    FMapTexCoordMode = mode;
    TexCoord2f = TCoordRoutes<&TGL::TexCoord2f, &TGL::MultiTexCoord2f>::For(mode);
    TexCoord2fv = TCoordRoutes<&TGL::TexCoord2fv, &TGL::MultiTexCoord2fv>::For(mode);
    TexCoord3f = TCoordRoutes<&TGL::TexCoord3f, &TGL::MultiTexCoord3f>::For(mode);
    TexCoord3fv = TCoordRoutes<&TGL::TexCoord3fv, &TGL::MultiTexCoord3fv>::For(mode);
    TexCoord4f = TCoordRoutes<&TGL::TexCoord4f, &TGL::MultiTexCoord4f>::For(mode);
    TexCoord4fv = TCoordRoutes<&TGL::TexCoord4fv, &TGL::MultiTexCoord4fv>::For(mode);
    TexGenf = TRoutes<&TGL::TexGenf>::Unit(mode);
    TexGenfv = TRoutes<&TGL::TexGenfv>::Unit(mode);
    TexGeni = TRoutes<&TGL::TexGeni>::Unit(mode);
    TexGeniv = TRoutes<&TGL::TexGeniv>::Unit(mode);
    Enable = TRoutes<&TGL::Enable>::Unit(mode);
    Disable = TRoutes<&TGL::Disable>::Unit(mode);
    TexCoordPointer = TRoutes<&TGL::TexCoordPointer>::Client(mode);
    EnableClientState = TRoutes<&TGL::EnableClientState>::Client(mode);
    DisableClientState = TRoutes<&TGL::DisableClientState>::Client(mode);
}

void TGLMultitextureCoordinator::Request(TMapTexCoordMode mode, int line)
{
    if (FUpdCount != 0)
        FUpdNewMode = mode;
    else
        Install(mode, line);
}

void TGLMultitextureCoordinator::SetMapTexCoordMode(TMapTexCoordMode Value)
{
    switch (Value) {
    case mtcmNull: MapTexCoordToNull(); break;
    case mtcmMain: MapTexCoordToMain(); break;
    case mtcmSecond: MapTexCoordToSecond(); break;
    case mtcmDual: MapTexCoordToDual(); break;
    case mtcmArbitrary: MapTexCoordToArbitrary(FComplexMapping); break;
    default: Assert(false, "", cUnit, 884);
    }
}

void TGLMultitextureCoordinator::MapTexCoordToNull()
{
    Request(mtcmNull, 0);
}

void TGLMultitextureCoordinator::MapTexCoordToMain()
{
    Request(mtcmMain, 0);
}

void TGLMultitextureCoordinator::MapTexCoordToSecond()
{
    if (FSecondTextureUnitForbidden)
        MapTexCoordToNull();
    else
        Request(mtcmSecond, 991);
}

void TGLMultitextureCoordinator::MapTexCoordToDual()
{
    if (FSecondTextureUnitForbidden)
        MapTexCoordToMain();
    else
        Request(mtcmDual, 1029);
}

// Texture lists route on every apply: the unit list is refilled in place, so its storage is kept.
void TGLMultitextureCoordinator::MapTexCoordToArbitrary(const std::vector<uint32_t>& units)
{
    if (&units != &FComplexMapping) FComplexMapping.assign(units.begin(), units.end());
    if (FSecondTextureUnitForbidden) std::erase(FComplexMapping, static_cast<uint32_t>(GL_TEXTURE1));
    Request(mtcmArbitrary, 1078);
}

void TGLMultitextureCoordinator::MapTexCoordToArbitrary(uint32_t bitWiseUnits)
{
    if (FSecondTextureUnitForbidden) bitWiseUnits &= ~2u;
    FComplexMapping.clear();
    for (uint32_t k = 0; k < 8; ++k)
        if (bitWiseUnits & (1u << k)) FComplexMapping.push_back(GL_TEXTURE0 + k);
    Request(mtcmArbitrary, 1078);
}

void TGLMultitextureCoordinator::MapTexCoordToArbitraryAdd(uint32_t bitWiseUnits)
{
    MapTexCoordToArbitrary(GetBitWiseMapping() | bitWiseUnits);
}

uint32_t TGLMultitextureCoordinator::GetBitWiseMapping() const
{
    return MaskOf(RequestedMapTexCoordMode(), FComplexMapping);
}

void TGLMultitextureCoordinator::BeginUpdate()
{
    if (FUpdCount == 0) FUpdNewMode = FMapTexCoordMode;
    ++FUpdCount;
}

void TGLMultitextureCoordinator::EndUpdate()
{
    --FUpdCount;
    if (FUpdCount != 0 || FUpdNewMode == FMapTexCoordMode) return;
    Assert(FUpdNewMode != mtcmUndefined, "", cUnit, 849);
    SetMapTexCoordMode(FUpdNewMode);
}

void TGLMultitextureCoordinator::PushState()
{
    Assert(FUpdCount == 0, "", cUnit, 861);
    FStateStack.push_back(FMapTexCoordMode);
}

void TGLMultitextureCoordinator::PopState()
{
    Assert(FUpdCount == 0, "", cUnit, 874);
    Assert(!FStateStack.empty(), "", cUnit, 876);
    SetMapTexCoordMode(FStateStack.back());
    FStateStack.pop_back();
}

// The context answers for its own coordinator, so nothing kept here outlives a context that is freed.
TGLMultitextureCoordinator* GetCurrentMultitextureCoordinator()
{
    TGLContext* const context = GetCurrentGLContextOrAbort();
    TAbstractMultitextureCoordinator* coordinator = context->MultitextureCoordinator();
    if (!coordinator) {
        // The context module forgets the class when it stops; this module's class is the only one.
        RegisterGLMultitextureCoordinator();
        coordinator = context->MultitextureCoordinator();
    }
    return static_cast<TGLMultitextureCoordinator*>(coordinator);
}

void RegisterGLMultitextureCoordinator()
{
    RegisterGLMultitextureCoordinatorClass(
        [](TGLContext* AOwner) -> TAbstractMultitextureCoordinator* { return new TGLMultitextureCoordinator(AOwner); });
}
