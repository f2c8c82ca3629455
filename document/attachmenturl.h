#pragma once

#include <QString>

// Attachments are referred to from note text by URL: the prefix followed by
// the attachment id.
QString attachmentUrlPrefix();
bool isAttachmentUrl(const QString &value);
// The id inside an attachment URL; a value without the prefix is taken as
// an id already.
QString attachmentIdFromUrl(const QString &url);
// The URL for an id; a value that already is a URL is returned unchanged.
QString attachmentUrlFromId(const QString &idOrUrl);
