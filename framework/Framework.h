// The program's application framework (umbrella header).
#pragma once
#include "WinApp.h"
#include "Wnd.h"
#include "DataExchange.h"
#include "MessageBox.h"
