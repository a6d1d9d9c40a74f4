// EZadarirError, the engine's exception, and the message texts of engine errors.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

// Raised by the default error handler (and by the table component for its own messages).
// Carries its message text and, when the default handler raised it, the error's code,
// sub-code and text (the file it concerns, as the engine names it), so that callers can say
// in their own words what went wrong; code 0 otherwise.
class EZadarirError : public std::runtime_error {
public:
    explicit EZadarirError(const std::string& message) : std::runtime_error(message) {}
    EZadarirError(const std::string& message, int code, int subCode, std::string_view text)
        : std::runtime_error(message), code_(code), subCode_(subCode), text_(text) {}

    int Code() const { return code_; }
    int SubCode() const { return subCode_; }
    const std::string& Text() const { return text_; }

private:
    int code_ = 0;
    int subCode_ = 0;
    std::string text_;
};

// The message of the default handler for (code, subCode, text). Pure.
//   code 5 or 32: "File %s access is denied" with `text` in place of %s;
//   code 33: "Record is locked by another user";
//   otherwise "Zadarir Error <code>[, SubCode <subCode>].\r<text>" (the sub-code part is left
//   out for sub-code -7).
std::string ZadarirMessage(int code, int subCode, std::string_view text);

// The default handler: throws EZadarirError with ZadarirMessage. A negative sub-code other
// than -7 marks an internal consistency error: the message goes to stderr and the process
// ends at once with `code` as exit status. Does nothing for code 0.
void DefaultZadarirHandler(int code, int subCode, std::string_view text);
