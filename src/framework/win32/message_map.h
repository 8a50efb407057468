// Command targets and message maps: each class lists the messages it handles in a
// static table chained to its base class's table, so dispatch walks from the most
// derived class to the root without a virtual function per message.
#pragma once

#include "object.h"

class CCmdTarget;
typedef void (CCmdTarget::*AFX_PMSG)();
typedef HCURSOR (CCmdTarget::*AFX_PMSG_H)();

// How a handler is called.
enum AfxSig : UINT {
    AfxSig_end = 0,
    AfxSig_vv,  // void f(): WM_PAINT, commands
    AfxSig_hv,  // HICON/HCURSOR f(): WM_QUERYDRAGICON
};

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // WM_COMMAND for commands
    UINT nCode;     // notification code of a command (0: menu or button click)
    UINT nID;       // first command id
    UINT nLastID;   // last command id
    UINT nSig;
    AFX_PMSG pfn;     // AfxSig_vv
    AFX_PMSG_H pfnH;  // AfxSig_hv
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

class CCmdTarget : public CObject {
  public:
    CCmdTarget() = default;
    ~CCmdTarget() override = default;

    // Routes command nID (notification nCode) through this object's map chain.
    virtual BOOL OnCmdMsg(UINT nID, int nCode);

    // The map entry for a window message, or null.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT nMessage) const;

  protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

// clang-format off
#define DECLARE_MESSAGE_MAP()                                     \
protected:                                                        \
    static const AFX_MSGMAP* GetThisMessageMap();                 \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                         \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                 \
        typedef theClass ThisClass;                                                    \
        typedef baseClass TheBaseClass;                                                \
        static_assert(sizeof(ThisClass) > 0, "complete class");                       \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                              \
            {0, 0, 0, 0, AfxSig_end, nullptr, nullptr}                                 \
        };                                                                             \
        static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap,        \
                                              &_messageEntries[0]};                    \
        return &messageMap;                                                            \
    }

// The casts to the base class's member types keep each handler's signature checked.
#define ON_COMMAND(id, memberFxn)                                                      \
    {WM_COMMAND, 0, (UINT)(id), (UINT)(id), AfxSig_vv,                                 \
     static_cast<AFX_PMSG>(&memberFxn), nullptr},

#define ON_WM_PAINT()                                                                  \
    {WM_PAINT, 0, 0, 0, AfxSig_vv, static_cast<AFX_PMSG>(&ThisClass::OnPaint), nullptr},

#define ON_WM_QUERYDRAGICON()                                                          \
    {WM_QUERYDRAGICON, 0, 0, 0, AfxSig_hv, nullptr,                                    \
     static_cast<AFX_PMSG_H>(&ThisClass::OnQueryDragIcon)},
// clang-format on
