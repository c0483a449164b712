#pragma once

#include <QLabel>
#include <QPushButton>

// Controls made with their object name (the control's name in its window, such as bitbtn1, by
// which findChild looks it up) and, for buttons, an accessible name.

inline QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

inline QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text,
                               const QString& accessible) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAccessibleName(accessible);
    return button;
}
