// ToxScrollPane: one of the two scrollable panes of a split panel.
#pragma once

#include <QScrollArea>

// A scroll area whose content callers fill. At first the content is an empty plain widget
// (Content()) that follows the pane's size; callers may place widgets on it or give it a layout,
// and it scrolls when its minimum size is larger than the pane. SetChild() replaces the content
// with one widget that fills the pane, which is how a list box or a text editor is put in it.
//
// The pane shows the arrow cursor unless a caller sets another, so that the split cursor of the
// bar beside it never shows through. User-interface thread only.
class ToxScrollPane : public QScrollArea {
    Q_OBJECT
    Q_PROPERTY(bool AutoScroll READ AutoScroll WRITE SetAutoScroll)

public:
    // An empty pane without a frame, scrolling automatically.
    explicit ToxScrollPane(QWidget* parent = nullptr);

    // The widget the pane shows: the empty content widget, or the child given to SetChild().
    // Owned by the pane.
    QWidget* Content() const { return widget(); }

    // Makes `child` the pane's content, filling the pane (it grows beyond the pane only up to its
    // own minimum size, with scroll bars then). The pane takes ownership of `child` and deletes
    // the previous content. REQUIRES: `child` is not null.
    void SetChild(QWidget* child);

    // True: scroll bars appear when the content is larger than the pane (the default). False:
    // no scroll bars are shown; the content can still be scrolled by code.
    bool AutoScroll() const { return autoScroll_; }
    void SetAutoScroll(bool on);

    // Gives the content the pane's inner size now, as the pane does on its own when it is
    // resized while shown. The split panel calls it after moving a pane, so that a child's size
    // (a nested split panel's, say) is known before the window is first shown. Does nothing while
    // the pane is visible, since the scroll area then sizes its content itself.
    void FitContent();

private:
    bool autoScroll_ = true;
};
