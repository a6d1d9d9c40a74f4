// BuildTag: a tag's build from the table's records. This thread reads the records, makes
// their keys and writes the nodes; a second thread sorts, so that reading overlaps inserting
// into the sorter and the sorter's merge overlaps writing. Pages go out in batches.
#include <algorithm>
#include <future>
#include <thread>
#include <vector>

#include "table/IndexWriter.h"
#include "table/KeyPipe.h"

namespace {

// Collects the pages a build writes and writes them in runs of neighbouring pages, a window
// of kWindowPages pages at a time. The writer takes pages in order but finishes a node of an
// upper level long after taking its page: such a page, still unwritten when its window goes
// out, is written on its own later.
class BatchedPageSink : public HCdxPageSink {
public:
    static constexpr uint32_t kWindowPages = 128;

    explicit BatchedPageSink(HCdxPageSink& sink) : sink_(sink) {}

    HStatus AllocatePage(uint32_t* offset) override {
        HStatus st = sink_.AllocatePage(offset);
        if (st.ok() && !started_) {
            started_ = true;
            base_ = *offset;
        }
        return st;
    }

    HStatus WritePage(uint32_t offset, const HCdxPage& page) override {
        if (!started_ || offset < base_) return sink_.WritePage(offset, page);
        while (offset >= base_ + kWindowPages * cdx::kPageSize) {
            HStatus st = Flush();
            if (!st.ok()) return st;
        }
        const size_t slot = (offset - base_) / cdx::kPageSize;
        std::copy(page.begin(), page.end(), window_.begin() + slot * cdx::kPageSize);
        written_[slot] = true;
        return HStatus::Ok();
    }

    HStatus WritePages(uint32_t offset, const uint8_t* pages, size_t count) override {
        return sink_.WritePages(offset, pages, count);
    }

    // Writes the window's pages and moves the window past them.
    HStatus Flush() {
        size_t slot = 0;
        while (slot < kWindowPages) {
            if (!written_[slot]) {
                ++slot;
                continue;
            }
            size_t end = slot;
            while (end < kWindowPages && written_[end]) ++end;
            HStatus st = sink_.WritePages(base_ + static_cast<uint32_t>(slot) * cdx::kPageSize,
                                          window_.data() + slot * cdx::kPageSize, end - slot);
            if (!st.ok()) return st;
            slot = end;
        }
        std::fill(written_.begin(), written_.end(), false);
        base_ += kWindowPages * cdx::kPageSize;
        return HStatus::Ok();
    }

private:
    HCdxPageSink& sink_;
    bool started_ = false;
    uint32_t base_ = 0;  // offset of the window's first page
    std::vector<uint8_t> window_ = std::vector<uint8_t>(kWindowPages * cdx::kPageSize);
    std::vector<bool> written_ = std::vector<bool>(kWindowPages);
};

// The sorting side of a build, run on its own thread: takes the keys from `in`, tells their
// count through `keyCount` once all are in, and sends them out in order through `out`. The
// sorter is used by this thread alone.
HStatus SortKeys(HIndexSorter& sorter, HKeyPipe& in, HKeyPipe& out,
                 std::promise<uint32_t>& keyCount) {
    HStatus st;
    HKeyBatch batch;
    while (st.ok() && in.Pop(&batch)) {
        batch.ForEach([&](std::string_view key, uint32_t record) {
            st = sorter.Add(key, record);
            return st.ok();
        });
    }
    if (!st.ok() || in.Cancelled()) {
        in.Cancel();
        out.Cancel();
        keyCount.set_value(0);
        return st;
    }
    keyCount.set_value(sorter.KeyCount());
    // A refused push means the writing side gave up; the build returns the writer's error.
    st = sorter.Finish([&out](std::string_view key, uint32_t record) {
        return out.Push(key, record) ? HStatus::Ok()
                                     : HStatus::Error(zcode::kShortRead, zsub::kRead, "");
    });
    if (st.ok())
        out.Close();
    else
        out.Cancel();
    return st;
}

// Runs SortKeys on a thread and joins it however the build ends: leaving early (an error,
// an exception from the record source) cancels both pipes first.
class SortingThread {
public:
    SortingThread(HIndexSorter& sorter, HKeyPipe& in, HKeyPipe& out)
        : in_(in), out_(out), keyCount_(promise_.get_future()) {
        thread_ = std::thread([this, &sorter] {
            try {
                status_ = SortKeys(sorter, in_, out_, promise_);
            } catch (...) {
                status_ = HStatus::Error(zcode::kNoMemory, zsub::kRead, "index build");
                in_.Cancel();
                out_.Cancel();
                try {
                    promise_.set_value(0);
                } catch (const std::future_error&) {
                }
            }
        });
    }
    ~SortingThread() {
        if (thread_.joinable()) {
            in_.Cancel();
            out_.Cancel();
            thread_.join();
        }
    }
    SortingThread(const SortingThread&) = delete;
    SortingThread& operator=(const SortingThread&) = delete;

    // Waits until every key is in the sorter; its key count (0 after a failure).
    uint32_t KeyCount() { return keyCount_.get(); }
    // Waits for the thread to end; its outcome.
    HStatus Join() {
        thread_.join();
        return status_;
    }

private:
    HKeyPipe& in_;
    HKeyPipe& out_;
    std::promise<uint32_t> promise_;
    std::future<uint32_t> keyCount_;
    HStatus status_;
    std::thread thread_;
};

}  // namespace

HStatus BuildTag(const HTagBuildParams& params, const HRecordKeySource& keyOf, HCdxPageSink& sink,
                 const HStatusReport& report, uint32_t* root) {
    auto say = [&report](int a, int b, int c) {
        if (report) report(a, b, c);
    };
    BatchedPageSink pages(sink);
    HIndexWriter writer(pages, params.shape, params.largestRecord, report);
    HStatus st = writer.Begin();
    if (st.ok() && params.directory) st = writer.Finish(root);
    if (!st.ok() || params.directory) return st.ok() ? pages.Flush() : st;

    HIndexSorter::Options options = params.sorter;
    options.unique = params.unique;
    options.stripTrailingBlanks = params.shape.kind == HKeyKind::Machine;
    HIndexSorter sorter(options);
    HKeyPipe toSorter, fromSorter;
    SortingThread sorting(sorter, toSorter, fromSorter);

    say(-1, 1, static_cast<int>(params.recordCount));
    std::string key;
    for (uint32_t record = 1; record <= params.recordCount; ++record) {
        key.clear();
        if (keyOf(record, &key) && !toSorter.Push(key, record)) break;
        say(1, static_cast<int>(record), 0);
    }
    toSorter.Close();
    const uint32_t keyCount = sorting.KeyCount();
    if (toSorter.Cancelled()) return sorting.Join();
    say(0, 0, 0);
    say(-1, 2, static_cast<int>(keyCount));
    HKeyBatch batch;
    while (st.ok() && fromSorter.Pop(&batch)) {
        batch.ForEach([&](std::string_view k, uint32_t record) {
            st = writer.Add(k, record);
            return st.ok();
        });
    }
    if (!st.ok()) {
        fromSorter.Cancel();
        sorting.Join();
        return st;
    }
    st = sorting.Join();
    if (!st.ok()) return st;
    st = writer.Finish(root);
    if (st.ok()) st = pages.Flush();
    if (!st.ok()) return st;
    say(0, 0, 0);
    return HStatus::Ok();
}
