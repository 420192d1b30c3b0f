// launcher.exe: no arguments are read.
#include "app/entry.h"

int main() { return app::Main(); }
