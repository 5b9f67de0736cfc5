#include "platform/core/DiskIdentity.h"

#include <QFile>
#include <sys/stat.h>
#include <new>

// xxHash's XXH3 runs at memory speed (about 10 ms for 100 MB here), so
// the checksum can ride along while a file is read.
#define XXH_INLINE_ALL
#include <xxhash.h>

namespace diskidentity {

bool TDiskIdentity::SameAs(const TDiskIdentity &other) const
{
    return exists == other.exists && size == other.size && modifiedNs == other.modifiedNs && device == other.device
           && inode == other.inode;
}

TDiskIdentity Stat(const QString &fileName)
{
    TDiskIdentity identity;
    struct stat info
    {
    };
    const QByteArray name = QFile::encodeName(fileName);
    if (name.isEmpty() || ::stat(name.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return identity;
    identity.exists = true;
    identity.size = info.st_size;
    identity.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    identity.device = info.st_dev;
    identity.inode = info.st_ino;
    return identity;
}

TChecksum::TChecksum() : m_state(XXH3_createState())
{
    if (!m_state)
        throw std::bad_alloc();
    XXH3_64bits_reset(static_cast<XXH3_state_t *>(m_state));
}

TChecksum::~TChecksum()
{
    XXH3_freeState(static_cast<XXH3_state_t *>(m_state));
}

void TChecksum::Feed(const char *data, std::size_t length)
{
    XXH3_64bits_update(static_cast<XXH3_state_t *>(m_state), data, length);
}

quint64 TChecksum::Result() const
{
    return XXH3_64bits_digest(static_cast<const XXH3_state_t *>(m_state));
}

quint64 Checksum(const char *data, std::size_t length)
{
    return XXH3_64bits(data, length);
}

bool FileChecksum(const QString &fileName, quint64 &checksum)
{
    if (!Stat(fileName).exists)
        return false;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    TChecksum sum;
    QByteArray piece(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(piece.data(), piece.size());
        if (got < 0)
            return false;
        if (got == 0)
            break;
        sum.Feed(piece.constData(), std::size_t(got));
    }
    checksum = sum.Result();
    return true;
}

} // namespace diskidentity
