// Round trips between QVariant and mpv_node, and the error wrapper used by commandWithResult.
#include "mpvnode.h"

#include <QtTest>

#include <cstring>

class TestMpvNode : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void scalarFormats_data();
    void scalarFormats();
    void arrayKeepsOrderAndNesting();
    void mapKeysSortedAndCopied();
    void unsupportedTypesBecomeNone();
    void nodeRepeatedKeyKeepsLast();
    void nodeUnknownFormatIsInvalid();
    void errorReturnTravelsInVariant();
};

void TestMpvNode::roundTrip_data()
{
    QTest::addColumn<QVariant>("input");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("text") << QVariant(QStringLiteral("loadfile")) << QVariant(QStringLiteral("loadfile"));
    QTest::newRow("utf8 text") << QVariant(QStringLiteral("録画 Fahrt ß")) << QVariant(QStringLiteral("録画 Fahrt ß"));
    QTest::newRow("empty text") << QVariant(QString()) << QVariant(QString(""));
    QTest::newRow("true") << QVariant(true) << QVariant(true);
    QTest::newRow("false") << QVariant(false) << QVariant(false);
    QTest::newRow("int") << QVariant(-42) << QVariant(qlonglong(-42));
    QTest::newRow("uint") << QVariant(4000000000u) << QVariant(qlonglong(4000000000LL));
    QTest::newRow("longlong") << QVariant(qlonglong(1) << 40) << QVariant(qlonglong(1) << 40);
    QTest::newRow("double") << QVariant(2.8) << QVariant(2.8);
    QTest::newRow("string list") << QVariant(QStringList{"seek", "5", "absolute"})
                                 << QVariant(QVariantList{"seek", "5", "absolute"});
    QTest::newRow("command list")
        << QVariant(QVariantList{"seek", 12, "absolute"})
        << QVariant(QVariantList{"seek", qlonglong(12), "absolute"});
    QTest::newRow("nested map")
        << QVariant(QVariantMap{{"b", QVariantList{1.5, true}}, {"a", QVariantMap{{"x", "y"}}}})
        << QVariant(QVariantMap{{"b", QVariantList{1.5, true}}, {"a", QVariantMap{{"x", "y"}}}});
    QTest::newRow("empty list") << QVariant(QVariantList{}) << QVariant(QVariantList{});
}

void TestMpvNode::roundTrip()
{
    QFETCH(QVariant, input);
    QFETCH(QVariant, expected);
    mpv::qt::NodeBuilder builder(input);
    const QVariant back = mpv::qt::nodeToVariant(builder.node());
    QCOMPARE(back, expected);
    QCOMPARE(back.userType(), expected.userType());
}

void TestMpvNode::scalarFormats_data()
{
    QTest::addColumn<QVariant>("input");
    QTest::addColumn<int>("format");
    QTest::newRow("string") << QVariant(QStringLiteral("x")) << int(MPV_FORMAT_STRING);
    QTest::newRow("bool") << QVariant(true) << int(MPV_FORMAT_FLAG);
    QTest::newRow("int") << QVariant(2) << int(MPV_FORMAT_INT64);
    QTest::newRow("ulonglong") << QVariant(qulonglong(7)) << int(MPV_FORMAT_INT64);
    QTest::newRow("double") << QVariant(0.5) << int(MPV_FORMAT_DOUBLE);
    QTest::newRow("list") << QVariant(QVariantList{1}) << int(MPV_FORMAT_NODE_ARRAY);
    QTest::newRow("map") << QVariant(QVariantMap{{"k", 1}}) << int(MPV_FORMAT_NODE_MAP);
}

void TestMpvNode::scalarFormats()
{
    QFETCH(QVariant, input);
    QFETCH(int, format);
    mpv::qt::NodeBuilder builder(input);
    QCOMPARE(int(builder.node()->format), format);
}

void TestMpvNode::arrayKeepsOrderAndNesting()
{
    mpv::qt::NodeBuilder builder(QVariantList{"a", QVariantList{1, 2}, 3.25});
    const mpv_node *n = builder.node();
    QCOMPARE(int(n->format), int(MPV_FORMAT_NODE_ARRAY));
    QCOMPARE(n->u.list->num, 3);
    QCOMPARE(QByteArray(n->u.list->values[0].u.string), QByteArray("a"));
    const mpv_node &inner = n->u.list->values[1];
    QCOMPARE(int(inner.format), int(MPV_FORMAT_NODE_ARRAY));
    QCOMPARE(inner.u.list->num, 2);
    QCOMPARE(inner.u.list->values[1].u.int64, int64_t(2));
    QCOMPARE(n->u.list->values[2].u.double_, 3.25);
}

void TestMpvNode::mapKeysSortedAndCopied()
{
    mpv::qt::NodeBuilder builder(QVariantMap{{"zeta", 1}, {"alpha", 2}, {"mid", 3}});
    const mpv_node *n = builder.node();
    QCOMPARE(int(n->format), int(MPV_FORMAT_NODE_MAP));
    QCOMPARE(n->u.list->num, 3);
    QCOMPARE(QByteArray(n->u.list->keys[0]), QByteArray("alpha"));
    QCOMPARE(QByteArray(n->u.list->keys[1]), QByteArray("mid"));
    QCOMPARE(QByteArray(n->u.list->keys[2]), QByteArray("zeta"));
    QCOMPARE(n->u.list->values[0].u.int64, int64_t(2));
}

void TestMpvNode::unsupportedTypesBecomeNone()
{
    mpv::qt::NodeBuilder invalid{QVariant()};
    QCOMPARE(int(invalid.node()->format), int(MPV_FORMAT_NONE));
    mpv::qt::NodeBuilder point{QVariant(QPoint(1, 2))};
    QCOMPARE(int(point.node()->format), int(MPV_FORMAT_NONE));
    // Inside a list, an unsupported element becomes a none node and the rest survive.
    mpv::qt::NodeBuilder list(QVariantList{QVariant(QPoint(1, 2)), 5});
    QCOMPARE(list.node()->u.list->num, 2);
    QCOMPARE(int(list.node()->u.list->values[0].format), int(MPV_FORMAT_NONE));
    QCOMPARE(mpv::qt::nodeToVariant(list.node()),
             QVariant(QVariantList{QVariant(), qlonglong(5)}));
}

void TestMpvNode::nodeRepeatedKeyKeepsLast()
{
    char k1[] = "volume", k2[] = "volume";
    char *keys[] = {k1, k2};
    mpv_node values[2] = {};
    values[0].format = MPV_FORMAT_INT64;
    values[0].u.int64 = 10;
    values[1].format = MPV_FORMAT_INT64;
    values[1].u.int64 = 60;
    mpv_node_list list{2, values, keys};
    mpv_node map{};
    map.format = MPV_FORMAT_NODE_MAP;
    map.u.list = &list;
    const QVariantMap result = mpv::qt::nodeToVariant(&map).toMap();
    QCOMPARE(result.size(), 1);
    QCOMPARE(result.value("volume"), QVariant(qlonglong(60)));
}

void TestMpvNode::nodeUnknownFormatIsInvalid()
{
    mpv_node n{};
    n.format = MPV_FORMAT_NONE;
    QVERIFY(!mpv::qt::nodeToVariant(&n).isValid());
    n.format = MPV_FORMAT_BYTE_ARRAY;
    QVERIFY(!mpv::qt::nodeToVariant(&n).isValid());
    QVERIFY(!mpv::qt::nodeToVariant(nullptr).isValid());
}

void TestMpvNode::errorReturnTravelsInVariant()
{
    mpv::qt::registerMetaTypes();
    QCOMPARE(QMetaType::type("mpv::qt::ErrorReturn"), qMetaTypeId<mpv::qt::ErrorReturn>());
    const QVariant v = QVariant::fromValue(mpv::qt::ErrorReturn(MPV_ERROR_COMMAND));
    QVERIFY(mpv::qt::isError(v));
    QCOMPARE(mpv::qt::errorCode(v), int(MPV_ERROR_COMMAND));
    QCOMPARE(QByteArray(v.typeName()), QByteArray("mpv::qt::ErrorReturn"));
    QVERIFY(!mpv::qt::isError(QVariant(-3)));
    QCOMPARE(mpv::qt::errorCode(QVariant(QStringLiteral("ok"))), 0);
}

QTEST_GUILESS_MAIN(TestMpvNode)
#include "test_mpvnode.moc"
