#include "app/EditMain.h"
#include "app/GuardedApplication.h"
#include "app/JustOne.h"
#include "app/core/CommandLine.h"
#include "app/core/HandOver.h"
#include "editor/core/JournalStore.h"
#include "platform/DisplayFont.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QTranslator>
#include <cstdio>
#include <cerrno>
#include <csignal>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace {

const char *const kUsage = "Aufruf: quillon [OPTION] [DATEI...]\n"
                           "Quillon 32 - Editor für Textdateien; jede Datei wird in einem eigenen Register geöffnet.\n"
                           "\n"
                           "  -I DATEI      Einstellungen aus DATEI lesen und beim Beenden dorthin schreiben\n"
                           "  -P DATEI      DATEI öffnen und drucken\n"
                           "  -OEM DATEI    Inhalt von DATEI in ein unbenanntes Register laden\n"
                           "  --help        diese Hilfe anzeigen und beenden\n"
                           "  --version     Versionsnummer anzeigen und beenden\n"
                           "\n"
                           "Die Optionen gelten auch mit \"/\" statt \"-\" und in beliebiger Groß-/Kleinschreibung.\n";

// The signal handler only notes the signal; the window acts on it in its
// message loop.
int g_signalPipe[2] = {-1, -1};

void NoteSignal(int number)
{
    const int saved = errno;
    const char byte = char(number);
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

void CatchEndingSignals()
{
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action
    {
    };
    action.sa_handler = NoteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
}

} // namespace

int main(int argc, char *argv[])
{
    // Answered before any window system is touched: they work without a display.
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::fputs("Quillon 32 " QUILLON_VERSION "\n", stdout);
            return 0;
        }
    }

    // The desktop's permission to bring a window to the front, read before
    // Qt takes it for its own window: a running window needs it instead.
    QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
    if (token.isEmpty())
        token = qgetenv("DESKTOP_STARTUP_ID");
    if (!handover::IsUsableToken(token))
        token.clear();

    // Qt sees only the program's name: its own options ("-reverse",
    // "-stylesheet" ...) would take file names away. Qt settings come from
    // the environment (QT_QPA_PLATFORM, QT_SCALE_FACTOR ...).
    QList<QByteArray> rawArguments;
    for (int i = 1; i < argc; ++i)
        rawArguments << QByteArray(argv[i]);
    int qtArgc = 1;
    char *qtArgv[] = {argv[0], nullptr};
    TGuardedApplication app(qtArgc, qtArgv);
    QApplication::setApplicationName(QStringLiteral("quillon"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quillon.svg")));
    // The folder as the system names it: QDir would decode it lossily.
    QByteArray startDirBytes = QFile::encodeName(QDir::currentPath());
    if (char *cwd = ::getcwd(nullptr, 0)) {
        startDirBytes = cwd;
        std::free(cwd);
    }
    const QString startDir = cmdline::FromLocal(startDirBytes);
    QStringList arguments;
    for (const QByteArray &argument : rawArguments)
        arguments << cmdline::FromLocal(argument);

    // Qt's own dialogs and buttons in German, like the rest of the program.
    QTranslator qtGerman;
    if (qtGerman.load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtGerman);
    displayfont::Install();

    // A copy started by "Neuer Editor" runs on its own; what it starts later
    // does not inherit that.
    const bool ownInstance = qEnvironmentVariableIsSet(TJustOne::kOwnInstanceVariable);
    qunsetenv(TJustOne::kOwnInstanceVariable);
    // A running window that accepts new files takes this start's files.
    if (!ownInstance) {
        bool refused = false;
        if (TJustOne::HandOver({startDirBytes, rawArguments, token}, 3000, &refused))
            return 0;
        // A window of an earlier version refuses the token's framing.
        if (refused && !token.isEmpty() && TJustOne::HandOver({startDirBytes, rawArguments}))
            return 0;
    }

    TMainForm window;
    CatchEndingSignals();
    QSocketNotifier ending(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&ending, &QSocketNotifier::activated, &window, [&window] {
        window.EndWithoutQuestions();
        // Whatever the loop was in the middle of (a question, a dialog)
        // must not go on.
        ::_exit(0);
    });
    window.show();
    if (!window.FormShow(arguments, startDir))
        return 0;
    window.StartJournal(journal::StateFolder());
    const int result = QApplication::exec();
    window.EndJournal();
    return result;
}
