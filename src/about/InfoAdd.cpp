#include "about/InfoAdd.h"

TInfoAdds::TInfoAdds()
{
    append(QStringLiteral("Liebe Anwenderin, lieber Anwender,\rschön, dass Sie Quillon 32 gewählt haben. Auf diesen "
                          "Seiten möchte ich Ihnen ein paar persönliche Worte mitgeben."));
    append(QStringLiteral("Quillon entstand aus einem einfachen Wunsch: ein Editor, der schnell startet, viele "
                          "Dateien zugleich offen hält und kein einziges Byte verändert."));
    append(QStringLiteral("Jede Datei bekommt ein eigenes Register. Mit Strg+Tab wechseln Sie zum nächsten "
                          "Register, mit Strg+F4 schließen Sie die aktuelle Datei."));
    append(QStringLiteral("Ziehen Sie Dateien einfach aus dem Dateimanager auf das Fenster: Sie öffnen sich als "
                          "neue Register, auch viele auf einmal."));
    append(QStringLiteral("Die Einstellungen stehen in einer kleinen Ini-Datei. Sie merkt sich Fenster, Schriftart, "
                          "Filter, Seitenränder und den anderen Editor."));
    append(QStringLiteral("Mit Bild ab und Bild auf blättern Sie durch diese Seiten. Die Taste I zeigt unter der "
                          "Versionsnummer das Datum der Programmdatei."));
    append(QStringLiteral("Quillon ist freie Software. Sie dürfen das Programm weitergeben und verändern, solange "
                          "auch alle anderen dieselben Rechte behalten."));
    append(QStringLiteral("Sie haben einen Fehler gefunden? Schreiben Sie mir bitte, was Sie getan haben und was "
                          "dann geschah. Jede genaue Beschreibung hilft weiter."));
    append(QStringLiteral("Neuigkeiten, Tipps und die jeweils aktuelle Fassung finden Sie auf meiner Homepage unter "
                          "quillon.example.org im Internet."));
    append(QStringLiteral("Mein Dank gilt allen, die Quillon ausprobiert, Fehler gemeldet und Verbesserungen "
                          "vorgeschlagen haben.\rOhne Sie gäbe es dieses Programm nicht."));
    append(QStringLiteral("Ein Editor ist ein Werkzeug und kein Selbstzweck. Wenn Quillon Ihnen ein wenig Arbeit "
                          "abnimmt, hat es seinen Zweck schon erfüllt."));
    append(QStringLiteral("Wer viel schreibt, sollte oft sichern. Ein Klick auf die Diskette genügt, und Ihre "
                          "Arbeit liegt sicher auf der Festplatte."));
    append(QStringLiteral("Die Seite System zeigt den freien Speicher und die gemessene Taktfrequenz Ihres "
                          "Prozessors. Jede Messung dauert eine halbe Sekunde."));
    append(QStringLiteral("Nun wünsche ich Ihnen viel Freude beim Schreiben und gutes Gelingen bei allem, was Sie "
                          "mit Quillon 32 bearbeiten.\rHerzliche Grüße!"));
}

const TInfoAdds &AuthorMessage()
{
    static const TInfoAdds message;
    return message;
}
