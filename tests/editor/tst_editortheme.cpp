// A theme switch while the editor and its bars are on screen: drawn icons,
// the notebook chip and the note's block colours follow the new palette.

#include "editor/editoricons.h"
#include "editor/editortoolbar.h"
#include "editor/noteeditor.h"
#include "editor/noteheaderbar.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>

namespace {
QPalette themePalette(bool dark)
{
    QPalette p = QApplication::palette();
    const QColor window(dark ? "#1E1E1E" : "#FAFAFA");
    const QColor ink(dark ? "#E0E0E0" : "#212121");
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::Base, window);
    p.setColor(QPalette::WindowText, ink);
    p.setColor(QPalette::Text, ink);
    return p;
}

// Mean lightness of the painted (non-transparent) pixels of an icon.
int inkLightness(const QIcon &icon)
{
    const QImage image
        = icon.pixmap(QSize(16, 16), 2.0).toImage().convertToFormat(QImage::Format_ARGB32);
    qint64 sum = 0;
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 200) {
                sum += c.lightness();
                ++count;
            }
        }
    }
    return count ? int(sum / count) : -1;
}

const char *codeNote = R"([{"insert":"title\n"},{"insert":"int x;"},)"
                       R"({"insert":"\n","attributes":{"code-block":true}},{"insert":"tail\n"}])";
} // namespace

class TestEditorTheme : public QObject
{
    Q_OBJECT

private slots:
    void init() { QApplication::setPalette(themePalette(false)); }
    void cleanupTestCase() { QApplication::setPalette(themePalette(false)); }
    void toolbarIconsFollowTheSwitch_data();
    void toolbarIconsFollowTheSwitch();
    void headerBarFollowsTheSwitch();
    void paperclipNeverPaintsAnEmptyBox();
    void codeBlockColoursFollowTheSwitch();
    void switchKeepsCaretAndPendingSave();
};

void TestEditorTheme::toolbarIconsFollowTheSwitch_data()
{
    QTest::addColumn<int>("item");
    QTest::newRow("bold glyph") << 0;
    QTest::newRow("check box drawing") << 1;
    QTest::newRow("align drawing") << 2;
    QTest::newRow("link drawing") << 3;
    QTest::newRow("attachment") << 4;
}

void TestEditorTheme::toolbarIconsFollowTheSwitch()
{
    QFETCH(int, item);
    EditorToolbar toolbar;
    const auto action = [&toolbar, item] {
        switch (item) {
        case 0:
            return toolbar.boldAction();
        case 1:
            return toolbar.checkListAction();
        case 2:
            return toolbar.alignCenterAction();
        case 3:
            return toolbar.insertLinkAction();
        default:
            return toolbar.insertAttachmentAction();
        }
    };
    const int lightInk = inkLightness(action()->icon());
    QVERIFY(lightInk >= 0);
    QVERIFY2(lightInk < 128, qPrintable(QString::number(lightInk)));

    QApplication::setPalette(themePalette(true));
    const int darkInk = inkLightness(action()->icon());
    QVERIFY2(darkInk > 128, qPrintable(QString::number(darkInk)));
}

void TestEditorTheme::headerBarFollowsTheSwitch()
{
    NoteHeaderBar bar;
    bar.setFocusMode(true);
    QCOMPARE(bar.notebookChip()->styleSheet(), NoteHeaderBar::chipStyleSheet(false));
    QVERIFY(inkLightness(bar.moreButton()->icon()) < 128);

    QApplication::setPalette(themePalette(true));
    // The chip keeps the look it was built with until the window says the
    // theme changed.
    QCOMPARE(bar.notebookChip()->styleSheet(), NoteHeaderBar::chipStyleSheet(false));
    bar.refreshChipStyle();
    QCOMPARE(bar.notebookChip()->styleSheet(), NoteHeaderBar::chipStyleSheet(true));
    QVERIFY(inkLightness(bar.moreButton()->icon()) > 128);
    QVERIFY(inkLightness(bar.copyButton()->icon()) > 128);
    QVERIFY(inkLightness(bar.historyButton()->icon()) > 128);
    QVERIFY(inkLightness(bar.focusToggle()->icon()) > 128);
    QVERIFY(inkLightness(bar.notebookChip()->icon()) > 128);
    // The focus toggle keeps the drawing of the current mode.
    QCOMPARE(bar.focusToggle()->icon().pixmap(QSize(18, 18), 2.0).toImage(),
             sidebarIcon(true, themePalette(true).color(QPalette::WindowText))
                 .pixmap(QSize(18, 18), 2.0)
                 .toImage());
}

void TestEditorTheme::paperclipNeverPaintsAnEmptyBox()
{
    GlyphStyle style;
    style.pixelSize = 14;
    style.bold = false;
    QVERIFY(glyphAvailable(QStringLiteral("B"), style));
    EditorToolbar toolbar;
    const QImage shown
        = toolbar.insertAttachmentAction()->icon().pixmap(QSize(16, 16), 2.0).toImage();
    const QString clip = QStringLiteral("\U0001F4CE");
    const QColor ink = QApplication::palette().color(QPalette::WindowText);
    const QIcon expected = glyphAvailable(clip, style) ? glyphIcon(clip, style, ink)
                                                       : paperclipIcon(ink);
    QCOMPARE(shown, expected.pixmap(QSize(16, 16), 2.0).toImage());
}

void TestEditorTheme::codeBlockColoursFollowTheSwitch()
{
    NoteEditor editor;
    editor.loadNote(QStringLiteral("n1"), QString::fromUtf8(codeNote), true);
    const QString json = editor.noteJson();
    const QTextBlock code = editor.document()->findBlockByNumber(1);
    QCOMPARE(code.text(), QStringLiteral("int x;"));
    QCOMPARE(code.blockFormat().background().color(), QColor(0xECEEF1));

    QApplication::setPalette(themePalette(true));
    QCOMPARE(editor.document()->findBlockByNumber(1).blockFormat().background().color(),
             QColor(0x2A2D31));
    QCOMPARE(editor.noteJson(), json);
    QVERIFY(editor.isSaved());
}

void TestEditorTheme::switchKeepsCaretAndPendingSave()
{
    NoteEditor editor;
    editor.loadNote(QStringLiteral("n1"), QString::fromUtf8(codeNote), true);
    const QString before = editor.noteJson();
    QTextCursor cursor = editor.textCursor();
    cursor.setPosition(editor.document()->findBlockByNumber(2).position() + 2);
    editor.setTextCursor(cursor);
    editor.insertPlainText(QStringLiteral("X"));
    QVERIFY(!editor.isSaved());
    const QString edited = editor.noteJson();
    QVERIFY(edited != before);
    const int position = editor.textCursor().position();

    QSignalSpy modified(&editor, &NoteEditor::noteModified);
    QApplication::setPalette(themePalette(true));
    QCOMPARE(editor.noteJson(), edited);
    QCOMPARE(editor.textCursor().position(), position);
    QVERIFY(!editor.isSaved());
    // The pending edit is still written once the save delay runs out.
    QVERIFY(modified.wait(3000));
}

QTEST_MAIN(TestEditorTheme)
#include "tst_editortheme.moc"
