// Doubly linked list of untyped pointers.
#pragma once

#include "object.h"

struct __POSITION {};
typedef __POSITION* POSITION;

class CPtrList : public CObject {
  public:
    explicit CPtrList(int nBlockSize = 10);
    ~CPtrList() override;
    CPtrList(const CPtrList&) = delete;
    CPtrList& operator=(const CPtrList&) = delete;

    int GetCount() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }

    POSITION AddHead(void* newElement);
    POSITION AddTail(void* newElement);
    void* RemoveHead();
    void* RemoveTail();
    void RemoveAll();
    void RemoveAt(POSITION position);

    POSITION GetHeadPosition() const;
    POSITION GetTailPosition() const;
    // Returns the element at rPosition and advances rPosition (null after the last).
    void*& GetNext(POSITION& rPosition);
    void* GetNext(POSITION& rPosition) const;
    void*& GetAt(POSITION position);
    void* GetAt(POSITION position) const;

    // Searches from the head, or after startAfter; null when not found.
    POSITION Find(void* searchValue, POSITION startAfter = nullptr) const;

  private:
    struct Node;
    Node* NewNode(Node* prev, Node* next);
    void FreeNode(Node* node);

    Node* m_pHead = nullptr;
    Node* m_pTail = nullptr;
    int m_nCount = 0;
    Node* m_pFree = nullptr;  // recycled nodes
    struct Block;
    Block* m_pBlocks = nullptr;  // nodes come in blocks of m_nBlockSize
    int m_nBlockSize;
};
