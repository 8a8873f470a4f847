// Entry point of Kestrel_Scan.exe. The command-line argument and the show
// command are not used: start-up reads the full command line itself and always
// shows the window normally.
#include <windows.h>

#include "app/StartupWin32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return AppMain(instance);
}
