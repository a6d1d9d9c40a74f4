#include "widgets/ScreenCursors.h"

#include <map>

namespace {

std::map<int, QCursor>& Cursors() {
    static std::map<int, QCursor> cursors;
    return cursors;
}

}  // namespace

void SetScreenCursor(int slot, const QCursor& cursor) { Cursors()[slot] = cursor; }

QCursor ScreenCursor(int slot) {
    const auto it = Cursors().find(slot);
    return it == Cursors().end() ? QCursor(Qt::ArrowCursor) : it->second;
}

bool HasScreenCursor(int slot) { return Cursors().count(slot) != 0; }
