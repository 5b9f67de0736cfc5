#include "editor/OpenFile.h"

#include "editor/TabRow.h"
#include "editor/XMemo.h"
#include "editor/core/FileNames.h"

TOpenFile::TOpenFile(TXMemo *control, TTabRow *tabs, QObject *parent)
    : QObject(parent), m_control(control), m_tabs(tabs)
{
}

void TOpenFile::SetFileName(const QString &name, bool untitled)
{
    m_fileName = name;
    m_untitled = untitled;
    const QString shortName = filenames::ShortName(name);
    if (m_control) {
        m_control->SetHint(name);
        // A screen reader names the text by its tab, as a sighted user reads it.
        m_control->setAccessibleName(shortName);
    }
    const int tab = m_tabs ? m_tabs->IndexOf(this) : -1;
    if (tab < 0)
        return;
    // Every caption change lays out all tabs: only when it differs.
    if (m_tabs->Name(tab) != shortName)
        m_tabs->SetName(tab, shortName);
    if (tab == m_tabs->currentIndex())
        ShowTip();
}

encoding::TEncoding TOpenFile::Encoding() const
{
    return m_control ? m_control->Encoding() : encoding::TEncoding::Cp1252;
}

void TOpenFile::ShowTip() const
{
    if (m_tabs)
        m_tabs->setToolTip(m_fileName);
}

QString TFileList::Name(int i) const
{
    return m_files.at(i)->FileName();
}

TXMemo *TFileList::Control(int i) const
{
    return m_files.at(i)->Control();
}

int TFileList::IndexOf(const TOpenFile *file) const
{
    return file ? m_files.indexOf(const_cast<TOpenFile *>(file)) : -1;
}

int TFileList::IndexOfControl(const TXMemo *control) const
{
    for (int i = 0; i < m_files.size(); ++i) {
        if (m_files.at(i)->Control() == control)
            return i;
    }
    return -1;
}

QStringList TFileList::Names() const
{
    QStringList names;
    for (const TOpenFile *file : m_files)
        names << file->FileName();
    return names;
}
