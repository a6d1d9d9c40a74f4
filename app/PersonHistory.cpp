#include "app/PersonHistory.h"

#include <utility>

void TPersonHistory::Shown(const std::string& pointer) {
    if (pointer == current_) return;
    if (!current_.empty()) back_.push_back(std::move(current_));
    forward_.clear();
    current_ = pointer;
}

std::string TPersonHistory::GoBack() {
    if (!current_.empty()) forward_.push_back(current_);
    current_ = std::move(back_.back());
    back_.pop_back();
    return current_;
}

std::string TPersonHistory::GoForward() {
    if (!current_.empty()) back_.push_back(current_);
    current_ = std::move(forward_.back());
    forward_.pop_back();
    return current_;
}

void TPersonHistory::Clear() {
    back_.clear();
    forward_.clear();
    current_.clear();
}
