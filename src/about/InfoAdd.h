#pragma once
// The author's personal message to the user: fourteen paragraphs, one page
// of the about box each. A paragraph's line breaks are single carriage
// returns.
#include <QString>
#include <QStringList>

class TInfoAdds : public QStringList
{
public:
    TInfoAdds();

    // The host of the author's homepage, named in one of the paragraphs.
    static QString HomepageHost() { return QStringLiteral("quillon.example.org"); }
};

// The one message of the program's run, made on first use.
const TInfoAdds &AuthorMessage();
