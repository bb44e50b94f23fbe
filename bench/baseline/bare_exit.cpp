// Baseline: a GUI program that ends at once. Its start-to-exit time is what
// Wine spends to create and end a process, with nothing of ours in between.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
