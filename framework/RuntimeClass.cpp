#include "RuntimeClass.h"
#include <cstring>

namespace {
// The registered classes, the last registered first. Filled during static
// initialisation, before anything asks.
const CRuntimeClass* g_pFirstClass = NULL;
}  // namespace

AFX_CLASSINIT::AFX_CLASSINIT(CRuntimeClass* pNewClass)
{
    pNewClass->m_pNextClass = g_pFirstClass;
    g_pFirstClass = pNewClass;
}

const CRuntimeClass* CRuntimeClass::FromName(LPCSTR lpszClassName)
{
    if (lpszClassName == NULL)
        return NULL;
    for (const CRuntimeClass* p = g_pFirstClass; p != NULL; p = p->m_pNextClass)
        if (std::strcmp(p->m_lpszClassName, lpszClassName) == 0)
            return p;
    return NULL;
}

CWnd* CRuntimeClass::CreateObject(LPCSTR lpszClassName)
{
    const CRuntimeClass* p = FromName(lpszClassName);
    return p != NULL ? p->CreateObject() : NULL;
}
