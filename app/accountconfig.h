#pragma once

#include <QString>

// The endpoint and identity settings the account services are built from.
struct AccountConfig
{
    QString authBaseUrl;
    QString realmSlug;
    QString accountApiUrl;
    QString clientId;
    QString appId;
    QString productName;
    QString appVersion;
    QString platform; // empty: derived from the operating system
    QString accountPortalUrl;
};

// Endpoint settings resolved from the environment, with the maker's defaults.
struct EndpointSettings
{
    QString authBaseUrl;
    QString accountApiUrl;
    QString syncApiUrl;
    QString realmSlug;
    QString clientId;
    QString accountPortalUrl;

    static EndpointSettings fromEnvironment();
    AccountConfig accountConfig(const QString &appVersion) const;
};
