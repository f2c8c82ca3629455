#pragma once

#include <QString>

// Whether pasted plain text is really HTML or Markdown source that should be
// converted rather than inserted as it stands.
bool looksLikeHtml(const QString &text);
bool looksLikeMarkdown(const QString &text);
