#include "deltaroundtrip.h"

#include "document/deltadocument.h"

#include <QTest>

// Random valid Delta documents must survive load and write: the first write
// gives the expected normal form, and loading that again changes nothing.
class TestDeltaRoundTrip : public QObject
{
    Q_OBJECT

private slots:
    void randomDocuments()
    {
        // DELTA_ROUNDTRIP_SEEDS runs more seeds when hunting for a rare case.
        const quint32 Seeds = qEnvironmentVariableIsSet("DELTA_ROUNDTRIP_SEEDS")
                                  ? quint32(qEnvironmentVariableIntValue("DELTA_ROUNDTRIP_SEEDS"))
                                  : 400;
        DeltaDocument document;
        for (quint32 seed = 1; seed <= Seeds; ++seed) {
            DeltaDocumentGenerator generator(seed);
            const DeltaRoundTripCase sample = generator.generate();
            const QString input = DeltaDocumentGenerator::compact(sample.input);
            const QString expected = DeltaDocumentGenerator::compact(sample.expected);

            document.loadJson(input);
            const QString first = document.toJson();
            document.loadJson(first);
            const QString second = document.toJson();

            const QJsonArray written = QJsonDocument::fromJson(first.toUtf8()).array();
            const DeltaContent before = DeltaContent::of(sample.input);
            const DeltaContent after = DeltaContent::of(written);
            const bool ok = first == expected && second == first && before.tokens == after.tokens
                            && after.unknown.contains(before.unknown);
            if (!ok) {
                qWarning().noquote()
                    << "failing seed" << seed << "\ninput:   " << input << "\nexpected:" << expected
                    << "\nfirst:   " << first << "\nsecond:  " << second;
            }
            QVERIFY2(first == expected,
                     qPrintable(QStringLiteral("seed %1: first write").arg(seed)));
            QVERIFY2(second == first,
                     qPrintable(QStringLiteral("seed %1: no fixed point").arg(seed)));
            QVERIFY2(before.tokens == after.tokens,
                     qPrintable(QStringLiteral("seed %1: content lost").arg(seed)));
            QVERIFY2(after.unknown.contains(before.unknown),
                     qPrintable(QStringLiteral("seed %1: unknown attribute lost").arg(seed)));
        }
    }

    // The checker itself must see a loss.
    void contentCheckerSeesLoss()
    {
        const QJsonArray original{QJsonObject{{"insert", "ab"},
                                              {"attributes", QJsonObject{{"color", "red"}}}},
                                  QJsonObject{
                                      {"insert", QJsonObject{{"velmora-notes-attachment", "x"}}}},
                                  QJsonObject{{"insert", "\n"}}};
        const QJsonArray lostText{QJsonObject{{"insert", "a"},
                                              {"attributes", QJsonObject{{"color", "red"}}}},
                                  QJsonObject{
                                      {"insert", QJsonObject{{"velmora-notes-attachment", "x"}}}},
                                  QJsonObject{{"insert", "\n"}}};
        const QJsonArray lostAttribute{QJsonObject{{"insert", "ab"}},
                                       QJsonObject{{"insert",
                                                    QJsonObject{{"velmora-notes-attachment",
                                                                 "velmora-notes://attachment/x"}}}},
                                       QJsonObject{{"insert", "\n"}}};
        QVERIFY(DeltaContent::of(original).tokens != DeltaContent::of(lostText).tokens);
        QCOMPARE(DeltaContent::of(original).tokens, DeltaContent::of(lostAttribute).tokens);
        QVERIFY(
            !DeltaContent::of(lostAttribute).unknown.contains(DeltaContent::of(original).unknown));
    }
};

QTEST_MAIN(TestDeltaRoundTrip)
#include "tst_deltaroundtrip.moc"
