// The engine's host in the viewer: pending window events are processed by Qt and questions are
// asked in message boxes.
#pragma once

#include <string>

#include "table/Host.h"

// Installed by the program entry for the whole run (InstallHost). User-interface thread only.
class QtHost : public HHost {
public:
    // Processes pending window events.
    void ProcessPendingEvents() override;
    // Asks in a modal box (AskYesNo); `text` and `caption` are Windows-1252 bytes. `safeAnswer`
    // is not used: the user answers.
    bool AskYesNo(const std::string& text, const std::string& caption, bool safeAnswer) override;
};
