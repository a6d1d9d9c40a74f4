// bench_viewer_build: the viewer's lookup-table build against the tool's on the same synthetic
// GEDCOM file, and how quickly the viewer's build reacts to Cancel Lookup Table Building.
//
//   bench_viewer_build [--gedcom FILE] [--individuals N] [--dir PATH] [--seed S] [--runs N]
//                      [--cancel-repeats N]
//
// 1. Build time: the Create Lookup Table dialog, shown (offscreen unless QT_QPA_PLATFORM says
//    otherwise) and run modally with the real builder, timed from the Create click until the
//    click handler returns, against gedcom::BuildLookupTable with a silent progress (what
//    `lineatum-tool build` runs). The two alternate, --runs times each (default 5); medians of
//    wall and CPU time and their ratio are printed (target: viewer / tool at most 1.2), with
//    how often the dialog processed window events (calls of its PumpEvents) and repainted
//    its labels (paint events) per second, and the longest stretch without processing events.
// 2. Cancel latency: viewer builds in which a second thread posts a click on Cancel Lookup
//    Table Building into the event queue at points of the scan and of the index phase, as a
//    user's click arrives. Printed for each: click to delivery, click to the end of the scan
//    (target: 100 ms) and click to the dialog's end.
//
// Without --gedcom a file of --individuals (default 1,000,000) is generated in --dir (default
// /tmp). Tables, indexes and a generated file are removed at the end.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <fstream>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <unistd.h>
#include <vector>

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "bench/BenchMeasures.h"
#include "bench/SyntheticGedcom.h"
#include "gedcom/CreateIndexForm.h"
#include "gedcom/FilePaths.h"
#include "gedcom/GedcomState.h"
#include "gedcom/LookupTableBuilder.h"
#include "table/HCreateTable.h"
#include "table/HTable.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double CpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void RemoveBuild(const std::string& lookup) {
    gedcom::RemoveRegularFile(gedcom::ReplaceExtension(lookup, ".DBF"));
    gedcom::RemoveRegularFile(gedcom::ReplaceExtension(lookup, ".CDX"));
}

// Counts the paint events of the widgets it filters.
class PaintCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
    long paints = 0;
};

// Counts the dialog's passes through its event pump while active, and the longest stretch
// between two of them.
class PumpWatch {
public:
    // Counts the pumps of `form` from now on.
    void Attach(TCreateIndexForm& form) {
        form.PumpEvents = [this, pump = form.PumpEvents] {
            Pass();
            const Clock::time_point start = Clock::now();
            pump();
            if (active_) pumpMs += Milliseconds(start, Clock::now());
        };
    }
    void Start() {
        active_ = true;
        pumps = 0;
        pumpMs = 0;
        longestGapMs = 0;
        last_ = Clock::now();
    }
    void Stop() {
        const Clock::time_point now = Clock::now();
        longestGapMs = std::max(longestGapMs, Milliseconds(last_, now));
        active_ = false;
    }
    long pumps = 0;
    double pumpMs = 0;  // spent processing events
    double longestGapMs = 0;

private:
    void Pass() {
        if (!active_) return;
        const Clock::time_point now = Clock::now();
        longestGapMs = std::max(longestGapMs, Milliseconds(last_, now));
        last_ = now;
        ++pumps;
    }
    bool active_ = false;
    Clock::time_point last_;
};

// When the phases of one build began and ended, seen from inside the dialog's build.
struct Timeline {
    Clock::time_point start;
    Clock::time_point scanEnd;          // the builder's "100% done"
    Clock::time_point nameTagStart;     // first index sort begins
    Clock::time_point pointerTagStart;  // second index sort begins
    Clock::time_point end;              // the Create click handler returned
    int64_t individuals = 0;
    bool cancelled = false;
};

// Passes the builder's progress on to the dialog's, noting when the scan ends.
class TimelineProgress : public TLookupBuildProgress {
public:
    TimelineProgress(TLookupBuildProgress& inner, Timeline& timeline)
        : inner_(inner), timeline_(timeline) {}
    void SetActivity(std::string_view text) override { inner_.SetActivity(text); }
    void SetIndividuals(std::string_view text) override { inner_.SetIndividuals(text); }
    void SetStatus(std::string_view text) override {
        if (text == "100% done") timeline_.scanEnd = Clock::now();
        inner_.SetStatus(text);
    }
    void ProcessPendingEvents() override { inner_.ProcessPendingEvents(); }

private:
    TLookupBuildProgress& inner_;
    Timeline& timeline_;
};

// The real builder, watched: fills `timeline` on the way.
TCreateIndexBuild WatchedBuilder(Timeline& timeline) {
    return [&timeline](const std::string& gedcomPath, const std::string& lookupPath,
                       HCreateTable& creator, HTable& table, TLookupBuildProgress& progress) {
        TimelineProgress watched(progress, timeline);
        const auto dialogStatus = table.OnStatus;
        int sorts = 0;
        table.OnStatus = [&](int code, int value, int total) {
            if (code == -1 && value == 1) {
                (++sorts == 1 ? timeline.nameTagStart : timeline.pointerTagStart) = Clock::now();
            }
            dialogStatus(code, value, total);
        };
        const gedcom::TLookupBuildResult result =
            gedcom::BuildLookupTable(gedcomPath, lookupPath, creator, table, watched);
        table.OnStatus = dialogStatus;
        timeline.individuals = result.individuals;
        timeline.cancelled = result.cancelled;
    };
}

struct ViewerRun {
    double wallSeconds = 0;
    double cpuSeconds = 0;
    long pumps = 0;
    double pumpMs = 0;
    double longestGapMs = 0;
    long activityPaints = 0;
    long statusPaints = 0;
    long individualsPaints = 0;
    bool failed = false;
};

// Runs the dialog modally on `gedcomPath` and clicks Create. `build` replaces the builder when
// set; `atClick` runs just before the click, with the click's time, and `afterBuild` when the
// click handler has returned, while the dialog still exists.
ViewerRun RunViewer(const std::string& gedcomPath, const std::string& lookup,
                    TCreateIndexBuild build = {},
                    const std::function<void(TCreateIndexForm&, Clock::time_point)>& atClick = {},
                    const std::function<void(TCreateIndexForm&)>& afterBuild = {}) {
    ViewerRun run;
    TCreateIndexForm form(nullptr, std::move(build));
    form.ShowBuildError = [&run](const QString& message) {
        std::fprintf(stderr, "build error: %s\n", message.toLocal8Bit().constData());
        run.failed = true;
    };
    form.SetGedcomPath(gedcomPath);
    form.SetLookupPath(lookup);
    PaintCounter activity, status, individuals;
    form.activity->installEventFilter(&activity);
    form.status->installEventFilter(&status);
    form.individuals->installEventFilter(&individuals);
    PumpWatch watch;
    watch.Attach(form);
    QTimer::singleShot(0, &form, [&] {
        watch.Start();
        const double cpu = CpuSeconds();
        const Clock::time_point start = Clock::now();
        if (atClick) atClick(form, start);
        form.CreateButton->click();
        const Clock::time_point end = Clock::now();
        run.cpuSeconds = CpuSeconds() - cpu;
        watch.Stop();
        run.wallSeconds = Milliseconds(start, end) / 1000.0;
        if (afterBuild) afterBuild(form);
    });
    form.exec();
    run.pumps = watch.pumps;
    run.pumpMs = watch.pumpMs;
    run.longestGapMs = watch.longestGapMs;
    run.activityPaints = activity.paints;
    run.statusPaints = status.paints;
    run.individualsPaints = individuals.paints;
    RemoveBuild(lookup);
    return run;
}

struct ToolRun {
    double wallSeconds = 0;
    double cpuSeconds = 0;
    int64_t rows = 0;
};

ToolRun RunTool(const std::string& gedcomPath, const std::string& lookup) {
    ToolRun run;
    HTable table;
    table.SetExclusive(true);
    HCreateTable creator;
    TSilentBuildProgress progress;
    const double cpu = CpuSeconds();
    const Clock::time_point start = Clock::now();
    const gedcom::TLookupBuildResult result =
        gedcom::BuildLookupTable(gedcomPath, lookup, creator, table, progress);
    run.wallSeconds = Milliseconds(start, Clock::now()) / 1000.0;
    run.cpuSeconds = CpuSeconds() - cpu;
    run.rows = result.failed ? -1 : result.rows;
    RemoveBuild(lookup);
    return run;
}

// One cancelled build: the click goes into the event queue `delayMs` after Create.
struct CancelRun {
    double clickMs = 0;       // after Create
    double deliveredMs = -1;  // click to the button's clicked signal
    double scanStopMs = -1;   // click to "100% done", when the click came during the scan
    double endMs = 0;         // click to the end of the Create handler
    bool posted = false;      // the build was still running at the planned time
    bool duringScan = false;
    const char* phase = "";  // where the build was at the click
    int64_t individuals = 0;
};

CancelRun RunCancel(const std::string& gedcomPath, const std::string& lookup, double delayMs) {
    CancelRun run;
    Timeline timeline;
    Clock::time_point clickAt, deliveredAt;
    bool posted = false;
    // The clicker thread posts nothing once the build is over and the dialog about to go.
    std::mutex mutex;
    std::condition_variable over;
    bool buildOver = false;
    std::thread clicker;
    const ViewerRun viewer = RunViewer(
        gedcomPath, lookup, WatchedBuilder(timeline),
        [&](TCreateIndexForm& form, Clock::time_point start) {
            timeline.start = start;
            QPushButton* button = form.Cancelindexbutton;
            QObject::connect(button, &QPushButton::clicked, [&] { deliveredAt = Clock::now(); });
            const auto at = start + std::chrono::microseconds(static_cast<int64_t>(delayMs * 1000));
            clicker = std::thread([&, button, at] {
                std::unique_lock<std::mutex> lock(mutex);
                if (over.wait_until(lock, at, [&] { return buildOver; })) return;
                clickAt = Clock::now();
                posted = true;
                QMetaObject::invokeMethod(
                    button, [button] { button->click(); }, Qt::QueuedConnection);
            });
        },
        [&](TCreateIndexForm& form) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                buildOver = true;
            }
            over.notify_all();
            clicker.join();
            // A click posted too late must not reach anything else.
            QCoreApplication::removePostedEvents(form.Cancelindexbutton, QEvent::MetaCall);
        });
    timeline.end =
        timeline.start + std::chrono::microseconds(static_cast<int64_t>(viewer.wallSeconds * 1e6));
    GedcomState().BuildCancelled = false;
    run.posted = posted;
    if (!posted) return run;
    run.clickMs = Milliseconds(timeline.start, clickAt);
    if (deliveredAt > clickAt) run.deliveredMs = Milliseconds(clickAt, deliveredAt);
    run.duringScan = timeline.scanEnd > clickAt;
    if (run.duringScan) run.scanStopMs = Milliseconds(clickAt, timeline.scanEnd);
    run.endMs = Milliseconds(clickAt, timeline.end);
    run.individuals = timeline.individuals;
    const bool namePassed =
        timeline.nameTagStart != Clock::time_point() && clickAt >= timeline.nameTagStart;
    const bool pointerPassed =
        timeline.pointerTagStart != Clock::time_point() && clickAt >= timeline.pointerTagStart;
    run.phase = run.duringScan  ? "scan"
                : pointerPassed ? "tag POINTER"
                : namePassed    ? "tag NAME"
                                : "between";
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    SyntheticGedcomOptions options;
    options.individuals = 1000000;
    std::string dir = "/tmp";
    std::string gedcomPath;
    int runs = 5;
    int cancelRepeats = 2;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--individuals") options.individuals = std::atoll(argv[i + 1]);
        if (arg == "--dir") dir = argv[i + 1];
        if (arg == "--seed") options.seed = std::strtoull(argv[i + 1], nullptr, 10);
        if (arg == "--gedcom") gedcomPath = argv[i + 1];
        if (arg == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
        if (arg == "--cancel-repeats") cancelRepeats = std::max(0, std::atoi(argv[i + 1]));
    }
    const std::string base = dir + "/bench_viewer_" + std::to_string(::getpid());
    const bool generated = gedcomPath.empty();
    if (generated) {
        gedcomPath = base + ".ged";
        try {
            WriteSyntheticGedcomFile(gedcomPath, options);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }
    const std::string lookup = base + ".DBF";
    GedcomState().Decoding = gedcom::TextDecoding::Utf8;
    std::printf("file: %s\nplatform: %s\nload before: %s\n", gedcomPath.c_str(),
                qPrintable(QGuiApplication::platformName()), LoadAverage().c_str());

    int status = 0;
    try {
        // Warm-up: the file into the page cache, and a timeline of the viewer's phases.
        const ToolRun warm = RunTool(gedcomPath, lookup);
        if (warm.rows < 0) throw std::runtime_error("the tool's build failed");
        Timeline timeline;
        const ViewerRun reference =
            RunViewer(gedcomPath, lookup, WatchedBuilder(timeline),
                      [&](TCreateIndexForm&, Clock::time_point start) { timeline.start = start; });
        timeline.end = timeline.start +
                       std::chrono::microseconds(static_cast<int64_t>(reference.wallSeconds * 1e6));
        const double scanMs = Milliseconds(timeline.start, timeline.scanEnd);
        const double nameMs = Milliseconds(timeline.nameTagStart, timeline.pointerTagStart);
        const double pointerMs = Milliseconds(timeline.pointerTagStart, timeline.end);
        std::printf(
            "rows: %lld; viewer phases: scan %.0f ms, tag NAME %.0f ms, tag POINTER "
            "%.0f ms\n\n",
            static_cast<long long>(warm.rows), scanMs, nameMs, pointerMs);

        std::vector<double> viewerWall, viewerCpu, toolWall, toolCpu, ratios;
        std::vector<double> pumpRates, statusRates, individualsRates, gaps, pumpMs;
        std::printf(
            "run  viewer wall  cpu     tool wall  cpu     ratio  pumps/s  paints/s "
            "(activity status individuals)  longest gap  in events\n");
        for (int r = 0; r < runs; ++r) {
            ViewerRun viewer;
            ToolRun tool;
            // Alternate the order so that neither side always runs on a warmer machine.
            if (r % 2 == 0) {
                viewer = RunViewer(gedcomPath, lookup);
                tool = RunTool(gedcomPath, lookup);
            } else {
                tool = RunTool(gedcomPath, lookup);
                viewer = RunViewer(gedcomPath, lookup);
            }
            if (viewer.failed || tool.rows < 0) status = 1;
            const double w = viewer.wallSeconds;
            viewerWall.push_back(w);
            viewerCpu.push_back(viewer.cpuSeconds);
            toolWall.push_back(tool.wallSeconds);
            toolCpu.push_back(tool.cpuSeconds);
            ratios.push_back(w / tool.wallSeconds);
            pumpRates.push_back(viewer.pumps / w);
            statusRates.push_back(viewer.statusPaints / w);
            individualsRates.push_back(viewer.individualsPaints / w);
            gaps.push_back(viewer.longestGapMs);
            pumpMs.push_back(viewer.pumpMs);
            std::printf(
                "%3d  %8.3f s  %6.3f  %7.3f s  %6.3f  %5.2f  %7.1f  %5.1f %5.1f %5.1f"
                "                   %6.1f ms  %6.1f ms\n",
                r + 1, w, viewer.cpuSeconds, tool.wallSeconds, tool.cpuSeconds,
                w / tool.wallSeconds, viewer.pumps / w, viewer.activityPaints / w,
                viewer.statusPaints / w, viewer.individualsPaints / w, viewer.longestGapMs,
                viewer.pumpMs);
        }
        const double viewerMedian = Median(viewerWall);
        const double toolMedian = Median(toolWall);
        std::printf("\nmedian viewer build (Create to end): %.3f s wall, %.3f s CPU\n",
                    viewerMedian, Median(viewerCpu));
        std::printf("median tool build (BuildLookupTable): %.3f s wall, %.3f s CPU\n", toolMedian,
                    Median(toolCpu));
        std::printf(
            "ratio of medians viewer / tool: %.2f wall, %.2f CPU; median of per-run "
            "ratios %.2f (target: at most 1.2)\n",
            viewerMedian / toolMedian, Median(viewerCpu) / Median(toolCpu), Median(ratios));
        std::printf(
            "viewer: events processed %.1f times/s, status label painted %.1f times/s, "
            "individuals label %.1f times/s, longest stretch without events %.1f ms, "
            "%.1f ms per build spent processing events (medians)\n\n",
            Median(pumpRates), Median(statusRates), Median(individualsRates), Median(gaps),
            Median(pumpMs));

        // Click points: fractions of the scan, then the middle of each tag build.
        std::vector<std::pair<std::string, double>> points;
        for (double f : {0.05, 0.25, 0.5, 0.75, 0.95}) {
            points.push_back(
                {"scan " + std::to_string(static_cast<int>(f * 100)) + "%", scanMs * f});
        }
        points.push_back(
            {"tag NAME middle", Milliseconds(timeline.start, timeline.nameTagStart) + nameMs / 2});
        points.push_back({"tag POINTER middle",
                          Milliseconds(timeline.start, timeline.pointerTagStart) + pointerMs / 2});
        std::vector<double> delivered, stopped;
        std::printf(
            "planned click       click at  phase at click  to delivery  to end of scan  "
            "to dialog end  individuals read\n");
        for (int repeat = 0; repeat < cancelRepeats; ++repeat) {
            for (const auto& [name, delay] : points) {
                const CancelRun c = RunCancel(gedcomPath, lookup, delay);
                if (!c.posted) {
                    std::printf("%-18s (the build was over before the click)\n", name.c_str());
                    continue;
                }
                if (c.deliveredMs >= 0) delivered.push_back(c.deliveredMs);
                if (c.scanStopMs >= 0) stopped.push_back(c.scanStopMs);
                std::printf("%-18s %6.0f ms  %-14s %8.1f ms  ", name.c_str(), c.clickMs, c.phase,
                            c.deliveredMs);
                if (c.duringScan) {
                    std::printf("%11.1f ms", c.scanStopMs);
                } else {
                    std::printf("%14s", "-");
                }
                std::printf("  %10.0f ms  %lld\n", c.endMs, static_cast<long long>(c.individuals));
            }
        }
        if (!delivered.empty()) {
            std::printf("\nclick to delivery (all phases): median %.1f ms, max %.1f ms\n",
                        Median(delivered), *std::max_element(delivered.begin(), delivered.end()));
        }
        if (!stopped.empty()) {
            std::printf(
                "click to end of scan (clicks during the scan): median %.1f ms, max %.1f "
                "ms (target: 100 ms)\n",
                Median(stopped), *std::max_element(stopped.begin(), stopped.end()));
        }
        std::printf(
            "(after a cancel the builder still indexes the rows written so far; a "
            "cancel during a tag build takes effect when the build is over)\n");
        std::printf("load after: %s\n", LoadAverage().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        status = 1;
    }
    RemoveBuild(lookup);
    if (generated) std::remove(gedcomPath.c_str());
    return status;
}
