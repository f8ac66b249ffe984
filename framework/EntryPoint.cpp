// The program entry of an application built on the framework: the application object itself is
// a global of the application.
#include "framework/WinApp.h"

int main(int argc, char** argv) { return AfxWinMain(argc, argv); }
