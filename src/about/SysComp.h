#pragma once
// TSystem answers questions about the machine and the operating system
// through read-only properties, each computed afresh when read. Placed on a
// window, it collects the local files dropped onto that window and reports
// them through OnDragDrop.
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

class TSystem : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int ColorCount READ ColorCount)
    Q_PROPERTY(bool Hide READ Hide WRITE SetHide)
    Q_PROPERTY(quint32 TotalPhysMemory READ TotalPhysMemory)
    Q_PROPERTY(quint32 AvailPhysMemory READ AvailPhysMemory)
    Q_PROPERTY(quint32 TotalPageFile READ TotalPageFile)
    Q_PROPERTY(quint32 AvailPageFile READ AvailPageFile)
    Q_PROPERTY(quint32 TotalVirtualMemory READ TotalVirtualMemory)
    Q_PROPERTY(quint32 AvailVirtualMemory READ AvailVirtualMemory)
    Q_PROPERTY(int MemoryLoad READ MemoryLoad)
    Q_PROPERTY(int FreeSystemRes READ FreeSystemRes)
    Q_PROPERTY(int FreeGDIRes READ FreeGDIRes)
    Q_PROPERTY(int FreeUserRes READ FreeUserRes)
    Q_PROPERTY(QString WindowsDirectory READ WindowsDirectory)
    Q_PROPERTY(QString SystemDirectory READ SystemDirectory)
    Q_PROPERTY(QString TempDirectory READ TempDirectory)
    Q_PROPERTY(quint32 TempDiskSize READ TempDiskSize)
    Q_PROPERTY(quint32 TempFreeDisk READ TempFreeDisk)
    Q_PROPERTY(quint32 WindowsDiskSize READ WindowsDiskSize)
    Q_PROPERTY(quint32 WindowsFreeDisk READ WindowsFreeDisk)
    Q_PROPERTY(QString UserName READ UserName)
    Q_PROPERTY(QString CompanyName READ CompanyName)
    Q_PROPERTY(QString ComputerName READ ComputerName)
    Q_PROPERTY(bool Coprocessor READ Coprocessor)
    Q_PROPERTY(QString ProcessorType READ ProcessorType)
    Q_PROPERTY(int ProcessorCount READ ProcessorCount)
    Q_PROPERTY(double Mhz READ Mhz)
    Q_PROPERTY(QString DosVersion READ DosVersion)
    Q_PROPERTY(int WinHiVersion READ WinHiVersion)
    Q_PROPERTY(int WinLoVersion READ WinLoVersion)
    Q_PROPERTY(QString WinVersion READ WinVersion)
    Q_PROPERTY(QString WinMode READ WinMode)

public:
    // An owner that is a window gets the drop hook; any other owner (or
    // none) gives a component without one.
    explicit TSystem(QObject *owner = nullptr);
    ~TSystem() override;

    int ColorCount() const;
    bool Hide() const { return m_hide; }
    // Hides or shows the application's main window.
    void SetHide(bool hide);

    quint32 TotalPhysMemory() const;
    quint32 AvailPhysMemory() const;
    quint32 TotalPageFile() const;
    quint32 AvailPageFile() const;
    quint32 TotalVirtualMemory() const;
    quint32 AvailVirtualMemory() const;
    int MemoryLoad() const;
    // The byte counts behind AvailPhysMemory and AvailPageFile, which
    // saturate at 4294967295 on machines with more memory.
    quint64 AvailPhysBytes() const;
    quint64 AvailPageFileBytes() const;

    int FreeSystemRes() const { return CallResourceFunction(0); }
    int FreeGDIRes() const { return CallResourceFunction(1); }
    int FreeUserRes() const { return CallResourceFunction(2); }

    QString WindowsDirectory() const;
    QString SystemDirectory() const;
    QString TempDirectory() const;
    quint32 TempDiskSize() const;
    quint32 TempFreeDisk() const;
    quint32 WindowsDiskSize() const;
    quint32 WindowsFreeDisk() const;

    QString UserName() const;
    QString CompanyName() const { return QString(); }
    QString ComputerName() const;

    bool Coprocessor() const { return true; }
    QString ProcessorType() const;
    int ProcessorCount() const;
    // Blocks for at least 510 ms; negative where there is no cycle counter.
    double Mhz() const;

    QString DosVersion() const { return QStringLiteral("7.0 (?)"); }
    int WinHiVersion() const;
    int WinLoVersion() const;
    QString WinVersion() const;
    QString WinMode() const;

    // Names of the last dropped files, in the order of the drop.
    const QStringList &Files() const { return m_files; }
    bool HasDropHook() const { return m_dropTarget != nullptr; }

    // Where the figures come from; tests put known ones in their place.
    struct TSources
    {
        std::function<QByteArray()> memInfo; // the text of /proc/meminfo
        std::function<double()> measureMhz;  // the clock measurement
        QString resourceLibrary;             // the library dlopen looks for
        QByteArray resourceFunction;         // and the function in it
    };
    static TSources &Sources();
    static void ResetSources();

    // The clock measurement itself: raises the thread's priority where
    // allowed, counts cycles over half a second, restores the priority.
    static double MeasureMhz();

signals:
    void OnDragDrop(const QStringList &files);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int CallResourceFunction(quint32 index) const;

    QStringList m_files;
    bool m_hide = false;
    QWidget *m_dropTarget = nullptr;
    bool m_targetAcceptedDrops = false;
    void *m_library = nullptr;
    void *m_resourceFunction = nullptr; // of this component's own library handle
};
