#pragma once
#include <QString>
#include <QStringList>

namespace filefilter {

// "Beschreibung|*.a;*.b|..." (descriptions and patterns alternating, as the
// settings file stores it) -> Qt name filters "Beschreibung (*.a *.b)".
// "*.*" means every file, with or without a dot, as it does on Windows.
QStringList ToNameFilters(const QString &filter);

// "*" + the extension of a file name (with its dot), "*" when it has none.
QString ExtensionPattern(const QString &fileName);

} // namespace filefilter
