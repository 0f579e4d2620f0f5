// The application object of the page component tests (resources, instance).
#include "Framework.h"

CWinApp g_componentsTestApp("page_components_tests");
