// CMyList: the doubly linked list behind the macro library and the macro tree's item records.
#pragma once

#include <cstddef>
#include <new>

template <class T>
class CMyList {
  public:
    // 16: the list owns its items (removing a node calls the item callback, then frees the item);
    // 17: it does not.
    static constexpr int kOwning = 16;
    static constexpr int kNotOwning = 17;
    using ItemCallback = void (*)(T* item);

    struct Node {
        T* pItem = nullptr;
        Node* pNext = nullptr;
        Node* pPrev = nullptr;
    };

    explicit CMyList(int mode = kNotOwning, ItemCallback callback = nullptr)
        : m_nMode(mode), m_pfnItem(callback) {}
    ~CMyList() { Destroy(); }
    CMyList(const CMyList&) = delete;
    CMyList& operator=(const CMyList&) = delete;

    void SetMode(int mode) { m_nMode = mode; }
    int Mode() const { return m_nMode; }
    void SetItemCallback(ItemCallback cb) { m_pfnItem = cb; }
    size_t Count() const { return m_nCount; }
    Node* Head() const { return m_pHead; }
    Node* Tail() const { return m_pTail; }

    // Returns 1, or 0 when no memory (the item is then not owned by the list).
    int Append(T* item) {
        Node* n = new (std::nothrow) Node;
        if (!n) return 0;
        n->pItem = item;
        n->pPrev = m_pTail;
        if (m_pTail)
            m_pTail->pNext = n;
        else
            m_pHead = n;
        m_pTail = n;
        ++m_nCount;
        return 1;
    }

    // Unlinks and frees node (and, in owning mode, its item).
    void Remove(Node* node) {
        if (!node) return;
        if (node->pPrev)
            node->pPrev->pNext = node->pNext;
        else
            m_pHead = node->pNext;
        if (node->pNext)
            node->pNext->pPrev = node->pPrev;
        else
            m_pTail = node->pPrev;
        --m_nCount;
        ReleaseItem(node->pItem);
        delete node;
    }

    void RemoveAll() {
        Node* n = m_pHead;
        m_pHead = m_pTail = nullptr;
        m_nCount = 0;
        while (n) {
            Node* next = n->pNext;
            ReleaseItem(n->pItem);
            delete n;
            n = next;
        }
    }

    void Destroy() { RemoveAll(); }

    Node* FindNode(const T* item) const {
        for (Node* n = m_pHead; n; n = n->pNext)
            if (n->pItem == item) return n;
        return nullptr;
    }

  private:
    void ReleaseItem(T* item) {
        if (m_nMode != kOwning) return;
        if (m_pfnItem) m_pfnItem(item);
        delete item;
    }

    int m_nMode;
    size_t m_nCount = 0;
    ItemCallback m_pfnItem;
    Node* m_pHead = nullptr;
    Node* m_pTail = nullptr;
};
