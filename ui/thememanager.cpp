#include "ui/thememanager.h"

#include "storage/preferencesrepository.h"

#include <QApplication>
#include <QColor>
#include <QStyleHints>
#include <QtGlobal>

namespace {

struct PaletteColours
{
    const char *window;
    const char *windowText;
    const char *base;
    const char *alternateBase;
    const char *text;
    const char *button;
    const char *buttonText;
    const char *highlight;
    const char *highlightedText;
    const char *toolTipBase;
    const char *toolTipText;
    const char *placeholderText;
    const char *mid;
    const char *light;
    const char *dark;
    const char *disabledText;
};

const PaletteColours lightColours = {"#FAFAFA",
                                     "#212121",
                                     "#FFFFFF",
                                     "#F5F7FA",
                                     "#212121",
                                     "#FAFAFA",
                                     "#212121",
                                     "#1565C0",
                                     "#FFFFFF",
                                     "#FFFFFF",
                                     "#212121",
                                     "#78909C",
                                     "#E0E0E0",
                                     "#FFFFFF",
                                     "#B0BEC5",
                                     "#9E9E9E"};

const PaletteColours darkColours = {"#1E1E1E",
                                    "#E0E0E0",
                                    "#252525",
                                    "#2A2A2A",
                                    "#E0E0E0",
                                    "#252525",
                                    "#E0E0E0",
                                    "#42A5F5",
                                    "#1E1E1E",
                                    "#252525",
                                    "#E0E0E0",
                                    "#9E9E9E",
                                    "#3A3A3A",
                                    "#3A3A3A",
                                    "#0D0D0D",
                                    "#555555"};

QPalette buildPalette(const PaletteColours &c)
{
    // Start from a palette derived from the two base colours so that the
    // roles the table leaves open (shadow, midlight, ...) match the scheme.
    QPalette p{QColor(c.button), QColor(c.window)};
    const auto set = [&p](QPalette::ColorRole role, const char *colour) {
        p.setColor(QPalette::All, role, QColor(colour));
    };
    set(QPalette::Window, c.window);
    set(QPalette::WindowText, c.windowText);
    set(QPalette::Base, c.base);
    set(QPalette::AlternateBase, c.alternateBase);
    set(QPalette::Text, c.text);
    set(QPalette::Button, c.button);
    set(QPalette::ButtonText, c.buttonText);
    set(QPalette::Highlight, c.highlight);
    set(QPalette::HighlightedText, c.highlightedText);
    set(QPalette::ToolTipBase, c.toolTipBase);
    set(QPalette::ToolTipText, c.toolTipText);
    set(QPalette::PlaceholderText, c.placeholderText);
    set(QPalette::Mid, c.mid);
    set(QPalette::Light, c.light);
    set(QPalette::Dark, c.dark);
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(c.disabledText));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(c.disabledText));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(c.disabledText));
    return p;
}

#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0)
// Without the colour-scheme hint the desktop's scheme is read from the
// palette the platform gave the application. Once we have installed a
// palette of our own, the last palette seen that was not ours stands for it.
struct DesktopPaletteCache
{
    QPalette desktop;
    bool haveDesktop = false;
    QPalette installed;
    bool haveInstalled = false;
};

DesktopPaletteCache &desktopCache()
{
    static DesktopPaletteCache cache;
    return cache;
}

bool isOurs(const QPalette &current)
{
    const DesktopPaletteCache &cache = desktopCache();
    return cache.haveInstalled
           && current.color(QPalette::Window) == cache.installed.color(QPalette::Window)
           && current.color(QPalette::WindowText) == cache.installed.color(QPalette::WindowText)
           && current.color(QPalette::Base) == cache.installed.color(QPalette::Base);
}

void captureDesktopPalette()
{
    if (!qApp)
        return;
    const QPalette current = QGuiApplication::palette();
    if (!isOurs(current)) {
        desktopCache().desktop = current;
        desktopCache().haveDesktop = true;
    }
}
#endif

} // namespace

ThemeManager::ThemeManager(PreferencesRepository *preferences, QObject *parent)
    : QObject(parent)
    , m_preferences(preferences)
{
#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0)
    captureDesktopPalette();
#endif
}

QString ThemeManager::modeName(Theme theme)
{
    switch (theme) {
    case Light:
        return QStringLiteral("light");
    case Dark:
        return QStringLiteral("dark");
    case System:
        break;
    }
    return QStringLiteral("system");
}

QPalette ThemeManager::lightPalette()
{
    return buildPalette(lightColours);
}

QPalette ThemeManager::darkPalette()
{
    return buildPalette(darkColours);
}

bool ThemeManager::desktopPrefersDark()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    return QGuiApplication::styleHints()->colorScheme() == Qt::ColorScheme::Dark;
#else
    captureDesktopPalette();
    const DesktopPaletteCache &cache = desktopCache();
    if (!cache.haveDesktop)
        return false;
    // A desktop scheme is dark when its text is lighter than its windows.
    return cache.desktop.color(QPalette::Window).lightness()
           < cache.desktop.color(QPalette::WindowText).lightness();
#endif
}

void ThemeManager::setTheme(const QString &mode)
{
    if (mode == QLatin1String("light")) {
        m_theme = Light;
        applyPalette(lightPalette());
    } else if (mode == QLatin1String("dark")) {
        m_theme = Dark;
        applyPalette(darkPalette());
    } else {
        m_theme = System;
        applyPalette(desktopPrefersDark() ? darkPalette() : lightPalette());
    }
    // The repository ignores an unchanged value, so this does not come back
    // through PreferencesRepository::changed.
    if (m_preferences)
        m_preferences->setString(QStringLiteral("theme_mode"), modeName(m_theme));
    emit themeChanged(m_theme);
}

void ThemeManager::applyStoredTheme()
{
    const QString mode = m_preferences ? m_preferences->getString(QStringLiteral("theme_mode"),
                                                                  QStringLiteral("system"))
                                       : QStringLiteral("system");
    setTheme(mode);
}

void ThemeManager::applyPalette(const QPalette &palette)
{
    if (!qApp)
        return;
    QApplication::setPalette(palette);
#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0)
    desktopCache().installed = QGuiApplication::palette();
    desktopCache().haveInstalled = true;
#endif
}
