#pragma once
// Shared helpers of the widget tests: temporary files and synthetic keys.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

namespace testsupport {

inline QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

inline void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write test file");
    file.write(bytes);
}

// A key as the keyboard sends it: key code, modifiers and its text.

inline void Key(QWidget *widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                const QString &text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &release);
}

inline void Text(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        Key(widget, Qt::Key_unknown, Qt::NoModifier, QString(c));
}

} // namespace testsupport
