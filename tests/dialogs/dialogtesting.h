// Helpers for driving the editors' real controls by their names.
#pragma once

#include <QDialog>
#include <QLayout>
#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

// The child called `name`; fails the test when there is none of that kind.
template <typename T> T* Child(const QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << "no control " << name;
    return child;
}

// Names of the controls Tab visits, starting at `first`, `count` of them.
inline QStringList TabChain(QWidget* first, int count) {
    QStringList names;
    QWidget* widget = first;
    while (widget != nullptr && names.size() < count) {
        if (widget->focusPolicy() & Qt::TabFocus)
            names << widget->objectName();
        widget = widget->nextInFocusChain();
        if (widget == first)
            break;
    }
    return names;
}

// A frame the user cannot resize.
inline bool HasFixedSize(QDialog& dialog) {
    dialog.adjustSize();
    return dialog.minimumSize() == dialog.maximumSize() &&
           dialog.layout()->sizeConstraint() == QLayout::SetFixedSize;
}
