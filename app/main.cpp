// The program's one application object; the framework's WinMain runs it.
#include "WheelApp.h"

CWheelApp theApp;
