// The program's real save paths in a process of their own, so that a test
// can run them under injected faults, in a folder it may not write, or kill
// them half-way. What the user would be shown goes to stdout, one message a
// line, then "gespeichert" or "nicht gespeichert" (lines starting with "#"
// only tell the test how far it got).
//
//   fault_saver text FILE BYTES      open FILE in the editor, replace its
//                                    text by BYTES new bytes, "Sichern"
//   fault_saver settings FILE        write the settings file FILE as the
//                                    main window does when it closes
//   fault_saver new-settings FILE    the first start's test that a missing
//                                    settings file can be created
//   fault_saver open FILE            open FILE in the editor, then "Sichern"
//                                    (answering "Nein" to any question)
#include "FaultContent.h"
#include "../support/ScriptedUser.h"

#include "app/EditMain.h"
#include "editor/MultEdit.h"
#include "platform/Dialogs.h"
#include "platform/ErrorDisplay.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>

namespace {

void Say(const QString &line)
{
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 3)
        return 2;
    const QString mode = args.at(1);
    const QString file = QFileInfo(args.at(2)).absoluteFilePath();

    TScriptedUser user;
    user.WhenNoAnswerLeft = dialogs::TAnswer::No;
    QStringList &shown = user.Shown;

    bool saved = false;
    if (mode == QLatin1String("text") && args.size() == 4) {
        TMultiEditor editor;
        editor.resize(400, 300);
        editor.show();
        // Wrapping 100 MB would take most of the run; the save is what counts.
        editor.SetWordWrap(false);
        editor.OpenFile(file);
        TXMemo *memo = editor.CurrentControl();
        memo->SetText(faultcontent::NewContent(args.at(3).toLongLong()));
        memo->SetModified(true);
        std::fputs("#speichern\n", stdout); // the test may time the save from here
        std::fflush(stdout);
        // As the bar button runs it: an error ends the command and is shown.
        errordisplay::RunGuarded([&] { editor.SaveFileClick(nullptr); });
        saved = !memo->Modified();
    } else if (mode == QLatin1String("open")) {
        TMultiEditor editor;
        editor.resize(400, 300);
        editor.show();
        editor.OpenFile(file);
        TXMemo *memo = editor.CurrentControl();
        shown << QStringLiteral("#geladen %1").arg(memo ? memo->TextLength() : -1);
        errordisplay::RunGuarded([&] { editor.SaveFileClick(nullptr); });
        saved = memo && !memo->Modified() && !memo->LoadFailed();
    } else if (mode == QLatin1String("settings")) {
        TMainForm form;
        form.IniFileName = file;
        form.WriteSettings(file);
        saved = shown.isEmpty();
        form.IniFileName.clear();
    } else if (mode == QLatin1String("new-settings")) {
        TMainForm form;
        form.ReadSettings(file);
        saved = QFileInfo::exists(file);
        form.IniFileName.clear();
    } else {
        return 2;
    }
    for (const QString &line : shown)
        Say(line);
    Say(saved ? QStringLiteral("gespeichert") : QStringLiteral("nicht gespeichert"));
    return 0;
}
