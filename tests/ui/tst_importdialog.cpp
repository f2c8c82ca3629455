#include "uitestsupport.h"

#include "storage/notebookrepository.h"
#include "ui/importdialog.h"

#include <QAbstractButton>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

// A minimal ustar archive, the layout of a Joplin export.
QByteArray tarArchive(const QList<QPair<QString, QByteArray>> &entries)
{
    QByteArray out;
    for (const auto &entry : entries) {
        QByteArray header(512, '\0');
        // Writes a field in place; the header keeps its 512 bytes.
        const auto put = [&header](int pos, const QByteArray &value) {
            for (int i = 0; i < value.size(); ++i)
                header[pos + i] = value.at(i);
        };
        put(0, entry.first.toUtf8());
        put(100, "0000644");
        put(108, "0000000");
        put(116, "0000000");
        put(124, QByteArray::number(entry.second.size(), 8).rightJustified(11, '0'));
        put(136, "00000000000");
        put(156, "0");
        put(257, "ustar");
        put(263, "00");
        put(148, "        ");
        unsigned sum = 0;
        for (char c : header)
            sum += static_cast<unsigned char>(c);
        put(148, QByteArray::number(sum, 8).rightJustified(6, '0'));
        header[154] = '\0';
        out += header;
        out += entry.second;
        out += QByteArray((512 - entry.second.size() % 512) % 512, '\0');
    }
    out += QByteArray(1024, '\0');
    return out;
}

QByteArray jexItem(const QString &body,
                   const QString &id,
                   const QString &title,
                   int type,
                   const QString &parent = QString())
{
    QString text = body + "\n\nid: " + id + "\ntitle: " + title + "\nparent_id: " + parent
                   + "\ncreated_time: 2024-01-02T03:04:05.000Z\nupdated_time: "
                     "2024-01-02T03:04:05.000Z\ntype_: "
                   + QString::number(type) + "\n";
    return text.toUtf8();
}

} // namespace

class TestImportDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void withoutFileReportsAndStays();
    void browseFilterFollowsFormat_data();
    void browseFilterFollowsFormat();
    void importsJoplinArchive();
    void unreadableArchiveShowsTheReason();
    void resultText_data();
    void resultText();

private:
    std::unique_ptr<UiTestStore> m_store;
};

void TestImportDialog::init()
{
    m_store = std::make_unique<UiTestStore>();
    QVERIFY(m_store->open());
}

void TestImportDialog::cleanup()
{
    m_store.reset();
}

void TestImportDialog::withoutFileReportsAndStays()
{
    QPointer<ImportDialog> wizard = new ImportDialog(m_store->state.get());
    QCOMPARE(wizard->windowTitle(), QString("Import Notes"));
    wizard->show();
    QCOMPARE(wizard->currentId(), int(ImportDialog::FormatPage));
    wizard->next();
    QCOMPARE(wizard->currentId(), int(ImportDialog::FilePage));
    wizard->next();
    QCOMPARE(wizard->currentId(), int(ImportDialog::ImportPage));
    QTRY_COMPARE(wizard->statusText(), QString("No file was selected."));
    QTest::qWait(20);
    QCOMPARE(wizard->currentId(), int(ImportDialog::ImportPage));
    QVERIFY(!wizard->button(QWizard::CommitButton)->isEnabled());
    QVERIFY(m_store->state->notes()->listAll().isEmpty());
    wizard->close();
    QTRY_VERIFY(wizard.isNull());
}

void TestImportDialog::browseFilterFollowsFormat_data()
{
    QTest::addColumn<bool>("noteStation");
    QTest::addColumn<QString>("filter");
    QTest::newRow("joplin") << false << "Joplin Export (*.jex);;All Files (*)";
    QTest::newRow("notestation") << true << "NoteStation Export (*.nsx);;All Files (*)";
}

void TestImportDialog::browseFilterFollowsFormat()
{
    QFETCH(bool, noteStation);
    QFETCH(QString, filter);

    ImportDialog wizard(m_store->state.get());
    wizard.setAttribute(Qt::WA_DeleteOnClose, false);
    QString seenTitle;
    QString seenFilter;
    QString answer;
    wizard.setFileChooser([&](QWidget *, const QString &title, const QString &f) {
        seenTitle = title;
        seenFilter = f;
        return answer;
    });
    if (noteStation)
        wizard.findChildren<QRadioButton *>().at(1)->setChecked(true);
    auto *browse = wizard.findChild<QPushButton *>();
    for (QPushButton *button : wizard.findChildren<QPushButton *>())
        if (button->text() == "Browse...")
            browse = button;
    browse->click();
    QCOMPARE(seenTitle, QString("Select Import File"));
    QCOMPARE(seenFilter, filter);
    QCOMPARE(wizard.selectedFile(), QString()); // cancelled: nothing kept
    answer = "/tmp/some file.jex";
    browse->click();
    QCOMPARE(wizard.selectedFile(), answer);
    const auto labels = wizard.findChildren<QLabel *>();
    QVERIFY(std::any_of(labels.begin(), labels.end(), [&](QLabel *label) {
        return label->text() == answer;
    }));
}

void TestImportDialog::importsJoplinArchive()
{
    const QString folderId = QString(32, 'a');
    const QString noteId = QString(32, 'b');
    const QString path = m_store->dir.filePath("export.jex");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        tarArchive({{folderId + ".md", jexItem("Travel", folderId, "Travel", 2)},
                    {noteId + ".md",
                     jexItem("Packing list\n\nPassport", noteId, "Packing list", 1, folderId)}}));
    file.close();

    ImportDialog wizard(m_store->state.get());
    wizard.setAttribute(Qt::WA_DeleteOnClose, false);
    wizard.show();
    wizard.setSelectedFile(path);
    wizard.next();
    wizard.next();
    QTRY_COMPARE(wizard.currentId(), int(ImportDialog::ResultPage));
    QCOMPARE(wizard.resultText(), QString("Imported: 1 notes"));

    const QList<Note> notes = m_store->state->notes()->listAll();
    QCOMPARE(notes.size(), 1);
    QCOMPARE(notes.first().title(), QString("Packing list"));
    QCOMPARE(m_store->state->notebooks()->listAll().size(), 1);
}

void TestImportDialog::unreadableArchiveShowsTheReason()
{
    const QString path = m_store->dir.filePath("empty.nsx");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not an archive");
    file.close();

    ImportDialog wizard(m_store->state.get());
    wizard.setAttribute(Qt::WA_DeleteOnClose, false);
    wizard.findChildren<QRadioButton *>().at(1)->setChecked(true);
    wizard.show();
    wizard.setSelectedFile(path);
    wizard.next();
    wizard.next();
    QTRY_COMPARE(wizard.currentId(), int(ImportDialog::ResultPage));
    QVERIFY2(wizard.resultText().startsWith("Imported: 0 notes\nErrors: 1\n"),
             qPrintable(wizard.resultText()));
}

void TestImportDialog::resultText_data()
{
    QTest::addColumn<int>("imported");
    QTest::addColumn<int>("attachments");
    QTest::addColumn<int>("skipped");
    QTest::addColumn<int>("errors");
    QTest::addColumn<QString>("text");

    QTest::newRow("only notes") << 5 << 0 << 0 << 0 << "Imported: 5 notes";
    QTest::newRow("attachments") << 2 << 3 << 0 << 0 << "Imported: 2 notes\nAttachments: 3";
    QTest::newRow("all") << 1 << 1 << 2 << 3
                         << "Imported: 1 notes\nAttachments: 1\nSkipped: 2\nErrors: 3";
    QTest::newRow("nothing") << 0 << 0 << 0 << 0 << "Imported: 0 notes";
}

void TestImportDialog::resultText()
{
    QFETCH(int, imported);
    QFETCH(int, attachments);
    QFETCH(int, skipped);
    QFETCH(int, errors);
    QFETCH(QString, text);
    ImportResult result;
    result.imported = imported;
    result.attachments = attachments;
    result.skipped = skipped;
    result.errors = errors;
    QCOMPARE(ImportDialog::formatResult(result), text);
}

QTEST_MAIN(TestImportDialog)
#include "tst_importdialog.moc"
