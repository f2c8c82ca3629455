#include "document/appearance.h"
#include "document/attachmentrenderer.h"
#include "document/chippainting.h"
#include "document/embedobjectpainter.h"
#include "document/richtextformats.h"
#include "storage/attachmentrepository.h"
#include "storage/database.h"
#include "storage/note.h"
#include "storage/noterepository.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

class TestAttachmentRenderer : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    Database *m_database = nullptr;
    AttachmentRepository *m_attachments = nullptr;
    QString m_noteId;

    static QByteArray png(int width, int height, QColor colour)
    {
        QImage image(width, height, QImage::Format_ARGB32);
        image.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    }

    void addAttachment(const QString &id,
                       const QString &fileName,
                       const QString &mimeType,
                       const QByteArray &bytes)
    {
        Attachment attachment;
        attachment.id = id;
        attachment.noteId = m_noteId;
        attachment.filename = fileName;
        attachment.mimeType = mimeType;
        attachment.sizeBytes = bytes.size();
        attachment.createdAt = QDateTime::currentDateTimeUtc();
        QVERIFY(m_attachments->insert(attachment));
        QVERIFY(m_attachments->saveFile(id, bytes));
    }

    static QTextFormat objectFormat(const QString &kind, const QString &value)
    {
        return embedCharFormat(kind, value);
    }

    // What the renderer draws for the attachment `id` in `rect` on a canvas
    // of `canvasSize` filled with `background`.
    QImage drawn(const QString &id, const QRectF &rect, const QSize &canvasSize, QColor background)
    {
        AttachmentRenderer renderer(m_attachments);
        QTextDocument document;
        QImage canvas(canvasSize, QImage::Format_ARGB32);
        canvas.fill(background);
        QPainter painter(&canvas);
        renderer.drawObject(&painter, rect, &document, 0, objectFormat(attachmentEmbedKind(), id));
        painter.end();
        return canvas;
    }

    static void setWindowColour(const QColor &colour)
    {
        QPalette palette = QGuiApplication::palette();
        palette.setColor(QPalette::Window, colour);
        QGuiApplication::setPalette(palette);
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        qputenv("NOTES_DATA_DIR", m_dir.path().toUtf8());
        m_database = new Database(this);
        QVERIFY(m_database->open(m_dir.filePath(QStringLiteral("store.db"))));
        QVERIFY(m_database->migrate());
        NoteRepository notes(m_database);
        const Note note = Note::create();
        QVERIFY(notes.insert(note));
        m_noteId = note.id;
        m_attachments = new AttachmentRepository(m_database,
                                                 m_dir.filePath(QStringLiteral("attachments")),
                                                 this);
        addAttachment(QStringLiteral("wide"), "wide.png", "image/png", png(1200, 800, Qt::red));
        addAttachment(QStringLiteral("small"), "small.png", "image/png", png(400, 300, Qt::blue));
        addAttachment(QStringLiteral("broken"), "broken.png", "image/png", "not an image");
        addAttachment(QStringLiteral("pdf"), "report.pdf", "application/pdf", "%PDF-1.4");
        addAttachment(QStringLiteral("long"),
                      QString(80, QLatin1Char('n')) + QStringLiteral(".txt"),
                      "text/plain",
                      "x");
    }

    void init() { setWindowColour(QColor(0xF5F5F5)); }

    void sizes_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QSizeF>("size");

        const QString attachment = attachmentEmbedKind();
        QTest::newRow("wide image scaled to 560")
            << attachment << "velmora-notes://attachment/wide" << QSizeF(560, 373 + 4);
        QTest::newRow("small image as it is")
            << attachment << "velmora-notes://attachment/small" << QSizeF(400, 304);
        QTest::newRow("bare id") << attachment << "small" << QSizeF(400, 304);
        QTest::newRow("image embed of an attachment")
            << imageEmbedKind() << "velmora-notes://attachment/small" << QSizeF(400, 304);
        QTest::newRow("missing record")
            << attachment << "velmora-notes://attachment/gone" << QSizeF(200, 36);
        QTest::newRow("undecodable image") << attachment << "velmora-notes://attachment/broken"
                                           << chipSize(QStringLiteral("broken.png"), 200);
        QTest::newRow("file") << attachment << "velmora-notes://attachment/pdf"
                              << chipSize(QStringLiteral("report.pdf"), 200);
    }

    void sizes()
    {
        QFETCH(QString, kind);
        QFETCH(QString, value);
        AttachmentRenderer renderer(m_attachments);
        QTextDocument document;
        QTEST(renderer.intrinsicSize(&document, 0, objectFormat(kind, value)), "size");
    }

    void chipMetrics()
    {
        AttachmentRenderer renderer(m_attachments);
        QTextDocument document;
        const QString longName = QString(80, QLatin1Char('n')) + QStringLiteral(".txt");
        const QSizeF wide = renderer.intrinsicSize(&document,
                                                   0,
                                                   objectFormat(attachmentEmbedKind(),
                                                                QStringLiteral("long")));
        QVERIFY(wide.width() > 200);
        QCOMPARE(wide.width(),
                 QFontMetricsF(QGuiApplication::font()).horizontalAdvance(longName) + 48);
        QCOMPARE(wide.height(), 36.0);
    }

    void cacheUntilCleared()
    {
        addAttachment(QStringLiteral("temporary"), "t.png", "image/png", png(10, 10, Qt::green));
        AttachmentRenderer renderer(m_attachments);
        QTextDocument document;
        const QTextFormat format = objectFormat(attachmentEmbedKind(), QStringLiteral("temporary"));
        QCOMPARE(renderer.intrinsicSize(&document, 0, format), QSizeF(10, 14));
        QVERIFY(m_attachments->deleteById(QStringLiteral("temporary")));
        QCOMPARE(renderer.intrinsicSize(&document, 0, format), QSizeF(10, 14));
        renderer.clearCache();
        QCOMPARE(renderer.intrinsicSize(&document, 0, format), QSizeF(200, 36));
    }

    void withoutRepository()
    {
        AttachmentRenderer renderer(nullptr);
        QTextDocument document;
        QCOMPARE(renderer.intrinsicSize(&document,
                                        0,
                                        objectFormat(attachmentEmbedKind(), QStringLiteral("wide"))),
                 QSizeF(200, 36));
    }

    void drawsImageAtItsSize()
    {
        const QImage canvas = drawn("small", QRectF(10, 10, 400, 304), QSize(600, 400), Qt::white);
        QCOMPARE(canvas.pixelColor(12, 12), QColor(Qt::blue));
        QCOMPARE(canvas.pixelColor(409, 309), QColor(Qt::blue));
        QCOMPARE(canvas.pixelColor(411, 200), QColor(Qt::white));
        QCOMPARE(canvas.pixelColor(200, 312), QColor(Qt::white));
    }

    void drawsChipInThemeColours_data()
    {
        QTest::addColumn<QColor>("window");
        QTest::addColumn<QColor>("fill");
        QTest::newRow("light") << QColor(0xF5F5F5) << QColor(0xECEEF1);
        QTest::newRow("dark") << QColor(0x1E1E1E) << QColor(0x2A2D31);
    }

    void drawsChipInThemeColours()
    {
        QFETCH(QColor, window);
        setWindowColour(window);
        const QImage canvas = drawn("gone", QRectF(0, 0, 200, 36), QSize(300, 60), Qt::magenta);
        QTEST(canvas.pixelColor(5, 17), "fill");
        // The bottom 2 pixels stay outside the chip.
        QCOMPARE(canvas.pixelColor(100, 35), QColor(Qt::magenta));
    }

    void missingRecordChipSaysAttachment()
    {
        const QRectF rect(0, 0, 200, 36);
        const QImage drawnChip = drawn("gone", rect, QSize(200, 36), Qt::white);
        auto chip = [&](const QString &label) {
            QImage image(200, 36, QImage::Format_ARGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            paintChip(&painter, rect, QStringLiteral("\U0001F4CE"), label);
            painter.end();
            return image;
        };
        QCOMPARE(drawnChip, chip(QStringLiteral("Attachment")));
        QVERIFY(drawnChip != chip(QStringLiteral("Other")));
    }

    void otherObjectsHaveAPainter()
    {
        EmbedObjectPainter painter;
        QTextDocument document;
        const QSizeF divider = painter.intrinsicSize(&document,
                                                     0,
                                                     objectFormat(dividerEmbedKind(), "hr"));
        QVERIFY(divider.width() > 0 && divider.height() > 0);
        const QSizeF table = painter.intrinsicSize(&document,
                                                   0,
                                                   objectFormat(tableEmbedKind(), "{}"));
        QCOMPARE(table.height(), 36.0);
        const QTextFormat outside = objectFormat(imageEmbedKind(),
                                                 QStringLiteral("https://e.org/pics/cat.png"));
        QCOMPARE(EmbedObjectPainter::placeholderLabel(outside), QStringLiteral("cat.png"));
        QCOMPARE(EmbedObjectPainter::placeholderLabel(
                     objectFormat(imageEmbedKind(), QStringLiteral("https://e.org"))),
                 QStringLiteral("e.org"));
        QVERIFY(painter.intrinsicSize(&document, 0, outside).width() > 0);
    }
};

QTEST_MAIN(TestAttachmentRenderer)
#include "tst_attachmentrenderer.moc"
