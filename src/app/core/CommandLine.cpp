#include "app/core/CommandLine.h"

#include <QDir>

namespace cmdline {

namespace {

const QString kPlaceholder = QStringLiteral("<unbekannt>");

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
// current directory instead of `baseDir`. Nor do names the file functions
// cannot be given: they would test a different name.
bool NamesExistingFile(const QString &name, const QString &baseDir, const TFileExists &fileExists)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('<')) || !fileExists)
        return false;
    const QString absolute = Absolute(name, baseDir);
    return Reachable(absolute) && fileExists(absolute);
}

// The name to open for an argument: the argument itself when it names an
// existing file, else the argument without the blanks and quotes around it.
// Only arguments that cleaning changes are looked up, so plain names cost
// no look-up.
QString NameOf(const QString &argument, const QString &baseDir, const TFileExists &fileExists)
{
    const QString cleaned = CleanName(argument);
    if (cleaned != argument && NamesExistingFile(argument, baseDir, fileExists))
        return Absolute(argument, baseDir);
    return cleaned.isEmpty() ? QString() : Absolute(cleaned, baseDir);
}

TAction FileAction(TAction::Kind kind, const QString &name)
{
    return {Reachable(name) ? kind : TAction::Unreachable, name};
}

// The option walk shared by both command lines.
void WalkArguments(const QStringList &arguments, bool ownLine, const QString &baseDir, const TFileExists &fileExists,
                   QList<TAction> &actions)
{
    bool take = true;
    for (int i = 0; i < arguments.size(); ++i) {
        if (!take) {
            take = true;
            continue;
        }
        const TOption option = OptionOf(arguments.at(i));
        if (option == TOption::None) {
            const QString name = NameOf(arguments.at(i), baseDir, fileExists);
            if (!name.isEmpty())
                actions.append(FileAction(TAction::Open, name));
            continue;
        }
        take = false;
        if (i + 1 >= arguments.size())
            break;
        const QString &value = arguments.at(i + 1);
        if (option == TOption::IniFile) {
            if (ownLine && !value.isEmpty()) {
                const bool reachable = Reachable(value) && (value.startsWith(QLatin1Char('/')) || Reachable(baseDir));
                actions.append({reachable ? TAction::IniFile : TAction::UnreachableIni, value});
            }
            continue;
        }
        const QString name = NameOf(value, baseDir, fileExists);
        if (!name.isEmpty())
            actions.append(FileAction(option == TOption::Print ? TAction::Print : TAction::Oem, name));
    }
}

QList<TAction> Interpret(const QString &rawCommandLine, const QString &programPath, const QStringList &arguments,
                         const QString &baseDir, const TFileExists &fileExists, bool ownLine)
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

    if (!rest.isEmpty()) {
        // A name with blanks typed without quotes arrives as several
        // arguments; the whole rest wins when it names a file.
        const QString whole = TrimBlanks(rest);
        if (NamesExistingFile(whole, baseDir, fileExists))
            actions.append({TAction::Open, Absolute(whole, baseDir)});
        else
            WalkArguments(arguments, ownLine, baseDir, fileExists, actions);
    }
    if (ownLine && arguments.isEmpty())
        actions.append({TAction::Open, kPlaceholder});
    return actions;
}

} // namespace

QString FromLocal(const QByteArray &bytes)
{
    // Qt's own decoder turns stray bytes into U+FFFD, which names another file.
    QString out;
    out.reserve(bytes.size());
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const uchar lead = p[i];
        if (lead < 0x80) {
            out += QChar(char16_t(lead));
            ++i;
            continue;
        }
        int length = 0;
        char32_t code = 0;
        char32_t lowest = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2, code = lead & 0x1F, lowest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, code = lead & 0x0F, lowest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, code = lead & 0x07, lowest = 0x10000;
        }
        bool valid = length > 0 && i + length <= n;
        for (int k = 1; valid && k < length; ++k) {
            valid = (p[i + k] & 0xC0) == 0x80;
            code = (code << 6) | (p[i + k] & 0x3F);
        }
        valid = valid && code >= lowest && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
        if (!valid) {
            out += QChar(char16_t(0xDC00 + lead));
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            out += QChar(QChar::highSurrogate(code));
            out += QChar(QChar::lowSurrogate(code));
        } else {
            out += QChar(char16_t(code));
        }
        i += length;
    }
    return out;
}

namespace {

bool KeptByte(const QString &name, qsizetype i)
{
    const char16_t c = name.at(i).unicode();
    return c >= 0xDC80 && c <= 0xDCFF && (i == 0 || !name.at(i - 1).isHighSurrogate());
}

} // namespace

QByteArray ToLocal(const QString &name)
{
    QByteArray out;
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (!KeptByte(name, i))
            continue;
        out += QStringView(name).mid(runStart, i - runStart).toUtf8();
        out += char(name.at(i).unicode() - 0xDC00);
        runStart = i + 1;
    }
    out += QStringView(name).mid(runStart).toUtf8();
    return out;
}

bool Reachable(const QString &name)
{
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c.isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return false;
    }
    return true;
}

QString Shown(const QString &name)
{
    QString out;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (KeptByte(name, i))
            out += QStringLiteral("\\x") + QString::number(name.at(i).unicode() - 0xDC00, 16).toUpper();
        else
            out += name.at(i);
    }
    return out;
}

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

QList<TAction> InterpretOwn(const QString &rawCommandLine, const QString &programPath, const QStringList &arguments,
                            const QString &baseDir, const TFileExists &fileExists)
{
    return Interpret(rawCommandLine, programPath, arguments, baseDir, fileExists, true);
}

QList<TAction> InterpretHandedOver(const QStringList &arguments, const QString &programPath, const QString &baseDir,
                                   const TFileExists &fileExists)
{
    return Interpret(RawCommandLine(programPath, arguments), programPath, arguments, baseDir, fileExists, false);
}

} // namespace cmdline
