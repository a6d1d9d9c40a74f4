#include "table/EZadarirError.h"

#include <cstdio>
#include <cstdlib>

#include "table/HStatus.h"

std::string ZadarirMessage(int code, int subCode, std::string_view text) {
    if (code == zcode::kAccessDenied || code == zcode::kSharingViolation) {
        return "File " + std::string(text) + " access is denied";
    }
    if (code == zcode::kLockViolation) return "Record is locked by another user";
    std::string message = "Zadarir Error " + std::to_string(code);
    if (subCode != zsub::kNone) message += ", SubCode " + std::to_string(subCode);
    message += ".\r";
    message += text;
    return message;
}

void DefaultZadarirHandler(int code, int subCode, std::string_view text) {
    if (code == zcode::kNone) return;
    std::string message = ZadarirMessage(code, subCode, text);
    if (subCode < 0 && subCode != zsub::kNone) {
        // The engine's own bookkeeping is broken; carrying on could damage files.
        std::fprintf(stderr, "%s\n", message.c_str());
        std::fflush(stderr);
        std::_Exit(code);
    }
    throw EZadarirError(message, code, subCode, text);
}
