#include "about/core/AboutText.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <cmath>

namespace abouttext {

QString FreeMemoryText(quint64 availPhysBytes, quint64 availPageFileBytes)
{
    const double mebibytes =
        static_cast<double>(availPhysBytes) / 1048576.0 + static_cast<double>(availPageFileBytes) / 1048576.0;
    // QString::number never uses the locale: the separator is always a point.
    return QString::number(mebibytes, 'f', 2) + QStringLiteral(" Mb");
}

namespace {

constexpr int kPrecision = 5;
constexpr int kDecimals = 2;

// Digits before the point of |value|; 0 below 1.
int IntegerDigits(double value)
{
    const double magnitude = std::floor(std::fabs(value));
    if (magnitude < 1.0)
        return 0;
    return QString::number(magnitude, 'f', 0).size();
}

QString Scientific(double mhz, QChar decimalPoint)
{
    // Mantissa with at most 5 significant digits, trailing zeros dropped,
    // exponent without leading zeros: "1,2346E+5".
    QString text = QString::number(mhz, 'e', kPrecision - 1);
    const int e = text.indexOf(QLatin1Char('e'));
    QString mantissa = text.left(e);
    int exponent = text.mid(e + 1).toInt();
    if (mantissa.contains(QLatin1Char('.'))) {
        while (mantissa.endsWith(QLatin1Char('0')))
            mantissa.chop(1);
        if (mantissa.endsWith(QLatin1Char('.')))
            mantissa.chop(1);
    }
    mantissa.replace(QLatin1Char('.'), decimalPoint);
    return mantissa + QStringLiteral("E") + (exponent < 0 ? QStringLiteral("-") : QStringLiteral("+"))
           + QString::number(std::abs(exponent));
}

} // namespace

QString MhzText(double mhz, QChar decimalPoint)
{
    if (std::isnan(mhz) || mhz < 0)
        return QString();
    if (std::isinf(mhz) || IntegerDigits(mhz) > kPrecision)
        return Scientific(mhz, decimalPoint);
    // One rounding, at whichever comes first: the fifth significant digit or
    // the second decimal; then padded to two decimals.
    const int kept = qMin(kDecimals, kPrecision - IntegerDigits(mhz));
    QString text = QString::number(mhz, 'f', kept);
    if (IntegerDigits(text.toDouble()) > kPrecision) // 99999.996 rounds to 100000
        return Scientific(mhz, decimalPoint);
    if (kept == 0)
        text += QLatin1Char('.');
    text += QString(kDecimals - kept, QLatin1Char('0'));
    text.replace(QLatin1Char('.'), decimalPoint);
    return text;
}

QString ProductNameFromTitle(const QString &title)
{
    // The product's own title has no " : "; a file name in front may.
    const int separator = title.lastIndexOf(QLatin1String(" : "));
    return (separator < 0 ? title : title.mid(separator + 3)).trimmed();
}

QString LinkHint(const QString &text)
{
    if (text.left(7).toLower() == QLatin1String("http://"))
        return text;
    return QStringLiteral("http://") + text;
}

QString HomepageAddress(const QString &host)
{
    return QStringLiteral("http://") + host + QLatin1Char('/');
}

QString MailTarget(const QString &address, const QString &title, const QString &version)
{
    const QString subject = title + QStringLiteral(": Version ") + version;
    return QStringLiteral("mailto:") + address + QStringLiteral("?subject=")
           + QString::fromLatin1(QUrl::toPercentEncoding(subject));
}

QString FolderOf(const QString &path)
{
    return QFileInfo(path).path();
}

QUrl ShellUrl(const QString &target)
{
    // Two letters at least: "C:" is a drive, not a scheme.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    if (scheme.match(target).hasMatch())
        return QUrl(target, QUrl::TolerantMode);
    return QUrl::fromLocalFile(target);
}

} // namespace abouttext
