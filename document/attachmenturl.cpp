#include "document/attachmenturl.h"

QString attachmentUrlPrefix()
{
    return QStringLiteral("velmora-notes://attachment/");
}

bool isAttachmentUrl(const QString &value)
{
    return value.startsWith(attachmentUrlPrefix());
}

QString attachmentIdFromUrl(const QString &url)
{
    return isAttachmentUrl(url) ? url.mid(attachmentUrlPrefix().size()) : url;
}

QString attachmentUrlFromId(const QString &idOrUrl)
{
    return isAttachmentUrl(idOrUrl) ? idOrUrl : attachmentUrlPrefix() + idOrUrl;
}
