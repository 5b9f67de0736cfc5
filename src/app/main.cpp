#include "editor/MultEdit.h"
#include "platform/DisplayFont.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QMainWindow>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillon"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quillon 32"));

    // Qt's own dialogs and buttons in German, like the rest of the program.
    QTranslator qtGerman;
    if (qtGerman.load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtGerman);
    displayfont::Install();

    QMainWindow window;
    auto *editor = new TMultiEditor(&window);
    editor->SetEditorFont(QFont(QStringLiteral("Times New Roman"), 10));
    window.setCentralWidget(editor);
    window.setGeometry(354, 101, 558, 299);
    const QStringList arguments = QApplication::arguments().mid(1);
    for (const QString &argument : arguments)
        editor->OpenFile(QDir::current().absoluteFilePath(argument));
    window.show();
    return QApplication::exec();
}
