#include "about/core/XMemory.h"

#include <cstdlib>
#include <cstring>

namespace xmemory {

namespace {
constexpr std::size_t SizeWord = sizeof(qint32);
}

void AllocSizedBlock(void *&handle, qint32 size)
{
    handle = nullptr;
    // A negative size would wrap the allocation below to a few bytes and
    // leave a size word that claims gigabytes.
    if (size <= 0)
        return;
    auto *block = static_cast<unsigned char *>(std::malloc(std::size_t(size) + SizeWord));
    if (!block)
        return;
    std::memcpy(block, &size, SizeWord);
    handle = block + SizeWord;
}

void FreeSizedBlock(void *&handle)
{
    if (!handle)
        return;
    std::free(static_cast<unsigned char *>(handle) - SizeWord);
    handle = nullptr;
}

qint32 SizedBlockSize(const void *handle)
{
    if (!handle)
        return 0;
    qint32 size = 0;
    std::memcpy(&size, static_cast<const unsigned char *>(handle) - SizeWord, SizeWord);
    return size;
}

} // namespace xmemory
