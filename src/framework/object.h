// Run-time class records: the base of every framework object that callers test
// with IsKindOf.
#pragma once

#include "platform_api.h"

class CObject;

struct CRuntimeClass {
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;
    CObject* (*m_pfnCreateObject)();
    const CRuntimeClass* m_pBaseClass;

    BOOL IsDerivedFrom(const CRuntimeClass* base) const;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)               \
  public:                                         \
    static const CRuntimeClass class##class_name; \
    const CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNAMIC(class_name, base_name)                            \
    const CRuntimeClass class_name::class##class_name = {                   \
        #class_name, static_cast<int>(sizeof(class_name)), 0xFFFF, nullptr, \
        RUNTIME_CLASS(base_name)};                                          \
    const CRuntimeClass* class_name::GetRuntimeClass() const {              \
        return RUNTIME_CLASS(class_name);                                   \
    }

class CObject {
  public:
    static const CRuntimeClass classCObject;

    virtual const CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;
    BOOL IsKindOf(const CRuntimeClass* pClass) const;

  protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};
