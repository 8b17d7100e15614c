// Scene objects read from a component stream (their children, tag, behaviours and effects, an animated
// sprite's animations) and coordinates read from their archive form: any bytes either read or end in an
// exception, and what was read is a sound tree that progresses, writes itself again and frees cleanly.
#include "ComponentStreams.h"
#include "GLAnimatedSprite.h"
#include "GLCoordinates.h"
#include "GLObjects.h"
#include "Streams.h"
#include "VAVodad.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The behaviour and effect bases themselves may stand in the stream, and the basic objects and animated
    // sprites as children.
    static const bool registered = [] {
        RegisterGLObjectsClasses();
        RegisterGLAnimatedSpriteClasses();
        AddXCollectionItemClass<TGLBehaviour>();
        AddXCollectionItemClass<TGLObjectEffect>();
        AddXCollectionItemClass<TGLObjectPostEffect>();
        return true;
    }();
    (void)registered;

    TMemoryStream input;
    input.WriteBuffer(data, static_cast<int64_t>(size));

    auto* root = new TGLBaseSceneObject(nullptr);
    try {
        input.SetPosition(0);
        TReader(input).ReadRootComponent(root);
    } catch (const Exception&) {
    }
    root->DoProgress(TProgressTimes{0.125, 1});
    (void)root->AbsolutePosition();
    TMemoryStream output;
    TWriter(output).WriteRootComponent(root);
    Free(root);

    TGLCoordinates coords(nullptr, TVector4f{{{1, 2, 3, 1}}}, CsPoint);
    try {
        input.SetPosition(0);
        TReader reader(input);
        coords.ReadFromFiler(reader);
    } catch (const Exception&) {
    }
    return 0;
}
