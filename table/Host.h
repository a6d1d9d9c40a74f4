// Host services: what the engine and the models need from the program around them. The
// user interface installs its own host (pumping window events, asking questions in message
// boxes); headless, the default host pumps nothing and answers every question with the answer
// that keeps the user's data.
#pragma once

#include <cstdint>
#include <string>

class HHost {
public:
    virtual ~HHost() = default;

    // Lets the user interface process pending window events during long work and between
    // retries of a failed file operation. The default does nothing.
    virtual void ProcessPendingEvents() {}

    // Asks a yes/no question. Returns true for Yes. `safeAnswer` is the answer that keeps the
    // user's data; the default host returns it without asking.
    virtual bool AskYesNo(const std::string& text, const std::string& caption, bool safeAnswer) {
        (void)text;
        (void)caption;
        return safeAnswer;
    }

    // Milliseconds from an arbitrary fixed point; wraps around like a 32-bit tick counter.
    virtual uint32_t TickCount();
};

// The host in force. Never null: the default host until InstallHost is called.
HHost& Host();

// Installs `host` (not owned; it must outlive its installation). nullptr restores the default.
void InstallHost(HHost* host);
