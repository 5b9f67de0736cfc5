#include "platform/DisplayFont.h"

#include <Qsci/qsciscintilla.h>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QImage>
#include <QPainterPath>
#include <QRawFont>
#include <QSet>
#include <QTextLayout>
#include <gtest/gtest.h>

namespace {

const QString kOurFamily = QStringLiteral("Quillon 1252");

struct TShaped
{
    QString family;
    quint32 glyph = 0;
};

// The font and glyph Qt picks for the character at `index` of `text`.
TShaped Shape(const QFont &font, const QString &text, int index)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns(index, 1);
    if (runs.size() != 1 || runs.front().glyphIndexes().size() != 1)
        return {};
    return {runs.front().rawFont().familyName(), runs.front().glyphIndexes().front()};
}

bool SameFamily(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QRawFont OurRawFont()
{
    QFont font(kOurFamily, 10);
    font.setStyleStrategy(QFont::NoFontMerging);
    return QRawFont::fromFont(font);
}

} // namespace

TEST(DisplayFontInstall, RegistersTheBundledFontOnce)
{
    ASSERT_TRUE(QFile::exists(QStringLiteral(":/fonts/Quillon1252.ttf")));
    displayfont::Install();
    displayfont::Install();
    EXPECT_EQ(QFontDatabase::families().count(kOurFamily), 1);
}

TEST(DisplayFontInstall, FontHoldsTheCodePageGlyphsAtTheControlCodes)
{
    displayfont::Install();
    const QRawFont raw = OurRawFont();
    ASSERT_TRUE(raw.isValid());
    ASSERT_TRUE(SameFamily(raw.familyName(), kOurFamily)) << raw.familyName().toStdString();

    QList<quint32> glyphs;
    for (char16_t c = 0x80; c < 0xA0; ++c) {
        EXPECT_TRUE(raw.supportsCharacter(QChar(c))) << "U+" << std::hex << unsigned(c);
        const QList<quint32> one = raw.glyphIndexesForString(QString(QChar(c)));
        ASSERT_EQ(one.size(), 1);
        EXPECT_NE(one.front(), 0u) << "U+" << std::hex << unsigned(c);
        EXPECT_FALSE(raw.pathForGlyph(one.front()).isEmpty()) << "U+" << std::hex << unsigned(c);
        glyphs << one.front();
    }
    // The five holes share one mark; the 27 real characters each look different.
    const quint32 mark = glyphs[0x81 - 0x80];
    for (int b : {0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(glyphs[b - 0x80], mark) << "byte " << b;
    QSet<quint32> distinct(glyphs.begin(), glyphs.end());
    EXPECT_EQ(distinct.size(), 28);

    // Nothing else: the real € and ordinary letters come from the text's own font.
    EXPECT_FALSE(raw.supportsCharacter(QChar(0x20AC)));
    EXPECT_FALSE(raw.supportsCharacter(QLatin1Char('a')));

    // „ sits on the baseline, € reaches up to capital height.
    const QRectF lowQuote = raw.pathForGlyph(glyphs[0x84 - 0x80]).boundingRect();
    const QRectF euro = raw.pathForGlyph(glyphs[0]).boundingRect();
    EXPECT_GT(lowQuote.bottom(), 0.0);
    EXPECT_LT(euro.top(), lowQuote.top() - euro.height() / 2);
}

class DisplayFontFallback : public ::testing::TestWithParam<const char *>
{
};

TEST_P(DisplayFontFallback, ControlCodesComeFromOurFontLettersFromTheirOwn)
{
    const QString name = QString::fromLatin1(GetParam());
    displayfont::Install();
    const QFont prepared = displayfont::Prepare(QFont(name, 10));
    EXPECT_EQ(prepared.family(), name);

    // A fresh font from the bare name, as the text control builds it.
    const QFont font(name, 10);
    const QString main = QFontInfo(font).family();
    ASSERT_FALSE(SameFamily(main, kOurFamily)) << "our font took over " << GetParam();
    const QString text = QString::fromUtf16(u"a\u0084b\u0080");

    const QRawFont ours = OurRawFont();
    for (int index : {1, 3}) {
        const TShaped shaped = Shape(font, text, index);
        EXPECT_TRUE(SameFamily(shaped.family, kOurFamily))
            << GetParam() << " index " << index << ": " << shaped.family.toStdString();
        EXPECT_NE(shaped.glyph, 0u);
        EXPECT_EQ(shaped.glyph, ours.glyphIndexesForString(text.mid(index, 1)).value(0));
    }
    for (int index : {0, 2}) {
        const TShaped shaped = Shape(font, text, index);
        EXPECT_TRUE(SameFamily(shaped.family, main))
            << GetParam() << " index " << index << ": " << shaped.family.toStdString();
        EXPECT_NE(shaped.glyph, 0u);
    }
}

TEST_P(DisplayFontFallback, BoldItalicFallsBackToo)
{
    const QString name = QString::fromLatin1(GetParam());
    displayfont::Prepare(QFont(name, 10));
    QFont font(name, 12);
    font.setBold(true);
    font.setItalic(true);
    const TShaped shaped = Shape(font, QString::fromUtf16(u"x\u0080"), 1);
    EXPECT_TRUE(SameFamily(shaped.family, kOurFamily)) << shaped.family.toStdString();
    EXPECT_NE(shaped.glyph, 0u);
}

INSTANTIATE_TEST_SUITE_P(Families, DisplayFontFallback,
                         ::testing::Values("Times New Roman", "Liberation Serif", "DejaVu Sans Mono"));

TEST(DisplayFontPrepare, TiesTheFallbackToTheFamilyNameOnce)
{
    const QFont font(QStringLiteral("Liberation Serif"), 10);
    displayfont::Prepare(font);
    displayfont::Prepare(font);
    const QStringList substitutes = QFont::substitutes(QStringLiteral("Liberation Serif"));
    EXPECT_EQ(substitutes.filter(kOurFamily, Qt::CaseInsensitive).size(), 1) << substitutes.join(u',').toStdString();
}

TEST(DisplayFontPrepare, LiftsARefusalToMerge)
{
    QFont font(QStringLiteral("Liberation Serif"), 10);
    font.setStyleStrategy(QFont::NoFontMerging);
    const QFont prepared = displayfont::Prepare(font);
    const TShaped shaped = Shape(prepared, QString::fromUtf16(u"\u0084"), 0);
    EXPECT_TRUE(SameFamily(shaped.family, kOurFamily)) << shaped.family.toStdString();
}

namespace {

// Rows and columns of dark pixels inside `cell`.
QRect Ink(const QImage &image, const QRect &cell)
{
    QRect ink;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                ink |= QRect(x, y, 1, 1);
    return ink;
}

} // namespace

TEST(DisplayFontInEditor, HighBytesAreDrawnWithTheirCodePageGlyphs)
{
    const QString family = QStringLiteral("Times New Roman");
    displayfont::Install();
    displayfont::Prepare(QFont(family, 10));

    QsciScintilla editor;
    editor.resize(400, 120);
    editor.SendScintilla(QsciScintillaBase::SCI_SETCODEPAGE, 0UL);
    for (unsigned long margin = 0; margin < 5; ++margin)
        editor.SendScintilla(QsciScintillaBase::SCI_SETMARGINWIDTHN, margin, 0L);
    const QByteArray name = family.toUtf8();
    editor.SendScintilla(QsciScintillaBase::SCI_STYLESETFONT,
                         static_cast<unsigned long>(QsciScintillaBase::STYLE_DEFAULT), name.constData());
    editor.SendScintilla(QsciScintillaBase::SCI_STYLESETSIZE,
                         static_cast<unsigned long>(QsciScintillaBase::STYLE_DEFAULT), 28L);
    editor.SendScintilla(QsciScintillaBase::SCI_STYLESETFORE,
                         static_cast<unsigned long>(QsciScintillaBase::STYLE_DEFAULT), 0x000000L);
    editor.SendScintilla(QsciScintillaBase::SCI_STYLESETBACK,
                         static_cast<unsigned long>(QsciScintillaBase::STYLE_DEFAULT), 0xFFFFFFL);
    editor.SendScintilla(QsciScintillaBase::SCI_STYLECLEARALL);
    editor.SendScintilla(QsciScintillaBase::SCI_SETCARETSTYLE, 0UL); // no caret in the picture
    const QByteArray bytes("\x84\x80");
    editor.SendScintilla(QsciScintillaBase::SCI_ADDTEXT, static_cast<unsigned long>(bytes.size()), bytes.constData());
    editor.show();

    const QImage image = editor.viewport()->grab().toImage();
    if (const QByteArray dir = qgetenv("QUILLON_GRAB_DIR"); !dir.isEmpty())
        image.save(QDir(QString::fromLocal8Bit(dir)).filePath(QStringLiteral("displayfont-editor.png")));

    auto x = [&](long pos) { return int(editor.SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, pos)); };
    const int top = int(editor.SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, 0L));
    const int height = int(editor.SendScintilla(QsciScintillaBase::SCI_TEXTHEIGHT, 0UL));
    ASSERT_GT(height, 20);

    // The cells have the widths of our glyphs, so the layout used them.
    QFont oursAtSize(kOurFamily);
    oursAtSize.setPointSize(28);
    const QFontMetricsF ours(oursAtSize);
    EXPECT_NEAR(x(1) - x(0), ours.horizontalAdvance(QChar(0x84)), 1.0);
    EXPECT_NEAR(x(2) - x(1), ours.horizontalAdvance(QChar(0x80)), 1.0);

    // The pixels have their shapes: „ is low marks on the baseline, € a tall
    // letter. A blank or a box for a missing glyph fails one or the other.
    const QRect quote = Ink(image, QRect(x(0), top, x(1) - x(0), height));
    const QRect euro = Ink(image, QRect(x(1), top, x(2) - x(1), height));
    ASSERT_FALSE(quote.isEmpty());
    ASSERT_FALSE(euro.isEmpty());
    EXPECT_GT(euro.height(), height / 2);
    EXPECT_LT(quote.height(), height / 4);
    EXPECT_GT(quote.top(), euro.top() + height / 4);
    EXPECT_GE(quote.bottom(), euro.bottom() - 2) << "„ should reach down to the baseline";
}
