// WaitCursor: shows the hourglass while an object of this class lives.
#pragma once

#include <QApplication>
#include <QCursor>

// Scoped override cursor; the previous cursor comes back however the scope ends. Nestable.
// User-interface thread only.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
