#pragma once

#include <QObject>
#include <QString>

// The window's controls are found by their object names, the contract its parts share. A missing name
// is a programming error, caught in debug builds.
template <typename T>
T* namedControl(const QObject* root, const char* name)
{
    T* found = root->findChild<T*>(QString::fromLatin1(name));
    Q_ASSERT_X(found, "namedControl", name);
    return found;
}
