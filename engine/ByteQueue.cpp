#include "engine/ByteQueue.h"

#include <cstdlib>
#include <cstring>

CByteQueue::CByteQueue(std::uint32_t nMinChunk) : m_nMinChunk(nMinChunk) {
    InitializeCriticalSection(&m_lock);
}

CByteQueue::~CByteQueue() {
    Clear();
    DeleteCriticalSection(&m_lock);
}

QueueNode* CByteQueue::NewBlock(std::uint32_t nRequest) {
    const std::uint32_t capacity = nRequest < m_nMinChunk ? m_nMinChunk : nRequest;
    // Header and data in one piece, so the data can be addressed as this + 1.
    auto* node = static_cast<QueueNode*>(std::malloc(sizeof(QueueNode) + std::size_t{capacity}));
    if (node == nullptr) return nullptr;
    std::memset(node, 0, sizeof(QueueNode));
    node->m_nCapacity = capacity;
    if (m_pTail != nullptr)
        m_pTail->m_pNext = node;
    else
        m_pHead = node;
    m_pTail = node;
    return node;
}

std::uint32_t CByteQueue::Append(const void* pData, std::uint32_t nLength) {
    if (nLength == 0) return 0;
    const auto* src = static_cast<const std::uint8_t*>(pData);
    const std::uint32_t free = m_pTail != nullptr ? m_pTail->m_nCapacity - m_pTail->m_nWrite : 0;
    const std::uint32_t intoTail = nLength < free ? nLength : free;

    // The new block is made before anything is copied, so a failed allocation leaves the queue
    // as it was. It is sized for the whole length, not the remainder.
    QueueNode* tail = m_pTail;
    QueueNode* fresh = nullptr;
    if (intoTail < nLength) {
        fresh = NewBlock(nLength);
        if (fresh == nullptr) return 0;
    }
    if (intoTail != 0) {
        std::memcpy(tail->Data() + tail->m_nWrite, src, intoTail);
        tail->m_nWrite += intoTail;
    }
    if (fresh != nullptr) {
        std::memcpy(fresh->Data(), src + intoTail, nLength - intoTail);
        fresh->m_nWrite = nLength - intoTail;
    }
    m_nCount += nLength;
    return nLength;
}

std::uint8_t* CByteQueue::Reserve(std::uint32_t nLength) {
    if (nLength == 0) return m_pTail != nullptr ? m_pTail->Data() + m_pTail->m_nWrite : nullptr;
    if (m_pTail != nullptr && m_pTail->m_nCapacity - m_pTail->m_nWrite > nLength)
        return m_pTail->Data() + m_pTail->m_nWrite;
    QueueNode* fresh = NewBlock(nLength);
    return fresh != nullptr ? fresh->Data() : nullptr;
}

std::uint32_t CByteQueue::Commit(std::uint32_t nLength) {
    // Measured against the tail's free space rather than its whole capacity: a length that fits
    // the capacity but not the space left would push m_nWrite past the end of the block.
    if (m_pTail == nullptr || nLength > m_pTail->m_nCapacity - m_pTail->m_nWrite) return 0;
    m_pTail->m_nWrite += nLength;
    m_nCount += nLength;
    return nLength;
}

std::uint8_t* CByteQueue::Front(std::uint32_t* pnLength) {
    if (m_pHead == nullptr) {
        if (pnLength != nullptr) *pnLength = 0;
        return nullptr;
    }
    if (pnLength != nullptr) *pnLength = m_pHead->m_nWrite - m_pHead->m_nRead;
    return m_pHead->Data() + m_pHead->m_nRead;
}

std::uint32_t CByteQueue::Pop(void* pDest, std::uint32_t nLength) {
    if (nLength == 0) return 0;
    auto* dest = static_cast<std::uint8_t*>(pDest);
    std::uint32_t taken = 0;
    while (taken < nLength && m_pHead != nullptr) {
        QueueNode* head = m_pHead;
        const std::uint32_t unread = head->m_nWrite - head->m_nRead;
        const std::uint32_t want = nLength - taken;
        const std::uint32_t take = want < unread ? want : unread;
        if (dest != nullptr && take != 0)
            std::memcpy(dest + taken, head->Data() + head->m_nRead, take);
        taken += take;
        m_nCount -= take;
        if (take < unread) {
            head->m_nRead += take;
            break;
        }
        if (head->m_pNext != nullptr) {
            m_pHead = head->m_pNext;
            std::free(head);
            continue;
        }
        // The last block is drained: keep a small one for the next bytes, release a large one.
        if (std::uint64_t{head->m_nCapacity} <= 4 * std::uint64_t{m_nMinChunk}) {
            head->m_nRead = 0;
            head->m_nWrite = 0;
        } else {
            std::free(head);
            m_pHead = nullptr;
            m_pTail = nullptr;
        }
        break;
    }
    return taken;
}

void CByteQueue::Clear() {
    QueueNode* node = m_pHead;
    while (node != nullptr) {
        QueueNode* next = node->m_pNext;
        std::free(node);
        node = next;
    }
    m_pHead = nullptr;
    m_pTail = nullptr;
    m_nCount = 0;
}
