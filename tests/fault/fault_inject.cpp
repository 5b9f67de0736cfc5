/* Faults for saving, injected under LD_PRELOAD: a disk that fills up, a
 * disk that fails to sync, a rename that fails, and a process that stops
 * at a chosen point of a save so that it can be killed there.
 *
 * Only regular files whose path (as /proc/self/fd shows it, or the target
 * of a rename) contains QUILLON_FAULT_PATH are touched; everything else
 * passes straight through. Environment:
 *   QUILLON_FAULT_PATH         substring of the paths to fail (required)
 *   QUILLON_FAULT_ERRNO        ENOSPC (default), EIO, EDQUOT or a number
 *   QUILLON_FAULT_WRITE_AFTER  bytes that may still be written; the write
 *                              that crosses the limit is cut short, the
 *                              next one fails
 *   QUILLON_FAULT_SYNC         1: fsync and fdatasync fail
 *   QUILLON_FAULT_RENAME       1: rename, renameat, renameat2 onto a
 *                              matching path fail
 *   QUILLON_FAULT_STOP         write:N (once N bytes are written), sync
 *                              (before the first sync), rename (before the
 *                              rename) or renamed (after it): create the
 *                              file QUILLON_FAULT_STOPPED and wait there
 *                              for good
 */
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

typedef ssize_t (*write_fn)(int, const void *, size_t);
typedef ssize_t (*pwrite_fn)(int, const void *, size_t, off_t);
typedef int (*sync_fn)(int);
typedef int (*rename_fn)(const char *, const char *);
typedef int (*renameat_fn)(int, const char *, int, const char *);
typedef int (*renameat2_fn)(int, const char *, int, const char *, unsigned int);

namespace {

long long written_so_far;

const char *env(const char *name)
{
    const char *value = getenv(name);
    return value && *value ? value : NULL;
}

int fault_errno(void)
{
    const char *name = env("QUILLON_FAULT_ERRNO");
    if (!name || strcmp(name, "ENOSPC") == 0)
        return ENOSPC;
    if (strcmp(name, "EIO") == 0)
        return EIO;
    if (strcmp(name, "EDQUOT") == 0)
        return EDQUOT;
    return atoi(name) > 0 ? atoi(name) : ENOSPC;
}

int path_matches(const char *path)
{
    const char *wanted = env("QUILLON_FAULT_PATH");
    return wanted && path && strstr(path, wanted) != NULL;
}

int fd_matches(int fd)
{
    struct stat info;
    char link[64], path[4096];
    if (!env("QUILLON_FAULT_PATH") || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return 0;
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, sizeof path - 1);
    if (n <= 0)
        return 0;
    path[n] = '\0';
    return path_matches(path);
}

/* Tells the test where the save stands, then waits to be killed. */
void stop_if(const char *point)
{
    const char *stop = env("QUILLON_FAULT_STOP");
    if (!stop || strcmp(stop, point) != 0)
        return;
    const char *flag = env("QUILLON_FAULT_STOPPED");
    if (flag) {
        const int fd = open(flag, O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0)
            close(fd);
    }
    for (;;)
        pause();
}

long long stop_after_bytes(void)
{
    const char *stop = env("QUILLON_FAULT_STOP");
    return stop && strncmp(stop, "write:", 6) == 0 ? atoll(stop + 6) : -1;
}

/* How much of `count` may be written now; -1 with errno set when nothing. */
ssize_t allowed(int fd, size_t count)
{
    if (!fd_matches(fd))
        return static_cast<ssize_t>(count);
    const long long stopAt = stop_after_bytes();
    if (stopAt >= 0 && written_so_far + static_cast<long long>(count) >= stopAt) {
        if (written_so_far < stopAt)
            return static_cast<ssize_t>(stopAt - written_so_far); /* up to the point, then stop */
        stop_if(env("QUILLON_FAULT_STOP"));
    }
    const char *limitText = env("QUILLON_FAULT_WRITE_AFTER");
    if (!limitText)
        return static_cast<ssize_t>(count);
    const long long left = atoll(limitText) - written_so_far;
    if (left <= 0) {
        errno = fault_errno();
        return -1;
    }
    return static_cast<ssize_t>(static_cast<long long>(count) < left ? static_cast<long long>(count) : left);
}

} // namespace

extern "C" {

ssize_t write(int fd, const void *data, size_t count)
{
    static write_fn real = nullptr;
    if (!real)
        real = reinterpret_cast<write_fn>(dlsym(RTLD_NEXT, "write"));
    const ssize_t n = allowed(fd, count);
    if (n < 0)
        return -1;
    const ssize_t done = real(fd, data, static_cast<size_t>(n));
    if (done > 0 && fd_matches(fd))
        written_so_far += done;
    return done;
}

} // extern "C"

namespace {

ssize_t positioned(const char *name, int fd, const void *data, size_t count, off_t offset)
{
    pwrite_fn real = reinterpret_cast<pwrite_fn>(dlsym(RTLD_NEXT, name));
    const ssize_t n = allowed(fd, count);
    if (n < 0)
        return -1;
    const ssize_t done = real(fd, data, static_cast<size_t>(n), offset);
    if (done > 0 && fd_matches(fd))
        written_so_far += done;
    return done;
}

} // namespace

extern "C" {

ssize_t pwrite(int fd, const void *data, size_t count, off_t offset)
{
    return positioned("pwrite", fd, data, count, offset);
}

ssize_t pwrite64(int fd, const void *data, size_t count, off_t offset)
{
    return positioned("pwrite64", fd, data, count, offset);
}

} // extern "C"

namespace {

int sync_call(const char *name, int fd)
{
    sync_fn real = reinterpret_cast<sync_fn>(dlsym(RTLD_NEXT, name));
    if (fd_matches(fd)) {
        stop_if("sync");
        if (env("QUILLON_FAULT_SYNC")) {
            errno = fault_errno();
            return -1;
        }
    }
    return real(fd);
}

} // namespace

extern "C" {

int fsync(int fd)
{
    return sync_call("fsync", fd);
}
int fdatasync(int fd)
{
    return sync_call("fdatasync", fd);
}

} // extern "C"

namespace {

/* Before a rename onto a matching path: stop or fail; 0 lets it happen. */
int before_rename(const char *to)
{
    if (!path_matches(to))
        return 0;
    stop_if("rename");
    if (env("QUILLON_FAULT_RENAME")) {
        errno = fault_errno() == ENOSPC ? EIO : fault_errno();
        return -1;
    }
    return 0;
}

int after_rename(int result, const char *to)
{
    if (result == 0 && path_matches(to))
        stop_if("renamed");
    return result;
}

} // namespace

extern "C" {

int rename(const char *from, const char *to) noexcept
{
    rename_fn real = reinterpret_cast<rename_fn>(dlsym(RTLD_NEXT, "rename"));
    if (before_rename(to) != 0)
        return -1;
    return after_rename(real(from, to), to);
}

int renameat(int fromDir, const char *from, int toDir, const char *to) noexcept
{
    renameat_fn real = reinterpret_cast<renameat_fn>(dlsym(RTLD_NEXT, "renameat"));
    if (before_rename(to) != 0)
        return -1;
    return after_rename(real(fromDir, from, toDir, to), to);
}

int renameat2(int fromDir, const char *from, int toDir, const char *to, unsigned int flags) noexcept
{
    renameat2_fn real = reinterpret_cast<renameat2_fn>(dlsym(RTLD_NEXT, "renameat2"));
    if (before_rename(to) != 0)
        return -1;
    return after_rename(real(fromDir, from, toDir, to, flags), to);
}

} // extern "C"
