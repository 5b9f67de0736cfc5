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
    // Only "/" makes a name absolute here: QDir also counts a leading ":"
    // (its resource prefix), which would open a built-in resource instead of
    // the user's file ":notiz.txt".
    if (name.startsWith(QLatin1Char('/')) || baseDir.isEmpty())
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

namespace {

// Tokens of a handed-over line: a token that starts with a double quote runs
// to the closing quote (both removed), so a name with blanks stays one name.
QStringList HandedOverTokens(QString rest)
{
    rest.replace(QLatin1Char('\t'), QLatin1Char(' '));
    rest.replace(QLatin1Char('\r'), QLatin1Char(' '));
    QStringList tokens;
    qsizetype i = 0;
    const qsizetype n = rest.size();
    while (i < n) {
        if (rest.at(i) == QLatin1Char(' ')) {
            ++i;
            continue;
        }
        if (rest.at(i) == QLatin1Char('"')) {
            const qsizetype close = rest.indexOf(QLatin1Char('"'), i + 1);
            const qsizetype stop = close < 0 ? n : close;
            tokens << rest.mid(i + 1, stop - i - 1);
            i = stop + 1;
            continue;
        }
        qsizetype stop = rest.indexOf(QLatin1Char(' '), i);
        if (stop < 0)
            stop = n;
        tokens << rest.mid(i, stop - i);
        i = stop;
    }
    return tokens;
}

// The program path at the start of a handed-over line, quoted or not; the
// quote of a first argument must stay, it groups that argument.
QString WithoutProgramPath(const QString &text, const QString &programPath)
{
    QString rest = text;
    qsizetype blanks = 0;
    while (blanks < rest.size() && rest.at(blanks) == QLatin1Char(' '))
        ++blanks;
    rest.remove(0, blanks);
    const QString quoted = QLatin1Char('"') + programPath + QLatin1Char('"');
    if (!programPath.isEmpty() && rest.startsWith(quoted))
        return rest.mid(quoted.size());
    if (!programPath.isEmpty() && rest.startsWith(programPath)
        && (rest.size() == programPath.size() || rest.at(programPath.size()) == QLatin1Char(' ')))
        return rest.mid(programPath.size());
    // Another form of the program's name: cut by length, as the old program did.
    rest.remove(0, LeadingBlanksAndQuotes(rest));
    rest.remove(0, programPath.size());
    rest.remove(0, LeadingBlanksAndQuotes(rest));
    return rest;
}

} // namespace

QList<TAction> InterpretHandedOver(const QString &text, const QString &programPath, const QString &baseDir,
                                   const TFileExists &fileExists)
{
    QList<TAction> actions;
    QString rest = TrimBlanks(WithoutProgramPath(text, programPath));
    if (rest.isEmpty() || rest == QLatin1String("\"\""))
        return actions;

    // One file whose name has blanks arrives whole, quoted or not.
    QString whole = rest.left(kHandedOverNameLimit);
    if (whole.size() >= 2 && whole.startsWith(QLatin1Char('"')) && whole.endsWith(QLatin1Char('"'))
        && NamesExistingFile(whole.mid(1, whole.size() - 2), baseDir, fileExists))
        whole = whole.mid(1, whole.size() - 2);
    if (NamesExistingFile(whole, baseDir, fileExists)) {
        // A name made of quotes only cleans to nothing: nothing to open.
        const QString name = CleanName(whole);
        if (!name.isEmpty())
            actions.append({TAction::Open, Absolute(name, baseDir)});
        return actions;
    }

    const auto nameOf = [&baseDir](const QString &token) -> QString {
        const QString path = CleanName(token);
        return path.isEmpty() ? QString() : Absolute(path, baseDir);
    };
    WalkArguments(HandedOverTokens(rest), false, nameOf, actions);
    return actions;
}

} // namespace cmdline
