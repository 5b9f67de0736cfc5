#pragma once
// A file as it lay on disk when it was loaded or saved. Comparing it with
// the file as it lies now tells whether another program changed it; the
// checksum tells a rewrite with the same bytes (a new time only) apart.
#include <QString>
#include <QtGlobal>
#include <cstddef>

namespace diskidentity {

struct TDiskIdentity
{
    // A regular file (or a link to one) was there.
    bool exists = false;
    qint64 size = 0;
    // Modification time in nanoseconds since the epoch: two saves within
    // one second must still differ.
    qint64 modifiedNs = 0;
    quint64 device = 0;
    quint64 inode = 0;

    // Same place on disk, same size, same time: nothing to look at closer.
    bool SameAs(const TDiskIdentity &other) const;
};

// Follows links; not there, unreadable metadata or not a regular file
// give exists == false.
TDiskIdentity Stat(const QString &fileName);

// A 64-bit checksum of bytes fed in pieces of any size; the same bytes give
// the same result however they were cut.
class TChecksum
{
public:
    TChecksum();
    ~TChecksum();
    TChecksum(const TChecksum &) = delete;
    TChecksum &operator=(const TChecksum &) = delete;
    void Feed(const char *data, std::size_t length);
    quint64 Result() const;

private:
    void *m_state;
};

quint64 Checksum(const char *data, std::size_t length);

// The checksum of a file's bytes, read in pieces; false when it cannot be
// read to the end.
bool FileChecksum(const QString &fileName, quint64 &checksum);

} // namespace diskidentity
