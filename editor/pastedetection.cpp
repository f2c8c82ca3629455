#include "editor/pastedetection.h"

#include <QList>
#include <QRegularExpression>

bool looksLikeHtml(const QString &text)
{
    static const QRegularExpression
        documentStart(QStringLiteral("^<(!doctype\\s+html|html\\b|body\\b|head\\b)"),
                      QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression
        knownTag(QStringLiteral(
                     "<(p|div|span|h[1-6]|ul|ol|li|a|strong|em|b|i|table|tr|td|th|br|hr|img|pre|"
                     "code|blockquote|article|section|main|nav|header|footer|aside|figure|"
                     "figcaption|dl|dt|dd)\\b"),
                 QRegularExpression::CaseInsensitiveOption);
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || !trimmed.startsWith(QLatin1Char('<')))
        return false;
    return documentStart.match(trimmed).hasMatch() || knownTag.match(trimmed).hasMatch();
}

bool looksLikeMarkdown(const QString &text)
{
    // Compiled once for the life of the program; pasting is frequent.
    static const QList<QRegularExpression> patterns = [] {
        const auto multiLine = QRegularExpression::MultilineOption;
        return QList<QRegularExpression>{
            QRegularExpression(QStringLiteral("^\\s{0,3}#{1,6}\\s+\\S"), multiLine),
            QRegularExpression(QStringLiteral("^\\s{0,3}[-*+]\\s+\\S"), multiLine),
            QRegularExpression(QStringLiteral("^\\s{0,3}\\d+\\.\\s+\\S"), multiLine),
            QRegularExpression(QStringLiteral("^\\s{0,3}>\\s+\\S"), multiLine),
            QRegularExpression(QStringLiteral("^\\s{0,3}```"), multiLine),
            QRegularExpression(QStringLiteral("^\\s*\\|.*\\|\\s*$"), multiLine),
            QRegularExpression(QStringLiteral("\\[[^\\]]+\\]\\([^)]+\\)")),
            QRegularExpression(QStringLiteral("^\\s*[-=]{3,}\\s*$"), multiLine),
        };
    }();
    if (text.isEmpty())
        return false;
    for (const QRegularExpression &pattern : patterns) {
        if (pattern.match(text).hasMatch())
            return true;
    }
    return false;
}
