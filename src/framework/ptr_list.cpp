#include "ptr_list.h"

#include <new>

struct CPtrList::Node {
    Node* pNext;
    Node* pPrev;
    void* data;
};

// A block header followed by m_nBlockSize nodes in the same allocation.
struct CPtrList::Block {
    Block* pNext;
    Node* Nodes() { return reinterpret_cast<Node*>(this + 1); }
};

namespace {
inline POSITION ToPosition(void* node) {
    return reinterpret_cast<POSITION>(node);
}
}  // namespace

CPtrList::CPtrList(int nBlockSize) : m_nBlockSize(nBlockSize > 0 ? nBlockSize : 10) {}

CPtrList::~CPtrList() {
    RemoveAll();
}

CPtrList::Node* CPtrList::NewNode(Node* prev, Node* next) {
    if (m_pFree == nullptr) {
        void* raw =
            ::operator new(sizeof(Block) + sizeof(Node) * static_cast<size_t>(m_nBlockSize));
        Block* block = static_cast<Block*>(raw);
        block->pNext = m_pBlocks;
        m_pBlocks = block;
        Node* nodes = block->Nodes();
        for (int i = m_nBlockSize - 1; i >= 0; --i) {
            m_pFree = new (&nodes[i]) Node{m_pFree, nullptr, nullptr};
        }
    }
    Node* node = m_pFree;
    m_pFree = node->pNext;
    node->pPrev = prev;
    node->pNext = next;
    node->data = nullptr;
    ++m_nCount;
    return node;
}

void CPtrList::FreeNode(Node* node) {
    node->pNext = m_pFree;
    m_pFree = node;
    --m_nCount;
    if (m_nCount == 0) RemoveAll();  // an empty list gives its blocks back
}

POSITION CPtrList::AddHead(void* newElement) {
    Node* node = NewNode(nullptr, m_pHead);
    node->data = newElement;
    if (m_pHead != nullptr) {
        m_pHead->pPrev = node;
    } else {
        m_pTail = node;
    }
    m_pHead = node;
    return ToPosition(node);
}

POSITION CPtrList::AddTail(void* newElement) {
    Node* node = NewNode(m_pTail, nullptr);
    node->data = newElement;
    if (m_pTail != nullptr) {
        m_pTail->pNext = node;
    } else {
        m_pHead = node;
    }
    m_pTail = node;
    return ToPosition(node);
}

void* CPtrList::RemoveHead() {
    if (m_pHead == nullptr) return nullptr;
    void* data = m_pHead->data;
    RemoveAt(ToPosition(m_pHead));
    return data;
}

void* CPtrList::RemoveTail() {
    if (m_pTail == nullptr) return nullptr;
    void* data = m_pTail->data;
    RemoveAt(ToPosition(m_pTail));
    return data;
}

void CPtrList::RemoveAll() {
    while (m_pBlocks != nullptr) {
        Block* next = m_pBlocks->pNext;
        ::operator delete(m_pBlocks);
        m_pBlocks = next;
    }
    m_pHead = m_pTail = m_pFree = nullptr;
    m_nCount = 0;
}

void CPtrList::RemoveAt(POSITION position) {
    Node* node = reinterpret_cast<Node*>(position);
    if (node == nullptr) return;
    if (node->pPrev != nullptr) {
        node->pPrev->pNext = node->pNext;
    } else {
        m_pHead = node->pNext;
    }
    if (node->pNext != nullptr) {
        node->pNext->pPrev = node->pPrev;
    } else {
        m_pTail = node->pPrev;
    }
    FreeNode(node);
}

POSITION CPtrList::GetHeadPosition() const {
    return ToPosition(m_pHead);
}
POSITION CPtrList::GetTailPosition() const {
    return ToPosition(m_pTail);
}

void*& CPtrList::GetNext(POSITION& rPosition) {
    Node* node = reinterpret_cast<Node*>(rPosition);
    rPosition = ToPosition(node->pNext);
    return node->data;
}

void* CPtrList::GetNext(POSITION& rPosition) const {
    Node* node = reinterpret_cast<Node*>(rPosition);
    rPosition = ToPosition(node->pNext);
    return node->data;
}

void*& CPtrList::GetAt(POSITION position) {
    return reinterpret_cast<Node*>(position)->data;
}

void* CPtrList::GetAt(POSITION position) const {
    return reinterpret_cast<Node*>(position)->data;
}

POSITION CPtrList::Find(void* searchValue, POSITION startAfter) const {
    Node* node = startAfter == nullptr ? m_pHead : reinterpret_cast<Node*>(startAfter)->pNext;
    for (; node != nullptr; node = node->pNext) {
        if (node->data == searchValue) return ToPosition(node);
    }
    return nullptr;
}
