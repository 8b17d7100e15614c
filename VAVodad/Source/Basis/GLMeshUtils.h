// Triangle strips turned into plain triangle lists, for callers that want separate triangles.
#pragma once

#include "GLVectorLists.h"

// Each overload appends to its destination, after the items it holds, the triangles of the strip:
// (s[i], s[i+1], s[i+2]) for even i and (s[i+2], s[i+1], s[i]) for odd i, so every triangle keeps the first
// one's winding. A strip of fewer than 3 entries adds nothing.
void StripToTriangleList(TAffineVectorList* strip, TAffineVectorList* list);
void StripToTriangleList(TIntegerList* strip, TIntegerList* list);
// The strip given as indices into vertices; an index outside vertices gives the zero vector, so lists
// extracted side by side stay parallel.
void StripToTriangleList(TIntegerList* strip, TAffineVectorList* vertices, TAffineVectorList* list);
