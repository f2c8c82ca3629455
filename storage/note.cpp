#include "storage/note.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QUuid>

namespace {

constexpr int previewLimit = 120;
constexpr int maxScanDepth = 64;

// Collects the "insert" texts of a Delta body without building a JSON
// document: the note list asks for titles and previews of thousands of
// notes, and the general parser costs many times more. It accepts only a
// strict subset of JSON; whatever it is not certain about (numbers with
// exponents, escaped keys, lone surrogates, duplicate "insert" keys, deep
// nesting, any syntax error) is left to the general parser.
class DeltaTextScanner
{
public:
    explicit DeltaTextScanner(const QString &body)
        : m_pos(reinterpret_cast<const char16_t *>(body.constData()))
        , m_end(m_pos + body.size())
    {}

    // True when the body is certainly a JSON array; `text` then holds the
    // concatenated inserts.
    bool scan(QString &text)
    {
        m_text = &text;
        skipSpace();
        if (!consume(u'['))
            return false;
        skipSpace();
        if (!consume(u']')) {
            for (;;) {
                skipSpace();
                if (m_pos < m_end && *m_pos == u'{') {
                    if (!object(1, true))
                        return false;
                } else if (!value(1)) {
                    return false;
                }
                skipSpace();
                if (consume(u']'))
                    break;
                if (!consume(u','))
                    return false;
            }
        }
        skipSpace();
        return m_pos == m_end;
    }

private:
    bool consume(char16_t c)
    {
        if (m_pos < m_end && *m_pos == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    void skipSpace()
    {
        while (m_pos < m_end
               && (*m_pos == u' ' || *m_pos == u'\t' || *m_pos == u'\n' || *m_pos == u'\r'))
            ++m_pos;
    }

    bool literal(const char *word)
    {
        for (; *word; ++word, ++m_pos) {
            if (m_pos == m_end || *m_pos != char16_t(*word))
                return false;
        }
        return true;
    }

    static bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

    bool number()
    {
        consume(u'-');
        if (consume(u'0')) {
        } else if (m_pos < m_end && isDigit(*m_pos)) {
            while (m_pos < m_end && isDigit(*m_pos))
                ++m_pos;
        } else {
            return false;
        }
        if (consume(u'.')) {
            if (m_pos == m_end || !isDigit(*m_pos))
                return false;
            while (m_pos < m_end && isDigit(*m_pos))
                ++m_pos;
        }
        return m_pos == m_end || (*m_pos != u'e' && *m_pos != u'E');
    }

    static int hexValue(char16_t c)
    {
        if (c >= u'0' && c <= u'9')
            return c - u'0';
        if (c >= u'a' && c <= u'f')
            return c - u'a' + 10;
        if (c >= u'A' && c <= u'F')
            return c - u'A' + 10;
        return -1;
    }

    // Scans a string after its opening quote; appends its decoded content to
    // `out` when given, and tells whether it contained an escape.
    bool string(QString *out, bool *escaped = nullptr)
    {
        const char16_t *runStart = m_pos;
        auto flush = [&] {
            if (out && m_pos > runStart)
                out->append(reinterpret_cast<const QChar *>(runStart), m_pos - runStart);
        };
        while (m_pos < m_end) {
            const char16_t c = *m_pos;
            if (c == u'"') {
                flush();
                ++m_pos;
                return true;
            }
            if (c < 0x20)
                return false;
            if (c >= 0xD800 && c <= 0xDFFF) {
                // Only a well-formed pair is certain to survive unchanged.
                if (c > 0xDBFF || m_pos + 1 == m_end || m_pos[1] < 0xDC00 || m_pos[1] > 0xDFFF)
                    return false;
                m_pos += 2;
                continue;
            }
            if (c != u'\\') {
                ++m_pos;
                continue;
            }
            flush();
            if (escaped)
                *escaped = true;
            if (++m_pos == m_end)
                return false;
            char16_t decoded = 0;
            switch (*m_pos) {
            case u'"':
                decoded = u'"';
                break;
            case u'\\':
                decoded = u'\\';
                break;
            case u'/':
                decoded = u'/';
                break;
            case u'b':
                decoded = u'\b';
                break;
            case u'f':
                decoded = u'\f';
                break;
            case u'n':
                decoded = u'\n';
                break;
            case u'r':
                decoded = u'\r';
                break;
            case u't':
                decoded = u'\t';
                break;
            case u'u': {
                if (m_end - m_pos < 5)
                    return false;
                int code = 0;
                for (int i = 1; i <= 4; ++i) {
                    const int digit = hexValue(m_pos[i]);
                    if (digit < 0)
                        return false;
                    code = code * 16 + digit;
                }
                if (code == 0 || (code >= 0xD800 && code <= 0xDFFF))
                    return false;
                decoded = char16_t(code);
                m_pos += 4;
                break;
            }
            default:
                return false;
            }
            ++m_pos;
            if (out)
                out->append(QChar(decoded));
            runStart = m_pos;
        }
        return false;
    }

    // Scans an object after checking its opening brace; for a top-level
    // operation, appends the value of "insert" when it is a string.
    bool object(int depth, bool operation)
    {
        ++m_pos;
        skipSpace();
        if (consume(u'}'))
            return true;
        bool seenInsert = false;
        for (;;) {
            skipSpace();
            if (!consume(u'"'))
                return false;
            const char16_t *keyStart = m_pos;
            bool keyEscaped = false;
            if (!string(nullptr, &keyEscaped) || keyEscaped)
                return false;
            const bool isInsert = operation && m_pos - keyStart == 7
                                  && QStringView(keyStart, 6) == QLatin1String("insert");
            skipSpace();
            if (!consume(u':'))
                return false;
            skipSpace();
            if (isInsert) {
                if (seenInsert)
                    return false;
                seenInsert = true;
                if (consume(u'"')) {
                    if (!string(m_text))
                        return false;
                } else if (!value(depth + 1)) {
                    return false;
                }
            } else if (!value(depth + 1)) {
                return false;
            }
            skipSpace();
            if (consume(u'}'))
                return true;
            if (!consume(u','))
                return false;
        }
    }

    bool array(int depth)
    {
        ++m_pos;
        skipSpace();
        if (consume(u']'))
            return true;
        for (;;) {
            skipSpace();
            if (!value(depth + 1))
                return false;
            skipSpace();
            if (consume(u']'))
                return true;
            if (!consume(u','))
                return false;
        }
    }

    bool value(int depth)
    {
        if (depth > maxScanDepth || m_pos == m_end)
            return false;
        switch (*m_pos) {
        case u'"':
            ++m_pos;
            return string(nullptr);
        case u'{':
            return object(depth, false);
        case u'[':
            return array(depth);
        case u't':
            return literal("true");
        case u'f':
            return literal("false");
        case u'n':
            return literal("null");
        default:
            return number();
        }
    }

    const char16_t *m_pos;
    const char16_t *m_end;
    QString *m_text = nullptr;
};

} // namespace

SyncStatus syncStatusFromText(const QString &text)
{
    if (text == QLatin1String("synced"))
        return SyncStatus::Synced;
    if (text == QLatin1String("conflict"))
        return SyncStatus::Conflict;
    return SyncStatus::Pending;
}

QString syncStatusText(SyncStatus status)
{
    switch (status) {
    case SyncStatus::Synced:
        return QStringLiteral("synced");
    case SyncStatus::Conflict:
        return QStringLiteral("conflict");
    case SyncStatus::Pending:
        break;
    }
    return QStringLiteral("pending");
}

QString Note::emptyBody()
{
    return QStringLiteral("[{\"insert\":\"\\n\"}]");
}

Note Note::create(const QString &notebookId)
{
    Note note;
    note.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    note.notebookId = notebookId;
    note.body = emptyBody();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    note.createdAt = now;
    note.updatedAt = now;
    note.modifiedAt = now;
    return note;
}

QString Note::plainText() const
{
    if (body.isEmpty())
        return QString();
    QString text;
    if (DeltaTextScanner(body).scan(text))
        return text;
    text.clear();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return body;
    const QJsonArray ops = document.array();
    for (const QJsonValue &op : ops) {
        if (!op.isObject())
            continue;
        const QJsonValue insert = op.toObject().value(QLatin1String("insert"));
        if (insert.isString())
            text += insert.toString();
    }
    return text;
}

QString Note::title() const
{
    const QString text = plainText();
    const qsizetype newline = text.indexOf(u'\n');
    return (newline < 0 ? text : text.left(newline)).trimmed();
}

QString Note::preview() const
{
    const QString text = plainText();
    const qsizetype newline = text.indexOf(u'\n');
    if (newline < 0)
        return QString();
    QString rest = text.mid(newline + 1).trimmed();
    rest.replace(u'\n', u' ');
    if (rest.size() > previewLimit)
        return rest.left(previewLimit) + QLatin1String("...");
    return rest;
}
