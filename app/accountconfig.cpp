#include "app/accountconfig.h"

#include "app/appinfo.h"

namespace {

QString environmentOr(const char *name, const QString &fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

} // namespace

EndpointSettings EndpointSettings::fromEnvironment()
{
    EndpointSettings s;
    s.authBaseUrl = environmentOr("AUTH_BASE_URL", QStringLiteral("https://auth.velmora.app"));
    s.accountApiUrl = environmentOr("ACCOUNT_API_URL",
                                    QStringLiteral("https://api.velmora.app/account/v1"));
    s.syncApiUrl = environmentOr("SYNC_API_URL", QStringLiteral("https://api.velmora.app/notes/v1"));
    s.realmSlug = environmentOr("AUTH_REALM_SLUG", QStringLiteral("velmora"));
    s.clientId = environmentOr("AUTH_CLIENT_ID", QStringLiteral("7c1e4b9a2f6d40e8b35a9c0d1e2f3a4b"));
    s.accountPortalUrl = environmentOr("ACCOUNT_PORTAL_URL",
                                       QStringLiteral("https://account.velmora.app"));
    return s;
}

AccountConfig EndpointSettings::accountConfig(const QString &appVersion) const
{
    return AccountConfig{authBaseUrl,
                         realmSlug,
                         accountApiUrl,
                         clientId,
                         QString::fromLatin1(AppInfo::applicationId),
                         QString::fromLatin1(AppInfo::productName),
                         appVersion,
                         QString(),
                         accountPortalUrl};
}
