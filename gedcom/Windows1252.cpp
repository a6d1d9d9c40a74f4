#include "gedcom/Windows1252.h"

#include <memory>
#include <stdexcept>
#include <unicode/ucnv.h>

namespace gedcom {

namespace {

struct CloseConverter {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, CloseConverter>;

// ICU's "windows-1252" table maps the five unassigned bytes to the C1 controls of the same
// value both ways, which is the round trip the program wants.
Converter Open(const char* name) {
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open(name, &status));
    if (U_FAILURE(status) || converter == nullptr) {
        throw std::runtime_error(std::string("cannot open the ICU converter ") + name + ": " +
                                 u_errorName(status));
    }
    // Unmappable characters become '?' rather than the table's own substitute (0x1A).
    status = U_ZERO_ERROR;
    ucnv_setSubstChars(converter.get(), "?", 1, &status);
    return converter;
}

// Opened once per thread: the tool converts one line at a time, thousands of times.
struct Converters {
    Converter utf8 = Open("UTF-8");
    Converter ansi = Open("windows-1252");
};

Converters& ThreadConverters() {
    thread_local Converters converters;
    return converters;
}

std::string Convert(UConverter* to, UConverter* from, std::string_view input) {
    // ICU refuses a null source, which an empty view may carry.
    if (input.empty()) return std::string();
    std::string out;
    char buffer[1024];
    UChar pivot[256];
    UChar* pivotSource = pivot;
    UChar* pivotTarget = pivot;
    const char* source = input.data();
    const char* const sourceEnd = input.data() + input.size();
    // The first call resets both converters; calls after a full buffer carry on.
    for (bool first = true;; first = false) {
        char* target = buffer;
        UErrorCode status = U_ZERO_ERROR;
        ucnv_convertEx(to, from, &target, buffer + sizeof buffer, &source, sourceEnd, pivot,
                       &pivotSource, &pivotTarget, pivot + 256, first, true, &status);
        out.append(buffer, static_cast<size_t>(target - buffer));
        if (status == U_BUFFER_OVERFLOW_ERROR) continue;
        if (U_FAILURE(status)) {
            throw std::runtime_error(std::string("character conversion failed: ") +
                                     u_errorName(status));
        }
        return out;
    }
}

}  // namespace

std::string Utf8ToWindows1252(std::string_view utf8) {
    Converters& c = ThreadConverters();
    return Convert(c.ansi.get(), c.utf8.get(), utf8);
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    Converters& c = ThreadConverters();
    return Convert(c.utf8.get(), c.ansi.get(), bytes);
}

}  // namespace gedcom
