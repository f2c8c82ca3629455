#pragma once

#include <QObject>
#include <QPalette>
#include <QString>

class PreferencesRepository;

// Installs the light or dark application palette, or follows the desktop,
// and remembers the choice in the "theme_mode" preference.
class ThemeManager : public QObject
{
    Q_OBJECT

public:
    enum Theme { System = 0, Light = 1, Dark = 2 };
    Q_ENUM(Theme)

    ThemeManager(PreferencesRepository *preferences, QObject *parent = nullptr);

    Theme theme() const { return m_theme; }

    // "light", "dark"; any other text follows the desktop.
    void setTheme(const QString &mode);
    // Applies the stored "theme_mode" (default "system"); used at start-up.
    void applyStoredTheme();

    static QString modeName(Theme theme);
    static QPalette lightPalette();
    static QPalette darkPalette();
    // Whether the desktop asks for a dark scheme right now.
    static bool desktopPrefersDark();

signals:
    void themeChanged(ThemeManager::Theme theme);

private:
    void applyPalette(const QPalette &palette);

    PreferencesRepository *m_preferences = nullptr;
    Theme m_theme = System;
};
