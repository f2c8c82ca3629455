#include "document/appearance.h"

#include <QColor>
#include <QGuiApplication>
#include <QPalette>

#include <atomic>

static constexpr int DefaultBodyPixelSize = 16;
static std::atomic<int> s_bodyPixelSize{DefaultBodyPixelSize};

int editorBodyPixelSize()
{
    const int size = s_bodyPixelSize.load();
    return size < 1 ? DefaultBodyPixelSize : size;
}

void setEditorBodyPixelSize(int pixels)
{
    s_bodyPixelSize.store(pixels < 1 ? DefaultBodyPixelSize : pixels);
}

bool isDarkTheme()
{
    static const int threshold = QColor(QStringLiteral("#1E1E1E")).lightness();
    return QGuiApplication::palette().color(QPalette::Window).lightness() <= threshold;
}
