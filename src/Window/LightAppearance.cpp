#include "Window/LightAppearance.h"

#include <QApplication>
#include <QPalette>

using namespace Qt::StringLiterals;

void LightAppearance::apply()
{
    QApplication::setStyle(u"Fusion"_s);
    QApplication::setPalette(palette());
}

QPalette LightAppearance::palette()
{
    const QColor window(0xF6, 0xF6, 0xF6);
    const QColor text(0x1D, 0x1D, 0x1F);
    const QColor accent(0x2E, 0x85, 0xFF);

    QPalette light(QColor(0xFC, 0xFC, 0xFC), window);
    light.setColor(QPalette::WindowText, text);
    light.setColor(QPalette::Text, text);
    light.setColor(QPalette::ButtonText, text);
    light.setColor(QPalette::Base, Qt::white);
    light.setColor(QPalette::AlternateBase, QColor(0xF4, 0xF5, 0xF5));
    light.setColor(QPalette::ToolTipBase, Qt::white);
    light.setColor(QPalette::ToolTipText, text);
    light.setColor(QPalette::PlaceholderText, QColor(0x8E, 0x8E, 0x93));
    light.setColor(QPalette::BrightText, Qt::white);
    light.setColor(QPalette::Highlight, accent);
    light.setColor(QPalette::HighlightedText, Qt::white);
    light.setColor(QPalette::Link, accent);
    light.setColor(QPalette::LinkVisited, QColor(0x1A, 0x5F, 0xCC));

    const QColor disabledText(0xA8, 0xA8, 0xAD);
    for (const QPalette::ColorRole role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        light.setColor(QPalette::Disabled, role, disabledText);
    light.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0xC8, 0xC8, 0xCC));
    return light;
}
