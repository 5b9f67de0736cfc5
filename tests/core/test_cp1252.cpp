#include "platform/core/Cp1252.h"

#include <QChar>
#include <QSet>
#include <gtest/gtest.h>

namespace {

QByteArray AllBytes()
{
    QByteArray bytes(256, '\0');
    for (int b = 0; b < 256; ++b)
        bytes[b] = char(b);
    return bytes;
}

bool IsUndefined(int b)
{
    return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

} // namespace

TEST(Cp1252Mapping, EveryByteSurvivesTheTripThroughUnicode)
{
    const QByteArray bytes = AllBytes();
    const QString text = cp1252::ToQString(bytes);
    ASSERT_EQ(text.size(), 256);

    EXPECT_EQ(cp1252::FromQString(text), bytes);
    QByteArray out;
    EXPECT_TRUE(cp1252::TryFromQString(text, out));
    EXPECT_EQ(out, bytes);

    QSet<char16_t> seen;
    for (int b = 0; b < 256; ++b) {
        const char16_t u = cp1252::ToUnicode(static_cast<unsigned char>(b));
        EXPECT_EQ(text.at(b).unicode(), u) << "byte " << b;
        EXPECT_EQ(cp1252::FromUnicode(u), b) << "byte " << b;
        seen.insert(u);
    }
    EXPECT_EQ(seen.size(), 256) << "two bytes share a character";
}

TEST(Cp1252Mapping, OnlyTheHighControlRowDiffersFromLatin1)
{
    for (int b = 0; b < 256; ++b) {
        const char16_t u = cp1252::ToUnicode(static_cast<unsigned char>(b));
        if (b < 0x80 || b >= 0xA0 || IsUndefined(b))
            EXPECT_EQ(u, char16_t(b)) << "byte " << b;
        else
            EXPECT_GT(u, 0xFF) << "byte " << b << " left as a control code";
    }
}

TEST(Cp1252Mapping, TypographicCharactersOfTheHighRow)
{
    struct Case
    {
        unsigned char byte;
        char16_t unicode;
    };
    const Case cases[] = {{0x80, u'€'}, {0x83, u'ƒ'}, {0x84, u'„'}, {0x8C, u'Œ'},
                          {0x94, u'”'}, {0x97, u'—'}, {0x99, u'™'}, {0x9F, u'Ÿ'}};
    for (const Case &c : cases) {
        EXPECT_EQ(cp1252::ToUnicode(c.byte), c.unicode) << "byte " << int(c.byte);
        EXPECT_EQ(cp1252::FromUnicode(c.unicode), c.byte) << "byte " << int(c.byte);
    }
    EXPECT_EQ(cp1252::FromQString(QStringLiteral(u"„Preis: 5 €”")), QByteArray("\x84Preis: 5 \x80\x94"));
    EXPECT_EQ(cp1252::ToQString(QByteArray("\x9F\xFF")), QStringLiteral(u"Ÿÿ"));
}

TEST(Cp1252Mapping, UndefinedBytesKeepTheirControlCodes)
{
    for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        EXPECT_EQ(cp1252::ToUnicode(static_cast<unsigned char>(b)), char16_t(b));
        EXPECT_EQ(cp1252::FromUnicode(char32_t(b)), b);
    }
    // The other C1 codes are not those bytes: 0x80 is €, not U+0080.
    for (char32_t c : {0x80u, 0x84u, 0x9Fu})
        EXPECT_EQ(cp1252::FromUnicode(c), -1) << "U+" << std::hex << unsigned(c);
    QByteArray out;
    EXPECT_FALSE(cp1252::TryFromQString(QString(QChar(0x80)), out));
}

TEST(Cp1252Unrepresentable, BecomesReplacementAndFailsStrictConversion)
{
    EXPECT_EQ(cp1252::FromUnicode(0x4E2D), -1); // 中
    EXPECT_EQ(cp1252::FromUnicode(0x0100), -1); // Ā gets no best-fit A
    EXPECT_EQ(cp1252::FromUnicode(0x1F600), -1);
    // Beyond the BMP, dropping the high bits would land on €.
    EXPECT_EQ(cp1252::FromUnicode(0x120AC), -1);

    const QString chinese = QStringLiteral(u"a中文b");
    EXPECT_EQ(cp1252::FromQString(chinese), QByteArray("a??b"));
    EXPECT_EQ(cp1252::FromQString(chinese, '#'), QByteArray("a##b"));

    QByteArray out("untouched");
    EXPECT_FALSE(cp1252::TryFromQString(chinese, out));
    EXPECT_EQ(out, QByteArray("untouched"));
}

TEST(Cp1252Unrepresentable, SurrogatePairIsOneCharacter)
{
    const QString emoji = QStringLiteral(u"x\U0001F600y");
    ASSERT_EQ(emoji.size(), 4);
    EXPECT_EQ(cp1252::FromQString(emoji), QByteArray("x?y"));
    QByteArray out;
    EXPECT_FALSE(cp1252::TryFromQString(emoji, out));

    // Two pairs in a row, and a pair at the very end.
    EXPECT_EQ(cp1252::FromQString(QStringLiteral(u"\U0001F600\U0001F601")), QByteArray("??"));
    EXPECT_EQ(cp1252::FromQString(QStringLiteral(u"z\U0001F600")), QByteArray("z?"));

    // Halves that do not make a pair are each a character of their own.
    QString broken;
    broken.append(QChar(0xD83D)).append(QLatin1Char('a')).append(QChar(0xDE00));
    EXPECT_EQ(cp1252::FromQString(broken), QByteArray("?a?"));
    QString trailingHigh = QStringLiteral(u"b");
    trailingHigh.append(QChar(0xD83D));
    EXPECT_EQ(cp1252::FromQString(trailingHigh), QByteArray("b?"));
}

TEST(Cp1252Unrepresentable, EmptyTextConverts)
{
    QByteArray out("old");
    EXPECT_TRUE(cp1252::TryFromQString(QString(), out));
    EXPECT_TRUE(out.isEmpty());
    EXPECT_TRUE(cp1252::FromQString(QString()).isEmpty());
}

TEST(Cp1252Upper, LettersOfBothHalves)
{
    for (int b = 'a'; b <= 'z'; ++b)
        EXPECT_EQ(cp1252::ToUpper(static_cast<unsigned char>(b)), b - 0x20);
    for (int b = 0xE0; b <= 0xFE; ++b) {
        if (b == 0xF7)
            continue;
        EXPECT_EQ(cp1252::ToUpper(static_cast<unsigned char>(b)), b - 0x20) << "byte " << b;
    }
    EXPECT_EQ(cp1252::ToUpper(0xE4), 0xC4); // ä
    EXPECT_EQ(cp1252::ToUpper(0x9A), 0x8A); // š
    EXPECT_EQ(cp1252::ToUpper(0x9C), 0x8C); // œ
    EXPECT_EQ(cp1252::ToUpper(0x9E), 0x8E); // ž
    EXPECT_EQ(cp1252::ToUpper(0xFF), 0x9F); // ÿ
}

TEST(Cp1252Upper, CharactersWithoutACapitalStay)
{
    const int stay[] = {0xDF /* ß */, 0xB5 /* µ */, 0xF7 /* ÷ */, 0xD7 /* × */,
                        0x83 /* ƒ */, 0xAA /* ª */, 0xBA /* º */, 0x80,
                        0x81,         0x9D,         '0',          '_',
                        '@',          '[',          '{',          0};
    for (int b : stay)
        EXPECT_EQ(cp1252::ToUpper(static_cast<unsigned char>(b)), b) << "byte " << b;
}

TEST(Cp1252Upper, TableAgreesWithUnicodeCaseWhereTheCodePageHasTheCapital)
{
    const unsigned char *table = cp1252::UpperTable();
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        EXPECT_EQ(table[b], cp1252::ToUpper(byte));
        const int capital = cp1252::FromUnicode(QChar::toUpper(char32_t(cp1252::ToUnicode(byte))));
        EXPECT_EQ(int(table[b]), capital >= 0 ? capital : b) << "byte " << b;
        EXPECT_EQ(table[table[b]], table[b]) << "upper-casing twice changed byte " << b;
    }
}

TEST(Cp1252WordCharacters, AreTheLettersDigitsAndUnderscore)
{
    const QByteArray word = cp1252::WordCharacters();
    QSet<int> set;
    for (char c : word)
        set.insert(static_cast<unsigned char>(c));
    EXPECT_EQ(set.size(), word.size()) << "duplicates";

    for (int b = 0; b < 0x80; ++b) {
        const bool word = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '_';
        EXPECT_EQ(set.contains(b), word) << "byte " << b;
    }
    for (int b : {0x83, 0x8A, 0x9F, 0xAA, 0xB5, 0xBA, 0xC0, 0xDF, 0xFF})
        EXPECT_TRUE(set.contains(b)) << "byte " << b;
    for (int b : {0x80, 0x88, 0xA0, 0xB2, 0xD7, 0xF7})
        EXPECT_FALSE(set.contains(b)) << "byte " << b;

    // Beyond ASCII the set is what Unicode calls a letter (so ², ³ and ¹,
    // numbers, stay out), bar the circumflex accent ˆ that Unicode files
    // as a modifier letter.
    for (int b = 0x80; b < 256; ++b) {
        const QChar ch(cp1252::ToUnicode(static_cast<unsigned char>(b)));
        const bool letter = ch.isLetter() && ch.category() != QChar::Letter_Modifier;
        EXPECT_EQ(set.contains(b), letter) << "byte " << b;
    }
}
