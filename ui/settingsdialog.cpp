#include "ui/settingsdialog.h"

#include "app/appstate.h"
#include "document/appearance.h"
#include "storage/preferencesrepository.h"
#include "ui/thememanager.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

QLabel *descriptionLabel(const QString &text)
{
    auto *label = new QLabel(text);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QCheckBox *preferenceCheckBox(PreferencesRepository *preferences,
                              const QString &text,
                              const QString &key,
                              bool defaultValue)
{
    auto *box = new QCheckBox(text);
    box->setChecked(preferences ? preferences->getBool(key, defaultValue) : defaultValue);
    QObject::connect(box, &QCheckBox::toggled, box, [preferences, key](bool checked) {
        if (preferences)
            preferences->setBool(key, checked);
    });
    return box;
}

} // namespace

SettingsDialog::SettingsDialog(AppState *state, QWidget *parent)
    : QDialog(parent)
    , m_state(state)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Preferences"));
    setMinimumSize(720, 520);
    resize(780, 560);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_categories = new QListWidget(this);
    m_categories->setObjectName(QStringLiteral("categoryList"));
    m_categories->setFixedWidth(190);
    m_categories->setFrameShape(QFrame::NoFrame);
    m_categories->setFocusPolicy(Qt::NoFocus);
    m_categories->setSpacing(2);
    m_categories->setIconSize(QSize(20, 20));
    layout->addWidget(m_categories);

    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::VLine);
    line->setForegroundRole(QPalette::Mid);
    layout->addWidget(line);

    m_pages = new QStackedWidget(this);
    layout->addWidget(m_pages, 1);

    // The sync and account pages join the list once those services exist.
    addPage(tr("Appearance"), Glyph::Appearance, createAppearancePage());
    addPage(tr("Editor"), Glyph::Editor, createEditorPage());
    addPage(tr("Window"), Glyph::Window, createWindowPage());

    connect(m_categories,
            &QListWidget::currentRowChanged,
            m_pages,
            &QStackedWidget::setCurrentIndex);
    m_categories->setCurrentRow(0);
    // A click below the last category would clear the selection while its
    // page stays shown; the shown page keeps its row marked.
    connect(m_categories, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_categories->selectedItems().isEmpty() && m_categories->currentItem())
            m_categories->currentItem()->setSelected(true);
    });

    applyCategoryStyle();
    if (m_state && m_state->themeManager()) {
        connect(m_state->themeManager(),
                &ThemeManager::themeChanged,
                this,
                &SettingsDialog::applyCategoryStyle);
    }
}

QString SettingsDialog::categoryStyleSheet(bool dark)
{
    const QString sheet = QStringLiteral(
        "QListWidget {  background: %1;  border: none;  padding: 14px 10px;  font-family: 'IBM "
        "Plex Sans';  font-size: 13px;}QListWidget::item {  color: %2;  padding: 9px 12px;  "
        "border-radius: 6px;}QListWidget::item:hover { background: %3; "
        "}QListWidget::item:selected { background: %4; color: %5; }");
    if (dark) {
        return sheet.arg(QStringLiteral("#1B1E22"),
                         QStringLiteral("#D7DBE0"),
                         QStringLiteral("#24272C"),
                         QStringLiteral("#30343A"),
                         QStringLiteral("#FFFFFF"));
    }
    return sheet.arg(QStringLiteral("#F2F4F7"),
                     QStringLiteral("#2B3138"),
                     QStringLiteral("#E6E9EE"),
                     QStringLiteral("#D9E1EA"),
                     QStringLiteral("#1A1F26"));
}

void SettingsDialog::addPage(const QString &name, Glyph glyph, QWidget *page)
{
    m_glyphs.append(glyph);
    m_categories->addItem(new QListWidgetItem(name));
    m_pages->addWidget(page);
}

void SettingsDialog::applyCategoryStyle()
{
    const bool dark = isDarkTheme();
    m_categories->setStyleSheet(categoryStyleSheet(dark));
    const QColor glyphColour(dark ? "#D7DBE0" : "#2B3138");
    for (int row = 0; row < m_categories->count(); ++row)
        m_categories->item(row)->setIcon(categoryIcon(m_glyphs.at(row), glyphColour));
}

QIcon SettingsDialog::categoryIcon(Glyph glyph, const QColor &colour) const
{
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap(QSize(20, 20) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);

    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(colour, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);

    switch (glyph) {
    case Glyph::Appearance: {
        // A half-filled circle: light and dark.
        const QRectF disc(3, 3, 14, 14);
        painter.drawEllipse(disc);
        QPainterPath half;
        half.moveTo(10, 3);
        half.arcTo(disc, 90, 180);
        half.closeSubpath();
        painter.fillPath(half, colour);
        break;
    }
    case Glyph::Editor: {
        // A pencil over a text line.
        QPainterPath pencil;
        pencil.moveTo(5, 15);
        pencil.lineTo(6, 11.5);
        pencil.lineTo(14, 3.5);
        pencil.lineTo(16.5, 6);
        pencil.lineTo(8.5, 14);
        pencil.closeSubpath();
        painter.drawPath(pencil);
        painter.drawLine(QPointF(4, 17.5), QPointF(16, 17.5));
        break;
    }
    case Glyph::Window: {
        // A window frame with its title bar.
        painter.drawRoundedRect(QRectF(2.5, 4, 15, 12), 2.5, 2.5);
        painter.drawLine(QPointF(2.5, 7.5), QPointF(17.5, 7.5));
        break;
    }
    }
    painter.end();
    return QIcon(pixmap);
}

QWidget *SettingsDialog::newPage(const QString &title,
                                 const QString &description,
                                 QVBoxLayout **layout)
{
    auto *page = new QWidget;
    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(28, 24, 28, 24);
    column->setSpacing(8);

    auto *heading = new QLabel(title);
    QFont font(QStringLiteral("IBM Plex Sans"));
    font.setPixelSize(22);
    font.setWeight(QFont::DemiBold);
    heading->setFont(font);
    column->addWidget(heading);
    if (!description.isEmpty())
        column->addWidget(descriptionLabel(description));
    column->addSpacing(8);
    *layout = column;
    return page;
}

void SettingsDialog::addSection(QVBoxLayout *layout,
                                const QString &heading,
                                const QString &description)
{
    layout->addSpacing(10);
    auto *label = new QLabel(heading);
    QFont font = label->font();
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    layout->addWidget(label);
    if (!description.isEmpty())
        layout->addWidget(descriptionLabel(description));
}

QWidget *SettingsDialog::createAppearancePage()
{
    PreferencesRepository *preferences = m_state ? m_state->preferences() : nullptr;
    QVBoxLayout *column = nullptr;
    QWidget *page = newPage(tr("Appearance"),
                            tr("Choose how Velmora Notes looks. System follows your desktop's "
                               "light or dark mode automatically."),
                            &column);
    addSection(column, tr("Theme"), QString());

    auto *combo = new QComboBox;
    combo->setObjectName(QStringLiteral("themeCombo"));
    combo->addItem(tr("System"), QStringLiteral("system"));
    combo->addItem(tr("Light"), QStringLiteral("light"));
    combo->addItem(tr("Dark"), QStringLiteral("dark"));
    const QString stored = preferences ? preferences->getString(QStringLiteral("theme_mode"),
                                                                QStringLiteral("system"))
                                       : QStringLiteral("system");
    // Any text other than the three modes means the theme follows the desktop.
    combo->setCurrentIndex(qMax(0, combo->findData(stored)));
    connect(combo, &QComboBox::currentIndexChanged, this, [combo, preferences](int index) {
        if (preferences && index >= 0)
            preferences->setString(QStringLiteral("theme_mode"), combo->itemData(index).toString());
    });

    auto *form = new QFormLayout;
    form->addRow(tr("Theme"), combo);
    column->addLayout(form);
    column->addStretch(1);
    return page;
}

QWidget *SettingsDialog::createEditorPage()
{
    PreferencesRepository *preferences = m_state ? m_state->preferences() : nullptr;
    QVBoxLayout *column = nullptr;
    QWidget *page = newPage(tr("Editor"), QString(), &column);

    addSection(column,
               tr("Layout"),
               tr("Steno mode flips the note list so the oldest note is at the top and the "
                  "search bar moves to the bottom — a steno-pad feel for rapid capture."));
    QCheckBox *steno = preferenceCheckBox(preferences,
                                          tr("Enable Steno mode"),
                                          QStringLiteral("steno_mode"),
                                          false);
    steno->setObjectName(QStringLiteral("stenoCheck"));
    column->addWidget(steno);

    addSection(column,
               tr("Typography"),
               tr("Adjust the base size of the note body. Headings and code scale along with "
                  "it."));
    auto *size = new QSpinBox;
    size->setObjectName(QStringLiteral("bodySizeSpin"));
    size->setRange(9, 18);
    size->setSuffix(tr(" pt"));
    // The box clamps a stored value outside the range for display only; it
    // writes nothing until the user changes it.
    size->setValue(preferences ? preferences->getInt(QStringLiteral("editor_body_pt"), 12) : 12);
    connect(size, &QSpinBox::valueChanged, this, [preferences](int value) {
        if (preferences)
            preferences->setInt(QStringLiteral("editor_body_pt"), value);
    });
    auto *form = new QFormLayout;
    form->addRow(tr("Body size"), size);
    column->addLayout(form);
    column->addStretch(1);
    return page;
}

QWidget *SettingsDialog::createWindowPage()
{
    PreferencesRepository *preferences = m_state ? m_state->preferences() : nullptr;
    QVBoxLayout *column = nullptr;
    QWidget *page = newPage(tr("Window"), QString(), &column);

    addSection(column,
               tr("System Tray"),
               tr("Keep Velmora Notes running in the background for instant capture without a "
                  "cold start."));
    QCheckBox *tray = preferenceCheckBox(preferences,
                                         tr("Close to tray"),
                                         QStringLiteral("close_to_tray"),
                                         false);
    tray->setObjectName(QStringLiteral("closeToTrayCheck"));
    column->addWidget(tray);
    column->addWidget(descriptionLabel(
        tr("When enabled, closing the window hides it to the system tray instead of quitting.")));

    column->addSpacing(6);
    QCheckBox *minimized = preferenceCheckBox(preferences,
                                              tr("Start minimized to tray"),
                                              QStringLiteral("start_minimized"),
                                              false);
    minimized->setObjectName(QStringLiteral("startMinimizedCheck"));
    column->addWidget(minimized);
    column->addWidget(descriptionLabel(
        tr("Launch Velmora Notes directly to the tray — useful for autostart at login.")));
    column->addStretch(1);
    return page;
}
