#include "app/core/HandOver.h"

#include <gtest/gtest.h>

using handover::TDecode;
using handover::TMessage;

TEST(HandOverMessage, RoundTripsAndArrivesInPieces)
{
    // Bytes as the system gave them: not UTF-8, tabs, quotes, empty ones.
    const TMessage sent{"/home/\xfc/Texte", {"a b.txt", "\xe4nd.txt", "tab\tname.txt", "q\"uote.txt", "", "-I"}};
    const QByteArray bytes = handover::Encode(sent);
    TMessage got;
    for (qsizetype cut = 0; cut < bytes.size(); ++cut)
        EXPECT_EQ(handover::Decode(bytes.left(cut), got), TDecode::NeedMore) << cut;
    ASSERT_EQ(handover::Decode(bytes, got), TDecode::Complete);
    EXPECT_EQ(got.workingDir, sent.workingDir);
    EXPECT_EQ(got.arguments, sent.arguments);
    // No arguments at all is a message too.
    ASSERT_EQ(handover::Decode(handover::Encode({"/", {}}), got), TDecode::Complete);
    EXPECT_TRUE(got.arguments.isEmpty());
}

TEST(HandOverMessage, MalformedOrOversizedMessagesAreRefused)
{
    TMessage got;
    EXPECT_EQ(handover::Decode("GET / HTTP/1.0\r\n", got), TDecode::Invalid);
    QByteArray bytes = handover::Encode({"/", {"x"}});
    EXPECT_EQ(handover::Decode(bytes + "extra", got), TDecode::Invalid);
    // A length field that claims more than the limit is refused at once,
    // before the receiver waits for data that would never fit.
    QByteArray huge = bytes.left(8) + QByteArray("\x00\x00\x00\x01\x7f\xff\xff\xff", 8);
    EXPECT_EQ(handover::Decode(huge, got), TDecode::Invalid);
    // So is a count of fields that could never fit, and a message without fields.
    EXPECT_EQ(handover::Decode(bytes.left(8) + QByteArray("\x00\x10\x00\x00", 4), got), TDecode::Invalid);
    EXPECT_EQ(handover::Decode(bytes.left(8) + QByteArray("\x00\x00\x00\x00", 4), got), TDecode::Invalid);
    // 1,000 names fit easily.
    QList<QByteArray> names;
    for (int i = 0; i < 1000; ++i)
        names << QByteArray("/home/user/Dokumente/Datei") + QByteArray::number(i) + ".txt";
    ASSERT_EQ(handover::Decode(handover::Encode({"/", names}), got), TDecode::Complete);
    EXPECT_EQ(got.arguments, names);
}

TEST(HandOverMessage, TheActivationTokenTravelsWithoutChangingTheMessageOfEarlierVersions)
{
    // Without a token: byte for byte what earlier windows understand.
    const QByteArray plain = handover::Encode({"/a", {"x.txt"}});
    EXPECT_EQ(plain, QByteArray("QUILLON2\0\0\0\x02\0\0\0\x02/a\0\0\0\x05x.txt", 27));

    const TMessage sent{"/a", {"x.txt", "-I"}, "host-12-_TIME345"};
    const QByteArray bytes = handover::Encode(sent);
    TMessage got;
    for (qsizetype cut = 0; cut < bytes.size(); ++cut)
        EXPECT_EQ(handover::Decode(bytes.left(cut), got), TDecode::NeedMore) << cut;
    ASSERT_EQ(handover::Decode(bytes, got), TDecode::Complete);
    EXPECT_EQ(got.workingDir, sent.workingDir);
    EXPECT_EQ(got.arguments, sent.arguments);
    EXPECT_EQ(got.activationToken, sent.activationToken);
    ASSERT_EQ(handover::Decode(plain, got), TDecode::Complete);
    EXPECT_TRUE(got.activationToken.isEmpty());
    // The token's framing needs its field: a count of one is malformed.
    EXPECT_EQ(handover::Decode(QByteArray("QUILLON3\0\0\0\x01\0\0\0\x01/", 17), got), TDecode::Invalid);

    EXPECT_TRUE(handover::IsUsableToken("0a1b2c_TIME99"));
    for (const QByteArray &bad : {QByteArray(), QByteArray("a b"), QByteArray("a\nb"), QByteArray("a\0b", 3),
                                  QByteArray("\xe4"), QByteArray(2000, 'x')})
        EXPECT_FALSE(handover::IsUsableToken(bad)) << bad.toStdString();
}
