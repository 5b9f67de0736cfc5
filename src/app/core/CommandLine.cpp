#include "app/core/CommandLine.h"

#include <QDir>

namespace cmdline {

namespace {

const QString kPlaceholder = QStringLiteral("<unbekannt>");
// A handed-over rest is looked up as one file name by its first 255
// characters at most, the classic limit of a file name; longer texts can
// still be split into names.
const int kHandedOverNameLimit = 255;

enum class TOption { None, IniFile, Print, Oem };

TOption OptionOf(const QString &argument)
{
    // The options are plain ASCII. Unicode case mapping would turn the
    // Turkish dotless "-ı" into "-I", and a locale-aware one would turn "-i"
    // into "-İ" under a Turkish locale; neither may change what counts as an
    // option, so anything non-ASCII is a name.
    for (const QChar c : argument)
        if (c.unicode() > 0x7F)
            return TOption::None;
    const QString upper = argument.toUpper();
    if (upper == QLatin1String("-I") || upper == QLatin1String("/I"))
        return TOption::IniFile;
    if (upper == QLatin1String("/P") || upper == QLatin1String("-P"))
        return TOption::Print;
    if (upper == QLatin1String("/OEM") || upper == QLatin1String("-OEM"))
        return TOption::Oem;
    return TOption::None;
}

bool IsBlankOrQuote(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('"');
}

int LeadingBlanksAndQuotes(const QString &text)
{
    int n = 0;
    while (n < text.size() && IsBlankOrQuote(text.at(n)))
        ++n;
    return n;
}

// Blanks and control characters, as a line pasted from a terminal or handed
// over by another process may end in a line break.
QString TrimBlanks(const QString &text)
{
    int begin = 0;
    int end = text.size();
    while (begin < end && text.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

// The editor strips the same from every name it opens; doing it first lets the
// name be made absolute without a quote in front of it.
QString CleanName(const QString &name)
{
    QString cleaned = name.mid(LeadingBlanksAndQuotes(name));
    if (cleaned.endsWith(QLatin1Char('"')))
        cleaned.chop(1);
    return cleaned;
}

// A name whose whole text names an existing file. Placeholder names never
// do: the editor would not load them, and the test would look at the
// current directory instead of `baseDir`.
bool NamesExistingFile(const QString &name, const QString &baseDir, const TFileExists &fileExists)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('<')) || !fileExists)
        return false;
    return fileExists(Absolute(name, baseDir));
}

// The option walk shared by both command lines. `nameOf` turns an argument
// into the name handed to the editor, or an empty string for one to ignore.
template <typename NameOf>
void WalkArguments(const QStringList &arguments, bool ownLine, NameOf nameOf, QList<TAction> &actions)
{
    bool take = true;
    for (int i = 0; i < arguments.size(); ++i) {
        if (!take) {
            take = true;
            continue;
        }
        const TOption option = OptionOf(arguments.at(i));
        if (option == TOption::None) {
            const QString name = nameOf(arguments.at(i));
            if (!name.isEmpty())
                actions.append({TAction::Open, name});
            continue;
        }
        take = false;
        if (i + 1 >= arguments.size())
            break;
        const QString &value = arguments.at(i + 1);
        if (option == TOption::IniFile) {
            if (ownLine && !value.isEmpty())
                actions.append({TAction::IniFile, value});
            continue;
        }
        const QString name = nameOf(value);
        if (!name.isEmpty())
            actions.append({option == TOption::Print ? TAction::Print : TAction::Oem, name});
    }
}

} // namespace

QString RawCommandLine(const QString &programPath, const QStringList &arguments)
{
    QString raw = programPath;
    for (const QString &argument : arguments) {
        raw += QLatin1Char(' ');
        if (argument.contains(QLatin1Char(' ')))
            raw += QLatin1Char('"') + argument + QLatin1Char('"');
        else
            raw += argument;
    }
    return raw;
}

QString Absolute(const QString &name, const QString &baseDir)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('<')))
        return name;
    if (QDir::isAbsolutePath(name) || baseDir.isEmpty())
        return QDir::cleanPath(name);
    return QDir::cleanPath(baseDir + QLatin1Char('/') + name);
}

QList<TAction> InterpretOwn(const QString &rawCommandLine, const QString &programPath,
                            const QStringList &arguments, const QString &baseDir, const TFileExists &fileExists)
{
    QList<TAction> actions;
    // The program path is cut off by its length, quoted or not; the rest
    // tells whether anything followed it at all.
    QString rest = rawCommandLine;
    if (rest.startsWith(QLatin1Char('"')))
        rest.remove(0, 1);
    rest.remove(0, programPath.size());
    if (rest.startsWith(QLatin1Char('"')))
        rest.remove(0, 1);

    const auto nameOf = [&baseDir](const QString &argument) { return Absolute(CleanName(argument), baseDir); };
    if (!rest.isEmpty()) {
        // A name with blanks typed without quotes arrives as several
        // arguments; the whole rest wins when it names a file.
        const QString whole = TrimBlanks(rest);
        if (NamesExistingFile(whole, baseDir, fileExists)) {
            const QString name = nameOf(whole);
            if (!name.isEmpty())
                actions.append({TAction::Open, name});
        } else {
            WalkArguments(arguments, true, nameOf, actions);
        }
    }
    if (arguments.isEmpty())
        actions.append({TAction::Open, kPlaceholder});
    return actions;
}

QList<TAction> InterpretHandedOver(const QString &text, const QString &programPath, const QString &baseDir,
                                   const TFileExists &fileExists)
{
    QList<TAction> actions;
    QString rest = text;
    rest.remove(0, LeadingBlanksAndQuotes(rest));
    rest.remove(0, programPath.size());
    rest.remove(0, LeadingBlanksAndQuotes(rest));
    rest = TrimBlanks(rest);
    if (rest.isEmpty())
        return actions;

    const QString whole = rest.left(kHandedOverNameLimit);
    if (NamesExistingFile(whole, baseDir, fileExists)) {
        actions.append({TAction::Open, Absolute(whole, baseDir)});
        return actions;
    }

    rest.replace(QLatin1Char('\t'), QLatin1Char(' '));
    rest.replace(QLatin1Char('\r'), QLatin1Char(' '));
    const QStringList tokens = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    // Quotes are not grouping here, so a token keeps them; the editor strips
    // them when it opens the name. Only the path between them is completed,
    // as `baseDir` must not end up behind a quote.
    const auto nameOf = [&baseDir](const QString &token) -> QString {
        const int lead = LeadingBlanksAndQuotes(token);
        const int trail = token.size() > lead && token.endsWith(QLatin1Char('"')) ? 1 : 0;
        const QString path = token.mid(lead, token.size() - lead - trail);
        if (path.isEmpty())
            return QString();
        return token.left(lead) + Absolute(path, baseDir) + token.right(trail);
    };
    WalkArguments(tokens, false, nameOf, actions);
    return actions;
}

} // namespace cmdline
