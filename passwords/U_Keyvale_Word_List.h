// The EFF large word list (7,776 words, five dice each; CC-BY-3.0, Electronic
// Frontier Foundation), compiled into the program from
// resources/wordlists/eff_large_wordlist.txt.
#pragma once

#include <span>
#include <string_view>

std::span<const std::string_view> EffLargeWordList();
