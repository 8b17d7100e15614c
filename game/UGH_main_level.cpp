// Level construction: the scene objects of the level made from its tables, freed again, and sprites turned to the
// player.
#include "UGH_main.h"

#include "GLObjects.h"
#include "GLVectorFileObjects.h"

TBoundedTable<TBoundedArray<TGLFreeForm*, 0, 100>, 0, 100> cellwalls, celldoors, cellfloors;
TBoundedTable<TBoundedArray<TGLPlane*, 0, 100>, 0, 100> cellchests, cellceils, cellsprites;
TBoundedTable<TBoundedArray<TBoundedArray<TGLSprite*, 0, 100>, 0, 100>, 0, 100> cellgrass;
TBoundedTable<TGLPlane*, 0, 200> fspriteobjs;
TBoundedTable<TGLFreeForm*, 0, 200> fmeshobjs;
TBoundedTable<TGLSphere*, 0, 200> fmeshfireobjs;
TBoundedTable<TGLPlane*, 0, 200> wandererobjs;

void TForm1::ForgetLevelObjects()
{
    for (auto* table : {&cellwalls, &celldoors, &cellfloors}) table->Clear();
    for (auto* table : {&cellchests, &cellceils, &cellsprites}) table->Clear();
    cellgrass.Clear();
    fspriteobjs.Clear();
    fmeshobjs.Clear();
    fmeshfireobjs.Clear();
    wandererobjs.Clear();
}
