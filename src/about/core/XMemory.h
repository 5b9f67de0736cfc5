#pragma once
// Memory blocks that carry their own size in front of the payload, so that
// releasing one needs nothing but the handle.
//
//   offset 0: payload size as a signed 32-bit integer (as requested)
//   offset 4: payload
//
// The handle points at the payload, never at the size word.
#include <QtGlobal>

namespace xmemory {

// Sets `handle` to a new block with room for `size` bytes. A size of 0 or
// less allocates nothing and gives the null handle, and so does a failed
// allocation: the caller checks for null before using the block.
void AllocSizedBlock(void *&handle, qint32 size);

// Releases the block `handle` points into and sets it to null; a null
// handle is left alone.
void FreeSizedBlock(void *&handle);

// Payload size recorded in front of a block; 0 for the null handle.
qint32 SizedBlockSize(const void *handle);

// Owns one sized block and releases it on every way out of a scope.
class TSizedBlock
{
public:
    explicit TSizedBlock(qint32 size) { AllocSizedBlock(m_handle, size); }
    ~TSizedBlock() { FreeSizedBlock(m_handle); }
    TSizedBlock(const TSizedBlock &) = delete;
    TSizedBlock &operator=(const TSizedBlock &) = delete;

    void *Data() const { return m_handle; }
    qint32 Size() const { return SizedBlockSize(m_handle); }

private:
    void *m_handle = nullptr;
};

} // namespace xmemory
