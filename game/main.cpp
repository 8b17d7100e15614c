// The program's entry point. The game itself is not built yet: today the program only proves that the
// engine libraries link and says so.
#include <cstdio>

int main()
{
    std::puts("Mirefall: the engine is built; the game and its window do not exist yet.");
    return 0;
}
