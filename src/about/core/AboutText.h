#pragma once
// Texts of the about box that need no window: the memory and clock figures
// of the system page, the product name, and the targets the links open.
#include <QChar>
#include <QString>
#include <QUrl>
#include <QtGlobal>

namespace abouttext {

// Available memory and swap in mebibytes, summed from the full byte counts,
// with two decimals and a point whatever the locale: "1536.00 Mb".
QString FreeMemoryText(quint64 availPhysBytes, quint64 availPageFileBytes);

// A clock rate rounded to 5 significant digits and shown with exactly 2
// decimals and the given separator ("2394,60"); more than 5 integer digits
// give the scientific form ("1,2346E+5"); a negative rate gives "".
QString MhzText(double mhz, QChar decimalPoint);

// The product's name from an application title that may carry a file name:
// what follows the last " : ", trimmed; the whole title trimmed without one.
QString ProductNameFromTitle(const QString &title);

// The hint of the web address label: the text itself when it already
// starts with "http://" (any case), else "http://" in front.
QString LinkHint(const QString &text);

// "http://" + host + "/".
QString HomepageAddress(const QString &host);

// The mail link: "mailto:" + address + "?subject=" + the subject, which is
// the title, ": Version " and the version. The subject is percent-encoded so
// that a file name in the title cannot end it early or add header fields.
QString MailTarget(const QString &address, const QString &title, const QString &version);

// The folder part of a path: the path without its last component.
QString FolderOf(const QString &path);

// What the desktop should open for a shell target: a URL with a scheme
// ("http:", "mailto:" ...) as it is, anything else as a local path.
QUrl ShellUrl(const QString &target);

} // namespace abouttext
