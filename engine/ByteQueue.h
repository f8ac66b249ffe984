// CByteQueue: the chunked first-in, first-out byte store of the serial engine.
//
// A singly linked chain of heap blocks, each a QueueNode header directly followed by its data.
// Bytes are appended at the tail block and taken from the head block. The queue's operations do
// not lock: the owner enters m_lock around each use.
#pragma once

#include <cstdint>

#include "platform/win32.h"

struct QueueNode {
    std::uint32_t m_nRead;      // index of the first unread byte
    std::uint32_t m_nWrite;     // index of the first free byte
    std::uint32_t m_nCapacity;  // data bytes the block holds
    QueueNode* m_pNext;         // next block toward the tail; null for the tail

    std::uint8_t* Data() { return reinterpret_cast<std::uint8_t*>(this + 1); }
};

class CByteQueue {
  public:
    explicit CByteQueue(std::uint32_t nMinChunk);
    virtual ~CByteQueue();
    CByteQueue(const CByteQueue&) = delete;
    CByteQueue& operator=(const CByteQueue&) = delete;

    // Copies all bytes in at the tail; returns the length, or 0 (queue unchanged) when a block
    // could not be allocated.
    std::uint32_t Append(const void* pData, std::uint32_t nLength);
    // Writable space of at least nLength bytes at the tail (none counted until Commit); null when
    // a block could not be allocated, or for length 0 on a queue with no block.
    std::uint8_t* Reserve(std::uint32_t nLength);
    // Counts nLength bytes written into the reserved space; 0 (nothing counted) when nLength
    // exceeds the tail block's free space.
    std::uint32_t Commit(std::uint32_t nLength);
    // The head block's unread bytes: first byte and count; null and 0 when there is no block.
    std::uint8_t* Front(std::uint32_t* pnLength);
    // Takes up to nLength bytes from the head into pDest, or discards them when pDest is null;
    // returns the number taken.
    std::uint32_t Pop(void* pDest, std::uint32_t nLength);
    std::uint32_t GetCount() const { return m_nCount; }
    // Frees every block.
    void Clear();

    QueueNode* m_pHead = nullptr;
    QueueNode* m_pTail = nullptr;
    std::uint32_t m_nCount = 0;
    std::uint32_t m_nMinChunk;
    CRITICAL_SECTION m_lock;

  private:
    QueueNode* NewBlock(std::uint32_t nRequest);
};
