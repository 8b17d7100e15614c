// The engine's start-up and shut-down in one order, for the program, the tests, the benchmarks and the fuzz
// targets alike. Modules fill their registries (archived classes, file formats, texture image kinds, the
// multitexture coordinator, streamable components) only from here, never from static initialisers.
#pragma once

// Fills every registry of the engine and of the graphics layer it stands on, then starts the context module
// (its manager, and the service context when a context class is registered). A second call does nothing.
void InitVAVodad();

// The windowed program's part, called before InitVAVodad: hands the window layer's X connection to the GL
// layer, follows native window destruction (contexts go before their windows) and registers the system's
// rendering-context class, so that the context module starts with a service context. Needs the application
// (TApplication::Initialize) first. A second call does nothing; called after InitVAVodad it restarts the
// context module so that the service context exists.
void InitVAVodadWindows();

// Stops the context module (the service context and its thread) and puts the desktop's display mode back.
// The registries stay filled: InitVAVodad afterwards starts the context module again.
void DoneVAVodad();
