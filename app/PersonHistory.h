// TPersonHistory: the persons shown in one GEDCOM file, for going back and forward through
// them as in a web browser.
#pragma once

#include <string>
#include <vector>

// Holds the pointer of the person on screen and the pointers before and after it. Showing a
// person by any other way than Back or Forward puts the current one on the back list and
// clears the forward list; showing the person already current changes nothing. Plain data, no
// limits beyond memory (a pointer per click).
class TPersonHistory {
public:
    // A person was shown by a click, a dialog or on opening the file.
    void Shown(const std::string& pointer);

    bool CanGoBack() const { return !back_.empty(); }
    bool CanGoForward() const { return !forward_.empty(); }

    // The pointer to show for Back (or Forward), which becomes current; the one that was
    // current goes to the other list. REQUIRES: CanGoBack() (CanGoForward()).
    std::string GoBack();
    std::string GoForward();

    // The pointer of the person on screen; empty when none.
    const std::string& Current() const { return current_; }

    // Forgets everything, as when another file is opened.
    void Clear();

private:
    std::vector<std::string> back_;     // most recent last
    std::vector<std::string> forward_;  // next last
    std::string current_;
};
