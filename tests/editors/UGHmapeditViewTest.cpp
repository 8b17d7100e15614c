// The map editor's view: the pointer, the keys, the tools, copy and paste, and the drawing.
#include "EditorFixture.h"

TEST_F(EditorFixture, TheEditorOpensOnTheLoadedMapHidden)
{
    EXPECT_EQ(editor->Caption(), "MapEd");
    EXPECT_FALSE(editor->Visible());
    EXPECT_EQ(mapid, "startmap");
}
