// Random texts over the 90- and 80-character alphabets, and a
// case-insensitive replace-all used by the window.
#pragma once

#include <cstdint>
#include <string>

// count characters of "ABCDEFGHIJKLMNOPQRSTUVWXYZ!@#$%^&*()\/{}[]+-=_<>.,;:?~a..z0..9";
// empty when count <= 0.
std::string KvRandomString90(std::int32_t count);
// The same without the ten digits (record length codes rely on that).
std::string KvRandomString80(std::int32_t count);

// Every non-overlapping occurrence of oldPattern, scanning from the start,
// replaced by newPattern; ASCII letters match regardless of case.
std::string KvReplaceAll(const std::string& text, const std::string& oldPattern,
                         const std::string& newPattern);
