// libFuzzer target for the version reader: the PE resource walk, the ELF
// section lookup and the version tree, all on untrusted bytes.
#include "about/core/XVersion.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

const char *const Paths[] = {
    "\\",
    "\\VarFileInfo\\Translation",
    "\\StringFileInfo\\040704E4\\CompanyName",
    "\\StringFileInfo\\040704E4",
    "\\StringFileInfo",
    "\\\\",
};

void Walk(const unsigned char *tree, quint32 size)
{
    for (const char *path : Paths) {
        const void *value = nullptr;
        quint32 length = 0;
        if (!xversion::VerQueryValue(tree, size, QString::fromLatin1(path), value, length))
            continue;
        // Whatever is found lies inside the block; touch every byte of it
        // so that ASan sees a stray pointer.
        const auto *p = static_cast<const unsigned char *>(value);
        if (p < tree || p > tree + size || length > quint64(tree + size - p))
            std::abort();
        volatile unsigned sum = 0;
        for (quint32 i = 0; i < length; ++i)
            sum = sum + p[i];
    }
    xversion::TFixedFileInfo info;
    xversion::FixedInfoOfBlock(tree, size, info);
    for (const char *name : {"CompanyName", "Comments", "LegalCopyright"}) {
        if (quint64(xversion::ValueOfBlock(tree, size, QString(), QString::fromLatin1(name)).size()) * 2 > size)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // No copy: reads past the fuzzer's buffer are reads past the input.
    const QByteArray image = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const QByteArray resource = xversion::VersionResourceOfImage(image);
    if (!resource.isEmpty() && (resource.size() < 6 || resource.size() > 0xFFFF))
        std::abort();
    // The resource found, or else the input itself as a tree, in a block of
    // exactly its size.
    const QByteArray &tree = resource.isEmpty() ? image : resource;
    const auto length = quint32(qMin<qsizetype>(tree.size(), 0x20000));
    std::unique_ptr<unsigned char[]> block(new unsigned char[length ? length : 1]);
    if (length)
        std::memcpy(block.get(), tree.constData(), length);
    Walk(block.get(), length);
    return 0;
}
