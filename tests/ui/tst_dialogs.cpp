#include "uitestsupport.h"

#include "storage/attachmentrepository.h"
#include "ui/exportdialog.h"
#include "ui/movetonotebookdialog.h"
#include "ui/notebookdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

Notebook notebook(const QString &id, const QString &name)
{
    Notebook nb;
    nb.id = id;
    nb.name = name;
    return nb;
}

QPushButton *okButton(QWidget *dialog)
{
    return dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
}

QByteArray unzipOutput(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("unzip"), arguments);
    if (!process.waitForFinished(30000))
        return QByteArray();
    return process.readAllStandardOutput();
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void notebookNameEnablesOk_data();
    void notebookNameEnablesOk();
    void notebookNameIsReturnedTrimmed_data();
    void notebookNameIsReturnedTrimmed();
    void chooserWithOnlyCurrentNotebookNeverEnablesOk();
    void chooserReturnsOtherNotebook();
    void exportDialogChoices();
    void exportBundleHoldsNoteAndAttachments_data();
    void exportBundleHoldsNoteAndAttachments();
    void exportWithoutBundleWritesPlainFile();
};

void TestDialogs::notebookNameEnablesOk_data()
{
    QTest::addColumn<QString>("initial");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("empty") << ""
                           << "" << false;
    QTest::newRow("spaces only") << ""
                                 << "    " << false;
    QTest::newRow("tab and spaces") << ""
                                    << " \t " << false;
    QTest::newRow("name") << ""
                          << "Work" << true;
    QTest::newRow("rename cleared") << "Work"
                                    << "" << false;
    QTest::newRow("rename kept") << "Work"
                                 << "Work" << true;
}

void TestDialogs::notebookNameEnablesOk()
{
    QFETCH(QString, initial);
    QFETCH(QString, typed);
    QFETCH(bool, enabled);

    NotebookDialog dialog(nullptr, "New Notebook", initial);
    QCOMPARE(okButton(&dialog)->isEnabled(), !initial.trimmed().isEmpty());
    auto *edit = dialog.findChild<QLineEdit *>();
    QCOMPARE(edit->placeholderText(), QString("Notebook name"));
    QCOMPARE(edit->selectedText(), initial);
    edit->clear();
    QTest::keyClicks(edit, typed);
    QCOMPARE(okButton(&dialog)->isEnabled(), enabled);
}

void TestDialogs::notebookNameIsReturnedTrimmed_data()
{
    QTest::addColumn<bool>("rename");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("result");

    QTest::newRow("new padded") << false << "  Travel plans  " << true << "Travel plans";
    QTest::newRow("rename padded") << true << "\tIdeas " << true << "Ideas";
    QTest::newRow("cancelled") << false << "Work" << false << "";
}

void TestDialogs::notebookNameIsReturnedTrimmed()
{
    QFETCH(bool, rename);
    QFETCH(QString, typed);
    QFETCH(bool, accept);
    QFETCH(QString, result);

    QString title;
    ModalAnswerer answerer([&](QWidget *modal) {
        title = modal->windowTitle();
        modal->findChild<QLineEdit *>()->setText(typed);
        if (accept)
            okButton(modal)->click();
        else
            static_cast<QDialog *>(modal)->reject();
    });
    const QString name = rename ? NotebookDialog::getRenamedNotebookName(nullptr, "Old")
                                : NotebookDialog::getNewNotebookName(nullptr);
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(title, rename ? QString("Rename Notebook") : QString("New Notebook"));
    QCOMPARE(name, result);
}

void TestDialogs::chooserWithOnlyCurrentNotebookNeverEnablesOk()
{
    MoveToNotebookDialog dialog({notebook("nb1", "Inbox")}, "nb1");
    auto *list = dialog.findChild<QListWidget *>();
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), QString("Inbox (current)"));
    QVERIFY(!(list->item(0)->flags() & Qt::ItemIsEnabled));
    QVERIFY(!okButton(&dialog)->isEnabled());

    list->setCurrentRow(0);
    QVERIFY(!okButton(&dialog)->isEnabled());
    emit list->itemDoubleClicked(list->item(0));
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!okButton(&dialog)->isEnabled());

    // Even if the dialog is accepted some other way, the own notebook is no
    // move target.
    int answered = 0;
    ModalAnswerer answerer([&](QWidget *modal) {
        ++answered;
        static_cast<QDialog *>(modal)->accept();
    });
    QCOMPARE(MoveToNotebookDialog::chooseNotebook(nullptr, {notebook("nb1", "Inbox")}, "nb1"),
             QString());
    QCOMPARE(answered, 1);
}

void TestDialogs::chooserReturnsOtherNotebook()
{
    const QList<Notebook> notebooks{notebook("a", "Alpha"), notebook("b", "Beta")};
    {
        MoveToNotebookDialog dialog(notebooks, "a");
        auto *list = dialog.findChild<QListWidget *>();
        QCOMPARE(list->item(0)->text(), QString("Alpha (current)"));
        QCOMPARE(list->item(1)->text(), QString("Beta"));
        QCOMPARE(list->item(1)->data(Qt::UserRole).toString(), QString("b"));
        list->setCurrentRow(1);
        QVERIFY(okButton(&dialog)->isEnabled());
    }
    ModalAnswerer answerer([](QWidget *modal) {
        auto *list = modal->findChild<QListWidget *>();
        emit list->itemDoubleClicked(list->item(1));
    });
    QCOMPARE(MoveToNotebookDialog::chooseNotebook(nullptr, notebooks, "a"), QString("b"));
}

void TestDialogs::exportDialogChoices()
{
    ExportDialog dialog;
    QCOMPARE(dialog.windowTitle(), QString("Export Note"));
    QCOMPARE(dialog.format(), 0);
    QVERIFY(!dialog.includeAttachments());
    const auto radios = dialog.findChildren<QRadioButton *>();
    QCOMPARE(radios.size(), 3);
    radios.at(2)->setChecked(true);
    QCOMPARE(dialog.format(), 2);
    radios.at(1)->setChecked(true);
    QCOMPARE(dialog.exportFormat(), ExportFormat::Html);
    dialog.findChild<QCheckBox *>()->setChecked(true);
    QVERIFY(dialog.includeAttachments());
}

void TestDialogs::exportBundleHoldsNoteAndAttachments_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("noteFile");
    QTest::addColumn<QString>("link");

    QTest::newRow("markdown") << int(ExportFormat::Markdown) << "Trip.md"
                              << "[photo 1.png](photo%201.png)";
    QTest::newRow("html") << int(ExportFormat::Html) << "Trip.html"
                          << "<a href=\"photo%201.png\">photo 1.png</a>";
}

void TestDialogs::exportBundleHoldsNoteAndAttachments()
{
    QFETCH(int, format);
    QFETCH(QString, noteFile);
    QFETCH(QString, link);

    UiTestStore store;
    QVERIFY(store.open());
    AttachmentRepository *attachments = store.state->attachments();

    Note note = store.addPlainNote("Trip");
    const auto addAttachment = [&](const QString &id, const QString &name, const QByteArray &bytes) {
        Attachment a;
        a.id = id;
        a.noteId = note.id;
        a.filename = name;
        a.mimeType = "application/octet-stream";
        a.sizeBytes = bytes.size();
        a.createdAt = QDateTime::currentDateTimeUtc();
        QVERIFY(attachments->saveFile(id, bytes));
        QVERIFY(attachments->insert(a));
    };
    addAttachment("11111111-1111-1111-1111-111111111111", "photo 1.png", "PNGDATA");
    // Same name twice, and a name that tries to climb out of the archive.
    addAttachment("22222222-2222-2222-2222-222222222222", "photo 1.png", "SECOND");
    addAttachment("33333333-3333-3333-3333-333333333333", "../../evil.txt", "EVIL");

    QJsonArray ops;
    ops.append(textOp("Trip\n"));
    ops.append(QJsonObject{
        {"insert",
         QJsonObject{{"velmora-notes-attachment",
                      "velmora-notes://attachment/11111111-1111-1111-1111-111111111111"}}}});
    ops.append(lineEnd());
    note.body = QString::fromUtf8(QJsonDocument(ops).toJson(QJsonDocument::Compact));

    const QString zipPath = store.dir.filePath("bundle.zip");
    QCOMPARE(ExportDialog::suggestedFileName(note, ExportFormat(format), true), QString("Trip.zip"));
    const ExportResult result = ExportDialog::exportTo(note,
                                                       zipPath,
                                                       ExportFormat(format),
                                                       true,
                                                       attachments);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.path, zipPath);

    QStringList entries = QString::fromUtf8(unzipOutput({"-Z1", zipPath}))
                              .split('\n', Qt::SkipEmptyParts);
    entries.sort();
    QCOMPARE(entries, (QStringList{noteFile, "evil.txt", "photo 1 (2).png", "photo 1.png"}));
    QCOMPARE(unzipOutput({"-p", zipPath, "photo 1.png"}), QByteArray("PNGDATA"));
    QCOMPARE(unzipOutput({"-p", zipPath, "photo 1 (2).png"}), QByteArray("SECOND"));
    const QString text = QString::fromUtf8(unzipOutput({"-p", zipPath, noteFile}));
    QVERIFY2(text.contains(link), qPrintable(text));
    // The stored note is left as it was.
    QVERIFY(!note.body.contains("photo"));
}

void TestDialogs::exportWithoutBundleWritesPlainFile()
{
    UiTestStore store;
    QVERIFY(store.open());
    const Note note = store.addPlainNote("Plain");
    const QString path = store.dir.filePath("plain.md");
    const ExportResult result = ExportDialog::exportTo(note,
                                                       path,
                                                       ExportFormat::Markdown,
                                                       false,
                                                       store.state->attachments());
    QVERIFY(result.ok);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().trimmed(), QByteArray("Plain"));
    QCOMPARE(ExportDialog::suggestedFileName(note, ExportFormat::Markdown, false),
             QString("Plain.md"));
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
