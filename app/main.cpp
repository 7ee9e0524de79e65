// The program: the application object runs on this thread until its main window closes. The machine is the
// Wine prefix of $WINEPREFIX, else ~/.wine.
#include "app/ZUNApp.h"

int main(int argc, char** argv) {
  // Made here rather than as a global: it reads the machine's registry, which must exist first.
  CZUNApp app;
  return win::AfxWinMain(argc, argv);
}
