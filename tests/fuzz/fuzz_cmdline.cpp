// libFuzzer target for the interpretation of command lines: the program's own
// at start-up and the one a later start hands over. Any arguments and any
// set of existing files; the result is compared with a plain reference walk
// of the options and with the promises both interpretations make.
//
// Input: byte 0 picks the mode, byte 1 which arguments name existing files;
// the rest is split at NUL bytes into the program path, the folder of the
// start and the arguments.
#include "app/core/CommandLine.h"

#include <QSet>
#include <QStringList>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using cmdline::TAction;
using TActions = QList<TAction>;

#define CHECK(condition)                                                                                               \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);                         \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (0)

// Options by a plain comparison, as a user reads the option table.
int Option(const QString &argument)
{
    static const char *const forms[][2] = {{"-I", "/I"}, {"-P", "/P"}, {"-OEM", "/OEM"}};
    for (int k = 0; k < 3; ++k) {
        for (const char *form : forms[k]) {
            const QString f = QLatin1String(form);
            bool same = argument.size() == f.size();
            for (qsizetype i = 0; same && i < f.size(); ++i) {
                const char16_t c = argument.at(i).unicode();
                same = c == f.at(i).unicode() || (c >= 'a' && c <= 'z' && c - 32 == f.at(i).unicode());
            }
            if (same)
                return k + 1;
        }
    }
    return 0;
}

// The walk of the arguments, written from the option table alone. Names are
// taken as they are: the caller only uses it on plain names. A name that is
// not UTF-8 (here only through the start folder) is refused.
TActions ReferenceWalk(const QStringList &arguments, bool own, const QString &baseDir)
{
    TActions actions;
    const auto file = [](TAction::Kind kind, const QString &name) {
        return TAction{cmdline::Reachable(name) ? kind : TAction::Unreachable, name};
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const int option = Option(arguments.at(i));
        if (option == 0) {
            actions.append(file(TAction::Open, cmdline::Absolute(arguments.at(i), baseDir)));
            continue;
        }
        if (i + 1 == arguments.size())
            break;
        const QString value = arguments.at(++i);
        if (option == 1) {
            if (own)
                actions.append({value.startsWith(QLatin1Char('/')) || cmdline::Reachable(baseDir)
                                    ? TAction::IniFile
                                    : TAction::UnreachableIni,
                                value});
        } else {
            actions.append(file(option == 2 ? TAction::Print : TAction::Oem, cmdline::Absolute(value, baseDir)));
        }
    }
    return actions;
}

// A name the reference may take as it is: no blanks or control characters
// (the whole rest is trimmed), no quotes (stripped from names), no bytes
// that are not UTF-8, not a tab without a file.
bool Plain(const QString &text)
{
    if (text.isEmpty() || text.startsWith(QLatin1Char('<')))
        return false;
    for (const QChar c : text) {
        if (c.unicode() <= 0x20 || c == QLatin1Char('"') || c.isSurrogate())
            return false;
    }
    return true;
}

void CheckNames(const TActions &actions, const QString &baseDir, bool own)
{
    for (const TAction &action : actions) {
        if (action.kind == TAction::IniFile || action.kind == TAction::UnreachableIni) {
            CHECK(own);
            CHECK(!action.name.isEmpty());
            continue;
        }
        CHECK(!action.name.isEmpty());
        // A name is opened in the folder of the start that gave it.
        if (!action.name.startsWith(QLatin1Char('<')) && baseDir.startsWith(QLatin1Char('/'))
            && !action.name.startsWith(QLatin1Char('/'))) {
            std::fprintf(stderr, "name \"%s\" in folder \"%s\" is not absolute\n", action.name.toUtf8().constData(),
                         baseDir.toUtf8().constData());
            std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t mode = data[0];
    const uint8_t existMask = data[1];
    const QByteArray bytes(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    // Names as the system holds them come back byte for byte.
    const QString all = (mode & 1) ? cmdline::FromLocal(bytes) : QString::fromLatin1(bytes);
    if ((mode & 1) && cmdline::ToLocal(all) != bytes) {
        std::fprintf(stderr, "bytes of a name changed on the way through a string\n");
        std::abort();
    }
    QStringList parts = all.split(QChar(0));
    QString program = parts.takeFirst();
    if (mode & 2)
        program = QStringLiteral("/usr/bin/quillon");
    const QString baseDir = parts.isEmpty() ? QString() : parts.takeFirst();
    const QStringList &arguments = parts;

    // Which names exist: those the mask picks, asked for as the absolute
    // name the interpretation must use.
    QSet<QString> existing;
    for (qsizetype i = 0; i < arguments.size() && i < 8; ++i) {
        if (existMask & (1u << i))
            existing.insert(cmdline::Absolute(arguments.at(i), baseDir));
    }
    if (mode & 4) // a name with blanks that exists as a whole
        existing.insert(cmdline::Absolute(arguments.join(QLatin1Char(' ')).trimmed(), baseDir));
    qsizetype asked = 0;
    const cmdline::TFileExists exists = [&](const QString &name) {
        ++asked;
        return existing.contains(name);
    };

    // The own command line, as the program builds it from argv.
    const QString raw = cmdline::RawCommandLine(program, arguments);
    const TActions own = cmdline::InterpretOwn(raw, program, arguments, baseDir, exists);
    CheckNames(own, baseDir, true);
    CHECK(own.size() <= arguments.size() + 1);
    if (arguments.isEmpty())
        CHECK(own.size() == 1 && own.front() == (TAction{TAction::Open, QStringLiteral("<unbekannt>")}));

    // The same arguments handed over by a later start.
    const TActions handed = cmdline::InterpretHandedOver(arguments, program, baseDir, exists);
    CheckNames(handed, baseDir, false);
    // One look-up for the whole rest, one for each argument cleaning changes.
    CHECK(asked <= 2 * (arguments.size() + 1));

    // With nothing existing and plain names, both lines are the option walk.
    bool plain = Plain(program) || program.isEmpty();
    for (const QString &argument : arguments)
        plain = plain && Plain(argument);
    if (plain && !arguments.isEmpty()) {
        const auto none = [](const QString &) { return false; };
        const TActions ownPlain = cmdline::InterpretOwn(raw, program, arguments, baseDir, none);
        if (ownPlain != ReferenceWalk(arguments, true, baseDir)) {
            std::fprintf(stderr, "own line differs from the reference walk\n");
            std::abort();
        }
        const TActions handedPlain = cmdline::InterpretHandedOver(arguments, program, baseDir, none);
        if (handedPlain != ReferenceWalk(arguments, false, baseDir)) {
            std::fprintf(stderr, "handed-over line differs from the reference walk\n");
            std::abort();
        }
    }
    return 0;
}
