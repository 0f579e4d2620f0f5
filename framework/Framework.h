// The program's application framework (umbrella header).
#pragma once
#include "WinApp.h"
#include "Wnd.h"
#include "Dialog.h"
#include "PropertySheet.h"
#include "Controls.h"
#include "DataExchange.h"
#include "MessageBox.h"
