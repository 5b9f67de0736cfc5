#pragma once
// One open file of the multi-file editor: its name, whether it has one, and
// the text control that holds its text. Dialogs and questions about a file
// hold this object, so their answer reaches that file even when another one
// came to the front or it was closed in the meantime.
#include "platform/core/DiskIdentity.h"
#include "platform/core/Encoding.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

class TTabRow;
class TXMemo;

class TOpenFile : public QObject
{
    Q_OBJECT
public:
    TOpenFile(TXMemo *control, TTabRow *tabs, QObject *parent);

    QString FileName() const { return m_fileName; }
    // Untitled: no file on disk yet; saving asks for a name.
    bool Untitled() const { return m_untitled; }
    TXMemo *Control() const { return m_control; }
    // The encoding the file's bytes are shown, typed and searched in.
    encoding::TEncoding Encoding() const;

    // Every change of the name goes through here, so that the tab, the tab
    // row's tip while the file is in front, and the control's hint never
    // disagree.
    void SetFileName(const QString &name, bool untitled);
    // The file came to the front: the tab row's tip names it.
    void ShowTip() const;

    // The file on disk as it was when the text was loaded from it or last
    // saved to it, and the checksum of those bytes: what the text is based on.
    const diskidentity::TDiskIdentity &DiskIdentity() const { return m_disk; }
    quint64 DiskChecksum() const { return m_diskChecksum; }
    void SetDiskIdentity(const diskidentity::TDiskIdentity &identity, quint64 checksum)
    {
        m_disk = identity;
        m_diskChecksum = checksum;
    }
    // The disk state the user has already heard of (a declined reload, a
    // file gone): not brought up again.
    const std::optional<diskidentity::TDiskIdentity> &ToldDisk() const { return m_toldDisk; }
    void SetToldDisk(const std::optional<diskidentity::TDiskIdentity> &told) { m_toldDisk = told; }

private:
    QString m_fileName;
    bool m_untitled = true;
    QPointer<TXMemo> m_control;
    QPointer<TTabRow> m_tabs;
    diskidentity::TDiskIdentity m_disk;
    quint64 m_diskChecksum = 0;
    std::optional<diskidentity::TDiskIdentity> m_toldDisk;
};

// The open files in tab order: entry i stands for tab i and page i.
class TFileList
{
public:
    int Count() const { return m_files.size(); }
    TOpenFile *At(int i) const { return m_files.at(i); }
    QString Name(int i) const;
    TXMemo *Control(int i) const;
    void Add(TOpenFile *file) { m_files.append(file); }
    void Delete(int i) { m_files.remove(i); }
    int IndexOf(const TOpenFile *file) const;
    int IndexOfControl(const TXMemo *control) const;
    QStringList Names() const;

private:
    QVector<TOpenFile *> m_files;
};
