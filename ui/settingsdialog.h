#pragma once

#include <QDialog>
#include <QIcon>

class AppState;
class QLabel;
class QListWidget;
class QStackedWidget;
class QVBoxLayout;

// The "Preferences" window. Every control writes straight to the
// preferences when it changes; the main window reacts to the stored keys.
class SettingsDialog : public QDialog
{
    Q_OBJECT

public:
    SettingsDialog(AppState *state, QWidget *parent = nullptr);

    // The category list style sheet for the light or dark theme.
    static QString categoryStyleSheet(bool dark);

private:
    enum class Glyph { Appearance, Editor, Window };

    void addPage(const QString &name, Glyph glyph, QWidget *page);
    QWidget *createAppearancePage();
    QWidget *createEditorPage();
    QWidget *createWindowPage();
    void applyCategoryStyle();
    QIcon categoryIcon(Glyph glyph, const QColor &colour) const;

    static QWidget *newPage(const QString &title, const QString &description, QVBoxLayout **layout);
    static void addSection(QVBoxLayout *layout, const QString &heading, const QString &description);

    AppState *m_state;
    QListWidget *m_categories = nullptr;
    QStackedWidget *m_pages = nullptr;
    QList<Glyph> m_glyphs;
};
