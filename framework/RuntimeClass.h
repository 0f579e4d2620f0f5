// Dynamic creation by class name, the part of MFC's DECLARE_DYNCREATE and
// IMPLEMENT_DYNCREATE that the program uses: a window class registers its
// name and a factory during static initialisation, and
// CRuntimeClass::CreateObject("CFilenameListbox") makes a new, windowless
// object of it.
#pragma once
#include <new>
#include "Wnd.h"

struct CRuntimeClass {
    LPCSTR m_lpszClassName;
    CWnd* (*m_pfnCreateObject)();   // a new object, NULL when memory runs out
    const CRuntimeClass* m_pNextClass;

    CWnd* CreateObject() const { return m_pfnCreateObject(); }
    // The registered class of exactly that name, else NULL.
    static const CRuntimeClass* FromName(LPCSTR lpszClassName);
    // A new object of the named class (the caller deletes it); NULL for an
    // unknown name or when memory runs out.
    static CWnd* CreateObject(LPCSTR lpszClassName);
};

// Registers a class; IMPLEMENT_DYNCREATE defines one of these per class.
struct AFX_CLASSINIT {
    explicit AFX_CLASSINIT(CRuntimeClass* pNewClass);
};

// In the class declaration.
#define DECLARE_DYNCREATE(class_name) \
public:                               \
    static CRuntimeClass class##class_name; \
    static CWnd* CreateObject();

// In one source file; `name` is the class's runtime name.
#define IMPLEMENT_DYNCREATE(class_name, name)                                          \
    CWnd* class_name::CreateObject() { return new (std::nothrow) class_name; }         \
    CRuntimeClass class_name::class##class_name = {name, class_name::CreateObject, NULL}; \
    static AFX_CLASSINIT afxInit##class_name(&class_name::class##class_name);
