#include "about/SysComp.h"

#include "about/core/SysValues.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QScreen>
#include <QThread>
#include <QUrl>
#include <QWidget>

#include <cerrno>
#include <dlfcn.h>
#include <pthread.h>
#include <pwd.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#define QUILLON_HAVE_TSC 1
#endif

namespace {

TSystem::TSources DefaultSources()
{
    return {{}, {}, QStringLiteral("Rsrc32.DLL"), QByteArrayLiteral("_MyGetFreeSystemResources32@4")};
}

#if defined(__i386__)
using TResourceFunction = qint32(__attribute__((stdcall)) *)(quint32);
#else
using TResourceFunction = qint32 (*)(quint32);
#endif

sysvalues::TMemInfo ReadMemInfo()
{
    const auto &source = TSystem::Sources().memInfo;
    QByteArray text;
    if (source) {
        text = source();
    } else {
        QFile file(QStringLiteral("/proc/meminfo"));
        if (file.open(QIODevice::ReadOnly))
            text = file.readAll();
    }
    sysvalues::TMemInfo info = sysvalues::ParseMemInfo(text);
    if (info.valid || source)
        return info;
    // Without /proc mounted the kernel still answers sysinfo.
    struct sysinfo si = {};
    if (sysinfo(&si) != 0)
        return info;
    const quint64 unit = si.mem_unit ? si.mem_unit : 1;
    info.valid = true;
    info.memTotal = quint64(si.totalram) * unit;
    info.memAvailable = (quint64(si.freeram) + quint64(si.bufferram)) * unit;
    info.swapTotal = quint64(si.totalswap) * unit;
    info.swapFree = quint64(si.freeswap) * unit;
    return info;
}

// The address space a process may use: its RLIMIT_AS, else the user part
// of the architecture's address space.
quint64 UserAddressSpace()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        return limit.rlim_cur;
    if (sizeof(void *) == 8)
        return (quint64(1) << 47) - 4096;
    return quint64(3) << 30;
}

// VmSize of /proc/self/status in bytes; 0 when unknown.
quint64 UsedAddressSpace()
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (!line.startsWith("VmSize:"))
            continue;
        const QList<QByteArray> parts = line.mid(7).simplified().split(' ');
        bool ok = false;
        const quint64 kib = parts.value(0).toULongLong(&ok);
        return ok ? kib * 1024 : 0;
    }
    return 0;
}

// -1 when the file system cannot be asked.
qint64 DiskBytes(const QString &directory, bool freeForCaller)
{
    struct statvfs fs = {};
    if (statvfs(QFile::encodeName(directory).constData(), &fs) != 0)
        return -1;
    const quint64 blocks = freeForCaller ? quint64(fs.f_bavail) : quint64(fs.f_blocks);
    return static_cast<qint64>(blocks * quint64(fs.f_frsize));
}

sysvalues::TKernelVersion KernelVersion()
{
    utsname names{};
    if (uname(&names) != 0)
        return {};
    return sysvalues::ParseKernelRelease(QByteArray(names.release));
}

// Raises the calling thread as far as it is allowed: the highest real-time
// priority, else the lowest nice value its limit permits; gives the old
// setting back on destruction, so the program does not keep starving the
// rest of the system after one measurement.
class TRaisedPriority
{
public:
    TRaisedPriority() : m_thread(pthread_self()), m_tid(gettid())
    {
        if (pthread_getschedparam(m_thread, &m_policy, &m_param) == 0) {
            sched_param fifo{};
            fifo.sched_priority = sched_get_priority_max(SCHED_FIFO);
            if (fifo.sched_priority >= 0 && pthread_setschedparam(m_thread, SCHED_FIFO, &fifo) == 0) {
                m_policyRaised = true;
                return;
            }
        }
        errno = 0;
        const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(m_tid));
        if (errno != 0)
            return;
        rlimit limit{};
        qint64 allowed = -1;
        if (getrlimit(RLIMIT_NICE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            allowed = static_cast<qint64>(limit.rlim_cur);
        for (const int target : {-20, sysvalues::LowestAllowedNice(allowed)}) {
            if (target < nice && setpriority(PRIO_PROCESS, static_cast<id_t>(m_tid), target) == 0) {
                m_nice = nice;
                m_niceRaised = true;
                return;
            }
        }
    }
    ~TRaisedPriority()
    {
        if (m_policyRaised)
            pthread_setschedparam(m_thread, m_policy, &m_param);
        if (m_niceRaised)
            setpriority(PRIO_PROCESS, static_cast<id_t>(m_tid), m_nice);
    }
    TRaisedPriority(const TRaisedPriority &) = delete;
    TRaisedPriority &operator=(const TRaisedPriority &) = delete;

private:
    pthread_t m_thread;
    pid_t m_tid;
    int m_policy = SCHED_OTHER;
    sched_param m_param{};
    bool m_policyRaised = false;
    int m_nice = 0;
    bool m_niceRaised = false;
};

// The top of the owner's chain of parents: the window the program runs in.
QWidget *ApplicationWindow(QObject *owner)
{
    QWidget *top = nullptr;
    auto *widget = qobject_cast<QWidget *>(owner);
    for (QWidget *p = widget ? widget->parentWidget() : nullptr; p; p = p->parentWidget())
        top = p;
    return top;
}

QStringList LocalFiles(const QMimeData *data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl &url : data->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    return files;
}

} // namespace

TSystem::TSources &TSystem::Sources()
{
    static TSources sources = DefaultSources();
    return sources;
}

void TSystem::ResetSources()
{
    Sources() = DefaultSources();
}

TSystem::TSystem(QObject *owner) : QObject(owner)
{
    auto *form = qobject_cast<QWidget *>(owner);
    if (form && form->isWindow()) {
        m_dropTarget = form;
        m_targetAcceptedDrops = form->acceptDrops();
        form->setAcceptDrops(true);
        form->installEventFilter(this);
    }
    const QByteArray library = QFile::encodeName(Sources().resourceLibrary);
    m_library = library.isEmpty() ? nullptr : dlopen(library.constData(), RTLD_NOW | RTLD_LOCAL);
    m_resourceFunction = m_library ? dlsym(m_library, Sources().resourceFunction.constData()) : nullptr;
}

TSystem::~TSystem()
{
    if (m_dropTarget) {
        m_dropTarget->removeEventFilter(this);
        m_dropTarget->setAcceptDrops(m_targetAcceptedDrops);
    }
    if (m_library)
        dlclose(m_library);
}

int TSystem::CallResourceFunction(quint32 index) const
{
    if (!m_resourceFunction)
        return -1;
    return reinterpret_cast<TResourceFunction>(m_resourceFunction)(index);
}

bool TSystem::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_dropTarget)
        return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (LocalFiles(drag->mimeData()).isEmpty())
            return false;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QStringList files = LocalFiles(drop->mimeData());
        if (files.isEmpty())
            return false;
        m_files = files;
        drop->acceptProposedAction();
        emit OnDragDrop(m_files);
        return true;
    }
    default: return false;
    }
}

int TSystem::ColorCount() const
{
    // Only a display with a palette has palette entries.
    const QScreen *screen =
        qobject_cast<QGuiApplication *>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen() : nullptr;
    if (!screen)
        return -1;
    const int depth = screen->depth();
    return depth > 0 && depth <= 8 ? 1 << depth : 0;
}

void TSystem::SetHide(bool hide)
{
    m_hide = hide;
    QWidget *window = ApplicationWindow(parent());
    if (!window)
        return;
    if (hide)
        window->hide();
    else if (!window->isVisible())
        window->show();
}

quint32 TSystem::TotalPhysMemory() const
{
    return sysvalues::Saturate32(ReadMemInfo().memTotal);
}

quint32 TSystem::AvailPhysMemory() const
{
    return sysvalues::Saturate32(AvailPhysBytes());
}

quint32 TSystem::TotalPageFile() const
{
    return sysvalues::Saturate32(ReadMemInfo().swapTotal);
}

quint32 TSystem::AvailPageFile() const
{
    return sysvalues::Saturate32(AvailPageFileBytes());
}

quint64 TSystem::AvailPhysBytes() const
{
    return ReadMemInfo().memAvailable;
}

quint64 TSystem::AvailPageFileBytes() const
{
    return ReadMemInfo().swapFree;
}

quint32 TSystem::TotalVirtualMemory() const
{
    return sysvalues::Saturate32(UserAddressSpace());
}

quint32 TSystem::AvailVirtualMemory() const
{
    const quint64 total = UserAddressSpace();
    const quint64 used = UsedAddressSpace();
    return sysvalues::Saturate32(used >= total ? 0 : total - used);
}

int TSystem::MemoryLoad() const
{
    const sysvalues::TMemInfo info = ReadMemInfo();
    return sysvalues::MemoryLoad(info.memTotal, info.memAvailable);
}

QString TSystem::WindowsDirectory() const
{
    return QStringLiteral("/usr");
}

QString TSystem::SystemDirectory() const
{
    // Where the C library was loaded from: the home of the system's libraries.
    void *symbol = dlsym(RTLD_DEFAULT, "getpid");
    Dl_info info{};
    if (!symbol || !dladdr(symbol, &info) || !info.dli_fname)
        return QString();
    const QString path = QFile::decodeName(info.dli_fname);
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash > 0 ? path.left(slash) : QString();
}

QString TSystem::TempDirectory() const
{
    return sysvalues::TempDirectoryFrom(qgetenv("TMPDIR"));
}

quint32 TSystem::TempDiskSize() const
{
    return sysvalues::Lower32(DiskBytes(TempDirectory(), false));
}

quint32 TSystem::TempFreeDisk() const
{
    return sysvalues::Lower32(DiskBytes(TempDirectory(), true));
}

quint32 TSystem::WindowsDiskSize() const
{
    return sysvalues::Lower32(DiskBytes(WindowsDirectory(), false));
}

quint32 TSystem::WindowsFreeDisk() const
{
    return sysvalues::Lower32(DiskBytes(WindowsDirectory(), true));
}

QString TSystem::UserName() const
{
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd *found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found || !found->pw_name)
        return QString();
    return QString::fromLocal8Bit(found->pw_name);
}

QString TSystem::ComputerName() const
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return QString();
    return QString::fromLocal8Bit(name);
}

QString TSystem::ProcessorType() const
{
    utsname names{};
    if (uname(&names) != 0)
        return QString();
    return sysvalues::ProcessorTypeText(sysvalues::ProcessorTypeNumber(QByteArray(names.machine)));
}

int TSystem::ProcessorCount() const
{
    const long count = sysconf(_SC_NPROCESSORS_ONLN);
    return count > 0 ? static_cast<int>(count) : -1;
}

double TSystem::Mhz() const
{
    const auto &source = Sources().measureMhz;
    return source ? source() : MeasureMhz();
}

double TSystem::MeasureMhz()
{
#ifdef QUILLON_HAVE_TSC
    TRaisedPriority raised;
    QThread::msleep(10);
    const quint64 first = __rdtsc();
    QThread::msleep(500);
    const quint64 second = __rdtsc();
    return sysvalues::MhzFromCounts(second - first);
#else
    return -1.0;
#endif
}

int TSystem::WinHiVersion() const
{
    const sysvalues::TKernelVersion version = KernelVersion();
    return version.valid ? static_cast<int>(version.major) : -1;
}

int TSystem::WinLoVersion() const
{
    const sysvalues::TKernelVersion version = KernelVersion();
    return version.valid ? static_cast<int>(version.minor) : -1;
}

QString TSystem::WinVersion() const
{
    return sysvalues::VersionText(KernelVersion());
}

QString TSystem::WinMode() const
{
    // Linux has none of the platform numbers the table knows.
    return sysvalues::WinModeText(-1);
}
