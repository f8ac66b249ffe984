// The one application object of CE_MOLV; the framework's program entry runs it.
#include "app/PrinterDemoApp.h"

CPrinterDemoApp theApp;
