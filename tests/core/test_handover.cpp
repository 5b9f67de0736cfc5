#include "app/core/HandOver.h"

#include <gtest/gtest.h>

using handover::TDecode;
using handover::TMessage;

TEST(HandOverMessage, RoundTripsAndArrivesInPieces)
{
    const TMessage sent{QStringLiteral("/home/ü/Texte"), QStringLiteral("/usr/bin/quillon \"a b.txt\" c.txt")};
    const QByteArray bytes = handover::Encode(sent);
    TMessage got;
    for (qsizetype cut = 0; cut < bytes.size(); ++cut)
        EXPECT_EQ(handover::Decode(bytes.left(cut), got), TDecode::NeedMore) << cut;
    ASSERT_EQ(handover::Decode(bytes, got), TDecode::Complete);
    EXPECT_EQ(got.workingDir, sent.workingDir);
    EXPECT_EQ(got.commandLine, sent.commandLine);
}

TEST(HandOverMessage, MalformedOrOversizedMessagesAreRefused)
{
    TMessage got;
    EXPECT_EQ(handover::Decode("GET / HTTP/1.0\r\n", got), TDecode::Invalid);
    QByteArray bytes = handover::Encode({QStringLiteral("/"), QStringLiteral("x")});
    EXPECT_EQ(handover::Decode(bytes + "extra", got), TDecode::Invalid);
    // A length field that claims more than the limit is refused at once,
    // before the receiver waits for data that would never fit.
    QByteArray huge = bytes.left(8) + QByteArray("\x00\x00\x00\x01\x7f\xff\xff\xff", 8);
    EXPECT_EQ(handover::Decode(huge, got), TDecode::Invalid);
    // 1,000 names fit easily.
    QString line = QStringLiteral("/usr/bin/quillon");
    for (int i = 0; i < 1000; ++i)
        line += QStringLiteral(" /home/user/Dokumente/Datei%1.txt").arg(i);
    ASSERT_EQ(handover::Decode(handover::Encode({QStringLiteral("/"), line}), got), TDecode::Complete);
    EXPECT_EQ(got.commandLine, line);
}
