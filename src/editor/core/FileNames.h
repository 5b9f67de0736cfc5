#pragma once
// File names as the editor is given them.
#include <QString>
#include <functional>

namespace filenames {

// A name beginning with "<" asks for a tab without a file ("<unbenannt0>",
// "<unbekannt>"). Only the name asked for is read this way: once a tab
// exists, it knows whether it has a file.
bool IsUntitledName(const QString &name);

// The name without its folder.
QString ShortName(const QString &fullName);

// Leading blanks and double quotes and one trailing double quote removed,
// unless the name as given is an existing file: `exists` is asked only
// when cleaning changed a name that is not untitled.
QString CleanFileName(const QString &name, const std::function<bool(const QString &)> &exists);

} // namespace filenames
