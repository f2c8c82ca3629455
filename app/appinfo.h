#pragma once

// The product's identity, shared by the shell, the about box and the
// update and what's-new checks.
struct AppInfo
{
    static constexpr char productName[] = "Velmora Notes";
    static constexpr char version[] = "1.0.1";
    static constexpr char organizationName[] = "Velmora";
    static constexpr char organizationDomain[] = "velmora.app";
    static constexpr char applicationName[] = "Notes";
    static constexpr char applicationId[] = "app.velmora.notes";
    static constexpr char updateBaseUrl[] = "https://downloads.velmora.app/notes/stable/";
    static constexpr char instanceServerName[] = "velmora-notes-instance";
};
