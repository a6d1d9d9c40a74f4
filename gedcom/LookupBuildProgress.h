// TLookupBuildProgress: where the lookup-table builder shows its progress. The Create Lookup
// Table dialog implements it with its three labels; lineatum-tool prints the texts.
#pragma once

#include <string_view>

#include "table/Host.h"

// The three progress labels of a build and the event pump called at each progress point.
// Texts are Windows-1252 bytes. Called on the thread that runs the build.
class TLookupBuildProgress {
public:
    virtual ~TLookupBuildProgress() = default;
    // What the build is doing, e.g. "Creating index files...".
    virtual void SetActivity(std::string_view text) = 0;
    // The count of individuals found so far, e.g. "1200 individuals found".
    virtual void SetIndividuals(std::string_view text) = 0;
    // The share of the file read so far, e.g. "37% done".
    virtual void SetStatus(std::string_view text) = 0;
    // Lets the user interface repaint and deliver a click on its cancel button. The default
    // goes to the installed host.
    virtual void ProcessPendingEvents() { Host().ProcessPendingEvents(); }
};

// Progress nobody watches: for builds without a window (benchmarks, tests).
class TSilentBuildProgress : public TLookupBuildProgress {
public:
    void SetActivity(std::string_view) override {}
    void SetIndividuals(std::string_view) override {}
    void SetStatus(std::string_view) override {}
};
